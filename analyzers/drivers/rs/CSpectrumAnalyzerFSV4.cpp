#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV4.h"

#include "platform/clock/Clock.h"

#include <chrono>

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.01f, 0},
                                     {R::AtLeast, 0.003f, 30},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0003f, 1500},
                                     {R::AtLeast, 0.0001f, 3750},
                                     {R::AtLeast, 0.000029f, 11250}},
                                    1);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.003f, 45},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0003f, 315},
                                     {R::AtLeast, 0.0001f, 750},
                                     {R::AtLeast, 0.000029f, 2250}},
                                    0);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.001f, 80},
                                     {R::AtLeast, 0.0003f, 500},
                                     {R::AtLeast, 0.0001f, 2000},
                                     {R::AtLeast, 0.000029f, 9000}},
                                    10);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.0003f, 6}}, 12);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSV4", 32001, 32001, 101, 50, 0.00003, 2, "GatedSweep", -1.0, {}};
    row.externalTriggerSource = true;
    row.sendsInputCoupling = true;
    row.rbwPausesMs = {100, 1000, 2000};
    return row;
}

} // namespace

CSpectrumAnalyzerFSV4::CSpectrumAnalyzerFSV4() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSV4::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

bool CSpectrumAnalyzerFSV4::SetupSpectrumAnalyzer() {
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
