#pragma once

// The spectral scan: one trace per active cell, the maximum of every frequency point over the cells
// (with the cell that gave it) sent as packet 99 after each pass, a progress packet per cell, and,
// when the set-up asks for them, the peaks of the first pass measured and sent as packet 102. Go
// mode 1 repeats the pass until a stop is requested.
//
// The spectral/spatial and hand-held runners derive from it for its point array, its peak step and
// its cell bookkeeping.

#include "engine/RunScan.h"
#include "engine/runners/ScanPackets.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orv {

class CDeviceManager;
class ScanGrid;

class SpectralScan : public RunScan {
public:
    explicit SpectralScan(const CEngineContext& context);

    void RunScanStart() override;
    // Packet 99 over the point array.
    std::span<const uint8_t> BuildResultPacket() override;
    // The progress frame and the cell's result frame, one after the other in the cell buffer, as one
    // send.
    bool SendProgressAndResult(const ScanProgressRecord& progress) override;

    const std::vector<SpectralPoint>& GetPoints() const { return m_points; }

protected:
    // Makes the point array (cleared) for the set-up's point count.
    void ResetPoints(uint32_t count);
    uint32_t PointCount() const { return static_cast<uint32_t>(m_points.size()); }
    // The trace just stored must hold the set-up's point count (a longer one is cut); a shorter one
    // is a failed read: read-ok cleared, false.
    bool HasWholeTrace(CDeviceManager& devices) const;
    // Takes the trace just stored: its first PointCount() values in tenths of a dB into the cell
    // buffer (where the cell's result frame carries them), and, when kept, the maximum over the cells
    // (the first reading takes every point, later ones only higher values) into the point array.
    void TakeTrace(const CDeviceManager& devices, uint16_t row, uint16_t column, int16_t height, bool first);
    // The cell buffer: the progress frame, the head of the cell's result frame (`CellHeadBytes`, which
    // the derived runner writes), then the values TakeTrace wrote. Kept as 16-bit words so the values
    // are written in place.
    virtual uint32_t CellHeadBytes() const { return packet::kSpectralSpatialHeadBytes; }
    std::span<const int16_t> CellValues() const {
        return std::span<const int16_t>(m_cellFrames).subspan(m_valuesAt);
    }
    uint8_t* CellHead() { return CellBytes() + packet::kProgressFrameBytes; }
    // The cell's result frame (head and values), once its head is written.
    std::span<const uint8_t> CellResultFrame() {
        return {CellHead(), CellHeadBytes() + CellValues().size_bytes()};
    }
    // The peak search over the point array and the measurement of its candidates (packet 102). True
    // when the runner must end (stop, or a failure with its status set).
    bool MeasurePeaks(const char* readFailureText);
    // The measurement of the given candidate indexes, ascending; true when the runner must end.
    bool MeasurePeakCandidates(std::span<const int32_t> indexes, const char* readFailureText);

    std::vector<SpectralPoint> m_points;
    // Whether TakeTrace keeps the maximum in the point array: only a runner that sends it or measures
    // its peaks needs it.
    bool m_keepsMaximum = true;
    std::vector<uint8_t> m_resultFrame;
    ScanProgressRecord m_progress;

private:
    // One pass over the grid; true when the runner must end.
    bool RunPass(CDeviceManager& devices, const ScanGrid& grid, uint32_t& cellsDone);
    // Go mode 1: the set-up again before the next pass; false (status 700) when it fails.
    bool RepeatSetup();

    uint8_t* CellBytes() { return reinterpret_cast<uint8_t*>(m_cellFrames.data()); }

    std::vector<uint8_t> m_peakFrame;
    std::vector<int16_t> m_cellFrames;
    std::size_t m_valuesAt = 0; // in words
};

} // namespace orv
