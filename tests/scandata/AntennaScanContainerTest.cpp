#include "core/QException.h"
#include "core/QFrequencyBucketList.h"
#include "scandata/QAntennaScanContainer.h"
#include "scandata/QAntennaScanModuleContainer.h"
#include "scandata/QDifferentRangeScanModuleContainer.h"
#include "tests/scandata/support/ClampContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::ReadBodyFrom;

struct ListKind {
    const char* name;
    std::function<std::unique_ptr<QAntennaListScanContainer>()> make;
    uint16_t typeId;
    std::vector<uint32_t> widths;
    bool storesPointCount;
};

std::vector<ListKind> ListKinds() {
    return {
        {"antenna scan module",
         [] { return std::make_unique<QAntennaScanModuleContainer>(); },
         1024,
         {6, 3, 4, 3, 4, 3, 3},
         true},
        {"antenna scan",
         [] { return std::make_unique<QAntennaScanContainer>(); },
         1020,
         {6, 3, 4, 3, 4, 3, 4},
         false},
        {"different range",
         [] { return std::make_unique<QDifferentRangeScanModuleContainer>(); },
         1024,
         {6, 5, 3},
         true},
    };
}

// Record r of list l holds 1000 l + 10 r + i for value i.
void FillLists(QAntennaListScanContainer& container, size_t records) {
    for (size_t list = 0; list < container.GetListCount(); ++list) {
        for (size_t r = 0; r < records; ++r) {
            std::vector<uint32_t> values(container.GetRecordWidth(list));
            std::iota(values.begin(), values.end(), static_cast<uint32_t>(1000 * list + 10 * r));
            ASSERT_TRUE(container.AppendRecord(list, values));
        }
    }
}

TEST(AntennaScanContainerTest, EveryListEmptyGivesLevelsPointCountOneZeroPerListAndTheTrailer) {
    for (const ListKind& kind : ListKinds()) {
        SCOPED_TRACE(kind.name);
        auto container = kind.make();
        EXPECT_EQ(container->GetTypeID(), kind.typeId);
        ASSERT_EQ(container->GetListCount(), kind.widths.size());
        container->SetLevels(-2, 3, -4, 5);
        container->SetPointCount(0x01020304);
        container->SetTrailerFlag(7);
        std::vector<uint8_t> expected = {0xFE, 0xFF, 3, 0, 0xFC, 0xFF, 5, 0};
        if (kind.storesPointCount) {
            expected.insert(expected.end(), {4, 3, 2, 1});
        }
        for (size_t list = 0; list < kind.widths.size(); ++list) {
            EXPECT_EQ(container->GetRecordWidth(list), kind.widths[list]);
            expected.insert(expected.end(), {0, 0, 0, 0});
        }
        expected.push_back(7);
        EXPECT_EQ(BodyBytes(*container), expected);
        EXPECT_EQ(container->GetBodySize(), expected.size());
        // Empty lists do not make a node hold data.
        EXPECT_FALSE(container->HasScanData());
    }
}

TEST(AntennaScanContainerTest, ReadingReplacesEveryListAlsoByNothing) {
    for (const ListKind& kind : ListKinds()) {
        SCOPED_TRACE(kind.name);
        auto full = kind.make();
        FillLists(*full, 2);
        full->SetPointCount(12);
        const std::vector<uint8_t> fullBytes = BodyBytes(*full);
        EXPECT_EQ(full->GetBodySize(), fullBytes.size());
        EXPECT_TRUE(full->HasScanData()); // written list A

        auto read = kind.make();
        FillLists(*read, 3);
        ReadBodyFrom(*read, fullBytes);
        EXPECT_TRUE(read->HasScanData());
        for (size_t list = 0; list < read->GetListCount(); ++list) {
            ASSERT_EQ(read->GetRecordCount(list), 2u);
            EXPECT_EQ(read->GetRecord(list, 1)[0], 1000 * list + 10);
        }
        EXPECT_EQ(read->GetPointCount(), kind.storesPointCount ? 12u : 0u);
        EXPECT_EQ(BodyBytes(*read), fullBytes);

        const std::vector<uint8_t> emptyBytes = BodyBytes(*kind.make());
        ReadBodyFrom(*read, emptyBytes);
        for (size_t list = 0; list < read->GetListCount(); ++list) {
            EXPECT_EQ(read->GetRecordCount(list), 0u);
        }
        EXPECT_EQ(BodyBytes(*read), emptyBytes);
    }
}

TEST(AntennaScanContainerTest, NegativeCountsReadAsEmptyAndOversizedOnesChangeNothing) {
    for (const ListKind& kind : ListKinds()) {
        SCOPED_TRACE(kind.name);
        auto source = kind.make();
        const std::vector<uint8_t> empty = BodyBytes(*source);
        const size_t firstCount = kind.storesPointCount ? 12 : 8;

        std::vector<uint8_t> negative = empty;
        negative[firstCount + 3] = 0x80; // list A count below zero
        auto read = kind.make();
        FillLists(*read, 1);
        ReadBodyFrom(*read, negative);
        EXPECT_EQ(read->GetRecordCount(0), 0u);

        std::vector<uint8_t> oversized = empty;
        oversized[firstCount] = 0x05;
        auto kept = kind.make();
        FillLists(*kept, 1);
        EXPECT_THROW(ReadBodyFrom(*kept, oversized), QException);
        EXPECT_THROW(ReadBodyFrom(*kept, std::vector<uint8_t>(empty.begin(), empty.end() - 1)), QException);
        for (size_t list = 0; list < kept->GetListCount(); ++list) {
            EXPECT_EQ(kept->GetRecordCount(list), 1u);
        }
        EXPECT_FALSE(kept->AppendRecord(0, std::vector<uint32_t>(kind.widths[0] + 1)));
        EXPECT_TRUE(kept->GetRecord(0, 5).empty());
    }
}

TEST(AntennaScanContainerTest, LevelRangeIsTheRawOrCompensatedPairAndNothingWithASelection) {
    for (const ListKind& kind : ListKinds()) {
        SCOPED_TRACE(kind.name);
        auto container = kind.make();
        float low = 9.0f;
        float high = 9.0f;
        {
            CompensationSwitches off(false, false);
            container->GetLevelRange(&low, &high);
            EXPECT_EQ(low, 0.0f);
            EXPECT_EQ(high, 1.0f);
            container->SetLevels(-50, 60, -70, 80);
            container->GetLevelRange(&low, &high);
            EXPECT_EQ(low, -50.0f);
            EXPECT_EQ(high, 60.0f);
        }
        CompensationSwitches on(true, false);
        container->GetLevelRange(&low, &high);
        EXPECT_EQ(low, -70.0f);
        EXPECT_EQ(high, 80.0f);
        const QFrequencyBucketList selection;
        low = 9.0f;
        container->GetLevelRange(&low, nullptr, nullptr, &selection);
        EXPECT_EQ(low, 9.0f);
    }
}

TEST(AntennaScanContainerTest, NewScanAndClearingKeepAnEmptyModuleRecord) {
    for (const ListKind& kind : ListKinds()) {
        SCOPED_TRACE(kind.name);
        auto container = kind.make();
        container->GetModuleScan().SetModuleValue(3);
        container->SetPointCount(40);
        container->MarkPending();
        container->StartNewScan();
        ASSERT_NE(container->GetSpectralScan(), nullptr);
        EXPECT_EQ(container->GetModuleScan().GetModuleValue(), 0);
        EXPECT_EQ(BodyBytes(*container).size(), container->GetBodySize());
        container->ClearScanData(); // no data: nothing changes
        EXPECT_FALSE(container->IsUpdated());
        EXPECT_EQ(container->GetPointCount(), 40u);
        container->SetHasScanData(true);
        container->SetLevels(5, 6, 7, 8);
        container->ClearScanData();
        EXPECT_TRUE(container->IsUpdated());
        EXPECT_EQ(container->GetPointCount(), 0u);
        CompensationSwitches off(false, false);
        float low = 1.0f;
        float high = 0.0f;
        container->GetLevelRange(&low, &high);
        EXPECT_EQ(low, 0.0f);
        EXPECT_EQ(high, 1.0f);
        EXPECT_FALSE(container->IsStale());
        container->MarkPending();
        EXPECT_TRUE(container->IsStale());
    }
}

} // namespace
} // namespace orv
