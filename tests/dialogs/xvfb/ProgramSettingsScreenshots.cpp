// The real program on a real X server (Xvfb), driven as a user drives it: Settings on a Spectral node
// opens its settings sheet modally, an edit lights Apply, OK commits and closes the sheet. The screen
// with the sheet open is written out as a picture.

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
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "dialogs/CPageNodeDescription.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTest>

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
constexpr uint32_t kSettings = 32892;
constexpr uint32_t kAddSpatial = 32810;
constexpr uint32_t kScanOnce = 32893;

class ProgramSettingsScreenshots : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (xvfb-run)";
        }
        // As the program's start installs them.
        CViewFrameMaker::Install();
        CSettingsSheetMaker::Install();
    }
    void TearDown() override {
        CFormViewFactory::SetFrameMaker({});
        CFormViewFactory::SetSettingsMaker({});
    }

    static QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

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
        EXPECT_GE(child->width(), child->sizeHint().width()) << child->objectName().toStdString();
        EXPECT_TRUE(sheet.rect().contains(QRect(child->mapTo(&sheet, QPoint(0, 0)), child->size())))
            << child->objectName().toStdString();
    }
}

TEST_F(ProgramSettingsScreenshots, SettingsOnASpectralNodeEditsItsSweep) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    frame.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    CChildFrame* project = Driver::MakeProject(frame);
    ASSERT_NE(project, nullptr);
    qobject_cast<QMdiSubWindow*>(project->parentWidget())->showMaximized();
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
        EXPECT_TRUE(Screen().save(QString::fromStdString(shot)));
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
            EXPECT_TRUE(Screen().save(QString::fromStdString(shots.back())));
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
        EXPECT_TRUE(Screen().save(QString::fromStdString(spatialShot)));
        std::cout << "screenshot: " << spatialShot << "\n";
        QTest::mouseClick(sheet.GetButton(CNodeOptionsSheet::kCancelId), Qt::LeftButton);
    }));

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
