// The Compare Spatial frame on a real X server (Xvfb), on each of its three tabs: the test scan, the
// reference scan and the comparison with its own header. The screen is written out as pictures.

#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProjectWindowOnXServer.h"
#include "views/spatial/CSpatialComparisonView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace orv {
namespace {

// A 6 x 8 board at 150 MHz: a slope of levels, and in the test a hot spot 9 dB up around (2, 5).
std::unique_ptr<CSpatialScanData> Board(int32_t id, bool test, QNodeMediator* owner) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->m_ScanId = static_cast<uint32_t>(id);
    scan->m_Rows = 6;
    scan->m_Columns = 8;
    scan->m_CenterFrequency = 150.0F;
    scan->m_ResolutionBandwidth = 0.12F;
    scan->m_ModuleText = test ? "HX-2 test" : "HX-2 reference";
    scan->m_DateText = "2026-12-11 17:00";
    scan->SetProbeScanPatternSize(6, 8);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 8; ++c) {
            int level = 300 + 25 * r + 15 * c;
            if (test && std::abs(r - 2) <= 1 && std::abs(c - 5) <= 1) {
                level += (r == 2 && c == 5) ? 90 : 45;
            }
            scan->m_Values.push_back(static_cast<int16_t>(level));
        }
    }
    scan->m_Mediator = owner;
    return scan;
}

class ComparisonFrameScreenshots : public testing::ProjectWindowOnXServerTest {
protected:
    ComparisonFrameScreenshots()
        : ProjectWindowOnXServerTest("ComparisonFrameScreenshots", QRect(0, 0, 1280, 1000)) {}

    void TearDown() override {
        ProjectWindowOnXServerTest::TearDown();
        CViewFrame::SetDropTargetHook({});
    }

    static QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }
    static void Save(const QImage& screen, const std::string& name) {
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        EXPECT_TRUE(screen.save(QString::fromStdString(std::string(ORV_SCREENSHOT_DIR) + "/" + name)));
    }
};

TEST_F(ComparisonFrameScreenshots, EachTabOfTheCompareSpatialFrame) {
    QNodeMediator& node = AddNode(kTypeSpatialComparisonNode);
    ASSERT_TRUE(node.SetComparedScan(true, Board(1, false, &node)));
    ASSERT_TRUE(node.SetComparedScan(false, Board(2, true, &node)));
    node.ViewNode();
    auto* view = dynamic_cast<CSpatialComparisonView*>(node.GetSpatialView());
    ASSERT_NE(view, nullptr);
    QWidget* window = view->window();
    CTabCtrlEx* tabs = view->GetTabStrip(CSpatialView::TabStrip::Comparison);
    ASSERT_NE(tabs, nullptr);
    const char* names[] = {"spatial-comparison-test.png", "spatial-comparison-reference.png",
                           "spatial-comparison-result.png"};
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        tabs->setCurrentIndex(tab);
        // The hot spot's centre cell on the screen in a colour other than the view's background,
        // once the tab's map is drawn.
        QImage screen;
        auto drawn = [&] {
            if (view->GetComparisonPane() != tab || !view->isVisible()) {
                return false;
            }
            const CSpatialCell& cell = view->GetCell(2, 5);
            if (cell.m_HasData == 0) {
                return false;
            }
            screen = Screen();
            const QPoint centre =
                view->mapToGlobal(QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                         (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2));
            return (screen.pixel(centre) & 0xFFFFFFU) != 0xE8E8E8U && !view->GetLegendTexts().empty();
        };
        ASSERT_TRUE(testing::ProcessEventsUntil(drawn, std::chrono::seconds(10)));
        testing::FlushEvents();
        screen = Screen();
        // The frame lies wholly on the screen.
        const QRect frame(window->mapToGlobal(QPoint(0, 0)), window->size());
        EXPECT_TRUE(screen.rect().contains(frame)) << frame.x() << "," << frame.y();
        if (tab == 2) {
            ASSERT_EQ(view->GetLegendTexts().size(), 2U);
            EXPECT_EQ(view->GetLegendTexts()[0].text, CSpatialComparisonView::kTitle);
            EXPECT_EQ(view->GetLegendTexts()[1].text,
                      "      Comparison Amplitude[0.00    to  9.00   dB]      ");
        } else {
            ASSERT_EQ(view->GetLegendTexts().size(), 5U);
            EXPECT_EQ(view->GetLegendTexts()[3].text, tab == 0 ? "     Scanner Module: HX-2 test     "
                                                               : "     Scanner Module: HX-2 reference     ");
        }
        Save(screen, names[tab]);
    }
}

} // namespace
} // namespace orv
