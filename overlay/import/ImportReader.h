#pragma once

#include "overlay/import/ImportSource.h"

#include <cstdint>
#include <optional>

namespace orv {

// The buffered reader the Gerber and HPGL importers read their files through: a chunk of up to 1,023
// bytes at a time in a 1,025-byte buffer. Its end-of-file flag and refill count belong to one import,
// so no import sees another's state. A chunk ends at the bytes read; a zero byte inside a file is
// handed out as a blank.
class ImportReader {
public:
    static constexpr uint32_t kBufferBytes = 1025;
    static constexpr uint32_t kChunkBytes = 1023;
    // Written where a number was asked for and none was found.
    static constexpr uint16_t kAbsent = 0xFFFF;
    // Longest number token (digits and '.') that is converted; longer ones read as absent.
    static constexpr uint32_t kMaxNumberChars = 9;

    explicit ImportReader(ImportSource& source) : m_source(source) {}

    // The next character; false (with the end-of-file flag set) when the file is exhausted.
    bool ReadChar(char& out);
    // The same for an included Gerber file: after a short chunk, whatever follows the chunk's last
    // '%' is never handed out. Leaves the end-of-file flag and the refill count alone.
    bool ReadCharToLastPercent(char& out);
    // Steps back over the character just read (always possible once after a read that gave one).
    void Unread();

    // One signed number. Skips blanks, '+' and ','; '-' makes it negative; ';' ends the statement
    // (consumed; *statementEnded set) with the value absent. Digits and '.' are then collected and
    // read as the integer they start with (12.7 gives 12), kept as 16 bits; a ';' right after the
    // number is consumed and ends the statement, any other character after it is left to read. An
    // over-long token is consumed whole and reads as absent.
    uint16_t ReadNumber(bool* statementEnded = nullptr);
    // Numbers as ReadNumber reads them, into out[0..]; the absent value follows the last one stored
    // (out must have maximum + 1 slots). Stops at ';' (consumed), at a character that starts no
    // number (left to read), or after `maximum` numbers. Answers how many were stored.
    uint32_t ReadNumbers(uint16_t* out, uint32_t maximum);

    // The same numbers as 32-bit values with "absent" kept apart from every value (so -1 and 65535
    // are numbers like any other): empty at a ';' (consumed), at a character that starts no number
    // (left to read) and for an over-long token.
    std::optional<int32_t> ReadNumber32(bool* statementEnded = nullptr);
    // Up to `maximum` numbers of one statement into out[0..]; an over-long token takes its slot as
    // an empty one. Numbers beyond the maximum are read and dropped, so the statement is read to its
    // ';' or to the character that starts no number (left to read). Answers the slots filled.
    uint32_t ReadNumbers32(std::optional<int32_t>* out, uint32_t maximum);

    bool IsEndOfFile() const { return m_endOfFile; }
    uint32_t GetRefillCount() const { return m_refills; }
    ImportSource& Source() { return m_source; }

private:
    enum class Token { Number, LastNumber, Unreadable, StatementEnd, NoNumber, FileEnd };
    // The signed value of a Number or LastNumber token.
    Token ReadToken(int64_t& value);
    Token ReadToken(uint16_t& value);
    // Reads the next chunk; false when the file is exhausted.
    bool Refill();

    ImportSource& m_source;
    uint8_t m_buffer[kBufferBytes] = {};
    uint32_t m_position = 0;
    uint32_t m_end = 0;
    bool m_endOfFile = false;
    uint32_t m_refills = 0;
};

} // namespace orv
