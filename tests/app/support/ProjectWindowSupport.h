#pragma once

// What the project-window tests stand a project on: a repository folder remembered in a private
// settings store, a scripted prompt, the real node factory with fundamental mediators and the real
// project file, a main frame with a recording engine link (whose workflow state a test sets), and a
// form view whose view factory records what the mediators open. The form view's target, parent window
// and scan-data list are the project tests' fakes.

#include "platform/msg/MessageTarget.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QMainFrame.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFormView.h"
#include "project/QProjectStorageManagerFactory.h"
#include "project/QScanDataList.h"
#include "project/QScanEngineLink.h"
#include "project/QScanThread.h"
#include "project/QViewFactory.h"
#include "project/TfrmMainApp.h"
#include "tests/project/support/MediatorFakes.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orv::testing {

class RecordingEngineLink : public QScanEngineLink {
public:
    bool ConnectCommandChannel(const std::string& /*host*/, uint16_t /*port*/) override { return true; }
    bool ConnectDataChannel(const std::string& /*host*/, uint16_t /*port*/) override { return true; }
    void SetWindow(QProjectWindow* newWindow) override { window = newWindow; }
    bool CreateDriverConnection() override {
        ++driverConnections;
        return connectResult;
    }
    void DestroyDriverConnection() override { ++driverDisconnections; }
    bool RunScan(QNodeMediator& mediator, bool continuous) override {
        runs.emplace_back(&mediator, continuous);
        if (onRun) {
            onRun();
        }
        return runResult;
    }
    void StopScan() override { ++stops; }
    bool IsCommandAllowed(uint32_t /*command*/) override { return false; }
    int32_t GetWorkflowState() override { return state; }
    void SetState(int32_t newState) { state = newState; }

    int32_t state = 0;
    QProjectWindow* window = nullptr;
    bool connectResult = true;
    bool runResult = true;
    int driverConnections = 0;
    int driverDisconnections = 0;
    int stops = 0;
    std::vector<std::pair<QNodeMediator*, bool>> runs;
    // Called as a run is asked for: what a test checks at the moment the run starts.
    std::function<void()> onRun;
};

class TestMainFrame : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return &engine; }
    std::optional<std::string> BrowseForFolder(const std::string& /*title*/) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int exitCode) override;
    void DisableScreenSaver() override {}
    // Recorded; a stop reaches the engine link as the main frame's would through the project.
    bool StopScanOfProject(int32_t projectId) override {
        stopRequests.push_back(projectId);
        engine.StopScan();
        return true;
    }

    RecordingEngineLink engine;
    std::vector<int32_t> stopRequests;
};

// What the view factory was asked for, in order: "frame <class>", "sheet <caption>", "modal <caption>",
// "modeless <caption>", "report <node name>".
using FactoryLog = std::vector<std::string>;

class RecordingSheet : public QSettingsSheet {
public:
    RecordingSheet(std::string caption, FactoryLog& log) : m_caption(std::move(caption)), m_log(log) {}
    void SetNodeMediator(QNodeMediator* /*mediator*/) override {}
    bool HasWindow() const override { return m_window; }
    std::string GetCaption() const override { return m_caption; }
    void RemoveAllPages() override {}
    void AddPage(QSettingsPage& /*page*/) override {}
    void DestroyWindow() override { m_window = false; }
    void ShowModal() override { m_log.push_back("modal " + m_caption); }
    void ShowModeless(QProjectWindow* centreOver) override {
        m_window = true;
        m_log.push_back("modeless " + m_caption + (centreOver != nullptr ? " centred" : ""));
    }

private:
    std::string m_caption;
    FactoryLog& m_log;
    bool m_window = false;
};

class RecordingViewFactory : public QViewFactory {
public:
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption, QProjectWindow* parent,
                                                        int32_t firstPage) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind /*kind*/, QNodeMediator& /*mediator*/,
                                                      uint16_t /*scanKind*/) override {
        return nullptr;
    }
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

    FactoryLog log;
};

// A form view whose target records the messages posted to it (delivered when the test pumps its
// thread), with the project tests' scan-data list and a plain parent window.
class RecordingFormView : public QProjectFormView {
public:
    explicit RecordingFormView(MessageThread& thread) : target(thread), m_parent(thread) {}

    MessageTarget& GetMessageTarget() override { return target; }
    QProjectWindow* GetParentWindow() override { return &m_parent; }
    QScanDataList* GetScanDataList() override { return &list; }
    QViewFactory* GetViewFactory() override { return &factory; }
    void AddSpectralScanDataToList(CSpectralScanData&, bool, bool, QNodeMediator&) override {}
    void AddSpatialScanDataToList(CSpatialScanData&, bool, bool, QNodeMediator&) override {}
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData&, bool, QNodeMediator&) override {}
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData&, bool, QNodeMediator&) override {}

    test::FakeScanDataList list;
    RecordingViewFactory factory;
    test::RecordingTarget target;

private:
    test::FakeProjectWindow m_parent;
};

// Makes a mediator the scanning one without a worker (the host makes none).
class NoWorkerScanHost : public QScanThreadHost {
public:
    NoWorkerScanHost();
    ~NoWorkerScanHost() override;
    Event& GetScanEvent() override { return *m_event; }
    std::unique_ptr<QScanThread> CreateScanThread(int32_t, Event&, int64_t, QNodeMediator&) override {
        return nullptr;
    }

private:
    std::unique_ptr<Event> m_event;
};

// A private folder with a repository (remembered in a private settings store) and the prompt
// replaced by a scripted one, for the life of the object.
class ProjectSandbox {
public:
    explicit ProjectSandbox(const std::string& name);
    ~ProjectSandbox();
    ProjectSandbox(const ProjectSandbox&) = delete;
    ProjectSandbox& operator=(const ProjectSandbox&) = delete;

    const std::string& Folder() const { return m_folder; }
    const std::string& Repository() const { return m_repository; }
    ScriptedPrompt& Prompt() { return *m_prompt; }

    // A project container on the real factory and project file.
    std::unique_ptr<TfrmMainApp> MakeApp(QMainFrame& frame, MessageThread& thread, bool noPreferences);
    // What a project container is made with: the real project file through the repository's storage
    // managers, and fundamental mediators on the thread.
    QNodeFactory::FundamentalMediatorMaker Maker(QMainFrame& frame, MessageThread& thread);
    std::shared_ptr<QProjectStorageManagerFactory> StorageFactory(QMainFrame& frame, MessageThread& thread);

private:
    std::string m_folder;
    std::string m_repository;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    std::unique_ptr<ScopedPromptInstall> m_promptInstall;
    std::unique_ptr<QMediatorProjectFileModel> m_model;
};

} // namespace orv::testing
