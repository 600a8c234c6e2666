#include "project/NewOverlayId.h"
#include "project/QOverlayControlList.h"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <memory>
#include <set>

namespace orv {
namespace {

void Fill(QOverlayControlList& list, std::initializer_list<uint32_t> ids) {
    for (uint32_t id : ids) {
        auto control = std::make_unique<COverlayControl>();
        control->SetOverlayId(id);
        list.Add(std::move(control), false);
    }
}

TEST(NewOverlayIdTest, DrawsPastNoneMinusOneAndTheIdsTheProjectHolds) {
    QOverlayControlList list;
    Fill(list, {17, 4000000000U});
    std::deque<uint32_t> draws{0, 0xFFFFFFFFU, 17, 4000000000U, 23, 99};
    int drawn = 0;
    const uint32_t id = MakeNewOverlayId(list, [&] {
        ++drawn;
        const uint32_t next = draws.front();
        draws.pop_front();
        return next;
    });
    EXPECT_EQ(id, 23U);
    EXPECT_EQ(drawn, 5);
}

TEST(NewOverlayIdTest, DrawsThatNeverGiveAFreeIdEndInTheLowestFreeOne) {
    QOverlayControlList list;
    Fill(list, {1, 2, 4});
    EXPECT_EQ(MakeNewOverlayId(list, [] { return 2U; }), 3U);
}

TEST(NewOverlayIdTest, TheSystemsDrawsGiveFreeIds) {
    QOverlayControlList list;
    std::set<uint32_t> made;
    for (int i = 0; i < 200; ++i) {
        const uint32_t id = MakeNewOverlayId(list);
        EXPECT_NE(id, 0U);
        EXPECT_NE(id, 0xFFFFFFFFU);
        EXPECT_TRUE(made.insert(id).second) << id;
        Fill(list, {id});
    }
}

} // namespace
} // namespace orv
