// The spectral/spatial pane refreshing while a scan appends its cells under the node's data lock:
// every trace it builds is made of whole cells.

#include "core/TypeIds.h"
#include "platform/sync/CriticalSection.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spectral/CSpectralSSView.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace orv::test {
namespace {

class SpectralSSViewThreadedTest : public SpectralViewTest {
protected:
    SpectralSSViewThreadedTest() {
        factory.makeView = [](MessageThread& t) { return std::make_unique<CSpectralSSView>(t); };
    }
};

TEST_F(SpectralSSViewThreadedTest, RefreshesTakeWholeCellsWhileCellsArrive) {
    constexpr uint32_t kPoints = 501;
    constexpr uint32_t kUnits = 3000;
    Open(kTypeSpectralSpatialScanNode);
    mediator->spectralDisplay.m_switch2 = 0;
    factory.spectralFrames.back()->pane.selectedCells = {{0, 0}};
    QCellAddition first;
    first.m_Record.m_ScanId = 1;
    first.m_Record.m_Rows = 29;
    first.m_Record.m_Columns = 42;
    first.m_Record.m_StartFrequency = 100.0F;
    first.m_Record.m_StopFrequency = 200.0F;
    first.m_CellIndex = 1;
    first.m_CellCount = kUnits + 1; // never complete here
    first.m_HasValues = true;
    first.m_Values.assign(kPoints, 10);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(first, false));
    mediator->ShowScanData(1);
    Pump();
    CSpectralView& view = View();
    CSpectralSpatialScanData& scan = *mediator->GetCurrentSpectralSpatialScanData();
    CriticalSection& section = mediator->GetSecondCriticalSection();

    std::atomic<bool> stop{false};
    std::thread cells([&] {
        // Cell u reads 10 * (u + 1) tenths at every point; each is made whole before it is listed.
        for (uint32_t u = 1; u < kUnits && !stop.load(); ++u) {
            auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
            unit->m_Row = static_cast<uint16_t>(u % 29);
            unit->m_Column = static_cast<uint16_t>(u / 29 % 42);
            unit->m_Amplitudes.assign(kPoints, static_cast<int16_t>(10 * (u + 1)));
            const CriticalSectionGuard guard(section);
            scan.m_Units.push_back(std::move(unit));
        }
    });
    for (int refresh = 0; refresh < 1000; ++refresh) {
        view.RequestReload();
        bool needsData = false;
        ASSERT_TRUE(view.LoadTraceData(false, needsData));
        const std::vector<TracePoint>& points = view.GetPoints();
        ASSERT_EQ(points.size(), kPoints);
        for (const TracePoint& point : points) {
            ASSERT_EQ(point.m_Amplitude, points.front().m_Amplitude) << refresh;
            ASSERT_EQ(point.m_Words, points.front().m_Words) << refresh;
        }
        const std::vector<TracePoint>& user = view.GetSecondPoints();
        ASSERT_EQ(user.size(), kPoints);
        ASSERT_EQ(user.back().m_Amplitude, user.front().m_Amplitude);
    }
    stop = true;
    cells.join();
}

} // namespace
} // namespace orv::test
