// The header above the heat map and the selected-frequency list beside a spectral/spatial map:
// header texts and rectangles by mode, pane, unit and compensation; the list's rows and colours; a
// real click on a row toggling the marker in the spectral pane; the button that collapses the list.

#include "app/CReportPictureHolder.h"
#include "app/QtConversions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/scandata/support/ScanRecordFixtures.h"
#include "tests/views/support/SpatialViewFixture.h"

#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr const char* kPlainTitle = "             Spatial             ";
constexpr const char* kCompensatedTitle = " Spatial(Compensated) ";

std::unique_ptr<CSpatialScanData> Grid(const char* module) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->m_Rows = 3;
    scan->m_Columns = 4;
    scan->m_Values = std::vector<int16_t>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200};
    scan->SetProbeScanPatternSize(3, 4);
    scan->m_ModuleText = module;
    scan->m_CenterFrequency = 150.0F;
    return scan;
}

_FrequencyMarkerPoint Range(float from, int32_t first, int32_t last, float to, uint8_t selected) {
    return {from, first, selected, std::bit_cast<uint32_t>(to), last};
}

class SpatialHeaderTest : public SpatialViewTest {
public:
    // A Spatial node showing a 3 x 4 grid of 10 to 120 dBuV at 150 MHz.
    CSpatialView& ShowSpatial() {
        Open(kTypeSpatialScanNode);
        EXPECT_TRUE(mediator->AddSpatialScanData(
            SpatialGrid(1, 3, 4, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200}), false,
            false));
        mediator->ShowScanData(1);
        Pump();
        return View();
    }
    // A node of the kind with two components of 30 and 60 dBuV peaks over 100 to 200 MHz.
    CSpatialView& ShowComponents(uint16_t kind) {
        Open(kind);
        for (uint32_t cell = 1; cell <= 2; ++cell) {
            const auto base = static_cast<int16_t>(cell == 1 ? 100 : 400);
            QCellAddition addition = SpectralSpatialCell(
                1, cell, 2, 0, static_cast<uint16_t>(cell),
                {base, static_cast<int16_t>(base + 100), static_cast<int16_t>(base + 200)});
            if (kind == kTypeHandHeldProbeScanNode) {
                EXPECT_TRUE(mediator->AddHandHeldProbeScanData(addition, false));
            } else {
                EXPECT_TRUE(mediator->AddSpectralSpatialScanData(addition, false));
            }
        }
        mediator->ShowScanData(1);
        Pump();
        return View();
    }
    // The spectral/spatial map linked to its spectral pane, whose markers cover every point.
    CSpatialView& ShowLinked() {
        CSpatialView& view = ShowComponents(kTypeSpectralSpatialScanNode);
        Spectral().SetSelectedFrequencies({Range(100.0F, 0, 2, 200.0F, 1)});
        view.GetMessageTarget().Post(NodeMessage::kShowLinkedSpectralSpatial);
        Pump();
        return view;
    }
    // A comparison or blind-spot node with its two scans ("first", "second") and a result.
    CSpatialView& ShowPair(uint16_t kind, int32_t pane) {
        Open(kind);
        EXPECT_TRUE(mediator->SetComparedScan(true, Grid("first")));
        EXPECT_TRUE(mediator->SetComparedScan(false, Grid("second")));
        EXPECT_TRUE(mediator->SetComparedResult(Grid("result")));
        mediator->ClearComparedResultChanged();
        CSpatialView& view = View();
        if (kind == kTypeSpatialComparisonNode) {
            view.SetComparisonState(pane);
            view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
        } else {
            view.SetBlindSpotState(pane);
            view.GetMessageTarget().Post(NodeMessage::kRefreshBlindSpotReduction);
        }
        Pump();
        return view;
    }
    CSpectralView& Spectral() { return *factory.viewFrames.back()->spectralView; }
    CScanData& Shown() {
        switch (View().GetDisplayMode()) {
        case CSpatialView::kModeSpatial:
            return *mediator->GetCurrentSpatialScanData();
        case CSpatialView::kModeHandHeld:
            return *mediator->GetCurrentHandHeldScanData();
        default:
            return *mediator->GetCurrentSpectralSpatialScanData();
        }
    }
    // The header's lines after a paint of the whole view.
    std::vector<std::string> Header() {
        View().RedrawView(nullptr, CSpatialView::kRedrawPaint);
        std::vector<std::string> lines;
        for (const CSpatialView::DrawnText& text : View().GetLegendTexts()) {
            lines.push_back(text.text);
        }
        return lines;
    }
    void SetUnit(uint32_t unit) { mediator->spatialDisplay.m_modeA = unit; }
};

TEST_F(SpatialHeaderTest, LinesByModeAndUnit) {
    struct Row {
        const char* what;
        std::function<CSpatialView&(SpatialHeaderTest&)> show;
        uint32_t unit;
        const char* amplitude;
        int headerHeight;
    };
    const Row rows[] = {
        {"spatial dBuV", [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowSpatial(); }, 1,
         "      Amp [10.00  to 120.00 dBuV]    Freq: 150.000  MHz      ", 90},
        {"spatial dBm", [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowSpatial(); }, 2,
         "      Amp [-97.00 to 13.00  dBm]    Freq: 150.000  MHz      ", 90},
        {"spectral/spatial dBuV",
         [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowComponents(kTypeSpectralSpatialScanNode); },
         1, "      Amp[30.0  to 60.0  dBuV]  Freq: [100.000  to 200.000  MHz]      ", 70},
        {"spectral/spatial dBm",
         [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowComponents(kTypeSpectralSpatialScanNode); },
         2, "Amp[-77.0 to -47.0 dBm]  Freq: [100.000  to 200.000  MHz]", 70},
        {"hand-held",
         [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowComponents(kTypeHandHeldProbeScanNode); },
         1, "      Amp[30.0  to 60.0  dBuV]  Freq: [100.000  to 200.000  MHz]      ", 70},
        {"linked dBuV", [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowLinked(); }, 1,
         "      Amp[30.0  to 60.0  dBuV]      ", 70},
        {"linked dBm", [](SpatialHeaderTest& t) -> CSpatialView& { return t.ShowLinked(); }, 2,
         "Amp[-77.0 to -47.0 dBm]", 70},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CSpatialView& view = row.show(*this);
        SetUnit(row.unit);
        view.GetMessageTarget().Post(NodeMessage::kRefreshSpatial);
        Pump();
        CScanData& scan = Shown();
        scan.m_ResolutionBandwidth = 0.12F;
        scan.m_ModuleText = "HX-2\xB5";
        scan.m_DateText = "11.12.2026 00:40";
        const std::vector<std::string> lines = Header();
        ASSERT_EQ(lines.size(), 5U);
        EXPECT_EQ(lines[0], kPlainTitle);
        EXPECT_EQ(lines[1], row.amplitude);
        EXPECT_EQ(lines[2], "     Resolution Bandwidth: 0.120000 MHz     Attenuator Value:   0.00 dB");
        EXPECT_EQ(lines[3], "     Scanner Module: HX-2\xB5     ");
        EXPECT_EQ(lines[4], "     Date: 11.12.2026 00:40     ");
        const std::vector<CSpatialView::DrawnText>& texts = view.GetLegendTexts();
        EXPECT_EQ(texts[0].rect, QRect(0, 0, 800, 18));
        for (size_t i = 1; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].rect, QRect(0, 20 + 15 * static_cast<int>(i - 1), 800, 15));
        }
        EXPECT_EQ(view.GetHeaderRect(), QRect(0, 0, 800, row.headerHeight));
        EXPECT_EQ(view.GetLegendBackground(), CSpatialView::kBackgroundColour);
        // The header is on the view: its background between the lines.
        EXPECT_EQ(QColorToColorRef(PixelAt(view.GetViewImage(), 3, 10)), CSpatialView::kBackgroundColour);
        mediator.reset();
    }
}

TEST_F(SpatialHeaderTest, AmplificationOrAttenuatorByTheSignOfTheAdjustment) {
    ShowSpatial();
    struct Row {
        float adjustment;
        const char* tail;
    };
    const Row rows[] = {{-10.0F, "Amplification Value:  10.00 dB"},
                        {10.0F, "Attenuator Value:  10.00 dB"},
                        {0.0F, "Attenuator Value:   0.00 dB"},
                        {-0.5F, "Amplification Value:   0.50 dB"}};
    for (const Row& row : rows) {
        Shown().m_LevelOffset = row.adjustment;
        Shown().m_ResolutionBandwidth = 1.0F;
        const std::vector<std::string> lines = Header();
        ASSERT_EQ(lines.size(), 5U);
        EXPECT_EQ(lines[2], std::string("     Resolution Bandwidth: 1.000000 MHz     ") + row.tail);
    }
    // The same texts with a decimal comma in the program's locale.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
        Shown().m_LevelOffset = -10.0F;
        const std::vector<std::string> lines = Header();
        std::setlocale(LC_ALL, previous.c_str());
        ASSERT_EQ(lines.size(), 5U);
        EXPECT_EQ(lines[1], "      Amp [10.00  to 120.00 dBuV]    Freq: 150.000  MHz      ");
        EXPECT_EQ(lines[2], "     Resolution Bandwidth: 1.000000 MHz     Amplification Value:  10.00 dB");
    }
    std::setlocale(LC_ALL, previous.c_str());
}

TEST_F(SpatialHeaderTest, PanesOfComparisonAndBlindSpotViews) {
    struct Row {
        uint16_t kind;
        int32_t pane;
        const char* module; // null: no header
    };
    const Row rows[] = {
        {kTypeSpatialComparisonNode, 0, "second"},  {kTypeSpatialComparisonNode, 1, "first"},
        {kTypeSpatialComparisonNode, 2, nullptr},   {kTypeBlindSpotReductionNode, 0, "first"},
        {kTypeBlindSpotReductionNode, 1, "second"}, {kTypeBlindSpotReductionNode, 2, "result"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.kind << " pane " << row.pane);
        CSpatialView& view = ShowPair(row.kind, row.pane);
        if (row.pane == 2) {
            // The result stays the one given: nothing asks for it to be made again.
            mediator->ClearComparedResultChanged();
        }
        const std::vector<std::string> lines = Header();
        if (row.module == nullptr) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 5U);
            EXPECT_EQ(lines[0], kPlainTitle);
            EXPECT_EQ(lines[3], std::string("     Scanner Module: ") + row.module + "     ");
            EXPECT_EQ(view.GetHeaderRect(), QRect(0, 0, 800, 90));
        }
        mediator.reset();
    }
}

TEST_F(SpatialHeaderTest, LinkedMapLeavesTheFrequencyRangeOut) {
    CSpatialView& view = ShowLinked();
    std::vector<std::string> lines = Header();
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[1], "      Amp[30.0  to 60.0  dBuV]      ");
    // The same map unlinked: the chooser's map tab.
    view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(0);
    Pump();
    ASSERT_FALSE(view.IsListShown());
    lines = Header();
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[1], "      Amp[30.0  to 60.0  dBuV]  Freq: [100.000  to 200.000  MHz]      ");
}

TEST_F(SpatialHeaderTest, ReportHeaderIsWhiteAndNarrowerByTheBar) {
    CSpatialView& view = ShowSpatial();
    view.resize(637, 600);
    Pump();
    view.CopyViewImageForReport(0);
    const std::vector<CSpatialView::DrawnText>& texts = view.GetLegendTexts();
    ASSERT_EQ(texts.size(), 5U);
    EXPECT_EQ(texts[0].rect, QRect(0, 0, 599, 18));
    EXPECT_EQ(view.GetHeaderRect(), QRect(0, 0, 599, 90));
    EXPECT_EQ(view.GetLegendBackground(), 0xFFFFFFU);
    EXPECT_EQ(QColorToColorRef(PixelAt(CReportPictureHolder::Instance().Peek().image, 3, 10)), 0xFFFFFFU);
    // The view's own header keeps its colour and width.
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetHeaderRect(), QRect(0, 0, 637, 90));
    EXPECT_EQ(QColorToColorRef(PixelAt(view.GetViewImage(), 3, 10)), CSpatialView::kBackgroundColour);
}

TEST_F(SpatialHeaderTest, NothingBeforeTheInitialUpdateOrWithoutData) {
    Open(kTypeSpatialScanNode);
    EXPECT_TRUE(Header().empty()); // no scan
    CSpatialView early(thread);
    early.AttachNode(mediator.get());
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::green);
    QPainter painter(&image);
    early.DrawLegend(painter);
    painter.end();
    EXPECT_TRUE(early.GetLegendTexts().empty());
    EXPECT_EQ(PixelAt(image, 3, 10), QColor(Qt::green));
}

class SpatialHeaderCompensationTest : public SpatialHeaderTest {
protected:
    orv::testing::ScanCorrectionFolder folder;
};

TEST_F(SpatialHeaderCompensationTest, CompensatedTitleAndUnitNeedTheFactors) {
    struct Row {
        const char* what;
        bool switchOn;
        const char* set;
        bool spatial;
        const char* title;
        const char* unit;
    };
    const Row rows[] = {
        {"spatial, factors", true, orv::testing::ScanCorrectionFolder::kHead, true, kCompensatedTitle,
         "dBuA/m]"},
        {"spatial, switch off", false, orv::testing::ScanCorrectionFolder::kHead, true, kPlainTitle, "dBuV]"},
        {"spatial, factors missing", true, "NoSuchHead", true, kPlainTitle, "dBuV]"},
        {"components, factors missing", true, "NoSuchHead", false, kPlainTitle, "dBuV]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.spatial) {
            ShowSpatial();
        } else {
            ShowComponents(kTypeSpectralSpatialScanNode);
        }
        QScanCompensationSettings settings;
        settings.m_CorrectionSetName = row.set;
        mediator->compensation = settings;
        preferences->spatialDisplay.m_flag8 = row.switchOn ? 1 : 0;
        View().GetMessageTarget().Post(NodeMessage::kRefreshSpatial);
        Pump();
        const std::vector<std::string> lines = Header();
        ASSERT_EQ(lines.size(), 5U);
        EXPECT_EQ(lines[0], row.title);
        EXPECT_NE(lines[1].find(row.unit), std::string::npos) << lines[1];
        mediator.reset();
    }
    preferences->spatialDisplay.m_flag8 = 0;
}

TEST(SelectedFrequencyListFill, RowsTextsImagesAndColours) {
    orv::testing::EnsureTestApplication();
    CSelectedFrequencyList list;
    CSpectralSpatialScanData scan;
    scan.m_StartFrequency = 100.0F;
    scan.m_StopFrequency = 200.0F;
    scan.m_FrequencyStep = 0.5F;
    scan.m_PointCount = 201;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    list.Fill({_FrequencyMarkerPoint{101.25F, 2, 1, 0, -1}, _FrequencyMarkerPoint{150.0F, 100, 0, 0, -1},
               Range(100.0F, 0, 40, 120.0F, 1), Range(130.0F, 60, 80, 140.5F, 0),
               Range(110.0F, 20, 30, nan, 0),
               Range(110.0F, 20, 30, std::numeric_limits<float>::infinity(), 1)},
              &scan);
    struct Row {
        const char* text;
        uint32_t data;
    };
    const Row rows[] = {{"101.250  ", 1},
                        {"150.000  ", 0},
                        {"100.000  --- 120.000  ", 1},
                        {"130.000  --- 140.500  ", 0},
                        {"110.000  --- 115.000  ", 0},
                        {"110.000  --- 115.000  ", 1}};
    ASSERT_EQ(list.GetItemCount(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.GetItemText(i), rows[i].text);
        EXPECT_EQ(list.GetItemData(i), rows[i].data);
        EXPECT_EQ(list.GetItemImage(i), rows[i].data == 1 ? 0 : 1);
        EXPECT_EQ(list.GetItemTextColour(i), rows[i].data == 1 ? 0x00009BU : 0x005A5AU);
    }
    // Filled again: the rows are the new markers only.
    list.Fill({_FrequencyMarkerPoint{101.25F, 2, 0, 0, -1}});
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemTextColour(0), 0x005A5AU);
    EXPECT_EQ(list.headerItem()->text(0), QStringLiteral("Freq List"));
    EXPECT_EQ(list.columnWidth(0), 120);
}

TEST(SelectedFrequencyListFill, EveryRowWholeInTheColumn) {
    orv::testing::EnsureTestApplication();
    // As the view places it: 120 wide; with few rows, and with so many that a scroll bar takes room.
    for (const int count : {3, 60}) {
        SCOPED_TRACE(count);
        CSelectedFrequencyList list;
        list.setGeometry(0, 0, CSelectedFrequencyList::kColumnWidth, 442);
        list.show();
        std::vector<_FrequencyMarkerPoint> markers{
            Range(43.373F, 10, 20, 60.0F, 0), Range(100.0F, 0, 40, 120.0F, 1),
            Range(26500.0F, 0, 40, 26500.0F, 1), _FrequencyMarkerPoint{26500.0F, 2, 1, 0, -1}};
        while (static_cast<int>(markers.size()) < count) {
            markers.push_back(Range(1000.0F, 0, 40, 6000.0F, 0));
        }
        list.Fill(markers);
        EXPECT_EQ(orv::testing::ProcessEventsUntil([&] { return list.verticalScrollBar()->isVisible(); },
                                                   std::chrono::seconds(count > 3 ? 5 : 0)),
                  count > 3);
        const QFontMetrics metrics(list.GetRowFont());
        // A range of two five-digit frequencies beside a scroll bar takes the smallest font.
        EXPECT_GE(list.GetRowFont().pixelSize(), count > 3 ? CSelectedFrequencyList::kSmallestFontPixels : 9);
        EXPECT_LE(list.GetRowTextWidth() + 17, list.viewport()->width());
        for (int i = 0; i < list.GetItemCount(); ++i) {
            const QString shown =
                CSelectedFrequencyList::ShownText(QString::fromStdString(list.GetItemText(i)));
            EXPECT_LE(metrics.horizontalAdvance(shown), list.GetRowTextWidth()) << shown.toStdString();
            EXPECT_FALSE(shown.endsWith(QLatin1Char(' ')));
        }
        // Short rows keep the largest font.
        list.Fill({_FrequencyMarkerPoint{29.928F, 2, 1, 0, -1}});
        QCoreApplication::processEvents();
        EXPECT_EQ(list.GetRowFont().pixelSize(), CSelectedFrequencyList::kLargestFontPixels);
    }
}

class FrequencyListFrameTest : public SpatialHeaderTest {
protected:
    // The linked map with a selected single marker and a range not selected.
    CSpatialView& ShowMarkers() {
        CSpatialView& view = ShowLinked();
        Spectral().SetSelectedFrequencies(
            {_FrequencyMarkerPoint{100.0F, 0, 1, 0, -1}, Range(100.0F, 0, 2, 200.0F, 0)});
        view.UpdateSelectedFrequencies();
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        return view;
    }
    static void Settle() { QCoreApplication::processEvents(); }
    static uint32_t Pixel(const CSpatialView& view, int x, int y) {
        return QColorToColorRef(PixelAt(view.GetViewImage(), x, y));
    }
};

TEST_F(FrequencyListFrameTest, ClickOnARowTogglesTheMarkerAndTheListIsFilledAgain) {
    CSpatialView& view = ShowMarkers();
    CSelectedFrequencyList& list = view.GetFrequencyList();
    ASSERT_TRUE(list.isVisible());
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemTextColour(0), CSelectedFrequencyList::kSelectedTextColour);
    Settle();
    Pump();
    const int32_t builds = view.GetMapBuildCount();
    const QRect row = list.visualItemRect(list.topLevelItem(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    Settle();
    Pump();
    std::vector<_FrequencyMarkerPoint> markers;
    Spectral().GetSelectedFrequencies(markers);
    ASSERT_EQ(markers.size(), 2U);
    EXPECT_EQ(markers[0].m_Selected, 0);
    EXPECT_EQ(markers[1].m_Selected, 0);
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemTextColour(0), CSelectedFrequencyList::kOtherTextColour);
    EXPECT_EQ(list.GetItemData(0), 0U);
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetMapBuildCount(), builds + 1);
    // The second row's marker, selected by a click; a right click changes nothing.
    const QRect second = list.visualItemRect(list.topLevelItem(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    Settle();
    Pump();
    EXPECT_EQ(list.GetItemTextColour(1), CSelectedFrequencyList::kSelectedTextColour);
    QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier,
                      list.visualItemRect(list.topLevelItem(0)).center());
    Settle();
    Pump();
    Spectral().GetSelectedFrequencies(markers);
    EXPECT_EQ(markers[0].m_Selected, 0);
    EXPECT_EQ(markers[1].m_Selected, 1);
}

TEST_F(FrequencyListFrameTest, TheButtonCollapsesTheListAndWidensTheMap) {
    CSpatialView& view = ShowMarkers();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    // 800 wide, the tab strip from 90 to 111: the list from 642 to 761 below the strip, the button
    // left of it below the map area's top.
    EXPECT_EQ(view.GetListToggleRect(), QRect(626, 114, 16, 24));
    EXPECT_EQ(view.GetMapAreaRect().width(), 642);
    for (const QPoint& p : {QPoint(626, 114), QPoint(641, 137), QPoint(627, 116)}) {
        EXPECT_EQ(Pixel(view, p.x(), p.y()), CSpatialView::kToggleColour) << p.x() << "," << p.y();
    }
    EXPECT_NE(Pixel(view, 625, 122), CSpatialView::kToggleColour);
    EXPECT_NE(Pixel(view, 700, 122), 0xFFFFFFU); // under the list: no map
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(630, 122));
    EXPECT_FALSE(view.IsDragArmed());
    Pump();
    Settle();
    EXPECT_FALSE(view.IsListExpanded());
    EXPECT_FALSE(view.GetFrequencyList().isVisible());
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetMapAreaRect().width(), 762);
    EXPECT_EQ(view.GetListToggleRect(), QRect(746, 114, 16, 24));
    EXPECT_EQ(Pixel(view, 746, 114), CSpatialView::kToggleColour);
    EXPECT_EQ(Pixel(view, 761, 137), CSpatialView::kToggleColour);
    EXPECT_EQ(Pixel(view, 700, 122), 0xFFFFFFU); // the map's own area now
    // And back.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(750, 122));
    Pump();
    Settle();
    EXPECT_TRUE(view.IsListExpanded());
    EXPECT_TRUE(view.GetFrequencyList().isVisible());
    EXPECT_EQ(view.GetFrequencyList().geometry(), QRect(642, 112, 120, 442));
}

TEST_F(FrequencyListFrameTest, HeaderAboveTheStripAndAWideGridClearOfTheList) {
    CSpatialView& view = ShowMarkers();
    // Tall enough that the width, not the height, sets the cell size: the grid spans the map area.
    view.resize(800, 1400);
    Pump();
    Settle();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    const QRect strip = view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->geometry();
    ASSERT_EQ(view.GetLegendTexts().size(), 5U);
    for (const CSpatialView::DrawnText& line : view.GetLegendTexts()) {
        EXPECT_LT(line.rect.bottom(), strip.top()) << line.text;
    }
    const QRect list = view.GetFrequencyList().geometry();
    EXPECT_GT(list.top(), strip.bottom());
    EXPECT_GT(view.GetMapAreaRect().top(), strip.bottom());
    EXPECT_GT(view.GetListToggleRect().top(), strip.bottom());
    auto rightmostCell = [&] {
        int right = -1;
        for (int32_t row = 0; row < 6; ++row) {
            for (int32_t column = 0; column < 6; ++column) {
                right = std::max(right, view.GetCell(row, column).m_ViewRect.right);
            }
        }
        return right;
    };
    // The grid's 40-pixel margins on both sides of the 642-pixel map area.
    EXPECT_EQ(view.GetMapRect().left(), 40);
    EXPECT_LT(view.GetMapRect().right(), list.left() - 30);
    EXPECT_LT(rightmostCell(), list.left());
    EXPECT_EQ(PixelAt(view.GetViewImage(), view.GetMapRect().right() - 2, view.GetMapRect().center().y()),
              PixelAt(view.GetViewImage(), view.GetMapRect().left() + 2, view.GetMapRect().center().y()));
    // Collapsed, the grid takes the list's width too.
    view.ToggleFrequencyList();
    Pump();
    Settle();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetMapRect().left(), 40);
    EXPECT_GT(view.GetMapRect().right(), list.left() + 30);
}

TEST_F(SpatialHeaderTest, AnUnchangedHeaderIsNotLaidOutAgain) {
    CSpatialView& view = ShowSpatial();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    const int32_t layouts = view.GetLegendLayoutCount();
    const QImage first = view.GetViewImage().copy(0, 0, view.width(), CSpatialView::kLegendLinesHeight);
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetLegendLayoutCount(), layouts);
    EXPECT_EQ(view.GetViewImage().copy(0, 0, view.width(), CSpatialView::kLegendLinesHeight), first);
    // A new text, a new width or a report's white background: drawn afresh.
    Shown().m_DateText = "2027-01-02,  03:04:05";
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetLegendLayoutCount(), layouts + 1);
    EXPECT_EQ(view.GetLegendTexts().back().text, "     Date: 2027-01-02,  03:04:05     ");
    EXPECT_NE(view.GetViewImage().copy(0, 0, view.width(), CSpatialView::kLegendLinesHeight), first);
    view.resize(700, 600);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetLegendLayoutCount(), layouts + 2);
    view.CopyViewImageForReport(0);
    EXPECT_EQ(view.GetLegendBackground(), 0xFFFFFFU);
    EXPECT_EQ(view.GetLegendLayoutCount(), layouts + 3);
    EXPECT_EQ(QColorToColorRef(PixelAt(CReportPictureHolder::Instance().Peek().image, 3, 3)), 0xFFFFFFU);
}

TEST_F(FrequencyListFrameTest, NoListAndNoButtonOutsideTheLinkedMode) {
    for (const bool spatial : {true, false}) {
        CSpatialView& view = spatial ? ShowSpatial() : ShowComponents(kTypeSpectralSpatialScanNode);
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
        EXPECT_TRUE(view.GetListToggleRect().isEmpty());
        EXPECT_FALSE(view.GetFrequencyList().isVisible());
        EXPECT_NE(Pixel(view, 630, 100), CSpatialView::kToggleColour);
        EXPECT_NE(Pixel(view, 746, 100), CSpatialView::kToggleColour);
        mediator.reset();
    }
}

} // namespace
} // namespace orv::test
