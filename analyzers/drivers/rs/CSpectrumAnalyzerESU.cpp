#include "analyzers/drivers/rs/CSpectrumAnalyzerESU.h"

#include "platform/log/InformationLog.h"

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.001f, 200},
                                     {R::AtLeast, 0.0003f, 650},
                                     {R::AtLeast, 0.0001f, 2200},
                                     {R::AtLeast, 0.000029f, 4500}},
                                    1, ManualTimingValue::SwitchTime);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.001f, 75},
                                     {R::AtLeast, 0.0003f, 315},
                                     {R::AtLeast, 0.0001f, 415},
                                     {R::AtLeast, 0.000029f, 615}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 10},
                                     {R::AtLeast, 0.03f, 15},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.001f, 100},
                                     {R::AtLeast, 0.0003f, 500},
                                     {R::AtLeast, 0.0001f, 600},
                                     {R::AtLeast, 0.00003f, 900}},
                                    10, ManualTimingValue::GateLength);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.0003f, 10}}, 20);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-ESU", 30001, 30001, 155, -1, 0.00003, 2, "GatedSweep", 0.0, {"NOIS", "PULS"}};
    row.openWithTimeout = true;
    row.sendsInputCoupling = true;
    row.settleMs = 10;
    row.rbwPausesMs = {500, 1000, 3500};
    return row;
}

} // namespace

CSpectrumAnalyzerESU::CSpectrumAnalyzerESU() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerESU::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

bool CSpectrumAnalyzerESU::SetPreAmp(bool on) {
    WriteCommand(":INP:GAIN:AUTO OFF;\n");
    return SetPreAmpBelowStopLimit(on);
}

bool CSpectrumAnalyzerESU::SetInternalTriger(int32_t internal) {
    const bool gated = internal == 0 && !IsNarrowRbw();
    if (!CSpectrumAnalyzerFSL::SetInternalTriger(internal)) {
        return false;
    }
    if (gated && !QueryGatedSweep()) {
        AddInformationMessage(1, " !!!!!!  No support of the gated sweep for the Spectrum Analyzer.");
    }
    return true;
}

bool CSpectrumAnalyzerESU::SetSweepTimeFloat(float ms) {
    return IsNarrowRbw() ? SetNarrowSweepTime() : CSpectrumAnalyzerFSL::SetSweepTimeFloat(ms);
}

bool CSpectrumAnalyzerESU::IsFrequencyAllowed(float rbw) {
    return rbw >= static_cast<float>(m_smallestRbw - 0.000001);
}

} // namespace orv
