#pragma once

// The CXA members: a firmware check after binding that picks their RBW tables, the single sweep
// switched by its own pair of commands, the shared input coupling, and a triggered sweep that waits
// for the instrument to settle back.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"

namespace orv {

class CSpectrumAnalyzerN9000A : public CSpectrumAnalyzerN9010A {
public:
    CSpectrumAnalyzerN9000A();

    // "*IDN?", 100 ms, the reply read raw and the buffers flushed; then the model's generation.
    void QueryFirmwareGeneration() override;
    bool SetSpectralSweepPoints(int32_t cells) override;
    bool SetContinuousSweep(bool single) override;
    bool SetInputCoupling(bool dc) override { return SendInputCoupling(dc); }
    bool TriggeredSweep() override;
    void WaitForRbw(float rbw) override;
    int32_t GetGateDelay() override;
    int32_t GetRbwValueA(float /*rbw*/) override { return 10; }
    int32_t GetCellsPerSweep(float rbw) override;

    const std::string& GetFirmwareIdentity() const { return m_firmwareIdentity; }

protected:
    explicit CSpectrumAnalyzerN9000A(const XSeriesModelRow& row, int32_t generation);

    XSeriesRbwTables RbwTables() const override;
    double NarrowSweepTimeMs() const override { return 0.01; }

private:
    int32_t m_checkedGeneration;
    std::string m_firmwareIdentity;
};

// Its tables hold for generation 0 only; any other generation gives 1, 1 and the last gate length.
class CSpectrumAnalyzerN9000B : public CSpectrumAnalyzerN9000A {
public:
    CSpectrumAnalyzerN9000B();

    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;

    // The generation as another check would set it (tests).
    void SetFirmwareGeneration(int32_t generation) { m_firmwareGeneration = generation; }

protected:
    // A model that shares the N9000B's tables at generation 0.
    explicit CSpectrumAnalyzerN9000B(const XSeriesModelRow& row);
};

} // namespace orv
