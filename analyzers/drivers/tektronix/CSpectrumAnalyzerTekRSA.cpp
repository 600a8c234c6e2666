#include "analyzers/drivers/tektronix/CSpectrumAnalyzerTekRSA.h"

#include "analyzers/CTekRSAConnection.h"
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

CSpectrumAnalyzerTekRSA::CSpectrumAnalyzerTekRSA() {
    m_lowestFrequency = 0.009;
    m_highestFrequency = 7500.0;
    m_sweepPoints = -1;
}

bool CSpectrumAnalyzerTekRSA::FindVisaConnection(CSAConnection* connection, int32_t driverID) {
    const bool found = CSpectrumAnalyzer::FindVisaConnection(connection, driverID);
    m_library = m_tekConnection != nullptr ? m_tekConnection->GetLibrary() : nullptr;
    MarkChanged();
    return found;
}

std::string CSpectrumAnalyzerTekRSA::QueryIdentity() {
    m_lastReply = "Tektronix,RSA500,SERIAL,0";
    return m_lastReply;
}

bool CSpectrumAnalyzerTekRSA::OpenConnection(const std::string& /*text*/) {
    return m_tekConnection != nullptr && m_tekConnection->IsConnected();
}

bool CSpectrumAnalyzerTekRSA::HasDevice() {
    if (m_library != nullptr && m_tekConnection != nullptr && m_tekConnection->IsConnected()) {
        return true;
    }
    Log("Tektronix device is not connected.");
    return false;
}

bool CSpectrumAnalyzerTekRSA::CheckStatus() {
    if (m_deviceStatus == vendor::kRsaNoError) {
        return true;
    }
    const char* text = m_deviceStatus == vendor::kRsaConnectionLost ? kConnectionLostText : kUnknownErrorText;
    Log(text);
    const std::stop_token stop = m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
    // Posted: a set-up shows it once the engine's device lock is released.
    PostPrompt({text, "", PromptButtons::Ok, PromptIcon::Error}, stop);
    return false;
}

bool CSpectrumAnalyzerTekRSA::Checked(int32_t status) {
    m_deviceStatus = status;
    return CheckStatus();
}

bool CSpectrumAnalyzerTekRSA::SetupSpectrumAnalyzer() {
    if (!HasDevice()) {
        return false;
    }
    const vendor::RsaApiFunctions& rsa = m_library->Get();
    // The preset discards what the device was given: the next sweep gives it all again.
    MarkChanged();
    return Checked(rsa.CONFIG_Preset()) && Checked(rsa.SPECTRUM_SetDefault());
}

bool CSpectrumAnalyzerTekRSA::SetPreAmp(bool on) {
    return HasDevice() && Checked(m_library->Get().CONFIG_SetRFPreampEnable(on ? 1 : 0));
}

bool CSpectrumAnalyzerTekRSA::SetAttenuation(float dB) {
    return HasDevice() && Checked(m_library->Get().CONFIG_SetRFAttenuator(static_cast<double>(dB)));
}

float CSpectrumAnalyzerTekRSA::Clamped(float mhz, Limit limit) {
    if (!HasDevice()) {
        return mhz;
    }
    vendor::RsaSpectrumLimits limits;
    const int32_t status = m_library->Get().SPECTRUM_GetLimits(&limits);
    if (status != vendor::kRsaNoError) {
        Log(FormatC("The Tektronix device's spectrum limits could not be read (status %d).", status));
        return mhz;
    }
    const double lowest = (limit == Limit::Span ? limits.minSpan : limits.minRbw) / 1e6;
    const double highest = (limit == Limit::Span ? limits.maxSpan : limits.maxRbw) / 1e6;
    if (!(lowest <= highest)) {
        Log("The Tektronix device reported spectrum limits out of order.");
        return mhz;
    }
    return static_cast<float>(std::clamp(static_cast<double>(mhz), lowest, highest));
}

bool CSpectrumAnalyzerTekRSA::SetSpan(float mhz) {
    m_span = Clamped(mhz, Limit::Span);
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerTekRSA::SetResolution(float mhz) {
    m_rbw = Clamped(mhz, Limit::Rbw);
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerTekRSA::SetCenterFrequency(float mhz) {
    m_centre = mhz;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerTekRSA::SetReferenceLevel(float level) {
    m_referenceLevel = level;
    MarkChanged();
    return true;
}

bool CSpectrumAnalyzerTekRSA::SetMarkerCount(bool on) {
    m_markerCounterOn = on ? 1 : 0;
    return true;
}

int32_t CSpectrumAnalyzerTekRSA::PushConfiguration() {
    const vendor::RsaApiFunctions& rsa = m_library->Get();
    int32_t first = vendor::kRsaNoError;
    const auto keep = [&first](int32_t status) {
        if (first == vendor::kRsaNoError) {
            first = status;
        }
    };
    keep(rsa.DEVICE_Stop());
    keep(rsa.CONFIG_Preset());
    keep(rsa.SPECTRUM_SetEnable(1));
    keep(rsa.CONFIG_SetCenterFreq(static_cast<double>(m_centre) * 1e6));
    keep(rsa.CONFIG_SetReferenceLevel(static_cast<double>(m_referenceLevel) - kDbmToDbuv));
    keep(rsa.SPECTRUM_SetDefault());
    vendor::RsaSpectrumSettings settings;
    keep(rsa.SPECTRUM_GetSettings(&settings));
    settings.span = static_cast<double>(m_span) * 1e6;
    settings.rbw = static_cast<double>(m_rbw) * 1e6;
    settings.verticalUnit = vendor::kRsaVerticalUnitDbm;
    keep(rsa.SPECTRUM_SetSettings(&settings));
    vendor::RsaSpectrumSettings taken;
    keep(rsa.SPECTRUM_GetSettings(&taken));
    m_sweepPoints = taken.traceLength;
    m_traceStart = taken.actualStartFreq / 1e6;
    m_binSize = taken.actualFreqStepSize / 1e6;
    keep(rsa.DEVICE_Run());
    return first;
}

bool CSpectrumAnalyzerTekRSA::ApplySettings() {
    if (m_configurationChanged == 0) {
        return true;
    }
    if (!HasDevice()) {
        return false;
    }
    m_traceValid = false;
    m_configurationChanged = 0;
    const int32_t status = PushConfiguration();
    if (status != vendor::kRsaNoError) {
        MarkChanged();
        return Checked(status);
    }
    return true;
}

int32_t CSpectrumAnalyzerTekRSA::ReadSweepPoints() {
    ApplySettings();
    return m_sweepPoints;
}

bool CSpectrumAnalyzerTekRSA::SweepAndWait() {
    m_traceValid = false;
    if (!ApplySettings()) {
        return false;
    }
    return Checked(m_library->Get().SPECTRUM_AcquireTrace());
}

const float* CSpectrumAnalyzerTekRSA::FailedRead(const std::string& reason) {
    if (!reason.empty()) {
        Log(reason);
    }
    m_traceValid = false;
    m_queryValid = 0;
    return nullptr;
}

const float* CSpectrumAnalyzerTekRSA::QueryScan() {
    if (!HasDevice() || m_configurationChanged != 0) {
        return FailedRead("");
    }
    const vendor::RsaApiFunctions& rsa = m_library->Get();
    uint8_t ready = 0;
    if (!Checked(rsa.SPECTRUM_WaitForTraceReady(kTraceReadyTimeoutMs, &ready))) {
        return FailedRead("");
    }
    if (ready == 0) {
        return FailedRead("The Tektronix trace was not ready within 5000 ms.");
    }
    if (!IsUsableTraceLength(m_sweepPoints)) {
        return FailedRead(FormatC("The Tektronix device reported a trace of %d points.", m_sweepPoints));
    }
    const size_t size = BlockedTraceSize(m_sweepPoints);
    if (m_traceA.size() < size) {
        m_traceA.resize(size, 0.0F);
    }
    int32_t points = 0;
    if (!Checked(rsa.SPECTRUM_GetTrace(0, m_sweepPoints, m_traceA.data(), &points))) {
        return FailedRead("");
    }
    if (points != m_sweepPoints) {
        return FailedRead(FormatC("The Tektronix device gave a trace of %d points where %d were asked.",
                                  points, m_sweepPoints));
    }
    for (size_t i = 0; i < size; ++i) {
        m_traceA[i] = static_cast<float>(static_cast<double>(m_traceA[i]) + kDbmToDbuv);
    }
    m_traceValid = true;
    return m_traceA.data();
}

bool CSpectrumAnalyzerTekRSA::MarkPeak() {
    m_peakFrequency = 0.0F;
    m_peakAmplitude = -10000.0F;
    if (!m_traceValid || m_sweepPoints < 1) {
        return true;
    }
    for (int32_t i = 0; i < m_sweepPoints; ++i) {
        const float value = m_traceA[static_cast<size_t>(i)];
        if (value > m_peakAmplitude) {
            m_peakAmplitude = value;
            m_peakFrequency = static_cast<float>(m_traceStart + i * m_binSize);
        }
    }
    return true;
}

} // namespace orv
