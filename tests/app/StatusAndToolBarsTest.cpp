#include "app/controls/CCommandTarget.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProgressInStatus.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QAction>

#include <limits>
#include <map>
#include <vector>

namespace orv {
namespace {

using testing::Grab;
using testing::PixelAt;

// A frame that handles commands: records them and answers availability from a table.
class FakeFrame : public QWidget, public CCommandTarget {
public:
    bool OnCommand(uint32_t commandId) override {
        commands.push_back(commandId);
        return true;
    }
    std::optional<bool> IsCommandEnabled(uint32_t commandId) override {
        const auto found = enabled.find(commandId);
        return found != enabled.end() ? std::optional<bool>(found->second) : std::nullopt;
    }
    std::vector<uint32_t> commands;
    std::map<uint32_t, bool> enabled;
};

class ProgressInStatusTest : public testing::QtWidgetTest {
protected:
    ProgressInStatusTest() {
        progress.resize(202, 20); // inner width 200
        progress.SetBarColour(0x0000FF);
        progress.show();
    }

    // The inner row through the middle: 'B' bar colour, 'E' the empty colour, '.' anything else.
    std::string InnerRow() {
        const QImage image = Grab(progress);
        std::string row;
        const QRect inner = progress.GetInnerRect();
        for (int x = inner.left(); x <= inner.right(); ++x) {
            const QColor colour = PixelAt(image, x, inner.center().y());
            row += colour == QColor(255, 0, 0) ? 'B' : colour == QColor(235, 235, 235) ? 'E' : '.';
        }
        return row;
    }

    CProgressInStatus progress;
};

TEST_F(ProgressInStatusTest, HalfWayFillsExactlyHalfTheInnerWidth) {
    ASSERT_EQ(progress.GetInnerRect().width(), 200);
    progress.SetRange(0, 100);
    progress.SetPos(50);
    EXPECT_EQ(InnerRow(), std::string(100, 'B') + std::string(100, 'E'));
    progress.SetPos(100);
    EXPECT_EQ(InnerRow(), std::string(200, 'B'));
    progress.SetPos(0);
    EXPECT_EQ(InnerRow(), std::string(200, 'E'));
    // The integer percentage of the range: 1 of 3 is 33 %, 66 pixels.
    progress.SetRange(0, 3);
    progress.SetPos(1);
    EXPECT_EQ(progress.GetFilledWidth(), 66);
    // A range too wide for 32-bit products.
    progress.SetRange(0, std::numeric_limits<int32_t>::max());
    progress.SetPos(std::numeric_limits<int32_t>::max() / 2);
    EXPECT_EQ(progress.GetFilledWidth(), 98);
}

TEST_F(ProgressInStatusTest, OutsideTheRangeOrWithEqualBoundsNothingIsFilled) {
    struct Case {
        int32_t lower, upper, position;
    };
    for (const Case c : {Case{0, 100, 101}, Case{0, 100, -1}, Case{10, 20, 5}, Case{40, 40, 40}}) {
        progress.SetRange(c.lower, c.upper);
        progress.SetPos(c.position);
        const std::string row = InnerRow();
        EXPECT_EQ(row.find_first_of("BE"), std::string::npos)
            << c.lower << ".." << c.upper << " at " << c.position;
    }
}

TEST_F(ProgressInStatusTest, TheFrameIsShadowAboveAndLightBelow) {
    progress.SetRange(0, 100);
    progress.SetPos(50);
    const QImage image = Grab(progress);
    EXPECT_EQ(PixelAt(image, 50, 0).rgb(), progress.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(PixelAt(image, 0, 10).rgb(), progress.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(PixelAt(image, 150, 19).rgb(), progress.palette().color(QPalette::Midlight).rgb());
    EXPECT_EQ(PixelAt(image, 201, 10).rgb(), progress.palette().color(QPalette::Midlight).rgb());
}

TEST(MainStatusBarTest, PassesTheTwoPaneCommandsToItsParentOnly) {
    testing::EnsureTestApplication();
    FakeFrame frame;
    auto* bar = new CMainStatusBar(&frame);
    EXPECT_TRUE(bar->RouteCommand(21010));
    EXPECT_TRUE(bar->RouteCommand(21011));
    EXPECT_FALSE(bar->RouteCommand(21012));
    EXPECT_EQ(frame.commands, (std::vector<uint32_t>{21010, 21011}));

    bar->SetPaneText(0, QStringLiteral("Scanner connected"));
    bar->SetPaneText(1, QStringLiteral("Scanning"));
    bar->SetPaneText(2, QStringLiteral("nowhere"));
    EXPECT_EQ(bar->GetPaneText(0), QString("Scanner connected"));
    EXPECT_EQ(bar->GetPaneText(1), QString("Scanning"));
    bar->SetPaneWidth(1, 180);
    EXPECT_EQ(bar->GetPane(1)->width(), 180);
}

TEST(MainToolBarTest, AToolBarInAPaneIsServedByTheFrameThatHandlesItsCommands) {
    testing::EnsureTestApplication();
    FakeFrame frame;
    frame.enabled = {{32001, false}, {32002, true}};
    auto* pane = new QWidget(&frame); // the pane handles no commands
    auto* bar = new CMainToolBar(pane);
    QAction* first = bar->AddCommandButton(32001, QIcon(), QStringLiteral("Run Once"));
    QAction* second = bar->AddCommandButton(32002, QIcon(), QStringLiteral("Stop"));
    QAction* third = bar->AddCommandButton(32003, QIcon(), QStringLiteral("Other"));
    third->setEnabled(false);

    // Without an owner the pane is asked, and it decides nothing.
    bar->UpdateCommandUI();
    EXPECT_TRUE(first->isEnabled());
    second->trigger();
    EXPECT_TRUE(frame.commands.empty());

    bar->SetOwner(&frame);
    bar->UpdateCommandUI();
    EXPECT_FALSE(first->isEnabled());
    EXPECT_TRUE(second->isEnabled());
    EXPECT_FALSE(third->isEnabled()); // no answer: unchanged
    second->trigger();
    EXPECT_EQ(frame.commands, (std::vector<uint32_t>{32002}));
    EXPECT_EQ(bar->FindCommandButton(32003), third);

    // A tool bar whose parent is the frame needs no owner.
    auto* direct = new CMainToolBar(&frame);
    QAction* run = direct->AddCommandButton(32001, QIcon(), QStringLiteral("Run Once"));
    direct->UpdateCommandUI();
    EXPECT_FALSE(run->isEnabled());
}

} // namespace
} // namespace orv
