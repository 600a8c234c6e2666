// The node settings sheet on the offscreen platform: the pages each node kind gets, the caption,
// the sheet kept while its window lives, the buttons' work over the pages, and the number reader the
// pages share.

#include "app/controls/CTabCtrlPropertySheet.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "dialogs/CPageNodeDescription.h"
#include "dialogs/CPageReportGenerator.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "dialogs/TypedNumber.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::RecordingPage;

class NodeOptionsSheetTest : public testing::SheetFixture {
protected:
    NodeOptionsSheetTest() {
        // Every page records, so that the table shows the kinds and the order alone.
        factory.makePage = [this](QSettingsPageKind kind, QNodeMediator& /*mediator*/, uint16_t scanKind) {
            auto page = std::make_unique<RecordingPage>(kind, scanKind, &log);
            pages.push_back(page.get());
            return page;
        };
    }

    static std::string Tabs(CNodeOptionsSheet& sheet) {
        std::string tabs;
        for (int i = 0; i < sheet.GetTabCtrl().count(); ++i) {
            tabs += (i == 0 ? "" : ", ") + sheet.GetTabCtrl().tabText(i).toStdString();
        }
        return tabs;
    }

    std::vector<std::string> log;
    std::vector<RecordingPage*> pages;
};

TEST_F(NodeOptionsSheetTest, PagesByNodeKindAndParents) {
    const std::string scan4 = "Spatial, Probes 2004, Amplitude, Description";
    struct Row {
        uint16_t kind;
        uint16_t parent;
        uint16_t grandparent;
        std::string tabs;
    };
    std::vector<Row> rows;
    for (uint16_t kind = 2000; kind <= 2033; ++kind) {
        std::string tabs;
        switch (kind) {
        case 2000:
            tabs = "Analyzer, Scanner Type, Spectral Display";
            break;
        case 2001:
        case 2007:
            tabs = "Spectral, Probes 2003, Spatial, Probes 2004, Amplitude, Description";
            break;
        case 2003:
            tabs = "Spectral, Probes 2003, Amplitude, Description";
            break;
        case 2004:
            tabs = scan4;
            break;
        case 2005:
        case 2029:
            tabs = "Spectral, Probes " + std::to_string(kind) + ", Amplitude, Description";
            break;
        case 2014:
            tabs = "Spectral, Probes 2014, Scripting, Amplitude, Description";
            break;
        case 2017:
            tabs = "Report, Description";
            break;
        case 2010:
        case 2011:
        case 2012:
        case 2030:
        case 2033:
            tabs = "Description";
            break;
        default:
            break;
        }
        rows.push_back({kind, 0, 0, tabs});
    }
    rows.push_back({2040, 0, 0, ""});
    // A Spatial node under a Spectral/Spatial node that a scripting node made, and under one the
    // user added; scripted Spectral/Spatial and Handheld Probe nodes.
    rows.push_back({2004, 2005, 2014, "Description"});
    rows.push_back({2004, 2005, 2007, scan4});
    rows.push_back({2005, 2014, 0, "Probes 2005"});
    rows.push_back({2029, 2014, 0, "Probes 2005"});

    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.kind << " under " << row.parent << "/" << row.grandparent);
        test::TestMediator grandparent(row.grandparent);
        test::TestMediator parent(row.parent);
        parent.SetParentMediator(row.grandparent != 0 ? &grandparent : nullptr);
        test::TestMediator node(row.kind, "Board A");
        node.SetParentMediator(row.parent != 0 ? &parent : nullptr);
        node.SetViewFactory(&factory);
        pages.clear();
        auto* sheet = dynamic_cast<CNodeOptionsSheet*>(node.OpenNodeSettings());
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(Tabs(*sheet), row.tabs);
        EXPECT_EQ(sheet->GetPageCount(), static_cast<int>(pages.size()));
        EXPECT_EQ(sheet->GetNodeMediator(), &node);
        for (RecordingPage* page : pages) {
            EXPECT_EQ(page->GetSheet(), sheet);
        }
        node.DestroyNodeSettings();
    }
}

TEST_F(NodeOptionsSheetTest, CaptionsAndTheSheetKeptWhileItsWindowLives) {
    for (const auto& [name, caption] : std::vector<std::pair<std::string, std::string>>{
             {"PREFERENCE123", "Preferences"},
             {"Preference123", "Preferences"},
             {"Preference1234", "Node Settings - Preference1234"},
             {"Board \xE9", "Node Settings - Board \xC3\xA9"}}) {
        auto node = MakeNode(2003, nullptr, name);
        CNodeOptionsSheet* sheet = OpenSheet(*node);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->windowTitle().toStdString(), caption);
    }

    auto node = MakeNode(2003);
    CNodeOptionsSheet* first = OpenSheet(*node, 2);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->GetActivePage()->GetCaption().toStdString(), "Amplitude");
    const size_t made = factory.sheets.size();
    EXPECT_EQ(node->OpenNodeSettings(), first);
    EXPECT_EQ(factory.sheets.size(), made);

    Click(*first->GetButton(CNodeOptionsSheet::kCancelId));
    EXPECT_FALSE(first->HasWindow());
    EXPECT_FALSE(first->isVisible());
    auto* second = dynamic_cast<CNodeOptionsSheet*>(node->OpenNodeSettings());
    EXPECT_EQ(factory.sheets.size(), made + 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second, factory.sheets.back());
    EXPECT_EQ(second->GetPageCount(), 4);
}

TEST_F(NodeOptionsSheetTest, ButtonsWorkOverThePagesTheUserHasShown) {
    auto node = MakeNode(2001);
    CNodeOptionsSheet* sheet = OpenSheet(*node);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(pages.size(), 6U);
    EXPECT_EQ(log, (std::vector<std::string>{"init Spectral", "active Spectral"}));
    QPushButton& apply = *sheet->GetButton(CNodeOptionsSheet::kApplyId);
    EXPECT_FALSE(apply.isEnabled());

    // The user goes to the third page by its tab; the pages between are never made.
    log.clear();
    QTest::mouseClick(&sheet->GetTabCtrl(), Qt::LeftButton, Qt::NoModifier,
                      sheet->GetTabCtrl().tabRect(2).center());
    EXPECT_EQ(log, (std::vector<std::string>{"kill Spectral", "init Spatial", "active Spatial"}));
    EXPECT_FALSE(pages[1]->HasWindow());

    pages[2]->SetModified();
    EXPECT_TRUE(apply.isEnabled());

    // A page that refuses its Apply keeps the sheet open on it; nothing after it is applied.
    pages[0]->applyAnswer = false;
    log.clear();
    Click(apply);
    EXPECT_EQ(log, (std::vector<std::string>{"kill Spatial", "apply Spectral", "active Spectral"}));
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_TRUE(apply.isEnabled());

    // Both shown pages are applied in page order, then Apply goes out.
    pages[0]->applyAnswer = true;
    log.clear();
    Click(apply);
    EXPECT_EQ(log, (std::vector<std::string>{"kill Spectral", "apply Spectral", "apply Spatial"}));
    EXPECT_FALSE(apply.isEnabled());
    EXPECT_TRUE(sheet->HasWindow());

    // A page that will not be left keeps the user on it.
    pages[0]->killAnswer = false;
    log.clear();
    QTest::mouseClick(&sheet->GetTabCtrl(), Qt::LeftButton, Qt::NoModifier,
                      sheet->GetTabCtrl().tabRect(4).center());
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(sheet->GetTabCtrl().currentIndex(), 0);
    EXPECT_FALSE(pages[4]->HasWindow());
    pages[0]->killAnswer = true;

    // Cancel commits nothing.
    pages[0]->SetModified();
    log.clear();
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    EXPECT_EQ(log, (std::vector<std::string>{"cancel Spectral", "cancel Spatial"}));
    EXPECT_FALSE(sheet->HasWindow());

    // OK applies and closes.
    sheet = OpenSheet(*node);
    log.clear();
    Click(*sheet->GetButton(CNodeOptionsSheet::kOkId));
    EXPECT_EQ(log, (std::vector<std::string>{"kill Spectral", "apply Spectral"}));
    EXPECT_FALSE(sheet->HasWindow());
}

TEST_F(NodeOptionsSheetTest, ThePageMakerHasThePagesBuiltSoFar) {
    factory.makePage = nullptr;
    test::TestMediator node(2003, "Board A");
    EXPECT_NE(dynamic_cast<CPageSpectralScan*>(
                  CSettingsSheetMaker::MakePage(QSettingsPageKind::SpectralScan, node, 0).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CPageAmplitudeAdjust*>(
                  CSettingsSheetMaker::MakePage(QSettingsPageKind::AmplitudeAdjust, node, 0).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CPageNodeDescription*>(
                  CSettingsSheetMaker::MakePage(QSettingsPageKind::NodeDescription, node, 0).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CPageReportGenerator*>(
                  CSettingsSheetMaker::MakePage(QSettingsPageKind::ReportGenerator, node, 0).get()),
              nullptr);
}

TEST(TypedNumber, TheLeadingFiniteDecimalNumberInTheCLocale) {
    struct Row {
        const char* text;
        double value;
    };
    for (const Row& row :
         {Row{"100", 100.0}, Row{"  12.5 MHz", 12.5}, Row{"-3", -3.0}, Row{"+.5", 0.5}, Row{"1e3", 1000.0},
          Row{"2e", 2.0}, Row{"3,5", 3.0}, Row{"abc", 0.0}, Row{"", 0.0}, Row{"-", 0.0}, Row{"nan", 0.0},
          Row{"inf", 0.0}, Row{"-infinity", 0.0}, Row{"0x1A", 0.0}, Row{"1e400", 0.0}}) {
        EXPECT_EQ(ReadTypedNumber(std::string_view(row.text)), row.value) << row.text;
    }
    EXPECT_EQ(TruncateTypedNumber(2.9), 2);
    EXPECT_EQ(TruncateTypedNumber(-0.5), 0);
    EXPECT_EQ(TruncateTypedNumber(1e300), INT64_MAX);
    EXPECT_EQ(SaturateToUInt32(-4), 0U);
    EXPECT_EQ(SaturateToUInt32(int64_t{1} << 40), UINT32_MAX);
    EXPECT_EQ(SaturateToFloat(1e39), std::numeric_limits<float>::max());
    EXPECT_EQ(SaturateToFloat(-1e39), std::numeric_limits<float>::lowest());
}

} // namespace
} // namespace orv
