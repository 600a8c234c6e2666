#include "tests/project/support/ProjectContainerFixture.h"

#include "core/WriteRegistryString.h"
#include "platform/fs/AppPaths.h"
#include "platform/registry/SettingsStore.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace orv::containertest {

void ProjectContainerTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = (std::filesystem::temp_directory_path() / ("orv-containertest-" + std::to_string(getpid()) +
                                                          "-" + info->test_suite_name() + "-" + info->name()))
                   .string();
    std::filesystem::remove_all(m_folder);
    m_repository = m_folder + "/repo";
    std::filesystem::create_directories(m_repository + "/Data");
    m_promptInstall = std::make_unique<ScopedPromptInstall>(m_prompt);
    // The user's own default repository, when a test reaches it, lies in the test's folder.
    SetUserDataFolderOverride(m_folder + "/data");
    UseSettings(true);
}

void ProjectContainerTest::BlockDefaultRepository() {
    // A file where the data folder's parent should be: the default repository cannot be made.
    std::ofstream(m_folder + "/blocked") << "a file, not a folder";
    SetUserDataFolderOverride(m_folder + "/blocked/data");
}

void ProjectContainerTest::TearDown() {
    m_promptInstall.reset();
    SetUserDataFolderOverride({});
    SettingsStore::Instance().SetLocations("", "");
    std::filesystem::remove_all(m_folder);
}

void ProjectContainerTest::UseSettings(bool remember) {
    std::filesystem::remove(m_folder + "/user.settings");
    SettingsStore::Instance().SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
    if (remember) {
        ASSERT_EQ(WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                                      TfrmMainApp::kLastRepositoryValue, m_repository),
                  0);
    }
}

std::unique_ptr<TfrmMainApp> ProjectContainerTest::MakeApp(bool noPreferences) {
    auto app = std::make_unique<TfrmMainApp>(
        m_frame, noPreferences, std::make_shared<QFileSystemProjectStorageManagerFactory>(m_operations),
        [] { return std::make_unique<NodeOwningMediator>(); });
    app->RegisterProjectTree(kWindow, &m_tree);
    return app;
}

std::unique_ptr<TfrmMainApp> ProjectContainerTest::MakeAppWithNewProject() {
    auto app = MakeApp();
    EXPECT_TRUE(app->NewProject(kWindow, nullptr));
    return app;
}

std::string ProjectContainerTest::RememberedRepository() {
    SettingsStore::Instance().Reload();
    SettingsKey key;
    std::string folder;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                                          SettingsAccess::Read, key) == 0) {
        key.GetString(TfrmMainApp::kLastRepositoryValue, folder);
    }
    return folder;
}

} // namespace orv::containertest
