#include "core/QCompensationDataStore.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/core/support/CorrectionFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::ApplicationFolderFixture;

class CompensationDataStoreTest : public ::testing::Test {
protected:
    void WriteTable(const std::string& name, const std::string& text) const {
        m_folder.WriteFile("GlobalCompensationData/" + name + ".txt", text);
    }

    ApplicationFolderFixture m_folder;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
    QCompensationDataStore m_store;
};

TEST_F(CompensationDataStoreTest, LoadsRowsInFileOrderWithMissingTokensAsZero) {
    WriteTable("MDMDcableMDMD", testing::ToCrLf("30,1000\n7\n3\n30 1.5 2 3\n100,2.5\n50\t-1\t0\t9\textra\n"));
    QCompensationTable loaded;
    ASSERT_TRUE(m_store.LoadTable("MDMDcableMDMD", &loaded));
    const QCompensationTable table = m_store.GetTable();
    EXPECT_EQ(table.m_LowFrequency, 30.0f);
    EXPECT_EQ(table.m_HighFrequency, 1000.0f);
    EXPECT_EQ(table.m_TableValue, 7);
    EXPECT_EQ(table.m_TableName, "New");
    EXPECT_EQ(table.m_TableUnit, "New");
    const std::vector<QCompensationRow> rows = {
        {30.0f, 1.5f, 2.0f, 3.0f}, {100.0f, 2.5f, 0.0f, 0.0f}, {50.0f, -1.0f, 0.0f, 9.0f}};
    EXPECT_EQ(table.m_TableRows, rows);
    EXPECT_EQ(loaded.m_TableRows, rows);
}

TEST_F(CompensationDataStoreTest, BadTablesFailWithNoRowsAndFreshHeaderValues) {
    const std::pair<const char*, std::string> cases[] = {
        {"M = 0", "1,2\n3\n0\n"},
        {"M = -1", "1,2\n3\n-1\n"},
        {"M = 5 with 3 lines", "1,2\n3\n5\n1 2 3 4\n1 2 3 4\n1 2 3 4\n"},
        {"no row count line", "1,2\n3\n"},
        {"no final line feed", "1,2\n3\n1\n1 2 3 4"},
        {"a 50-character token", "1,2\n3\n1\n" + std::string(50, '1') + "\n"},
        {"a number beyond single precision", "1,2\n3\n1\n1 1e40 3 4\n"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        WriteTable("good", "5,6\n9\n1\n1 2 3 4\n");
        ASSERT_TRUE(m_store.LoadTable("good"));
        WriteTable("bad", text);
        QCompensationTable loaded;
        loaded.m_TableValue = 99;
        EXPECT_FALSE(m_store.LoadTable("bad", &loaded));
        for (const QCompensationTable& table : {m_store.GetTable(), loaded}) {
            EXPECT_TRUE(table.m_TableRows.empty());
            EXPECT_EQ(table.m_LowFrequency, 0.0f);
            EXPECT_EQ(table.m_HighFrequency, 200000.0f);
            EXPECT_EQ(table.m_TableValue, 0);
        }
    }
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(CompensationDataStoreTest, MissingOrUnsafeNamesEmptyTheTableSilently) {
    WriteTable("good", "5,6\n9\n1\n1 2 3 4\n");
    m_folder.WriteFile("outside.txt", "5,6\n9\n1\n1 2 3 4\n");
    for (const char* name : {"absent", "../outside", "sub/good", ""}) {
        ASSERT_TRUE(m_store.LoadTable("good"));
        EXPECT_FALSE(m_store.LoadTable(name)) << name;
        EXPECT_TRUE(m_store.GetTable().m_TableRows.empty()) << name;
        EXPECT_EQ(m_store.GetTable().m_TableValue, 0) << name;
    }
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(CompensationDataStoreTest, NameListsAnswerOneBasedInKeyOrder) {
    EXPECT_EQ(m_store.GetSetName1(1), "");
    EXPECT_EQ(m_store.FindSetByAlias1("x"), 0);

    ASSERT_TRUE(m_store.AddSetName(1, "Beta", {"b1", "shared"}));
    ASSERT_TRUE(m_store.AddSetName(1, "Alpha", {"a1", "shared"}));
    ASSERT_TRUE(m_store.AddSetName(4, "Only", {"o"}));
    EXPECT_FALSE(m_store.AddSetName(2, "Group list", {}));
    EXPECT_FALSE(m_store.AddSetName(6, "No such list", {}));

    EXPECT_EQ(m_store.GetSetName1(1), "Alpha");
    EXPECT_EQ(m_store.GetSetName1(2), "Beta");
    EXPECT_EQ(m_store.GetSetName1(3), "");
    EXPECT_EQ(m_store.GetSetName1(0), "");
    EXPECT_EQ(m_store.FindSetByAlias1("b1"), 2);
    EXPECT_EQ(m_store.FindSetByAlias1("shared"), 1); // the first entry in key order
    EXPECT_EQ(m_store.FindSetByAlias1("B1"), 0);     // compared exactly
    EXPECT_EQ(m_store.FindSetByAlias1("Alpha"), 0);  // a set name is not its own alias
    EXPECT_EQ(m_store.GetSetName3(1), "");
    EXPECT_EQ(m_store.FindSetByAlias3("o"), 0);
    EXPECT_EQ(m_store.GetSetName4(1), "Only");
    EXPECT_EQ(m_store.FindSetByAlias4("o"), 1);
    EXPECT_EQ(m_store.GetSetName5(1), "");

    m_store.AddGroupSetName("Alpha", "Zed", {"z"});
    m_store.AddGroupSetName("Alpha", "Kay", {"k"});
    m_store.AddGroupSetName("Beta", "Other", {"z"});
    EXPECT_EQ(m_store.GetGroupSetName(1, "Alpha"), "Kay");
    EXPECT_EQ(m_store.GetGroupSetName(2, "Alpha"), "Zed");
    EXPECT_EQ(m_store.GetGroupSetName(3, "Alpha"), "");
    EXPECT_EQ(m_store.GetGroupSetName(1, "Gamma"), "");
    EXPECT_EQ(m_store.FindGroupSetByAlias("Alpha", "z"), 2);
    EXPECT_EQ(m_store.FindGroupSetByAlias("Beta", "z"), 1);
    EXPECT_EQ(m_store.FindGroupSetByAlias("Gamma", "z"), 0);
}

TEST_F(CompensationDataStoreTest, OneStoreForTheApplication) {
    EXPECT_EQ(&QCompensationDataStore::GetInstance(), &QCompensationDataStore::GetInstance());
    EXPECT_EQ(QCompensationDataStore::GetTableFolder(),
              (m_folder.Path() / "GlobalCompensationData").string() + "/");
}

} // namespace
} // namespace orv
