#pragma once

// The hand-held probe scan: the user holds the probe, so the scanner never switches. The runner asks
// the main frame through message 10101: in free mode where the tracked probe is (the handler fills
// the runner's position record) and measures the cell under it, dropping a reading when the probe
// moved meanwhile; in guided mode, cell by cell, whether to measure (0), skip (-1) or stop (-2).
// Each reading goes to the client as packet 112 after its progress packet.
//
// A request never holds a device lock and never outlives a stop or the engine's end: it carries the
// scan's stop token, and a request that ends unanswered counts as a stop.

#include "engine/runners/SpectralScan.h"

#include <cstdint>
#include <optional>

namespace orv {

// Filled by the main frame's handler of 10101 with wParam -1: where the tracker sees the probe, as
// fractions of the grid's width (x) and height (y); valid 0 when nothing is tracked.
struct HandHeldProbePosition {
    float xFraction = 0.0F;
    float yFraction = 0.0F;
    uint8_t valid = 0;
};

class HandHeldProbeScan : public SpectralScan {
public:
    static constexpr uint32_t kProbeRequestMessage = 10101;
    // The wParam of a position request (its lParam points at a HandHeldProbePosition).
    static constexpr int64_t kPositionRequest = -1;
    // Answers to a cell request (wParam row, lParam column).
    static constexpr int64_t kMeasureCell = 0;
    static constexpr int64_t kSkipCell = -1;
    static constexpr int64_t kStopScan = -2;
    static constexpr const char* kReadFailureText =
        "HandHeldProbeScan::RunScanStart() --- Failed in reading scan data.";

    explicit HandHeldProbeScan(const CEngineContext& context);

    void RunScanStart() override;
    // Packet 112 of the last reading.
    std::span<const uint8_t> BuildResultPacket() override;
    uint32_t CellHeadBytes() const override { return packet::kHandHeldHeadBytes; }

private:
    void RunFreeMode(CDeviceManager& devices, const ScanGrid& grid);
    void RunGuidedMode(CDeviceManager& devices, const ScanGrid& grid);
    // The tracked cell; none when the frame did not answer (stop, teardown).
    std::optional<HandHeldProbePosition> AskPosition();
    // The answer to a cell request; kStopScan when the request ended unanswered.
    int64_t AskGoAhead(int32_t row, int32_t column);
    // Takes the reading just stored: packets 105 and 112, maximum hold.
    void TakeReading(CDeviceManager& devices, const ScanGrid& grid, int32_t row, int32_t column);

    uint16_t m_row = 0;
    uint16_t m_column = 0;
    uint32_t m_readingsDone = 0;
};

// The cell under a tracked position, when both fractions lie in [0, 1) (so the cell lies inside the
// grid) and the tracker had the probe.
bool CellUnderProbe(const HandHeldProbePosition& position, int32_t rows, int32_t columns, int32_t& row,
                    int32_t& column);

} // namespace orv
