#include "core/QCorrectionData.h"
#include "core/QDescription.h"
#include "core/QDescriptionRecord.h"
#include "core/QFrequencyBucketList.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QContainerLevelRangeSource.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ComparisonFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

std::unique_ptr<QTransportContainer> SpectralSpatialSetup() {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(1, 2));
    setup->SetFrequencyRange(100.0F, 200.0F);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    return step;
}

std::unique_ptr<QTransportContainer> SpectralSpatialCell(uint16_t row, uint16_t column,
                                                         const std::vector<int16_t>& levels) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

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

    // The heat map was set on load: it compensates above its container's level (its lowest stored
    // level, 100), not above the application-wide threshold.
    QCorrectionData::SetSpatialCompensationOn(true);
    QCorrectionData::SetSpatialCompensationThreshold(-77.0F);
    EXPECT_EQ(container->GetSpatialCompensationLevel(), 100.0F);
    EXPECT_EQ(map.GetAmplitude(0, 0), 100);
    EXPECT_EQ(static_cast<float>(map.GetAmplitude(1, 2)), shown(1, 2));

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

// The automatic range belongs to the spatial view: a spectral/spatial container answers the range
// that follows the spatial switch even while the mode flag names the spectral view, and the flag
// stays as it was.
TEST(ContainerLevelRangeSource, SpectralSpatialContainersAnswerTheSpatialViewsRange) {
    const testing::CompensationSwitchGuard switches;
    const bool mode = QCorrectionData::IsSpectralSpatialMode();
    QSpectralSpatialScanContainer container;
    container.TakeTransportContainer(SpectralSpatialSetup(), false, nullptr, false);
    container.TakeTransportContainer(SpectralSpatialCell(0, 0, {-40, 70, 10}), false, nullptr, false);
    container.TakeTransportContainer(SpectralSpatialCell(0, 1, {-20, 90, 30}), false, nullptr, false);
    QCorrectionData::SetSpectralCompensationOn(true); // the spectral view would take its own range
    QCorrectionData::SetSpatialCompensationOn(false);
    QCorrectionData::SetSpectralSpatialMode(true);

    QContainerLevelRangeSource source(container);
    float low = 0.0F;
    float high = 0.0F;
    source.GetShownLevelRange(&low, &high, nullptr, std::nullopt);
    EXPECT_EQ(low, -40.0F);
    EXPECT_EQ(high, 90.0F);
    QFrequencyBucketList selection;
    selection.Insert(2);
    source.GetShownLevelRange(&low, &high, &selection, std::nullopt);
    EXPECT_EQ(low, 10.0F);
    EXPECT_EQ(high, 30.0F);
    EXPECT_TRUE(QCorrectionData::IsSpectralSpatialMode());
    QCorrectionData::SetSpectralSpatialMode(mode);
}

} // namespace
} // namespace orv
