#pragma once

// The MXA members: the error queue read after every write (64 and 1064 are not errors), no narrow-RBW
// shortcuts, the sweep waited for by "*OPC?", and RBW tables of exact RBW steps with a gate delay.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"

#include <chrono>

namespace orv {

class CSpectrumAnalyzerN9020A : public CSpectrumAnalyzerN9010A {
public:
    CSpectrumAnalyzerN9020A();

    bool CheckStatus() override;
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    int32_t GetGateDelay() override;
    int32_t GetRbwValueA(float /*rbw*/) override { return 10; }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return 0; }
    bool SetInputCoupling(bool /*dc*/) override { return true; }
    bool IsNarrowRbw() override { return false; }

    // The MXA's RBW tables and gate delays, which other models reuse.
    static XSeriesRbwTables MxaRbwTables();
    static const RbwRuleTable& MxaGateDelayTable();

protected:
    explicit CSpectrumAnalyzerN9020A(const XSeriesModelRow& row);

    XSeriesRbwTables RbwTables() const override;
    // Whether an error-queue code is an instrument error. The standard SCPI errors are negative
    // ("-113, Undefined header"): every code but 0 counts, except the two status reports.
    virtual bool IsReportedError(int32_t code) const { return code != 0 && code != 64 && code != 1064; }
    virtual const RbwRuleTable& GateDelayTable() const;
    // "*OPC?" read until 1 with `pause` between reads; `pointsMustHold` then asks the point count
    // back and fails when it moved.
    bool SweepAndWaitForOpc(std::chrono::milliseconds pause, bool pointsMustHold);
    // The polls for 56 whatever the coupling, then ":Trigger:Source Immediate;" and ":INIT; *WAI;".
    bool TriggeredSweepWaiting();
};

class CSpectrumAnalyzerN9020B : public CSpectrumAnalyzerN9020A {
public:
    CSpectrumAnalyzerN9020B();
};

// The PXA members: any positive error code is an error, and the RBW of 100 Hz runs without a gate.
class CSpectrumAnalyzerN9030A : public CSpectrumAnalyzerN9020A {
public:
    static constexpr float kNarrowRbw = 0.0001f;

    CSpectrumAnalyzerN9030A();

    bool SetInternalTriger(int32_t internal) override;
    bool SetSweepTimeFloat(float ms) override;
    bool SetSpectralSweepPoints(int32_t cells) override;
    bool SetResolution(float mhz) override;
    bool SetCenterFrequency(float mhz) override;
    float ReadReferenceLevel() override { return ReadReferenceLevelRounded(); }
    bool SetInputCoupling(bool dc) override;
    bool IsDcCoupled(bool& dc) override;
    bool SweepAndWait() override;

protected:
    explicit CSpectrumAnalyzerN9030A(const XSeriesModelRow& row);

    XSeriesRbwTables RbwTables() const override;
    bool IsReportedError(int32_t code) const override { return code != 0; }
    const RbwRuleTable& GateDelayTable() const override;
};

class CSpectrumAnalyzerN9030B : public CSpectrumAnalyzerN9030A {
public:
    CSpectrumAnalyzerN9030B();

    bool SetInputCoupling(bool /*dc*/) override { return true; }
    bool IsDcCoupled(bool& dc) override { return CSpectrumAnalyzer::IsDcCoupled(dc); }
};

} // namespace orv
