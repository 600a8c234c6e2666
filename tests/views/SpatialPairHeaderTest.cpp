// The headers of the result panes of the Compare Spatial and Blind Spot Reduction views, offscreen:
// texts and rectangles by unit, amplitude adjustment and compensation, the C locale's numbers under
// a German locale, and no header while an input or the result is missing.

#include "app/QtConversions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpatialScanData.h"
#include "tests/scandata/support/ScanRecordFixtures.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialBlindSpotReductionView.h"
#include "views/spatial/CSpatialComparisonView.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

// A 3 x 4 grid of 10 to 120 dBuV at 150 MHz; `raised` adds 6 dB to cell (1, 2).
std::unique_ptr<CSpatialScanData> Grid(const char* module, QNodeMediator* owner, bool raised = false) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->m_Rows = 3;
    scan->m_Columns = 4;
    scan->m_Values = std::vector<int16_t>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200};
    if (raised) {
        scan->m_Values[6] = static_cast<int16_t>(scan->m_Values[6] + 60);
    }
    scan->SetProbeScanPatternSize(3, 4);
    scan->m_ModuleText = module;
    scan->m_CenterFrequency = 150.0F;
    scan->m_Mediator = owner;
    return scan;
}

class SpatialPairHeaderTest : public SpatialViewTest {
protected:
    // A node of the kind in its variant view on the pane; the inputs given (the mediator's first
    // scan is the reference or upper one). A blind-spot result, when asked, is the grid "result"
    // as given and never made from the inputs; a comparison is made by the view from its inputs.
    CSpatialView& Show(uint16_t kind, int32_t pane, bool first = true, bool second = true,
                       bool result = true) {
        const bool comparison = kind == kTypeSpatialComparisonNode;
        factory.makeSpatialView = [comparison](MessageThread& viewThread) -> std::unique_ptr<CSpatialView> {
            if (comparison) {
                return std::make_unique<CSpatialComparisonView>(viewThread);
            }
            return std::make_unique<CSpatialBlindSpotReductionView>(viewThread);
        };
        Open(kind);
        mediator->compensation = compensation;
        if (first) {
            EXPECT_TRUE(mediator->SetComparedScan(true, Grid("first", mediator.get())));
        }
        if (second) {
            EXPECT_TRUE(mediator->SetComparedScan(false, Grid("second", mediator.get(), comparison)));
        }
        if (!comparison) {
            if (result) {
                EXPECT_TRUE(mediator->SetComparedResult(Grid("result", mediator.get())));
            }
            // Nothing asks for the result to be made.
            mediator->ClearComparedResultChanged();
        }
        CSpatialView& view = View();
        if (comparison) {
            view.SetComparisonState(pane);
            view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
        } else {
            view.SetBlindSpotState(pane);
            view.GetMessageTarget().Post(NodeMessage::kRefreshBlindSpotReduction);
        }
        Pump();
        return view;
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
    // The Preferences node's compensation settings the nodes opened next give their scans.
    std::optional<QScanCompensationSettings> compensation;
    void Reshow() {
        View().GetMessageTarget().Post(mediator->GetKind() == kTypeSpatialComparisonNode
                                           ? NodeMessage::kRefreshSpatialComparison
                                           : NodeMessage::kRefreshBlindSpotReduction);
        Pump();
    }
};

TEST_F(SpatialPairHeaderTest, ResultPaneLinesByUnitAndAdjustment) {
    struct Row {
        const char* what;
        uint16_t kind;
        uint32_t unit;
        float adjustment;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"blind spot, dBuV, amplifier",
         kTypeBlindSpotReductionNode,
         1,
         -12.5F,
         {CSpatialBlindSpotReductionView::kTitle, "      Amp[-2.5  to 107.5 dBuV]  Freq: 150.000  MHz      ",
          "     Resolution Bandwidth:    0.120 MHz     Amplification Value:  12.50 dB",
          "     Scanner Module: result     "}},
        {"blind spot, dBm, no attenuator",
         kTypeBlindSpotReductionNode,
         2,
         0.0F,
         {CSpatialBlindSpotReductionView::kTitle, "      Amp[-97.0 to 13.0  dBm]  Freq: 150.000  MHz      ",
          "     Resolution Bandwidth:    0.120 MHz     Attenuator Value:   0.00 dB",
          "     Scanner Module: result     "}},
        // A difference of levels: dB whatever the node's unit.
        {"comparison, dBuV",
         kTypeSpatialComparisonNode,
         1,
         0.0F,
         {CSpatialComparisonView::kTitle, "      Comparison Amplitude[0.00    to  6.00   dB]      "}},
        {"comparison, dBm",
         kTypeSpatialComparisonNode,
         2,
         0.0F,
         {CSpatialComparisonView::kTitle, "      Comparison Amplitude[0.00    to  6.00   dB]      "}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CSpatialView& view = Show(row.kind, 2);
        SetUnit(row.unit);
        if (CScanData* result = mediator->GetComparedResult()) {
            result->m_LevelOffset = row.adjustment;
            result->m_ResolutionBandwidth = 0.12F;
        }
        Reshow();
        EXPECT_EQ(Header(), row.lines);
        const std::vector<CSpatialView::DrawnText>& texts = view.GetLegendTexts();
        ASSERT_EQ(texts.size(), row.lines.size());
        EXPECT_EQ(texts[0].rect, QRect(0, 0, 800, 18));
        for (size_t i = 1; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].rect, QRect(0, 20 + 15 * static_cast<int>(i - 1), 800, 15));
        }
        EXPECT_EQ(view.GetHeaderRect(), QRect(0, 0, 800, CSpatialView::kHeaderHeight));
        EXPECT_EQ(QColorToColorRef(PixelAt(view.GetViewImage(), 3, 10)), CSpatialView::kBackgroundColour);
        mediator.reset();
    }
}

TEST_F(SpatialPairHeaderTest, NumbersStayInTheCLocaleUnderAGermanOne) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    }
    Show(kTypeBlindSpotReductionNode, 2);
    mediator->GetComparedResult()->m_LevelOffset = -12.5F;
    mediator->GetComparedResult()->m_ResolutionBandwidth = 0.12F;
    Reshow();
    std::vector<std::string> blindSpot = Header();
    mediator.reset();
    Show(kTypeSpatialComparisonNode, 2);
    std::vector<std::string> comparison = Header();
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_EQ(blindSpot.size(), 4U);
    EXPECT_EQ(blindSpot[1], "      Amp[-2.5  to 107.5 dBuV]  Freq: 150.000  MHz      ");
    EXPECT_EQ(blindSpot[2], "     Resolution Bandwidth:    0.120 MHz     Amplification Value:  12.50 dB");
    ASSERT_EQ(comparison.size(), 2U);
    EXPECT_EQ(comparison[1], "      Comparison Amplitude[0.00    to  6.00   dB]      ");
}

TEST_F(SpatialPairHeaderTest, InputPanesKeepTheBaseHeaderAndAResultPaneNeedsBothInputs) {
    struct Row {
        const char* what;
        uint16_t kind;
        int32_t pane;
        bool first;
        bool second;
        bool result;
        const char* module; // null: no header; "" the pane's own header (its title checked)
    };
    const Row rows[] = {
        {"comparison test pane", kTypeSpatialComparisonNode, 0, true, true, true, "second"},
        {"comparison reference pane", kTypeSpatialComparisonNode, 1, true, true, true, "first"},
        {"comparison without its reference", kTypeSpatialComparisonNode, 2, false, true, true, nullptr},
        {"comparison without its test", kTypeSpatialComparisonNode, 2, true, false, true, nullptr},
        {"blind spot upper pane", kTypeBlindSpotReductionNode, 0, true, true, true, "first"},
        {"blind spot lower pane", kTypeBlindSpotReductionNode, 1, true, true, true, "second"},
        {"blind spot without its lower pass", kTypeBlindSpotReductionNode, 2, true, false, true, nullptr},
        {"blind spot without a result", kTypeBlindSpotReductionNode, 2, true, true, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Show(row.kind, row.pane, row.first, row.second, row.result);
        const std::vector<std::string> lines = Header();
        if (row.module == nullptr) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 5U);
            EXPECT_EQ(lines[0], "             Spatial             ");
            EXPECT_EQ(lines[3], std::string("     Scanner Module: ") + row.module + "     ");
        }
        mediator.reset();
    }
}

class SpatialPairHeaderCompensationTest : public SpatialPairHeaderTest {
protected:
    orv::testing::ScanCorrectionFolder folder;
};

TEST_F(SpatialPairHeaderCompensationTest, CompensatedTitleAndUnitNeedTheFactors) {
    struct Row {
        const char* what;
        uint16_t kind;
        bool switchOn;
        const char* set;
        const char* title;
        const char* unit;
    };
    const Row rows[] = {
        {"blind spot, factors", kTypeBlindSpotReductionNode, true, orv::testing::ScanCorrectionFolder::kHead,
         CSpatialBlindSpotReductionView::kCompensatedTitle, "dBuA/m]"},
        {"blind spot, switch off", kTypeBlindSpotReductionNode, false,
         orv::testing::ScanCorrectionFolder::kHead, CSpatialBlindSpotReductionView::kTitle, "dBuV]"},
        {"blind spot, factors missing", kTypeBlindSpotReductionNode, true, "NoSuchHead",
         CSpatialBlindSpotReductionView::kTitle, "dBuV]"},
        {"comparison, the test's factors", kTypeSpatialComparisonNode, true,
         orv::testing::ScanCorrectionFolder::kHead, CSpatialComparisonView::kCompensatedTitle, " dB]"},
        {"comparison, switch off", kTypeSpatialComparisonNode, false,
         orv::testing::ScanCorrectionFolder::kHead, CSpatialComparisonView::kTitle, " dB]"},
        // The comparison made without compensation prepares its own at once: the title must not
        // claim one that was not applied.
        {"comparison, the test's factors missing", kTypeSpatialComparisonNode, true, "NoSuchHead",
         CSpatialComparisonView::kTitle, " dB]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        preferences->spatialDisplay.m_flag8 = row.switchOn ? 1 : 0;
        QScanCompensationSettings settings;
        settings.m_CorrectionSetName = row.set;
        compensation = settings;
        Show(row.kind, 2);
        const std::vector<std::string> lines = Header();
        ASSERT_GE(lines.size(), 2U);
        EXPECT_EQ(lines[0], row.title);
        EXPECT_NE(lines[1].find(row.unit), std::string::npos) << lines[1];
        mediator.reset();
    }
    preferences->spatialDisplay.m_flag8 = 0;
}

} // namespace
} // namespace orv::test
