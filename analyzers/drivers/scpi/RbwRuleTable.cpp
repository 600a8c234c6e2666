#include "analyzers/drivers/scpi/RbwRuleTable.h"

#include "analyzers/AnalyzerScanSetup.h"
#include "platform/clock/Clock.h"

#include <chrono>

namespace orv {

RbwRuleTable::RbwRuleTable(std::initializer_list<RbwRule> rules, int32_t fallback, ManualTimingValue manual)
    : m_rules(rules), m_fallback(fallback), m_manual(manual) {}

const RbwRule* RbwRuleTable::Match(float rbwMhz) const {
    for (const RbwRule& rule : m_rules) {
        switch (rule.comparison) {
        case RbwComparison::AtLeast:
            if (rbwMhz >= rule.threshold) {
                return &rule;
            }
            break;
        case RbwComparison::Above:
            if (rbwMhz > rule.threshold) {
                return &rule;
            }
            break;
        case RbwComparison::AtMost:
            if (rbwMhz <= rule.threshold) {
                return &rule;
            }
            break;
        case RbwComparison::Equal:
            if (rbwMhz == rule.threshold) {
                return &rule;
            }
            break;
        case RbwComparison::Always:
            return &rule;
        }
    }
    return nullptr;
}

int32_t RbwRuleTable::ValueFor(float rbwMhz) const {
    const RbwRule* rule = Match(rbwMhz);
    return rule != nullptr ? rule->value : m_fallback;
}

bool RbwRuleTable::TakesManualValue(const AnalyzerScanSetup* setup) const {
    return m_manual != ManualTimingValue::None && setup != nullptr && setup->IsManualTimingOn();
}

int32_t RbwRuleTable::Apply(float rbwMhz, const AnalyzerScanSetup* setup) const {
    if (TakesManualValue(setup)) {
        switch (m_manual) {
        case ManualTimingValue::SwitchTime:
            return setup->GetManualSwitchTime();
        case ManualTimingValue::SwitchWait:
            return setup->GetManualSwitchWait();
        case ManualTimingValue::GateLength:
            return setup->GetManualGateLength();
        case ManualTimingValue::None:
            break;
        }
    }
    const RbwRule* rule = Match(rbwMhz);
    if (rule == nullptr) {
        return m_fallback;
    }
    if (rule->pauseMs > 0) {
        ClockSleep(std::chrono::milliseconds(rule->pauseMs));
    }
    return rule->value;
}

} // namespace orv
