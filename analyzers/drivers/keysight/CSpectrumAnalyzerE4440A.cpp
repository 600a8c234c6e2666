#include "analyzers/drivers/keysight/CSpectrumAnalyzerE4440A.h"

#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace orv {

namespace {

using R = RbwComparison;
using std::chrono::milliseconds;

// The frequency and RBW limits stay the interface's defaults.
constexpr XSeriesModelRow kE4440A{"E4440A PSA", true, 5000, 0.0,  0.0, 0.0, 0.0,
                                  0.000031,     8192, 101,  8192, 0,   true};

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.0089f, 10},
                                     {R::AtLeast, 0.0029f, 30},
                                     {R::AtLeast, 0.00099f, 125},
                                     {R::Equal, 0.0003f, 550},
                                     {R::AtLeast, 0.0003f, 1580},
                                     {R::AtLeast, 0.0001f, 1580},
                                     {R::Above, 0.00003f, 1500},
                                     {R::Equal, 0.00003f, 1500},
                                     {R::Always, 0.0f, 0}},
                                    0, ManualTimingValue::SwitchTime);
    return table;
}
const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.0089f, 10},
                                     {R::AtLeast, 0.0029f, 15},
                                     {R::AtLeast, 0.00099f, 55},
                                     {R::AtLeast, 0.0003f, 85},
                                     {R::AtLeast, 0.0001f, 285},
                                     {R::Always, 0.0f, 60}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}
// No gate length between 30 Hz and 100 Hz, as the instrument's timing was measured.
const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.0089f, 500},
                                     {R::AtLeast, 0.0029f, 600},
                                     {R::AtLeast, 0.00099f, 1200},
                                     {R::AtLeast, 0.0003f, 2700},
                                     {R::AtLeast, 0.0001f, 3500},
                                     {R::Above, 0.00003f, 0},
                                     {R::Always, 0.0f, 80000}},
                                    0, ManualTimingValue::GateLength);
    return table;
}
const RbwRuleTable& RbwWaits() {
    static const RbwRuleTable table({{R::AtLeast, 0.0099f, 0, 300},
                                     {R::AtLeast, 0.0029f, 0, 1000},
                                     {R::AtLeast, 0.00099f, 0, 1500},
                                     {R::AtLeast, 0.000099f, 0, 2500},
                                     {R::AtLeast, 0.000029f, 0, 3500}});
    return table;
}

} // namespace

CSpectrumAnalyzerE4440A::CSpectrumAnalyzerE4440A() : CSpectrumAnalyzerN9010A(kE4440A) {
    m_lowestFrequency = 0.0;
    m_highestFrequency = 0.0;
    m_smallestRbw = 0.0;
    m_largestRbw = 0.0;
}

XSeriesRbwTables CSpectrumAnalyzerE4440A::RbwTables() const {
    return {TimingA(), TimingB(), Gate()};
}

bool CSpectrumAnalyzerE4440A::SetDisplayOn(bool on) {
    if (on) {
        return SendVerified(":DISP:ENAB ON;\n");
    }
    return SendVerifiedAll(
        {":DISP:ENAB OFF;\n", ":Calibration:Auto OFF;\n", ":SYSTem:PORTs:IFVSweep:ENABle OFF\n"});
}

bool CSpectrumAnalyzerE4440A::ResetAfterScan(int32_t /*value*/) {
    return SendVerifiedAll({":Calculate:Marker:Mode Position;\n", ":Calculate:Marker:x:Position 0;\n"});
}

bool CSpectrumAnalyzerE4440A::SetupSpectrumAnalyzer() {
    if (!SendStatusOnly(":System:Preset;\n")) {
        return false;
    }
    ClockSleep(milliseconds(2000));
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    if (!SendStatusOnly("INST SA;\n")) {
        return false;
    }
    // The mode switch may outlast the wait; the set-up goes on either way, as the instrument
    // finishes it on its own.
    if (!WaitForOpc(kModeSwitchWaitSeconds)) {
        AddInformationMessage(1,
                              "E4440A PSA: the analyser mode did not report complete; the set-up goes on.");
        FlushBuffers();
    }
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    if (!SendVerified(":DISP:ENAB ON;\n")) {
        return false;
    }
    return SendStatusOnly(":CAL:AUTO OFF;\n");
}

bool CSpectrumAnalyzerE4440A::SetPreAmp(bool on) {
    m_preAmpState = on ? 1 : 0;
    return SendVerified(on ? ":INP:GAIN:STAT ON;\n" : ":INP:GAIN:STAT OFF;\n");
}

bool CSpectrumAnalyzerE4440A::SetInternalTriger(int32_t internal) {
    if (internal != 0) {
        return SendVerified(":Trigger:Source Immediate; :Initiate:Continuous on;\n");
    }
    if (IsNarrowRbw()) {
        return SendStatusOnly(":Trigger:RF:Source Immediate;\n");
    }
    if (!SendVerifiedAll({":Trigger:Source External1;\n", ":Sweep:Egate on;\n"}) ||
        !SendStatusOnly(":Sweep:Egate:METH LO;\n") ||
        !SendVerifiedAll({":Sweep:Egate:POLarity Positive;\n", ":Sweep:Egate:External1:Level 2.5;\n"}) ||
        !SendVerified(FormatC(":SWE:EGAT:Delay %d US;\n", static_cast<int>(GetGateDelay())))) {
        return false;
    }
    const float rbw = ReadResolution();
    if (!IsQueryValid()) {
        // A gate length computed from a failed read would be a wrong one.
        m_commandValid = 0;
        AddInformationMessage(1, "Spectrum analyzer: the RBW could not be read; no gate length is set.");
        return false;
    }
    if (!SendVerified(FormatC(":SWE:EGAT:LENG %d US;\n", static_cast<int>(GetGateLength(rbw))))) {
        return false;
    }
    if (!QueryGatedSweep()) {
        AddInformationMessage(1, kNoGatedSweepLog);
    }
    return true;
}

bool CSpectrumAnalyzerE4440A::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":Power:Attenuation %d DB;\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerE4440A::SetSweepPoints(int32_t count) {
    return SendSweepPoints(count > m_row.maxSweepPoints || count < 0 ? m_row.maxSweepPoints : count);
}

bool CSpectrumAnalyzerE4440A::SetSpectralSweepPoints(int32_t /*cells*/) {
    if (IsNarrowRbw()) {
        return SendNarrowSpectralPoints();
    }
    const int64_t points = static_cast<int64_t>(GetCellsPerSweep(0.0f)) * GetPointsPerCell() + 1;
    return SetSweepPoints(points > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(points));
}

bool CSpectrumAnalyzerE4440A::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:WIND:Trace:y:RLEV %f ;\n", static_cast<double>(level)));
}

float CSpectrumAnalyzerE4440A::ReadReferenceLevel() {
    double level = 0.0;
    QueryReal(":Display:WIND:Trace:y:RLEV?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerE4440A::SetUnit(const std::string& unit) {
    return SendVerified("UNIT:POW " + unit + " \n");
}

bool CSpectrumAnalyzerE4440A::SetTraceFormat() {
    return SendVerified(":FORMAT:DATA REAL, 32; :Format:Border Swapped;\n");
}

bool CSpectrumAnalyzerE4440A::SetContinuousSweep(bool single) {
    return SendVerified(single ? ":Initiate:Continuous off;\n" : ":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerE4440A::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker:FCount on;\n" : ":Calculate:Marker:FCount off;\n");
}

bool CSpectrumAnalyzerE4440A::MarkPeak() {
    return SendVerified(":Calculate:Marker:MAX;\n");
}

float CSpectrumAnalyzerE4440A::ReadMarkerFrequency(int32_t counted) {
    return QueryMhz(counted != 0 ? ":Calculate:Marker:FCount:X?;\n" : ":Calculate:Marker:X?;\n");
}

float CSpectrumAnalyzerE4440A::ReadPeakAmplitude() {
    double level = 0.0;
    QueryReal(":Calculate:Marker:Y?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerE4440A::SweepAndWait() {
    return SendVerified(":INIT; *WAI;\n");
}

bool CSpectrumAnalyzerE4440A::TriggeredSweep() {
    // The scan routine times the cells itself; a failed write shows in the trace read after it.
    SendStatusOnly(":Trigger:Source External1;\n");
    SendStatusOnly(":INIT; *WAI;\n");
    ClockSleep(milliseconds(100));
    return true;
}

const float* CSpectrumAnalyzerE4440A::ReadTrace(int32_t count) {
    m_queryValid = 1;
    if (WriteCommand(":Trace? Trace1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(count, true);
}

const float* CSpectrumAnalyzerE4440A::QueryScan() {
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadTrace(m_sweepPoints);
}

const float* CSpectrumAnalyzerE4440A::ReadTraceDataCount(int32_t count) {
    if (count < 1 || count > kMaxTracePoints) {
        m_queryValid = 0;
        AddInformationMessage(1,
                              FormatC("Spectrum analyzer: %d trace values is not a count that can be read.",
                                      static_cast<int>(count)));
        return nullptr;
    }
    return ReadTrace(count);
}

void CSpectrumAnalyzerE4440A::WaitSettle(float /*rbw*/) {
    ClockSleep(milliseconds(500));
}

int32_t CSpectrumAnalyzerE4440A::GetRbwValueA(float rbw) {
    return rbw == 0.0001f ? 18000 : 0;
}

void CSpectrumAnalyzerE4440A::WaitForRbw(float rbw) {
    RbwWaits().Apply(rbw, nullptr);
}

void CSpectrumAnalyzerE4440A::PresetModel() {
    for (const char* command : {":System:Preset;\n", "INST SA;\n", ":DISP:ENAB ON;\n"}) {
        WriteCommand(command);
    }
}

} // namespace orv
