#include "engine/SetupScan.h"

#include "engine/CDeviceManager.h"

#include "engine/ScanStopFlag.h"

namespace orv {

SetupScan::SetupScan() = default;
SetupScan::~SetupScan() = default;

CDeviceManager* SetupScan::CreateDeviceManager() {
    if (m_deviceManager == nullptr) {
        m_deviceManager = std::make_unique<CDeviceManager>();
        m_deviceManager->SetScanSetup(this);
        const std::lock_guard guard(m_lock);
        m_deviceManager->SetAcquisitionSources(this, m_stopFlag);
    }
    return m_deviceManager.get();
}

bool SetupScan::ConnectAnalyzer() {
    if (m_deviceManager == nullptr) {
        return false;
    }
    if (!m_deviceManager->ConnectVisa() && !m_deviceManager->ConnectBB60() &&
        !m_deviceManager->ConnectTekRSA()) {
        return false;
    }
    SetAnalyzerConnection(m_deviceManager->GetConnection());
    return true;
}

bool SetupScan::ReleaseAnalyzer() {
    if (m_deviceManager == nullptr) {
        return false;
    }
    const auto devices = m_deviceManager->LockDevices();
    if (!m_deviceManager->ReleaseAnalyzer()) {
        return false;
    }
    SetAnalyzer(nullptr);
    SetAnalyzerConnection(nullptr);
    return true;
}

bool SetupScan::ConnectScanner(eProbeType type, std::stop_token stop) {
    if (m_deviceManager == nullptr) {
        return false;
    }
    const bool connected = m_deviceManager->ConnectScanner(type, std::move(stop));
    SetScanner(m_deviceManager->GetScanner());
    return connected;
}

std::vector<uint8_t> SetupScan::GetActiveCells() const {
    const std::shared_ptr<const std::vector<uint8_t>> map = GetProbeCellMap();
    return map ? *map : std::vector<uint8_t>{};
}

std::stop_token SetupScan::GetScanStopToken() const {
    const ScanStopFlag* stopFlag = nullptr;
    {
        const std::lock_guard guard(m_lock);
        stopFlag = m_stopFlag;
    }
    return stopFlag != nullptr ? stopFlag->GetStopToken() : std::stop_token{};
}

void SetupScan::SetStopFlag(const ScanStopFlag* stopFlag) {
    const std::lock_guard guard(m_lock);
    m_stopFlag = stopFlag;
    if (m_deviceManager != nullptr) {
        m_deviceManager->SetAcquisitionSources(this, stopFlag);
    }
}

SetupScanValues SetupScan::GetValues() const {
    const std::lock_guard guard(m_lock);
    return m_values;
}

void SetupScan::ApplySetup(const SetupScanValues& values) {
    const std::lock_guard guard(m_lock);
    const uint8_t goMode = m_values.goMode;
    const int32_t modelCode = m_values.analyzerModelCode;
    const float frequencyStep = m_values.frequencyStep;
    m_values = values;
    m_values.goMode = goMode;
    m_values.analyzerModelCode = modelCode;
    m_values.frequencyStep = frequencyStep;
}

CScanner* SetupScan::GetScanner() const {
    const std::lock_guard guard(m_lock);
    return m_scanner;
}

void SetupScan::SetScanner(CScanner* scanner) {
    const std::lock_guard guard(m_lock);
    m_scanner = scanner;
}

CSpectrumAnalyzer* SetupScan::GetAnalyzer() const {
    const std::lock_guard guard(m_lock);
    return m_analyzer;
}

void SetupScan::SetAnalyzer(CSpectrumAnalyzer* analyzer) {
    const std::lock_guard guard(m_lock);
    m_analyzer = analyzer;
}

CSAConnection* SetupScan::GetAnalyzerConnection() const {
    const std::lock_guard guard(m_lock);
    return m_analyzerConnection;
}

void SetupScan::SetAnalyzerConnection(CSAConnection* connection) {
    const std::lock_guard guard(m_lock);
    m_analyzerConnection = connection;
}

std::shared_ptr<const std::vector<uint8_t>> SetupScan::GetProbeCellMap() const {
    return Get(&SetupScanValues::probeCellMap);
}

void SetupScan::SetProbeCellMap(const uint8_t* bytes, uint32_t count) {
    auto map = std::make_shared<const std::vector<uint8_t>>(bytes, bytes + (bytes == nullptr ? 0 : count));
    Set(&SetupScanValues::probeCellMap, std::shared_ptr<const std::vector<uint8_t>>(std::move(map)));
}

std::shared_ptr<const std::vector<uint16_t>> SetupScan::GetCellValues() const {
    return Get(&SetupScanValues::cellValues);
}

void SetupScan::SetCellValues(const uint16_t* values, uint32_t count) {
    auto array =
        std::make_shared<const std::vector<uint16_t>>(values, values + (values == nullptr ? 0 : count));
    Set(&SetupScanValues::cellValues, std::shared_ptr<const std::vector<uint16_t>>(std::move(array)));
}

uint32_t SetupScan::GetCellCount() const {
    const std::lock_guard guard(m_lock);
    return m_values.probeCellMap ? static_cast<uint32_t>(m_values.probeCellMap->size()) : 0;
}

std::array<uint8_t, 4> SetupScan::GetScanBytes() const {
    return Get(&SetupScanValues::scanBytes);
}

void SetupScan::SetScanBytes(const std::array<uint8_t, 4>& value) {
    Set(&SetupScanValues::scanBytes, value);
}

uint16_t SetupScan::GetScanType() const {
    return Get(&SetupScanValues::scanType);
}

void SetupScan::SetScanType(uint16_t value) {
    Set(&SetupScanValues::scanType, value);
}

int16_t SetupScan::GetRows() const {
    return Get(&SetupScanValues::rows);
}

void SetupScan::SetRows(int16_t value) {
    Set(&SetupScanValues::rows, value);
}

int16_t SetupScan::GetColumns() const {
    return Get(&SetupScanValues::columns);
}

void SetupScan::SetColumns(int16_t value) {
    Set(&SetupScanValues::columns, value);
}

float SetupScan::GetDefaultProbeHeight() const {
    return Get(&SetupScanValues::defaultProbeHeight);
}

void SetupScan::SetDefaultProbeHeight(float value) {
    Set(&SetupScanValues::defaultProbeHeight, value);
}

uint8_t SetupScan::GetScanOption() const {
    return Get(&SetupScanValues::scanOption);
}

void SetupScan::SetScanOption(uint8_t value) {
    Set(&SetupScanValues::scanOption, value);
}

float SetupScan::GetRBW() const {
    return Get(&SetupScanValues::rbw);
}

void SetupScan::SetRBW(float value) {
    Set(&SetupScanValues::rbw, value);
}

float SetupScan::GetCenterFrequency() const {
    return Get(&SetupScanValues::centerFrequency);
}

void SetupScan::SetCenterFrequency(float value) {
    Set(&SetupScanValues::centerFrequency, value);
}

float SetupScan::GetSpan() const {
    return Get(&SetupScanValues::span);
}

void SetupScan::SetSpan(float value) {
    Set(&SetupScanValues::span, value);
}

float SetupScan::GetStartFrequency() const {
    return Get(&SetupScanValues::startFrequency);
}

void SetupScan::SetStartFrequency(float value) {
    Set(&SetupScanValues::startFrequency, value);
}

float SetupScan::GetStopFrequency() const {
    return Get(&SetupScanValues::stopFrequency);
}

void SetupScan::SetStopFrequency(float value) {
    Set(&SetupScanValues::stopFrequency, value);
}

uint32_t SetupScan::GetSamplesPerCell() const {
    return Get(&SetupScanValues::samplesPerCell);
}

void SetupScan::SetSamplesPerCell(uint32_t value) {
    Set(&SetupScanValues::samplesPerCell, value);
}

uint32_t SetupScan::GetSettlingTime() const {
    return Get(&SetupScanValues::settlingTime);
}

void SetupScan::SetSettlingTime(uint32_t value) {
    Set(&SetupScanValues::settlingTime, value);
}

uint32_t SetupScan::GetNumberOfFrequencyBuckets() const {
    return Get(&SetupScanValues::numberOfFrequencyBuckets);
}

void SetupScan::SetNumberOfFrequencyBuckets(uint32_t value) {
    Set(&SetupScanValues::numberOfFrequencyBuckets, value);
}

uint32_t SetupScan::GetSweepTime() const {
    return Get(&SetupScanValues::sweepTime);
}

void SetupScan::SetSweepTime(uint32_t value) {
    Set(&SetupScanValues::sweepTime, value);
}

float SetupScan::GetReferenceLevel() const {
    return Get(&SetupScanValues::referenceLevel);
}

void SetupScan::SetReferenceLevel(float value) {
    Set(&SetupScanValues::referenceLevel, value);
}

uint8_t SetupScan::GetMeasurePeaks() const {
    return Get(&SetupScanValues::measurePeaks);
}

void SetupScan::SetMeasurePeaks(uint8_t value) {
    Set(&SetupScanValues::measurePeaks, value);
}

uint8_t SetupScan::GetUseManualSweepTime() const {
    return Get(&SetupScanValues::useManualSweepTime);
}

void SetupScan::SetUseManualSweepTime(uint8_t value) {
    Set(&SetupScanValues::useManualSweepTime, value);
}

uint8_t SetupScan::GetSynchronizeScan() const {
    return Get(&SetupScanValues::synchronizeScan);
}

void SetupScan::SetSynchronizeScan(uint8_t value) {
    Set(&SetupScanValues::synchronizeScan, value);
}

uint32_t SetupScan::GetSlope() const {
    return Get(&SetupScanValues::slope);
}

void SetupScan::SetSlope(uint32_t value) {
    Set(&SetupScanValues::slope, value);
}

uint32_t SetupScan::GetOffset() const {
    return Get(&SetupScanValues::offset);
}

void SetupScan::SetOffset(uint32_t value) {
    Set(&SetupScanValues::offset, value);
}

uint32_t SetupScan::GetFailureCode() const {
    return Get(&SetupScanValues::failureCode);
}

void SetupScan::SetFailureCode(int32_t value) const {
    const std::lock_guard guard(m_lock);
    m_values.failureCode = static_cast<uint32_t>(value);
}

float SetupScan::GetPeakScan() const {
    return Get(&SetupScanValues::peakScan);
}

void SetupScan::SetPeakScan(float value) {
    Set(&SetupScanValues::peakScan, value);
}

float SetupScan::GetPeakError() const {
    return Get(&SetupScanValues::peakError);
}

void SetupScan::SetPeakError(float value) {
    Set(&SetupScanValues::peakError, value);
}

int16_t SetupScan::GetPeakPoints() const {
    return Get(&SetupScanValues::peakPoints);
}

void SetupScan::SetPeakPoints(int16_t value) {
    Set(&SetupScanValues::peakPoints, value);
}

int16_t SetupScan::GetPeakDevs() const {
    return Get(&SetupScanValues::peakDevs);
}

void SetupScan::SetPeakDevs(int16_t value) {
    Set(&SetupScanValues::peakDevs, value);
}

uint8_t SetupScan::GetGoMode() const {
    return Get(&SetupScanValues::goMode);
}

void SetupScan::SetGoMode(uint8_t value) {
    Set(&SetupScanValues::goMode, value);
}

uint8_t SetupScan::GetInternalPreAmp() const {
    return Get(&SetupScanValues::internalPreAmp);
}

void SetupScan::SetInternalPreAmp(uint8_t value) {
    Set(&SetupScanValues::internalPreAmp, value);
}

uint8_t SetupScan::GetTrackingGeneration() const {
    return Get(&SetupScanValues::trackingGeneration);
}

void SetupScan::SetTrackingGeneration(uint8_t value) {
    Set(&SetupScanValues::trackingGeneration, value);
}

int32_t SetupScan::GetInternalPreAmpValue() const {
    return Get(&SetupScanValues::internalPreAmpValue);
}

void SetupScan::SetInternalPreAmpValue(int32_t value) {
    Set(&SetupScanValues::internalPreAmpValue, value);
}

uint8_t SetupScan::GetAnalyzerFlag() const {
    return Get(&SetupScanValues::analyzerFlag);
}

void SetupScan::SetAnalyzerFlag(uint8_t value) {
    Set(&SetupScanValues::analyzerFlag, value);
}

uint8_t SetupScan::GetScanFlag() const {
    return Get(&SetupScanValues::scanFlag);
}

void SetupScan::SetScanFlag(uint8_t value) {
    Set(&SetupScanValues::scanFlag, value);
}

int32_t SetupScan::GetAnalyzerModelCode() const {
    return Get(&SetupScanValues::analyzerModelCode);
}

void SetupScan::SetAnalyzerModelCode(int32_t value) {
    Set(&SetupScanValues::analyzerModelCode, value);
}

float SetupScan::GetFrequencyStep() const {
    return Get(&SetupScanValues::frequencyStep);
}

void SetupScan::SetFrequencyStep(float value) {
    Set(&SetupScanValues::frequencyStep, value);
}

} // namespace orv
