#pragma once

// The Signal Hound BB60A/C through its device library. Nothing goes to the device while the set-up
// runs: every setter records its value and marks the configuration changed, and the whole
// configuration is pushed in one pass before the next trace (or the point count) is taken. The
// device is opened by CBB60Connection; the driver borrows its handle and holds its library.
//
// Traces come in dBm and leave in dBuV (+107). A push that fails stays marked changed, so the next
// sweep pushes again instead of fetching from a half-configured device.

#include "analyzers/CSpectrumAnalyzer.h"
#include "platform/vendor/BbApi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CSpectrumAnalyzerBB60 : public CSpectrumAnalyzer {
public:
    static constexpr int32_t kMaxFetchCalls = 10;
    static constexpr double kMinimumSpanHz = 20.0;
    static constexpr double kDbmToDbuv = 107.0;

    CSpectrumAnalyzerBB60();

    bool FindVisaConnection(CSAConnection* connection, int32_t driverID) override;
    std::string QueryIdentity() override;
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
    bool SetUnit(const std::string& unit) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t /*marker*/) override { return m_peakFrequency; }
    bool SweepAndWait() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override { return m_peakAmplitude; }

    int32_t GetDeviceStatus() const { return m_deviceStatus; }
    bool IsConfigurationChanged() const { return m_configurationChanged != 0; }
    bool GetPreAmp() const { return m_preAmp != 0; }
    float GetAttenuation() const { return m_attenuation; }
    double GetTraceStart() const { return m_traceStart; }
    double GetBinSize() const { return m_binSize; }

private:
    void MarkChanged() { m_configurationChanged = 1; }
    // True when the library of a bound, open device is at hand; otherwise logs and fails.
    bool HasDevice();
    // Stores a call's status and checks it.
    bool Checked(int32_t status);
    // Pushes the configuration when it changed; false when a call failed (it stays changed).
    bool ApplySettings();
    bool PushConfiguration();

    std::shared_ptr<const vendor::BbApiLibrary> m_library;
    uint8_t m_configurationChanged = 1;
    int32_t m_deviceStatus = vendor::kBbNoError;
    float m_referenceLevel = 0.0F;
    float m_attenuation = 0.0F;
    float m_centre = 3000.0044F;
    float m_span = 100.0F;
    float m_rbw = 0.1F;
    uint8_t m_preAmp = 0;
    double m_traceStart = 0.0;
    double m_binSize = 0.0;
    float m_peakFrequency = 0.0F;
    float m_peakAmplitude = -10000.0F;
    // The trace array holds a measurement of the current point count.
    bool m_traceValid = false;
};

} // namespace orv
