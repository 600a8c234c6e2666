// The option panel under a spectrum plot, driven by clicks and keys on its controls: what each
// control stores, the project-modified marks, the frequency marker box by node kind, and the typed
// scale limits and peak settings the plot then uses.

#include "core/QScanOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spectral/CSpectralSidePanel.h"
#include "views/spectral/CSpectralView.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::MirtSpectrum;

class PanelMediator : public test::TestMediator {
public:
    using TestMediator::TestMediator;
    QScanOptions* GetScanOptions() override { return &scanOptions; }
    QScanOptions scanOptions;
};

class SpectralSidePanelTest : public test::SpectralViewTest {
public:
    ~SpectralSidePanelTest() override { mediator.reset(); }

protected:
    SpectralSidePanelTest() { CSpectralSidePanel::Install(); }

    // A node of the kind with its view open; with data it shows scan 1 (a 30-1000 MHz spectrum for
    // a Spectral node, nine cells of 100-200 MHz for the others); the panel laid out by its timer.
    PanelMediator& OpenNode(uint16_t kind, bool data) {
        auto node = std::make_unique<PanelMediator>(kind, "Board");
        PanelMediator& opened = *node;
        mediator = std::move(node);
        mediator->Wire(&factory, &window, &tree, &list, &container);
        bool created = false;
        mediator->OpenView(kind, created, true);
        Pump();
        if (data && kind == kTypeSpectralScanNode) {
            EXPECT_TRUE(mediator->AddSpectralScanData(
                MirtSpectrum(1, {300, 500, 400, 600, 200}, 30.0F, 1000.0F), false, false));
            mediator->ShowSpectralScanData(1);
        } else if (data) {
            uint32_t index = 1;
            for (uint16_t r = 0; r < 3; ++r) {
                for (uint16_t c = 0; c < 3; ++c) {
                    const auto level = static_cast<int16_t>(200 + 10 * index);
                    QCellAddition cell = test::SpectralSpatialCell(1, index++, 9, r, c, {level, level});
                    cell.m_Record.m_Rows = 3;
                    cell.m_Record.m_Columns = 3;
                    EXPECT_TRUE(kind == kTypeHandHeldProbeScanNode
                                    ? mediator->AddHandHeldProbeScanData(std::move(cell), false)
                                    : mediator->AddSpectralSpatialScanData(std::move(cell), false));
                }
            }
            mediator->ShowScanData(1);
        }
        Pump();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !Panel().IsLayoutTimerActive(); }));
        window.target.received.clear();
        return opened;
    }
    CSpectralSidePanel& Panel() { return *dynamic_cast<CSpectralSidePanel*>(View().GetFormView()); }
    QAbstractButton* Box(int id) { return static_cast<QAbstractButton*>(Panel().GetControl(id)); }
    QLineEdit* Edit(int id) { return static_cast<QLineEdit*>(Panel().GetControl(id)); }
    CSpectralScanData& Scan() { return *mediator->GetCurrentSpectralScanData(); }
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
        QTest::mouseClick(Panel().GetControl(CSpectralSidePanel::kOptionsButton), Qt::LeftButton);
        return offered;
    }
    void Type(int id, const QString& text) {
        QLineEdit* edit = Edit(id);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // A left click on the panel's own ground, left of the "Options" button.
    void ClickGround() {
        QTest::mouseClick(&Panel(), Qt::LeftButton, {}, QPoint(2, 42));
        Pump();
    }
};

TEST_F(SpectralSidePanelTest, TheOptionsMenuNeverOffersTheScanOption) {
    OpenNode(kTypeSpectralScanNode, true);
    EXPECT_EQ(Box(CSpectralSidePanel::kOptionsButton)->text(), "View Options");
    EXPECT_EQ(ChooseOption(CSpectralSidePanel::kScaleOptionCommand),
              (std::vector<std::string>{"View Option [x]", "Peak Option", "Scale Option"}));
    EXPECT_EQ(Panel().GetPage(), CSpectralSidePanel::kPageScale);
    EXPECT_EQ(Box(CSpectralSidePanel::kOptionsButton)->text(), "Scale Options");
    EXPECT_EQ(testing::MenuItems(*CSpectralSidePanel::BuildOptionsMenu(CSpectralSidePanel::kPagePeak, false)),
              (std::vector<std::string>{"View Option", "Peak Option [x]"}));
}

TEST_F(SpectralSidePanelTest, PeakHoldAndAveragingExcludeEachOtherOnSpectralNodesOnly) {
    PanelMediator& node = OpenNode(kTypeSpectralScanNode, true);
    ChooseOption(CSpectralSidePanel::kPeakOptionCommand);
    Click(CSpectralSidePanel::kAveraging);
    EXPECT_TRUE(node.scanOptions.IsAveraging());
    EXPECT_EQ(ModifiedPosts(), 1);
    Click(CSpectralSidePanel::kPeakHold);
    EXPECT_TRUE(node.scanOptions.IsPeakHold());
    EXPECT_FALSE(node.scanOptions.IsAveraging());
    EXPECT_FALSE(Box(CSpectralSidePanel::kAveraging)->isChecked());
    Click(CSpectralSidePanel::kAveraging);
    EXPECT_FALSE(node.scanOptions.IsPeakHold());
    EXPECT_FALSE(Box(CSpectralSidePanel::kPeakHold)->isChecked());
    EXPECT_EQ(ModifiedPosts(), 3);
    // The refresh keeps them as stored.
    Panel().RefreshChecks();
    EXPECT_TRUE(Box(CSpectralSidePanel::kAveraging)->isChecked());

    OpenNode(kTypeSpectralSpatialScanNode, true);
    Panel().ShowPage(CSpectralSidePanel::kPagePeak);
    Panel().RefreshChecks();
    EXPECT_FALSE(Box(CSpectralSidePanel::kPeakHold)->isEnabled());
    EXPECT_FALSE(Box(CSpectralSidePanel::kAveraging)->isEnabled());
}

TEST_F(SpectralSidePanelTest, TheFrequencyMarkerBoxShowsOnlyForSpectralSpatialAndHandHeldNodesWithData) {
    struct Case {
        uint16_t kind;
        bool data;
        bool shown;
    };
    for (const Case& c :
         {Case{kTypeSpectralScanNode, true, false}, Case{kTypeSpectralSpatialScanNode, true, true},
          Case{kTypeHandHeldProbeScanNode, true, true}, Case{kTypeSpectralSpatialScanNode, false, false}}) {
        SCOPED_TRACE(std::to_string(c.kind) + (c.data ? " with data" : " without data"));
        OpenNode(c.kind, c.data);
        EXPECT_EQ(Box(CSpectralSidePanel::kFrequencyMarker)->isVisible(), c.shown);
    }
    // Data that arrives after the first layout brings the box into the row, right of the rest.
    OpenNode(kTypeSpectralSpatialScanNode, false);
    ASSERT_FALSE(Box(CSpectralSidePanel::kFrequencyMarker)->isVisible());
    EXPECT_TRUE(
        mediator->AddSpectralSpatialScanData(test::SpectralSpatialCell(1, 1, 1, 0, 0, {300, 310}), false));
    mediator->ShowScanData(1);
    Pump();
    Panel().RefreshChecks();
    EXPECT_TRUE(Box(CSpectralSidePanel::kFrequencyMarker)->isVisible());
    EXPECT_GT(Box(CSpectralSidePanel::kFrequencyMarker)->x(),
              Panel().GetControl(CSpectralSidePanel::kDbm)->geometry().right());
    // Unchecked hides the markers.
    PanelMediator& node = OpenNode(kTypeHandHeldProbeScanNode, true);
    ASSERT_TRUE(Box(CSpectralSidePanel::kFrequencyMarker)->isChecked());
    Click(CSpectralSidePanel::kFrequencyMarker);
    EXPECT_TRUE(node.spectralDisplay.HidesMarkers());
    EXPECT_EQ(ModifiedPosts(), 1);
}

TEST_F(SpectralSidePanelTest, ViewSwitchesAndUnitsStoreTheirOptionAndMarkTheProjectOnce) {
    PanelMediator& node = OpenNode(kTypeSpectralScanNode, true);
    struct Case {
        int id;
        bool (QSpectralDisplayOptions::*read)() const;
    };
    int marked = 0;
    for (const Case& c :
         {Case{CSpectralSidePanel::kGrid, &QSpectralDisplayOptions::ShowsGrid},
          Case{CSpectralSidePanel::kShowPeaks, &QSpectralDisplayOptions::MarksPeaks},
          Case{CSpectralSidePanel::kLogScale, &QSpectralDisplayOptions::IsLogFrequencyAxis}}) {
        SCOPED_TRACE(c.id);
        const bool before = (node.spectralDisplay.*c.read)();
        Click(c.id);
        EXPECT_NE((node.spectralDisplay.*c.read)(), before);
        EXPECT_EQ(ModifiedPosts(), ++marked);
    }
    Click(CSpectralSidePanel::kDbm);
    EXPECT_EQ(node.spectralDisplay.GetAmplitudeUnit(), 2U);
    EXPECT_EQ(ModifiedPosts(), ++marked);
    Click(CSpectralSidePanel::kDbm);
    EXPECT_EQ(ModifiedPosts(), marked);
    Click(CSpectralSidePanel::kDbuv);
    EXPECT_EQ(node.spectralDisplay.GetAmplitudeUnit(), 1U);
    EXPECT_EQ(ModifiedPosts(), ++marked);
}

TEST_F(SpectralSidePanelTest, TypedLimitsStayWithinTheScanAndThePlotShowsThem) {
    OpenNode(kTypeSpectralScanNode, true);
    ChooseOption(CSpectralSidePanel::kScaleOptionCommand);
    EXPECT_EQ(Edit(CSpectralSidePanel::kFrequencyMinEdit)->text(), "30.000  ");
    EXPECT_EQ(Edit(CSpectralSidePanel::kFrequencyMaxEdit)->text(), "1000.000");
    Click(CSpectralSidePanel::kAutoFrequency);
    Click(CSpectralSidePanel::kAutoAmplitude);
    EXPECT_EQ(Scan().m_FrequencyAutoByte, 0);
    EXPECT_EQ(Scan().m_LevelAutoByte, 0);
    struct Case {
        const char* minimum;
        const char* maximum;
        float low;
        float high;
    };
    // The points lie at 30, 272.5, 515, 757.5 and 1000 MHz.
    for (const Case& c : {Case{"10", "2000", 30.0F, 1000.0F}, Case{"1200", "1100", 999.0F, 1000.0F},
                          Case{"300", "700", 300.0F, 700.0F}}) {
        SCOPED_TRACE(std::string(c.minimum) + " " + c.maximum);
        Type(CSpectralSidePanel::kFrequencyMinEdit, c.minimum);
        Type(CSpectralSidePanel::kFrequencyMaxEdit, c.maximum);
        Type(CSpectralSidePanel::kAmplitudeMinEdit, "50");
        Type(CSpectralSidePanel::kAmplitudeMaxEdit, "20");
        ClickGround();
        EXPECT_FALSE(Panel().IsScaleEdited());
        EXPECT_EQ(Scan().m_LevelLow, c.low);
        EXPECT_EQ(Scan().m_LevelHigh, c.high);
        EXPECT_EQ(Scan().m_MarkerLow, 19.0F);
        EXPECT_EQ(Scan().m_MarkerHigh, 20.0F);
        EXPECT_EQ(View().GetAmpAxisMin(), 19);
        EXPECT_EQ(View().GetAmpAxisMax(), 20);
    }
    // 300-700 MHz: the plot ends at the last point within the window (515 MHz of the full 1000), and
    // the fields show what the plot shows.
    EXPECT_EQ(View().GetPoints()[static_cast<size_t>(View().GetLastVisible())].m_Frequency, 515.0F);
    EXPECT_EQ(Edit(CSpectralSidePanel::kFrequencyMaxEdit)->text(), "515.000 ");
    EXPECT_EQ(Edit(CSpectralSidePanel::kAmplitudeMaxEdit)->text(), "20.00   ");
}

TEST_F(SpectralSidePanelTest, PeakSettingsAreClampedIntoTheShownScanOrTheNode) {
    PanelMediator& node = OpenNode(kTypeSpectralScanNode, true);
    ChooseOption(CSpectralSidePanel::kPeakOptionCommand);
    struct Case {
        const char* number;
        const char* threshold;
        uint32_t count;
        float step;
    };
    for (const Case& c : {Case{"-4", "7.5", 0U, 7.5F}, Case{"3.9", "abc", 3U, 0.0F},
                          Case{"1e12", "1e999", std::numeric_limits<uint32_t>::max(), 0.0F}}) {
        SCOPED_TRACE(std::string(c.number) + " " + c.threshold);
        Type(CSpectralSidePanel::kPeakNumberEdit, c.number);
        Type(CSpectralSidePanel::kThresholdEdit, c.threshold);
        const int marked = ModifiedPosts();
        ClickGround();
        EXPECT_FALSE(Panel().IsPeakEdited());
        EXPECT_EQ(Scan().m_DisplayCount, c.count);
        EXPECT_EQ(Scan().m_DisplayValue, c.step);
        EXPECT_EQ(ModifiedPosts(), marked + 1);
    }
    EXPECT_EQ(Edit(CSpectralSidePanel::kPeakNumberEdit)->text(), "4294967295");
    // With the node's settings in force they go into the node's options.
    node.spectralDisplay.SetUsesNodeSettings(true);
    Type(CSpectralSidePanel::kPeakNumberEdit, "6");
    Type(CSpectralSidePanel::kThresholdEdit, "2.25");
    ClickGround();
    EXPECT_EQ(node.spectralDisplay.GetPeakCount(), 6U);
    EXPECT_EQ(node.spectralDisplay.GetPeakThreshold(), 2.25F);
    EXPECT_EQ(Scan().m_DisplayCount, std::numeric_limits<uint32_t>::max());
}

} // namespace
} // namespace orv
