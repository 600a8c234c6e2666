#pragma once

// The Tektronix RSA through its device library. The library keeps the connected device as its own
// state, so no call carries a handle. Most settings are recorded and pushed in one pass before the
// next trace; the pre-amplifier, the attenuator and the preset go to the device at once. Span and
// RBW are clamped to the limits the device reports.
//
// Traces come in dBm and leave in dBuV (+107). A push whose calls the device refused stays marked
// changed and fails the sweep; a trace that is not ready in time, or of another length than asked,
// is a failed read: no trace is handed out.

#include "analyzers/CSpectrumAnalyzer.h"
#include "platform/vendor/RsaApi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CSpectrumAnalyzerTekRSA : public CSpectrumAnalyzer {
public:
    static constexpr int32_t kTraceReadyTimeoutMs = 5000;
    static constexpr double kDbmToDbuv = 107.0;
    static constexpr const char* kConnectionLostText = "Connection to the Tektronix has been lost!";
    static constexpr const char* kUnknownErrorText = "The Tektronix driver encountered an unknown error.";

    CSpectrumAnalyzerTekRSA();

    bool FindVisaConnection(CSAConnection* connection, int32_t driverID) override;
    std::string QueryIdentity() override;
    // True when the bound connection holds a connected device; no VISA call.
    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override;
    std::string GetSweepMode() override { return "Probes"; }
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetAttenuation(float dB) override;
    int32_t ReadSweepPoints() override;
    bool SetSpan(float mhz) override;
    float ReadSpan() override { return m_span; }
    bool SetResolution(float mhz) override;
    float ReadResolution() override { return m_rbw; }
    bool SetCenterFrequency(float mhz) override;
    float ReadCenterFrequency() override { return m_centre; }
    bool SetReferenceLevel(float level) override;
    float ReadReferenceLevel() override { return m_referenceLevel; }
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t /*marker*/) override { return m_peakFrequency; }
    bool SweepAndWait() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override { return m_peakAmplitude; }

    int32_t GetDeviceStatus() const { return m_deviceStatus; }
    bool IsConfigurationChanged() const { return m_configurationChanged != 0; }
    bool IsMarkerCounterOn() const { return m_markerCounterOn != 0; }
    double GetTraceStart() const { return m_traceStart; }
    double GetBinSize() const { return m_binSize; }

private:
    enum class Limit { Span, Rbw };

    void MarkChanged() { m_configurationChanged = 1; }
    bool HasDevice();
    bool Checked(int32_t status);
    // The value clamped to the device's limits of that kind, MHz (unclamped when they cannot be read).
    float Clamped(float mhz, Limit limit);
    bool ApplySettings();
    // The first refused call's status, or 0.
    int32_t PushConfiguration();
    const float* FailedRead(const std::string& reason);

    std::shared_ptr<const vendor::RsaApiLibrary> m_library;
    uint8_t m_configurationChanged = 1;
    int32_t m_deviceStatus = vendor::kRsaNoError;
    float m_referenceLevel = 0.0F;
    float m_centre = 3000.0044F;
    float m_span = 100.0F;
    float m_rbw = 0.1F;
    double m_traceStart = 0.0;
    double m_binSize = 0.0;
    uint8_t m_markerCounterOn = 0;
    float m_peakFrequency = 0.0F;
    float m_peakAmplitude = -10000.0F;
    bool m_traceValid = false;
};

} // namespace orv
