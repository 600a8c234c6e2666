#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"

#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>
#include <limits>

namespace orv {

namespace {

using R = RbwComparison;

constexpr XSeriesModelRow kN9000A{"N9000A", true,  5000, 0.009, 26500, 0.0001, 10,
                                  0.000031, 10001, 101,  10001, 0,     false};
constexpr XSeriesModelRow kN9000B{"N9000B", true,  5000, 0.009, 26500, 0.0001, 10,
                                  0.000031, 10001, 101,  10001, 0,     false};

// The tables of the firmware generation the checks set (no manual timing).
const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 1},
                                     {R::AtLeast, 1.0f, 1},
                                     {R::AtLeast, 0.3f, 1},
                                     {R::AtLeast, 0.1f, 1},
                                     {R::AtLeast, 0.03f, 1},
                                     {R::Above, 0.01f, 40},
                                     {R::AtLeast, 0.0091f, 40},
                                     {R::AtLeast, 0.009f, 40},
                                     {R::AtLeast, 0.003f, 100},
                                     {R::AtLeast, 0.001f, 300},
                                     {R::AtLeast, 0.0003f, 1000},
                                     {R::AtLeast, 0.0001f, 1500},
                                     {R::AtLeast, 0.00003f, 8000},
                                     {R::Always, 0.0f, 1}});
    return table;
}
const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 1},
                                     {R::AtLeast, 1.0f, 1},
                                     {R::AtLeast, 0.3f, 1},
                                     {R::AtLeast, 0.1f, 1},
                                     {R::AtLeast, 0.03f, 1},
                                     {R::Above, 0.01f, 1},
                                     {R::AtLeast, 0.0091f, 10},
                                     {R::AtLeast, 0.009f, 10},
                                     {R::AtLeast, 0.003f, 100},
                                     {R::AtLeast, 0.001f, 180},
                                     {R::AtLeast, 0.0003f, 300},
                                     {R::AtLeast, 0.0001f, 400},
                                     {R::AtLeast, 0.00003f, 600},
                                     {R::Always, 0.0f, 900}});
    return table;
}
const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 10},
                                     {R::AtLeast, 1.0f, 64},
                                     {R::AtLeast, 0.3f, 128},
                                     {R::AtLeast, 0.1f, 144},
                                     {R::AtLeast, 0.03f, 200},
                                     {R::Above, 0.01f, 480},
                                     {R::AtLeast, 0.0091f, 480},
                                     {R::AtLeast, 0.009f, 4800},
                                     {R::Equal, 0.003f, 2200},
                                     {R::AtLeast, 0.003f, 4800},
                                     {R::AtLeast, 0.001f, 4800},
                                     {R::AtLeast, 0.0003f, 12000},
                                     {R::AtLeast, 0.0001f, 20000},
                                     {R::AtLeast, 0.00003f, 65000},
                                     {R::Always, 0.0f, 65000}});
    return table;
}
const RbwRuleTable& RbwWaits() {
    static const RbwRuleTable table(
        {{R::AtLeast, 0.0003f, 0, 100}, {R::AtLeast, 0.0001f, 0, 500}, {R::AtLeast, 0.000029f, 0, 1000}});
    return table;
}

} // namespace

CSpectrumAnalyzerN9000A::CSpectrumAnalyzerN9000A() : CSpectrumAnalyzerN9000A(kN9000A, 2) {}

CSpectrumAnalyzerN9000A::CSpectrumAnalyzerN9000A(const XSeriesModelRow& row, int32_t generation)
    : CSpectrumAnalyzerN9010A(row), m_checkedGeneration(generation) {
    m_firmwareGeneration = generation;
}

CSpectrumAnalyzerN9000B::CSpectrumAnalyzerN9000B() : CSpectrumAnalyzerN9000B(kN9000B) {}
CSpectrumAnalyzerN9000B::CSpectrumAnalyzerN9000B(const XSeriesModelRow& row)
    : CSpectrumAnalyzerN9000A(row, 0) {}

XSeriesRbwTables CSpectrumAnalyzerN9000A::RbwTables() const {
    return {TimingA(), TimingB(), Gate()};
}

void CSpectrumAnalyzerN9000A::QueryFirmwareGeneration() {
    WriteCommand("*IDN?\n");
    ClockSleep(std::chrono::milliseconds(100));
    // Only the bytes that arrived count; the generation does not depend on them.
    m_firmwareIdentity = ReadReply(kReplyBufferSize);
    FlushBuffers();
    m_firmwareGeneration = m_checkedGeneration;
}

bool CSpectrumAnalyzerN9000A::SetSpectralSweepPoints(int32_t cells) {
    if (IsNarrowRbw()) {
        return SendNarrowSpectralPoints();
    }
    (void)cells;
    const int64_t points = static_cast<int64_t>(GetCellsPerSweep(0.0f)) * GetPointsPerCell() + 1;
    return SetSweepPoints(points > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(points));
}

bool CSpectrumAnalyzerN9000A::SetContinuousSweep(bool single) {
    return SendVerified(single ? ":Initiate:Continuous off;\n" : ":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerN9000A::TriggeredSweep() {
    if (!SendStatusOnly(":Trigger:Source External1;\n") || !SendStatusOnly(":INIT;\n")) {
        return false;
    }
    const bool dc = m_dcCoupled != 0;
    if (dc) {
        AddInformationMessage(1, "Error waiting for SA status, expecting: 56 got: 0");
    } else if (!PollForTriggerArmed()) {
        return false;
    }
    if (!SendStatusOnly(":Trigger:Source Immediate;\n") || !SendStatusOnly(":INIT;\n")) {
        return false;
    }
    if (!dc && !PollUntilValue(":Status:Operation:Condition?;\n", true, 24)) {
        return false;
    }
    return m_lastStatus >= 0;
}

void CSpectrumAnalyzerN9000A::WaitForRbw(float rbw) {
    RbwWaits().Apply(rbw, nullptr);
}

int32_t CSpectrumAnalyzerN9000A::GetGateDelay() {
    m_gateDelay = 0;
    return m_gateDelay;
}

int32_t CSpectrumAnalyzerN9000A::GetCellsPerSweep(float /*rbw*/) {
    const int32_t cells = CountActiveCells();
    if (static_cast<int64_t>(cells) * GetPointsPerCell() >= m_row.minSweepPoints) {
        return cells;
    }
    return m_row.minSweepPoints / 2 + 1;
}

int32_t CSpectrumAnalyzerN9000B::GetRbwTimingA(float rbw) {
    return m_firmwareGeneration == 0 ? CSpectrumAnalyzerN9000A::GetRbwTimingA(rbw) : 1;
}

int32_t CSpectrumAnalyzerN9000B::GetRbwTimingB(float rbw) {
    return m_firmwareGeneration == 0 ? CSpectrumAnalyzerN9000A::GetRbwTimingB(rbw) : 1;
}

int32_t CSpectrumAnalyzerN9000B::GetGateLength(float rbw) {
    return m_firmwareGeneration == 0 ? CSpectrumAnalyzerN9000A::GetGateLength(rbw) : m_gateLength;
}

} // namespace orv
