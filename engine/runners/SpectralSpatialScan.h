#pragma once

// The spectral/spatial scan: every trace of every active cell goes to the client as packet 101, one
// per component (the scan's frequency count). With an external adapter the components are walked
// first (each covers the grid before the next), otherwise the cells. It makes one pass whatever the
// go mode, keeps the spectral maximum over the cells for its peak step, and sends no packet 99.

#include "engine/runners/SpectralScan.h"

namespace orv {

class SpectralSpatialScan : public SpectralScan {
public:
    static constexpr const char* kReadFailureText =
        "SpectralSpatialScan::RunScanStart() --- Failed in reading scan data.";

    explicit SpectralSpatialScan(const CEngineContext& context);

    void RunScanStart() override;
    // Packet 101 of the last reading.
    std::span<const uint8_t> BuildResultPacket() override;

private:
    // One reading at a cell for one component; true when the runner must end.
    bool ReadComponent(CDeviceManager& devices, const ScanGrid& grid, int32_t row, int32_t column,
                       uint16_t component, uint16_t componentCount);

    uint8_t m_level = 0;
    uint16_t m_row = 0;
    uint16_t m_column = 0;
    uint16_t m_component = 0;
    uint32_t m_readingsDone = 0;
};

} // namespace orv
