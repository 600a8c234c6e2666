// The spectral view of a Spectral Spatial Scripting node in a real project window: the children's
// scans joined in tree order, the maximum over the cells of each, the peak circles on the joined
// trace, the header, and zoom, read-out and menu driven by the mouse.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/QAttenuatorOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/NodeMessages.h"
#include "project/QExportTextSink.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/QSpectralScanDataExporter.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpectralSpatialScriptingViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralSpatialScriptingView.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace orv {
namespace {

using testing::ProjectSandbox;
using testing::TestMainFrame;

// One child's scan: `points` points from start to stop; cell k at (row k, column 2k) with the level
// level(k, i) in tenths at point i.
struct SegmentScan {
    float start = 0.0F;
    float stop = 0.0F;
    uint32_t points = 0;
    uint32_t cells = 1;
    std::function<int16_t(uint32_t, uint32_t)> level;
    std::vector<QMeasuredFrequencyData::Entry> measured;
};

QCellAddition Cell(const SegmentScan& scan, uint32_t k, uint32_t points) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = 1;
    addition.m_Record.m_Rows = 8;
    addition.m_Record.m_Columns = 16;
    addition.m_Record.m_StartFrequency = scan.start;
    addition.m_Record.m_StopFrequency = scan.stop;
    addition.m_Record.m_Texts = {"user", "analyser", "module", "2026-12-11", "head", ""};
    addition.m_CellIndex = k + 1;
    addition.m_CellCount = scan.cells;
    addition.m_CellWord1 = static_cast<uint16_t>(k);
    addition.m_CellWord2 = static_cast<uint16_t>(2 * k);
    addition.m_HasValues = true;
    for (uint32_t i = 0; i < points; ++i) {
        addition.m_Values.push_back(scan.level(k, i));
    }
    return addition;
}

class SpectralScriptingViewTest : public testing::QtWidgetTest {
protected:
    SpectralScriptingViewTest()
        : m_sandbox("SpectralScriptingViewTest"),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
        m_scripting = &AddNode(Tree().GetRootItem(), kTypeSpectralSpatialScriptingModuleNode);
        // No circles unless a test asks for them.
        m_scripting->GetSpectralDisplayOptions()->m_switch2 = 0;
    }
    ~SpectralScriptingViewTest() override { CFormViewFactory::SetFrameMaker({}); }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    QNodeMediator& AddNode(CTreeItem* parent, uint16_t kind, int32_t position = CViewTree::kLast) {
        TfrmMainApp& project = *m_projects.FindProjectById(m_project->GetProjectId());
        return *project.GetOpenProject()->AddNode(parent, position, kind);
    }
    // A Spectral/Spatial child of the scripting node at a tree position, holding the scan if any.
    QNodeMediator& AddChild(const SegmentScan* scan, int32_t position = CViewTree::kLast) {
        CTreeItem* parent = Tree().GetFirstChildItem(Tree().GetRootItem());
        while (parent != nullptr && Tree().GetItemMediator(parent) != m_scripting) {
            parent = Tree().GetNextSiblingItem(parent);
        }
        QNodeMediator& child = AddNode(parent, kTypeSpectralSpatialScanNode, position);
        if (scan != nullptr) {
            Fill(child, *scan);
        }
        return child;
    }
    static void Fill(QNodeMediator& child, const SegmentScan& scan, uint32_t shortCell = ~0U) {
        for (uint32_t k = 0; k < scan.cells; ++k) {
            EXPECT_TRUE(child.AddSpectralSpatialScanData(
                Cell(scan, k, k == shortCell ? scan.points / 2 : scan.points), false));
        }
        if (!scan.measured.empty()) {
            QCellAddition closing;
            closing.m_Record.m_ScanId = 1;
            closing.m_CellIndex = 0;
            closing.m_CellCount = scan.cells;
            closing.m_MeasuredFrequencies = scan.measured;
            EXPECT_TRUE(child.AddSpectralSpatialScanData(closing, false));
        }
    }
    // Opens the node's frame (once) and shows the joined trace, as the mediator's show message does.
    CSpectralSpatialScriptingView& Show() {
        bool created = false;
        m_scripting->OpenView(kTypeSpectralSpatialScriptingModuleNode, created, true);
        testing::FlushEvents();
        auto* frame =
            dynamic_cast<CSpectralSpatialScriptingViewFrame*>(m_scripting->GetFrame(QFrameClass::Scripting));
        EXPECT_NE(frame, nullptr);
        auto* view = dynamic_cast<CSpectralSpatialScriptingView*>(frame->GetView());
        EXPECT_NE(view, nullptr);
        view->GetMessageTarget().Post(NodeMessage::kShowScripting);
        testing::FlushEvents();
        return *view;
    }
    static bool NeedsData(CSpectralView& view) {
        bool needsData = false;
        EXPECT_FALSE(view.LoadTraceData(true, needsData));
        return needsData;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    QNodeMediator* m_scripting = nullptr;
};

const SegmentScan kLow{
    30.0F, 80.0F, 101, 2, [](uint32_t k, uint32_t i) { return static_cast<int16_t>(200 + 10 * k + (i % 7)); },
    {}};
const SegmentScan kHigh{80.0F,
                        200.0F,
                        241,
                        3,
                        [](uint32_t k, uint32_t i) { return static_cast<int16_t>(300 - 20 * k + (i % 5)); },
                        {}};

TEST_F(SpectralScriptingViewTest, TheChildrenAreJoinedInTreeOrderWithTheAttenuatorAdded) {
    m_scripting->GetAttenuatorOptions()->m_value = 2.5F;
    AddChild(&kLow);
    AddChild(&kHigh);
    CSpectralSpatialScriptingView& view = Show();
    EXPECT_EQ(view.GetDisplayMode(), CSpectralView::kModeScripting);
    const std::vector<TracePoint>& points = view.GetPoints();
    ASSERT_EQ(points.size(), 342U);
    ASSERT_EQ(view.GetSegments().size(), 2U);
    // The strongest cell of each point, in dBuV, the attenuator on top.
    EXPECT_FLOAT_EQ(points[3].m_Amplitude, 21.3F + 2.5F);
    EXPECT_EQ(points[3].m_Words, (std::array<uint16_t, 4>{1, 2, 0, 0}));
    EXPECT_FLOAT_EQ(points[101 + 4].m_Amplitude, 30.4F + 2.5F);
    EXPECT_EQ(points[101 + 4].m_Words, (std::array<uint16_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(points[100].m_Frequency, 80.0F);
    EXPECT_EQ(points[101].m_Frequency, 80.0F);
    EXPECT_EQ(points[341].m_Frequency, 200.0F);
    EXPECT_FLOAT_EQ(points[102].m_Frequency, 80.5F);
    EXPECT_EQ(view.GetSegments()[0].m_Points.back().m_Frequency, 80.0F);
    EXPECT_EQ(view.GetSegments()[1].m_Points.back().m_Frequency, 200.0F);
    EXPECT_FLOAT_EQ(view.GetTotalSpan(), 170.0F);
    EXPECT_FLOAT_EQ(view.GetAmpMin(), 21.0F + 2.5F);
    EXPECT_FLOAT_EQ(view.GetAmpMax(), 30.4F + 2.5F);

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        const std::vector<std::string> lines = view.BuildHeaderLines();
        ASSERT_EQ(lines.size(), 3U) << locale;
        EXPECT_EQ(lines[0], "             Spectral/Spatial Scripting            ");
        EXPECT_EQ(lines[1], "      Amplitude Level [23.5   to  32.9  dBuV]      ");
        EXPECT_EQ(lines[2], "     Frequency Span [30.000    to  200.000  MHz]      ");
    }
    std::setlocale(LC_ALL, previous.c_str());

    // A child put between the two takes its place in the tree; one without a scan is left out.
    const SegmentScan middle{100.0F, 110.0F, 11, 1, [](uint32_t, uint32_t) { return int16_t{500}; }, {}};
    AddChild(&middle, 1);
    AddChild(nullptr, 0);
    view.GetMessageTarget().Post(NodeMessage::kShowScripting);
    testing::FlushEvents();
    ASSERT_EQ(view.GetPoints().size(), 353U);
    ASSERT_EQ(view.GetSegments().size(), 3U);
    EXPECT_EQ(view.GetSegments()[1].m_StartFrequency, 100.0F);
    EXPECT_FLOAT_EQ(view.GetPoints()[101].m_Amplitude, 52.5F);
    EXPECT_EQ(view.GetPoints()[111].m_Frequency, 110.0F);
    EXPECT_EQ(view.GetPoints()[112].m_Frequency, 80.0F);
}

TEST_F(SpectralScriptingViewTest, WithoutChildrenOrScansTheViewAsksForData) {
    CSpectralSpatialScriptingView& view = Show();
    EXPECT_TRUE(NeedsData(view));
    AddChild(nullptr);
    view.GetMessageTarget().Post(NodeMessage::kShowScripting);
    testing::FlushEvents();
    EXPECT_TRUE(NeedsData(view));
    EXPECT_TRUE(view.GetPoints().empty());
    EXPECT_EQ(view.GetTrace(), nullptr);
    // The hint is drawn in its colour on the plot.
    const QImage& plot = view.GetPlotImage();
    bool hint = false;
    for (int y = 0; y < plot.height() && !hint; ++y) {
        for (int x = 0; x < plot.width() && !hint; ++x) {
            hint = (plot.pixel(x, y) & 0xFFFFFFU) == 0x000064U;
        }
    }
    EXPECT_TRUE(hint);
}

TEST_F(SpectralScriptingViewTest, EqualLevelsKeepTheEarlierCellAndOddInputsAreLeftOut) {
    // Cells 0 and 1 share the level everywhere but at point 2, where cell 1 is higher; cell 2 is
    // shorter than the others and left out, though its levels are higher still. Measured indices
    // beyond a segment go, the others move with their segment.
    SegmentScan first{10.0F,
                      20.0F,
                      5,
                      3,
                      [](uint32_t k, uint32_t i) {
                          if (k == 2) {
                              return int16_t{900};
                          }
                          return static_cast<int16_t>(i == 2 && k == 1 ? 150 : 100);
                      },
                      {}};
    first.measured = {{1, 12.5F}, {7, 99.0F}};
    SegmentScan second{20.0F, 30.0F, 3, 1, [](uint32_t, uint32_t) { return int16_t{120}; }, {}};
    second.measured = {{0, 20.0F}, {3, 99.0F}, {2, 30.0F}};
    QNodeMediator& child = AddChild(nullptr);
    Fill(child, first, 2);
    AddChild(&second);
    CSpectralSpatialScriptingView& view = Show();
    const std::vector<TracePoint>& points = view.GetPoints();
    ASSERT_EQ(points.size(), 8U);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const bool second = i == 2;
        EXPECT_FLOAT_EQ(points[i].m_Amplitude, second ? 15.0F : 10.0F);
        EXPECT_EQ(points[i].m_Words[0], second ? 1 : 0);
        EXPECT_EQ(points[i].m_Words[1], second ? 2 : 0);
    }
    EXPECT_EQ(view.GetMeasuredIndexes(), (std::vector<int32_t>{1, 5, 7}));
    EXPECT_EQ(view.GetMeasuredFrequencies(), (std::vector<float>{12.5F, 20.0F, 30.0F}));
    // Drawn with the short cell and the dropped indices: nothing is read past a segment.
    EXPECT_NE(view.GetTrace(), nullptr);
    EXPECT_GT(view.GetRenderCount(), 0);
}

TEST_F(SpectralScriptingViewTest, TheStrongestMeasuredPointsAreCircledWhereverTheirSegmentLies) {
    // Five measured points above the threshold in the first segment, one in the second; at most
    // three are circled, the strongest first.
    SegmentScan first{100.0F,
                      200.0F,
                      101,
                      1,
                      [](uint32_t, uint32_t i) {
                          switch (i) {
                          case 10:
                              return int16_t{400};
                          case 30:
                              return int16_t{700};
                          case 50:
                              return int16_t{500};
                          case 70:
                              return int16_t{650};
                          case 90:
                              return int16_t{450};
                          default:
                              return int16_t{0};
                          }
                      },
                      {}};
    first.measured = {{10, 110.0F}, {30, 130.0F}, {50, 150.0F}, {70, 170.0F}, {90, 190.0F}};
    SegmentScan second{
        200.0F, 300.0F, 101, 1, [](uint32_t, uint32_t i) { return static_cast<int16_t>(i == 40 ? 600 : 0); },
        {}};
    second.measured = {{40, 240.0F}};
    AddChild(&first);
    AddChild(&second);
    QSpectralDisplayOptions& options = *m_scripting->GetSpectralDisplayOptions();
    options.m_switch2 = 1;
    options.SetUsesNodeSettings(true);
    options.m_step = 5.0F;
    options.m_count = 3;
    CSpectralSpatialScriptingView& view = Show();
    const CSpectralDrawPoint& trace = *view.GetTrace();
    std::vector<int32_t> circled;
    for (int32_t j = 0; j < trace.m_Count; ++j) {
        if (trace.m_PeakFlags[static_cast<size_t>(j)] != 0) {
            circled.push_back(trace.m_PointIndexes[static_cast<size_t>(j)]);
        }
    }
    EXPECT_EQ(circled, (std::vector<int32_t>{30, 70, 101 + 40}));
    const QImage& plot = view.GetPlotImage();
    // The bottom of a ring of radius 7 drawn with a 2-pixel pen.
    auto ringAt = [&](int32_t index) {
        const QPoint centre = trace.m_Positions[static_cast<size_t>(index)];
        for (int dy = 6; dy <= 8; ++dy) {
            if ((plot.pixel(centre + QPoint(0, dy)) & 0xFFFFFFU) == 0xA0A000U) {
                return true;
            }
        }
        return false;
    };
    for (const int32_t index : {30, 70, 141}) {
        EXPECT_TRUE(ringAt(index)) << index;
    }
    for (const int32_t index : {10, 50, 90}) {
        EXPECT_FALSE(ringAt(index)) << index;
    }
    EXPECT_EQ(trace.m_Frequencies[141], 240.0F);
}

TEST_F(SpectralScriptingViewTest, ShowingTheViewChangesNeitherTheChildrensScansNorTheirExport) {
    QNodeMediator& low = AddChild(&kLow);
    AddChild(&kHigh);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orv-scripting-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto exportLow = [&] {
        const std::string path = (folder / "export.txt").string();
        {
            QSpectralScanDataExporter exporter;
            QExportTextSink sink(path);
            exporter.ExportScan(low, sink, 1, path);
        }
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    };
    const std::string before = exportLow();
    ASSERT_FALSE(before.empty());
    CSpectralSpatialScanData& scan = *low.FindSpectralSpatialScanData(1);
    const float range[4] = {scan.m_MinLevelShown, scan.m_MaxLevelShown, scan.m_LevelLow, scan.m_LevelHigh};
    CSpectralSpatialScriptingView& view = Show();
    ASSERT_EQ(view.GetPoints().size(), 342U);
    EXPECT_EQ(exportLow(), before);
    const float after[4] = {scan.m_MinLevelShown, scan.m_MaxLevelShown, scan.m_LevelLow, scan.m_LevelHigh};
    EXPECT_TRUE(std::equal(std::begin(range), std::end(range), std::begin(after)));
    EXPECT_FLOAT_EQ(view.GetJoinedScanData().m_StartFrequency, 30.0F);
    EXPECT_FLOAT_EQ(view.GetJoinedScanData().m_StopFrequency, 200.0F);
    std::filesystem::remove_all(folder);
}

TEST_F(SpectralScriptingViewTest, ZoomReadoutAndMenuWorkOnTheJoinedTrace) {
    AddChild(&kLow);
    AddChild(&kHigh);
    CSpectralSpatialScriptingView& view = Show();
    QWidget* viewport = view.viewport();
    const int y = view.GetPlotRect().center().y();
    auto xOf = [&](int32_t index) {
        return view.GetTrace()->m_Positions[static_cast<size_t>(index)].x() -
               view.horizontalScrollBar()->value();
    };
    // A drag from the first segment into the second zooms across the join.
    const int from = xOf(80);
    const int to = xOf(160);
    QTest::mouseMove(viewport, QPoint(from, y));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(from, y));
    QTest::mouseMove(viewport, QPoint((from + to) / 2, y));
    QTest::mouseMove(viewport, QPoint(to, y));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(to, y));
    testing::FlushEvents();
    ASSERT_TRUE(view.IsZoomed());
    EXPECT_NEAR(view.GetZoomFirst(), 80, 1);
    EXPECT_NEAR(view.GetZoomLast(), 160, 1);
    EXPECT_EQ(view.GetJoinedScanData().m_SpectralZoomed, 1);
    EXPECT_EQ(view.GetFirstVisible(), view.GetZoomFirst());

    // The read-out names the joined point under the mouse.
    const int32_t k = 101 + 10 - view.GetFirstVisible();
    QTest::mouseMove(viewport, QPoint(2, 2));
    QTest::mouseMove(viewport, QPoint(xOf(k), y));
    testing::FlushEvents();
    ASSERT_TRUE(view.GetReadout().shown);
    EXPECT_NE(view.GetReadout().text.find("85.000"), std::string::npos) << view.GetReadout().text;

    // The menu's Reset Zoom shows the whole joined trace again.
    std::vector<std::string> offered;
    view.SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* action : menu.actions()) {
            offered.push_back(action->text().toStdString());
        }
        return CViewTreeMenu::FindCommand(menu, ViewCommand::kResetZoom);
    });
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(xOf(k), y));
    testing::FlushEvents();
    EXPECT_FALSE(offered.empty());
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(view.GetFirstVisible(), 0);
    EXPECT_EQ(view.GetLastVisible(), 341);
}

} // namespace
} // namespace orv
