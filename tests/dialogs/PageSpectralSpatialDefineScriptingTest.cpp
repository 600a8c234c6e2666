// The "Define Scripts" page of a scripting node on the offscreen platform, driven with key and mouse
// events: the segments kept in frequency order and free of overlaps, its refusals, the row that
// Modify and Delete act on, and Apply making the node's children anew.

#include "app/controls/CTabCtrlPropertySheet.h"
#include "core/TypeIds.h"
#include "dialogs/CPageSpectralSpatialDefineScripting.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::TypeInto;
using Page = CPageSpectralSpatialDefineScripting;

class ScriptPageTest : public testing::SheetFixture {
protected:
    ScriptPageTest() {
        container.make = [this](QNodeMediator& parent, uint16_t kind) {
            return MakeNode(kind, &parent, "child");
        };
        node = MakeNode(kTypeSpectralSpatialScriptingModuleNode);
        node->SetContainer(&container);
    }
    ~ScriptPageTest() override {
        container.owned.clear();
        node.reset();
    }

    // The sheet opened on the page (the third of a scripting node).
    Page& Open() {
        sheet = OpenSheet(*node, 2);
        EXPECT_NE(sheet, nullptr);
        auto* page = sheet != nullptr ? dynamic_cast<Page*>(sheet->GetActivePage()) : nullptr;
        EXPECT_NE(page, nullptr);
        return *page;
    }
    static QTreeWidget& List(Page& page) { return dynamic_cast<QTreeWidget&>(*page.GetControl(Page::kList)); }
    static QLineEdit& Edit(Page& page, int id) { return dynamic_cast<QLineEdit&>(*page.GetControl(id)); }
    static QComboBox& Rbw(Page& page) { return dynamic_cast<QComboBox&>(*page.GetControl(Page::kRbwList)); }

    // Types the range, picks the bandwidth from the list (none for an empty text) and presses the
    // button.
    static void Enter(Page& page, const char* start, const char* stop, const char* rbw, int button) {
        TypeInto(Edit(page, Page::kStartEdit), start);
        TypeInto(Edit(page, Page::kStopEdit), stop);
        Rbw(page).setCurrentIndex(Rbw(page).findText(rbw));
        Click(*page.GetControl(button));
    }
    static void ClickRow(Page& page, int row) {
        QTreeWidget& list = List(page);
        const QRect at = list.visualItemRect(list.topLevelItem(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at.center());
    }
    // The list as it shows, one "start|stop|rbw" a row.
    static std::vector<std::string> Rows(Page& page) {
        std::vector<std::string> rows;
        QTreeWidget& list = List(page);
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            const QTreeWidgetItem& item = *list.topLevelItem(i);
            rows.push_back((item.text(0) + "|" + item.text(1) + "|" + item.text(2)).toStdString());
        }
        return rows;
    }
    // The page's segments, "start-stop rbw" each.
    static std::vector<std::string> Segments(const std::vector<Page::Segment>& segments) {
        std::vector<std::string> texts;
        for (const Page::Segment& segment : segments) {
            texts.push_back(FormatSegment(segment));
        }
        return texts;
    }
    static std::string FormatSegment(const Page::Segment& segment) {
        return std::to_string(static_cast<int>(segment.m_startFrequency)) + "-" +
               std::to_string(static_cast<int>(segment.m_stopFrequency)) + " " + segment.m_text;
    }
    bool ApplyLit() const { return sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled(); }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    testing::ChildNodeContainer container;
    std::unique_ptr<QNodeMediator> node;
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(ScriptPageTest, SegmentsStayInFrequencyOrderAndFreeOfOverlaps) {
    Page& page = Open();
    EXPECT_EQ(sheet->GetTabCtrl().tabText(2), "Define Scripts");
    QTreeWidget& list = List(page);
    ASSERT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.headerItem()->text(0), "Start Freq");
    EXPECT_EQ(list.headerItem()->text(1), "Stop Freq");
    EXPECT_EQ(list.headerItem()->text(2), "RBW");
    EXPECT_EQ(list.columnWidth(0), 124);
    EXPECT_EQ(list.columnWidth(2), 123);
    ASSERT_EQ(Rbw(page).count(), 14);
    EXPECT_EQ(Rbw(page).itemText(0), "30 Hz");
    EXPECT_EQ(Rbw(page).itemText(13), "5 MHz");
    EXPECT_EQ(Rbw(page).currentIndex(), -1);

    Enter(page, "100", "200", "1 MHz", Page::kAdd);
    Enter(page, "10", "50", "3 KHz", Page::kAdd);
    EXPECT_EQ(Rows(page), (std::vector<std::string>{"   10.000 MHz|   50.000 MHz|3 KHz",
                                                    "  100.000 MHz|  200.000 MHz|1 MHz"}));
    EXPECT_TRUE(ApplyLit());
    Enter(page, "150", "250", "1 MHz", Page::kAdd);
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "No support for frequency overlap.");
    EXPECT_EQ(prompt->Requests()[0].caption, "");
    EXPECT_EQ(prompt->Requests()[0].buttons, PromptButtons::Ok);
    // Touching, then enclosing: both pass.
    Enter(page, "200", "300", "100 KHz", Page::kAdd);
    Enter(page, "50", "300", "9 KHz", Page::kAdd);
    EXPECT_EQ(Segments(page.GetSegments()),
              (std::vector<std::string>{"10-50 3 KHz", "50-300 9 KHz", "100-200 1 MHz", "200-300 100 KHz"}));
    EXPECT_EQ(page.GetSegments()[3].m_value, 0.1F);
    EXPECT_EQ(prompt->Requests().size(), 1U);

    struct Refusal {
        const char* start;
        const char* stop;
        const char* rbw;
        const char* text;
    };
    const Refusal refusals[] = {
        {"", "700", "1 MHz", "Missing parameter from input"},
        {"600", "  ", "1 MHz", "Missing parameter from input"},
        {"600", "700", "", "Missing parameter from input"},
        {"-5", "700", "1 MHz", "No support for negative frequency value"},
        {"0", "700", "1 MHz", "No support for negative frequency value"},
        {"abc", "700", "1 MHz", "No support for negative frequency value"},
        {"600", "600", "1 MHz", "Stop frequency should be greater than start frequency."},
        {"700", "600", "1 MHz", "Stop frequency should be greater than start frequency."},
        {"5", "20", "1 MHz", "No support for frequency overlap."},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(::testing::Message() << refusal.start << "-" << refusal.stop << " " << refusal.rbw);
        Enter(page, refusal.start, refusal.stop, refusal.rbw, Page::kAdd);
        EXPECT_EQ(prompt->Requests().back().text, refusal.text);
        EXPECT_EQ(page.GetSegments().size(), 4U);
    }
}

TEST_F(ScriptPageTest, TheSameRangeTakesTheNewBandwidthAndTheSameOneChangesNothing) {
    node->GetScriptDefinitions() = {{100.0F, 200.0F, 1.0F, "1 MHz"}};
    Page& page = Open();
    EXPECT_EQ(Rows(page), (std::vector<std::string>{"  100.000 MHz|  200.000 MHz|1 MHz"}));
    Enter(page, " 100 ", "200.0", "1 MHz", Page::kAdd);
    EXPECT_FALSE(ApplyLit()) << "nothing changed";
    Enter(page, "100", "200", "3 MHz", Page::kAdd);
    EXPECT_EQ(Rows(page), (std::vector<std::string>{"  100.000 MHz|  200.000 MHz|3 MHz"}));
    EXPECT_EQ(page.GetSegments()[0].m_value, 3.0F);
    EXPECT_TRUE(ApplyLit());
    EXPECT_TRUE(prompt->Texts().empty());

    // A bandwidth the list does not show (a stored one) leaves the third column empty.
    node->GetScriptDefinitions() = {{1.0F, 2.0F, 10.0F, "10 MHz"}};
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    Page& reopened = Open();
    EXPECT_EQ(Rows(reopened), (std::vector<std::string>{"    1.000 MHz|    2.000 MHz|"}));
}

TEST_F(ScriptPageTest, ARowClickedIsWhatModifyAndDeleteActOn) {
    node->GetScriptDefinitions() = {{10.0F, 50.0F, 0.001F, "1 KHz"}, {100.0F, 200.0F, 1.0F, "1 MHz"}};
    Page& page = Open();
    // Modify with no row clicked does nothing.
    Enter(page, "60", "70", "1 MHz", Page::kModify);
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"10-50 1 KHz", "100-200 1 MHz"}));
    EXPECT_FALSE(ApplyLit());

    ClickRow(page, 0);
    EXPECT_EQ(page.GetSelectedRow(), 0);
    EXPECT_EQ(Edit(page, Page::kStartEdit).text(), "10.000");
    EXPECT_EQ(Edit(page, Page::kStopEdit).text(), "50.000");
    EXPECT_EQ(Rbw(page).currentText(), "1 KHz");
    // The row may keep its own range; it moves to its new place and stays the chosen one.
    Enter(page, "10", "40", "1 KHz", Page::kModify);
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"10-40 1 KHz", "100-200 1 MHz"}));
    Enter(page, "300", "400", "3 KHz", Page::kModify);
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"100-200 1 MHz", "300-400 3 KHz"}));
    EXPECT_EQ(page.GetSelectedRow(), 1);
    EXPECT_TRUE(prompt->Texts().empty());

    // Delete asks; Cancel keeps the row.
    prompt->Script(PromptAnswer::Cancel);
    Click(*page.GetControl(Page::kDelete));
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "Are you going to delete this script ?");
    EXPECT_EQ(prompt->Requests()[0].caption, "Delete");
    EXPECT_EQ(prompt->Requests()[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Information);
    EXPECT_EQ(page.GetSegments().size(), 2U);
    Click(*page.GetControl(Page::kDelete));
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"100-200 1 MHz"}));
    EXPECT_EQ(page.GetSelectedRow(), -1);
    EXPECT_EQ(Edit(page, Page::kStartEdit).text(), "");
    EXPECT_EQ(Edit(page, Page::kStopEdit).text(), "");
    EXPECT_EQ(Rbw(page).currentIndex(), -1);
    // Modify and Delete after the row went do nothing.
    Enter(page, "500", "600", "1 MHz", Page::kModify);
    Click(*page.GetControl(Page::kDelete));
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"100-200 1 MHz"}));
    EXPECT_EQ(prompt->Requests().size(), 2U);
}

TEST_F(ScriptPageTest, TheChosenRowFollowsItsSegmentThroughAddAndMerges) {
    node->GetScriptDefinitions() = {
        {100.0F, 200.0F, 1.0F, "1 MHz"}, {300.0F, 400.0F, 1.0F, "1 MHz"}, {500.0F, 600.0F, 1.0F, "1 MHz"}};
    Page& page = Open();
    // A segment added before the chosen row: Delete still deletes the segment the user chose.
    ClickRow(page, 1);
    Enter(page, "10", "50", "1 MHz", Page::kAdd);
    EXPECT_EQ(page.GetSelectedRow(), 2);
    EXPECT_EQ(List(page).currentItem(), List(page).topLevelItem(2));
    Click(*page.GetControl(Page::kDelete));
    EXPECT_EQ(Segments(page.GetSegments()),
              (std::vector<std::string>{"10-50 1 MHz", "100-200 1 MHz", "500-600 1 MHz"}));

    // The same range with another bandwidth replaces the chosen segment and stays chosen.
    ClickRow(page, 1);
    Enter(page, "100", "200", "3 MHz", Page::kAdd);
    EXPECT_EQ(page.GetSelectedRow(), 1);
    EXPECT_EQ(FormatSegment(page.GetSegments()[1]), "100-200 3 MHz");

    // Modified onto another segment's exact range: the two become one, which stays chosen; then
    // modified and deleted again, always within the list.
    ClickRow(page, 2);
    Enter(page, "100", "200", "3 MHz", Page::kModify);
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"10-50 1 MHz", "100-200 3 MHz"}));
    EXPECT_EQ(page.GetSelectedRow(), 1);
    EXPECT_EQ(Rows(page).size(), 2U) << "the list shows the merge";
    Enter(page, "700", "800", "5 MHz", Page::kModify);
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"10-50 1 MHz", "700-800 5 MHz"}));
    EXPECT_EQ(page.GetSelectedRow(), 1);
    Click(*page.GetControl(Page::kDelete));
    EXPECT_EQ(Segments(page.GetSegments()), (std::vector<std::string>{"10-50 1 MHz"}));
    EXPECT_TRUE(ApplyLit());
}

TEST_F(ScriptPageTest, ApplyMakesTheChildrenAnewFromTheSegmentsInOrder) {
    node->GetScriptDefinitions() = {{100.0F, 200.0F, 1.0F, "1 MHz"}};
    Page& page = Open();
    Enter(page, "10", "50", "3 KHz", Page::kAdd);
    Enter(page, "400", "500", "30 KHz", Page::kAdd);
    Click(*sheet->GetButton(CNodeOptionsSheet::kApplyId));

    EXPECT_EQ(Segments(node->GetScriptDefinitions()),
              (std::vector<std::string>{"10-50 3 KHz", "100-200 1 MHz", "400-500 30 KHz"}));
    const std::vector<QNodeMediator*> children = container.GetChildMediators(*node);
    ASSERT_EQ(children.size(), 3U);
    const float bandwidths[] = {0.003F, 1.0F, 0.03F};
    for (size_t i = 0; i < children.size(); ++i) {
        const Page::Segment& segment = node->GetScriptDefinitions()[i];
        EXPECT_EQ(children[i]->GetKind(), kTypeSpectralSpatialScanNode);
        float start = 0.0F;
        float stop = 0.0F;
        float rbw = 0.0F;
        ASSERT_TRUE(children[i]->GetScriptRange(start, stop, rbw));
        EXPECT_EQ(start, segment.m_startFrequency);
        EXPECT_EQ(stop, segment.m_stopFrequency);
        EXPECT_EQ(rbw, bandwidths[i]);
    }
    EXPECT_EQ(children[0]->GetLabel(), "Start Freq: 10.00   ; Stop Freq: 50.00   ; RBW: 3 KHz");
    EXPECT_EQ(WindowMessages(), (std::vector<uint32_t>{NodeMessage::kProjectModified}));

    // Cancel discards what the page changed since.
    ClickRow(page, 0);
    Click(*page.GetControl(Page::kDelete));
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    EXPECT_EQ(node->GetScriptDefinitions().size(), 3U);
    EXPECT_EQ(container.GetChildMediators(*node).size(), 3U);
}

} // namespace
} // namespace orv
