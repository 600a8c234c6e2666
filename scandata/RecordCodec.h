#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

#include <cstdint>
#include <vector>

// Shared pieces of the scan-record bodies: the bounds check of a counted array, the one-block codec
// of 16-bit level arrays, and the conversions of computed levels back to 16 bits.
namespace orv {

inline constexpr const char* kCorruptScanDataText =
    "Error#363: Unexpected value detected. The data for this scan may be corrupted.";

// A field of a body holds a value the record cannot hold (a grid too large, an unknown form).
[[noreturn]] void ThrowCorruptScanData();

// The byte count of `count` elements of `elementSize` bytes, after checking in 64 bits that the
// reader still holds them and that they fit one block read. Throws before anything is allocated.
uint32_t RequireArrayBytes(QDataReader& reader, uint64_t count, uint32_t elementSize);

// A block for encoding or decoding one body array. Blocks up to kSharedBytes reuse one buffer per
// thread (so a record read or written again costs no allocation); larger ones, and a block made
// while the thread's buffer is in use, have their own.
class QScratchBlock {
public:
    static constexpr uint32_t kSharedBytes = 16U * 1024U * 1024U;

    explicit QScratchBlock(uint32_t bytes);
    ~QScratchBlock();
    QScratchBlock(const QScratchBlock&) = delete;
    QScratchBlock& operator=(const QScratchBlock&) = delete;

    uint8_t* Data() { return m_data; }

private:
    std::vector<uint8_t> m_own;
    uint8_t* m_data = nullptr;
    bool m_shared = false;
};

void WriteInt16Block(QDataWriter& writer, const std::vector<int16_t>& values);
// Decodes count levels from a block into out[0..count-1].
void DecodeInt16Block(const uint8_t* block, uint32_t count, int16_t* out);
// Reads `count` levels after RequireArrayBytes; the result is complete or an exception is thrown.
std::vector<int16_t> ReadInt16Block(QDataReader& reader, uint32_t count);

// A computed level as a 16-bit value: truncated toward zero and held to the 16-bit range instead of
// wrapping; NaN gives `fallback`.
int16_t SaturateToInt16(double value, int16_t fallback = 0);

} // namespace orv
