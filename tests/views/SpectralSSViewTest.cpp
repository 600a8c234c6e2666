// The spectral pane of a spectral/spatial frame: the full and user composite traces of a scan made
// in the test, their bounds in the header per tab, the read-out lines under the mouse, and a scan
// whose last cells arrive while the pane shows it.

#include "app/QtConversions.h"
#include "core/QScannerContext.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/NodeMessages.h"
#include "project/QExportTextSink.h"
#include "project/QSpatialScanDataExporter.h"
#include "project/QSpectralScanDataExporter.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spectral/CSpectralSSView.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace orv::test {
namespace {

constexpr uint32_t kCells = 9;

QScanDataRecord Record(uint8_t zelt, uint8_t level) {
    QScanDataRecord record;
    record.m_ScanId = 1;
    record.m_Texts = {"user", "analyser", "module", "2026-12-10", "head", ""};
    record.m_StartFrequency = 100.0F;
    record.m_StopFrequency = 200.0F;
    record.m_Rows = 3;
    record.m_Columns = 3;
    record.m_IsZeltData = zelt;
    record.m_ZeltLevel = level;
    return record;
}

// Cell k (row k / 3, column k % 3) of a 3 x 3 scan of five points: flat at 100 + 10k tenths, with
// 300 + 10k at point k % 5. The full composite is then 35, 36, 37, 38, 34 dBuV from cells
// (1, 2), (2, 0), (2, 1), (2, 2), (1, 1).
QCellAddition Cell(uint32_t k) {
    QCellAddition addition;
    addition.m_Record = Record(0, 0);
    addition.m_CellIndex = k + 1;
    addition.m_CellCount = kCells;
    addition.m_CellWord1 = static_cast<uint16_t>(k / 3);
    addition.m_CellWord2 = static_cast<uint16_t>(k % 3);
    addition.m_HasValues = true;
    for (uint32_t i = 0; i < 5; ++i) {
        addition.m_Values.push_back(static_cast<int16_t>((i == k % 5 ? 300 : 100) + 10 * k));
    }
    return addition;
}

class SpectralSSViewTest : public SpectralViewTest {
protected:
    SpectralSSViewTest() {
        factory.makeView = [](MessageThread& t) { return std::make_unique<CSpectralSSView>(t); };
    }
    // A Spectral/Spatial node with its pane open, the composite tabs as the frame makes them.
    void OpenNode() {
        Open(kTypeSpectralSpatialScanNode);
        mediator->spectralDisplay.m_switch2 = 0; // no peak circles
        CTabCtrlEx& tabs = View().CreateTabStrip(CSpectralView::TabStrip::Composite);
        for (const char* caption :
             {"Full Composite View", "Full/User Composite View", "User Composite View"}) {
            tabs.addTab(QString::fromLatin1(caption));
        }
        View().GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
        Pump();
    }
    // A Spectral/Spatial node with the first `cells` cells of the scan, shown.
    CSpectralView& Show(uint32_t cells, std::vector<CScanPoint> selected = {}) {
        OpenNode();
        factory.spectralFrames.back()->pane.selectedCells = std::move(selected);
        for (uint32_t k = 0; k < cells; ++k) {
            EXPECT_TRUE(mediator->AddSpectralSpatialScanData(Cell(k), false));
        }
        mediator->ShowScanData(1);
        Pump();
        return View();
    }
    void SelectTab(int tab) {
        View().GetTabStrip(CSpectralView::TabStrip::Composite)->setCurrentIndex(tab);
        Pump();
    }
    CSpectralSpatialScanData& Scan() { return *mediator->GetCurrentSpectralSpatialScanData(); }
    static std::vector<float> Amplitudes(const std::vector<TracePoint>& points) {
        std::vector<float> out;
        for (const TracePoint& point : points) {
            out.push_back(point.m_Amplitude);
        }
        return out;
    }
    // The mouse over draw point k of the main trace, half-way down the plot.
    void HoverOver(int32_t k) {
        CSpectralView& view = View();
        const QPoint at = view.GetTrace()->m_Positions[static_cast<size_t>(k)];
        const QRect plot = view.GetPlotRect();
        // From outside the plot, so that a move to the same point is a move again.
        QTest::mouseMove(view.viewport(), QPoint(2, 2));
        QTest::mouseMove(view.viewport(), QPoint(at.x() - view.horizontalScrollBar()->value(),
                                                 plot.center().y() - view.verticalScrollBar()->value()));
    }
};

TEST_F(SpectralSSViewTest, TheFrameMakesThePaneAndOtherModesShowNothing) {
    CSpectralView& view = Show(kCells);
    EXPECT_NE(dynamic_cast<CSpectralSSView*>(&view), nullptr);
    EXPECT_EQ(view.GetDisplayMode(), CSpectralView::kModeSpectralSpatial);
    ASSERT_EQ(view.GetPoints().size(), 5U);
    bool needsData = true;
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectral);
    Pump();
    EXPECT_FALSE(view.LoadTraceData(true, needsData));
    EXPECT_FALSE(needsData);
}

TEST_F(SpectralSSViewTest, BothTracesAreDrawnAndTheHeaderShowsTheBoundsOfEachTab) {
    CSpectralView& view = Show(kCells, {{0, 0}});
    EXPECT_EQ(Amplitudes(view.GetPoints()), (std::vector<float>{35, 36, 37, 38, 34}));
    const std::vector<TracePoint>& full = view.GetPoints();
    EXPECT_EQ(full[0].m_Words, (std::array<uint16_t, 4>{1, 2, 0, 0}));
    EXPECT_EQ(full[4].m_Words, (std::array<uint16_t, 4>{1, 1, 0, 0}));
    EXPECT_EQ(full[0].m_Frequency, 100.0F);
    EXPECT_EQ(full[4].m_Frequency, 200.0F);
    EXPECT_EQ(Amplitudes(view.GetSecondPoints()), (std::vector<float>{30, 10, 10, 10, 10}));
    // The scan is complete: nothing is kept for the next refresh.
    EXPECT_EQ(Scan().m_FullComposite, nullptr);
    EXPECT_EQ(Scan().m_UserComposite, nullptr);

    auto header = [&](double low, double high) {
        return FormatC("      Amp[%-5.1f to %-5.1f %s]  Freq[%-8.3f to %-8.3f MHz]      ", low, high, "dBuV",
                       100.0, 200.0);
    };
    EXPECT_EQ(view.BuildHeaderLines().at(1), header(34, 38));

    SelectTab(1);
    EXPECT_EQ(view.BuildHeaderLines().at(1), header(10, 38));
    ASSERT_NE(view.GetTrace(), nullptr);
    ASSERT_NE(view.GetSecondTrace(), nullptr);
    const QImage& image = view.GetPlotImage();
    const QColor blue = ColorRefToQColor(CSpectralView::kTraceColour);
    const QColor green = ColorRefToQColor(CSpectralView::kSecondTraceColour);
    for (int32_t k : {1, 2, 3}) {
        EXPECT_EQ(image.pixelColor(view.GetTrace()->m_Positions[static_cast<size_t>(k)]), blue) << k;
        EXPECT_EQ(image.pixelColor(view.GetSecondTrace()->m_Positions[static_cast<size_t>(k)]), green) << k;
    }

    // The user composite tab: each point is the last selected unit's, and only that trace is drawn.
    SelectTab(2);
    EXPECT_EQ(view.BuildHeaderLines().at(1), header(10, 30));
    EXPECT_EQ(Amplitudes(view.GetPoints()), (std::vector<float>{18, 18, 18, 38, 18}));
    const QImage& user = view.GetPlotImage();
    EXPECT_EQ(user.pixelColor(view.GetSecondTrace()->m_Positions[2]), green);
    EXPECT_NE(user.pixelColor(view.GetTrace()->m_Positions[2]), blue);
}

TEST_F(SpectralSSViewTest, WithoutASelectionThereIsNoUserTraceUnlessExcludeIsOn) {
    CSpectralView& view = Show(kCells);
    EXPECT_TRUE(view.GetSecondPoints().empty());
    SelectTab(1);
    EXPECT_EQ(view.GetSecondTrace(), nullptr);
    HoverOver(2);
    EXPECT_TRUE(view.GetReadout().shown);
    EXPECT_FALSE(view.GetReadout().hasSecond);
    // Nothing to read on the user composite tab.
    SelectTab(2);
    HoverOver(2);
    EXPECT_FALSE(view.GetReadout().shown);

    Scan().m_PointFlag = 1;
    SelectTab(1);
    EXPECT_EQ(Amplitudes(view.GetSecondPoints()), Amplitudes(view.GetPoints()));
}

TEST_F(SpectralSSViewTest, TheReadOutNamesTheCellInTheLabelStyle) {
    struct Row {
        int tab;
        bool labels;
        int32_t point;
        std::string text; // the first line, or on the user composite tab the second
    };
    const std::string a = GetScannerContext().GetColumnLabel(0).m_text;
    const std::string c = GetScannerContext().GetColumnLabel(2).m_text;
    const std::vector<Row> rows{
        {0, false, 0, "Row:1  Col:2   Amp:35.00  Freq:100.000 "},
        {0, false, 4, "Row:1  Col:1   Amp:34.00  Freq:200.000 "},
        {0, true, 0, "Row:2  Col:" + c + "  Amp:35.00  Freq:100.000 "},
        // A cell of the first row reads row 0 with numbers, row 1 with labels.
        {2, false, 0, "Row:0  Col:0   Amp:30.00  Freq:100.000 "},
        {2, true, 0, "Row:1  Col:" + a + "  Amp:30.00  Freq:100.000 "},
    };
    CSpectralView& view = Show(kCells, {{0, 0}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        if (view.GetCompositeTab() != row.tab) {
            SelectTab(row.tab);
        }
        preferences->spatialDisplay.m_flag5 = row.labels ? 1 : 0;
        HoverOver(row.point);
        const CSpectralView::Readout& readout = view.GetReadout();
        ASSERT_TRUE(readout.shown);
        EXPECT_EQ(view.GetReadoutIndex(), row.point);
        if (row.tab == 2) {
            EXPECT_FALSE(readout.hasPrimary);
            EXPECT_EQ(readout.secondText, row.text);
            continue;
        }
        EXPECT_TRUE(readout.hasPrimary);
        EXPECT_FALSE(readout.hasSecond);
        EXPECT_EQ(readout.text, row.text);
        EXPECT_EQ(readout.textColour, CSpectralView::kReadoutTextColour);
        EXPECT_EQ(readout.background, CSpectralView::kReadoutBackground);
    }
}

TEST_F(SpectralSSViewTest, TheSecondLineStandsDarkGreenUnderTheFirst) {
    CSpectralView& view = Show(kCells, {{2, 1}});
    SelectTab(1);
    HoverOver(2);
    const CSpectralView::Readout& readout = view.GetReadout();
    ASSERT_TRUE(readout.shown);
    ASSERT_TRUE(readout.hasSecond);
    EXPECT_EQ(readout.text, "Row:2  Col:1   Amp:37.00  Freq:150.000 ");
    EXPECT_EQ(readout.secondText, "Row:2  Col:1   Amp:37.00  Freq:150.000 ");
    EXPECT_EQ(readout.secondTextColour, 0x005000U);
    EXPECT_EQ(readout.secondBackground, CSpectralView::kReadoutBackground);
    EXPECT_EQ(readout.secondBox.top(), readout.box.top() + 13);
    EXPECT_EQ(readout.secondBox.left(), readout.box.left());
    // What was painted: the first line blue on pale green, the second dark green.
    const QImage screen = view.viewport()->grab().toImage();
    // Text pixels near the colour (glyph edges are blended with the background).
    auto has = [&](const QRect& box, QColor colour) {
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor pixel = screen.pixelColor(x, y);
                if (std::abs(pixel.red() - colour.red()) < 40 &&
                    std::abs(pixel.green() - colour.green()) < 40 &&
                    std::abs(pixel.blue() - colour.blue()) < 40) {
                    return true;
                }
            }
        }
        return false;
    };
    const QRect firstOnly(readout.box.left(), readout.box.top(), readout.box.width(), 13);
    EXPECT_TRUE(has(firstOnly, ColorRefToQColor(CSpectralView::kReadoutTextColour)));
    EXPECT_FALSE(has(firstOnly, ColorRefToQColor(0x005000)));
    EXPECT_TRUE(has(readout.secondBox, ColorRefToQColor(0x005000)));
    EXPECT_FALSE(has(readout.secondBox, ColorRefToQColor(CSpectralView::kReadoutTextColour)));
}

TEST_F(SpectralSSViewTest, InterleavedCellsReadTheirSubCells) {
    OpenNode();
    // Two sub-cells of cell (1, 2) at L = 1; the second is selected by its position (3, 5).
    const std::vector<std::array<uint16_t, 4>> words{{1, 2, 0, 1}, {1, 2, 1, 1}};
    const std::vector<std::vector<float>> levels{{400.0F, 100.0F, 100.0F}, {200.0F, 300.0F, 100.0F}};
    for (uint32_t k = 0; k < 2; ++k) {
        QCellAddition addition;
        addition.m_Record = Record(1, 1);
        addition.m_CellIndex = k + 1;
        addition.m_CellCount = 2;
        addition.m_CellWord1 = words[k][0];
        addition.m_CellWord2 = words[k][1];
        addition.m_HasValues = true;
        addition.m_ZeltWords = words[k];
        addition.m_ZeltValues = levels[k];
        ASSERT_TRUE(mediator->AddSpectralSpatialScanData(addition, false));
    }
    factory.spectralFrames.back()->pane.selectedCells = {{3, 5}};
    mediator->ShowScanData(1);
    Pump();
    CSpectralView& view = View();
    SelectTab(1);
    ASSERT_EQ(view.GetSecondPoints().size(), 3U);
    const QScannerContext& context = GetScannerContext();
    for (const bool labels : {false, true}) {
        preferences->spatialDisplay.m_flag5 = labels ? 1 : 0;
        HoverOver(0);
        const CSpectralView::Readout& readout = view.GetReadout();
        ASSERT_TRUE(readout.shown);
        if (labels) {
            EXPECT_EQ(readout.text, "Row:2 [00] Col:" + context.GetColumnLabel(2).m_text +
                                        "[01]  Amp:40.00  Freq:100.000 ");
            EXPECT_EQ(readout.secondText, "Row:2 [01] Col:" + context.GetColumnLabel(2).m_text +
                                              "[01]  Amp:20.00  Freq:100.000 ");
        } else {
            EXPECT_EQ(readout.text, "Row:1 [00] Col:2 [01]  Amp:40.00  Freq:100.000 ");
            EXPECT_EQ(readout.secondText, "Row:1 [01] Col:2 [01]  Amp:20.00  Freq:100.000 ");
        }
    }
}

TEST_F(SpectralSSViewTest, ARunningScanKeepsItsCompositesUntilItsLastCellArrives) {
    CSpectralView& view = Show(5, {{0, 0}, {2, 2}});
    EXPECT_EQ(Amplitudes(view.GetPoints()), (std::vector<float>{30, 31, 32, 33, 34}));
    EXPECT_EQ(Amplitudes(view.GetSecondPoints()), (std::vector<float>{30, 10, 10, 10, 10}));
    ASSERT_NE(Scan().m_FullComposite, nullptr);
    ASSERT_NE(Scan().m_UserComposite, nullptr);
    EXPECT_EQ(Scan().m_Units[4]->m_Processed, 1);

    // The rest of the scan arrives; (2, 2) is one of them and joins the user composite.
    for (uint32_t k = 5; k < kCells; ++k) {
        ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(k), false));
    }
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralSpatial);
    Pump();
    EXPECT_EQ(Amplitudes(view.GetPoints()), (std::vector<float>{35, 36, 37, 38, 34}));
    EXPECT_EQ(Amplitudes(view.GetSecondPoints()), (std::vector<float>{30, 18, 18, 38, 18}));
    EXPECT_EQ(Scan().m_FullComposite, nullptr);
    for (const auto& unit : Scan().m_Units) {
        EXPECT_EQ(unit->m_Processed, 0);
    }
}

TEST_F(SpectralSSViewTest, AnExportMadeWithThePaneOpenEqualsOneMadeWithout) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orv-ssview-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    OpenNode();
    for (uint32_t k = 0; k < kCells; ++k) {
        ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(k), false));
    }
    mediator->ShowScanData(1);
    auto exportAll = [&] {
        std::string text;
        QSpectralScanDataExporter spectral;
        QSpatialScanDataExporter spatial;
        for (QScanDataExporter* exporter :
             {static_cast<QScanDataExporter*>(&spectral), static_cast<QScanDataExporter*>(&spatial)}) {
            const std::string path = (folder / "export.txt").string();
            {
                QExportTextSink sink(path);
                exporter->ExportScan(*mediator, sink, 1, path);
            }
            std::ifstream file(path, std::ios::binary);
            std::ostringstream bytes;
            bytes << file.rdbuf();
            text += bytes.str();
        }
        return text;
    };
    const std::string without = exportAll();
    ASSERT_FALSE(without.empty());
    factory.spectralFrames.back()->pane.selectedCells = {{0, 0}};
    Pump();
    for (int tab : {1, 2, 0}) {
        SelectTab(tab);
    }
    ASSERT_EQ(View().GetPoints().size(), 5U);
    EXPECT_EQ(exportAll(), without);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace orv::test
