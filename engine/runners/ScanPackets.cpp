#include "engine/runners/ScanPackets.h"

#include "engine/CByteCursor.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

namespace orv {

namespace {

// Writes the header at `at` (room for `room` bytes); the cursor then stands at the body.
CByteCursor BeginFrameAt(uint16_t type, uint32_t bodyBytes, uint8_t* at, uint32_t room) {
    CByteCursor cursor = CByteCursor::Borrow(at, room);
    cursor.WriteUInt8(0x2A);
    cursor.WriteUInt16(0);
    cursor.WriteUInt16(type);
    cursor.WriteUInt32(bodyBytes);
    return cursor;
}

// Sizes the frame for its body and writes the header; the cursor then stands at the body.
CByteCursor BeginFrame(uint16_t type, uint32_t bodyBytes, std::vector<uint8_t>& frame) {
    frame.resize(packet::kHeaderBytes + static_cast<size_t>(bodyBytes));
    return BeginFrameAt(type, bodyBytes, frame.data(), static_cast<uint32_t>(frame.size()));
}

void WriteSpectralSpatialFields(CByteCursor& cursor, uint8_t level, uint16_t row, uint16_t column,
                                uint16_t component, uint32_t count) {
    cursor.WriteUInt8(level >= 1 ? 1 : 0);
    cursor.WriteUInt8(level);
    cursor.WriteUInt8(0);
    cursor.WriteUInt16(row);
    cursor.WriteUInt16(column);
    cursor.WriteUInt16(component);
    cursor.WriteUInt32(count);
}

void WriteHandHeldFields(CByteCursor& cursor, uint16_t row, uint16_t column, uint32_t count) {
    cursor.WriteUInt8(0);
    cursor.WriteUInt8(0);
    cursor.WriteUInt8(0);
    cursor.WriteUInt16(row);
    cursor.WriteUInt16(column);
    cursor.WriteUInt32(count);
}

void WriteProgressFields(CByteCursor& cursor, const ScanProgressRecord& progress) {
    cursor.WriteUInt16(progress.row);
    cursor.WriteUInt16(progress.column);
    cursor.WriteUInt16(progress.pass);
    cursor.WriteUInt16(progress.wordA);
    cursor.WriteUInt16(progress.wordB);
    cursor.WriteUInt8(progress.flag);
    cursor.WriteUInt16(progress.activeCount);
    cursor.WriteUInt16(progress.cellsDone);
}

// The values as little-endian 16-bit words in one block (the cursor's bounds were settled when the
// frame was sized).
void WriteValues(CByteCursor& cursor, std::span<const int16_t> values) {
    if constexpr (std::endian::native == std::endian::little) {
        cursor.WriteBytes(values.data(), static_cast<uint32_t>(values.size_bytes()));
    } else {
        for (const int16_t value : values) {
            cursor.WriteInt16(value);
        }
    }
}

} // namespace

void ConvertToTenthsDb(const float* values, int16_t* tenths, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    // As ToTenthsDb: maxps answers its second operand for a NaN, so NaN and everything below the
    // range become the lowest value; the conversion truncates, and the pack cannot saturate again.
    const __m128 ten = _mm_set1_ps(10.0F);
    const __m128 lowest = _mm_set1_ps(-32768.0F);
    const __m128 highest = _mm_set1_ps(32767.0F);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(values + i), ten), lowest), highest);
        const __m128 b =
            _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(values + i + 4), ten), lowest), highest);
        const __m128i packed = _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(tenths + i), packed);
    }
#endif
    for (; i < count; ++i) {
        tenths[i] = ToTenthsDb(values[i]);
    }
}

void BuildSpectralScanFrame(std::span<const SpectralPoint> points, std::vector<uint8_t>& frame) {
    const auto count = static_cast<uint32_t>(points.size());
    CByteCursor cursor = BeginFrame(packet::kSpectralScan, 6 * count + 7, frame);
    cursor.WriteUInt8(0);
    cursor.WriteUInt8(0);
    cursor.WriteUInt8(0);
    cursor.WriteUInt32(count);
    for (const SpectralPoint& point : points) {
        cursor.WriteInt16(point.amplitude);
        cursor.WriteUInt16(point.row);
        cursor.WriteUInt16(point.column);
    }
}

void BuildSpatialScanFrame(uint8_t level, uint8_t switchMode, uint16_t rows, uint16_t columns,
                           uint16_t frequencyIndex, std::span<const int16_t> values,
                           std::vector<uint8_t>& frame) {
    CByteCursor cursor =
        BeginFrame(packet::kSpatialScan, 2 * static_cast<uint32_t>(values.size()) + 13, frame);
    cursor.WriteUInt8(level >= 1 ? 1 : 0);
    cursor.WriteUInt8(level);
    cursor.WriteUInt8(switchMode);
    cursor.WriteUInt16(rows);
    cursor.WriteUInt16(columns);
    cursor.WriteUInt16(1);
    cursor.WriteUInt16(1);
    cursor.WriteUInt16(frequencyIndex);
    WriteValues(cursor, values);
}

void BuildSpectralSpatialFrame(uint8_t level, uint16_t row, uint16_t column, uint16_t component,
                               std::span<const int16_t> values, std::vector<uint8_t>& frame) {
    const auto count = static_cast<uint32_t>(values.size());
    CByteCursor cursor = BeginFrame(packet::kSpectralSpatialComponent, 2 * count + 13, frame);
    WriteSpectralSpatialFields(cursor, level, row, column, component, count);
    WriteValues(cursor, values);
}

void BuildHandHeldProbeFrame(uint16_t row, uint16_t column, std::span<const int16_t> values,
                             std::vector<uint8_t>& frame) {
    const auto count = static_cast<uint32_t>(values.size());
    CByteCursor cursor = BeginFrame(packet::kHandHeldProbeScan, 2 * count + 11, frame);
    WriteHandHeldFields(cursor, row, column, count);
    WriteValues(cursor, values);
}

void BuildProgressFrame(const ScanProgressRecord& progress, std::vector<uint8_t>& frame) {
    CByteCursor cursor = BeginFrame(packet::kProgress, 15, frame);
    WriteProgressFields(cursor, progress);
}

void WriteProgressFrame(const ScanProgressRecord& progress, uint8_t* at) {
    CByteCursor cursor = BeginFrameAt(packet::kProgress, 15, at, packet::kProgressFrameBytes);
    WriteProgressFields(cursor, progress);
}

void WriteSpectralSpatialHead(uint8_t level, uint16_t row, uint16_t column, uint16_t component,
                              uint32_t count, uint8_t* at) {
    CByteCursor cursor = BeginFrameAt(packet::kSpectralSpatialComponent, 2 * count + 13, at,
                                      packet::kSpectralSpatialHeadBytes);
    WriteSpectralSpatialFields(cursor, level, row, column, component, count);
}

void WriteHandHeldProbeHead(uint16_t row, uint16_t column, uint32_t count, uint8_t* at) {
    CByteCursor cursor =
        BeginFrameAt(packet::kHandHeldProbeScan, 2 * count + 11, at, packet::kHandHeldHeadBytes);
    WriteHandHeldFields(cursor, row, column, count);
}

void BuildMeasuredFrequencyFrame(std::span<const MeasuredPeak> peaks, std::vector<uint8_t>& frame) {
    const auto count = static_cast<uint32_t>(peaks.size());
    CByteCursor cursor = BeginFrame(packet::kMeasuredFrequencies, 8 * count + 4, frame);
    cursor.WriteUInt32(count);
    for (const MeasuredPeak& peak : peaks) {
        cursor.WriteUInt32(peak.index);
        cursor.WriteFloat(peak.frequency);
    }
}

} // namespace orv
