#include "app/CConnectionLink.h"
#include "app/CMainFrame.h"
#include "app/CProjectDocument.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/WriteRegistryString.h"
#include "project/TfrmMainApp.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <atomic>
#include <filesystem>

namespace orv {
namespace {

using testing::MainFrameTestEnvironment;

class StateLink final : public CConnectionLink {
public:
    int32_t GetState() const override { return m_state.load(); }
    void SetState(int32_t state) override { m_state = state; }
    bool CreateDriverConnection() override { return true; }
    void QueueCommand(uint16_t, uint8_t, uint32_t) override {}
    bool IsCommandQueueEmpty() const override { return true; }
    void SignalCommandEvent() override {}
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
    std::atomic<int32_t> m_state{0};
};

class ProjectDocumentKindTest : public testing::QtWidgetTest {
protected:
    ProjectDocumentKindTest() {
        const std::string repository = m_environment.Root() + "/repo";
        std::filesystem::create_directories(repository + "/Data");
        WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                            TfrmMainApp::kLastRepositoryValue, repository);
        CMainFrame::Options options;
        options.pipePath = m_environment.PipePath();
        options.makeIcmpPing = false;
        options.makeConnectionLink = [](CEngineObjects&, CMainFrame&) {
            return std::make_unique<StateLink>();
        };
        m_frame = std::make_unique<CMainFrame>(std::move(options));
        EXPECT_TRUE(m_frame->OnCreate());
        CProjectDocumentKind::Register(*m_frame);
    }

    CProjectDocumentKind& Kind() {
        return static_cast<CProjectDocumentKind&>(*m_frame->GetDocumentFactory());
    }
    CChildFrame* Built() {
        CChildFrame* active = Kind().GetWindows().GetActiveFrame();
        EXPECT_NE(active, nullptr);
        EXPECT_TRUE(testing::ProcessEventsUntil([&] { return !active->GetView()->IsBuildPending(); }));
        return active;
    }

    MainFrameTestEnvironment m_environment;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(ProjectDocumentKindTest, TheMainFrameMakesProjectWindowsIntoItsArrayAndCommandTable) {
    ASSERT_NE(m_frame->GetDocumentFactory(), nullptr);
    ASSERT_TRUE(m_frame->GetDocumentFactory()->NewDocument());
    CChildFrame* first = Built();
    // The frame's counters, its array and its active project frame.
    EXPECT_EQ(first->GetProjectId(), 1U);
    EXPECT_EQ(first->GetDocument().GetTitle(), "Project - 1");
    ASSERT_EQ(m_frame->GetProjects().size(), 1U);
    EXPECT_EQ(m_frame->FindProjectById(1), first->GetProject());
    EXPECT_EQ(m_frame->GetActiveProjectFrame(), first->parentWidget());

    // The project window's commands in the frame's table follow the active window's rules.
    CCommandTable& commands = m_frame->GetCommandTable();
    EXPECT_TRUE(commands.IsEnabled(ProjectCommand::kConnect));
    EXPECT_FALSE(commands.IsEnabled(ProjectCommand::kRun));
    EXPECT_FALSE(commands.IsEnabled(ProjectCommand::kStop));
    EXPECT_TRUE(commands.IsEnabled(ProjectCommand::kDeleteScanData));
    EXPECT_TRUE(commands.IsEnabled(ProjectCommand::kPreferences));

    ASSERT_TRUE(m_frame->GetDocumentFactory()->NewDocument());
    CChildFrame* second = Built();
    EXPECT_EQ(second->GetProjectId(), 2U);
    EXPECT_EQ(second->GetDocument().GetTitle(), "Project - 2");
    EXPECT_EQ(m_frame->GetProjects().size(), 2U);
    EXPECT_EQ(m_frame->GetActiveProjectFrame(), second->parentWidget());

    // The frame's save walk asks the windows; No leaves the changes unsaved and the frame closes.
    first->GetDocument().SetModifiedFlag(true);
    m_environment.GetPrompt().Script(PromptAnswer::No);
    EXPECT_TRUE(m_frame->OnClose());
    EXPECT_EQ(m_environment.GetPrompt().Texts().back(), "Save changes to Project - 1?");
    // Torn down with its windows open: every project goes with them.
    m_frame.reset();
}

} // namespace
} // namespace orv
