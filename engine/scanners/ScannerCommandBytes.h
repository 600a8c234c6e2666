#pragma once

// The byte layout both scanner boards share: a command letter, then little-endian fields. The USB
// board ends a command with the sum of its bytes; the external adapter frames it instead, so the
// sum is asked for only where it is sent.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

class ScannerCommandBytes {
public:
    explicit ScannerCommandBytes(uint8_t letter) { m_bytes.push_back(letter); }

    ScannerCommandBytes& Byte(uint8_t value) {
        m_bytes.push_back(value);
        return *this;
    }
    ScannerCommandBytes& Word(uint16_t value) {
        m_bytes.push_back(static_cast<uint8_t>(value & 0xFFU));
        m_bytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    ScannerCommandBytes& Bytes(std::span<const uint8_t> bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // A text field of `width` bytes: at most width - 1 characters, then NULs.
    ScannerCommandBytes& Text(const std::string& text, std::size_t width) {
        const std::size_t length = std::min(text.size(), width - 1);
        m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
        m_bytes.insert(m_bytes.end(), width - length, 0);
        return *this;
    }

    std::span<const uint8_t> Span() const { return m_bytes; }

    // Appends the 8-bit sum of everything before it; the command is complete after this.
    const std::vector<uint8_t>& WithSum() {
        uint8_t sum = 0;
        for (const uint8_t byte : m_bytes) {
            sum = static_cast<uint8_t>(sum + byte);
        }
        m_bytes.push_back(sum);
        return m_bytes;
    }

private:
    std::vector<uint8_t> m_bytes;
};

inline bool FitsWord(int64_t value) {
    return value >= 0 && value <= 0xFFFF;
}

inline bool FitsByte(int64_t value) {
    return value >= 0 && value <= 0xFF;
}

// The analyser's timings saturate rather than wrap: a wrapped value would be a plausible, wrong timing.
inline uint16_t ClampTiming(int64_t value) {
    return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, 0xFFFF));
}

} // namespace orv
