#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9040B.h"

#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>
#include <limits>

namespace orv {

namespace {

using R = RbwComparison;

constexpr XSeriesModelRow kN9040B{"N9040B", false, 50000, 0.000003, 26500, 0.00001, 10,
                                  0.0,      40001, 101,   40001,    3,     true};

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.3f, 22},
                                     {R::AtLeast, 0.1f, 20},
                                     {R::AtLeast, 0.029f, 20},
                                     {R::AtLeast, 0.0099f, 20},
                                     {R::AtLeast, 0.0091f, 33},
                                     {R::AtLeast, 0.009f, 33},
                                     {R::AtLeast, 0.0089f, 44},
                                     {R::AtLeast, 0.003f, 44},
                                     {R::AtLeast, 0.0029f, 266},
                                     {R::AtLeast, 0.00099f, 266},
                                     {R::AtLeast, 0.00029f, 2222},
                                     {R::AtLeast, 0.0001f, 3333},
                                     {R::AtLeast, 0.000099f, 3333},
                                     {R::AtLeast, 0.000029f, 4444},
                                     {R::Always, 0.0f, 1}},
                                    0, ManualTimingValue::SwitchTime);
    return table;
}
const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.3f, 55},
                                     {R::AtLeast, 0.1f, 55},
                                     {R::AtLeast, 0.029f, 88},
                                     {R::AtLeast, 0.0099f, 155},
                                     {R::AtLeast, 0.0091f, 175},
                                     {R::AtLeast, 0.009f, 175},
                                     {R::AtLeast, 0.0089f, 175},
                                     {R::AtLeast, 0.003f, 333},
                                     {R::AtLeast, 0.0029f, 333},
                                     {R::AtLeast, 0.00099f, 999},
                                     {R::AtLeast, 0.00029f, 5555},
                                     {R::AtLeast, 0.0001f, 6666},
                                     {R::AtLeast, 0.000099f, 6666},
                                     {R::AtLeast, 0.000029f, 11111},
                                     {R::Always, 0.0f, 900}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}
const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.3f, 22},
                                     {R::AtLeast, 0.1f, 22},
                                     {R::AtLeast, 0.029f, 55},
                                     {R::AtLeast, 0.0099f, 55},
                                     {R::AtLeast, 0.0091f, 55},
                                     {R::AtLeast, 0.009f, 150},
                                     {R::AtLeast, 0.0089f, 150},
                                     {R::AtLeast, 0.003f, 222},
                                     {R::AtLeast, 0.0029f, 222},
                                     {R::AtLeast, 0.00099f, 500},
                                     {R::AtLeast, 0.00029f, 1000},
                                     {R::AtLeast, 0.0001f, 1000},
                                     {R::AtLeast, 0.000099f, 2000},
                                     {R::AtLeast, 0.000029f, 2000},
                                     {R::Always, 0.0f, 65000}},
                                    0, ManualTimingValue::GateLength);
    return table;
}
// The pause after an RBW change (the values are not used).
const RbwRuleTable& RbwWaits() {
    static const RbwRuleTable table({{R::AtLeast, 0.00099f, 0, 100},
                                     {R::AtLeast, 0.0003f, 0, 1000},
                                     {R::AtLeast, 0.0001f, 0, 1500},
                                     {R::AtLeast, 0.000029f, 0, 2000}});
    return table;
}

} // namespace

CSpectrumAnalyzerN9040B::CSpectrumAnalyzerN9040B() : CSpectrumAnalyzerN9010A(kN9040B) {}

XSeriesRbwTables CSpectrumAnalyzerN9040B::RbwTables() const {
    return {TimingA(), TimingB(), Gate()};
}

bool CSpectrumAnalyzerN9040B::SetupSpectrumAnalyzer() {
    if (!SendSetupCommands(false)) {
        return false;
    }
    WriteCommand(":CAL:AUTO OFF;\n");
    return true;
}

bool CSpectrumAnalyzerN9040B::SetResolution(float mhz) {
    m_requestedRbw = mhz;
    return SendStatusOnly(FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz))) &&
           SendVerified(":SENS:CORR:NOIS:FLO OFF;\n") &&
           SendVerified(FormatC(":Bandwidth:Video %f MHZ;\n", static_cast<double>(mhz)));
}

bool CSpectrumAnalyzerN9040B::SetSpectralSweepPoints(int32_t cells) {
    if (IsNarrowRbw()) {
        return SendNarrowSpectralPoints();
    }
    const int64_t points = static_cast<int64_t>(GetCellsPerSweep(0.0f)) * GetPointsPerCell();
    m_sweepPoints = static_cast<int32_t>(points);
    (void)cells;
    return SendStatusOnly(FormatC(":Sweep:Points %d ;\n", static_cast<int>(m_sweepPoints)));
}

bool CSpectrumAnalyzerN9040B::TriggeredSweep() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!SendStatusOnly(":Trigger:Source External1;\n") || !SendStatusOnly(":INIT;\n")) {
        return false;
    }
    if (!PollForTriggerArmed()) {
        return false;
    }
    return SendStatusOnly(":Trigger:Source Immediate;\n") && SendStatusOnly(":INIT; *WAI;\n");
}

const float* CSpectrumAnalyzerN9040B::QueryScan() {
    const float* trace = CSpectrumAnalyzerN9010A::QueryScan();
    return IsQueryValid() ? trace : nullptr;
}

const float* CSpectrumAnalyzerN9040B::ReadTraceDataCount(int32_t count) {
    m_queryValid = 1;
    if (count < 1 || count > kMaxTracePoints) {
        m_queryValid = 0;
        AddInformationMessage(1,
                              FormatC("Spectrum analyzer: %d trace values is not a count that can be read.",
                                      static_cast<int>(count)));
        return nullptr;
    }
    if (WriteCommand(":Trace? trace1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    const float* trace = ReadReal32Trace(count, false);
    if (IsQueryValid() && !PassesErrorCheck()) {
        return KeepPreviousTrace(count);
    }
    return trace;
}

void CSpectrumAnalyzerN9040B::WaitSettle(float /*rbw*/) {
    ClockSleep(std::chrono::milliseconds(200));
}

void CSpectrumAnalyzerN9040B::WaitForRbw(float rbw) {
    RbwWaits().Apply(rbw, nullptr);
}

} // namespace orv
