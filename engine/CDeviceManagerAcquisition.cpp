// The device manager's measurement primitives, shared by the scan runners.

#include "engine/CDeviceManager.h"

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CSecondPassSource.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace orv {

namespace {

int16_t ClampToInt16(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const float truncated = std::trunc(value);
    return static_cast<int16_t>(std::clamp(truncated, -32768.0F, 32767.0F));
}

} // namespace

void CDeviceManager::SetAcquisitionSources(const SetupScan* setup, const ScanStopFlag* stopFlag) {
    m_acquisitionSetup.store(setup);
    m_stopFlag.store(stopFlag);
}

void CDeviceManager::SetSecondPassSource(std::shared_ptr<const CSecondPassSource> source) {
    const std::lock_guard guard(m_deviceLock);
    m_secondPass = std::move(source);
}

uint8_t CDeviceManager::GetSwitchModeValue() const {
    const std::lock_guard guard(m_deviceLock);
    if (m_secondPass == nullptr) {
        return 0;
    }
    return m_secondPass->GetSecondPassFlag() && m_secondPass->GetSecondPassValue() == 1 ? 1 : 0;
}

bool CDeviceManager::IsStopRequested() const {
    const ScanStopFlag* stopFlag = m_stopFlag.load();
    return stopFlag != nullptr && stopFlag->GetStopRequest() != 0;
}

bool CDeviceManager::StoreResult(const float* values, int32_t count) {
    const std::lock_guard guard(m_deviceLock);
    if (m_analyzer == nullptr || !m_analyzer->IsQueryValid()) {
        return false;
    }
    // A count the buffer cannot hold is a read that went wrong, not a trace to cut short.
    if (count < 0 || static_cast<size_t>(count) > m_traceBuffer.size() || (values == nullptr && count > 0)) {
        return false;
    }
    if (count > 0) {
        std::memcpy(m_traceBuffer.data(), values, static_cast<size_t>(count) * sizeof(float));
    }
    m_traceLength = static_cast<uint32_t>(count);
    return true;
}

void CDeviceManager::ApplyProbeHeight() {
    const std::lock_guard guard(m_deviceLock);
    const SetupScan* setup = m_acquisitionSetup.load();
    if (m_scanner == nullptr || setup == nullptr) {
        return;
    }
    int16_t height = ClampToInt16(setup->GetDefaultProbeHeight());
    const int32_t rows = setup->GetRows();
    const int32_t columns = setup->GetColumns();
    const auto map = setup->GetProbeCellMap();
    const auto values = setup->GetCellValues();
    if (rows > 0 && columns > 0 && map != nullptr && values != nullptr) {
        const size_t cells =
            std::min({static_cast<size_t>(rows) * static_cast<size_t>(columns), map->size(), values->size()});
        for (size_t cell = 0; cell < cells; ++cell) {
            // The heights travel as 16-bit words; the grid compares them signed.
            const auto cellHeight = static_cast<int16_t>((*values)[cell]);
            if ((*map)[cell] != 0 && cellHeight > height) {
                height = cellHeight;
            }
        }
    }
    m_scanner->SetProbeHeight(static_cast<uint16_t>(height));
}

bool CDeviceManager::PlaceProbe(int16_t row, int16_t column, int16_t height) {
    if (m_scanner == nullptr) {
        SetScannerReady(0);
        return false;
    }
    m_scanner->SetCell(row, column);
    m_scanner->SetCellHeight(static_cast<float>(height));
    return true;
}

bool CDeviceManager::BeginPeakMeasurement(int16_t row, int16_t column, int16_t height) {
    SetScannerReady(1);
    SetAnalyzerReady(1);
    SetReadOk(1);
    if (row < 0 || column < 0) {
        return true;
    }
    if (!PlaceProbe(row, column, height)) {
        return false;
    }
    ApplyProbeHeight();
    if (!m_scanner->SwitchToCell()) {
        SetScannerReady(0);
        return false;
    }
    return true;
}

bool CDeviceManager::StoreAnalyzerTrace() {
    const float* trace = m_analyzer->QueryScan();
    return StoreResult(trace, m_analyzer->GetSweepPointCount());
}

bool CDeviceManager::MeasureCellTrace(int16_t row, int16_t column, int16_t height, uint16_t stepWordA,
                                      uint16_t stepWordB, bool noSwitch) {
    const std::lock_guard guard(m_deviceLock);
    SetScannerReady(1);
    SetAnalyzerReady(1);
    SetReadOk(1);
    if (row >= 0 && column >= 0) {
        if (!PlaceProbe(row, column, height)) {
            return false;
        }
        m_scanner->SetStepWords(stepWordA, stepWordB);
        m_scanner->SetSwitchMode(GetSwitchModeValue());
        if (!noSwitch && !m_scanner->SwitchToCell()) {
            SetScannerReady(0);
            return false;
        }
    }
    if (m_analyzer == nullptr || !m_analyzer->SweepAndWait()) {
        SetAnalyzerReady(0);
        return false;
    }
    const float* trace = m_analyzer->QueryScan();
    if (trace == nullptr) {
        // No data: the runner skips the cell; the flags say nothing failed.
        return false;
    }
    if (!StoreResult(trace, m_analyzer->GetSweepPointCount())) {
        SetReadOk(0);
        return false;
    }
    return GetScannerReady() == 1 && GetAnalyzerReady() == 1 && GetReadOk() == 1;
}

bool CDeviceManager::MeasureCellPeak(int16_t row, int16_t column, int16_t height, float frequency,
                                     float step) {
    const std::lock_guard guard(m_deviceLock);
    if (!BeginPeakMeasurement(row, column, height)) {
        return false;
    }
    if (IsStopRequested()) {
        return true;
    }
    if (RefinePeak(frequency, 10.0F * step, frequency, step)) {
        if (IsStopRequested()) {
            return true;
        }
        if (RefinePeak(m_measuredFrequency, 5.0F * step, frequency, step)) {
            return true;
        }
    }
    return GetScannerReady() == 1 && GetAnalyzerReady() == 1 && GetReadOk() == 1;
}

bool CDeviceManager::RefinePeak(float centre, float width, float reference, float step) {
    const std::lock_guard guard(m_deviceLock);
    const SetupScan* setup = m_acquisitionSetup.load();
    const float span = setup != nullptr ? setup->GetSpan() : 0.0F;
    const float peakError = setup != nullptr ? setup->GetPeakError() : 0.0F;
    const float tolerance = span * peakError;
    if (std::fabs(centre - reference) > tolerance) {
        m_measuredFrequency = centre;
        return true;
    }
    float lower = centre - width / 2.0F;
    float upper = centre + width / 2.0F;
    bool moved = false;
    if (setup != nullptr) {
        const float start = setup->GetStartFrequency();
        const float stop = setup->GetStopFrequency();
        if (start > lower) {
            lower = start;
            moved = true;
        }
        if (upper > stop) {
            upper = stop;
            moved = true;
        }
    }
    if (moved) {
        return MeasurePeakWindow(-1, -1, 0, (lower + upper) / 2.0F, upper - lower, false, step);
    }
    return MeasurePeakWindow(-1, -1, 0, centre, width, false, step);
}

bool CDeviceManager::MeasurePeakWindow(int16_t row, int16_t column, int16_t height, float centre, float width,
                                       bool secondMarker, float step) {
    const std::lock_guard guard(m_deviceLock);
    if (!BeginPeakMeasurement(row, column, height)) {
        return false;
    }
    if (m_analyzer == nullptr) {
        SetAnalyzerReady(0);
        return false;
    }
    // A zero or non-finite step would ask for an unbounded point count; refuse it before any
    // setting reaches the analyser.
    const double points = std::floor(static_cast<double>(width) / step + 0.5);
    if (!(step > 0.0F) || !std::isfinite(points) || points < 1.0 ||
        points > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        SetAnalyzerReady(0);
        return false;
    }
    if (!m_analyzer->SetSpan(width) || !m_analyzer->SetSweepPoints(static_cast<int32_t>(points)) ||
        !m_analyzer->SetCenterFrequency(centre) || !m_analyzer->SweepAndWait()) {
        SetAnalyzerReady(0);
        return false;
    }
    if (!StoreAnalyzerTrace()) {
        SetReadOk(0);
        return false;
    }
    if (!m_analyzer->MarkPeak()) {
        SetAnalyzerReady(0);
        return false;
    }
    if (!secondMarker) {
        m_measuredFrequency = m_analyzer->ReadMarkerFrequency(0);
        if (!m_analyzer->IsQueryValid()) {
            SetReadOk(0);
            return false;
        }
        return true;
    }
    if (!m_analyzer->SetMarkerCount(true) || !m_analyzer->SweepAndWait()) {
        SetAnalyzerReady(0);
        return false;
    }
    m_measuredFrequency = m_analyzer->ReadMarkerFrequency(1);
    if (!m_analyzer->IsQueryValid() || !StoreAnalyzerTrace()) {
        SetReadOk(0);
        return false;
    }
    if (!m_analyzer->SetMarkerCount(false)) {
        SetAnalyzerReady(0);
        return false;
    }
    return true;
}

void CDeviceManager::RestoreAnalyzerAfterSpatialScan() {
    const std::lock_guard guard(m_deviceLock);
    if (m_analyzer == nullptr) {
        return;
    }
    m_analyzer->SetInternalTriger(1);
    m_analyzer->PresetModel();
}

bool CDeviceManager::ReconnectScanner() {
    const std::lock_guard guard(m_deviceLock);
    // A reconnect reopens the link, which the outside arm operations must not use meanwhile.
    const std::unique_lock swap(m_scannerSwapLock);
    return m_scanner != nullptr && m_scanner->Reconnect();
}

} // namespace orv
