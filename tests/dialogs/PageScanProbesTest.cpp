// The scan probes page of a node's settings sheet on the offscreen platform, without the robot arm:
// the grid it builds from the node's pattern, clicks and drags with real mouse events, the buttons,
// the picture's colours, the hover box, the hit test, the clipboard between two nodes, and what
// Apply and Cancel leave in the node.

#include "core/QProbeScanPatternOptions.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "dialogs/CDlgProbeHeight.h"
#include "dialogs/CPageScanProbes.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "dialogs/ProbeGridLayers.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/dialogs/support/ProbesPageDriver.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Page = CPageScanProbes;
using Cells = std::set<std::pair<int, int>>;
using testing::ProbesPageDriver;

// A colour drawn with alpha over an opaque one, as the picture blends it.
QColor Over(const QColor& below, uint32_t argb) {
    const QColor above = QColor::fromRgba(argb);
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

// Every cell of a 29 x 42 pattern off except the listed ones, each on at the given height.
QProbeScanPattern PatternWith(const std::vector<std::pair<std::pair<int, int>, uint16_t>>& on,
                              uint16_t rows = 29, uint16_t columns = 42) {
    QProbeScanPattern pattern(rows, columns, 0, 40);
    for (const auto& [cell, height] : on) {
        pattern.SetProbeAndHeightAt(cell.first, cell.second, 1, height);
    }
    return pattern;
}

class ProbesPageTest : public testing::SheetFixture {
protected:
    ProbesPageTest() { GetProbePatternClipboard() = ProbePatternClipboard{}; }

    // Opens the node's sheet on its (first) scan probes page.
    Page& Open(QNodeMediator& node) {
        sheet = OpenSheet(node, 1);
        EXPECT_NE(sheet, nullptr);
        auto* page = dynamic_cast<Page*>(sheet->GetActivePage());
        EXPECT_NE(page, nullptr);
        driver = std::make_unique<ProbesPageDriver>(*page);
        return *page;
    }
    QString Text(Page& page, int id) { return dynamic_cast<QLabel&>(*page.GetControl(id)).text(); }
    QLineEdit& HeightEdit(Page& page) {
        return dynamic_cast<QLineEdit&>(*page.GetControl(Page::kHeightEdit));
    }
    bool ApplyLit() const { return sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled(); }
    // The sheet's Apply, lit or not: an untouched page commits too when another page lit it.
    void PressApply() { ASSERT_TRUE(sheet->PressApply()); }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    CNodeOptionsSheet* sheet = nullptr;
    std::unique_ptr<ProbesPageDriver> driver;
};

TEST_F(ProbesPageTest, TitlesAndThePatternOptionsByTheKindServed) {
    auto module = MakeNode(2001);
    struct Row {
        uint32_t kind;
        const char* caption;
        bool first;
    };
    for (const Row& row :
         {Row{2003, "Spectral Scan Probes", true}, Row{2004, "Spatial Scan Probes", false},
          Row{2029, "Handheld Probe Scan Probes", false}, Row{2005, "Spectral/Spatial Scan Probes", false},
          Row{2014, "Spectral/Spatial Scan Probes", false}, Row{2007, "Spatial Scan Probes", false}}) {
        SCOPED_TRACE(row.kind);
        std::unique_ptr<QSettingsPage> made = CSettingsSheetMaker::MakePage(
            QSettingsPageKind::ScanProbes, *module, static_cast<uint16_t>(row.kind));
        auto* page = dynamic_cast<Page*>(made.get());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->GetCaption(), row.caption);
        EXPECT_EQ(page->IsSpectral(), row.first);
        EXPECT_EQ(page->GetPatternOptions(),
                  row.first ? module->GetFirstProbePatternOptions() : module->GetSecondProbePatternOptions());
        EXPECT_FALSE(page->IsArmPresent());
    }
}

TEST_F(ProbesPageTest, ANewNodeShowsItsPatternWithEveryOffCellAtFive) {
    auto fresh = MakeNode(2004);
    const QProbeScanPattern stored = fresh->GetSecondProbePatternOptions()->GetPattern();
    Page& freshPage = Open(*fresh);
    for (int row = 0; row < Page::kRows; ++row) {
        for (int column = 0; column < Page::kColumns; ++column) {
            const ProbeCell& cell = freshPage.GetCell(row, column);
            ASSERT_EQ(cell.on != 0, stored.IsProbeOn(row, column)) << row << "," << column;
            EXPECT_EQ(cell.height, cell.on != 0 ? static_cast<int16_t>(stored.GetHeightAt(row, column)) : 5);
            EXPECT_EQ(cell.unreachable, 0);
        }
    }

    auto node = MakeNode(2004);
    QProbeScanPatternOptions& options = *node->GetSecondProbePatternOptions();
    options.SetPattern(PatternWith({{{2, 3}, 60}, {{28, 41}, 120}}));
    options.SetMeasurementHeight(42.4F);
    Page& page = Open(*node);
    EXPECT_EQ(driver->OnCells(), (Cells{{2, 3}, {28, 41}}));
    EXPECT_EQ(page.GetCell(2, 3).height, 60);
    EXPECT_EQ(page.GetCell(28, 41).height, 120);
    EXPECT_EQ(page.GetCell(0, 0).height, 5);
    EXPECT_EQ(page.GetLowestHeight(), 5);
    EXPECT_EQ(page.GetHighestHeight(), 120);
    EXPECT_DOUBLE_EQ(page.GetColourStep(), 115.0 / 155.0);
    EXPECT_EQ(HeightEdit(page).text(), "42");
    EXPECT_EQ(Text(page, Page::kOnCount), "2   ");
    EXPECT_EQ(Text(page, Page::kOffCount), "1216");
    // The cells tile the picture control.
    const QRect grid = page.GetGridRect();
    EXPECT_EQ(grid.size(), QSize(Page::kPictureWidth, Page::kPictureHeight));
    EXPECT_EQ(page.GetCell(0, 0).left, grid.left());
    EXPECT_EQ(page.GetCell(28, 41).right, grid.right() + 1);
    EXPECT_EQ(page.GetCell(28, 41).bottom, grid.bottom() + 1);
    EXPECT_FALSE(ApplyLit()) << "showing the page changes nothing";
    // The arm's controls and the camera's are not shown without them.
    for (const int id :
         {Page::kBotGroup, Page::kHeightEdit, Page::kHeightSpin, Page::kCalibrate, Page::kUpdatePosition,
          Page::kCameraTracking, Page::kCameraList, Page::kFocusSlider}) {
        EXPECT_FALSE(page.GetControl(id)->isVisible()) << id;
    }
    EXPECT_TRUE(page.GetControl(Page::kOverlayEditor)->isVisible());
}

TEST_F(ProbesPageTest, ClicksToggleAndDragsDownRightOfferTheRectangle) {
    auto node = MakeNode(2004);
    node->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{6, 6}, 70}}));
    Page& page = Open(*node);
    int relayouts = 0;
    page.SetOverlayEditorRelayout([&relayouts] { ++relayouts; });
    ProbesPageDriver& user = *driver;

    user.Click(3, 4);
    user.Click(6, 6);
    EXPECT_EQ(user.OnCells(), (Cells{{3, 4}}));
    EXPECT_TRUE(page.GetWorkingPattern().IsProbeOn(3, 4));
    EXPECT_FALSE(page.GetWorkingPattern().IsProbeOn(6, 6));
    EXPECT_EQ(page.GetWorkingPattern().GetHeightAt(6, 6), 70) << "without the arm only the choice is written";
    EXPECT_EQ(relayouts, 2);
    EXPECT_TRUE(ApplyLit());
    EXPECT_TRUE(user.menus.empty());

    // Down and to the right: the rectangle, then "Select Cells" or "Unselect Cells".
    user.AnswerMenu(Page::kSelectCells);
    user.DragCells(10, 20, 12, 23);
    ASSERT_EQ(user.menus.size(), 1U);
    EXPECT_EQ(user.menus[0],
              (std::vector<std::pair<QString, bool>>{{"Select Cells", true}, {"Unselect Cells", true}}));
    Cells expected{{3, 4}};
    for (int row = 10; row <= 12; ++row) {
        for (int column = 20; column <= 23; ++column) {
            expected.emplace(row, column);
        }
    }
    EXPECT_EQ(user.OnCells(), expected);
    EXPECT_EQ(page.GetSelection(), (std::array<int32_t, 4>{-1, -1, -1, -1}));
    user.AnswerMenu(Page::kUnselectCells);
    user.DragCells(11, 21, 12, 22);
    for (const auto& cell : Cells{{11, 21}, {11, 22}, {12, 21}, {12, 22}}) {
        expected.erase(cell);
    }
    EXPECT_EQ(user.OnCells(), expected);
    // One row or one column is a rectangle too; a dismissed menu changes nothing.
    user.AnswerMenu(0);
    user.DragCells(0, 0, 0, 5);
    EXPECT_EQ(user.menus.size(), 3U);
    EXPECT_EQ(page.GetSelection(), (std::array<int32_t, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(user.OnCells(), expected);

    // Up, left or both: no menu and nothing changes.
    for (const auto& [from, to] : std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>>{
             {{15, 15}, {14, 15}}, {{15, 15}, {15, 14}}, {{15, 15}, {10, 10}}, {{15, 15}, {20, 10}}}) {
        user.DragCells(from.first, from.second, to.first, to.second);
    }
    EXPECT_EQ(user.menus.size(), 3U);
    EXPECT_EQ(user.OnCells(), expected);
    // A drag that ends off the grid does nothing either.
    user.Drag(user.CellCentre(15, 15), page.GetGridRect().bottomRight() + QPoint(8, 8));
    EXPECT_EQ(user.menus.size(), 3U);

    // A drag that stays in one cell is a click.
    const ProbeCell& cell = page.GetCell(20, 30);
    user.Drag(QPoint(cell.left + 2, cell.top + 2), QPoint(cell.right - 3, cell.bottom - 3));
    expected.emplace(20, 30);
    EXPECT_EQ(user.OnCells(), expected);
    EXPECT_EQ(user.menus.size(), 3U);
    // Clicks off the cells do nothing.
    user.ClickAt(page.GetGridRect().topLeft() - QPoint(5, 5));
    EXPECT_EQ(user.OnCells(), expected);
    EXPECT_TRUE(prompt->Requests().empty()) << "no question without the arm";
}

TEST_F(ProbesPageTest, SelectAllAndSelectNoneWithTheirCounts) {
    auto node = MakeNode(2003);
    node->GetFirstProbePatternOptions()->SetPattern(PatternWith({{{1, 1}, 50}}));
    Page& page = Open(*node);
    driver->ClickButton(Page::kSelectAll);
    EXPECT_EQ(driver->OnCells().size(), 1218U);
    EXPECT_EQ(page.GetWorkingPattern().GetProbeOnCount(), 1218U);
    EXPECT_EQ(Text(page, Page::kOnCount), "1218");
    EXPECT_EQ(Text(page, Page::kOffCount), "0   ");
    driver->ClickButton(Page::kSelectNone);
    EXPECT_TRUE(driver->OnCells().empty());
    EXPECT_FALSE(page.GetWorkingPattern().HasProbeOn());
    EXPECT_EQ(Text(page, Page::kOnCount), "0   ");
    EXPECT_EQ(Text(page, Page::kOffCount), "1218");
    driver->Click(4, 4);
    EXPECT_EQ(Text(page, Page::kOnCount), "1   ");
    EXPECT_EQ(Text(page, Page::kOffCount), "1217");
}

TEST_F(ProbesPageTest, ThePictureColoursBandsOnAndOffCells) {
    auto node = MakeNode(2004);
    node->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{2, 2}, 40}, {{5, 7}, 40}, {{0, 0}, 40}}));
    Page& page = Open(*node);
    const QImage shown = testing::Grab(page);
    const QColor white(255, 255, 255);
    const QColor band(0xFF, 0xD1, 0xB3);
    struct Row {
        int row;
        int column;
        QColor colour;
    };
    for (const Row& row : {Row{1, 1, white}, Row{0, 3, band}, Row{3, 10, band}, Row{25, 40, band},
                           Row{2, 2, Over(white, Page::kOnArgb)}, Row{5, 7, Over(band, Page::kOnArgb)},
                           Row{0, 0, Over(band, Page::kOnArgb)}}) {
        SCOPED_TRACE(::testing::Message() << row.row << "," << row.column);
        const QPoint centre = driver->CellCentre(row.row, row.column);
        EXPECT_TRUE(Near(testing::PixelAt(shown, centre.x(), centre.y()), row.colour));
        const QPoint inPicture = centre - page.GetGridRect().topLeft();
        EXPECT_TRUE(Near(page.GetGridImage().pixelColor(inPicture), row.colour));
    }
    // The lines between the cells are grey.
    const ProbeCell& cell = page.GetCell(7, 8);
    EXPECT_TRUE(Near(page.GetGridImage().pixelColor(cell.left - page.GetGridRect().left(),
                                                    cell.top - page.GetGridRect().top() + 5),
                     QColor(190, 190, 190)));

    // While dragging down-right the rectangle is washed blue.
    const QPoint from = driver->CellCentre(10, 10);
    const QPoint to = driver->CellCentre(12, 14);
    QTest::mousePress(&page, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&page, to);
    ASSERT_TRUE(page.GetDragRect().has_value());
    EXPECT_EQ(*page.GetDragRect(),
              QRect(QPoint(page.GetCell(10, 10).left, page.GetCell(10, 10).top),
                    QPoint(page.GetCell(12, 14).right - 1, page.GetCell(12, 14).bottom - 1)));
    const QImage dragging = testing::Grab(page);
    const QPoint inside = driver->CellCentre(11, 12);
    EXPECT_TRUE(Near(testing::PixelAt(dragging, inside.x(), inside.y()), Over(white, Page::kDragArgb)));
    const QPoint outside = driver->CellCentre(13, 12);
    EXPECT_TRUE(Near(testing::PixelAt(dragging, outside.x(), outside.y()), white));
    QTest::mouseRelease(&page, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_FALSE(page.GetDragRect().has_value());
}

// A camera layer with a fixed picture, and an overlay that marks the cell it is drawn over.
class FakeCamera final : public CProbeCameraLayer {
public:
    bool IsTracking() const override { return tracking; }
    bool DrawPreview(QPainter& painter, const QRect& area) override {
        if (hasFrame) {
            painter.fillRect(area, QColor(0, 0, 0));
        }
        return hasFrame;
    }
    std::optional<QPointF> GetMarkerFraction() const override { return QPointF(3.5 / 42.0, 4.5 / 29.0); }
    bool tracking = true;
    bool hasFrame = true;
};

class FakeOverlay final : public CProbeOverlayLayer {
public:
    void Draw(QPainter& painter, const QSize& picture) override {
        sizes.push_back(picture);
        painter.fillRect(QRect(0, 0, 4, 4), QColor(255, 0, 255));
    }
    std::vector<QSize> sizes;
};

TEST_F(ProbesPageTest, TheCameraPictureLiesUnderTheCellsAndTheOverlayOverThem) {
    auto node = MakeNode(2029);
    node->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{1, 1}, 40}}));
    Page& page = Open(*node);
    FakeCamera camera;
    FakeOverlay overlay;
    page.SetOverlayLayer(&overlay);
    page.RenderGrid(false);
    ASSERT_EQ(overlay.sizes, std::vector<QSize>{QSize(Page::kPictureWidth, Page::kPictureHeight)});
    EXPECT_EQ(page.GetGridImage().pixelColor(1, 1), QColor(255, 0, 255));

    page.SetCameraLayer(&camera);
    page.RenderGrid(false);
    const QRect grid = page.GetGridRect();
    auto at = [&](int row, int column) { return driver->CellCentre(row, column) - grid.topLeft(); };
    const QColor black(0, 0, 0);
    EXPECT_TRUE(Near(page.GetGridImage().pixelColor(at(1, 1)), Over(black, Page::kCameraOnArgb)));
    EXPECT_TRUE(Near(page.GetGridImage().pixelColor(at(4, 3)), Over(black, 0x80FFFFFF)))
        << "the marker's cell";
    EXPECT_TRUE(Near(page.GetGridImage().pixelColor(at(0, 5)), black)) << "no bands over the camera";
    EXPECT_EQ(overlay.sizes.size(), 1U) << "no overlay over the camera";

    // No frame: the picture stays white, without cells.
    camera.hasFrame = false;
    page.RenderGrid(false);
    EXPECT_EQ(page.GetGridImage().pixelColor(at(1, 1)), QColor(255, 255, 255));
    EXPECT_FALSE(ApplyLit());
}

TEST_F(ProbesPageTest, HoverTextsPlacementAndAxisLabels) {
    auto node = MakeNode(2004);
    node->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{12, 7}, 40}}));
    Page& page = Open(*node);
    ProbesPageDriver& user = *driver;
    const QRect grid = page.GetGridRect();

    struct Row {
        int row;
        int column;
        bool lettered;
        const char* text;
        uint32_t background;
    };
    for (const Row& row : {Row{3, 7, false, " Row: 3 ,  Col: 7 ", Page::kHoverOffColorRef},
                           Row{12, 7, false, " Row: 12,  Col: 7 ", Page::kHoverOnColorRef},
                           Row{12, 7, true, " Row: 13,  Col: H", Page::kHoverOnColorRef},
                           Row{0, 41, true, " Row: 1 ,  Col: AP", Page::kHoverOffColorRef}}) {
        SCOPED_TRACE(row.text);
        node->GetSpatialDisplayOptions()->m_flag5 = row.lettered ? 1 : 0;
        const QPoint at = user.CellCentre(row.row, row.column);
        user.Hover(at);
        const std::optional<Page::HoverBox> hover = page.GetHoverBox();
        ASSERT_TRUE(hover.has_value());
        EXPECT_EQ(hover->text, row.text);
        EXPECT_EQ(hover->background,
                  QColor::fromRgb(row.background & 0xFF, (row.background >> 8) & 0xFF, row.background >> 16));
        // The anchor moves off the first and last rows.
        const int anchorY = at.y() + (row.row == 0 ? 10 : 0);
        if (at.x() + 135 > grid.right()) {
            EXPECT_EQ(hover->box,
                      QRect(QPoint(at.x() - 127, anchorY - 10), QPoint(at.x() - 3, anchorY + 14)));
        } else {
            EXPECT_EQ(hover->box,
                      QRect(QPoint(at.x() + 10, anchorY - 10), QPoint(at.x() + 134, anchorY + 14)));
        }
        // The box is painted in its colour.
        const QImage shown = testing::Grab(page);
        EXPECT_TRUE(
            Near(testing::PixelAt(shown, hover->box.left() + 1, hover->box.top() + 1), hover->background));
    }
    EXPECT_EQ(page.GetHoverBox()->box.right(), user.CellCentre(0, 41).x() - 3) << "left of the pointer";

    // Leaving the grid takes the box away.
    user.Hover(grid.bottomRight() + QPoint(20, 20));
    EXPECT_FALSE(page.GetHoverBox().has_value());

    // Every fifth row and column from 0, on both sides.
    auto texts = [&page] {
        std::vector<QString> all;
        for (const Page::AxisLabel& label : page.GetAxisLabels()) {
            all.push_back(label.text);
        }
        return all;
    };
    node->GetSpatialDisplayOptions()->m_flag5 = 0;
    const std::vector<QString> numeric = texts();
    EXPECT_EQ(numeric, (std::vector<QString>{"0",  "0",  "5",  "5",  "10", "10", "15", "15", "20", "20",
                                             "25", "25", "0",  "0",  "5",  "5",  "10", "10", "15", "15",
                                             "20", "20", "25", "25", "30", "30", "35", "35", "40", "40"}));
    node->GetSpatialDisplayOptions()->m_flag5 = 1;
    const std::vector<QString> lettered = texts();
    EXPECT_EQ(std::vector<QString>(lettered.begin() + 12, lettered.end()),
              (std::vector<QString>{"A", "A", "F", "F", "K", "K", "P", "P", "U", "U", "Z", "Z", "AE", "AE",
                                    "AJ", "AJ", "AO", "AO"}));
    for (const Page::AxisLabel& label : page.GetAxisLabels()) {
        EXPECT_FALSE(grid.intersects(label.rect)) << label.text.toStdString();
    }
}

TEST_F(ProbesPageTest, TheHitTestAgreesWithALinearSearchEverywhere) {
    auto node = MakeNode(2004);
    Page& page = Open(*node);
    const QRect grid = page.GetGridRect();
    auto linear = [&page](const QPoint& point, int& row, int& column) {
        for (int r = 0; r < Page::kRows; ++r) {
            for (int c = 0; c < Page::kColumns; ++c) {
                if (page.GetCell(r, c).Contains(point.x(), point.y())) {
                    row = r;
                    column = c;
                    return true;
                }
            }
        }
        return false;
    };
    int mismatches = 0;
    int hits = 0;
    for (int y = grid.top() - 3; y <= grid.bottom() + 3; ++y) {
        for (int x = grid.left() - 3; x <= grid.right() + 3; ++x) {
            int row = -1;
            int column = -1;
            int expectedRow = -1;
            int expectedColumn = -1;
            const bool found = page.HitTestCell(QPoint(x, y), row, column);
            const bool expected = linear(QPoint(x, y), expectedRow, expectedColumn);
            hits += found ? 1 : 0;
            if (found != expected || (found && (row != expectedRow || column != expectedColumn))) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(hits, Page::kPictureWidth * Page::kPictureHeight) << "the cells tile the picture";
    int row = 0;
    int column = 0;
    for (const QPoint far : {QPoint(-1000, -1000), QPoint(100000, 100000), QPoint(grid.left(), -5000)}) {
        EXPECT_FALSE(page.HitTestCell(far, row, column));
    }
}

TEST_F(ProbesPageTest, CopyOnOneNodeAndPasteOnAnotherCarriesFlagsHeightsAndTheMeasurementHeight) {
    auto source = MakeNode(2003);
    source->GetFirstProbePatternOptions()->SetPattern(PatternWith({{{4, 4}, 20}, {{9, 30}, 25}}));
    source->GetFirstProbePatternOptions()->SetMeasurementHeight(33.0F);
    Page& from = Open(*source);
    driver->RightClick(driver->CellCentre(1, 1));
    ASSERT_EQ(driver->menus.size(), 1U);
    EXPECT_EQ(driver->menus[0], (std::vector<std::pair<QString, bool>>{{"Copy Probe pattern", true},
                                                                       {"Paste Probe pattern", false}}))
        << "nothing to paste yet, and no arm items without the arm";
    driver->AnswerMenu(Page::kCopyPattern);
    driver->RightClick(driver->CellCentre(1, 1));
    EXPECT_EQ(GetProbePatternClipboard().filled, 1);
    EXPECT_EQ(from.GetLowestHeight(), 5);
    sheet->PressCancel();

    auto target = MakeNode(2004);
    target->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{0, 0}, 90}}));
    target->GetSecondProbePatternOptions()->SetMeasurementHeight(80.0F);
    Page& to = Open(*target);
    driver->AnswerMenu(Page::kPastePattern);
    driver->RightClick(driver->CellCentre(20, 20));
    EXPECT_EQ(driver->OnCells(), (Cells{{4, 4}, {9, 30}}));
    EXPECT_EQ(to.GetCell(4, 4).height, 20);
    EXPECT_EQ(to.GetCell(0, 0).height, 5);
    EXPECT_EQ(HeightEdit(to).text(), "33");
    EXPECT_EQ(to.GetHighestHeight(), 25);
    EXPECT_TRUE(ApplyLit());
    PressApply();
    const QProbeScanPatternOptions& stored = *target->GetSecondProbePatternOptions();
    EXPECT_EQ(stored.GetPattern().GetProbeOnCount(), 2U);
    EXPECT_EQ(stored.GetPattern().GetHeightAt(4, 4), 20);
    EXPECT_EQ(stored.GetPattern().GetHeightAt(9, 30), 25);
    EXPECT_EQ(stored.GetMeasurementHeight(), 33.0F);
}

TEST_F(ProbesPageTest, ApplyStoresThePatternAndNeverAHeightBelowTheHighestOnCell) {
    auto node = MakeNode(2004);
    QProbeScanPatternOptions& options = *node->GetSecondProbePatternOptions();
    options.SetPattern(PatternWith({{{2, 2}, 60}}));
    options.SetProbeCameraTracking(true);
    options.SetTrackingCameraIndex(3);
    QProbeScanPattern picked(29, 42, 0, 0);
    picked.SetProbeAt(2, 2, 1);
    node->GetSSSpatialViewOptions()->SetPattern(picked);

    // The height shown ("%2.0f") is the one stored again, unless an on cell is higher.
    struct Row {
        float before;
        const char* shown;
        float stored;
    };
    for (const Row& row : {Row{10.0F, "10", 60.0F}, Row{75.0F, "75", 75.0F}, Row{-20.0F, "-20", 60.0F},
                           Row{100000.0F, "100000", 100000.0F}}) {
        SCOPED_TRACE(row.before);
        options.SetMeasurementHeight(row.before);
        Page& page = Open(*node);
        EXPECT_EQ(HeightEdit(page).text(), row.shown);
        PressApply();
        EXPECT_EQ(options.GetMeasurementHeight(), row.stored);
        sheet->PressCancel();
    }
    // Unchanged cells: the project is marked, the picked cells of the views stay.
    EXPECT_EQ(WindowMessages(), (std::vector<uint32_t>(4, NodeMessage::kProjectModified)));
    EXPECT_TRUE(node->GetSSSpatialViewOptions()->m_cellPattern.HasProbeOn());
    EXPECT_TRUE(options.IsOwnPattern());
    EXPECT_FALSE(options.IsProbeCameraTracking()) << "a Spatial node tracks no camera";
    EXPECT_EQ(options.GetTrackingCameraIndex(), 3) << "no camera list to choose from: the stored one is kept";

    // A changed pattern drops the cells picked on the old one.
    Open(*node);
    driver->Click(7, 7);
    PressApply();
    EXPECT_TRUE(options.GetPattern().IsProbeOn(7, 7));
    EXPECT_EQ(options.GetPattern().GetProbeOnCount(), 2U);
    thread.Pump();
    EXPECT_FALSE(node->GetSSSpatialViewOptions()->m_cellPattern.HasProbeOn());
}

TEST_F(ProbesPageTest, CancelLeavesTheNodeAsItWas) {
    auto parent = MakeNode(2001);
    parent->GetSecondProbePatternOptions()->SetPattern(PatternWith({{{8, 8}, 40}}));
    auto node = MakeNode(2004, parent.get());
    QProbeScanPatternOptions& options = *node->GetSecondProbePatternOptions();
    options.SetOwnPattern(false);
    const QProbeScanPattern before = options.GetPattern();
    const float height = options.GetMeasurementHeight();
    Page& page = Open(*node);
    EXPECT_EQ(driver->OnCells(), (Cells{{8, 8}})) << "the parent's pattern is the one in force";
    driver->ClickButton(Page::kSelectAll);
    testing::TypeInto(HeightEdit(page), "99");
    sheet->PressCancel();
    EXPECT_FALSE(options.IsOwnPattern());
    EXPECT_FALSE(options.GetPattern() != before);
    EXPECT_EQ(options.GetMeasurementHeight(), height);
    EXPECT_TRUE(WindowMessages().empty());
}

TEST_F(ProbesPageTest, APatternOfAnotherSizeKeepsItsSize) {
    auto node = MakeNode(2004);
    QProbeScanPatternOptions& options = *node->GetSecondProbePatternOptions();
    options.SetPattern(PatternWith({{{1, 2}, 40}}, 10, 12));
    Page& page = Open(*node);
    EXPECT_EQ(driver->OnCells(), (Cells{{1, 2}}));
    driver->Click(20, 30);
    driver->Click(9, 11);
    EXPECT_EQ(driver->OnCells(), (Cells{{1, 2}, {9, 11}}));
    driver->ClickButton(Page::kSelectAll);
    EXPECT_EQ(driver->OnCells().size(), 120U);
    EXPECT_EQ(page.GetCell(10, 0).on, 0);
    PressApply();
    EXPECT_EQ(options.GetPattern().GetRows(), 10);
    EXPECT_EQ(options.GetPattern().GetColumns(), 12);
    EXPECT_EQ(options.GetPattern().GetProbeOnCount(), 120U);
}

TEST_F(ProbesPageTest, WithoutTheArmTheMenuHasOnlyCopyAndPasteAndNoArmThreadRuns) {
    auto node = MakeNode(2004);
    Page& page = Open(*node);
    ASSERT_FALSE(page.IsArmPresent());
    EXPECT_FALSE(page.IsArmThreadRunning());
    EXPECT_EQ(Page::GetRunningArmThreads(), 0);
    for (const int id : {Page::kBotGroup, Page::kJogForward, Page::kArmPosition, Page::kCalibrate,
                         Page::kUpdatePosition, Page::kHeightSpin, Page::kHeightEdit}) {
        EXPECT_FALSE(page.GetControl(id)->isVisible()) << id;
    }
    driver->RightClick(driver->CellCentre(3, 3));
    ASSERT_EQ(driver->menus.size(), 1U);
    ASSERT_EQ(driver->menus[0].size(), 2U);
    EXPECT_EQ(driver->menus[0][0].first, "Copy Probe pattern");
    EXPECT_EQ(driver->menus[0][1].first, "Paste Probe pattern");
    // The arm's commands do nothing without it.
    const QProbeScanPattern before = page.GetWorkingPattern();
    page.SetMenuCell(3, 3);
    page.SetHeightDialogRunner([](CDlgProbeHeight&) {
        ADD_FAILURE() << "no height is asked without the arm";
        return false;
    });
    EXPECT_TRUE(page.OnCommand(Page::kSetHeight));
    EXPECT_TRUE(page.OnCommand(Page::kMoveToHere));
    EXPECT_FALSE(page.GetWorkingPattern() != before);
}

TEST_F(ProbesPageTest, HeightEntryRules) {
    auto node = MakeNode(2004);
    Page& page = Open(*node);
    QLineEdit& edit = HeightEdit(page);
    struct Case {
        const char* typed;
        std::string afterFocus;
        int16_t height;
    };
    const std::vector<Case> cases = {
        {"-100", "-70", -70}, {"-70", "-70", -70}, {"12.7", "12.7", 12},  {"40000", "40000", 32767},
        {"abc", "abc", 0},    {"nan", "nan", 0},   {"1e9", "1e9", 32767}, {"-1e9", "-70", -70},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.typed);
        edit.setText(entry.typed);
        page.OnHeightEditFocusOut();
        EXPECT_EQ(edit.text().toStdString(), entry.afterFocus);
        EXPECT_EQ(page.GetTypedHeight(), entry.height);
    }
    // The focus leaving the edit applies the floor too.
    edit.setText("-100");
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "-70");

    // The spin: the upper arrow (-1) adds one, the lower (+1) subtracts one but never below -70.
    edit.setText("-69");
    page.OnHeightSpin(1);
    EXPECT_EQ(edit.text(), "-70");
    page.OnHeightSpin(1);
    EXPECT_EQ(edit.text(), "-70");
    page.OnHeightSpin(-1);
    EXPECT_EQ(edit.text(), "-69");
    edit.setText("3.6");
    page.OnHeightSpin(-1);
    EXPECT_EQ(edit.text(), " 5");
}

TEST_F(ProbesPageTest, TheProbeHeightDialog) {
    CDlgProbeHeight dialog;
    EXPECT_EQ(dialog.windowTitle(), "Probe Height");
    EXPECT_EQ(dialog.GetHeight(), 5.0F);
    EXPECT_EQ(dialog.GetEdit()->text(), " 5");
    dialog.SetHeight(3.6F);
    EXPECT_EQ(dialog.GetEdit()->text(), " 4");
    struct Case {
        const char* typed;
        float height;
    };
    for (const Case& entry : {Case{"12.5", 12.5F}, Case{"abc", 0.0F}, Case{"nan", 0.0F}, Case{"inf", 0.0F},
                              Case{"-80", -80.0F}, Case{"1e9", 1e9F}}) {
        SCOPED_TRACE(entry.typed);
        dialog.SetHeight(7.0F);
        dialog.GetEdit()->setText(entry.typed);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.GetHeight(), entry.height);
    }
    // Cancel leaves the height as set.
    dialog.SetHeight(9.0F);
    dialog.GetEdit()->setText("42");
    dialog.reject();
    EXPECT_EQ(dialog.GetHeight(), 9.0F);
}

} // namespace
} // namespace orv
