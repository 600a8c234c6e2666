#pragma once

// The frame of one project window: the project's form view in the middle, the project pane (tree
// over list) docked on the left, and a tool bar with Connect, Disconnect, Run and Stop. It carries
// the project id and the run state, and handles the project window's commands.
//
// User-interface thread only.

#include "app/CProjectDocument.h"
#include "app/controls/CCommandTarget.h"
#include "platform/msg/MessageTarget.h"
#include "project/QProjectWindow.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CHalvionDoc;
class CHalvionView;
class CMainToolBar;
class CProjectView;
class CProjectWindows;
class QScanEngineLink;
class TfrmMainApp;

namespace ProjectCommand {
inline constexpr uint32_t kRun = 1010;
inline constexpr uint32_t kStop = 1011;
inline constexpr uint32_t kConnect = 1013;
inline constexpr uint32_t kDisconnect = 1014;
inline constexpr uint32_t kProperties = 32779;
inline constexpr uint32_t kDeleteNode = 32812;
inline constexpr uint32_t kSettings = 32817;
inline constexpr uint32_t kDeleteScanData = 32829;
inline constexpr uint32_t kPreferences = 32861;
inline constexpr uint32_t kStitch = 33010;
inline constexpr uint32_t kSave = 57603;
inline constexpr uint32_t kSaveAs = 57604;
} // namespace ProjectCommand

class CChildFrame : public QMainWindow,
                    public QProjectWindow,
                    public CCommandTarget,
                    public CProjectDocumentWindow {
public:
    static constexpr int32_t kDisconnected = 0;
    static constexpr int32_t kConnecting = 1;
    static constexpr int32_t kConnectedIdle = 2;
    static constexpr int32_t kScanning = 3;
    static constexpr const char* kScanRunningText = "The scan is in progress, stop the scan first!";

    // `path` null: a new project.
    CChildFrame(CProjectWindows& windows, uint32_t projectId, const std::string* path);
    ~CChildFrame() override;

    uint32_t GetProjectId() const override { return m_projectId; }
    int32_t GetRunState() const { return m_runState; }
    // A run ended.
    void SetIdleState() { m_runState = kConnectedIdle; }
    std::string GetActiveDocumentTitle() const;

    CHalvionDoc& GetDocument() const { return *m_document; }
    CHalvionView* GetView() const { return m_view; }
    CProjectView* GetProjectPane() const { return m_pane; }
    bool IsPaneCreated() const { return m_paneCreated; }
    CMainToolBar* GetToolBar() const { return m_toolBar; }
    TfrmMainApp* GetProject() const { return m_project; }
    void SetProject(TfrmMainApp* project, QScanEngineLink* controller);
    CProjectWindows& GetWindows() const { return m_windows; }

    void UpdateTitle();
    void Activate();
    // Closes without the save question (a project that failed to load, the blank start-up project).
    void CloseWithoutAsking();
    // Frees the project and deletes the window at once.
    void DestroyWithoutAsking();

    // --- CProjectDocumentWindow, as the main frame walks its project windows ---
    bool HasActiveDocument() const override { return m_view != nullptr; }
    bool SaveModified() override;
    void SetModifiedFlag(bool modified) override;
    std::string GetPathName() const override;

    // --- QProjectWindow ---
    MessageTarget& GetMessageTarget() override { return m_target; }

    // --- CCommandTarget ---
    bool OnCommand(uint32_t commandId) override;
    std::optional<bool> IsCommandEnabled(uint32_t commandId) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Target : public MessageTarget {
    public:
        using MessageTarget::MessageTarget;

    protected:
        int64_t HandleMessage(Message& /*message*/) override { return 0; }
    };

    int32_t ControllerState() const;
    void CreatePane();
    void ConfirmDeleteNode();
    void ConfirmDeleteScanData();
    void OpenPreferences();
    void ReleaseProject();

    CProjectWindows& m_windows;
    uint32_t m_projectId;
    int32_t m_runState = kDisconnected;
    std::unique_ptr<CHalvionDoc> m_document;
    CHalvionView* m_view = nullptr;
    CProjectView* m_pane = nullptr;
    CMainToolBar* m_toolBar = nullptr;
    TfrmMainApp* m_project = nullptr;
    QScanEngineLink* m_controller = nullptr;
    bool m_firstShow = true;
    bool m_paneCreated = false;
    bool m_askBeforeClosing = true;
    Target m_target;
};

} // namespace orv
