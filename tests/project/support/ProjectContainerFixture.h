#pragma once

// A project window's surroundings for the container tests: a repository folder remembered in the
// user settings of a private settings store, a user data folder of the test's own, a scripted prompt, the
// fake main frame and tree, and storage managers whose project-file load and save the test scripts.

#include "platform/ui/ScriptedPrompt.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/project/support/ProjectContainerFakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orv::containertest {

class ProjectContainerTest : public ::testing::Test {
protected:
    static constexpr uint32_t kWindow = 7;

    void SetUp() override;
    void TearDown() override;

    // Points the store's user hive at this test's folder; `remember` writes the repository folder as
    // the one chosen last; otherwise the hive starts empty.
    void UseSettings(bool remember);
    // The user's default repository folder cannot be made (the data folder lies below a file).
    void BlockDefaultRepository();
    std::unique_ptr<TfrmMainApp> MakeApp(bool noPreferences = false);
    // A container with a new project on the fake tree.
    std::unique_ptr<TfrmMainApp> MakeAppWithNewProject();
    std::string RememberedRepository();

    std::string m_folder;
    std::string m_repository;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    std::unique_ptr<ScopedPromptInstall> m_promptInstall;
    std::shared_ptr<ScriptedFileOperations> m_operations = std::make_shared<ScriptedFileOperations>();
    FakeMainFrame m_frame;
    FakeViewTree m_tree;
};

} // namespace orv::containertest
