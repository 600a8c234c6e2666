// The spatial acquisition dispatcher and the routines that take one sweep per cell, or the whole
// grid in one sweep inline.

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/PatternBitmap.h"
#include "engine/RunScan.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/SpatialDispatchTable.h"
#include "engine/runners/ScanGrid.h"
#include "engine/scanners/CScanner.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace orv {

namespace {
constexpr float kProgressStepRbw = 0.00031F;
} // namespace

void CDeviceManager::Pause(std::chrono::milliseconds duration) const {
    const SetupScan* setup = m_acquisitionSetup.load();
    ClockSleep(duration, setup != nullptr ? setup->GetScanStopToken() : std::stop_token{});
}

void CDeviceManager::Progress(RunScan* runner, uint32_t total, uint32_t done) {
    if (runner != nullptr) {
        runner->ReportProgress(total, done);
    }
}

const float* CDeviceManager::ReadTraceHolding(uint64_t needed) {
    const float* trace = m_analyzer->QueryScan();
    if (trace == nullptr || !m_analyzer->IsQueryValid() || m_analyzer->GetSweepPointCount() < 0 ||
        static_cast<uint64_t>(m_analyzer->GetSweepPointCount()) < needed) {
        SetReadOk(0);
        return nullptr;
    }
    return trace;
}

bool CDeviceManager::FinishCells() {
    if (m_analyzer->IsQueryValid()) {
        StoreResult(m_cells.data(), static_cast<int32_t>(m_cells.size()));
    }
    return true;
}

bool CDeviceManager::TriggerSweep() {
    if (!m_analyzer->TriggeredSweep()) {
        SetAnalyzerReady(0);
        return false;
    }
    return true;
}

bool CDeviceManager::AcquireSpatialScanData(RunScan* runner, uint16_t frequencyIndex,
                                            uint16_t frequencyCount) {
    auto lock = LockDevices();
    SetScannerReady(1);
    SetAnalyzerReady(1);
    SetReadOk(1);
    if (m_analyzer == nullptr) {
        SetAnalyzerReady(0);
        return false;
    }
    if (m_scanner != nullptr) {
        m_scanner->SetStepWords(frequencyIndex, frequencyCount);
        m_scanner->SetSwitchMode(GetSwitchModeValue());
    }
    const std::string mode = m_analyzer->GetSweepMode();
    const SetupScan* setup = m_acquisitionSetup.load();
    const float rbw = setup != nullptr ? setup->GetRBW() : 0.0F;
    const SpatialDispatch dispatch = ChooseSpatialRoutine(
        mode, GetModelCode(), [this] { return m_analyzer->IsNarrowRbw(); }, rbw);
    // Each routine holds the devices for as long as it needs them, and no longer: the by-probes
    // routine lets them go between cells.
    lock.unlock();

    bool done = false;
    switch (dispatch.routine) {
    case SpatialRoutine::MultipleGated:
        done = ScanMultipleGatedSweep(runner, frequencyIndex, frequencyCount);
        break;
    case SpatialRoutine::ByProbes:
        done = GetSpatialScanDataByProbes(runner, frequencyIndex, frequencyCount);
        break;
    case SpatialRoutine::GatedVideo:
        done = ScanGatedVideo(frequencyIndex, frequencyCount);
        break;
    case SpatialRoutine::ProbeGroupsFast:
        done = ScanProbeGroupsFast(frequencyIndex, frequencyCount);
        break;
    case SpatialRoutine::ProbeGroupsPaced:
        done = ScanProbeGroupsPaced();
        break;
    case SpatialRoutine::ContinuousChunk:
        done = ScanCellChunksContinuous(runner);
        break;
    case SpatialRoutine::RetriggeredChunk:
        done = ScanCellChunksRetriggered(runner);
        break;
    case SpatialRoutine::SettledChunk:
        done = ScanCellChunksSettled(runner);
        break;
    case SpatialRoutine::OffsetChunk:
        done = ScanCellChunksOffset(runner);
        break;
    case SpatialRoutine::OneSweep:
        done = ScanAllCellsOneSweep();
        break;
    case SpatialRoutine::EverySecondPoint:
        done = ScanAllCellsEverySecondPoint();
        break;
    case SpatialRoutine::TwoHalves:
        done = ScanTwoHalves(runner);
        break;
    case SpatialRoutine::Marker:
        done = ScanCellsByMarker(runner);
        break;
    case SpatialRoutine::InlineAllCells:
        done = ScanAllCellsInline();
        break;
    case SpatialRoutine::NoMeasurement:
        done = false;
        break;
    case SpatialRoutine::AbandonFrame:
        // Nothing was measured for this frequency: no packet may carry the last frame's values as
        // this one's.
        SetFrameAbandoned(1);
        done = true;
        break;
    }
    if (done && dispatch.thenByProbes) {
        done = GetSpatialScanDataByProbes(runner, frequencyIndex, frequencyCount);
    }
    if (done) {
        return true;
    }
    return GetScannerReady() == 1 && GetAnalyzerReady() == 1 && GetReadOk() == 1;
}

bool CDeviceManager::MeasureCellGatedVideo(int16_t row, int16_t column, int16_t height,
                                           uint16_t frequencyIndex, uint16_t frequencyCount) {
    const auto lock = LockDevices();
    SetScannerReady(1);
    SetAnalyzerReady(1);
    SetReadOk(1);
    if (m_analyzer == nullptr) {
        SetAnalyzerReady(0);
        return false;
    }
    const SetupScan* setup = m_acquisitionSetup.load();
    const float rbw = setup != nullptr ? setup->GetRBW() : 0.0F;
    if (row >= 0 && column >= 0) {
        if (!PlaceProbe(row, column, height)) {
            return false;
        }
        m_scanner->SetStepWords(frequencyIndex, frequencyCount);
        m_scanner->SetSwitchMode(GetSwitchModeValue());
        if (!m_scanner->SwitchToCellTimed(m_analyzer->GetRbwTimingA(rbw))) {
            SetScannerReady(0);
            return false;
        }
    }
    Pause(std::chrono::milliseconds(std::max(m_analyzer->GetRbwTimingB(rbw), 0)));
    if (!StoreAnalyzerTrace()) {
        SetReadOk(0);
        return false;
    }
    return GetScannerReady() == 1 && GetAnalyzerReady() == 1 && GetReadOk() == 1;
}

bool CDeviceManager::ScanGatedVideo(uint16_t frequencyIndex, uint16_t frequencyCount) {
    const auto lock = LockDevices();
    const SetupScan* setup = SetupForSpatialRoutine();
    if (setup == nullptr) {
        return false;
    }
    ApplyProbeHeight();
    const ScanGrid grid(*setup);
    m_cells.assign(grid.CellCount(), 0.0F);
    for (int32_t row = 0; row < grid.Rows(); ++row) {
        for (int32_t column = 0; column < grid.Columns() && !IsStopRequested(); ++column) {
            const uint32_t cell = grid.Index(row, column);
            if (!grid.IsActive(cell)) {
                continue;
            }
            if (!MeasureCellGatedVideo(static_cast<int16_t>(row), static_cast<int16_t>(column),
                                       grid.Height(cell), frequencyIndex, frequencyCount) ||
                m_traceLength == 0) {
                // An empty trace has no mean.
                SetReadOk(0);
                return false;
            }
            double sum = 0.0;
            for (uint32_t i = 0; i < m_traceLength; ++i) {
                sum += m_traceBuffer[i];
            }
            m_cells[cell] = static_cast<float>(sum / m_traceLength);
        }
    }
    return FinishCells();
}

bool CDeviceManager::ScanCellsByMarker(RunScan* runner) {
    const auto lock = LockDevices();
    const SetupScan* setup = SetupForSpatialRoutine(true);
    if (setup == nullptr) {
        return false;
    }
    const ScanGrid grid(*setup);
    const uint32_t active = std::max<uint32_t>(grid.ActiveCount(), 1);
    m_cells.assign(grid.CellCount(), 0.0F);
    Progress(runner, active, 0);
    uint32_t done = 0;
    for (int32_t row = 0; row < grid.Rows(); ++row) {
        for (int32_t column = 0; column < grid.Columns() && !IsStopRequested(); ++column) {
            const uint32_t cell = grid.Index(row, column);
            if (!grid.IsActive(cell)) {
                continue;
            }
            SetScannerReady(1);
            SetAnalyzerReady(1);
            SetReadOk(1);
            PlaceProbe(static_cast<int16_t>(row), static_cast<int16_t>(column), grid.Height(cell));
            if (!m_scanner->SwitchToCell()) {
                SetScannerReady(0);
                SetReadOk(0);
                return false;
            }
            if (!m_analyzer->SweepAndWait()) {
                SetAnalyzerReady(0);
            }
            m_cells[cell] = m_analyzer->ReadPeakAmplitude();
            if (!m_analyzer->IsQueryValid() || GetScannerReady() == 0 || GetAnalyzerReady() == 0 ||
                GetReadOk() == 0) {
                SetReadOk(0);
                return false;
            }
            Progress(runner, active, ++done);
        }
    }
    return FinishCells();
}

bool CDeviceManager::GetSpatialScanDataByProbes(RunScan* runner, uint16_t frequencyIndex,
                                                uint16_t frequencyCount) {
    AddInformationMessage(1, "Using spatial scan by probes");
    std::optional<ScanGrid> grid;
    uint32_t step = 1;
    {
        const auto lock = LockDevices();
        const SetupScan* setup = SetupForSpatialRoutine(true);
        if (setup == nullptr) {
            return false;
        }
        ApplyProbeHeight();
        grid.emplace(*setup);
        const uint32_t active = grid->ActiveCount();
        step = active > 19 && setup->GetRBW() > kProgressStepRbw ? active / 20 : 1;
        m_cells.assign(grid->CellCount(), 0.0F);
    }
    const uint32_t active = grid->ActiveCount();
    // The progress goes between cells, with the devices free: a client slow to read holds up only
    // this thread.
    const auto progress = [runner](uint32_t total, uint32_t done) {
        Progress(runner, total, done);
        if (runner != nullptr) {
            runner->FlushProgress();
        }
    };
    progress(std::max<uint32_t>(active, 1), 0);
    uint32_t done = 0;
    for (int32_t row = 0; row < grid->Rows(); ++row) {
        for (int32_t column = 0; column < grid->Columns() && !IsStopRequested(); ++column) {
            const uint32_t cell = grid->Index(row, column);
            if (!grid->IsActive(cell)) {
                continue;
            }
            bool measured = false;
            {
                // One cell's device work.
                const auto lock = LockDevices();
                if (m_scanner == nullptr || m_analyzer == nullptr) {
                    // Replaced between cells (only while no scan runs).
                    if (m_scanner == nullptr) {
                        SetScannerReady(0);
                    } else {
                        SetAnalyzerReady(0);
                    }
                    return false;
                }
                PlaceProbe(static_cast<int16_t>(row), static_cast<int16_t>(column), grid->Height(cell));
                m_scanner->SetStepWords(frequencyIndex, frequencyCount);
                m_scanner->SetSwitchMode(GetSwitchModeValue());
                if (!m_scanner->SwitchToCell()) {
                    SetReadOk(0);
                    SetScannerReady(0);
                    return false;
                }
                m_analyzer->SweepAndWait();
                const float* trace = m_analyzer->QueryScan();
                if (trace != nullptr) {
                    float highest = -10000.0F;
                    for (int32_t i = 0; i < m_analyzer->GetSweepPointCount(); ++i) {
                        highest = std::max(highest, trace[i]);
                    }
                    m_cells[cell] = highest;
                    measured = true;
                }
            }
            if (measured && ++done % step == 0) {
                progress(active, done);
            }
        }
    }
    const auto lock = LockDevices();
    if (m_analyzer == nullptr) {
        SetAnalyzerReady(0);
        return false;
    }
    // A failed last read would otherwise leave the previous frame's values as this frame's.
    if (!m_analyzer->IsQueryValid()) {
        SetReadOk(0);
        m_analyzer->ExtraHook();
        return false;
    }
    StoreResult(m_cells.data(), static_cast<int32_t>(m_cells.size()));
    m_analyzer->ExtraHook();
    return true;
}

} // namespace orv
