#include "engine/runners/SpectralSpatialScan.h"

#include "analyzers/CSAConnection.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::ReadBack;
using test::ReplyFrame;
using test::RunnerRig;

// (row, column, component) of each packet 101, read back by the client's reader.
std::vector<std::tuple<int, int, int>> Components(const std::vector<ReplyFrame>& frames, int level) {
    std::vector<std::tuple<int, int, int>> cells;
    for (const ReplyFrame& frame : RunnerRig::OfType(frames, 101)) {
        const auto component = ReadBack<QSpectralSpatialScanComponent>(RunnerRig::WholeFrame(frame));
        EXPECT_EQ(component->GetLevel(), level);
        EXPECT_EQ(component->GetDataForm(), level >= 1 ? 1 : 0);
        cells.emplace_back(component->GetRow(), component->GetColumn(), component->GetSubPosition());
    }
    return cells;
}

TEST(SpectralSpatialScanTest, OneComponentSendsProgressAndAComponentPerCell) {
    RunnerRig rig(eProbeType::UsbScannerBoard);
    rig.SetGrid(1, 3, {1, 0, 1});
    rig.setup.SetNumberOfFrequencyBuckets(3);
    rig.analyzer->traceOf = [](int s) { return std::vector<float>{static_cast<float>(s), -1.5F, 3.0F}; };
    SpectralSpatialScan runner(rig.Context());
    runner.RunScanStart();
    EXPECT_EQ(runner.GetStatus(), 0U);
    const std::vector<ReplyFrame> frames = rig.TakeFrames();
    ASSERT_EQ(frames.size(), 4U);
    EXPECT_EQ(frames[0].id, 105);
    EXPECT_EQ(frames[1].id, 101);
    EXPECT_EQ(Components(frames, 0), (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {0, 2, 0}}));
    const auto second = ReadBack<QSpectralSpatialScanComponent>(RunnerRig::WholeFrame(frames[3]));
    EXPECT_EQ(second->GetAmplitudes(), (std::vector<int16_t>{10, -15, 30}));
    const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frames[2]));
    EXPECT_EQ(std::make_tuple(progress->m_Row, progress->m_Column, progress->m_Total, progress->m_Done),
              std::make_tuple(0, 2, 2, 2));
    // No spectrum is sent.
    EXPECT_TRUE(RunnerRig::OfType(frames, 99).empty());
    EXPECT_EQ(rig.journal.events.back(), "ExtraHook");
}

TEST(SpectralSpatialScanTest, TheOrderFollowsTheScannerKind) {
    struct Case {
        eProbeType scanner;
        std::vector<std::tuple<int, int, int>> order;
    };
    const std::vector<Case> cases{
        // The external adapter covers the grid per component.
        {eProbeType::ExternalAdapter,
         {{0, 0, 0}, {1, 1, 0}, {0, 0, 1}, {1, 1, 1}, {0, 0, 2}, {1, 1, 2}, {0, 0, 3}, {1, 1, 3}}},
        // Every other scanner takes every component of a cell before the next cell.
        {eProbeType::UsbScannerBoard,
         {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {1, 1, 0}, {1, 1, 1}, {1, 1, 2}, {1, 1, 3}}},
    };
    for (const Case& c : cases) {
        RunnerRig rig(c.scanner);
        rig.SetGrid(2, 2, {1, 0, 0, 1});
        rig.setup.SetNumberOfFrequencyBuckets(3);
        rig.setup.SetScanBytes({0, 0, 0, 1});
        SpectralSpatialScan runner(rig.Context());
        runner.RunScanStart();
        EXPECT_EQ(runner.GetStatus(), 0U);
        const std::vector<ReplyFrame> frames = rig.TakeFrames();
        // Four components: no progress and no spectrum, only the components, level 1.
        EXPECT_EQ(frames.size(), 8U);
        EXPECT_EQ(Components(frames, 1), c.order);
        // The scanner received each component as its step words.
        const auto firstSwitch = std::find_if(rig.journal.events.begin(), rig.journal.events.end(),
                                              [](const std::string& e) { return e.starts_with("switch"); });
        ASSERT_NE(firstSwitch, rig.journal.events.end());
        EXPECT_EQ(*firstSwitch, "switch 0,0 w0/4");
        EXPECT_EQ(rig.journal.Count("switch"), 8U);
    }
}

TEST(SpectralSpatialScanTest, EachReadingsTimeIsStoredInTheConnectionWhenTimingIsOn) {
    struct Connection final : CSAConnection {
        std::string QueryIdentity() override { return "timed"; }
        bool DetectAndConnect() override { return true; }
    };
    RunnerRig rig;
    rig.SetAllActive(1, 1);
    rig.setup.SetNumberOfFrequencyBuckets(3);
    rig.devices->SetVisaConnectionMaker([] { return std::make_unique<Connection>(); });
    ASSERT_TRUE(rig.devices->ConnectVisa());
    CSAConnection* connection = rig.devices->GetConnection();
    ASSERT_NE(connection, nullptr);
    // Each sweep takes 12 ms of the fake clock.
    rig.analyzer->afterSweep = [&rig](int) { rig.clock.Advance(12ms); };
    SpectralSpatialScan runner(rig.Context());
    runner.RunScanStart();
    EXPECT_EQ(connection->GetReadingMilliseconds(), 12.0);

    connection->SetTimingEnabled(false);
    connection->SetReadingMilliseconds(0.0);
    SpectralSpatialScan untimed(rig.Context());
    untimed.RunScanStart();
    EXPECT_EQ(connection->GetReadingMilliseconds(), 0.0);
}

} // namespace
} // namespace orv
