#pragma once

// A main frame with the real project windows on a repository of the test's own, and an engine link
// whose workflow state the test sets and which records the runs asked of it and the stop marks.

#include "MainFrameTestEnvironment.h"
#include "ProjectWindowSupport.h"
#include "QtTestApplication.h"
#include "app/CConnectionLink.h"
#include "app/CConnectionThread.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/WriteRegistryString.h"
#include "project/TfrmMainApp.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <atomic>
#include <filesystem>
#include <memory>

namespace orv::testing {

class ControllerLink final : public CConnectionLink {
public:
    explicit ControllerLink(RecordingEngineLink& engine) : m_engine(engine) {}
    int32_t GetState() const override { return m_engine.state; }
    void SetState(int32_t state) override { m_engine.state = state; }
    bool CreateDriverConnection() override { return true; }
    void QueueCommand(uint16_t, uint8_t, uint32_t) override {}
    bool IsCommandQueueEmpty() const override { return true; }
    void SignalCommandEvent() override {}
    void MarkStopRequested() override { ++stopMarks; }
    QScanEngineLink* GetScanEngineLink() override { return &m_engine; }

    std::atomic<int> stopMarks{0};

private:
    RecordingEngineLink& m_engine;
};

class ProjectFrameFixture : public QtWidgetTest {
protected:
    ProjectFrameFixture() {
        const std::string repository = m_environment.Root() + "/repo";
        std::filesystem::create_directories(repository + "/Data");
        WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                            TfrmMainApp::kLastRepositoryValue, repository);
        CMainFrame::Options options;
        options.pipePath = m_environment.PipePath();
        options.makeIcmpPing = false;
        options.makeConnectionLink = [this](CEngineObjects&, CMainFrame&) {
            auto link = std::make_unique<ControllerLink>(m_engine);
            m_link = link.get();
            return link;
        };
        m_frame = std::make_unique<CMainFrame>(std::move(options));
        EXPECT_TRUE(m_frame->OnCreate());
        // No connection thread: the devices are not under test.
        m_frame->SetConnectionDevices(nullptr);
        CProjectDocumentKind::Register(*m_frame);
        m_frame->resize(1000, 700);
        m_frame->show();
    }

    // A new project window, built.
    CChildFrame* NewProject() {
        auto& kind = static_cast<CProjectDocumentKind&>(*m_frame->GetDocumentFactory());
        EXPECT_TRUE(kind.NewDocument());
        CChildFrame* active = kind.GetWindows().GetActiveFrame();
        EXPECT_NE(active, nullptr);

        EXPECT_TRUE(ProcessEventsUntil([&] {
            return active->GetView() != nullptr && !active->GetView()->IsBuildPending() &&
                   active->GetProjectPane() != nullptr && active->GetProjectPane()->GetTree() != nullptr;
        }));
        // As the user's click on it: the window is the active one whatever the area activated while
        // the program window came up.
        EXPECT_EQ(m_frame->GetMdiArea()->currentSubWindow(), active->parentWidget());
        return active;
    }

    static CViewTreeWidget& Tree(CChildFrame& frame) { return *frame.GetProjectPane()->GetTree(); }

    MainFrameTestEnvironment m_environment;
    RecordingEngineLink m_engine;
    ControllerLink* m_link = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace orv::testing
