#include "analyzers/drivers/rs/CSpectrumAnalyzerFSG8.h"

#include "platform/clock/Clock.h"

#include <chrono>

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 75},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0003f, 1500},
                                     {R::AtLeast, 0.0001f, 3750},
                                     {R::AtLeast, 0.000029f, 11250}},
                                    1, ManualTimingValue::SwitchTime);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 45},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0003f, 315},
                                     {R::AtLeast, 0.0001f, 750},
                                     {R::AtLeast, 0.000029f, 2250}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 10},
                                     {R::AtLeast, 0.03f, 15},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 50},
                                     {R::AtLeast, 0.001f, 80},
                                     {R::AtLeast, 0.0003f, 500},
                                     {R::AtLeast, 0.0001f, 2000},
                                     {R::AtLeast, 0.00003f, 9000}},
                                    10, ManualTimingValue::GateLength);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.0003f, 10}}, 20);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSG8", 30001, 30001, 155, 50, 0.00003, 1, "GatedSweep", -1.0, {}};
    row.externalTriggerSource = true;
    row.sendsInputCoupling = true;
    row.rbwPausesMs = {300, 1000, 3500};
    return row;
}

} // namespace

CSpectrumAnalyzerFSG8::CSpectrumAnalyzerFSG8() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSG8::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

bool CSpectrumAnalyzerFSG8::SetupSpectrumAnalyzer() {
    // At the narrowest RBWs the full system preset is needed; it takes its time.
    if (static_cast<float>(m_requestedRbw) <= 0.00003f) {
        if (!SendVerified("System:Preset;\n")) {
            return false;
        }
        ClockSleep(std::chrono::milliseconds(2000));
        return SendVerifiedAll({"INST SAN;\n", ":SYST:DISP:UPD ON;\n"});
    }
    return SetupWithPreset("*RST;\n");
}

} // namespace orv
