#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/scandata/support/ClampContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::DeliverSpectrum;
using testing::ReadBodyFrom;
using testing::SpectrumWithPeaks;

std::vector<uint8_t> ScanFileBytes(const QCableScanContainer& container) {
    QCharCounterDataWriter counter;
    container.WriteCableScans(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    container.WriteCableScans(writer);
    return bytes;
}

std::vector<int16_t> LevelsOf(const QCableScan& record) {
    return record.GetAmplitudes();
}

class CableScanContainerTest : public ::testing::Test {
protected:
    CableScanContainerTest() {
        // 100 points from 100 to 199 MHz: point k lies at 100 + k MHz.
        m_cable.GetSetupScanCommand().SetFrequencyRange(100.0f, 199.0f);
    }

    void SetTask(float step, float start) {
        m_cable.GetFineScanPlan().m_current.m_step = step;
        m_cable.GetFineScanPlan().m_current.m_startFrequency = start;
    }

    QCableScanContainer m_cable;
    const std::vector<int16_t> m_threePeaks = SpectrumWithPeaks(100, 0, {20, 50, 80}, 1000);
};

TEST_F(CableScanContainerTest, ASecondScanOfTheSameTaskReusesItsIdAndOnlyNewTasksAddValues) {
    CompensationSwitches off(false, false);
    DeliverSpectrum(m_cable, m_threePeaks, false);
    const QFineScanPlan& plan = m_cable.GetFineScanPlan();
    EXPECT_EQ(plan.m_tasks.size(), 1u);
    EXPECT_EQ(plan.m_pending, (std::vector<float>{10.0f}));
    ASSERT_EQ(m_cable.GetPeakListA().size(), 3u);
    EXPECT_EQ(m_cable.GetPeakListA()[0], (QCableListPeak{120.0f, 1000.0f, 10.0f, 0, 1}));
    EXPECT_EQ(m_cable.GetPeakListA()[2].m_Frequency, 180.0f);

    // The same task, within the tolerance of a task's values.
    SetTask(10.0f, 10.0004f);
    m_cable.SetStoredValue(77);
    DeliverSpectrum(m_cable, SpectrumWithPeaks(100, 0, {30}, 900), false);
    EXPECT_EQ(plan.m_tasks.size(), 1u);
    EXPECT_EQ(plan.m_pending.size(), 1u);
    ASSERT_EQ(m_cable.GetPeakListA().size(), 4u);
    EXPECT_EQ(m_cable.GetPeakListA()[1], (QCableListPeak{130.0f, 900.0f, 10.0f, 77, 1}));

    SetTask(10.0f, 300.0f);
    DeliverSpectrum(m_cable, m_threePeaks, false);
    SetTask(5.0f, 300.0f);
    DeliverSpectrum(m_cable, m_threePeaks, false);
    EXPECT_EQ(plan.m_tasks.size(), 3u);
    EXPECT_EQ(plan.m_taskCount, 3u);
    EXPECT_EQ(plan.m_pending, (std::vector<float>{10.0f, 10.0f, 5.0f}));
    EXPECT_EQ(m_cable.GetPeakListA().back().m_TaskId, 3u);
    ASSERT_EQ(m_cable.GetCableScanCount(), 4u);
    EXPECT_EQ(m_cable.GetCableScan(3).GetReference(), 5.0f);
    // The peak list stays in frequency order across tasks, equal frequencies in arrival order.
    for (size_t k = 1; k < m_cable.GetPeakListA().size(); ++k) {
        EXPECT_LE(m_cable.GetPeakListA()[k - 1].m_Frequency, m_cable.GetPeakListA()[k].m_Frequency);
    }
    EXPECT_EQ(m_cable.GetPeakListA()[0].m_TaskId, 1u);
    EXPECT_EQ(m_cable.GetPeakListA()[1].m_TaskId, 2u);
    EXPECT_EQ(m_cable.GetPeakListA()[2].m_TaskId, 3u);
}

TEST_F(CableScanContainerTest, TheMergeSwitchHoldsTheMaximumInTheTasksOneRecord) {
    CompensationSwitches off(false, false);
    DeliverSpectrum(m_cable, {5, 50, 7, 0}, true);
    DeliverSpectrum(m_cable, {9, 10, 70, 0}, true);
    ASSERT_EQ(m_cable.GetCableScanCount(), 1u);
    EXPECT_EQ(LevelsOf(m_cable.GetCableScan(0)), (std::vector<int16_t>{9, 50, 70, 0}));
    EXPECT_EQ(&m_cable.GetCurrentScan(), &m_cable.GetCableScan(0));
    ASSERT_NE(m_cable.GetReferenceScan(), nullptr);
    EXPECT_EQ(LevelsOf(*m_cable.GetReferenceScan()), (std::vector<int16_t>{9, 50, 70, 0}));

    // Without the switch each record is kept, and the reference holds the maximum over them.
    DeliverSpectrum(m_cable, {1, 60, 1, 3}, false);
    ASSERT_EQ(m_cable.GetCableScanCount(), 2u);
    EXPECT_EQ(LevelsOf(*m_cable.GetReferenceScan()), (std::vector<int16_t>{9, 60, 70, 3}));
    float low = 0.0f;
    float high = 0.0f;
    m_cable.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 3.0f);
    EXPECT_EQ(high, 70.0f);
}

TEST_F(CableScanContainerTest, IsStaleUntilDataIsHeldAndNothingIsPending) {
    EXPECT_TRUE(m_cable.IsStale());
    DeliverSpectrum(m_cable, m_threePeaks, false);
    EXPECT_TRUE(m_cable.HasScanData());
    EXPECT_TRUE(m_cable.IsStale());
    EXPECT_TRUE(m_cable.IsUpdated());
    m_cable.StartNewScan();
    EXPECT_FALSE(m_cable.IsStale());
    m_cable.MarkPending();
    EXPECT_TRUE(m_cable.IsStale());
}

TEST_F(CableScanContainerTest, BodyRoundTripsWithThePlanAndWithoutItInMode2) {
    CompensationSwitches off(false, false);
    DeliverSpectrum(m_cable, m_threePeaks, false);
    SetTask(2.5f, 120.0f);
    DeliverSpectrum(m_cable, m_threePeaks, false);
    m_cable.SetStoredWord(0xBEEF);
    m_cable.SetPlanFlag(1);
    m_cable.GetFineScanPlan().m_index = 4;
    m_cable.GetFineScanPlan().m_state2 = 6;
    m_cable.GetFineScanPlan().m_done = 8;

    for (const uint32_t mode : {1u, 2u}) {
        SCOPED_TRACE(mode);
        m_cable.GetFineScanPlan().m_state1 = mode;
        const std::vector<uint8_t> bytes = BodyBytes(m_cable);
        const size_t planBytes = mode == 2 ? 0 : 4 + 1 + 1 + 4 + 17 + 4 + 4 + 2 * 17;
        EXPECT_EQ(bytes.size(), 15u + 4 + 6 * 16 + 4 + 4 + planBytes + 4 + 2 * 4);
        EXPECT_EQ(m_cable.GetBodySize(), bytes.size());
        EXPECT_EQ(bytes[14], mode == 2 ? 1 : 0);

        QCableScanContainer read;
        read.GetFineScanPlan().m_tasks.emplace(9, QFineScanTask());
        ReadBodyFrom(read, bytes);
        EXPECT_EQ(BodyBytes(read), bytes);
        EXPECT_EQ(read.GetStoredWord(), 0xBEEF);
        EXPECT_EQ(read.GetPlanMode(), mode);
        EXPECT_EQ(read.GetFineScanPlan().m_pending, (std::vector<float>{10.0f, 2.5f}));
        ASSERT_EQ(read.GetPeakListA().size(), 6u);
        EXPECT_EQ(read.GetPeakListA()[0].m_Frequency, 120.0f);
        EXPECT_TRUE(read.GetPeakListB().empty());
        if (mode == 2) {
            EXPECT_TRUE(read.GetFineScanPlan().m_tasks.empty());
            EXPECT_EQ(read.GetFineScanPlan().m_index, -1);
        } else {
            ASSERT_EQ(read.GetFineScanPlan().m_tasks.size(), 2u);
            EXPECT_EQ(read.GetFineScanPlan().m_tasks.at(2).m_step, 2.5f);
            EXPECT_EQ(read.GetFineScanPlan().m_current.m_startFrequency, 120.0f);
            EXPECT_EQ(read.GetFineScanPlan().m_index, 4);
            EXPECT_EQ(read.GetFineScanPlan().m_done, 8u);
            EXPECT_EQ(read.GetPlanFlag(), 1);
        }
    }
}

TEST_F(CableScanContainerTest, ACorruptBodyLeavesTheContainerAsItWas) {
    DeliverSpectrum(m_cable, m_threePeaks, false);
    const std::vector<uint8_t> good = BodyBytes(m_cable);
    std::vector<uint8_t> hugeList = good;
    hugeList[15] = 0xFF;
    hugeList[16] = 0xFF;
    hugeList[17] = 0xFF;
    std::vector<uint8_t> hugeTasks = good;
    // Plan mode at 15 + 4 + 48 + 4; the task count follows value, flag, 1, word, task, word 2.
    const size_t taskCount = 15 + 4 + 48 + 4 + 4 + 4 + 1 + 1 + 4 + 17 + 4;
    hugeTasks[taskCount + 3] = 0x10;
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>(good.begin(), good.end() - 2), hugeList, hugeTasks}) {
        QCableScanContainer read;
        read.SetStoredWord(3);
        EXPECT_THROW(ReadBodyFrom(read, bytes), QException);
        EXPECT_EQ(read.GetStoredWord(), 3);
        EXPECT_TRUE(read.GetPeakListA().empty());
        EXPECT_EQ(read.GetFineScanPlan().m_pending.size(), 0u);
    }
}

TEST_F(CableScanContainerTest, ScanFileRoundTripAndAnEmptyReference) {
    // No reference at all: the count 0 and nothing more.
    EXPECT_EQ(ScanFileBytes(m_cable).size(), 8u);

    // A reference without points is written with its body but not read back.
    DeliverSpectrum(m_cable, {}, false);
    ASSERT_NE(m_cable.GetReferenceScan(), nullptr);
    const std::vector<uint8_t> empty = ScanFileBytes(m_cable);
    ASSERT_EQ(empty.size(), 4u + 13 + 4 + 13);
    QCableScanContainer read;
    QCharArrayDataReader reader(empty.data(), static_cast<uint32_t>(empty.size()));
    read.ReadCableScans(reader);
    EXPECT_EQ(reader.GetRemaining(), 0u);
    EXPECT_EQ(read.GetCableScanCount(), 1u);
    EXPECT_EQ(read.GetReferenceScan(), nullptr);

    // Records and a reference with points come back whole.
    QCableScanContainer full;
    full.GetSetupScanCommand().SetFrequencyRange(100.0f, 199.0f);
    DeliverSpectrum(full, m_threePeaks, false);
    full.GetFineScanPlan().m_current.m_step = 3.0f;
    DeliverSpectrum(full, SpectrumWithPeaks(100, 2, {10}, 500), false);
    const std::vector<uint8_t> bytes = ScanFileBytes(full);
    QCableScanContainer back;

    {
        QCharArrayDataReader fullReader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        back.ReadCableScans(fullReader);
        EXPECT_EQ(fullReader.GetRemaining(), 0u);
    }
    ASSERT_EQ(back.GetCableScanCount(), 2u);
    EXPECT_EQ(back.GetCableScan(1).GetReference(), 3.0f);
    EXPECT_EQ(back.GetCableScan(0).GetPeakCount(), 3u);
    EXPECT_TRUE(back.GetCableScan(0).GetPeaks().empty());
    ASSERT_NE(back.GetReferenceScan(), nullptr);
    EXPECT_EQ(LevelsOf(*back.GetReferenceScan()), LevelsOf(*full.GetReferenceScan()));
    EXPECT_EQ(ScanFileBytes(back), bytes);

    // A record count beyond the bytes changes nothing.
    std::vector<uint8_t> corrupt = bytes;
    corrupt[3] = 0x01;
    QCharArrayDataReader corruptReader(corrupt.data(), static_cast<uint32_t>(corrupt.size()));
    EXPECT_THROW(back.ReadCableScans(corruptReader), QException);
    EXPECT_EQ(back.GetCableScanCount(), 2u);
}

TEST_F(CableScanContainerTest, ClearingDropsTheCurrentTasksRecordAndRebuildsFromTheRest) {
    CompensationSwitches off(false, false);
    DeliverSpectrum(m_cable, SpectrumWithPeaks(100, 0, {20}, 800), false);
    SetTask(5.0f, 10.0f);
    DeliverSpectrum(m_cable, SpectrumWithPeaks(100, 0, {60, 70}, 900), false);
    ASSERT_EQ(m_cable.GetPeakListA().size(), 3u);
    EXPECT_EQ(m_cable.GetReferenceScan()->GetAmplitude(60), 900);

    m_cable.ClearUpdated();
    m_cable.ClearScanData();
    ASSERT_EQ(m_cable.GetCableScanCount(), 1u);
    EXPECT_EQ(m_cable.GetCableScan(0).GetReference(), 10.0f);
    EXPECT_EQ(m_cable.GetPeakListA(), (std::vector<QCableListPeak>{{120.0f, 800.0f, 10.0f, 0, 1}}));
    EXPECT_EQ(m_cable.GetReferenceScan()->GetAmplitude(60), 0);
    EXPECT_EQ(m_cable.GetReferenceScan()->GetAmplitude(20), 800);
    EXPECT_FALSE(m_cable.GetCurrentScan().HasData());
    EXPECT_TRUE(m_cable.IsUpdated());
    float low = 0.0f;
    float high = 0.0f;
    m_cable.GetLevelRange(&low, &high);
    EXPECT_EQ(high, 800.0f);

    // Clearing the last task's record leaves no reference.
    SetTask(10.0f, 10.0f);
    m_cable.ClearScanData();
    EXPECT_EQ(m_cable.GetCableScanCount(), 0u);
    EXPECT_EQ(m_cable.GetSpectralScan(), nullptr);
    EXPECT_TRUE(m_cable.GetPeakListA().empty());
}

// Every path that hands a record between the current slot and the list, ending with destruction:
// run under the address sanitizer, a record freed twice or never would fail it.
TEST_F(CableScanContainerTest, RecordsChangeHandsWithoutLeakOrDoubleFree) {
    for (int round = 0; round < 3; ++round) {
        auto cable = std::make_unique<QCableScanContainer>();
        cable->GetSetupScanCommand().SetFrequencyRange(1.0f, 100.0f);
        cable->StartNewScan();                        // current never appended
        DeliverSpectrum(*cable, m_threePeaks, false); // appended
        cable->StartNewScan();                        // let go, list keeps it
        DeliverSpectrum(*cable, m_threePeaks, true);  // empty current: replaced, appended
        DeliverSpectrum(*cable, m_threePeaks, true);  // merged into the list's record
        EXPECT_EQ(cable->GetCableScanCount(), 2u);
        cable->GetFineScanPlan().m_current.m_step = 4.0f;
        DeliverSpectrum(*cable, m_threePeaks, false); // replaces a listed current
        EXPECT_EQ(cable->GetCableScanCount(), 3u);
        cable->ClearScanData(); // drops the current record itself
        EXPECT_EQ(cable->GetCableScanCount(), 2u);
        const std::vector<uint8_t> file = ScanFileBytes(*cable);
        DeliverSpectrum(*cable, m_threePeaks, false);
        QCharArrayDataReader reader(file.data(), static_cast<uint32_t>(file.size()));
        cable->ReadCableScans(reader); // replaces the list holding the current
        EXPECT_EQ(cable->GetCableScanCount(), 2u);
        EXPECT_FALSE(cable->GetCurrentScan().HasData());
        if (round == 1) {
            cable->ClearScanData();
        }
    }
}

TEST(CableScanContainerCompensationTest, CompensatedLevelsAddAllThreeClampTables) {
    testing::CompensationTableFolder tables;
    tables.WriteTable("MDMDm1m2MDMD", {{10.0f, 1.0f}, {1000.0f, 1.0f}});
    tables.WriteTable("CTCTm3CTCT", {{10.0f, 2.0f}, {1000.0f, 2.0f}});
    tables.WriteTable("AMAMm4AMAM", {{10.0f, 3.0f}, {1000.0f, 3.0f}});
    testing::FakeContainerNode clampNode(std::make_unique<QCurrentClampModuleContainer>());
    testing::FakeContainerNode cableNode(std::make_unique<QCableScanContainer>(), &clampNode);
    clampNode.Container<QCurrentClampModuleContainer>().SetSetupTexts(2, "m4", "m1", "m2", "m3");
    auto& cable = cableNode.Container<QCableScanContainer>();
    cable.GetSetupScanCommand().SetFrequencyRange(100.0f, 199.0f);
    DeliverSpectrum(cable, SpectrumWithPeaks(100, 0, {50}, 700), false);

    CompensationSwitches on(true, false);
    ASSERT_TRUE(QParentClampLink::Synchronise(cableNode));
    float low = 0.0f;
    float high = 0.0f;
    cable.GetLevelRange(&low, &high);
    EXPECT_NEAR(low, 60.0f, 1e-3f);
    EXPECT_NEAR(high, 760.0f, 1e-3f);
    ASSERT_EQ(cable.GetCompensatedPeaks().size(), 1u);
    EXPECT_NEAR(cable.GetCompensatedPeaks()[0], 760.0f, 1e-3f);

    // Without a positive start frequency nothing is added.
    cable.GetSetupScanCommand().SetFrequencyRange(0.0f, 199.0f);
    DeliverSpectrum(cable, SpectrumWithPeaks(100, 0, {50}, 700), false);
    cable.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0f);
    EXPECT_EQ(high, 700.0f);
    EXPECT_EQ(clampNode.AcquireCount(), clampNode.ReleaseCount());
}

} // namespace
} // namespace orv
