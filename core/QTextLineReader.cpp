#include "core/QTextLineReader.h"

#include "platform/CLocale.h"
#include "platform/fs/FileIo.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <unistd.h>

namespace orv {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

bool IsSeparator(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ' ' || c == '\0';
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

QTextLineReader::QTextLineReader() : m_buffer(std::make_unique<char[]>(kBufferSize)) {
    m_line.reserve(kMaxLineLength + 2);
}

QTextLineReader::~QTextLineReader() {
    Close();
}

bool QTextLineReader::Open(const std::string& path) {
    Close();
    m_bufferPos = 0;
    m_bufferEnd = 0;
    m_readFailed = false;
    m_fileSize = 0;
    const int fd = OpenRegularFileForReading(path, kMaxFileBytes, &m_fileSize, &m_refusal);
    if (fd < 0) {
        return false;
    }
    m_file = ::fdopen(fd, "rb");
    if (m_file == nullptr) {
        ::close(fd);
        m_refusal = FileRefusal::kCannotOpen;
        return false;
    }
    return true;
}

void QTextLineReader::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool QTextLineReader::Refill() {
    if (m_file == nullptr || m_readFailed) {
        return false;
    }
    m_bufferPos = 0;
    m_bufferEnd = std::fread(m_buffer.get(), 1, kBufferSize, m_file);
    if (m_bufferEnd == 0 && std::ferror(m_file) != 0) {
        m_readFailed = true;
    }
    return m_bufferEnd != 0;
}

QTextLineReader::Result QTextLineReader::ReadTextLine(std::string& line) {
    line.clear();
    if (m_file == nullptr) {
        return Result::kReadError;
    }
    // One character more than the limit is kept so that a CR before the line feed still fits.
    for (;;) {
        if (m_bufferPos == m_bufferEnd && !Refill()) {
            if (m_readFailed) {
                return Result::kReadError;
            }
            return line.empty() ? Result::kEndOfFile : Result::kNoFinalLineFeed;
        }
        const char* begin = m_buffer.get() + m_bufferPos;
        const char* end = m_buffer.get() + m_bufferEnd;
        const char* cursor = begin;
        while (cursor != end && *cursor != '\n') {
            ++cursor;
        }
        const size_t taken = static_cast<size_t>(cursor - begin);
        if (line.size() + taken > kMaxLineLength + 1) {
            return Result::kLineTooLong;
        }
        line.append(begin, taken);
        m_bufferPos += taken;
        if (cursor != end) {
            ++m_bufferPos; // the line feed
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > kMaxLineLength) {
                return Result::kLineTooLong;
            }
            return Result::kLine;
        }
    }
}

QTextLineReader::Result QTextLineReader::ReadTokenLine(std::vector<std::string_view>& tokens) {
    tokens.clear();
    const Result result = ReadTextLine(m_line);
    if (result != Result::kLine) {
        return result;
    }
    return SplitTokens(m_line, tokens) ? Result::kLine : Result::kTokenTooLong;
}

bool SplitTokens(std::string_view line, std::vector<std::string_view>& tokens) {
    tokens.clear();
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && IsSeparator(line[pos])) {
            ++pos;
        }
        const size_t start = pos;
        while (pos < line.size() && !IsSeparator(line[pos])) {
            ++pos;
        }
        if (pos > start) {
            if (pos - start > QTextLineReader::kMaxTokenLength) {
                tokens.clear();
                return false;
            }
            tokens.push_back(line.substr(start, pos - start));
        }
    }
    return true;
}

int32_t LeadingInt32(std::string_view token) {
    size_t pos = 0;
    while (pos < token.size() && IsCSpace(token[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
        negative = token[pos] == '-';
        ++pos;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    while (pos < token.size() && token[pos] >= '0' && token[pos] <= '9') {
        if (value < kLimit) {
            value = value * 10 + (token[pos] - '0');
        }
        ++pos;
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

std::optional<float> LeadingFloat(std::string_view token) {
    // The common case, a plain decimal token, without the copy that the C library's reader needs;
    // anything unusual (white space, hexadecimal, out of range) goes the C library's way.
    double value = 0.0;
    size_t used = 0;
    std::string_view digits = token;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc() && digits.find_first_of("xX") == std::string_view::npos && !digits.empty() &&
        !IsCSpace(digits.front())) {
        used = static_cast<size_t>(end - digits.data());
    } else {
        value = StrToDoubleC(token, &used);
    }
    if (used == 0) {
        return 0.0f;
    }
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

} // namespace orv
