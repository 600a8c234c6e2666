#include "analyzers/drivers/signalhound/CSpectrumAnalyzerBB60.h"

#include "analyzers/CBB60Connection.h"
#include "analyzers/drivers/DeviceLibraryTrace.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/PromptDeferral.h"

#include <algorithm>

namespace orv {

namespace {

void Log(const std::string& text) {
    AddInformationMessage(1, text);
}

} // namespace

CSpectrumAnalyzerBB60::CSpectrumAnalyzerBB60() {
    m_lowestFrequency = 0.009;
    m_highestFrequency = 6000.0;
    m_sweepPoints = -1;
}

bool CSpectrumAnalyzerBB60::FindVisaConnection(CSAConnection* connection, int32_t driverID) {
    const bool found = CSpectrumAnalyzer::FindVisaConnection(connection, driverID);
    m_library = m_bb60Connection != nullptr ? m_bb60Connection->GetLibrary() : nullptr;
    MarkChanged();
    return found;
}

std::string CSpectrumAnalyzerBB60::QueryIdentity() {
    m_lastReply = m_bb60Connection != nullptr ? m_bb60Connection->QueryIdentity() : std::string();
    return m_lastReply;
}

bool CSpectrumAnalyzerBB60::OpenConnection(const std::string& /*text*/) {
    Log("Start to open connection to spectrum analyzer::  BB60");
    if (m_bb60Connection == nullptr) {
        return false;
    }
    m_deviceHandle = m_bb60Connection->GetDeviceHandle();
    m_library = m_bb60Connection->GetLibrary();
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::HasDevice() {
    if (m_library != nullptr && m_bb60Connection != nullptr && m_bb60Connection->IsOpen()) {
        return true;
    }
    Log("BB60 device is not connected.");
    return false;
}

bool CSpectrumAnalyzerBB60::CheckStatus() {
    if (m_deviceStatus == vendor::kBbNoError) {
        return true;
    }
    const char* text = m_library != nullptr ? m_library->Get().bbGetErrorString(m_deviceStatus) : nullptr;
    const std::string message =
        FormatC("There was an error in the BB60A/C driver: %s", text != nullptr ? text : "");
    Log(message);
    const std::stop_token stop = m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
    // Posted: a set-up shows it once the engine's device lock is released.
    PostPrompt({message, "", PromptButtons::Ok, PromptIcon::Error}, stop);
    return false;
}

bool CSpectrumAnalyzerBB60::Checked(int32_t status) {
    m_deviceStatus = status;
    return CheckStatus();
}

bool CSpectrumAnalyzerBB60::SetupSpectrumAnalyzer() {
    m_deviceStatus = vendor::kBbNoError;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetPreAmp(bool on) {
    m_preAmp = on ? 1 : 0;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetAttenuation(float dB) {
    m_attenuation = dB;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetSpan(float mhz) {
    m_span = mhz;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetResolution(float mhz) {
    m_rbw = mhz;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetCenterFrequency(float mhz) {
    m_centre = mhz;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetReferenceLevel(float level) {
    m_referenceLevel = level;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::SetUnit(const std::string& /*unit*/) {
    // Traces are always given in dBuV.
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerBB60::PushConfiguration() {
    const vendor::BbApiFunctions& bb = m_library->Get();
    const int32_t device = m_deviceHandle;
    if (!Checked(bb.bbConfigureAcquisition(device, vendor::kBbMinMaxDetector, vendor::kBbLogScale))) {
        return false;
    }
    double spanHz = static_cast<double>(m_span) * 1e6;
    if (spanHz == 0.0) {
        spanHz = static_cast<double>(m_rbw) * 1e6;
    }
    spanHz = std::max(spanHz, kMinimumSpanHz);
    if (!Checked(bb.bbConfigureCenterSpan(device, static_cast<double>(m_centre) * 1e6, spanHz))) {
        return false;
    }
    if (!Checked(bb.bbConfigureLevel(device, static_cast<double>(m_referenceLevel) - kDbmToDbuv,
                                     static_cast<double>(m_attenuation)))) {
        return false;
    }
    if (!Checked(bb.bbConfigureGain(device, vendor::kBbAutoGain))) {
        return false;
    }
    const double rbwHz = std::min(spanHz, static_cast<double>(m_rbw) * 1e6);
    if (!Checked(bb.bbConfigureSweepCoupling(device, rbwHz, rbwHz, 0.001, vendor::kBbRbwShape,
                                             vendor::kBbNoSpurReject))) {
        return false;
    }
    if (!Checked(bb.bbConfigureProcUnits(device, vendor::kBbLogUnits))) {
        return false;
    }
    if (!Checked(bb.bbInitiate(device, vendor::kBbSweeping, 0))) {
        return false;
    }
    int32_t points = -1;
    double binSize = 0.0;
    double start = 0.0;
    if (!Checked(bb.bbQueryTraceInfo(device, &points, &binSize, &start))) {
        return false;
    }
    m_sweepPoints = points;
    m_binSize = binSize;
    m_traceStart = start;
    return true;
}

bool CSpectrumAnalyzerBB60::ApplySettings() {
    if (m_configurationChanged == 0) {
        return true;
    }
    if (!HasDevice()) {
        return false;
    }
    // Whatever the array held was measured under the settings being replaced.
    m_traceValid = false;
    m_configurationChanged = 0;
    if (!PushConfiguration()) {
        MarkChanged();
        return false;
    }
    return true;
}

int32_t CSpectrumAnalyzerBB60::ReadSweepPoints() {
    ApplySettings();
    if (IsUsableTraceLength(m_sweepPoints) && m_traceA.size() < BlockedTraceSize(m_sweepPoints)) {
        m_traceA.resize(BlockedTraceSize(m_sweepPoints), 0.0F);
    }
    return m_sweepPoints;
}

bool CSpectrumAnalyzerBB60::SweepAndWait() {
    m_traceValid = false;
    if (!ApplySettings()) {
        return false;
    }
    if (!IsUsableTraceLength(m_sweepPoints)) {
        Log(FormatC("The BB60 device reported a trace of %d points.", m_sweepPoints));
        // Asked again at the next sweep.
        MarkChanged();
        return false;
    }
    const size_t size = BlockedTraceSize(m_sweepPoints);
    if (m_traceA.size() < size) {
        m_traceA.resize(size, 0.0F);
    }
    const vendor::BbApiFunctions& bb = m_library->Get();
    m_deviceStatus = vendor::kBbFetchPending;
    for (int32_t calls = 0; calls < kMaxFetchCalls && (m_deviceStatus == vendor::kBbFetchPending ||
                                                       m_deviceStatus == vendor::kBbFetchIncomplete);
         ++calls) {
        m_deviceStatus = bb.bbFetchTrace_32f(m_deviceHandle, m_sweepPoints, nullptr, m_traceA.data());
    }
    if (!CheckStatus()) {
        return false;
    }
    for (size_t i = 0; i < size; ++i) {
        m_traceA[i] = static_cast<float>(static_cast<double>(m_traceA[i]) + kDbmToDbuv);
    }
    m_traceValid = true;
    return true;
}

const float* CSpectrumAnalyzerBB60::QueryScan() {
    if (!m_traceValid) {
        m_queryValid = 0;
        return nullptr;
    }
    return m_traceA.data();
}

bool CSpectrumAnalyzerBB60::MarkPeak() {
    m_peakFrequency = 0.0F;
    m_peakAmplitude = -10000.0F;
    if (!m_traceValid || m_sweepPoints < 1) {
        return true;
    }
    for (int32_t i = 0; i < m_sweepPoints; ++i) {
        const float value = m_traceA[static_cast<size_t>(i)];
        if (value > m_peakAmplitude) {
            m_peakAmplitude = value;
            m_peakFrequency = static_cast<float>((m_traceStart + i * m_binSize) / 1e6);
        }
    }
    return true;
}

} // namespace orv
