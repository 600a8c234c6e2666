#pragma once

// The RBW-dependent timing tables of the analyser drivers, kept as data: rows tried top-down, the
// first whose comparison holds gives the value, and an optional pause is taken before the value is
// returned. RBWs are compared as 32-bit floats, as the instruments report them: 0.03 MHz read back
// must match ">= 0.03", which a comparison in double misses.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace orv {

class AnalyzerScanSetup;

enum class RbwComparison : uint8_t {
    AtLeast, // rbw >= threshold
    Above,   // rbw > threshold
    Equal,   // rbw == threshold
    AtMost,  // rbw <= threshold
    Always,  // the closing "else" row
};

struct RbwRule {
    RbwComparison comparison = RbwComparison::Always;
    float threshold = 0.0f;
    int32_t value = 0;
    int32_t pauseMs = 0; // 0: no pause before returning
};

// Which of the engine's manual timing values replaces the table while manual timing is on.
enum class ManualTimingValue : uint8_t { None, SwitchTime, SwitchWait, GateLength };

class RbwRuleTable {
public:
    RbwRuleTable(std::initializer_list<RbwRule> rules, int32_t fallback = 0,
                 ManualTimingValue manual = ManualTimingValue::None);

    // The first matching row (none matching: the fallback, no pause).
    const RbwRule* Match(float rbwMhz) const;
    // The value for this RBW without its pause.
    int32_t ValueFor(float rbwMhz) const;
    // The value for this RBW: the set-up's manual value while its manual timing is on (when the table
    // takes one), else the table's, after the row's pause (through the clock's sleeper).
    int32_t Apply(float rbwMhz, const AnalyzerScanSetup* setup) const;

    ManualTimingValue GetManualTimingValue() const { return m_manual; }
    // Whether Apply gives the set-up's manual value in place of the table's.
    bool TakesManualValue(const AnalyzerScanSetup* setup) const;

private:
    std::vector<RbwRule> m_rules;
    int32_t m_fallback;
    ManualTimingValue m_manual;
};

} // namespace orv
