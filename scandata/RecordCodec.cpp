#include "scandata/RecordCodec.h"

#include "core/QException.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace orv {

void ThrowCorruptScanData() {
    throw QIOException(kCorruptScanDataText);
}

uint32_t RequireArrayBytes(QDataReader& reader, uint64_t count, uint32_t elementSize) {
    const uint64_t bytes = count * elementSize; // count < 2^32 and elementSize < 2^32: no overflow
    reader.RequireRemaining(bytes);
    if (bytes > std::numeric_limits<uint32_t>::max()) {
        ThrowCorruptScanData();
    }
    return static_cast<uint32_t>(bytes);
}

namespace {

thread_local std::vector<uint8_t> t_scratch;
thread_local bool t_scratchInUse = false;

} // namespace

QScratchBlock::QScratchBlock(uint32_t bytes) {
    if (!t_scratchInUse && bytes <= kSharedBytes) {
        if (t_scratch.size() < bytes) {
            t_scratch.resize(bytes);
        }
        t_scratchInUse = true;
        m_shared = true;
        m_data = t_scratch.data();
    } else {
        m_own.resize(bytes);
        m_data = m_own.data();
    }
}

QScratchBlock::~QScratchBlock() {
    if (m_shared) {
        t_scratchInUse = false;
    }
}

// 16-bit levels in little-endian order are, on the little-endian hosts that the writer and reader
// require, their own bytes: the whole array is encoded and decoded at once.
static_assert(std::endian::native == std::endian::little);

void WriteInt16Block(QDataWriter& writer, const std::vector<int16_t>& values) {
    const auto bytes = static_cast<uint32_t>(values.size() * sizeof(int16_t));
    QScratchBlock block(bytes);
    if (bytes != 0) {
        std::memcpy(block.Data(), values.data(), bytes);
    }
    writer.Write(block.Data(), bytes);
}

void DecodeInt16Block(const uint8_t* block, uint32_t count, int16_t* out) {
    if (count != 0) {
        std::memcpy(out, block, size_t{count} * sizeof(int16_t));
    }
}

std::vector<int16_t> ReadInt16Block(QDataReader& reader, uint32_t count) {
    const uint32_t bytes = RequireArrayBytes(reader, count, sizeof(int16_t));
    QScratchBlock block(bytes);
    reader.Read(block.Data(), bytes);
    std::vector<int16_t> values(count);
    DecodeInt16Block(block.Data(), count, values.data());
    return values;
}

int16_t SaturateToInt16(double value, int16_t fallback) {
    if (std::isnan(value)) {
        return fallback;
    }
    const double truncated = std::trunc(value);
    if (truncated >= std::numeric_limits<int16_t>::max()) {
        return std::numeric_limits<int16_t>::max();
    }
    if (truncated <= std::numeric_limits<int16_t>::min()) {
        return std::numeric_limits<int16_t>::min();
    }
    return static_cast<int16_t>(truncated);
}

} // namespace orv
