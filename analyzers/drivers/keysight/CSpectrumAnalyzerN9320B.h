#pragma once

// The Keysight basic spectrum analysers (N9320B, N9324C): a fixed sweep of 461 points, the
// attenuator taken out of auto mode before it is set, a raw binary trace that survives read
// time-outs, and an error query that logs the analyser's own error text. The rest are the X-series
// bodies and the CXA's triggered sweep, RBW waits and cell count; the N9320B runs on the N9000B's
// generation-0 tables, as its firmware is never checked. The N9320B's bodies are the family's; the
// N9324C departs in its level offset, marker forms, block header and tables.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerN9320B : public CSpectrumAnalyzerN9000B {
public:
    static constexpr int32_t kSweepPoints = 461;
    // Room past the data the trace buffer keeps for a header and its end.
    static constexpr size_t kTraceSlackBytes = 1000;
    // The most characters of the analyser's error text a log line carries.
    static constexpr size_t kLoggedReplyChars = 256;

    CSpectrumAnalyzerN9320B();

    // Its firmware is never checked: the generation stays 0.
    void QueryFirmwareGeneration() override {}
    bool CheckStatus() override;
    std::string GetSweepMode() override { return {}; }
    bool SetDisplayOn(bool /*on*/) override { return true; }
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetAutoSweep(int32_t on) override;
    bool SetDetectorPositive(bool on) override;
    bool SetAttenuation(float dB) override;
    bool SetSweepPoints(int32_t /*count*/) override { return true; }
    bool SetSpectralSweepPoints(int32_t /*cells*/) override { return true; }
    int32_t ReadSweepPoints() override { return CSpectrumAnalyzer::ReadSweepPoints(); }
    bool SetResolution(float mhz) override;
    bool SetReferenceLevel(float level) override;
    bool SetTraceFormat() override;
    bool SweepAndWait() override;
    const float* QueryScan() override;
    bool SetInputCoupling(bool /*dc*/) override { return true; }
    bool IsNarrowRbw() override { return true; }

    // The analyser's error reply as the log carries it: up to its first line end, at most
    // kLoggedReplyChars characters.
    static std::string LoggedReply(const std::string& reply);

protected:
    explicit CSpectrumAnalyzerN9320B(const XSeriesModelRow& row);

    // The "*OPC?" wait of the sweep, after the single sweep is set.
    bool SweepAndWaitForOpc(bool readSweepTime);
    // The trace's bytes after its query went out; `length` is what arrived.
    virtual bool ReadTraceBytes(unsigned char* buffer, size_t capacity, size_t& length);
    // What the model adds to every level it reads (its dBm to dBuV).
    virtual float LevelOffset() const { return 0.0f; }
};

} // namespace orv
