#include "core/QDataReader.h"
#include "core/QException.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QAntennaPositionScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QFarFieldAmbientScanContainer.h"
#include "scandata/QNearFieldAmbientScanContainer.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/scandata/support/ClampContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::DeliverSpectrum;
using testing::FakeContainerNode;
using testing::ReadBodyFrom;
using testing::SpectrumWithPeaks;

struct FamilyKind {
    const char* name;
    std::function<std::unique_ptr<QAmbientFamilyScanContainer>()> make;
    uint16_t typeId;
};

std::vector<FamilyKind> FamilyKinds() {
    return {
        {"ambient", [] { return std::make_unique<QAmbientScanContainer>(); }, 1019},
        {"near-field", [] { return std::make_unique<QNearFieldAmbientScanContainer>(); }, 1021},
        {"far-field", [] { return std::make_unique<QFarFieldAmbientScanContainer>(); }, 1021},
        {"antenna position", [] { return std::make_unique<QAntennaPositionScanContainer>(); }, 1023},
    };
}

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset) {
    float value = 0.0f;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

std::vector<int16_t> Levels(QAmbientFamilyScanContainer& container) {
    std::vector<int16_t> levels;
    for (uint32_t i = 0; i < container.GetRecord().GetPointCount(); ++i) {
        levels.push_back(container.GetRecord().GetStoredAmplitude(i));
    }
    return levels;
}

TEST(AmbientScanContainerTest, FamilyBodyHoldsTheStoredRangeAndTheSetUpAndReadsBackWithRangeZero) {
    CompensationSwitches off(false, false);
    for (const FamilyKind& kind : FamilyKinds()) {
        SCOPED_TRACE(kind.name);
        auto written = kind.make();
        EXPECT_EQ(written->GetTypeID(), kind.typeId);
        written->SetSetupRange(12.5f, 250.0f);
        written->SetSetupValue(0.25f);
        const std::vector<uint8_t> bytes = BodyBytes(*written);
        const bool position = kind.typeId == 1023;
        ASSERT_EQ(bytes.size(), position ? 21u : 20u);
        EXPECT_EQ(written->GetBodySize(), bytes.size());
        EXPECT_EQ(FloatAt(bytes, 0), 100.0f);
        EXPECT_EQ(FloatAt(bytes, 4), 1000.0f);
        EXPECT_EQ(FloatAt(bytes, 8), 12.5f);
        EXPECT_EQ(FloatAt(bytes, 12), 250.0f);
        EXPECT_EQ(FloatAt(bytes, 16), 0.25f);
        if (position) {
            EXPECT_EQ(bytes[20], 1);
        }

        auto read = kind.make();
        ReadBodyFrom(*read, bytes);
        float low = -1.0f;
        float high = -1.0f;
        read->GetStoredRange(&low, &high);
        EXPECT_EQ(low, 0.0f);
        EXPECT_EQ(high, 0.0f);
        EXPECT_EQ(read->GetStartFrequency(), 12.5f);
        EXPECT_EQ(read->GetStopFrequency(), 250.0f);
        EXPECT_EQ(read->GetSetupValue(), 0.25f);

        // One byte short: refused before anything changes.
        auto untouched = kind.make();
        const std::vector<uint8_t> shortBody(bytes.begin(), bytes.end() - 1);
        EXPECT_THROW(ReadBodyFrom(*untouched, shortBody), QException);
        EXPECT_EQ(untouched->GetStartFrequency(), 10.0f);
        untouched->GetStoredRange(&low, &high);
        EXPECT_EQ(high, 1000.0f);
    }
}

TEST(AmbientScanContainerTest, AntennaPositionKeepsItsSetUpByte) {
    QAntennaPositionScanContainer written;
    written.SetSetupByte(0);
    QAntennaPositionScanContainer read;
    ReadBodyFrom(read, BodyBytes(written));
    EXPECT_EQ(read.GetSetupByte(), 0);
}

TEST(AmbientScanContainerTest, MergeSwitchZeroAloneDecidesBetweenMaximumHoldAndReplacing) {
    CompensationSwitches off(false, false);
    struct Switches {
        bool mergeMaximum;
        bool mergeAverage;
        std::vector<int16_t> expected;
    };
    const std::vector<Switches> table = {
        {false, false, {40, 20, 35}},
        {false, true, {40, 20, 35}},
        {true, false, {40, 50, 35}},
        {true, true, {40, 50, 35}},
    };
    for (const FamilyKind& kind : FamilyKinds()) {
        for (const Switches& s : table) {
            SCOPED_TRACE(std::string(kind.name) + (s.mergeMaximum ? " max" : "") +
                         (s.mergeAverage ? " avg" : ""));
            auto container = kind.make();
            DeliverSpectrum(*container, {10, 50, 30}, s.mergeMaximum, s.mergeAverage);
            DeliverSpectrum(*container, {40, 20, 35}, s.mergeMaximum, s.mergeAverage);
            EXPECT_EQ(Levels(*container), s.expected);
            EXPECT_TRUE(container->IsUpdated());
            EXPECT_TRUE(container->IsStale()); // pending until a new scan starts
        }
    }
}

TEST(AmbientScanContainerTest, StartingAndClearingHoldEmptyRecordsThatCanBeSaved) {
    CompensationSwitches off(false, false);
    for (const FamilyKind& kind : FamilyKinds()) {
        SCOPED_TRACE(kind.name);
        auto container = kind.make();
        DeliverSpectrum(*container, {1, 2, 3}, false);
        EXPECT_TRUE(container->IsStale());
        container->StartNewScan();
        ASSERT_NE(container->GetScanPacket(), nullptr);
        EXPECT_FALSE(container->GetRecord().HasData());
        EXPECT_FALSE(container->IsStale()); // data held, nothing pending
        EXPECT_EQ(BodyBytes(*container).size(), container->GetBodySize());
        container->ClearUpdated();
        container->ClearScanData();
        ASSERT_NE(container->GetSpectralScan(), nullptr);
        EXPECT_TRUE(container->IsUpdated());
    }
}

TEST(AmbientScanContainerTest, ReceivedRecordsFlagTheNodeOptions) {
    FakeContainerNode nearNode(std::make_unique<QNearFieldAmbientScanContainer>());
    FakeContainerNode farNode(std::make_unique<QFarFieldAmbientScanContainer>());
    FakeContainerNode positionNode(std::make_unique<QAntennaPositionScanContainer>());
    nearNode.m_nearField.SetResetFlag(false);
    farNode.m_farField.SetResetFlag(false);
    positionNode.m_antennaPosition.m_byte = 0;

    DeliverSpectrum(nearNode.Container<QScanContainer>(), {5, 6}, false);
    DeliverSpectrum(farNode.Container<QScanContainer>(), {5, 6}, false);
    DeliverSpectrum(positionNode.Container<QScanContainer>(), {5, 6}, false);
    EXPECT_EQ(nearNode.m_nearField.m_resetFlag, 1);
    EXPECT_EQ(farNode.m_farField.m_resetFlag, 1);
    EXPECT_EQ(positionNode.m_antennaPosition.m_byte, 1);
    // Only the node's own kind is flagged.
    EXPECT_EQ(nearNode.m_farField.m_resetFlag, 1);
    nearNode.m_farField.SetResetFlag(false);
    DeliverSpectrum(nearNode.Container<QScanContainer>(), {5, 6}, false);
    EXPECT_EQ(nearNode.m_farField.m_resetFlag, 0);
}

TEST(AmbientScanContainerTest, NearFieldRangeWaitsForCorrectionWhileCompensationIsOn) {
    QNearFieldAmbientScanContainer container;
    DeliverSpectrum(container, {-30, 70, 20}, false);
    float low = 1.0f;
    float high = 1.0f;
    {
        CompensationSwitches on(true, false);
        container.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 0.0f); // new data set the shown range to 0 and 0
        EXPECT_EQ(high, 0.0f);
        EXPECT_TRUE(container.IsRangeStale());
    }
    CompensationSwitches off(false, false);
    container.GetLevelRange(&low, &high);
    EXPECT_EQ(low, -30.0f);
    EXPECT_EQ(high, 70.0f);
    EXPECT_FALSE(container.IsRangeStale());
    // The stored range follows the data on first use after the read.
    float storedLow = 0.0f;
    float storedHigh = 0.0f;
    container.GetStoredRange(&storedLow, &storedHigh);
    EXPECT_EQ(storedLow, 100.0f);
    ReadBodyFrom(container, BodyBytes(container));
    container.GetLevelRange(nullptr, nullptr);
    container.GetStoredRange(&storedLow, &storedHigh);
    EXPECT_EQ(storedLow, -30.0f);
    EXPECT_EQ(storedHigh, 70.0f);
}

class AmbientUnderClampTest : public ::testing::Test {
protected:
    AmbientUnderClampTest() {
        FakeContainerNode::ResetMostHeld();
        Clamp().SetSetupTexts(1, "amb", "md1", "md2", "ct");
        Ambient().GetSetupScanCommand().SetFrequencyRange(10.0f, 1000.0f);
        m_tables.WriteTable("CTCTctCTCT", {{10.0f, 1.0f}, {1000.0f, 3.0f}});
        m_tables.WriteTable("AMAMambAMAM", {{10.0f, 0.5f}, {1000.0f, 0.5f}});
    }

    QCurrentClampModuleContainer& Clamp() { return m_clampNode.Container<QCurrentClampModuleContainer>(); }
    QAmbientScanContainer& Ambient() { return m_ambientNode.Container<QAmbientScanContainer>(); }

    testing::CompensationTableFolder m_tables;
    FakeContainerNode m_clampNode{std::make_unique<QCurrentClampModuleContainer>()};
    FakeContainerNode m_ambientNode{std::make_unique<QAmbientScanContainer>(), &m_clampNode};
};

TEST_F(AmbientUnderClampTest, DetectedFrequenciesGoUpWithoutEverHoldingTwoLocks) {
    const std::vector<int16_t> spectrum = SpectrumWithPeaks(100, 0, {20, 50, 80}, 1000);
    {
        QAcquiredScanContainer own(&m_ambientNode);
        DeliverSpectrum(*own.Get(), spectrum, false);
    }
    const QMeasuredFrequencyData& signals = Ambient().GetSweepFrequencies();
    ASSERT_EQ(signals.GetEntryCount(), 3u);
    EXPECT_EQ(signals.GetEntryIndex(1), 50u);
    EXPECT_TRUE(Clamp().GetFrequencies().empty());

    ASSERT_TRUE(QParentClampLink::Synchronise(m_ambientNode));
    ASSERT_EQ(Clamp().GetFrequencies().size(), 3u);
    for (uint32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(Clamp().GetFrequencies()[k], signals.GetEntryFrequency(k));
    }
    EXPECT_TRUE(Clamp().HasScanData());
    EXPECT_EQ(Ambient().GetParentSetup().m_Name3, "ct");
    EXPECT_EQ(FakeContainerNode::MostHeldAtOnce(), 1);
    EXPECT_EQ(m_ambientNode.AcquireCount(), m_ambientNode.ReleaseCount());
    EXPECT_EQ(m_clampNode.AcquireCount(), m_clampNode.ReleaseCount());

    // Detection runs once; later records hand the same table up again.
    Clamp().SetFrequencyList(std::vector<float>{});
    DeliverSpectrum(Ambient(), SpectrumWithPeaks(100, 0, {10}, 1000), false);
    EXPECT_EQ(Ambient().GetSweepFrequencies().GetEntryCount(), 3u);
    QParentClampLink::Synchronise(m_ambientNode);
    EXPECT_EQ(Clamp().GetFrequencies().size(), 3u);
}

TEST_F(AmbientUnderClampTest, CorrectedLevelsAddTheTransformerAndAmbientTables) {
    CompensationSwitches on(true, false);
    DeliverSpectrum(Ambient(), SpectrumWithPeaks(3, -100, {1}, 400), false);
    ASSERT_TRUE(QParentClampLink::Synchronise(m_ambientNode));
    float low = 0.0f;
    float high = 0.0f;
    Ambient().GetLevelRange(&low, &high);
    // Points at 10, 505 and 1000 MHz.
    const std::vector<float>& corrected = Ambient().GetCorrectedLevels();
    ASSERT_EQ(corrected.size(), 3u);
    EXPECT_NEAR(corrected[0], -100.0f + 10.0f * (1.0f + 0.5f), 1e-3f);
    EXPECT_NEAR(corrected[2], -100.0f + 10.0f * (3.0f + 0.5f), 1e-3f);
    EXPECT_NEAR(low, -85.0f, 1e-3f);
    EXPECT_NEAR(high, corrected[1], 1e-3f);
    EXPECT_GT(corrected[1], 400.0f);
}

TEST_F(AmbientUnderClampTest, WithoutAStartFrequencyOrAClampTheLevelsStayAsStored) {
    CompensationSwitches on(true, false);
    // No link yet: no table names, so no tables.
    DeliverSpectrum(Ambient(), {-50, 20, 10}, false);
    Ambient().GetLevelRange(nullptr, nullptr);
    EXPECT_EQ(Ambient().GetCorrectedLevels(), (std::vector<float>{-50.0f, 20.0f, 10.0f}));

    ASSERT_TRUE(QParentClampLink::Synchronise(m_ambientNode));
    Ambient().GetSetupScanCommand().SetFrequencyRange(0.0f, 1000.0f);
    Ambient().BuildCorrections();
    EXPECT_EQ(Ambient().GetCorrectedLevels(), (std::vector<float>{-50.0f, 20.0f, 10.0f}));
}

TEST(AmbientScanContainerLinkTest, AParentThatIsNoClampTakesNothingAndLeavesNoLockHeld) {
    FakeContainerNode::ResetMostHeld();
    FakeContainerNode parent(std::make_unique<QNearFieldAmbientScanContainer>());
    FakeContainerNode child(std::make_unique<QAmbientScanContainer>(), &parent);
    FakeContainerNode orphan(std::make_unique<QAmbientScanContainer>());
    DeliverSpectrum(child.Container<QScanContainer>(), SpectrumWithPeaks(50, 0, {25}, 900), false);
    EXPECT_FALSE(QParentClampLink::Synchronise(child));
    EXPECT_FALSE(QParentClampLink::Synchronise(orphan));
    EXPECT_EQ(parent.AcquireCount(), parent.ReleaseCount());
    EXPECT_EQ(child.AcquireCount(), child.ReleaseCount());
    EXPECT_EQ(orphan.AcquireCount(), orphan.ReleaseCount());
    EXPECT_EQ(FakeContainerNode::MostHeldAtOnce(), 1);
}

} // namespace
} // namespace orv
