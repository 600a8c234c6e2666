#include "protocol/QCommLayer.h"

#include "platform/clock/FakeClock.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTransportContainer.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PacketBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace orv {
namespace {

using packettest::FrameOf;
using test::FakeController;
using test::LogCapture;

TEST(InterleavedSubPosition, OddSubRowsRunRightToLeft) {
    struct Case {
        uint32_t index;
        int32_t subColumns;
        int32_t subRow;
        int32_t subColumn;
    };
    const Case cases[] = {{0, 2, 0, 0}, {1, 2, 0, 1}, {2, 2, 1, 1}, {3, 2, 1, 0},
                          {5, 4, 1, 2}, {4, 4, 1, 3}, {8, 4, 2, 0}, {15, 4, 3, 0}};
    for (const Case& c : cases) {
        int32_t s = -1;
        int32_t t = -1;
        QCommLayer::SubPositionOf(c.index, c.subColumns, s, t);
        EXPECT_EQ(std::make_pair(s, t), std::make_pair(c.subRow, c.subColumn))
            << c.index << " of " << c.subColumns;
    }
}

QSetupScanCommand InterleavedSetup(uint16_t kind, uint16_t rows, uint16_t columns, uint8_t level,
                                   uint8_t blindSpot = 0, uint32_t points = 0) {
    QSetupScanCommand setup;
    setup.m_ScanKind = kind;
    setup.SetProbeScanPattern(QProbeScanPattern(rows, columns, 1, 0));
    setup.SetSpatialLevel(level);
    setup.SetBlindSpotReduction(blindSpot);
    setup.SetTracePointsPerCell(points);
    return setup;
}

QZeltSpatialHandOver SpatialPacket(int16_t level, uint32_t subPosition, uint16_t rows, uint16_t columns,
                                   uint8_t pass, const std::function<double(int, int)>& value) {
    QZeltSpatialHandOver packet;
    packet.m_Level = level;
    packet.m_SubPosition = subPosition;
    packet.m_PassFlag = pass;
    packet.m_Rows = rows;
    packet.m_Columns = columns;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            packet.m_Values[static_cast<std::size_t>(r) * columns + static_cast<std::size_t>(c)] =
                value(r, c);
        }
    }
    return packet;
}

QZeltSpectralSpatialHandOver Component(int16_t level, uint32_t subPosition, int32_t row, int32_t column,
                                       std::vector<double> values) {
    QZeltSpectralSpatialHandOver component;
    component.m_Level = level;
    component.m_SubPosition = subPosition;
    component.m_Row = row;
    component.m_Column = column;
    component.m_PointCount = static_cast<uint32_t>(values.size());
    component.m_Values = std::move(values);
    return component;
}

class InterleaveTest : public ::testing::Test {
protected:
    InterleaveTest() { layer->SetStateController(&controller); }
    ~InterleaveTest() override { layer.reset(); }

    // The set-up as the controller holds it and the engine echoes it.
    void SetUpScan(const QSetupScanCommand& setup, bool held = true) {
        if (held) {
            layer->SetCurrentSetupScanCommand(setup);
        }
        const auto frame = FrameOf(setup);
        layer->HandleCommandReply(frame.data(), frame.size());
    }
    std::vector<std::unique_ptr<QTransportContainer>> Containers() {
        std::vector<std::unique_ptr<QTransportContainer>> all;
        while (auto container = layer->PopTransportContainer()) {
            all.push_back(std::move(container));
        }
        return all;
    }
    std::vector<std::pair<uint64_t, int64_t>> Progress() {
        ui.Pump();
        std::vector<std::pair<uint64_t, int64_t>> posted;
        for (const auto& message : controller.target.MessagesWithId(QCommLayer::kMsgScanProgress)) {
            posted.emplace_back(message.wParam, message.lParam);
        }
        return posted;
    }

    FakeClock clock;
    ScopedClockInstall install{clock};
    LogCapture log;
    MessageThread ui;
    FakeController controller{ui};
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
};

// Packet k of a level-1 scan measures cell (r, c) at 1000 k + 10 r + c.
double Measured(uint32_t k, int r, int c) {
    return 1000.0 * k + 10.0 * r + c;
}

TEST_F(InterleaveTest, LevelOneSpatialScanCompletesWithEveryFineCellInOrder) {
    SetUpScan(InterleavedSetup(100, 2, 2, 1));
    // Sub-position 2 comes twice, so (1, 0) of every cell is never measured.
    for (uint32_t k : {0U, 1U, 2U}) {
        layer->ProcessZeltSpatialScanData(
            SpatialPacket(1, k, 2, 2, 0, [k](int r, int c) { return Measured(k, r, c); }));
        EXPECT_TRUE(Containers().empty());
    }
    layer->ProcessZeltSpatialScanData(
        SpatialPacket(1, 2, 2, 2, 0, [](int r, int c) { return Measured(2, r, c); }));
    std::vector<std::unique_ptr<QTransportContainer>> containers = Containers();
    ASSERT_EQ(containers.size(), 1U);
    const QSpatialScan* scan = containers[0]->GetSpatialScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetDataForm(), 1);
    EXPECT_EQ(scan->GetLevel(), 1);
    EXPECT_EQ(scan->GetReceivedPackets(), 4);
    EXPECT_EQ(scan->GetExpectedPackets(), 4);
    EXPECT_EQ(scan->GetOnePacket(), 0);
    EXPECT_EQ(scan->GetStoredAmplitude(1, 1), 100);

    // Sub-position (s, t) was measured by the packet whose index maps to it.
    const std::map<std::pair<int, int>, uint32_t> packetOf = {{{0, 0}, 0}, {{0, 1}, 1}, {{1, 1}, 2}};
    const std::vector<QSpatialFloatPoint>& points = scan->GetFloatPoints();
    ASSERT_EQ(points.size(), 16U);
    std::size_t at = 0;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            for (int s = 0; s < 2; ++s) {
                for (int t = 0; t < 2; ++t, ++at) {
                    const QSpatialFloatPoint& point = points[at];
                    EXPECT_EQ(std::make_tuple(point.m_Row, point.m_Column, point.m_SubRow, point.m_SubColumn),
                              std::make_tuple(r, c, s, t));
                    const auto found = packetOf.find({s, t});
                    const float expected = found == packetOf.end()
                                               ? -10000.0F
                                               : static_cast<float>(Measured(found->second, r, c));
                    EXPECT_EQ(point.m_Amplitude, expected) << r << c << s << t;
                }
            }
        }
    }
    EXPECT_EQ(Progress(), (std::vector<std::pair<uint64_t, int64_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

    // A fifth packet changes nothing.
    layer->ProcessZeltSpatialScanData(SpatialPacket(1, 3, 2, 2, 0, [](int, int) { return 1.0; }));
    EXPECT_TRUE(log.Has("ProcessZeltSpatialScanData() --- extra packets"));
    EXPECT_TRUE(Containers().empty());
    EXPECT_EQ(Progress().size(), 4U);
}

TEST_F(InterleaveTest, ContinuousSpatialScanStartsAgainAfterItsPause) {
    controller.continuous = true;
    SetUpScan(InterleavedSetup(100, 1, 1, 1));
    for (uint32_t round = 0; round < 2; ++round) {
        for (uint32_t k = 0; k < 4; ++k) {
            layer->ProcessZeltSpatialScanData(SpatialPacket(1, k, 1, 1, 0, [](int, int) { return 5.0; }));
        }
    }
    EXPECT_EQ(Containers().size(), 2U);
    EXPECT_TRUE(log.Has("Spatial scan continuously, start scan again..."));
    const auto progress = Progress();
    ASSERT_EQ(progress.size(), 10U);
    EXPECT_EQ(progress[4], (std::pair<uint64_t, int64_t>{0, 2}));
    const auto pauses = clock.Pauses();
    EXPECT_NE(std::find(pauses.begin(), pauses.end(), std::chrono::milliseconds(200)), pauses.end());
}

TEST_F(InterleaveTest, BlindSpotSecondPassRaisesTheRowBelowItsFirstPass) {
    // Three rows, one column, level 1: first pass f, second pass s.
    auto first = [](int r, uint32_t k) { return 100.0 * r + 10.0 * k + 1.0; };
    auto second = [](int r, uint32_t k) { return r == 0 ? 500.0 + k : (r == 1 ? 50.0 : 900.0); };
    SetUpScan(InterleavedSetup(100, 3, 1, 1, 1));
    for (uint32_t k = 0; k < 4; ++k) {
        layer->ProcessZeltSpatialScanData(
            SpatialPacket(1, k, 3, 1, 0, [&](int r, int) { return first(r, k); }));
    }
    EXPECT_TRUE(Containers().empty());
    EXPECT_TRUE(log.Has("CB_SpatialScanData() --- skip due to blindspot reduction. 4, expecting --- 4"));
    for (uint32_t k = 0; k < 4; ++k) {
        layer->ProcessZeltSpatialScanData(
            SpatialPacket(1, k, 3, 1, 1, [&](int r, int) { return second(r, k); }));
    }
    std::vector<std::unique_ptr<QTransportContainer>> containers = Containers();
    ASSERT_EQ(containers.size(), 1U);
    const QSpatialScan* scan = containers[0]->GetSpatialScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetBlindSpot(), 1);
    for (const QSpatialFloatPoint& point : scan->GetFloatPoints()) {
        const int r = point.m_Row;
        const uint32_t k = point.m_SubRow == 0 ? static_cast<uint32_t>(point.m_SubColumn)
                                               : 3U - static_cast<uint32_t>(point.m_SubColumn);
        // Row r: the larger of its first-pass value and the second-pass value of row r - 1.
        const double expected = r == 0 ? first(0, k) : std::max(first(r, k), second(r - 1, k));
        EXPECT_EQ(point.m_Amplitude, static_cast<float>(expected)) << r << " " << k;
    }
    // The last row's second-pass value has no row below it.
    EXPECT_TRUE(
        log.Has("PrepareZeltpSpatialInterleavedBuffer() --- skip due to no data found at [2, 0]-[0, 0]."));
    const auto progress = Progress();
    ASSERT_EQ(progress.size(), 8U);
    EXPECT_EQ(progress.front(), (std::pair<uint64_t, int64_t>{1, 8}));
    EXPECT_EQ(progress.back(), (std::pair<uint64_t, int64_t>{8, 8}));
}

TEST_F(InterleaveTest, MalformedSpatialPacketsAreLoggedAndSkipped) {
    auto any = [](int, int) { return 3.0; };
    struct Case {
        const char* name;
        std::function<void()> setUp;
        QZeltSpatialHandOver packet;
        std::string logged;
    };
    const Case cases[] = {
        {"index 4 at level 1", [&] { SetUpScan(InterleavedSetup(100, 2, 2, 1)); },
         SpatialPacket(1, 4, 2, 2, 0, any),
         "ProcessZeltSpatialScanData() --- skip: sub-position 4 lies outside 0 to 3."},
        {"a 1 x 1 packet on a 2 x 2 set-up", [&] { SetUpScan(InterleavedSetup(100, 2, 2, 1)); },
         SpatialPacket(1, 0, 1, 1, 0, any),
         "ProcessZeltSpatialScanData() --- skip: a grid of 1 x 1 does not cover the set-up's 2 x 2."},
        {"level 9", [&] { SetUpScan(InterleavedSetup(100, 2, 2, 9)); }, SpatialPacket(9, 0, 2, 2, 0, any),
         "Interleaved scan of level 9: the levels run from 0 to 7; nothing is prepared."},
        {"no set-up held", [&] { SetUpScan(InterleavedSetup(100, 2, 2, 1), false); },
         SpatialPacket(1, 0, 2, 2, 0, any),
         "ProcessZeltSpatialScanData() --- skip: no interleaved spatial scan is set up."},
        {"a skip word",
         [&] {
             QSetupScanCommand setup = InterleavedSetup(100, 2, 2, 1);
             setup.SetInterleaveSkip(1);
             SetUpScan(setup);
         },
         SpatialPacket(1, 0, 2, 2, 0, any),
         "ProcessZeltSpatialScanData() --- skip: no interleaved spatial scan is set up."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        layer = std::make_unique<QCommLayer>();
        layer->SetStateController(&controller);
        log.Clear();
        controller.target.Clear();
        c.setUp();
        Containers();
        for (int repeat = 0; repeat < 5; ++repeat) {
            layer->ProcessZeltSpatialScanData(c.packet);
        }
        EXPECT_TRUE(log.Has(c.logged));
        EXPECT_TRUE(Containers().empty());
        EXPECT_TRUE(Progress().empty());
    }
}

TEST_F(InterleaveTest, LevelMismatchIsLoggedAndTheScanGoesOn) {
    SetUpScan(InterleavedSetup(100, 1, 1, 1));
    layer->ProcessZeltSpatialScanData(SpatialPacket(2, 0, 1, 1, 0, [](int, int) { return 1.0; }));
    EXPECT_TRUE(log.Has("Error:: different spatial level, level in data: 2; level in setting: 1"));
    EXPECT_EQ(Progress().size(), 1U);
}

float BlockPoint(const QSpectralSpatialScanComponent& component, uint32_t i) {
    return component.GetBlockPoint(i);
}

TEST_F(InterleaveTest, SpectralSpatialComponentsAreCheckedAndPassedOnWithTheirBlock) {
    SetUpScan(InterleavedSetup(101, 2, 2, 1, 0, 3));
    Containers();
    layer->ZeltSpectralSpatialScanData(Component(1, 0, 2, 0, {1, 2, 3}));
    layer->ZeltSpectralSpatialScanData(Component(1, 0, -1, 0, {1, 2, 3}));
    layer->ZeltSpectralSpatialScanData(Component(1, 4, 0, 0, {1, 2, 3}));
    layer->ZeltSpectralSpatialScanData(Component(1, 2, 1, 1, {1, 2}));
    EXPECT_TRUE(log.Has(
        "ZeltSpectralSpatialScanData() --- skip due to getting illegal position data at [2, 0]-[0, 0]"));
    EXPECT_TRUE(log.Has(
        "ZeltSpectralSpatialScanData() --- skip due to getting illegal position data at [-1, 0]-[0, 0]"));
    EXPECT_TRUE(log.Has(
        "ZeltSpectralSpatialScanData() --- skip due to getting illegal position data at [0, 0]-[2, 0]"));
    EXPECT_TRUE(log.Has("ZeltSpectralSpatialScanData() --- skip due to getting fewer data at [1, 1]-[1, 1]; "
                        "expecting 3, actual 2"));
    EXPECT_TRUE(Containers().empty());

    // Surplus points are left out.
    layer->ZeltSpectralSpatialScanData(Component(1, 2, 1, 0, {-10, -20, -30, -40, -50}));
    std::vector<std::unique_ptr<QTransportContainer>> containers = Containers();
    ASSERT_EQ(containers.size(), 1U);
    const QSpectralSpatialScanComponent* component = containers[0]->GetSpectralSpatialScanComponent();
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(component->GetDataForm(), 1);
    EXPECT_EQ(component->GetLevel(), 1);
    EXPECT_EQ(component->GetBlockPointCount(), 3U);
    EXPECT_EQ(component->GetBlockSize(), 8U + 12U);
    EXPECT_EQ(component->GetBlockPosition(), (std::array<uint16_t, 4>{1, 0, 1, 1}));
    EXPECT_EQ(BlockPoint(*component, 0), -10.0F);
    EXPECT_EQ(BlockPoint(*component, 2), -30.0F);
    EXPECT_EQ(component->GetReceivedPackets(), 1);
    EXPECT_EQ(component->GetExpectedPackets(), 16);
    EXPECT_TRUE(log.Has("ZeltSpectralSpatialScanData() --- Incoming packets:  1;     Expecting:  16     "
                        "--------- Row=01, Col=00,   SubRow=01, SubCol=01"));
}

TEST_F(InterleaveTest, BlindSpotSpectralSpatialScanYieldsThePointwiseMaxima) {
    // One cell, level 1, two points: four components a pass.
    SetUpScan(InterleavedSetup(101, 1, 1, 1, 1, 2));
    Containers();
    for (uint32_t k = 0; k < 4; ++k) {
        layer->ZeltSpectralSpatialScanData(Component(1, k, 0, 0, {10.0 * k, 100.0}));
    }
    EXPECT_TRUE(Containers().empty());
    for (uint32_t k = 0; k < 4; ++k) {
        layer->ZeltSpectralSpatialScanData(Component(1, k, 0, 0, {5.0, 50.0 + 20.0 * k}));
    }
    std::vector<std::unique_ptr<QTransportContainer>> containers = Containers();
    ASSERT_EQ(containers.size(), 4U);
    for (uint32_t k = 0; k < 4; ++k) {
        const QSpectralSpatialScanComponent& component = *containers[k]->GetSpectralSpatialScanComponent();
        EXPECT_EQ(component.GetBlindSpot(), 1);
        EXPECT_EQ(BlockPoint(component, 0), std::max(10.0F * static_cast<float>(k), 5.0F)) << k;
        EXPECT_EQ(BlockPoint(component, 1), std::max(100.0F, 50.0F + 20.0F * static_cast<float>(k))) << k;
    }
    // Every first-pass block was merged: none is left over.
    EXPECT_FALSE(log.Has("CleanupZeltpSpectralSpatialInterleavedBuffer() --- get a leftover."));
    const auto pauses = clock.Pauses();
    EXPECT_NE(std::find(pauses.begin(), pauses.end(), std::chrono::milliseconds(100)), pauses.end());
    const auto progress = Progress();
    ASSERT_EQ(progress.size(), 8U);
    EXPECT_EQ(progress.back(), (std::pair<uint64_t, int64_t>{8, 8}));

    // A new set-up frees what a broken pass left.
    SetUpScan(InterleavedSetup(101, 1, 1, 1, 1, 2));
    layer->ZeltSpectralSpatialScanData(Component(1, 0, 0, 0, {1.0, 1.0}));
    SetUpScan(InterleavedSetup(101, 1, 1, 1, 1, 2));
    EXPECT_TRUE(log.Has("CleanupZeltpSpectralSpatialInterleavedBuffer() --- get a leftover."));
}

} // namespace
} // namespace orv
