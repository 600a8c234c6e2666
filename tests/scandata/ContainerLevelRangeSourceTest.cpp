#include "core/QCorrectionData.h"
#include "core/QDescription.h"
#include "core/QDescriptionRecord.h"
#include "scandata/QContainerLevelRangeSource.h"
#include "scandata/QSpatialScan.h"
#include "tests/scandata/support/ComparisonFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(ContainerLevelRangeSource, SpatialRangeWithTheGivenCompensationLevel) {
    const testing::ScanCorrectionFolder folder;
    const testing::CompensationSwitchGuard switches;
    // Levels 100 + r + c over 2 x 3 cells at 150 MHz, corrected with the fixture's factors.
    auto container = testing::MakeSpatialSource(100.0F, 200.0F, 2, 3, 2, 3);
    QDescriptionRecord texts;
    texts.SetScanHead(std::string(testing::ScanCorrectionFolder::kHead) + ",2,3");
    container->GetDescription().SetTexts(texts);
    container->ReprocessSpatialScan();
    const QSpatialScan& map = container->GetSpatialScanRecord();
    ASSERT_TRUE(map.IsCorrected());
    const auto shown = [&](uint16_t r, uint16_t c) {
        return static_cast<float>(map.GetStoredAmplitude(r, c)) +
               static_cast<float>(std::trunc(static_cast<double>(map.GetCellCorrection(r, c)) * 10.0));
    };
    QContainerLevelRangeSource source(*container);

    struct Row {
        bool compensationOn;
        float level;
        float low;
        float high;
    };
    const Row rows[] = {
        {false, 0.0F, 100.0F, 103.0F},           // switch off: levels as stored
        {true, 200.0F, 100.0F, 103.0F},          // nothing above the level
        {true, 101.5F, 100.0F, shown(1, 2)},     // only 102 and 103 are compensated
        {true, 50.0F, shown(0, 0), shown(1, 2)}, // every cell
    };
    for (const Row& row : rows) {
        QCorrectionData::SetSpatialCompensationOn(row.compensationOn);
        QCorrectionData::SetSpatialCompensationThreshold(-77.0F);
        float low = -1.0F;
        float high = -1.0F;
        source.GetShownLevelRange(&low, &high, nullptr, row.level);
        EXPECT_EQ(low, row.low);
        EXPECT_EQ(high, row.high);
        // Read, never written.
        EXPECT_EQ(QCorrectionData::GetSpatialCompensationThreshold(), -77.0F);
        EXPECT_EQ(QCorrectionData::IsSpatialCompensationOn(), row.compensationOn);
    }

    // As after a project load: the stored range is computed again from the heat map.
    testing::ReadBody(*container, std::vector<uint8_t>(8, 0));
    float storedLow = -1.0F;
    float storedHigh = -1.0F;
    source.GetStoredLevelRange(&storedLow, &storedHigh);
    EXPECT_EQ(storedLow, 100.0F);
    EXPECT_EQ(storedHigh, 103.0F);
    EXPECT_EQ(source.GetNoiseFloor(), 0.0F);
}

TEST(ContainerLevelRangeSource, OtherKindsAnswerTheirOwnRange) {
    const testing::CompensationSwitchGuard switches;
    QCorrectionData::SetSpectralCompensationOn(false);
    auto spectral = testing::MakeSpectralSource(100.0F, 200.0F, 7, "H,1", 40);
    QContainerLevelRangeSource source(*spectral);
    float low = -1.0F;
    float high = -1.0F;
    source.GetShownLevelRange(&low, &high, nullptr, std::nullopt);
    float ownLow = 0.0F;
    float ownHigh = 0.0F;
    spectral->GetLevelRange(&ownLow, &ownHigh);
    EXPECT_EQ(low, ownLow);
    EXPECT_EQ(high, ownHigh);
    EXPECT_EQ(low, 40.0F);
    source.GetStoredLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0F);
    EXPECT_EQ(high, 0.0F);
    EXPECT_EQ(source.GetNoiseFloor(), 0.0F);
}

} // namespace
} // namespace orv
