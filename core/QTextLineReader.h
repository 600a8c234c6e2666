#pragma once

#include "platform/fs/FileIo.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Reads the text data files (correction lists and tables, compensation tables) line by line. The
// files come from Windows as often as not, so the file is read in binary and a CR before the line
// feed ends the line as well. Every line, the last one included, must end with a line feed, and a
// line may hold at most kMaxLineLength characters before it.
class QTextLineReader {
public:
    static constexpr size_t kMaxLineLength = 198;
    static constexpr size_t kMaxTokenLength = 49;

    enum class Result {
        kLine,            // a line was read
        kEndOfFile,       // nothing left to read
        kLineTooLong,     // more than kMaxLineLength characters before the line feed
        kNoFinalLineFeed, // the file ends inside a line
        kTokenTooLong,    // (token lines only) a token of more than kMaxTokenLength characters
        kReadError,
    };

    QTextLineReader();
    ~QTextLineReader();
    QTextLineReader(const QTextLineReader&) = delete;
    QTextLineReader& operator=(const QTextLineReader&) = delete;

    // The largest data file read (a correction file of 4096 cells takes under 1 MB).
    static constexpr uint64_t kMaxFileBytes = 16u * 1024u * 1024u;

    // Opens the file for reading; false when it cannot be opened, is not a regular file (a FIFO
    // would block for ever) or is larger than kMaxFileBytes (GetRefusal tells which).
    bool Open(const std::string& path);
    FileRefusal GetRefusal() const { return m_refusal; }
    // The size of the open file when it was opened.
    uint64_t GetFileSize() const { return m_fileSize; }
    bool IsOpen() const { return m_file != nullptr; }
    void Close();

    // The next line without its line end (LF or CR LF).
    Result ReadTextLine(std::string& line);
    // The next line split into its tokens (see SplitTokens); the views stay valid until the next
    // read.
    Result ReadTokenLine(std::vector<std::string_view>& tokens);

private:
    bool Refill();

    std::FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    size_t m_bufferPos = 0;
    size_t m_bufferEnd = 0;
    bool m_readFailed = false;
    uint64_t m_fileSize = 0;
    FileRefusal m_refusal = FileRefusal::kNone;
    std::string m_line;
};

// Splits a line at tab, line feed, carriage return, comma, space and NUL; runs of separators make no
// empty tokens. False when a token is longer than QTextLineReader::kMaxTokenLength.
bool SplitTokens(std::string_view line, std::vector<std::string_view>& tokens);

// The leading integer of a token as the C library's atoi reads it (white space, sign, digits;
// anything else ends it; no digits read as 0), held to the 32-bit range.
int32_t LeadingInt32(std::string_view token);

// The leading number of a token as atof reads it in the C locale (no number reads as 0.0); empty
// when the number is not finite in single precision, which no data file may hold.
std::optional<float> LeadingFloat(std::string_view token);

} // namespace orv
