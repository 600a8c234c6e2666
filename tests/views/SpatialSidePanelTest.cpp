// The option panel under a heat map, driven by clicks and keys on its controls: what each control
// stores, the redraws and the project-modified marks it posts, the scale limits the map then draws
// with, the transparency bar and the overlay repositioning.

#include "app/QtConversions.h"
#include "app/panes/CViewContextMenu.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QOverlayOptions.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "overlay/COverlayViewFrame.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QOverlayControlList.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialSidePanel.h"
#include "views/spatial/CSpatialView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::SpatialGrid;

constexpr uint32_t kOverlayId = 7;

class PanelMediator : public test::SpatialTestMediator {
public:
    using SpatialTestMediator::SpatialTestMediator;
    QScanOptions* GetScanOptions() override { return &scanOptions; }
    QScanOptions scanOptions;
};

class SpatialSidePanelTest : public test::SpatialViewTest {
public:
    ~SpatialSidePanelTest() override { mediator.reset(); }

protected:
    SpatialSidePanelTest() { CSpatialSidePanel::Install(); }

    // A node of the kind with its view open and the panel laid out by its start timer; with data,
    // a 3 x 4 grid of 10 to 120 dBuV is shown (automatic scale).
    PanelMediator& OpenNode(uint16_t kind, bool data, const CScanAreaRecord& area = {}) {
        auto node = std::make_unique<PanelMediator>(kind, "Board");
        PanelMediator& opened = *node;
        mediator = std::move(node);
        mediator->Wire(&factory, &window, &tree, &list, &container);
        bool created = false;
        mediator->OpenView(kind, created, true);
        Pump();
        View().SetOverlayControls(&overlays);
        if (data) {
            std::vector<int16_t> values;
            for (int16_t i = 1; i <= 12; ++i) {
                values.push_back(static_cast<int16_t>(i * 100));
            }
            QSpatialScanAddition addition = SpatialGrid(1, 3, 4, values);
            addition.m_Record.m_Area = area;
            EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
            mediator->ShowScanData(1);
            Pump();
            View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        }
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !Panel().IsStartTimerActive(); }));
        window.target.received.clear();
        return opened;
    }
    CSpatialSidePanel& Panel() { return *dynamic_cast<CSpatialSidePanel*>(View().GetFormView()); }
    QAbstractButton* Box(int id) { return static_cast<QAbstractButton*>(Panel().GetControl(id)); }
    CSpatialScanData& Scan() { return *mediator->GetCurrentSpatialScanData(); }
    // A click on the box's indicator, then the posted messages delivered.
    void Click(int id) {
        QWidget* control = Panel().GetControl(id);
        ASSERT_TRUE(control->isVisible()) << id;
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
        Pump();
    }
    int ModifiedPosts() {
        Pump();
        const std::vector<uint32_t> ids = window.target.Ids();
        return static_cast<int>(std::count(ids.begin(), ids.end(), NodeMessage::kProjectModified));
    }
    // Opens the "Options" menu with a real click and chooses the command (0: none); answers what the
    // menu offered.
    std::vector<std::string> ChooseOption(uint32_t command) {
        std::vector<std::string> offered;
        Panel().SetMenuRunner([&](QMenu& menu, const QPoint& /*at*/) -> QAction* {
            offered = testing::MenuItems(menu);
            for (QAction* action : menu.actions()) {
                if (command != 0 && action->data().toUInt() == command) {
                    return action;
                }
            }
            return nullptr;
        });
        QTest::mouseClick(Panel().GetControl(CSpatialSidePanel::kOptionsButton), Qt::LeftButton);
        return offered;
    }
    void Type(int id, const QString& text) {
        auto* edit = static_cast<QLineEdit*>(Panel().GetControl(id));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // A left click on the panel's own ground, left of the "Options" button.
    void ClickGround() {
        QTest::mouseClick(&Panel(), Qt::LeftButton, {}, QPoint(2, 42));
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
    QColor CellColour(int32_t row, int32_t column) {
        const CCellRect& rect = View().GetCell(row, column).m_ViewRect;
        return testing::PixelAt(View().GetViewImage(), (rect.left + rect.right) / 2,
                                (rect.top + rect.bottom) / 2);
    }

    QOverlayControlList overlays;
};

TEST_F(SpatialSidePanelTest, TheOptionsMenuOffersTheViewPeakAndScalePagesOnly) {
    OpenNode(kTypeSpatialScanNode, true);
    EXPECT_EQ(Panel().GetPage(), CSpatialSidePanel::kPageView);
    EXPECT_EQ(Box(CSpatialSidePanel::kOptionsButton)->text(), "View Options");
    // The current page is checked.
    EXPECT_EQ(ChooseOption(CSpatialSidePanel::kPeakOptionCommand),
              (std::vector<std::string>{"View Option [x]", "Peak Option", "Scale Option"}));
    EXPECT_EQ(Panel().GetPage(), CSpatialSidePanel::kPagePeak);
    EXPECT_EQ(Box(CSpatialSidePanel::kOptionsButton)->text(), "Peak Options");
    EXPECT_EQ(ChooseOption(0), (std::vector<std::string>{"View Option", "Peak Option [x]", "Scale Option"}));
    EXPECT_EQ(Panel().GetPage(), CSpatialSidePanel::kPagePeak);
    // Without display data no scale page.
    EXPECT_EQ(testing::MenuItems(*CSpatialSidePanel::BuildOptionsMenu(0, false)),
              (std::vector<std::string>{"View Option [x]", "Peak Option"}));
}

TEST_F(SpatialSidePanelTest, TheViewPageScalesWithTheScreenDensity) {
    OpenNode(kTypeSpatialScanNode, true);
    Panel().SetDpiForLayout(144);
    Panel().ShowPage(CSpatialSidePanel::kPageView);
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kOptionsButton)->geometry(), QRect(5, 10, 94, 28));
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kView3D)->geometry(), QRect(120, 14, 90, 16));
    const QRect grid = Panel().GetControl(CSpatialSidePanel::kGrid)->geometry();
    EXPECT_EQ(grid.topLeft(), QPoint(90 + 135, 14));
    EXPECT_EQ(grid.width(), 60);
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kInterpolation)->geometry().left(),
              grid.right() + 1 + 15);
    const QRect units = Panel().GetControl(CSpatialSidePanel::kUnitGroup)->geometry();
    EXPECT_EQ(units.top(), 0);
    EXPECT_EQ(units.height(), 44);
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kDbuv)->geometry().top(), 11);
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kDbm)->geometry().top(), 27);
    // No picture: "Overlay" in the row, 10 pixels after the unit box; in 3D only it stays beside
    // "View 3D".
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kOverlay)->geometry().topLeft(),
              QPoint(units.right() + 1 + 10, 14));
    View().Show3DView(true);
    Panel().ShowPage(CSpatialSidePanel::kPageView);
    EXPECT_EQ(Panel().GetControl(CSpatialSidePanel::kOverlay)->geometry().topLeft(), QPoint(90 + 150, 14));
    EXPECT_FALSE(Box(CSpatialSidePanel::kGrid)->isVisible());
    View().Show3DView(false);
}

TEST_F(SpatialSidePanelTest, AveragingAndPeakHoldExcludeEachOtherAndEachClickMarksTheProjectOnce) {
    PanelMediator& node = OpenNode(kTypeSpatialScanNode, false);
    ChooseOption(CSpatialSidePanel::kPeakOptionCommand);
    Click(CSpatialSidePanel::kPeakHold);
    EXPECT_TRUE(node.scanOptions.IsPeakHold());
    EXPECT_EQ(ModifiedPosts(), 1);
    Click(CSpatialSidePanel::kAveraging);
    EXPECT_TRUE(node.scanOptions.IsAveraging());
    EXPECT_FALSE(node.scanOptions.IsPeakHold());
    EXPECT_FALSE(Box(CSpatialSidePanel::kPeakHold)->isChecked());
    EXPECT_EQ(ModifiedPosts(), 2);
    Click(CSpatialSidePanel::kPeakHold);
    EXPECT_TRUE(node.scanOptions.IsPeakHold());
    EXPECT_FALSE(node.scanOptions.IsAveraging());
    EXPECT_FALSE(Box(CSpatialSidePanel::kAveraging)->isChecked());
    EXPECT_EQ(ModifiedPosts(), 3);
}

TEST_F(SpatialSidePanelTest, PeakOptionsAreDisabledOnSpectralSpatialAndHandHeldNodes) {
    for (uint16_t kind : {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode}) {
        SCOPED_TRACE(kind);
        OpenNode(kind, false);
        Panel().ShowPage(CSpatialSidePanel::kPagePeak);
        EXPECT_FALSE(Box(CSpatialSidePanel::kPeakHold)->isEnabled());
        EXPECT_FALSE(Box(CSpatialSidePanel::kAveraging)->isEnabled());
    }
}

TEST_F(SpatialSidePanelTest, MapSwitchesStoreTheirOptionAndPostOneRedrawOfTheirKind) {
    PanelMediator& node = OpenNode(kTypeSpatialScanNode, true);
    struct Case {
        int id;
        bool (QSpatialDisplayOptions::*read)() const;
        int64_t lParam;
    };
    for (const Case& c : {Case{CSpatialSidePanel::kGrid, &QSpatialDisplayOptions::ShowsCellLines, 1},
                          Case{CSpatialSidePanel::kInterpolation, &QSpatialDisplayOptions::Interpolates, 1},
                          Case{CSpatialSidePanel::kOverlay, &QSpatialDisplayOptions::ShowsOverlay, 2}}) {
        SCOPED_TRACE(c.id);
        const bool before = (node.spatialDisplay.*c.read)();
        const size_t posted = Panel().GetPostedRedraws().size();
        const int marked = ModifiedPosts();
        Click(c.id);
        EXPECT_NE((node.spatialDisplay.*c.read)(), before);
        EXPECT_EQ(Box(c.id)->isChecked(), !before);
        ASSERT_EQ(Panel().GetPostedRedraws().size(), posted + 1);
        EXPECT_EQ(Panel().GetPostedRedraws().back().id, CSpatialView::kSpatialRepaintMessage);
        EXPECT_EQ(Panel().GetPostedRedraws().back().lParam, c.lParam);
        EXPECT_EQ(ModifiedPosts(), marked + 1);
    }
    // A plain map has no sub-grid, and without a picture there is no transparency to blend.
    EXPECT_FALSE(Box(CSpatialSidePanel::kSubGrid)->isVisible());
    EXPECT_FALSE(Box(CSpatialSidePanel::kOverlayTransparency)->isVisible());
}

TEST_F(SpatialSidePanelTest, TheOverlaySwitchedOnRedrawsThe3DViewOnlyWhileItShows) {
    PanelMediator& node = OpenNode(kTypeSpatialScanNode, true);
    ASSERT_NE(View().Get3DView(), nullptr);
    auto postedIds = [this] {
        std::vector<uint32_t> ids;
        for (const CSpatialSidePanel::PostedRedraw& posted : Panel().GetPostedRedraws()) {
            ids.push_back(posted.id);
        }
        return ids;
    };
    // 2D: off and on again, the map alone redraws.
    Click(CSpatialSidePanel::kOverlay);
    Click(CSpatialSidePanel::kOverlay);
    EXPECT_TRUE(node.spatialDisplay.ShowsOverlay());
    EXPECT_EQ(postedIds(), (std::vector<uint32_t>{10019, 10019}));
    // "View 3D": the row keeps only the overlay box; switched on there, the 3D view redraws too.
    Click(CSpatialSidePanel::kView3D);
    EXPECT_TRUE(View().Is3DShown());
    EXPECT_FALSE(Box(CSpatialSidePanel::kGrid)->isVisible());
    Click(CSpatialSidePanel::kOverlay);
    Click(CSpatialSidePanel::kOverlay);
    EXPECT_EQ(postedIds(), (std::vector<uint32_t>{10019, 10019, 10019, 10019, 10022}));
    // Off again: the 2D row is back.
    Click(CSpatialSidePanel::kView3D);
    EXPECT_FALSE(View().Is3DShown());
    EXPECT_TRUE(Box(CSpatialSidePanel::kGrid)->isVisible());
}

TEST_F(SpatialSidePanelTest, UnitButtonsStoreOneAndTwoOnlyWhenTheUnitChanges) {
    PanelMediator& node = OpenNode(kTypeSpatialScanNode, true);
    ASSERT_EQ(node.spatialDisplay.GetAmplitudeUnit(), 1U);
    EXPECT_TRUE(Box(CSpatialSidePanel::kDbuv)->isChecked());
    Click(CSpatialSidePanel::kDbm);
    EXPECT_EQ(node.spatialDisplay.GetAmplitudeUnit(), 2U);
    EXPECT_EQ(ModifiedPosts(), 1);
    Click(CSpatialSidePanel::kDbm);
    EXPECT_EQ(ModifiedPosts(), 1);
    Click(CSpatialSidePanel::kDbuv);
    EXPECT_EQ(node.spatialDisplay.GetAmplitudeUnit(), 1U);
    EXPECT_EQ(ModifiedPosts(), 2);
}

TEST_F(SpatialSidePanelTest, TypedScaleLimitsAreKeptInRangeAndChangeWhatTheMapDraws) {
    OpenNode(kTypeSpatialScanNode, true);
    // Automatic: 10 to 120 dBuV over the palette.
    const QColor lowest = CellColour(0, 0);
    const QColor highest = CellColour(2, 3);
    ASSERT_NE(CellColour(0, 1), highest);
    ChooseOption(CSpatialSidePanel::kScaleOptionCommand);
    ASSERT_EQ(Panel().GetPage(), CSpatialSidePanel::kPageScale);
    EXPECT_TRUE(Box(CSpatialSidePanel::kAutoScale)->isChecked());
    EXPECT_EQ(static_cast<QLineEdit*>(Panel().GetControl(CSpatialSidePanel::kMaxEdit))->text(), "120.00  ");
    Click(CSpatialSidePanel::kAutoScale);
    EXPECT_EQ(Scan().m_SpatialAutoByte, 0);
    // Minimum 50 over maximum 20: 19 to 20, every cell from 20 dBuV up in the top colour.
    Type(CSpatialSidePanel::kMinEdit, "50");
    Type(CSpatialSidePanel::kMaxEdit, "20");
    EXPECT_TRUE(Panel().IsScaleEdited());
    const int marked = ModifiedPosts();
    ClickGround();
    EXPECT_FALSE(Panel().IsScaleEdited());
    EXPECT_EQ(Scan().m_SpatialRangeLow, 19.0F);
    EXPECT_EQ(Scan().m_SpatialRangeHigh, 20.0F);
    EXPECT_EQ(ModifiedPosts(), marked + 1);
    EXPECT_EQ(CellColour(0, 0), lowest);
    EXPECT_NE(CellColour(0, 1), highest);
    EXPECT_EQ(CellColour(0, 2), highest);
    EXPECT_EQ(CellColour(1, 2), highest);
    // A maximum of 5000 is 1000; unreadable text is 0.
    Type(CSpatialSidePanel::kMinEdit, "inf");
    Type(CSpatialSidePanel::kMaxEdit, "5000");
    ClickGround();
    EXPECT_EQ(Scan().m_SpatialRangeLow, 0.0F);
    EXPECT_EQ(Scan().m_SpatialRangeHigh, 1000.0F);
    // 120 dBuV on 0 to 1000: the index is 120 / 1000.1 of the palette's last.
    const QColourPalette* palette = GetColourPaletteManager().Find(-10);
    ASSERT_NE(palette, nullptr);
    const auto index =
        static_cast<int32_t>(120.0F * static_cast<float>(palette->GetLastColourIndex()) / 1000.1F);
    EXPECT_EQ(View().GetCell(2, 3).m_ColourIndex, index);
    EXPECT_EQ(CellColour(2, 3), ColorRefToQColor(palette->GetColour(index)));
    // Without an edit a click applies nothing.
    Scan().m_SpatialRangeLow = 5.0F;
    ClickGround();
    EXPECT_EQ(Scan().m_SpatialRangeLow, 5.0F);
}

TEST_F(SpatialSidePanelTest, TheTransparencyBarDraggedPastItsEndsStaysWithin0And100) {
    OpenNode(kTypeSpatialScanNode, true);
    Panel().ShowPage(CSpatialSidePanel::kPageOverlay);
    auto* bar = static_cast<QScrollBar*>(Panel().GetControl(CSpatialSidePanel::kTransparencyBar));
    ASSERT_TRUE(bar->isVisible());
    // Steps by key: one and five.
    Panel().OnTransparencyScroll(TransparencyStep::Track, 50);
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(Panel().GetTransparency(), 51);
    QTest::keyClick(bar, Qt::Key_PageDown);
    EXPECT_EQ(Panel().GetTransparency(), 46);
    EXPECT_EQ(View().GetCutOff(), 54);
    // The handle dragged far beyond each end.
    auto drag = [bar](int fromX, int toX) {
        const int y = bar->height() / 2;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(fromX, y), bar->mapToGlobal(QPointF(fromX, y)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(toX, y), bar->mapToGlobal(QPointF(toX, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(toX, y), bar->mapToGlobal(QPointF(toX, y)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
    };
    const int handle = bar->width() * 46 / 100;
    drag(handle, bar->width() * 20);
    EXPECT_EQ(Panel().GetTransparency(), 100);
    EXPECT_EQ(View().GetCutOff(), 0);
    drag(bar->width() - 20, -bar->width() * 20);
    EXPECT_EQ(Panel().GetTransparency(), 0);
    EXPECT_EQ(View().GetCutOff(), 100);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(SpatialSidePanelTest, EditOverlayOpensOneEditorForTheViewOnTheOverlayPage) {
    OpenNode(kTypeSpatialScanNode, true);
    // The view's own "Edit Overlay" command reaches the panel, which shows its overlay page.
    View().OnContextCommand(SpatialCommand::kEditOverlay);
    EXPECT_EQ(Panel().GetPage(), CSpatialSidePanel::kPageOverlay);
    const QPointer<COverlayViewFrame> frame = View().GetOverlayFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Overlay View");
    QWidget* button = Panel().GetControl(CSpatialSidePanel::kEditOverlay);
    ASSERT_TRUE(button->isVisible());
    frame->showMinimized();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(View().GetOverlayFrame(), frame.data());
    EXPECT_FALSE(frame->isMinimized());
}

class RepositionTest : public SpatialSidePanelTest {
public:
    ~RepositionTest() override {
        // The frame owns the view: it leaves the test's main window before that goes.
        View().setParent(nullptr);
    }

protected:
    // A picture overlay over the grid, shown unblended, in a main window with a menu bar and a tool
    // bar, beside another pane of the view's frame.
    void OpenInMainWindow() {
        auto control = std::make_unique<COverlayControl>();
        control->SetOverlayId(kOverlayId);
        control->SetSourceKind(COverlayControl::kPixelImage);
        const uint8_t pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255};
        ASSERT_TRUE(control->SetPixels(pixels, 2, 2, 3));
        overlays.Add(std::move(control), false);
        CScanAreaRecord area;
        area.m_OverlayId = kOverlayId;
        area.m_Variant = 1;
        area.m_OtherValues = {0.25F, 0.0F, 0.5F, 1.0F};
        area.m_OtherWord = 60;
        area.m_OtherBytes[0] = 1;
        PanelMediator& node = OpenNode(kTypeSpatialScanNode, true, area);
        node.spatialDisplay.SetShowsOverlay(true);
        node.spatialDisplay.SetBlendsOverlay(false);
        m_main.menuBar()->addMenu(QStringLiteral("File"));
        m_toolBar = m_main.addToolBar(QStringLiteral("Scan"));
        m_toolBar->addAction(QStringLiteral("Run"));
        auto* frame = new QWidget;
        m_main.setCentralWidget(frame);
        m_otherPane = new QWidget(frame);
        View().setParent(frame);
        View().setGeometry(0, 0, 800, 600);
        m_main.resize(900, 700);
        m_main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_main));
        Panel().ShowPage(CSpatialSidePanel::kPageOverlay);
        Panel().RefreshCurrentOptionTab();
        ASSERT_TRUE(Box(CSpatialSidePanel::kRepositionOverlay)->isEnabled());
    }
    std::vector<QWidget*> DisabledOnReposition() {
        return {m_main.menuBar(), m_toolBar, m_otherPane,
                Panel().GetControl(CSpatialSidePanel::kOptionsButton),
                Panel().GetControl(CSpatialSidePanel::kEditOverlay)};
    }
    void ExpectAllEnabled() {
        for (QWidget* widget : DisabledOnReposition()) {
            EXPECT_TRUE(widget->isEnabled()) << widget->metaObject()->className();
        }
    }

    QMainWindow m_main;
    QToolBar* m_toolBar = nullptr;
    QWidget* m_otherPane = nullptr;
};

TEST_F(RepositionTest, OnDisablesEverythingButTheMapAndOffWithYesKeepsThePlacementForNewScans) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    OpenInMainWindow();
    Click(CSpatialSidePanel::kRepositionOverlay);
    EXPECT_TRUE(View().IsRepositionOverlay());
    for (QWidget* widget : DisabledOnReposition()) {
        EXPECT_FALSE(widget->isEnabled()) << widget->metaObject()->className();
    }
    EXPECT_TRUE(View().isEnabled());
    EXPECT_TRUE(Box(CSpatialSidePanel::kRepositionOverlay)->isEnabled());
    // The arrow keys move the picture; leaving with Yes copies its placement into the node.
    QTest::keyClick(&View(), Qt::Key_Right);
    Pump();
    ASSERT_TRUE(View().IsOverlayMoved());
    const float moved = Scan().m_ScanArea.m_OtherValues[0];
    prompt->Script(PromptAnswer::Yes);
    Click(CSpatialSidePanel::kRepositionOverlay);
    EXPECT_FALSE(View().IsRepositionOverlay());
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, CSpatialSidePanel::kKeepOverlayText);
    EXPECT_EQ(prompt->Requests()[0].caption, "Confirmation");
    EXPECT_EQ(mediator->overlay.m_overlayId, static_cast<int32_t>(kOverlayId));
    EXPECT_EQ(mediator->overlay.m_pictureValues[0], moved);
    EXPECT_EQ(mediator->overlay.m_pictureInt, 60);
    ExpectAllEnabled();
}

TEST_F(RepositionTest, OffWithNoLeavesTheNodesPlacementAndEnablesEverythingAgain) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    OpenInMainWindow();
    const QOverlayOptions before = [this] {
        QOverlayOptions copy;
        copy.CopyFrom(mediator->overlay);
        return copy;
    }();
    Click(CSpatialSidePanel::kRepositionOverlay);
    QTest::keyClick(&View(), Qt::Key_Down);
    Pump();
    prompt->Script(PromptAnswer::No);
    window.target.received.clear();
    Click(CSpatialSidePanel::kRepositionOverlay);
    EXPECT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(mediator->overlay.m_pictureValues[1], before.m_pictureValues[1]);
    EXPECT_EQ(mediator->overlay.m_overlayId, before.m_overlayId);
    EXPECT_EQ(ModifiedPosts(), 1);
    ExpectAllEnabled();
}

TEST_F(RepositionTest, OverlayTransparencyBlendsThePictureAndHoldsRepositioningOff) {
    OpenInMainWindow();
    Panel().ShowPage(CSpatialSidePanel::kPageView);
    // With a picture the overlay box sits over the transparency box.
    const QRect overlay = Panel().GetControl(CSpatialSidePanel::kOverlay)->geometry();
    const QRect blend = Panel().GetControl(CSpatialSidePanel::kOverlayTransparency)->geometry();
    EXPECT_EQ(overlay.top(), 11);
    EXPECT_EQ(blend.topLeft(), QPoint(overlay.left(), 27));
    Click(CSpatialSidePanel::kOverlayTransparency);
    EXPECT_TRUE(mediator->spatialDisplay.BlendsOverlay());
    EXPECT_EQ(ModifiedPosts(), 1);
    EXPECT_FALSE(Panel().GetControl(CSpatialSidePanel::kRepositionOverlay)->isEnabled());
    Click(CSpatialSidePanel::kOverlayTransparency);
    EXPECT_FALSE(mediator->spatialDisplay.BlendsOverlay());
    EXPECT_TRUE(Panel().GetControl(CSpatialSidePanel::kRepositionOverlay)->isEnabled());
    EXPECT_EQ(ModifiedPosts(), 2);
}

} // namespace
} // namespace orv
