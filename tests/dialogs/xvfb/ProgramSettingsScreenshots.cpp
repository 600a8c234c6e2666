// The real program on a real X server (Xvfb), driven as a user drives it: Settings on a Spectral node
// opens its settings sheet modally, an edit lights Apply, OK commits and closes the sheet. The screen
// with the sheet open is written out as a picture.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CCustomTreeCtrl.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/controls/CTabCtrlPropertySheet.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/panes/TTreeNodeList.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CDesktopOpener.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "dialogs/CPageNodeDescription.h"
#include "dialogs/CPagePreferenceSpectralDisplay.h"
#include "dialogs/CPageReportGenerator.h"
#include "dialogs/CPageScanProbes.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CPageSpectralSpatialDefineScripting.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/MainFrameTestEnvironment.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

constexpr uint32_t kAddSpectral = 32809;
constexpr uint32_t kAddSpectralSpatial = 32811;
constexpr uint32_t kSettings = 32892;
constexpr uint32_t kAddSpatial = 32810;
constexpr uint32_t kScanOnce = 32893;

class ProgramSettingsScreenshots : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        // As the program's start installs them.
        CViewFrameMaker::Install();
        CSettingsSheetMaker::Install();
    }
    void TearDown() override {
        CFormViewFactory::SetFrameMaker({});
        CFormViewFactory::SetSettingsMaker({});
    }

    static bool WithModalSheet(CMainFrame& frame, uint32_t command,
                               const std::function<void(CNodeOptionsSheet&)>& script) {
        return testing::WithModalSheet([&] { EXPECT_TRUE(frame.OnCommand(command)); }, script);
    }

    Driver m_driver;
};

// Every label and button text of the sheet shows whole, and the sheet lies on the screen.
void ExpectWholeTexts(CNodeOptionsSheet& sheet) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.contains(sheet.frameGeometry())) << "the sheet lies inside the screen";
    for (QWidget* child : sheet.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(child);
        const auto* button = qobject_cast<QAbstractButton*>(child);
        // Only what carries a text (the spin controls' arrows carry none).
        if (!child->isVisible() || !((label != nullptr && !label->text().isEmpty()) ||
                                     (button != nullptr && !button->text().isEmpty()))) {
            continue;
        }
        if (label != nullptr && label->wordWrap()) {
            // A wrapped text needs its lines' height at the width it has.
            EXPECT_GE(child->height(), label->heightForWidth(child->width())) << label->text().toStdString();
        } else {
            EXPECT_GE(child->width(), child->sizeHint().width()) << child->objectName().toStdString();
        }
        EXPECT_TRUE(sheet.rect().contains(QRect(child->mapTo(&sheet, QPoint(0, 0)), child->size())))
            << child->objectName().toStdString();
    }
}

TEST_F(ProgramSettingsScreenshots, SettingsOnASpectralNodeEditsItsSweep) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    // A new node opens its settings at once; the user closes them.
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(WithModalSheet(frame, kAddSpectral, [](CNodeOptionsSheet& sheet) {
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));
    CTreeItem* node = tree.GetSelectedTreeNode();
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->m_kind, kTypeSpectralScanNode);
    QNodeMediator& mediator = *node->m_mediator;

    std::string shot;
    const bool shown = WithModalSheet(frame, kSettings, [&](CNodeOptionsSheet& sheet) {
        EXPECT_TRUE(sheet.isModal());
        EXPECT_EQ(sheet.windowTitle().toStdString(), "Node Settings - " + mediator.GetName());
        auto* page = dynamic_cast<CPageSpectralScan*>(sheet.GetActivePage());
        ASSERT_NE(page, nullptr);
        QPushButton& apply = *sheet.GetButton(CNodeOptionsSheet::kApplyId);
        EXPECT_FALSE(apply.isEnabled());
        QWidget& start = *page->GetControl(CPageSpectralScan::kStartEdit);
        start.setFocus();
        QTest::keyClick(&start, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&start, "100");
        EXPECT_TRUE(apply.isEnabled());
        ASSERT_TRUE(
            testing::ProcessEventsUntil([&] { return sheet.isVisible() && sheet.isActiveWindow(); }, 10s));
        testing::FlushEvents();
        ExpectWholeTexts(sheet);
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        shot = std::string(ORV_SCREENSHOT_DIR) + "/program-settings-sheet.png";
        EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(shot)));
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kOkId), Qt::LeftButton);
    });
    EXPECT_TRUE(shown);
    std::cout << "screenshot: " << shot << "\n";
    QSettingsSheet* sheet = mediator.OpenNodeSettings();
    EXPECT_EQ(mediator.GetScanOptions()->GetStartFrequency(), 100.0F);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->HasWindow()) << "OK closed it; the next Settings builds it anew";

    // The amplitude and description pages, each shown by its tab and written out.
    std::vector<std::string> shots;
    EXPECT_TRUE(WithModalSheet(frame, kSettings, [&](CNodeOptionsSheet& sheet) {
        for (int index = 0; index < sheet.GetPageCount(); ++index) {
            CPropertyPage* page = sheet.GetPage(index);
            const bool amplitude = dynamic_cast<CPageAmplitudeAdjust*>(page) != nullptr;
            if (!amplitude && dynamic_cast<CPageNodeDescription*>(page) == nullptr) {
                continue;
            }
            QTest::mouseClick(&sheet.GetTabCtrl(), Qt::LeftButton, Qt::NoModifier,
                              sheet.GetTabCtrl().tabRect(index).center());
            EXPECT_EQ(sheet.GetActiveIndex(), index);
            testing::FlushEvents();
            ExpectWholeTexts(sheet);
            shots.push_back(std::string(ORV_SCREENSHOT_DIR) + (amplitude
                                                                   ? "/program-settings-amplitude.png"
                                                                   : "/program-settings-description.png"));
            EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(shots.back())));
        }
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));
    EXPECT_EQ(shots.size(), 2U);
    for (const std::string& written : shots) {
        std::cout << "screenshot: " << written << "\n";
    }

    // A scan of the Spectral node with its peaks measured, then a Spatial node under it: its new
    // sheet opens on the spatial page with the scan and its frequencies listed.
    mediator.GetScanOptions()->SetMeasurePeaks(true);
    mediator.GetScanOptions()->SetMaxPeaks(10);
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScanOnce); }, 60s));
    ASSERT_TRUE(frame.OnCommand(kScanOnce));
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Completed" &&
                   mediator.GetScanDataCount() == 1;
        },
        60s));
    tree.SelectTreeNode(node);
    EXPECT_TRUE(WithModalSheet(frame, kAddSpatial, [&](CNodeOptionsSheet& sheet) {
        auto* page = dynamic_cast<CPageSpatialScan*>(sheet.GetActivePage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kScanIdList)).currentText(),
                  "Scan Data ID --- 1");
        EXPECT_GT(dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kPeakList)).count(), 0);
        ASSERT_TRUE(
            testing::ProcessEventsUntil([&] { return sheet.isVisible() && sheet.isActiveWindow(); }, 10s));
        testing::FlushEvents();
        ExpectWholeTexts(sheet);
        const std::string spatialShot = std::string(ORV_SCREENSHOT_DIR) + "/program-settings-spatial.png";
        EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(spatialShot)));
        std::cout << "screenshot: " << spatialShot << "\n";
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

// Chooses the item of the next pop-up menu that the program shows, with the keyboard, as a user does.
class MenuChooser {
public:
    explicit MenuChooser(QString item) : m_item(std::move(item)) {
        m_watch.setInterval(20);
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || !menu->isVisible()) {
                return;
            }
            m_watch.stop();
            for (QAction* action : menu->actions()) {
                m_offered.push_back(action->text());
                if (action->text() == m_item) {
                    menu->setActiveAction(action);
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        m_watch.start();
    }
    const std::vector<QString>& Offered() const { return m_offered; }

private:
    QString m_item;
    QTimer m_watch;
    std::vector<QString> m_offered;
};

TEST_F(ProgramSettingsScreenshots, TheProbesPageOfASpectralSpatialNodeTakesDrags) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(WithModalSheet(frame, kAddSpectralSpatial, [](CNodeOptionsSheet& sheet) {
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));
    CTreeItem* node = tree.GetSelectedTreeNode();
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->m_kind, kTypeSpectralSpatialScanNode);
    QNodeMediator& mediator = *node->m_mediator;

    std::string shot;
    const bool shown = WithModalSheet(frame, kSettings, [&](CNodeOptionsSheet& sheet) {
        CTabCtrlPropertySheet& tabs = sheet.GetTabCtrl();
        QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(1).center());
        auto* page = dynamic_cast<CPageScanProbes*>(sheet.GetActivePage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(tabs.tabText(1), "Spectral/Spatial Scan Probes");
        ASSERT_TRUE(
            testing::ProcessEventsUntil([&] { return page->isVisible() && sheet.isActiveWindow(); }, 10s));
        auto centre = [page](int row, int column) {
            const ProbeCell& cell = page->GetCell(row, column);
            return QPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        };
        QTest::mouseClick(page->GetControl(CPageScanProbes::kSelectNone), Qt::LeftButton);
        // A drag down and to the right, answered with "Select Cells" in the program's own menu.
        {
            MenuChooser chooser("Select Cells");
            QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, centre(4, 6));
            QTest::mouseMove(page, centre(6, 9));
            QTest::mouseMove(page, centre(8, 12));
            QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, centre(8, 12));
            EXPECT_EQ(chooser.Offered(), (std::vector<QString>{"Select Cells", "Unselect Cells"}));
        }
        // A drag inside one cell toggles it; one up and to the left offers nothing.
        QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, centre(20, 30) - QPoint(3, 3));
        QTest::mouseMove(page, centre(20, 30) + QPoint(3, 3));
        QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, centre(20, 30) + QPoint(3, 3));
        QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, centre(25, 35));
        QTest::mouseMove(page, centre(22, 33));
        QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, centre(22, 33));
        EXPECT_EQ(page->GetWorkingPattern().GetProbeOnCount(), 5U * 7U + 1U);
        // The hover box over a cell of the selection, for the picture.
        QMouseEvent hover(QEvent::MouseMove, centre(6, 9), page->mapToGlobal(centre(6, 9)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(page, &hover);
        ASSERT_TRUE(page->GetHoverBox().has_value());
        testing::FlushEvents();
        ExpectWholeTexts(sheet);
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        shot = std::string(ORV_SCREENSHOT_DIR) + "/program-probes-page.png";
        EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(shot)));
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kOkId), Qt::LeftButton);
    });
    EXPECT_TRUE(shown);
    std::cout << "screenshot: " << shot << "\n";
    const QProbeScanPattern& stored = mediator.GetSecondProbePatternOptions()->GetPattern();
    EXPECT_EQ(stored.GetProbeOnCount(), 5U * 7U + 1U);
    EXPECT_TRUE(stored.IsProbeOn(4, 6));
    EXPECT_TRUE(stored.IsProbeOn(8, 12));
    EXPECT_TRUE(stored.IsProbeOn(20, 30));
    EXPECT_FALSE(stored.IsProbeOn(25, 35));

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

// Every cell text of a report list shows whole in its column, and so does every header.
void ExpectWholeCells(QTreeWidget& list) {
    const QFontMetrics metrics = list.fontMetrics();
    for (int column = 0; column < list.columnCount(); ++column) {
        EXPECT_GE(list.columnWidth(column), list.header()->sectionSizeHint(column)) << column;
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QString text = list.topLevelItem(row)->text(column);
            // The view leaves a margin of the focus frame and one pixel on each side of a text.
            const int margins = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
            EXPECT_GE(list.columnWidth(column), metrics.horizontalAdvance(text) + margins)
                << text.toStdString();
        }
    }
    EXPECT_GE(list.viewport()->width(), list.columnWidth(0) + list.columnWidth(1) + list.columnWidth(2))
        << "every column in sight";
}

TEST_F(ProgramSettingsScreenshots, ThePreferencesDisplayPageAndAScriptNodesSegments) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
    std::vector<std::string> shots;
    auto shoot = [&shots](const char* name) {
        shots.push_back(std::string(ORV_SCREENSHOT_DIR) + "/" + name);
        EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(shots.back())));
    };

    // Preferences: the display page by its tab; checking compensation looks for the scanner's
    // correction set beside the program, which is not there: the warning (the driver's prompt
    // answers the program's boxes and records them).
    std::string warning;
    const bool preferences = testing::WithModalSheet(
        [&] { EXPECT_TRUE(project->OnCommand(ProjectCommand::kPreferences)); },
        [&](CNodeOptionsSheet& sheet) {
            EXPECT_EQ(sheet.windowTitle(), "Preferences");
            CTabCtrlPropertySheet& tabs = sheet.GetTabCtrl();
            int display = -1;
            for (int i = 0; i < tabs.count(); ++i) {
                display = tabs.tabText(i) == "Display Options" ? i : display;
            }
            EXPECT_EQ(display, tabs.count() - 1) << "the last page";
            QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(display).center());
            auto* page = dynamic_cast<CPagePreferenceSpectralDisplay*>(sheet.GetActivePage());
            ASSERT_NE(page, nullptr);
            ASSERT_TRUE(testing::ProcessEventsUntil(
                [&] { return page->isVisible() && sheet.isActiveWindow(); }, 10s));
            testing::FlushEvents();
            ExpectWholeTexts(sheet);
            shoot("program-preferences-display.png");

            const size_t asked = m_driver.GetEnvironment().GetPrompt().Requests().size();
            QTest::mouseClick(
                page->GetControl(CPagePreferenceSpectralDisplay::kCompensation), Qt::LeftButton,
                Qt::NoModifier,
                QPoint(8, page->GetControl(CPagePreferenceSpectralDisplay::kCompensation)->height() / 2));
            const std::vector<PromptRequest> requests = m_driver.GetEnvironment().GetPrompt().Requests();
            ASSERT_EQ(requests.size(), asked + 1);
            warning = requests.back().text;
            EXPECT_EQ(requests.back().caption, "Warning");
            EXPECT_TRUE(page->GetControl(CPagePreferenceSpectralDisplay::kThresholdEdit)->isEnabled());
            EXPECT_FALSE(page->GetControl(CPagePreferenceSpectralDisplay::kPeakOnly)->isEnabled());
            testing::FlushEvents();
            ExpectWholeTexts(sheet);
            shoot("program-preferences-display-compensation.png");
            QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
        });
    EXPECT_TRUE(preferences);
    EXPECT_EQ(warning.rfind("No correction file was found for \"", 0), 0U) << warning;
    EXPECT_EQ(warning.back(), '.');

    // A scripting node under the project node: its segments entered on its own page.
    TfrmMainApp* projectApp = frame.FindProjectById(project->GetProjectId());
    ASSERT_NE(projectApp, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    QNodeMediator* scripting = projectApp->AddNodeToSelected(kTypeSpectralSpatialScriptingModuleNode);
    ASSERT_NE(scripting, nullptr);
    tree.SelectNodeItem(tree.GetRootItem(), scripting);
    const bool scripts = WithModalSheet(frame, kSettings, [&](CNodeOptionsSheet& sheet) {
        CTabCtrlPropertySheet& tabs = sheet.GetTabCtrl();
        EXPECT_EQ(tabs.tabText(2), "Define Scripts");
        QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(2).center());
        auto* page = dynamic_cast<CPageSpectralSpatialDefineScripting*>(sheet.GetActivePage());
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(
            testing::ProcessEventsUntil([&] { return page->isVisible() && sheet.isActiveWindow(); }, 10s));
        auto enter = [page](const char* start, const char* stop, int rbw) {
            for (const auto& [id, text] : {std::pair{CPageSpectralSpatialDefineScripting::kStartEdit, start},
                                           std::pair{CPageSpectralSpatialDefineScripting::kStopEdit, stop}}) {
                QWidget& edit = *page->GetControl(id);
                edit.setFocus();
                QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(&edit, text);
            }
            dynamic_cast<QComboBox&>(*page->GetControl(CPageSpectralSpatialDefineScripting::kRbwList))
                .setCurrentIndex(rbw);
            QTest::mouseClick(page->GetControl(CPageSpectralSpatialDefineScripting::kAdd), Qt::LeftButton);
        };
        enter("1000", "2500.5", 13);
        enter("30", "300", 8);
        auto& list =
            dynamic_cast<QTreeWidget&>(*page->GetControl(CPageSpectralSpatialDefineScripting::kList));
        ASSERT_EQ(list.topLevelItemCount(), 2);
        EXPECT_EQ(list.topLevelItem(0)->text(0), "   30.000 MHz");
        EXPECT_EQ(list.topLevelItem(1)->text(1), " 2500.500 MHz");
        EXPECT_EQ(list.topLevelItem(1)->text(2), "5 MHz");
        testing::FlushEvents();
        ExpectWholeTexts(sheet);
        ExpectWholeCells(list);
        shoot("program-define-scripts.png");
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kOkId), Qt::LeftButton);
    });
    EXPECT_TRUE(scripts);
    ASSERT_EQ(scripting->GetScriptDefinitions().size(), 2U);
    EXPECT_EQ(projectApp->GetOpenProject()->GetChildMediators(*scripting).size(), 2U);
    for (const std::string& written : shots) {
        std::cout << "screenshot: " << written << "\n";
    }

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv

namespace orv {
namespace {

// The report generator's sheet is modeless and stays above the program: the user goes on in the
// project tree while it is open, and its ticks still take clicks.
TEST_F(ProgramSettingsScreenshots, TheReportGeneratorSheetStaysUsableBesideTheMainWindow) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(WithModalSheet(frame, kAddSpectral, [](CNodeOptionsSheet& sheet) {
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));
    CTreeItem* spectral = tree.GetSelectedTreeNode();
    ASSERT_NE(spectral, nullptr);
    tree.SelectTreeNode(tree.GetRootItem());
    QNodeMediator* report = project->GetProject()->AddNodeToSelected(kTypeWordReportNode);
    ASSERT_NE(report, nullptr);
    tree.SelectTreeNode(tree.GetRecords().FindByMediator(report));
    tree.OpenReportGenerator();
    auto* page = dynamic_cast<CPageReportGenerator*>(report->FindPage(QSettingsPageKind::ReportGenerator));
    ASSERT_NE(page, nullptr);
    CNodeOptionsSheet& sheet = *page->GetSheet();
    ASSERT_TRUE(
        testing::ProcessEventsUntil([&] { return sheet.isVisible() && sheet.isActiveWindow(); }, 10s));
    EXPECT_FALSE(sheet.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(sheet.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A click into the main window's tree selects there while the sheet stays open and shown.
    const QRect spectralRow = tree.visualItemRect(spectral->m_item);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, spectralRow.center());
    testing::FlushEvents();
    EXPECT_EQ(tree.GetSelectedTreeNode(), spectral);
    EXPECT_TRUE(sheet.isVisible());
    // Back in the sheet, a tick of the Spectral node takes.
    QTreeWidgetItem* item = page->FindTreeItem(spectral->m_mediator);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(
        page->GetTree().viewport(), Qt::LeftButton, {},
        CPageReportGenerator::ItemPartRect(page->GetTree(), *item, QStyle::SE_ItemViewItemCheckIndicator)
            .center());
    testing::FlushEvents();
    EXPECT_EQ(item->checkState(0), Qt::Checked);
    ASSERT_EQ(page->GetSelection().size(), 1U);

    sheet.raise();
    sheet.activateWindow();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return sheet.isActiveWindow(); }, 10s));
    testing::FlushEvents();
    ExpectWholeTexts(sheet);
    std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
    const std::string shot = std::string(ORV_SCREENSHOT_DIR) + "/program-report-generator.png";
    EXPECT_TRUE(testing::GrabScreen().save(QString::fromStdString(shot)));
    std::cout << "screenshot: " << shot << "\n";
    // While it is open the project offers no operation. The report is written and handed to the
    // desktop (here a recording opener), the program steps aside and the sheet closes with OK.
    EXPECT_TRUE(project->GetProject()->IsReportGeneratorOpen());
    std::vector<QString> opened;
    const ScopedDesktopOpenerInstall opener([&opened](const QString& path) {
        opened.push_back(path);
        return true;
    });
    QTest::mouseClick(&page->GetGenerateButton(), Qt::LeftButton);
    testing::FlushEvents();
    EXPECT_EQ(opened.size(), 1U);
    EXPECT_TRUE(frame.isMinimized());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(project->GetProject()->IsReportGeneratorOpen());
    EXPECT_EQ(report->GetReportBuffers().size(), 1U);
    frame.showNormal();

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
