// The real program on a real X server (Xvfb): a Spectral/Spatial node scanned through the program's own
// commands, a board of gerbv's examples laid over its scan, and "Open Scan Data Description" chosen
// from the scan-data list's menu: the dialog on the screen with the scan's parameters and its grid
// under the board, written out as a picture; a description typed and kept with OK.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "core/drawing/DrawingRecords.h"
#include "dialogs/CScanDataDescriptionDialog.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/ImportSource.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kBoardId = 6160;
const char* const kBoardFile = "/usr/share/doc/gerbv/examples/dan/top.gbx";

class ProgramScanDataDescriptionXvfb : public testing::ProgramOnXServerTest {
protected:
    void SetUp() override {
        testing::ProgramOnXServerTest::SetUp();
        // As the program's start installs it.
        CScanDataDescriptionDialog::Install();
    }
    void TearDown() override {
        CDlgScanDataDescription::InstallMaker({});
        testing::ProgramOnXServerTest::TearDown();
    }
};

// The board imported as the editor's Gerber import makes it, added to the project and placed over the
// scan near the grid's top-left corner.
void LayBoardOver(CSpectralSpatialScanData& scan) {
    std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(kBoardFile);
    ASSERT_NE(source, nullptr);
    const DrawList board = GerberConvert(*source);
    ASSERT_FALSE(board.IsEmpty());
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, board.Head());
    std::vector<uint8_t> records(counter.m_count);
    QCharArrayDataWriter writer(records.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, board.Head());
    TfrmMainApp* container = TfrmMainApp::GetCurrentProjectContainer();
    ASSERT_NE(container, nullptr);
    ASSERT_TRUE(container->AddPcbOverlayControl(
        records, kBoardId, static_cast<uint32_t>(std::filesystem::file_size(kBoardFile)), true));
    COverlayControl* control = container->FindOverlayControl(kBoardId);
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->GetDrawList(), nullptr);
    std::lock_guard<std::recursive_mutex> hold(scan.m_Lock);
    CScanAreaRecord& area = scan.m_ScanArea;
    area.m_Variant = COverlayControl::kPcbDrawing;
    area.m_OverlayId = kBoardId;
    area.m_Values = {0.05F, 0.1F};
    area.m_Left = control->GetExtentMinimum().x;
    area.m_Top = control->GetExtentMinimum().y;
    area.m_Right = control->GetExtentMaximum().x;
    area.m_Bottom = control->GetExtentMaximum().y;
}

TEST_F(ProgramScanDataDescriptionXvfb, TheListOpensTheDescriptionOfAScannedNodesScan) {
    if (!std::filesystem::exists(kBoardFile)) {
        GTEST_SKIP() << kBoardFile << " is not installed (scripts/deps.sh --tests)";
    }
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    CViewList& list = *project->GetProjectPane()->GetList();
    QNodeMediator* node =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(node, nullptr);
    ASSERT_NE(testing::WaitForShownSpectralSpatialMap(*node), nullptr);
    const std::vector<int32_t> ids = node->GetScanIDs(kTypeSpectralSpatialScanNode);
    ASSERT_EQ(ids.size(), 1U);
    CSpectralSpatialScanData* scan = node->GetSpectralSpatialScanData(ids.front());
    ASSERT_NE(scan, nullptr);
    LayBoardOver(*scan);
    node->FillScanDataList(kTypeSpectralSpatialScanNode);
    testing::FlushEvents();
    ASSERT_EQ(list.topLevelItemCount(), 1);

    // The dialog, once on the screen: a description typed, the screen taken, then OK.
    const std::string typed = "Clock region, 3.3 V rail";
    bool dialogSeen = false;
    std::string shot;
    QTimer dialogWatch;
    dialogWatch.setInterval(20);
    QObject::connect(&dialogWatch, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<CScanDataDescriptionDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        dialogWatch.stop();
        dialogSeen = true;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_EQ(dialog->windowTitle().toStdString(), "Scan Data Description --- Node: " + node->GetName() +
                                                           ",   Scan ID: " + std::to_string(ids.front()));
        // The whole dialog, its frame included, on the screen.
        EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(dialog->frameGeometry()))
            << dialog->frameGeometry().x() << "," << dialog->frameGeometry().y() << " "
            << dialog->frameGeometry().width() << "x" << dialog->frameGeometry().height();
        EXPECT_TRUE(dialog->HasScan());
        EXPECT_GT(dialog->GetGrid().GetProbesOn(), 0);
        EXPECT_GT(dialog->GetParameterList()->topLevelItemCount(), 10);
        EXPECT_EQ(dialog->GetPlacement().m_overlayId, kBoardId);
        QPlainTextEdit* description = dialog->GetDescriptionEdit();
        description->setFocus();
        description->selectAll();
        QTest::keyClicks(description, QString::fromStdString(typed));
        EXPECT_TRUE(dialog->GetControl(CScanDataDescriptionDialog::kApplyButton)->isEnabled());
        testing::FlushEvents();
        // The screen shows what the dialog painted last.
        const QImage own = dialog->grab().toImage();
        const QPoint corner = dialog->mapToGlobal(QPoint(0, 0));
        const QPoint probe = dialog->GetGrid().GetRect().center();
        EXPECT_TRUE(testing::ProcessEventsUntil(
            [&] {
                const QImage shown = testing::GrabScreen().copy(QRect(corner, own.size()));
                return shown.pixel(probe) == own.pixel(probe) &&
                       shown.pixel(own.width() / 2, own.height() - 30) ==
                           own.pixel(own.width() / 2, own.height() - 30);
            },
            5s));
        shot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-scan-data-description.png");
        QTest::mouseClick(
            dynamic_cast<QPushButton*>(dialog->GetControl(CScanDataDescriptionDialog::kOkButton)),
            Qt::LeftButton);
    });

    // The list's real menu, opened by the right click on the row; "Open Scan Data Description" chosen.
    const testing::ListMenuChoice choice = testing::ChooseFromScanListMenu(
        list, 0, ScanListCommand::kOpenScanDataDescription, [&] { dialogWatch.start(); });
    EXPECT_EQ(choice.chosen, "Open Scan Data Description");
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return dialogSeen && !dialogWatch.isActive(); }, 30s));
    testing::FlushEvents();
    std::cout << "screenshot: " << shot << "\n";

    // OK kept the typed description with the scan and in its list row.
    EXPECT_TRUE(
        testing::ProcessEventsUntil([&] { return QApplication::activeModalWidget() == nullptr; }, 10s));
    EXPECT_EQ(list.GetDescriptionById(ids.front()), typed);
    std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
    EXPECT_EQ(scan->m_UserText, typed);
}

} // namespace
} // namespace orv
