// The scan probes page with the robot arm: the arm simulator on its pseudo-terminal is the scanner
// of the in-process engine, so the reach of every cell comes to the page the way the program gets
// it (the arm's tables, copied by the engine's device manager when the arm connected, read through
// the scanner context).

#include "analyzers/CInstrumentInfo.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "dialogs/CDlgProbeHeight.h"
#include "dialogs/CPageScanProbes.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScannerBot.h"
#include "platform/CLocale.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/dialogs/support/ProbesPageDriver.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "tests/app/support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Page = CPageScanProbes;
using Cells = std::set<std::pair<int, int>>;
using testing::FlushEvents;
using testing::ProbesPageDriver;
using testing::ProcessEventsUntil;

QColor Over(const QColor& below, const QColor& above) {
    const double a = above.alphaF();
    auto mix = [a](int top, int bottom) { return static_cast<int>((top * a) + (bottom * (1.0 - a)) + 0.5); };
    return {mix(above.red(), below.red()), mix(above.green(), below.green()),
            mix(above.blue(), below.blue())};
}

::testing::AssertionResult Near(const QColor& actual, const QColor& expected) {
    const int worst =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue())});
    if (worst <= 2) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << actual.name().toStdString() << " instead of " << expected.name().toStdString();
}

class ProbesPageArmTest : public testing::SheetFixture {
protected:
    void SetUp() override {
        GetProbePatternClipboard() = ProbePatternClipboard{};
        Page::SetArmDevicesSource([this] { return &Manager(); });
        m_simulator.SetMotionMs(0);
        {
            const test::ArmSettingsFixture armSettings(m_simulator.PortName());
            // The calibration the connect offers is declined: the arm stays where it is.
            prompt->Script(PromptAnswer::Cancel);
            ASSERT_TRUE(Manager().ConnectScanner(eProbeType::RobotArm));
        }
        ASSERT_NE(dynamic_cast<CScannerBot*>(Manager().GetScanner()), nullptr);
        // The probe type the connection thread selects with the arm, and the scanner id the scan-head
        // query answers for it.
        GetInstrumentInfo().SetProbeType(eProbeType::RobotArm);
        ASSERT_TRUE(GetScannerContext().SetScannerId(QScannerContext::kArmScannerId));
        m_asked = prompt->Requests().size();

        const QScannerContext& context = GetScannerContext();
        for (int row = 0; row < Page::kRows; ++row) {
            for (int column = 0; column < Page::kColumns; ++column) {
                if (context.IsArmCellHeightZero(row, column)) {
                    unreachable.emplace(row, column);
                } else {
                    reachable.emplace(row, column);
                    const int reach = context.GetArmMaxHeightForCell(row, column);
                    if (reach < lowestReach) {
                        lowestReach = reach;
                        lowestReachCell = {row, column};
                    }
                    highestReach = std::max(highestReach, reach);
                }
            }
        }
        ASSERT_FALSE(unreachable.empty()) << "the arm cannot reach every cell of the grid";
        ASSERT_LT(lowestReach, highestReach);
    }

    void TearDown() override {
        // The pages and their arm threads end before the arm goes.
        CloseSheet();
        EXPECT_EQ(Page::GetRunningArmThreads(), 0);
        Page::SetArmDevicesSource(nullptr);
        // The arm's port is closed while the simulator still answers it.
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            Manager().SetScannerMaker(type, nullptr);
        }
        Manager().SetNoScannerFallbackSource([] { return true; });
        EXPECT_TRUE(Manager().ConnectScanner(eProbeType::NoScanner));
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        DestroyScannerContext();
    }

    CDeviceManager& Manager() { return *m_engine.GetSetupScan().GetDeviceManager(); }

    // The nodes own their sheets and pages.
    void CloseSheet() {
        driver.reset();
        sheet = nullptr;
        nodes.clear();
    }
    // Pumps the page's queue until it took in a report of the kind; false after the time-out.
    bool AwaitReport(Page& page, int kind) {
        bool seen = false;
        page.SetArmReportObserver([&seen, kind](int report) { seen = seen || report == kind; });
        const bool ok = ProcessEventsUntil([&seen] { return seen; });
        page.SetArmReportObserver(nullptr);
        return ok;
    }
    // Packets of the command the simulator received (written ones only when asked).
    size_t PacketsOf(uint8_t id, bool writesOnly = false) {
        size_t count = 0;
        for (const std::vector<uint8_t>& packet : m_simulator.Packets()) {
            if (packet.size() > 4 && packet[3] == id && (!writesOnly || (packet[4] & 1U) != 0)) {
                ++count;
            }
        }
        return count;
    }
    // A mouse press or release on a jog button, as the user gives it.
    static void Mouse(QWidget& button, QEvent::Type type) {
        const QPointF centre(button.width() / 2.0, button.height() / 2.0);
        QMouseEvent event(type, centre, button.mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&button, &event);
    }
    // Sends the arm to the cell with "Move to here" and waits until the page took in where it stands.
    void MoveTo(Page& page, int row, int column, int height) {
        Type(page, height);
        driver->AnswerMenu(Page::kMoveToHere);
        driver->RightClick(driver->CellCentre(row, column));
        ASSERT_TRUE(AwaitReport(page, Page::kArmReportMoveToCell));
    }
    // A column whose cells of the rows are all within reach.
    int ReachableColumn(int firstRow, int lastRow) const {
        for (int column = 1; column < Page::kColumns - 1; ++column) {
            bool all = true;
            for (int row = firstRow; row <= lastRow && all; ++row) {
                all = reachable.count({row, column}) != 0;
            }
            if (all) {
                return column;
            }
        }
        return -1;
    }

    Page& Open(QNodeMediator& node) {
        sheet = OpenSheet(node, 1);
        EXPECT_NE(sheet, nullptr);
        auto* page = dynamic_cast<Page*>(sheet->GetActivePage());
        EXPECT_NE(page, nullptr);
        driver = std::make_unique<ProbesPageDriver>(*page);
        return *page;
    }
    // A Spatial node whose pattern has every cell on at the height.
    Page& OpenAllOn(uint16_t height) {
        nodes.push_back(MakeNode(2004));
        nodes.back()->GetSecondProbePatternOptions()->SetPattern(QProbeScanPattern(29, 42, 1, height));
        return Open(*nodes.back());
    }
    void Type(Page& page, int height) {
        auto& edit = dynamic_cast<QLineEdit&>(*page.GetControl(Page::kHeightEdit));
        ASSERT_TRUE(edit.isVisible()) << "the height is typed with the arm";
        testing::TypeInto(edit, QString::number(height));
    }
    std::vector<PromptRequest> NewQuestions() {
        std::vector<PromptRequest> all = prompt->Requests();
        std::vector<PromptRequest> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_asked), all.end());
        m_asked = all.size();
        return fresh;
    }
    // The clipboard as a copy of a page with every cell on at the height would leave it.
    static void FillClipboard(int16_t height, int16_t lowest, int16_t highest) {
        ProbePatternClipboard& clipboard = GetProbePatternClipboard();
        for (ProbeCell& cell : clipboard.cells) {
            cell.on = 1;
            cell.height = height;
        }
        clipboard.measurementHeight = height;
        clipboard.lowestHeight = lowest;
        clipboard.highestHeight = highest;
        clipboard.colourStep = (highest - lowest) / 155.0;
        clipboard.filled = 1;
    }
    void Paste(const QPoint& at) {
        driver->AnswerMenu(Page::kPastePattern);
        driver->RightClick(at);
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::DobotSimulatorProcess m_simulator;
    CEngineObjects m_engine;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    CNodeOptionsSheet* sheet = nullptr;
    std::unique_ptr<ProbesPageDriver> driver;
    size_t m_asked = 0;
    Cells unreachable;
    Cells reachable;
    int lowestReach = 1 << 30;
    int highestReach = 0;
    std::pair<int, int> lowestReachCell;
};

TEST_F(ProbesPageArmTest, UnreachableCellsAreGreyAndNeverTurnOn) {
    Page& page = OpenAllOn(12);
    ASSERT_TRUE(page.IsArmPresent());
    EXPECT_EQ(driver->OnCells(), reachable) << "an unreachable cell is forced off";
    const auto [row, column] = *unreachable.begin();
    for (const auto& [r, c] : unreachable) {
        ASSERT_EQ(page.GetCell(r, c).unreachable, 1);
        EXPECT_FALSE(page.GetWorkingPattern().IsProbeOn(r, c));
    }
    const QImage picture = page.GetGridImage();
    for (const auto& [r, c] : unreachable) {
        const bool band = r % 5 == 0 || c % 5 == 0;
        const QColor under = band ? QColor(0xFF, 0xD1, 0xB3) : QColor(Qt::white);
        const QPoint at = driver->CellCentre(r, c) - page.GetGridRect().topLeft();
        EXPECT_TRUE(Near(picture.pixelColor(at), Over(under, QColor::fromRgba(Page::kUnreachableArgb))))
            << r << "," << c;
    }

    const int typed = std::min(10, lowestReach);
    Type(page, typed);
    driver->Click(row, column);
    driver->ClickButton(Page::kSelectNone);
    EXPECT_TRUE(driver->OnCells().empty());
    // A rectangle around the cell: its neighbours turn on, it does not.
    const int firstRow = std::max(row - 1, 0);
    const int firstColumn = std::max(column - 1, 0);
    const int lastRow = std::min(row + 1, Page::kRows - 1);
    const int lastColumn = std::min(column + 1, Page::kColumns - 1);
    driver->AnswerMenu(Page::kSelectCells);
    driver->DragCells(firstRow, firstColumn, lastRow, lastColumn);
    Cells expected;
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (reachable.count({r, c}) != 0) {
                expected.emplace(r, c);
            }
        }
    }
    EXPECT_EQ(driver->OnCells(), expected);
    driver->ClickButton(Page::kSelectAll);
    EXPECT_EQ(driver->OnCells(), reachable);
    EXPECT_EQ(page.GetCell(reachable.begin()->first, reachable.begin()->second).height, typed);

    driver->ClickButton(Page::kSelectNone);
    FillClipboard(static_cast<int16_t>(typed), 5, 200);
    Paste(driver->CellCentre(0, 0));
    EXPECT_EQ(driver->OnCells(), reachable);
    EXPECT_EQ(page.GetCell(row, column).on, 0);

    // The hover box shows nothing over such a cell.
    driver->Hover(driver->CellCentre(row, column));
    EXPECT_FALSE(page.GetHoverBox().has_value());
    EXPECT_TRUE(NewQuestions().empty()) << "every height was within reach";
}

TEST_F(ProbesPageArmTest, HeightsBeyondReachAskOnceAndCancelChangesNothing) {
    Page& page = OpenAllOn(12);
    driver->ClickButton(Page::kSelectNone);
    driver->Click(3, 3);
    const Cells before = driver->OnCells();
    const QProbeScanPattern patternBefore = page.GetWorkingPattern();
    const int typed = lowestReach + 1;
    Type(page, typed);

    struct Step {
        const char* what;
        std::function<void()> act;
        const char* text;
    };
    const auto [lowRow, lowColumn] = lowestReachCell;
    const std::vector<Step> steps = {
        {"Select All", [&] { driver->ClickButton(Page::kSelectAll); }, Page::kRangeReachText},
        {"Select Cells",
         [&] {
             driver->AnswerMenu(Page::kSelectCells);
             driver->DragCells(std::max(lowRow - 1, 0), std::max(lowColumn - 1, 0), lowRow, lowColumn);
         },
         Page::kRangeReachText},
        {"a click", [&] { driver->Click(lowRow, lowColumn); }, Page::kCellReachText},
        {"Paste",
         [&] {
             FillClipboard(static_cast<int16_t>(typed), 5, 300);
             Paste(driver->CellCentre(0, 0));
         },
         Page::kRangeReachText},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        prompt->Script(PromptAnswer::Cancel);
        step.act();
        const std::vector<PromptRequest> asked = NewQuestions();
        ASSERT_EQ(asked.size(), 1U);
        EXPECT_EQ(asked[0].text, step.text);
        EXPECT_EQ(asked[0].caption, "Probe height");
        EXPECT_EQ(asked[0].buttons, PromptButtons::OkCancel);
        EXPECT_EQ(asked[0].icon, PromptIcon::Information);
        EXPECT_EQ(driver->OnCells(), before);
        EXPECT_FALSE(page.GetWorkingPattern() != patternBefore);
    }

    // Answered OK, the cells take the typed height.
    prompt->Script(PromptAnswer::Ok);
    driver->ClickButton(Page::kSelectAll);
    EXPECT_EQ(NewQuestions().size(), 1U);
    EXPECT_EQ(driver->OnCells(), reachable);
    EXPECT_EQ(page.GetCell(lowRow, lowColumn).height, typed);
    EXPECT_EQ(page.GetWorkingPattern().GetHeightAt(lowRow, lowColumn), typed);
    // Turned off, a cell goes back to its reach without a question.
    driver->Click(lowRow, lowColumn);
    EXPECT_EQ(page.GetCell(lowRow, lowColumn).on, 0);
    EXPECT_EQ(page.GetCell(lowRow, lowColumn).height, lowestReach);
    EXPECT_TRUE(NewQuestions().empty());

    // Apply stores the highest on cell's height when the typed one is lower.
    Type(page, 1);
    ASSERT_TRUE(sheet->PressApply());
    EXPECT_EQ(nodes.back()->GetSecondProbePatternOptions()->GetMeasurementHeight(),
              static_cast<float>(typed));
}

TEST_F(ProbesPageArmTest, OnCellsAreGreenerTheHigherAndAllEqualHeightsDrawGreen100) {
    // Every cell off: each holds its reach, and the colour scale spans them.
    nodes.push_back(MakeNode(2004));
    nodes.back()->GetSecondProbePatternOptions()->SetPattern(QProbeScanPattern(29, 42, 0, 0));
    Page& page = Open(*nodes.back());
    EXPECT_LE(page.GetLowestHeight(), lowestReach);
    EXPECT_GE(page.GetHighestHeight(), highestReach);
    EXPECT_EQ(page.ArmHeightGreen(page.GetLowestHeight()), 100);
    EXPECT_EQ(page.ArmHeightGreen(page.GetHighestHeight()), 255);
    EXPECT_EQ(page.ArmHeightGreen(static_cast<int16_t>(page.GetHighestHeight() + 50)), 255);
    EXPECT_EQ(page.ArmHeightGreen(static_cast<int16_t>(page.GetLowestHeight() - 50)), 100);

    const auto [row, column] = *std::find_if(reachable.begin(), reachable.end(), [](const auto& cell) {
        return cell.first % 5 != 0 && cell.second % 5 != 0;
    });
    auto shown = [&] {
        return page.GetGridImage().pixelColor(driver->CellCentre(row, column) - page.GetGridRect().topLeft());
    };
    Type(page, highestReach / 2);
    driver->Click(row, column);
    ASSERT_EQ(page.GetCell(row, column).on, 1);
    const int green = page.ArmHeightGreen(static_cast<int16_t>(highestReach / 2));
    EXPECT_GT(green, 100);
    EXPECT_LT(green, 255);
    EXPECT_TRUE(Near(shown(), Over(Qt::white, QColor(0, green, 0, 140))));

    // A pattern whose heights are all equal: colour step 0 and the lowest green.
    prompt->Script(PromptAnswer::Ok);
    FillClipboard(60, 60, 60);
    Paste(driver->CellCentre(0, 0));
    EXPECT_EQ(page.GetColourStep(), 0.0);
    EXPECT_EQ(page.GetCell(row, column).height, 60);
    EXPECT_EQ(page.ArmHeightGreen(60), 100);
    EXPECT_TRUE(Near(shown(), Over(Qt::white, QColor(0, 100, 0, 140))));
}

TEST_F(ProbesPageArmTest, HoverTextsShowTheHeightOrTheReach) {
    Page& page = OpenAllOn(12);
    driver->ClickButton(Page::kSelectNone);
    const auto [row, column] = lowestReachCell;
    const auto [onRow, onColumn] = *std::find_if(reachable.begin(), reachable.end(),
                                                 [&](const auto& cell) { return cell != lowestReachCell; });
    const int typed = std::min(7, lowestReach);
    Type(page, typed);
    driver->Click(onRow, onColumn);
    const QScannerContext& context = GetScannerContext();
    const int reach = context.GetArmMaxHeightForCell(row, column);

    struct Row {
        int row;
        int column;
        bool lettered;
        std::string text;
    };
    const std::vector<Row> rows = {
        {row, column, false, FormatC(" Row: %-2d,  Col: %-2d,  Max Height: %d", row, column, reach)},
        {row, column, true,
         FormatC(" Row: %-2d,  Col: %s,  Max Height: %d", row + 1,
                 context.GetColumnLabel(column).m_text.c_str(), reach)},
        {onRow, onColumn, false, FormatC(" Row: %-2d,  Col: %-2d,  Height: %d", onRow, onColumn, typed)},
        {onRow, onColumn, true,
         FormatC(" Row: %-2d,  Col: %s,  Height: %d", onRow + 1,
                 context.GetColumnLabel(onColumn).m_text.c_str(), typed)},
    };
    for (const Row& entry : rows) {
        SCOPED_TRACE(entry.text);
        nodes.back()->GetSpatialDisplayOptions()->m_flag5 = entry.lettered ? 1 : 0;
        const QPoint at = driver->CellCentre(entry.row, entry.column);
        driver->Hover(at);
        const std::optional<Page::HoverBox> hover = page.GetHoverBox();
        ASSERT_TRUE(hover.has_value());
        EXPECT_EQ(hover->text.toStdString(), entry.text);
        // With the arm the box is wider.
        const int anchorY = at.y() + (entry.row == 0 ? 10 : 0) - (entry.row == Page::kRows - 1 ? 10 : 0);
        if (at.x() + 205 > page.GetGridRect().right()) {
            EXPECT_EQ(hover->box,
                      QRect(QPoint(at.x() - 197, anchorY - 10), QPoint(at.x() - 3, anchorY + 14)));
        } else {
            EXPECT_EQ(hover->box,
                      QRect(QPoint(at.x() + 10, anchorY - 10), QPoint(at.x() + 204, anchorY + 14)));
        }
    }
    EXPECT_TRUE(NewQuestions().empty());
}

TEST_F(ProbesPageArmTest, MoveToHereUpdatePositionAndCalibrate) {
    Page& page = OpenAllOn(12);
    ASSERT_TRUE(page.IsArmThreadRunning());
    for (const int id : {Page::kBotGroup, Page::kJogForward, Page::kArmPosition, Page::kCalibrate,
                         Page::kUpdatePosition, Page::kHeightSpin}) {
        EXPECT_TRUE(page.GetControl(id)->isVisible()) << id;
    }
    // The start-up read shows the pose without blanks.
    ASSERT_TRUE(ProcessEventsUntil([&] { return page.GetLastArmPose().has_value(); }));
    auto label = [&] {
        return dynamic_cast<QLabel&>(*page.GetControl(Page::kArmPosition)).text().toStdString();
    };
    EXPECT_EQ(label().find(", "), std::string::npos) << label();

    driver->RightClick(driver->CellCentre(3, 3));
    ASSERT_EQ(driver->menus.back().size(), 4U);
    EXPECT_EQ(driver->menus.back()[2].first, "Move to here");
    EXPECT_EQ(driver->menus.back()[3].first, "Set Height...");

    const int column = ReachableColumn(10, 10);
    ASSERT_GE(column, 0);
    // Below the floor the move goes to -70.
    MoveTo(page, 10, column, -80);
    ASSERT_TRUE(page.GetLastArmPose().has_value());
    EXPECT_EQ(page.GetArmCell(), std::make_pair(int16_t{10}, static_cast<int16_t>(column)));
    EXPECT_NEAR(page.GetLastArmPose()->z, -70.0F, 0.01F);
    EXPECT_EQ(label(), FormatC("X:%2.0f,  Y:%2.0f,  Z:%2.0f", static_cast<double>(page.GetLastArmPose()->x),
                               static_cast<double>(page.GetLastArmPose()->y), -70.0));
    // The marker stands on the arm's cell, blue.
    const std::optional<Page::ArmMarkerPlace> marker = page.GetArmMarkerPlace();
    ASSERT_TRUE(marker.has_value());
    EXPECT_FALSE(marker->clamped);
    int row = -1;
    int markedColumn = -1;
    ASSERT_TRUE(page.HitTestCell(marker->centre + page.GetGridRect().topLeft(), row, markedColumn));
    EXPECT_EQ(row, 10);
    EXPECT_EQ(markedColumn, column);
    EXPECT_EQ(page.GetGridImage().pixelColor(marker->centre), QColor(0, 0, 255));

    // "Update Position" puts the arm's z into the edit.
    Type(page, 33);
    page.OnCommand(Page::kUpdatePosition);
    ASSERT_TRUE(AwaitReport(page, Page::kArmReportUpdate));
    EXPECT_EQ(dynamic_cast<QLineEdit&>(*page.GetControl(Page::kHeightEdit)).text(), "-70");

    // "Calibrate" homes the arm (its question answered OK).
    const size_t homings = PacketsOf(31);
    prompt->Script(PromptAnswer::Ok);
    page.OnCommand(Page::kCalibrate);
    ASSERT_TRUE(AwaitReport(page, Page::kArmReportCalibrate));
    EXPECT_GT(PacketsOf(31), homings);
}

TEST_F(ProbesPageArmTest, OffTheGridTheMarkerIsHeldToTheEdgeInRed) {
    Page& page = OpenAllOn(12);
    ASSERT_TRUE(ProcessEventsUntil([&] { return page.GetLastArmPose().has_value(); }));
    const std::optional<std::pair<float, float>> origin = Manager().GetGridOrigin();
    ASSERT_TRUE(origin.has_value());
    const QSize picture = page.GetGridImage().size();
    // The arm's x runs down the grid (217.5 mm), its y across it (315 mm).
    const struct {
        float x;
        float y;
        QPoint centre;
    } rows[] = {
        {origin->first - 20.0F, origin->second + 157.5F, QPoint(picture.width() / 2, 0)},
        {origin->first + 100.0F, origin->second + 400.0F,
         QPoint(picture.width() - 1, static_cast<int>(100.0 * picture.height() / 217.5))},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(Manager().MoveArmTo(row.x, row.y, 30.0F, 0.0F));
        page.OnCommand(Page::kUpdatePosition);
        ASSERT_TRUE(AwaitReport(page, Page::kArmReportUpdate));
        const std::optional<Page::ArmMarkerPlace> marker = page.GetArmMarkerPlace();
        ASSERT_TRUE(marker.has_value());
        EXPECT_TRUE(marker->clamped) << row.x << "," << row.y;
        EXPECT_NEAR(marker->centre.x(), row.centre.x(), 1);
        EXPECT_NEAR(marker->centre.y(), row.centre.y(), 1);
        EXPECT_EQ(page.GetGridImage().pixelColor(marker->centre), QColor(255, 0, 0));
    }
}

TEST_F(ProbesPageArmTest, PositionCaptureMarksThePageModified) {
    Page& page = OpenAllOn(12);
    QWidget& capture = *page.GetControl(Page::kPositionCapture);
    ASSERT_TRUE(capture.isVisible());
    EXPECT_FALSE(page.IsModified());
    testing::Click(capture);
    EXPECT_TRUE(page.IsModified());
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
}

TEST_F(ProbesPageArmTest, HoldingForwardOrBackAcceleratesAndStopsAtTheGridsEdge) {
    Page& page = OpenAllOn(12);
    // A column the arm reaches from at least eight rows before an edge to the edge: the step is full
    // by the time the arm gets there. "F" runs to the last row, "B" to the first.
    struct Run {
        int id = 0;
        int direction = 0;
        int startRow = 0;
        int edgeRow = 0;
        int column = -1;
    } run;
    for (int column = 0; column < Page::kColumns && run.column < 0; ++column) {
        if (ReachableColumn(Page::kRows - 12, Page::kRows - 1) == column) {
            run = {Page::kJogForward, 2, Page::kRows - 12, Page::kRows - 1, column};
        }
    }
    if (run.column < 0) {
        for (int column = 1; column < Page::kColumns - 1 && run.column < 0; ++column) {
            bool all = true;
            for (int row = 0; row <= 11 && all; ++row) {
                all = reachable.count({row, column}) != 0;
            }
            if (all) {
                run = {Page::kJogBack, 1, 11, 0, column};
            }
        }
    }
    ASSERT_GE(run.column, 0) << "no column of the arm's reach runs to an edge of the grid";
    MoveTo(page, run.startRow, run.column, 20);
    std::vector<float> xs = {page.GetLastArmPose()->x};
    std::vector<int> rows = {page.GetArmCell().first};
    page.SetArmReportObserver([&](int kind) {
        if (kind == Page::kArmReportJogged) {
            xs.push_back(page.GetLastArmPose()->x);
            rows.push_back(page.GetArmCell().first);
        }
    });
    auto& button = *page.GetControl(run.id);
    Mouse(button, QEvent::MouseButtonPress);
    ASSERT_EQ(page.GetJogDirection(), run.direction);
    // At the edge row with the full step, every further move would leave the grid.
    ASSERT_TRUE(ProcessEventsUntil([&] { return rows.back() == run.edgeRow && page.GetJogStep() >= 7.5F; }));
    const size_t moves = xs.size();
    const size_t poses = PacketsOf(10);
    ASSERT_TRUE(ProcessEventsUntil([&] { return PacketsOf(10) >= poses + 5; }));
    EXPECT_EQ(xs.size(), moves) << "a move beyond the edge was made";
    EXPECT_EQ(page.GetJogDirection(), run.direction) << "the button stays held";
    Mouse(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(page.GetJogDirection(), 0);
    page.SetArmReportObserver(nullptr);

    ASSERT_GE(xs.size(), 17U);
    const float sign = run.direction == 2 ? 1.0F : -1.0F;
    for (size_t i = 1; i < xs.size(); ++i) {
        const float expected = std::min(0.5F * static_cast<float>(i), 7.5F);
        EXPECT_NEAR((xs[i] - xs[i - 1]) * sign, expected, 0.01F) << i;
        EXPECT_GE(rows[i], 0);
        EXPECT_LT(rows[i], Page::kRows);
    }
}

TEST_F(ProbesPageArmTest, HoldingDownStopsAboveOneAndUnreachableCellsAreNotEntered) {
    Page& page = OpenAllOn(12);
    const int column = ReachableColumn(10, 10);
    MoveTo(page, 10, column, 6);
    std::vector<float> zs = {page.GetLastArmPose()->z};
    page.SetArmReportObserver([&](int kind) {
        if (kind == Page::kArmReportJogged) {
            zs.push_back(page.GetLastArmPose()->z);
        }
    });
    auto& down = *page.GetControl(Page::kJogDown);
    Mouse(down, QEvent::MouseButtonPress);
    ASSERT_TRUE(ProcessEventsUntil([&] { return zs.back() - 1.0F <= 1.0F; }));
    const size_t poses = PacketsOf(10);
    ASSERT_TRUE(ProcessEventsUntil([&] { return PacketsOf(10) >= poses + 3; }));
    Mouse(down, QEvent::MouseButtonRelease);
    page.SetArmReportObserver(nullptr);
    for (size_t i = 1; i < zs.size(); ++i) {
        EXPECT_NEAR(zs[i - 1] - zs[i], 1.0F, 0.01F);
        EXPECT_GT(zs[i], 1.0F);
    }
    EXPECT_NEAR(zs.back(), 2.0F, 0.01F);

    // Beside an unreachable cell, jogging into it moves nothing.
    const auto blocked = std::find_if(unreachable.begin(), unreachable.end(), [&](const auto& cell) {
        return cell.first > 0 && reachable.count({cell.first - 1, cell.second}) != 0;
    });
    ASSERT_NE(blocked, unreachable.end());
    MoveTo(page, blocked->first - 1, blocked->second, 20);
    std::vector<int> rows;
    page.SetArmReportObserver([&](int kind) {
        if (kind == Page::kArmReportJogged) {
            rows.push_back(page.GetArmCell().first);
        }
    });
    auto& forward = *page.GetControl(Page::kJogForward);
    Mouse(forward, QEvent::MouseButtonPress);
    ASSERT_TRUE(ProcessEventsUntil([&] { return page.GetJogStep() >= 7.5F; }));
    Mouse(forward, QEvent::MouseButtonRelease);
    page.SetArmReportObserver(nullptr);
    // It moves within its own cell, never into the next one.
    for (const int row : rows) {
        EXPECT_EQ(row, blocked->first - 1);
    }
}

TEST_F(ProbesPageArmTest, APoseThatCannotBeReadShowsOneBoxStopsTheJogAndClearsTheAlarms) {
    Page& page = OpenAllOn(12);
    MoveTo(page, 10, ReachableColumn(10, 10), 20);
    NewQuestions();
    const size_t clears = PacketsOf(20, true);
    m_simulator.Fault("short");
    auto& right = *page.GetControl(Page::kJogRight);
    Mouse(right, QEvent::MouseButtonPress);
    ASSERT_TRUE(AwaitReport(page, Page::kArmReportJogFailed));
    EXPECT_EQ(page.GetJogDirection(), 0);
    const std::vector<PromptRequest> asked = NewQuestions();
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].text, Page::kArmErrorText);
    EXPECT_EQ(asked[0].caption, "Quorlyn error");
    EXPECT_EQ(asked[0].icon, PromptIcon::Error);
    EXPECT_GT(PacketsOf(20, true), clears);
    Mouse(right, QEvent::MouseButtonRelease);
}

TEST_F(ProbesPageArmTest, AJogEndsOnFocusLossOrHidingAndMovesNothingDuringAScan) {
    Page& page = OpenAllOn(12);
    MoveTo(page, 10, ReachableColumn(10, 12), 20);
    auto& right = *page.GetControl(Page::kJogRight);
    right.setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(&right, &press);
    ASSERT_EQ(page.GetJogDirection(), 4);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&right, &out);
    EXPECT_EQ(page.GetJogDirection(), 0);
    // Hidden, the page ends a jog too.
    Mouse(right, QEvent::MouseButtonPress);
    ASSERT_EQ(page.GetJogDirection(), 4);
    page.hide();
    EXPECT_EQ(page.GetJogDirection(), 0);
    page.show();

    // A move of the jog just ended may still be reported: the thread takes the request after it.
    page.OnCommand(Page::kUpdatePosition);
    ASSERT_TRUE(AwaitReport(page, Page::kArmReportUpdate));

    // During a scan the device manager refuses the move: the jog ends and the arm stays.
    size_t jogs = 0;
    page.SetArmReportObserver([&](int kind) { jogs += kind == Page::kArmReportJogged ? 1 : 0; });
    const size_t moves = PacketsOf(84);
    Manager().SetScanRunning(true);
    Mouse(right, QEvent::MouseButtonPress);
    ASSERT_TRUE(ProcessEventsUntil([&] { return page.GetJogDirection() == 0; }));
    Manager().SetScanRunning(false);
    Mouse(right, QEvent::MouseButtonRelease);
    FlushEvents();
    page.SetArmReportObserver(nullptr);
    EXPECT_EQ(jogs, 0U);
    EXPECT_EQ(PacketsOf(84), moves);
}

TEST_F(ProbesPageArmTest, SetHeightAsksAboveTheReachAndTakesTheSignedHeight) {
    Page& page = OpenAllOn(12);
    driver->ClickButton(Page::kSelectNone);
    const auto [row, column] = lowestReachCell;
    NewQuestions();
    struct Case {
        const char* typed;
        PromptAnswer answer;
        bool asked;
        int on;
        int height;
    };
    const std::vector<Case> cases = {
        {"9999", PromptAnswer::Cancel, true, 0, lowestReach},
        {"9999", PromptAnswer::Ok, true, 1, 9999},
        {"-80", PromptAnswer::Ok, false, 1, -70},
        {"abc", PromptAnswer::Ok, false, 1, 0},
        {"3", PromptAnswer::Ok, false, 1, 3},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.typed);
        page.SetHeightDialogRunner([&](CDlgProbeHeight& dialog) {
            EXPECT_EQ(dialog.GetEdit()->text().toStdString(),
                      FormatC("%2.0f", static_cast<double>(page.GetTypedHeight())));
            dialog.GetEdit()->setText(entry.typed);
            dialog.accept();
            return true;
        });
        prompt->Script(entry.answer);
        driver->AnswerMenu(Page::kSetHeight);
        driver->RightClick(driver->CellCentre(row, column));
        const std::vector<PromptRequest> asked = NewQuestions();
        EXPECT_EQ(asked.size(), entry.asked ? 1U : 0U);
        if (entry.asked && !asked.empty()) {
            EXPECT_EQ(asked[0].text, Page::kCellReachText);
        }
        EXPECT_EQ(page.GetCell(row, column).on, entry.on);
        EXPECT_EQ(page.GetCell(row, column).height, entry.height);
    }
    // Cancel in the dialog changes nothing.
    page.SetHeightDialogRunner([](CDlgProbeHeight&) { return false; });
    driver->AnswerMenu(Page::kSetHeight);
    driver->RightClick(driver->CellCentre(row, column));
    EXPECT_EQ(page.GetCell(row, column).height, 3);
}

TEST_F(ProbesPageArmTest, DestroyingThePageDuringAMoveEndsItsThreadWithinTheBound) {
    m_simulator.SetMotionMs(300);
    Page& page = OpenAllOn(12);
    ASSERT_EQ(Page::GetRunningArmThreads(), 1);
    Type(page, 20);
    driver->AnswerMenu(Page::kMoveToHere);
    driver->RightClick(driver->CellCentre(10, ReachableColumn(10, 10)));
    const auto start = std::chrono::steady_clock::now();
    CloseSheet();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(Page::kArmMoveMs + 1000));
    EXPECT_EQ(Page::GetRunningArmThreads(), 0);
}

} // namespace
} // namespace orv
