// The scan probes page with the robot arm: the arm simulator on its pseudo-terminal is the scanner
// of the in-process engine, so the reach of every cell comes to the page the way the program gets
// it (the arm's tables, copied by the engine's device manager when the arm connected, read through
// the scanner context).

#include "analyzers/CInstrumentInfo.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
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

#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Page = CPageScanProbes;
using Cells = std::set<std::pair<int, int>>;
using testing::ProbesPageDriver;

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

} // namespace
} // namespace orv
