#include "analyzers/drivers/rs/CSpectrumAnalyzerFSH.h"

#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.03f, 0},
                                     {R::AtLeast, 0.01f, 2},
                                     {R::AtLeast, 0.003f, 6},
                                     {R::AtLeast, 0.001f, 30},
                                     {R::AtLeast, 0.0003f, 100},
                                     {R::AtLeast, 0.0001f, 250}},
                                    600);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table(
        {{R::AtLeast, 0.1f, 0}, {R::AtLeast, 0.003f, 1}, {R::AtLeast, 0.0003f, 8}, {R::AtLeast, 0.0001f, 20}},
        50);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.003f, 20},
                                     {R::AtLeast, 0.001f, 30},
                                     {R::AtLeast, 0.0003f, 110},
                                     {R::AtLeast, 0.0001f, 300}},
                                    1200);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.00003f, 5}}, 100);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSH", 30001, 30001, 155, 50, 0.00003, 1, "MultipleGatedSweep", -1.0, {}};
    row.openWithTimeout = true;
    row.externalTriggerSource = true;
    row.triggeredSweepPauseMs = 50;
    row.settleMs = 600;
    row.rbwPausesMs = {300, 1000, 3500};
    return row;
}

} // namespace

CSpectrumAnalyzerFSH::CSpectrumAnalyzerFSH() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSH::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

bool CSpectrumAnalyzerFSH::SetupSpectrumAnalyzer() {
    if (!SendVerified("*RST;\n")) {
        return false;
    }
    // "*OPC?" is answered once the mode has switched; the poll is bounded and asks the user at the bound.
    if (!PollUntilOne("INST SAN;*OPC?\n", false)) {
        return false;
    }
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerFSH::SetPreAmp(bool on) {
    return SetPreAmpBelowStopLimit(on);
}

bool CSpectrumAnalyzerFSH::SetTrackingGeneration(bool on) {
    if (!SendVerified(on ? ":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE SRTS;:SENSe:ISOurce:ENABle 1\n"
                         : ":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE CW;:SENSe:ISOurce:ENABle 0\n")) {
        return false;
    }
    return PollUntilOne("*OPC?\n", true, std::chrono::milliseconds(100));
}

int32_t CSpectrumAnalyzerFSH::ReadSweepPoints() {
    m_sweepPoints = kFixedPoints;
    return m_sweepPoints;
}

bool CSpectrumAnalyzerFSH::SetUnit(const std::string& unit) {
    return SendVerified(FormatC("UNIT:POW %s %s", unit.c_str(), "\n"));
}

bool CSpectrumAnalyzerFSH::SetContinuousSweep(bool single) {
    return SendVerified(single ? ":Initiate:Continuous off;\n" : ":Initiate:Continuous on;\n");
}

float CSpectrumAnalyzerFSH::ReadMarkerFrequency(int32_t counter) {
    if (counter != 0) {
        // The counter needs its gate time before it holds a value.
        ClockSleep(std::chrono::milliseconds(1000));
    }
    return CSpectrumAnalyzerFSL::ReadMarkerFrequency(counter);
}

const float* CSpectrumAnalyzerFSH::QueryScan() {
    return ReadTrace(m_sweepPoints);
}

const float* CSpectrumAnalyzerFSH::ReadTraceDataCount(int32_t count) {
    if (count < 1 || count > kMaxTracePoints) {
        m_queryValid = 0;
        AddInformationMessage(
            1, FormatC("Spectrum analyzer: a trace of %d values cannot be read.", static_cast<int>(count)));
        return nullptr;
    }
    return ReadTrace(count);
}

const float* CSpectrumAnalyzerFSH::ReadTrace(int32_t count) {
    m_queryValid = 1;
    if (count < 0 || count > kMaxTracePoints || WriteCommand(":TRAC:DATA? TRACE1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(count, true);
}

} // namespace orv
