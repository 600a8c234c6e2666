#include "analyzers/drivers/rs/CSpectrumAnalyzerFSU.h"

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 75},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0003f, 450},
                                     {R::AtLeast, 0.0001f, 1250},
                                     {R::AtLeast, 0.000029f, 4500}},
                                    1, ManualTimingValue::SwitchTime);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 5},
                                     {R::AtLeast, 0.03f, 10},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 45},
                                     {R::AtLeast, 0.001f, 150},
                                     {R::AtLeast, 0.0001f, 315},
                                     {R::AtLeast, 0.000029f, 615}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 10},
                                     {R::AtLeast, 0.03f, 15},
                                     {R::AtLeast, 0.009f, 30},
                                     {R::AtLeast, 0.003f, 50},
                                     {R::AtLeast, 0.001f, 80},
                                     {R::AtLeast, 0.0001f, 500},
                                     {R::AtLeast, 0.00003f, 900}},
                                    10, ManualTimingValue::GateLength);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.0003f, 10}}, 20);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSU", 30001, 30001, 155, -1, 0.00003, 2, "GatedSweep", -1.0, {}};
    row.openWithTimeout = true;
    row.sendsInputCoupling = true;
    row.settleMs = 10;
    row.rbwPausesMs = {500, 1000, 3500};
    return row;
}

} // namespace

CSpectrumAnalyzerFSU::CSpectrumAnalyzerFSU() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSU::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

} // namespace orv
