#include "core/QFineScanTask.h"
#include "core/QException.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;
using test::ReadBodyFrom;

TEST(FineScanTask, DefaultBodyIsSeventeenBytesInStoredOrder) {
    const QFineScanTask task;
    const std::vector<uint8_t> expected = ByteBuilder().F32(10.0f).F32(100.0f).F32(55.0f).U8(1).F32(10.0f);
    EXPECT_EQ(BodyBytes(task), expected);
    EXPECT_EQ(task.GetBodySize(), 17U);
    EXPECT_EQ(task.GetTypeID(), 4000);
}

TEST(FineScanTask, ReadsItsOwnOrderAndFailsWhole) {
    QFineScanTask task;
    const std::vector<uint8_t> stored = ByteBuilder().F32(1.5f).F32(2.5f).F32(2.0f).U8(0).F32(0.25f).U8(0xEE);
    EXPECT_EQ(ReadBodyFrom(task, stored), 1U);
    EXPECT_EQ(task.m_startFrequency, 1.5f);
    EXPECT_EQ(task.m_stopFrequency, 2.5f);
    EXPECT_EQ(task.m_centerFrequency, 2.0f);
    EXPECT_EQ(task.m_active, 0);
    EXPECT_EQ(task.m_step, 0.25f);

    // A body cut short inside the last field changes nothing.
    QFineScanTask untouched;
    const std::vector<uint8_t> cut(stored.begin(), stored.begin() + 15);
    EXPECT_THROW(ReadBodyFrom(untouched, cut), QException);
    EXPECT_TRUE(untouched.IsSame(QFineScanTask()));
}

TEST(FineScanTask, AssignmentCopiesFieldsNotHeader) {
    QFineScanTask framed;
    std::vector<uint8_t> frame(framed.GetSerializedSize());
    QCharArrayDataWriter writer(frame.data(), static_cast<uint32_t>(frame.size()));
    framed.Serialize(writer);
    QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    framed.Deserialize(reader);
    ASSERT_TRUE(framed.IsHeaderRead());

    QFineScanTask target;
    target = framed;
    EXPECT_FALSE(target.IsHeaderRead());
    EXPECT_TRUE(target.IsSame(framed));

    target.m_step = 3.0f;
    const QFineScanTask& self = target; // through an alias, as a container copy would
    target = self;
    EXPECT_EQ(target.m_step, 3.0f);
}

// The tolerance is 0.0005 MHz on the stored single-precision values: above a few MHz a float
// cannot hold an offset of exactly 0.0005, and the nearest float lies inside the tolerance.
struct SameCase {
    float base;
    double delta;
    bool same;
};

TEST(FineScanTask, IsSameAcrossBaseFrequencies) {
    const SameCase cases[] = {
        {0.0f, 0.0004, true},    {0.0f, 0.0005, false},   {0.0f, 0.001, false},    {1.0f, 0.0004, true},
        {1.0f, 0.0005, true},    {1.0f, 0.001, false},    {55.0f, 0.0004, true},   {55.0f, 0.0005, true},
        {55.0f, 0.001, false},   {1000.0f, 0.0004, true}, {1000.0f, 0.0005, true}, {1000.0f, 0.001, false},
        {3000.0f, 0.0004, true}, {3000.0f, 0.0005, true}, {3000.0f, 0.001, false},
    };
    for (const SameCase& c : cases) {
        const auto shifted = static_cast<float>(static_cast<double>(c.base) + c.delta);
        for (int field = 0; field < 4; ++field) {
            QFineScanTask a;
            a.m_step = a.m_startFrequency = a.m_stopFrequency = a.m_centerFrequency = c.base;
            QFineScanTask b = a;
            float* fields[] = {&b.m_step, &b.m_startFrequency, &b.m_stopFrequency, &b.m_centerFrequency};
            *fields[field] = shifted;
            EXPECT_EQ(a.IsSame(b), c.same) << "base " << c.base << " delta " << c.delta << " field " << field;
            EXPECT_EQ(b.IsSame(a), c.same);
        }
    }
}

TEST(FineScanTask, FlagAndNaNMakeTasksDifferent) {
    QFineScanTask a;
    QFineScanTask b;
    EXPECT_TRUE(a.IsSame(b));
    b.m_active = 0;
    EXPECT_FALSE(a.IsSame(b));
    QFineScanTask c;
    c.m_centerFrequency = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(c.IsSame(c));
}

TEST(FineScanPlan, FreshPlanAndPendingValues) {
    QFineScanPlan plan;
    EXPECT_EQ(plan.m_stepFractions, (std::vector<float>{0.1f, 0.2f, 0.35f, 0.5f, 0.1f}));
    EXPECT_TRUE(plan.m_tasks.empty());
    EXPECT_EQ(plan.m_taskCount, 0U);
    EXPECT_TRUE(plan.m_current.IsSame(QFineScanTask()));
    EXPECT_EQ(plan.m_state1, 1U);
    EXPECT_EQ(plan.m_state2, 0U);
    EXPECT_EQ(plan.m_index, -1);
    EXPECT_EQ(plan.m_done, 0U);
    EXPECT_TRUE(plan.GetPending().empty());

    plan.m_pending = {10.0f, 2.5f, 7.0f};
    EXPECT_EQ(plan.GetPending(), (std::vector<float>{10.0f, 2.5f, 7.0f}));
    plan.ClearPending();
    EXPECT_TRUE(plan.GetPending().empty());
}

} // namespace
} // namespace orv
