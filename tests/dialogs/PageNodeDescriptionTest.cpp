// The "Description" page on the offscreen platform, driven with key and mouse events: the node's name
// and description, the tree item renamed with the node, the code page and the length the project file
// holds.

#include "dialogs/CPageNodeDescription.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::TypeInto;
using Page = CPageNodeDescription;

class DescriptionPageTest : public testing::SheetFixture {
protected:
    DescriptionPageTest() {
        node->SetContainer(&container);
        node->SetProjectTree(&tree);
        node->SetLabel("first line\r\nsecond line");
    }
    // The description page is the last of a Spectral node's four.
    Page& Open() {
        sheet = OpenSheet(*node, 3);
        EXPECT_NE(sheet, nullptr);
        auto* page = dynamic_cast<Page*>(sheet->GetActivePage());
        EXPECT_NE(page, nullptr);
        return *page;
    }
    QLineEdit& Name(Page& page) { return dynamic_cast<QLineEdit&>(*page.GetControl(Page::kNameEdit)); }
    QPlainTextEdit& Description(Page& page) {
        return dynamic_cast<QPlainTextEdit&>(*page.GetControl(Page::kDescriptionEdit));
    }
    void PressApply() { Click(*sheet->GetButton(CNodeOptionsSheet::kApplyId)); }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::FakeNodeContainer container;
    test::FakeProjectTree tree;
    std::unique_ptr<QNodeMediator> node = MakeNode(2003, nullptr, "Board \xE9");
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(DescriptionPageTest, ShowsAndRenamesTheNodeWithItsTreeItem) {
    Page& page = Open();
    EXPECT_EQ(Name(page).text().toStdString(), "Board \xC3\xA9");
    EXPECT_EQ(Description(page).toPlainText().toStdString(), "first line\nsecond line");
    EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());

    struct Row {
        QString name;
        std::string stored;
    };
    const Row rows[] = {
        {"Top layer", "Top layer"},
        {QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80"},
        {QString::fromUtf8("\xCE\xA9 probe"), "? probe"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        TypeInto(Name(page), row.name);
        PressApply();
        EXPECT_EQ(node->GetName(), row.stored);
        ASSERT_FALSE(tree.itemTexts.empty());
        EXPECT_EQ(tree.itemTexts.back(), std::make_pair(node->GetNodeID(), row.stored));
    }
    EXPECT_EQ(WindowMessages(), std::vector<uint32_t>(std::size(rows), NodeMessage::kProjectModified));
    EXPECT_EQ(container.allViewRefreshes, static_cast<int>(std::size(rows)));

    // Enter starts a new line of the description and leaves the sheet open.
    QPlainTextEdit& description = Description(page);
    description.setFocus();
    description.moveCursor(QTextCursor::End);
    QTest::keyClick(&description, Qt::Key_Return);
    QTest::keyClicks(&description, "third");
    EXPECT_TRUE(sheet->HasWindow());
    PressApply();
    EXPECT_EQ(node->GetLabel(), "first line\r\nsecond line\r\nthird");
    EXPECT_TRUE(prompt->Texts().empty());
}

TEST_F(DescriptionPageTest, ATextLongerThanTheProjectFileHoldsIsRefused) {
    Page& page = Open();
    for (const bool nameTooLong : {true, false}) {
        SCOPED_TRACE(nameTooLong);
        Name(page).setText(nameTooLong ? QString(65536, 'n') : QString("Short"));
        Description(page).setPlainText(nameTooLong ? QString("Short") : QString(65536, 'd'));
        PressApply();
        ASSERT_FALSE(prompt->Requests().empty());
        EXPECT_EQ(prompt->Requests().back().text, "The text is too long.");
        EXPECT_EQ(prompt->Requests().back().caption, "Error");
        EXPECT_EQ(node->GetName(), "Board \xE9");
        EXPECT_EQ(node->GetLabel(), "first line\r\nsecond line");
        EXPECT_TRUE(tree.itemTexts.empty());
    }
    EXPECT_TRUE(WindowMessages().empty());

    // The longest text the file holds is taken.
    Name(page).setText(QString(65535, 'n'));
    Description(page).setPlainText("");
    PressApply();
    EXPECT_EQ(node->GetName().size(), 65535U);
    EXPECT_EQ(node->GetLabel(), "");
}

} // namespace
} // namespace orv
