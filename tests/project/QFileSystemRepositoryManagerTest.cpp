#include "project/QFileSystemRepositoryManager.h"
#include "core/QException.h"
#include "tests/project/support/StoreTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using storetest::FakeStorageManagerFactory;
using storetest::ReadBytes;
using storetest::ScratchFolder;
using storetest::WriteText;

class RepositoryTest : public ::testing::Test {
protected:
    std::unique_ptr<QFileSystemRepositoryManager> Open(std::string folder) {
        return std::make_unique<QFileSystemRepositoryManager>(std::move(folder), m_factory);
    }
    std::unique_ptr<QFileSystemRepositoryManager> Open() { return Open(m_scratch.Path()); }
    std::string Data(const std::string& relative) const { return m_scratch.Path("Data/" + relative); }

    static std::vector<std::string> Names(const QRepositoryManager& repository) {
        std::vector<std::string> names;
        for (const auto& descriptor : repository.GetDescriptors()) {
            names.push_back(descriptor->GetName());
        }
        return names;
    }
    static std::string FolderOf(const std::shared_ptr<QProjectDescriptor>& descriptor) {
        return std::dynamic_pointer_cast<QFileSystemProjectDescriptor>(descriptor)->GetFolderPath();
    }
    std::shared_ptr<QProjectDescriptor> Find(const QRepositoryManager& repository, const std::string& name) {
        for (const auto& descriptor : repository.GetDescriptors()) {
            if (descriptor->GetName() == name) {
                return descriptor;
            }
        }
        return nullptr;
    }

    ScratchFolder m_scratch;
    std::shared_ptr<FakeStorageManagerFactory> m_factory = std::make_shared<FakeStorageManagerFactory>();
};

TEST_F(RepositoryTest, ListsEverySubfolderOfDataAndNothingElse) {
    fs::create_directories(Data("Board A"));
    fs::create_directories(Data("Zeta"));
    fs::create_directories(Data("Alpha/temp"));
    WriteText(Data("loose file"), "not a project");
    fs::create_directories(m_scratch.Path("Prefs/PrefsProject"));

    const std::vector<std::string> expected{"Alpha", "Board A", "Zeta"};
    auto plain = Open();
    auto withSlash = Open(m_scratch.Path() + "/");
    EXPECT_EQ(Names(*plain), expected);
    EXPECT_EQ(Names(*withSlash), expected);
    EXPECT_EQ(plain->GetRepositoryFolder(), m_scratch.Path() + "/");
    EXPECT_EQ(FolderOf(Find(*plain, "Board A")), Data("Board A"));
    EXPECT_EQ(FolderOf(Find(*withSlash, "Board A")), Data("Board A"));

    // No Data folder: no projects, and nothing is created.
    ScratchFolder empty;
    QFileSystemRepositoryManager none(empty.Path(), m_factory);
    EXPECT_TRUE(none.GetDescriptors().empty());
    EXPECT_FALSE(fs::exists(empty.Path("Data")));
    EXPECT_FALSE(none.PreferencesProjectExists());
    EXPECT_TRUE(plain->PreferencesProjectExists());
}

TEST_F(RepositoryTest, OpenByNameIgnoresCaseButPrefersAnExactMatch) {
    fs::create_directories(Data("Board A"));
    fs::create_directories(Data("BOARD B"));
    fs::create_directories(Data("board b"));
    auto repository = Open();

    auto manager = repository->OpenProjectByName("board a");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetProjectDescriptor()->GetName(), "Board A");
    EXPECT_EQ(m_factory->m_lastRepository, repository.get());

    for (const std::string name : {"BOARD B", "board b"}) {
        auto exact = repository->OpenProjectByName(name);
        ASSERT_NE(exact, nullptr);
        EXPECT_EQ(exact->GetProjectDescriptor()->GetName(), name);
    }
    EXPECT_EQ(repository->OpenProjectByName("Board"), nullptr);
    EXPECT_EQ(repository->OpenProjectByName(""), nullptr);
}

TEST_F(RepositoryTest, CreatedProjectsJoinTheSetEachTime) {
    auto repository = Open();
    auto untitled = repository->CreateUntitledProject();
    auto preferences = repository->OpenPreferencesProject();
    auto again = repository->OpenPreferencesProject();
    EXPECT_EQ(FolderOf(untitled->GetProjectDescriptor()), Data("Untitled"));
    EXPECT_EQ(untitled->GetProjectDescriptor()->GetName(), "Untitled");
    EXPECT_EQ(FolderOf(preferences->GetProjectDescriptor()), m_scratch.Path("Prefs/PrefsProject"));
    EXPECT_NE(again->GetProjectDescriptor(), preferences->GetProjectDescriptor());
    EXPECT_EQ(Names(*repository), (std::vector<std::string>{"Untitled", "PrefsProject", "PrefsProject"}));
    EXPECT_EQ(m_factory->m_made, 3);
    EXPECT_FALSE(fs::exists(Data("")));
}

TEST_F(RepositoryTest, ProjectFilePathSplitsAtTheLastSeparatorAndNamesAreChecked) {
    auto repository = Open();
    auto manager = repository->OpenProjectByPath("/home/user/boards/Board A.ovp");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetProjectDescriptor()->GetName(), "Board A.ovp");
    EXPECT_EQ(FolderOf(manager->GetProjectDescriptor()), "/home/user/boards");
    EXPECT_EQ(repository->GetDescriptors().size(), 1U);

    for (const std::string bad :
         {"/home/user/", "/home/user/..", "/home/user/.", "no-folder.ovp", "/a/b\\c"}) {
        try {
            repository->OpenProjectByPath(bad);
            ADD_FAILURE() << bad;
        } catch (const QStorageLayerException& e) {
            EXPECT_STREQ(e.what(), "Error#343: The selected path is invalid.") << bad;
        }
    }
    EXPECT_EQ(repository->GetDescriptors().size(), 1U);
}

TEST_F(RepositoryTest, DeleteRemovesTheWholeFolderUnlessTheProjectIsOpen) {
    WriteText(Data("Board A/Board A"), "project file");
    WriteText(Data("Board A/permanent/nodes/0000000001.nod"), "n");
    WriteText(Data("Board A/my notes.txt"), "the program never wrote this");
    fs::create_directories(Data("Board B"));
    auto repository = Open();
    auto boardA = Find(*repository, "Board A");

    {
        auto open = repository->OpenProject(boardA);
        EXPECT_TRUE(repository->IsProjectOpen(*boardA));
        EXPECT_FALSE(repository->DeleteProject(boardA));
        EXPECT_TRUE(fs::exists(Data("Board A/Board A")));
    }
    EXPECT_FALSE(repository->IsProjectOpen(*boardA));
    EXPECT_TRUE(repository->DeleteProject(boardA));
    EXPECT_FALSE(fs::exists(Data("Board A")));
    EXPECT_EQ(Names(*repository), (std::vector<std::string>{"Board B"}));
    EXPECT_EQ(boardA->GetName(), "Board A"); // whoever still holds the descriptor holds a live one
}

TEST_F(RepositoryTest, RenameTable) {
    WriteText(Data("Board A/Board A"), "project file");
    WriteText(Data("Board A/permanent/Board A.lin"), "table");
    WriteText(Data("Board A/permanent/nodes/0000000001.nod"), "n");
    fs::create_directories(Data("Board B"));
    auto repository = Open();
    auto boardA = Find(*repository, "Board A");

    // Same name: nothing changes, the same descriptor stands for it.
    EXPECT_EQ(repository->RenameProject(boardA, "Board A"), boardA);
    EXPECT_TRUE(fs::exists(Data("Board A/Board A")));
    // Onto an existing project: refused, nothing moves.
    EXPECT_EQ(repository->RenameProject(boardA, "Board B"), nullptr);
    EXPECT_TRUE(fs::exists(Data("Board A/Board A")));
    // Invalid names: refused with the path error.
    for (const std::string bad : {"", "/", "\\", "..", "a/b"}) {
        EXPECT_THROW(repository->RenameProject(boardA, bad), QStorageLayerException) << bad;
    }
    EXPECT_EQ(Names(*repository), (std::vector<std::string>{"Board A", "Board B"}));

    // Normal: the folder, the project file and the saved node table follow the name.
    auto renamed = repository->RenameProject(boardA, "Board C");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->GetName(), "Board C");
    EXPECT_EQ(FolderOf(renamed), Data("Board C"));
    EXPECT_FALSE(fs::exists(Data("Board A")));
    EXPECT_EQ(ReadBytes(Data("Board C/Board C")).size(), 12U);
    EXPECT_TRUE(fs::exists(Data("Board C/permanent/Board C.lin")));
    EXPECT_TRUE(fs::exists(Data("Board C/permanent/nodes/0000000001.nod")));
    EXPECT_EQ(Names(*repository), (std::vector<std::string>{"Board B", "Board C"}));
    auto reopened = repository->OpenProjectByName("Board C");
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->GetProjectDescriptor(), renamed);
    // The open project cannot be renamed.
    EXPECT_EQ(repository->RenameProject(renamed, "Board D"), nullptr);
    EXPECT_TRUE(fs::exists(Data("Board C")));
}

TEST_F(RepositoryTest, RenameOfAProjectNeverSavedOnlyRenamesTheDescriptor) {
    auto repository = Open();
    auto untitled = repository->CreateUntitledProject()->GetProjectDescriptor();
    auto renamed = repository->RenameProject(untitled, "First Board");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(FolderOf(renamed), Data("First Board"));
    EXPECT_FALSE(fs::exists(Data("First Board")));
    EXPECT_EQ(Names(*repository), (std::vector<std::string>{"First Board"}));
}

} // namespace
} // namespace orv
