#include "project/TfrmMainApp.h"
#include "core/PathUtilities.h"
#include "core/QAnalyzerOptions.h"
#include "core/TypeIds.h"
#include "core/WriteRegistryString.h"
#include "project/COverlayControl.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/TfrmProjectView.h"
#include "tests/project/support/ProjectContainerFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orv::containertest {
namespace {

using MainAppTest = ProjectContainerTest;

std::string RepositoryFolder(TfrmMainApp& app) {
    auto* repository = dynamic_cast<QFileSystemRepositoryManager*>(app.GetRepository());
    return repository != nullptr ? repository->GetRepositoryFolder() : std::string();
}

TEST_F(MainAppTest, RemembersTheChosenRepositoryAndReopensItAtTheNextStart) {
    UseSettings(false);
    BlockDefaultRepository();
    const std::string chosen = m_folder + "/chosen";
    std::filesystem::create_directories(chosen);
    m_frame.folderChoices.push_back("  " + chosen + " ");
    m_prompt->Script(PromptAnswer::Ok);
    {
        auto app = MakeApp();
        ASSERT_EQ(m_prompt->Texts(), std::vector<std::string>{TfrmMainApp::kNoRepositoryText});
        EXPECT_EQ(m_prompt->Requests()[0].caption, "No Project Repository");
        EXPECT_EQ(m_frame.browseTitles, std::vector<std::string>{"Select Repository Root Directory"});
        EXPECT_EQ(RepositoryFolder(*app), chosen + "/");
        EXPECT_EQ(app->GetRepositoryText(), chosen);
    }
    EXPECT_EQ(RememberedRepository(), chosen);

    // The next start asks nothing and opens the same folder.
    auto next = MakeApp();
    EXPECT_EQ(m_prompt->Texts().size(), 1U);
    EXPECT_EQ(m_frame.browseTitles.size(), 1U);
    EXPECT_EQ(RepositoryFolder(*next), chosen + "/");
}

TEST_F(MainAppTest, AsksAgainUntilAFolderIsChosenOrTheUserCancels) {
    UseSettings(false);
    BlockDefaultRepository();
    // A remembered folder that has gone counts as none.
    WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                        TfrmMainApp::kLastRepositoryValue, m_folder + "/gone");
    // Cancelled browser, an item without a path, a folder that does not exist, then a good one.
    m_frame.folderChoices = {std::nullopt, std::string(), m_folder + "/missing", m_repository};
    for (int i = 0; i < 6; ++i) {
        m_prompt->Script(PromptAnswer::Ok);
    }
    auto app = MakeApp();
    const std::string noRepository = TfrmMainApp::kNoRepositoryText;
    const std::string invalid = "Error#343: The selected path is invalid.";
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{noRepository, noRepository, invalid, noRepository,
                                                           invalid, noRepository}));
    EXPECT_EQ(m_prompt->Requests()[2].caption, "Invalid Repository");
    EXPECT_EQ(RepositoryFolder(*app), m_repository + "/");
    EXPECT_EQ(RememberedRepository(), m_repository);

    // Cancel ends the program with exit code 0.
    UseSettings(false);
    m_prompt->Script(PromptAnswer::Cancel);
    try {
        MakeApp();
        FAIL() << "the program went on without a repository";
    } catch (const ProgramExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
}

TEST_F(MainAppTest, AFreshUserStartsInTheDefaultRepositoryMadeForThemWithoutAnyQuestion) {
    UseSettings(false);
    const std::string folder = m_folder + "/data/Repository";
    ASSERT_FALSE(std::filesystem::exists(folder));
    auto app = MakeApp();
    EXPECT_TRUE(m_prompt->Texts().empty()) << ::testing::PrintToString(m_prompt->Texts());
    EXPECT_TRUE(m_frame.browseTitles.empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(TfrmMainApp::GetDefaultRepositoryFolder(), folder);
    EXPECT_EQ(RepositoryFolder(*app), folder + "/");
    ASSERT_NE(app->GetPreferencesStorageManager(), nullptr);
    // Nothing is remembered: a repository the user chooses later takes over at the next start.
    EXPECT_EQ(RememberedRepository(), "");

    // The second start opens the same folder, again without a question.
    app.reset();
    auto next = MakeApp();
    EXPECT_TRUE(m_prompt->Texts().empty());
    EXPECT_EQ(RepositoryFolder(*next), folder + "/");
}

TEST_F(MainAppTest, MakesThePreferencesNodeWithTheDefaultAnalyserDrivers) {
    auto app = MakeApp();
    EXPECT_TRUE(m_prompt->Texts().empty());
    EXPECT_EQ(m_frame.screenSaverDisabled, 1);
    EXPECT_EQ(TfrmMainApp::GetCurrentProjectContainer(), app.get());
    ASSERT_NE(app->GetPreferencesStorageManager(), nullptr);
    EXPECT_EQ(app->GetPreferencesStorageManager()->GetProjectName(), "PrefsProject");

    QNodeMediator* preferences = app->GetPreferencesMediator();
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(preferences->GetKind(), kTypePreferencesNode);
    EXPECT_EQ(preferences->GetNode()->GetTypeID(), kTypePreferencesNode);
    EXPECT_EQ(preferences->GetContainer(), app->GetNodeContainer());
    EXPECT_EQ(app->GetNodeContainer()->GetPreferencesMediator(), preferences);
    const QAnalyzerOptions* analyzer = preferences->GetAnalyzerOptions();
    EXPECT_EQ(analyzer->GetManualDriverId(), 65);
    EXPECT_EQ(analyzer->GetLoadedDriverId(), 20);
    EXPECT_EQ(analyzer->GetLoadedAnalyzerId(), 0);

    const auto& clipboard = app->GetClipboardHelpers();
    EXPECT_EQ(clipboard[0].GetFormats(),
              (std::vector<CClipboardHelper::FormatPair>{{"MySpatialCompare", "CF_TEXT"}}));
    EXPECT_EQ(clipboard[2].GetFormats()[0].first, "MyBlindSpotReduction");

    // With the no-preferences flag an opened project brings the Preferences node.
    auto opened = MakeApp(true);
    EXPECT_EQ(opened->GetPreferencesMediator(), nullptr);
    app.reset();
    opened.reset();
    EXPECT_EQ(TfrmMainApp::GetCurrentProjectContainer(), nullptr);
}

TEST_F(MainAppTest, TheRepositoryStaysWhileAProjectIsOpen) {
    auto app = MakeAppWithNewProject();
    QRepositoryManager* repository = app->GetRepository();
    const std::string other = m_folder + "/other";
    std::filesystem::create_directories(other);
    m_frame.folderChoices.push_back(other);

    EXPECT_FALSE(app->ChooseRepositoryFolder());
    EXPECT_TRUE(m_frame.browseTitles.empty());
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{TfrmMainApp::kRepositoryInUseText});
    EXPECT_FALSE(app->SetRepository(std::make_unique<QFileSystemRepositoryManager>(
        other, std::make_shared<QFileSystemProjectStorageManagerFactory>(m_operations))));
    EXPECT_EQ(app->GetRepository(), repository);
    EXPECT_EQ(RememberedRepository(), m_repository);

    app->CloseProject();
    EXPECT_TRUE(app->IsClosing());
    EXPECT_TRUE(app->ChooseRepositoryFolder());
    EXPECT_EQ(RepositoryFolder(*app), other + "/");
    EXPECT_EQ(RememberedRepository(), other);
    EXPECT_NE(app->GetPreferencesMediator(), nullptr);
}

TEST_F(MainAppTest, RunsScansOnlyOfSelectedScanNodes) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    EXPECT_TRUE(app->ConnectScanEngine());
    EXPECT_EQ(m_frame.engine.connections,
              (std::vector<std::string>{"command 127.0.0.1:5005", "data 127.0.0.1:6006"}));

    m_tree.SelectItem(nullptr);
    EXPECT_FALSE(app->RunScan());
    m_tree.SelectItem(m_tree.GetRootItem());
    EXPECT_FALSE(app->RunScan());
    EXPECT_EQ(m_prompt->Texts(),
              (std::vector<std::string>{TfrmMainApp::kSelectNodeText, TfrmMainApp::kWrongKindText}));

    QNodeMediator* spectral = view.AddNodeToSelected(kTypeSpectralScanNode);
    m_tree.SelectItem(m_tree.Find(spectral));
    EXPECT_TRUE(app->RunScan());
    ASSERT_EQ(m_frame.engine.runs.size(), 1U);
    EXPECT_EQ(m_frame.engine.runs[0], std::make_pair(spectral, false));
    EXPECT_TRUE(app->StopScan());
    EXPECT_EQ(m_frame.engine.stops, 1);
    EXPECT_TRUE(app->DisconnectScanEngine());
    EXPECT_EQ(m_frame.engine.driverDestroyed, 1);

    // Without a project the commands answer nothing.
    app->CloseProject();
    EXPECT_EQ(app->AddNodeToSelected(kTypeSpectralScanNode), nullptr);
    EXPECT_FALSE(app->DeleteSelectedNode());
    EXPECT_FALSE(app->SaveProject());
    EXPECT_FALSE(app->IsNodeMediatorInProject(spectral));
}

TEST_F(MainAppTest, KeepsOverlayControlsInListOrder) {
    auto app = MakeApp();
    const std::vector<uint8_t> drawing{1, 2, 3};
    const uint8_t picture[] = {9, 8};
    EXPECT_TRUE(app->AddPcbOverlayControl(drawing, 5, 100, false));
    EXPECT_TRUE(app->AddPictureOverlayControl(picture, 2, 5, 200, true));
    EXPECT_TRUE(app->AddPcbOverlayControl(drawing, 6, 300, false));

    // The picture went first, so it is the control found for id 5.
    COverlayControl* found = app->FindOverlayControl(5);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetSourceKind(), COverlayControl::kPictureFile);
    EXPECT_EQ(found->GetPictureBytes(), (std::vector<uint8_t>{9, 8}));
    uint8_t kind = 0xFF;
    uint32_t id = 0;
    EXPECT_TRUE(app->FindOverlayControlBySourceSize(300, kind, id));
    EXPECT_EQ(kind, COverlayControl::kPcbDrawing);
    EXPECT_EQ(id, 6U);
    EXPECT_FALSE(app->FindOverlayControlBySourceSize(301, kind, id));

    EXPECT_TRUE(app->DeleteOverlayControl(5));
    EXPECT_EQ(app->FindOverlayControl(5)->GetSourceKind(), COverlayControl::kPcbDrawing);
    EXPECT_EQ(app->GetOverlayControls().GetControls().size(), 2U);
    EXPECT_FALSE(app->DeleteOverlayControl(42));
}

TEST_F(MainAppTest, CountsTheNodesThatShowAnOverlayPicture) {
    auto app = MakeAppWithNewProject();
    EXPECT_EQ(app->CountUsersOfOverlayPicture(5), 0U);
    TfrmProjectView& view = *app->GetOpenProject();
    for (uint16_t kind : {kTypeOverlayNode, kTypeSpatialScanNode, kTypeNoteNode}) {
        view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kind)->GetOverlayOptions()->m_overlayId =
            kind == kTypeNoteNode ? 6 : 5;
    }
    EXPECT_EQ(app->CountUsersOfOverlayPicture(5), 2U);
    EXPECT_EQ(app->CountUsersOfOverlayPicture(6), 1U);
    app->CloseProject();
    EXPECT_EQ(app->CountUsersOfOverlayPicture(5), 0U);
}

TEST_F(MainAppTest, OnlyTheFirstWindowClearsTheTempFolder) {
    std::string cells;
    const auto first = MakeApp();
    CreateTempFileName(cells); // a per-cell data file of the first window's project
    ASSERT_TRUE(std::filesystem::exists(cells));
    auto second = MakeApp();
    EXPECT_TRUE(std::filesystem::exists(cells)) << "another window's files were deleted";
    second.reset();
    auto third = MakeApp();
    EXPECT_TRUE(std::filesystem::exists(cells));
}

TEST_F(MainAppTest, TheFirstWindowClearsWhatAnEarlierRunLeft) {
    std::string left;
    CreateTempFileName(left);
    const auto app = MakeApp();
    EXPECT_FALSE(std::filesystem::exists(left));
}

} // namespace
} // namespace orv::containertest
