// The program as a user meets it, on the offscreen platform, with the program's own settings pages:
// a new Spectral node set up on its amplitude and description pages, scanned through the in-process
// engine on the placeholder analyser, saved, closed and reopened. The new scan carries the
// amplification and the pre-amplifier as its tail, and the name and description survive the file.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/controls/CTabCtrlPropertySheet.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/panes/TTreeNodeList.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/QAttenuatorOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "dialogs/CPageNodeDescription.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;
using testing::Click;
using testing::TypeInto;

constexpr uint32_t kAddSpectral = 32809;
constexpr uint32_t kScanOnce = 32893;
constexpr uint32_t kSaveAs = 57604;

class NodePagesProgramTest : public testing::QtWidgetTest {
protected:
    void SetUp() override { CSettingsSheetMaker::Install(); }
    void TearDown() override { CFormViewFactory::SetSettingsMaker({}); }

    // Shows the page of the class by a click on its tab (the program has no scan probes page yet, so
    // the page indexes differ from the full sheet's).
    template <class Page> static Page& ShowPage(CNodeOptionsSheet& sheet) {
        int index = 0;
        while (index < sheet.GetPageCount() && dynamic_cast<Page*>(sheet.GetPage(index)) == nullptr) {
            ++index;
        }
        EXPECT_LT(index, sheet.GetPageCount());
        QTest::mouseClick(&sheet.GetTabCtrl(), Qt::LeftButton, Qt::NoModifier,
                          sheet.GetTabCtrl().tabRect(index).center());
        EXPECT_EQ(sheet.GetActiveIndex(), index);
        return dynamic_cast<Page&>(*sheet.GetPage(index));
    }

    Driver m_driver;
};

TEST_F(NodePagesProgramTest, AmplificationNameAndDescriptionReachTheScanAndTheProjectFile) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    auto& kind = static_cast<CProjectDocumentKind&>(*frame.GetDocumentFactory());
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    CChildFrame* project = Driver::MakeProject(frame);
    ASSERT_NE(project, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    project->GetDocument().SetModifiedFlag(false);
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return !project->GetDocument().GetTitle().ends_with(" *"); }));

    // A new node opens its settings at once: amplification 20 dB with the pre-amplifier on, a name
    // with a letter of the code page and a two-line description.
    const QString name = QString::fromUtf8("Top side \xC3\xA9");
    const bool shown = testing::WithModalSheet(
        [&] { EXPECT_TRUE(frame.OnCommand(kAddSpectral)); },
        [&](CNodeOptionsSheet& sheet) {
            auto& amplitude = ShowPage<CPageAmplitudeAdjust>(sheet);
            Click(*amplitude.GetControl(CPageAmplitudeAdjust::kAmplification));
            auto& list =
                dynamic_cast<QComboBox&>(*amplitude.GetControl(CPageAmplitudeAdjust::kAmplificationList));
            TypeInto(*list.lineEdit(), "20");
            Click(*amplitude.GetControl(CPageAmplitudeAdjust::kPreAmpOn));
            auto& description = ShowPage<CPageNodeDescription>(sheet);
            TypeInto(*description.GetControl(CPageNodeDescription::kNameEdit), name);
            QWidget& text = *description.GetControl(CPageNodeDescription::kDescriptionEdit);
            TypeInto(text, "near the clock");
            QTest::keyClick(&text, Qt::Key_Return);
            QTest::keyClicks(&text, "second pass");
            Click(*sheet.GetButton(CNodeOptionsSheet::kOkId));
        });
    ASSERT_TRUE(shown);
    CTreeItem* item = tree.GetSelectedTreeNode();
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->m_kind, kTypeSpectralScanNode);
    QNodeMediator& node = *item->m_mediator;
    EXPECT_EQ(item->m_item->text(0), name);
    EXPECT_EQ(node.GetName(), "Top side \xE9");
    EXPECT_EQ(node.GetLabel(), "near the clock\r\nsecond pass");
    EXPECT_EQ(node.GetAttenuatorOptions()->m_value, -20.0F);
    EXPECT_TRUE(
        testing::ProcessEventsUntil([&] { return project->GetDocument().GetTitle().ends_with(" *"); }));

    // Scan once.
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScanOnce); }, 60s));
    ASSERT_TRUE(frame.OnCommand(kScanOnce));
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Completed" &&
                   node.GetScanDataCount() == 1;
        },
        60s));

    // Save As, close, reopen: as a user does, once the run has ended (the status bar says the scan
    // completed as its last cell arrives, before the run's state is back to idle, when saving is refused).
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScanOnce); }, 60s));
    const std::string path = m_driver.GetRepository() + "/Pages.ovp";
    kind.GetWindows().SetSaveAsChooser([path](QWidget*) { return std::optional<std::string>(path); });
    ASSERT_TRUE(frame.OnCommand(kSaveAs));
    ASSERT_TRUE(std::filesystem::exists(path));
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScanOnce); }, 60s));
    ASSERT_TRUE(qobject_cast<QMdiSubWindow*>(project->parentWidget())->close());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        testing::FlushEvents();
        const std::vector<CChildFrame*> frames = kind.GetWindows().GetFrames();
        return std::find(frames.begin(), frames.end(), project) == frames.end();
    }));
    const std::vector<CChildFrame*> before = kind.GetWindows().GetFrames();
    ASSERT_TRUE(app.OpenDocumentFile(path));
    CChildFrame* reopened = Driver::WaitForBuiltProject(kind, before);
    ASSERT_NE(reopened, nullptr);
    CViewTreeWidget& tree2 = *reopened->GetProjectPane()->GetTree();
    CTreeItem* item2 = tree2.GetFirstChildItem(tree2.GetRootItem());
    ASSERT_NE(item2, nullptr);
    QNodeMediator& node2 = *item2->m_mediator;
    EXPECT_EQ(item2->m_item->text(0), name);
    EXPECT_EQ(node2.GetName(), "Top side \xE9");
    EXPECT_EQ(node2.GetLabel(), "near the clock\r\nsecond pass");
    EXPECT_EQ(node2.GetAttenuatorOptions()->m_value, -20.0F);
    EXPECT_EQ(node2.GetAttenuatorOptions()->m_byte1, 1);
    int32_t scanID = -1;
    CSpectralScanData* scan = node2.GetLastSpectralScanData(scanID);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scanID, 1);
    EXPECT_EQ(scan->m_TailValue, -20.0F);
    EXPECT_EQ(scan->m_TailBytes[0], 1) << "the pre-amplifier";
    EXPECT_EQ(scan->m_TailBytes[1], 0) << "no tracking generator";

    reopened->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
