#include "engine/runners/SpectralSpatialScan.h"

#include "analyzers/CSAConnection.h"
#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "engine/runners/FrequencyCount.h"
#include "engine/runners/ScanGrid.h"
#include "platform/clock/Clock.h"

namespace orv {

SpectralSpatialScan::SpectralSpatialScan(const CEngineContext& context) : SpectralScan(context) {}

std::span<const uint8_t> SpectralSpatialScan::BuildResultPacket() {
    WriteSpectralSpatialHead(m_level, m_row, m_column, m_component,
                             static_cast<uint32_t>(CellValues().size()), CellHead());
    return CellResultFrame();
}

bool SpectralSpatialScan::ReadComponent(CDeviceManager& devices, const ScanGrid& grid, int32_t row,
                                        int32_t column, uint16_t component, uint16_t componentCount) {
    const uint32_t cell = grid.Index(row, column);
    if (StopTest()) {
        return true;
    }
    CSAConnection* connection = devices.GetConnection();
    const bool timed = connection != nullptr && connection->IsTimingEnabled();
    if (timed) {
        connection->SetReadingStart(ClockNow());
    }
    const int16_t height = grid.Height(cell);
    if (!devices.MeasureCellTrace(static_cast<int16_t>(row), static_cast<int16_t>(column), height, component,
                                  componentCount, false) ||
        !HasWholeTrace(devices)) {
        return EndsOnReadFailure(kReadFailureText);
    }
    m_row = static_cast<uint16_t>(row);
    m_column = static_cast<uint16_t>(column);
    m_component = component;
    TakeTrace(devices, m_row, m_column, height, m_readingsDone == 0);
    ++m_readingsDone;
    if (componentCount == 1) {
        m_progress = ScanProgressRecord{m_row,
                                        m_column,
                                        1,
                                        1,
                                        1,
                                        0,
                                        static_cast<uint16_t>(grid.ActiveCount()),
                                        static_cast<uint16_t>(m_readingsDone)};
        SendProgressAndResult(m_progress);
    } else {
        SendResultPacket();
    }
    if (timed) {
        const auto elapsed = ClockNow() - connection->GetReadingStart();
        connection->SetReadingMilliseconds(std::chrono::duration<double, std::milli>(elapsed).count());
    }
    return false;
}

void SpectralSpatialScan::RunScanStart() {
    CDeviceManager* devices = Devices();
    SetupScan* setup = Context().setup;
    if (devices == nullptr || setup == nullptr) {
        SetStatus(kStatusFailed);
        return;
    }
    devices->ApplyProbeHeight();
    m_level = setup->GetScanBytes()[3];
    const auto components = static_cast<uint16_t>(GetFrequencyCount(static_cast<int8_t>(m_level + 1)));
    if (!setup->SetupSpectralScan()) {
        SetStatus(kStatusFailed);
        return;
    }
    ResetPoints(setup->GetNumberOfFrequencyBuckets());
    m_keepsMaximum = setup->GetMeasurePeaks() != 0;
    const ScanGrid grid(*setup);
    const CScanner* scanner = devices->GetScanner();
    const bool componentsFirst = scanner != nullptr && scanner->GetProbeType() == eProbeType::ExternalAdapter;

    const auto forEachActiveCell = [&](auto&& visit) {
        for (int32_t row = 0; row < grid.Rows(); ++row) {
            for (int32_t column = 0; column < grid.Columns(); ++column) {
                if (grid.IsActive(grid.Index(row, column)) && visit(row, column)) {
                    return true;
                }
            }
        }
        return false;
    };
    bool ended = false;
    if (componentsFirst) {
        for (uint16_t k = 0; k < components && !ended; ++k) {
            ended = forEachActiveCell([&](int32_t row, int32_t column) {
                return ReadComponent(*devices, grid, row, column, k, components);
            });
        }
    } else {
        ended = forEachActiveCell([&](int32_t row, int32_t column) {
            for (uint16_t k = 0; k < components; ++k) {
                if (ReadComponent(*devices, grid, row, column, k, components)) {
                    return true;
                }
            }
            return false;
        });
    }
    if (ended) {
        return;
    }
    if (setup->GetMeasurePeaks() != 0 && MeasurePeaks(kReadFailureText)) {
        return;
    }
    RunExtraHook();
}

} // namespace orv
