#pragma once

// The data frames the scan runners send: spectral 99, spatial 100, spectral/spatial component 101,
// measured peak frequencies 102, progress 105 and hand-held 112. Each builder writes the whole frame
// ('*', u16 0, u16 type, u32 body size, body; little-endian) into the caller's buffer, which keeps its
// storage from one frame to the next, so a runner builds a frame per cell without allocating.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orv {

// One point of the spectral maximum: amplitude in tenths of a dB at the cell that gave it, and that
// cell's probe height (kept to return to the cell for a peak measurement, never sent).
struct SpectralPoint {
    int16_t amplitude = 0;
    uint16_t row = 0;
    uint16_t column = 0;
    int16_t cellValue = 0;
};

struct ScanProgressRecord {
    uint16_t row = 0;
    uint16_t column = 0;
    uint16_t pass = 0;
    uint16_t wordA = 0;
    uint16_t wordB = 0;
    uint8_t flag = 0;
    uint16_t activeCount = 0;
    uint16_t cellsDone = 0;
};

struct MeasuredPeak {
    uint32_t index = 0;
    float frequency = 0.0F; // MHz
};

namespace packet {
inline constexpr uint16_t kSpectralScan = 99;
inline constexpr uint16_t kSpatialScan = 100;
inline constexpr uint16_t kSpectralSpatialComponent = 101;
inline constexpr uint16_t kMeasuredFrequencies = 102;
inline constexpr uint16_t kProgress = 105;
inline constexpr uint16_t kHandHeldProbeScan = 112;
inline constexpr uint32_t kHeaderBytes = 9;
// Whole progress frame; the frames' heads up to their values.
inline constexpr uint32_t kProgressFrameBytes = kHeaderBytes + 15;
inline constexpr uint32_t kSpectralSpatialHeadBytes = kHeaderBytes + 13;
inline constexpr uint32_t kHandHeldHeadBytes = kHeaderBytes + 11;
} // namespace packet

// A level in dB as the packets carry it: tenths of a dB, truncated, saturated to 16 bits; NaN gives
// the lowest value. Inline and branch-free, so that a whole trace converts in one vectorised pass.
inline int16_t ToTenthsDb(float value) {
    float tenths = value * 10.0F;
    tenths = tenths == tenths ? tenths : -32768.0F; // NaN
    tenths = tenths < -32768.0F ? -32768.0F : tenths;
    tenths = tenths > 32767.0F ? 32767.0F : tenths;
    return static_cast<int16_t>(tenths);
}

// The same over a whole trace, several values at a time where the processor allows.
void ConvertToTenthsDb(const float* values, int16_t* tenths, size_t count);

void BuildSpectralScanFrame(std::span<const SpectralPoint> points, std::vector<uint8_t>& frame);
void BuildSpatialScanFrame(uint8_t level, uint8_t switchMode, uint16_t rows, uint16_t columns,
                           uint16_t frequencyIndex, std::span<const int16_t> values,
                           std::vector<uint8_t>& frame);
void BuildSpectralSpatialFrame(uint8_t level, uint16_t row, uint16_t column, uint16_t component,
                               std::span<const int16_t> values, std::vector<uint8_t>& frame);
void BuildHandHeldProbeFrame(uint16_t row, uint16_t column, std::span<const int16_t> values,
                             std::vector<uint8_t>& frame);
void BuildProgressFrame(const ScanProgressRecord& progress, std::vector<uint8_t>& frame);

// The same written into the caller's block: the progress frame whole (kProgressFrameBytes), and
// the heads of the component and hand-held frames of `count` values, which follow the head.
void WriteProgressFrame(const ScanProgressRecord& progress, uint8_t* at);
void WriteSpectralSpatialHead(uint8_t level, uint16_t row, uint16_t column, uint16_t component,
                              uint32_t count, uint8_t* at);
void WriteHandHeldProbeHead(uint16_t row, uint16_t column, uint32_t count, uint8_t* at);
void BuildMeasuredFrequencyFrame(std::span<const MeasuredPeak> peaks, std::vector<uint8_t>& frame);

} // namespace orv
