#include "core/QActiveScanItem.h"
#include "core/QScanProgress.h"

#include <gtest/gtest.h>

#include <limits>

namespace orv {
namespace {

TEST(ScanProgress, PercentTable) {
    struct Case {
        float weight;
        int32_t done;
        int32_t count;
        int32_t percent;
    };
    const Case cases[] = {
        {1.0f, 3, 4, 75},
        {1.0f, 1, 3, 33},
        {1.0f, 2, 3, 66}, // truncated, not rounded
        {1.0f, 5, 0, 0},  // no steps yet
        {0.5f, 2, 2, 50},
        {1.0f, 0, 7, 0},
        {1.0e30f, 1, 1, std::numeric_limits<int32_t>::max()},
        {std::numeric_limits<float>::quiet_NaN(), 1, 2, 0},
    };
    for (const Case& c : cases) {
        QScanProgress progress;
        progress.SetWeight(c.weight);
        progress.SetStepsDone(c.done);
        progress.SetStepCount(c.count);
        EXPECT_EQ(progress.GetPercent(), c.percent) << c.weight << " " << c.done << "/" << c.count;
    }
}

TEST(ScanProgress, GlobalRecordStartsZeroedAndAdvances) {
    DestroyScanProgress();
    QScanProgress& progress = GetScanProgress();
    EXPECT_EQ(progress.GetStepsDone(), 0);
    EXPECT_EQ(progress.GetStepCount(), 0);
    EXPECT_EQ(progress.GetWeight(), 0.0f);
    EXPECT_EQ(progress.GetFlag(), 0);
    progress.SetWeight(1.0f);
    progress.SetStepCount(4);
    progress.AdvanceStep();
    progress.AdvanceStep();
    progress.SetFlag(1);
    EXPECT_EQ(GetScanProgress().GetPercent(), 50);
    EXPECT_EQ(GetScanProgress().GetFlag(), 1);
    DestroyScanProgress();
    EXPECT_EQ(GetScanProgress().GetStepsDone(), 0);
}

class CountingObject : public QReleasable {
public:
    void Release() override { ++m_releases; }
    int m_releases = 0;
};

TEST(ActiveScanItem, ReleasesItsObjectOnce) {
    QActiveScanItem item;
    item.ReleaseObject(); // nothing held: nothing happens
    EXPECT_EQ(item.GetObject(), nullptr);

    CountingObject first;
    CountingObject second;
    item.SetObject(&first);
    item.SetNodeType(2028);
    EXPECT_EQ(item.GetObject(), &first);
    EXPECT_EQ(item.GetNodeType(), 2028);
    item.SetObject(&second); // the object held before is given back
    EXPECT_EQ(first.m_releases, 1);
    item.ReleaseObject();
    item.ReleaseObject();
    EXPECT_EQ(second.m_releases, 1);
    EXPECT_EQ(item.GetObject(), nullptr);
    EXPECT_EQ(item.GetNodeType(), 2028);
}

TEST(ActiveScanItem, DestroyReleasesTheHeldObject) {
    CountingObject object;
    DestroyActiveScanItem();
    EXPECT_EQ(GetActiveScanItem().GetNodeType(), 0);
    GetActiveScanItem().SetObject(&object);
    GetActiveScanItem().SetNodeType(2005);
    DestroyActiveScanItem();
    EXPECT_EQ(object.m_releases, 1);
    EXPECT_EQ(GetActiveScanItem().GetObject(), nullptr);
    EXPECT_EQ(GetActiveScanItem().GetNodeType(), 0);
    DestroyActiveScanItem();
}

} // namespace
} // namespace orv
