#include "overlay/import/ImportReader.h"

#include <cstring>

namespace orv {

bool ImportReader::Refill() {
    std::memset(m_buffer, 0, 4);
    m_position = 0;
    m_end = m_source.ReadSome(m_buffer, kChunkBytes);
    if (m_end < kChunkBytes) {
        m_buffer[m_end] = 0;
    }
    return m_end != 0;
}

bool ImportReader::ReadChar(char& out) {
    if (m_position >= m_end) {
        if (m_endOfFile) {
            return false;
        }
        ++m_refills;
        if (!Refill()) {
            m_endOfFile = true;
            return false;
        }
    }
    const uint8_t byte = m_buffer[m_position++];
    out = byte == 0 ? ' ' : static_cast<char>(byte);
    return true;
}

bool ImportReader::ReadCharToLastPercent(char& out) {
    if (m_position >= m_end) {
        if (m_endOfFile || !Refill()) {
            m_endOfFile = true; // this reader's own: an include is read by a reader of its own
            return false;
        }
        if (m_end < kChunkBytes) {
            // The last chunk: cut it after its last '%', never below its start.
            uint32_t keep = m_end;
            while (keep > 0 && m_buffer[keep - 1] != '%') {
                --keep;
            }
            std::memset(m_buffer + keep, 0, m_end - keep);
            m_end = keep;
            if (m_end == 0) {
                m_endOfFile = true;
                return false;
            }
        }
    }
    const uint8_t byte = m_buffer[m_position++];
    out = byte == 0 ? ' ' : static_cast<char>(byte);
    return true;
}

void ImportReader::Unread() {
    if (m_position > 0) {
        --m_position;
    }
}

ImportReader::Token ImportReader::ReadToken(uint16_t& value) {
    int64_t number = 0;
    const Token token = ReadToken(number);
    value = token == Token::Number || token == Token::LastNumber ? static_cast<uint16_t>(number) : kAbsent;
    return token;
}

ImportReader::Token ImportReader::ReadToken(int64_t& value) {
    value = 0;
    bool negative = false;
    char c = 0;
    for (;;) {
        if (!ReadChar(c)) {
            return Token::FileEnd;
        }
        if (c == ' ' || c == '+' || c == ',' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        if (c == '-') {
            negative = true;
            continue;
        }
        if (c == ';') {
            return Token::StatementEnd;
        }
        break;
    }
    // c starts the number, or is a character that starts none.
    uint32_t length = 0;
    int64_t integer = 0;
    bool integerPart = true;
    bool sawDigit = false;
    for (bool more = true; more; more = ReadChar(c)) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit && c != '.') {
            Unread();
            break;
        }
        ++length;
        if (!digit) {
            integerPart = false;
        } else {
            sawDigit = true;
            if (integerPart && length <= kMaxNumberChars) {
                integer = integer * 10 + (c - '0');
            }
        }
    }
    if (length > kMaxNumberChars) {
        return Token::Unreadable;
    }
    if (!sawDigit) {
        return length == 0 ? Token::NoNumber : Token::Unreadable;
    }
    value = negative ? -integer : integer;
    // A ';' right after the number ends the statement with it.
    if (ReadChar(c)) {
        if (c == ';') {
            return Token::LastNumber;
        }
        Unread();
    }
    return Token::Number;
}

uint16_t ImportReader::ReadNumber(bool* statementEnded) {
    uint16_t value = kAbsent;
    const Token token = ReadToken(value);
    if (statementEnded != nullptr) {
        *statementEnded = token == Token::StatementEnd || token == Token::LastNumber;
    }
    return value;
}

uint32_t ImportReader::ReadNumbers(uint16_t* out, uint32_t maximum) {
    uint32_t stored = 0;
    while (stored < maximum) {
        uint16_t value = kAbsent;
        const Token token = ReadToken(value);
        if (token != Token::Number && token != Token::Unreadable && token != Token::LastNumber) {
            break;
        }
        out[stored++] = value;
        if (token == Token::LastNumber) {
            break;
        }
    }
    out[stored] = kAbsent;
    return stored;
}

std::optional<int32_t> ImportReader::ReadNumber32(bool* statementEnded) {
    int64_t value = 0;
    const Token token = ReadToken(value);
    if (statementEnded != nullptr) {
        *statementEnded = token == Token::StatementEnd || token == Token::LastNumber;
    }
    if (token == Token::Number || token == Token::LastNumber) {
        return static_cast<int32_t>(value); // at most nine digits: always fits
    }
    return std::nullopt;
}

uint32_t ImportReader::ReadNumbers32(std::optional<int32_t>* out, uint32_t maximum) {
    uint32_t stored = 0;
    for (;;) {
        int64_t value = 0;
        const Token token = ReadToken(value);
        if (token != Token::Number && token != Token::Unreadable && token != Token::LastNumber) {
            return stored;
        }
        if (stored < maximum) {
            out[stored++] = token == Token::Unreadable ? std::nullopt
                                                       : std::optional<int32_t>(static_cast<int32_t>(value));
        }
        if (token == Token::LastNumber) {
            return stored;
        }
    }
}

} // namespace orv
