// The spectral/spatial frame of a real project window: its spectral pane shows the composite of a
// scan delivered to the node, and a click on a cell of the map beside it rebuilds the user
// composite.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralSSView.h"

#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv {
namespace {

using testing::ProjectSandbox;
using testing::TestMainFrame;

// Cell k of a 3 x 3 scan of five points: flat at 100 + 10k tenths, 300 + 10k at point k % 5.
QCellAddition Cell(uint32_t k) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = 1;
    addition.m_Record.m_Rows = 3;
    addition.m_Record.m_Columns = 3;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Texts = {"user", "analyser", "module", "2026-12-10", "head", ""};
    addition.m_CellIndex = k + 1;
    addition.m_CellCount = 9;
    addition.m_CellWord1 = static_cast<uint16_t>(k / 3);
    addition.m_CellWord2 = static_cast<uint16_t>(k % 3);
    addition.m_HasValues = true;
    for (uint32_t i = 0; i < 5; ++i) {
        addition.m_Values.push_back(static_cast<int16_t>((i == k % 5 ? 300 : 100) + 10 * k));
    }
    return addition;
}

std::vector<float> Amplitudes(const std::vector<TracePoint>& points) {
    std::vector<float> out;
    for (const TracePoint& point : points) {
        out.push_back(point.m_Amplitude);
    }
    return out;
}

class SpectralSSFrameTest : public testing::QtWidgetTest {
protected:
    SpectralSSFrameTest()
        : m_sandbox("SpectralSSFrameTest"),
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
    }
    ~SpectralSSFrameTest() override { CFormViewFactory::SetFrameMaker({}); }

    QNodeMediator& AddNode(uint16_t kind) {
        TfrmMainApp& project = *m_projects.FindProjectById(m_project->GetProjectId());
        CViewTreeWidget& tree = *m_project->GetProjectPane()->GetTree();
        return *project.GetOpenProject()->AddNode(tree.GetRootItem(), CViewTree::kLast, kind);
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
};

TEST_F(SpectralSSFrameTest, AClickOnACellOfTheMapRebuildsTheUserComposite) {
    QNodeMediator& node = AddNode(kTypeSpectralSpatialScanNode);
    for (uint32_t k = 0; k < 9; ++k) {
        ASSERT_TRUE(node.AddSpectralSpatialScanData(Cell(k), true));
    }
    CSpectralSpatialViewFrame* frame = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        frame = dynamic_cast<CSpectralSpatialViewFrame*>(node.GetFrame(QFrameClass::SpectralSpatial));
        return frame != nullptr && frame->GetSpatialPane()->GetMapBuildCount() > 0 &&
               frame->GetSpatialPane()->GetCell(2, 2).m_HasData != 0 &&
               frame->GetSpectralPane()->GetPoints().size() == 5;
    }));
    CSpectralView& spectral = *frame->GetSpectralPane();
    ASSERT_NE(dynamic_cast<CSpectralSSView*>(&spectral), nullptr);
    EXPECT_EQ(Amplitudes(spectral.GetPoints()), (std::vector<float>{35, 36, 37, 38, 34}));
    EXPECT_TRUE(spectral.GetSecondPoints().empty());
    spectral.GetTabStrip(CSpectralView::TabStrip::Composite)->setCurrentIndex(1);
    testing::FlushEvents();

    CSpatialView& map = *frame->GetSpatialPane();
    auto click = [&](int row, int column) {
        const CSpatialCell& cell = map.GetCell(row, column);
        QTest::mouseClick(&map, Qt::LeftButton, Qt::NoModifier,
                          QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                 (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2));
    };
    struct Step {
        int row;
        int column;
        std::vector<float> user; // empty: no user composite
    };
    // One cell is selected at a time; a second click on it takes it away.
    for (const Step& step :
         {Step{0, 0, {30, 10, 10, 10, 10}}, Step{2, 2, {18, 18, 18, 38, 18}}, Step{2, 2, {}}}) {
        SCOPED_TRACE(::testing::PrintToString(step.user));
        click(step.row, step.column);
        EXPECT_TRUE(testing::ProcessEventsUntil([&] {
            return Amplitudes(spectral.GetSecondPoints()) == step.user;
        })) << ::testing::PrintToString(Amplitudes(spectral.GetSecondPoints()));
        EXPECT_EQ(spectral.GetSecondTrace() != nullptr, !step.user.empty());
    }
}

} // namespace
} // namespace orv
