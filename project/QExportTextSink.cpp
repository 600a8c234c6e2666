#include "project/QExportTextSink.h"

#include <array>
#include <charconv>
#include <cstring>

namespace orv {

namespace {

constexpr char kCrLf[2] = {'\r', '\n'};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

QExportTextSink::QExportTextSink(const std::string& path) : m_writer(path) {}

QExportTextSink::~QExportTextSink() = default;

QExportTextSink& QExportTextSink::Text(std::string_view text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            m_writer.Write(text.data() + start, static_cast<uint32_t>(i - start));
            m_writer.Write(kCrLf, 2);
            start = i + 1;
        }
    }
    m_writer.Write(text.data() + start, static_cast<uint32_t>(text.size() - start));
    return *this;
}

void QExportTextSink::Pad(int count) {
    static constexpr std::array<char, 32> kBlanks = [] {
        std::array<char, 32> blanks{};
        blanks.fill(' ');
        return blanks;
    }();
    while (count > 0) {
        const int step = count < 32 ? count : 32;
        m_writer.Write(kBlanks.data(), static_cast<uint32_t>(step));
        count -= step;
    }
}

void QExportTextSink::Padded(const char* text, size_t length, int width) {
    if (width > 0 && static_cast<size_t>(width) > length) {
        Pad(width - static_cast<int>(length));
    }
    Text(std::string_view(text, length));
}

QExportTextSink& QExportTextSink::Text(std::string_view text, int width) {
    Padded(text.data(), text.size(), width);
    return *this;
}

QExportTextSink& QExportTextSink::Int(int64_t value, int width) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    Padded(buffer, static_cast<size_t>(result.ptr - buffer), width);
    return *this;
}

QExportTextSink& QExportTextSink::Fixed(double value, int precision, int width) {
    // Wide enough for any double in fixed notation with up to 17 decimals.
    char buffer[360];
    const auto result =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, precision);
    Padded(buffer, result.ec == std::errc() ? static_cast<size_t>(result.ptr - buffer) : 0, width);
    return *this;
}

QExportTextSink& QExportTextSink::General(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 6);
    Padded(buffer, static_cast<size_t>(result.ptr - buffer), 0);
    return *this;
}

void QExportTextSink::Close() {
    m_writer.Close();
    m_closed = true;
}

void QExportLine::Place(const char* text, size_t length, int width) {
    const size_t pad =
        width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (pad + length > sizeof(m_buffer) - 2 - m_length) {
        return;
    }
    std::memset(m_buffer + m_length, ' ', pad);
    std::memcpy(m_buffer + m_length + pad, text, length);
    m_length += pad + length;
}

QExportLine& QExportLine::Text(std::string_view text, int width) {
    Place(text.data(), text.size(), width);
    return *this;
}

QExportLine& QExportLine::Int(int64_t value, int width) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    Place(digits, static_cast<size_t>(result.ptr - digits), width);
    return *this;
}

QExportLine& QExportLine::Fixed(double value, int precision, int width) {
    char digits[360];
    const auto result =
        std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, precision);
    if (result.ec == std::errc()) {
        Place(digits, static_cast<size_t>(result.ptr - digits), width);
    }
    return *this;
}

QExportLine& QExportLine::End() {
    // Room for the line end is always kept.
    m_buffer[m_length++] = '\r';
    m_buffer[m_length++] = '\n';
    return *this;
}

std::string OneLineHeaderText(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) {
        ++first;
    }
    size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) {
        --last;
    }
    return line.substr(first, last - first);
}

} // namespace orv
