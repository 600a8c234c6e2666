#include "analyzers/drivers/scpi/RbwRuleTable.h"

#include "platform/clock/FakeClock.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>

namespace orv {
namespace {

using Cmp = RbwComparison;

// A switch-time table of the shape the drivers carry: steps, an exact row, bracketed pauses, an else.
const RbwRuleTable kTable({{Cmp::AtLeast, 0.03f, 0, 0},
                           {Cmp::AtLeast, 0.01f, 2, 0},
                           {Cmp::AtLeast, 0.001f, 10, 100},
                           {Cmp::Equal, 0.0003f, 20, 100},
                           {Cmp::Equal, 0.0001f, 250, 0},
                           {Cmp::Always, 0.0f, 1, 0}},
                          0, ManualTimingValue::SwitchTime);

TEST(RbwRuleTable, StepsExactRowsAndElse) {
    struct Case {
        double rbw;
        int32_t value;
    };
    // RBWs as the driver holds them (double), narrowed to float before comparing: 0.03 in double is
    // below 0.03f, yet it must match ">= 0.03".
    const Case cases[] = {{3.0, 0},     {0.03, 0},   {0.0299, 2},   {0.01, 2},    {0.001, 10},
                          {0.0003, 20}, {0.0002, 1}, {0.0001, 250}, {0.00003, 1}, {0.0, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(kTable.ValueFor(static_cast<float>(c.rbw)), c.value) << c.rbw;
    }
    const RbwRuleTable empty({}, 7);
    EXPECT_EQ(empty.ValueFor(1.0f), 7);
    EXPECT_EQ(empty.Match(1.0f), nullptr);
}

TEST(RbwRuleTable, PausesOnTheSleeperAndManualTimingWins) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    EXPECT_EQ(kTable.Apply(0.001f, nullptr), 10);
    EXPECT_EQ(kTable.Apply(0.0003f, nullptr), 20);
    EXPECT_EQ(kTable.Apply(0.05f, nullptr), 0);
    EXPECT_EQ(clock.Pauses(),
              (std::vector<Clock::Duration>{std::chrono::milliseconds(100), std::chrono::milliseconds(100)}));

    test::FakeAnalyzerScanSetup setup;
    setup.m_manualSwitchTime = 33;
    EXPECT_EQ(kTable.Apply(0.05f, &setup), 0); // manual timing off: the table
    setup.m_manualTiming = true;
    clock.ClearPauses();
    EXPECT_EQ(kTable.Apply(0.001f, &setup), 33);
    EXPECT_TRUE(clock.Pauses().empty());
    // A table without the override ignores the flag.
    const RbwRuleTable plain({{Cmp::Always, 0.0f, 4, 0}});
    EXPECT_EQ(plain.Apply(1.0f, &setup), 4);
    setup.m_manualGateLength = 900;
    const RbwRuleTable gate({{Cmp::Always, 0.0f, 4, 0}}, 0, ManualTimingValue::GateLength);
    EXPECT_EQ(gate.Apply(1.0f, &setup), 900);
}

} // namespace
} // namespace orv
