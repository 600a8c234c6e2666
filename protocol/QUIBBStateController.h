#pragma once

// The one object that walks every engine conversation through its steps: the engine connection,
// the engine-version and scanner detection, the analyser driver, the set-up, go, progress, stop and
// the end of a scan. Every step sends one command through the communication layer and records the
// step in the workflow state; the matching reply (on the layer's command thread) or notification
// (on the user-interface thread, through the controller's message target) takes the next step.
//
// Threads: the steps run on the layer's queue worker, the acknowledgements on its command thread,
// the notification handlers on the user-interface thread. The state, the flags and the pass
// fields are atomics; the mediator pointers and the wait cursor sit behind the controller's lock,
// which is never held while a prompt shows or a command is sent.

#include "core/QAnalyzerOptions.h"
#include "core/QScanHeadInfo.h"
#include "engine/CSecondPassSource.h"
#include "platform/msg/MessageTarget.h"
#include "platform/sync/Event.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "project/QScanThread.h"
#include "protocol/QCommLayerController.h"
#include "scandata/QSetupScanCommand.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace orv {

class CMainFrameLink;
class QCommLayer;
class QCommand;

// One count of the program's busy cursor for its life.
class QWaitCursor {
public:
    QWaitCursor();
    ~QWaitCursor();
    QWaitCursor(const QWaitCursor&) = delete;
    QWaitCursor& operator=(const QWaitCursor&) = delete;
};

// One pass of a run: the set-up command, the node it belongs to, whether it is a pass of an
// interleaved spatial scan and which of its two passes.
struct _SetupScanCommandInfo {
    QSetupScanCommand m_SetupScan;
    QNodeMediator* m_pMediator = nullptr;
    uint8_t m_Flag = 0;
    uint8_t m_Interleaved = 0;
    uint32_t m_PassNumber = 0;
};

// One cell of a hand-held probe run: row, column and the value measured there.
struct _HandheldProbeCell {
    int16_t m_Row = 0;
    int16_t m_Column = 0;
    float m_Value = 0.0F;
};

// The cells a hand-held probe run fills; emptied when the controller goes.
class HandheldProbeCellTable {
public:
    void Add(const _HandheldProbeCell& cell);
    std::vector<_HandheldProbeCell> Cells() const;
    std::size_t Count() const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<_HandheldProbeCell> m_cells;
};
HandheldProbeCellTable& GetHandheldProbeCells();

// Whether the pass the engine is about to run is the second pass of an interleaved spatial scan:
// the interleaved-pass flag and the pass number of the controller's current set-up. The engine's
// scan thread reads it; the controller writes it whenever its current set-up changes.
class QSecondPassState final : public CSecondPassSource {
public:
    bool GetSecondPassFlag() const override { return m_interleavedPass.load() == 1; }
    int32_t GetSecondPassValue() const override { return static_cast<int32_t>(m_passNumber.load()); }
    void Set(uint8_t interleavedPass, uint32_t passNumber) {
        m_interleavedPass.store(interleavedPass);
        m_passNumber.store(passNumber);
    }

private:
    std::atomic<uint8_t> m_interleavedPass{0};
    std::atomic<uint32_t> m_passNumber{0};
};

class QUIBBStateController : public QCommLayerController, public QScanThreadHost {
public:
    // Workflow states.
    static constexpr int32_t kIdle = 0;
    static constexpr int32_t kConnecting = 1;
    static constexpr int32_t kReady = 2;
    static constexpr int32_t kSettingUp = 3;
    static constexpr int32_t kDetectingScanner = 7;
    static constexpr int32_t kDetectingEngineVersion = 8;
    static constexpr int32_t kScanning = 12;
    static constexpr int32_t kScanError = 13;
    static constexpr int32_t kStopping = 14;
    static constexpr int32_t kStopped = 15;

    // The notification target's messages.
    static constexpr uint32_t kMsgScanError = 33172;
    static constexpr uint32_t kMsgScanFinished = 33173;
    static constexpr uint32_t kMsgScanProgress = 33176;
    static constexpr uint32_t kMsgScanProgressIndicator = 33177;
    // The pass node's earlier scans and spatial sub-nodes go before its new scan makes new ones.
    static constexpr uint32_t kMsgClearSpatialSubNodes = 33178;

    static constexpr std::chrono::milliseconds kStopPause{500};
    // Between the set-up's acknowledgement and the go.
    static constexpr std::chrono::milliseconds kGoPause{200};

    // Scan-status codes the run shows on the main frame.
    static constexpr int32_t kStatusScanCompleted = -1;
    static constexpr int32_t kStatusScanStarted = -2;
    static constexpr int32_t kStatusScanAborted = -3;
    static constexpr int32_t kStatusScanTerminated = -4;
    static constexpr int32_t kStatusAnalyzerBeingSet = -5;
    static constexpr int32_t kStatusSetupFailed = -6;
    static constexpr int32_t kStatusSetupAborted = -7;

    // The user command that runs a node (IsCommandAllowed).
    static constexpr uint32_t kCommandRun = 2;

    // Sounds of the run.
    static constexpr int32_t kSoundSetup = 375;
    static constexpr int32_t kSoundScanEnd = 376;

    // `uiThread` is the user-interface thread's queue: the notification target lives there. The
    // controller registers itself as the one GetInstance answers.
    explicit QUIBBStateController(MessageThread& uiThread);
    ~QUIBBStateController() override;
    QUIBBStateController(const QUIBBStateController&) = delete;
    QUIBBStateController& operator=(const QUIBBStateController&) = delete;

    // The program's controller, or null before the main frame made it (it needs the user-interface
    // thread's queue, so it is never made here).
    static QUIBBStateController* GetInstance();

    void AttachCommLayer(QCommLayer* layer);
    void SetMainFrame(CMainFrameLink* frame) { m_pMainFrame.store(frame); }

    // The code of the last scan error the notification target received.
    static int32_t GetGlobalScanErrorCode();

    // Workflow.
    void SetState(int32_t state) override;
    int32_t GetState() const override { return m_nState.load(); }
    bool IsCommandAllowed(uint32_t command) const;
    // The states in which a run may be using the project's nodes (detection, set-up, scan, scan
    // error, stop): no project window closes, the program does not quit and no node is deleted.
    // Ready, idle and stopped are not among them, nor connecting (which touches no node).
    static bool IsRunState(int32_t state) {
        return state == kSettingUp || state == kDetectingScanner || state == kDetectingEngineVersion ||
               state == kScanning || state == kScanError || state == kStopping;
    }
    void EndWorkflow(uint32_t reason) override;
    void DestroyDriverConnection();
    // Forgets a mediator that goes away, so that no late message reaches it.
    void ForgetMediator(QNodeMediator* mediator);
    void SetPassMediator(QNodeMediator* mediator);
    void SetRunMediator(QNodeMediator* mediator);
    // True while the engine connection's wait cursor is up, and from the moment an analyser driver
    // is asked for until the engine's reply (or the workflow's end): the settings sheets show the
    // wait cursor meanwhile.
    bool HasWaitCursor() const;

    // Connection, detection and the analyser driver.
    bool CreateDriverConnection();
    void DetectEngineVersion(uint8_t runFlag) override;
    void DetectScannerId(uint8_t runFlag) override;
    bool SetSpectrumAnalyzerDriver(QNodeMediator* context, int32_t driverId, int32_t analyzerId,
                                   QSettingsPage* page) override;
    void ScanningEngineVersionCheckCommandAck(QScanningEngineVersionCheckCommand& reply) override;
    void QueryScanHeadCommandAck(QQueryScanHeadCommand& reply) override;
    void SetSpectrumAnalyzerDriverCommandAck(QSetSpectrumAnalyzerDriverCommand& reply) override;
    bool IsDriverReplyReceived() const { return m_bDriverReplyReceived.load() != 0; }
    // False when the layer reports the command not sent (or none is attached).
    bool SendCommand(const QCommand& command);
    QAnalyzerOptions GetAnalyzerOptions() const;
    // The set-up command last sent to the engine, as the run keeps it; it also answers the engine's
    // second-pass question.
    void SetCurrentSetupScan(const QSetupScanCommand& setup);
    QSetupScanCommand GetCurrentSetupScan() const;
    // Shared with the engine, which may read it after the controller is gone.
    std::shared_ptr<const CSecondPassSource> GetSecondPassSource() const { return m_secondPass; }

    // A copy of the detected scanner's scan-head record; none when the registry had none.
    std::optional<QScanHeadInfo> GetScanHeadInfo() const;

    void SetManualDriver(int32_t analyzerId) override;

    // Scan data and notifications.
    bool IsStopRequested() const override { return m_bStopRequested.load() != 0; }
    void SetStopRequested(bool on) { m_bStopRequested.store(on ? 1 : 0); }
    bool IsContinuous() const override { return m_bContinuous.load() != 0; }
    void SetContinuous(bool on) { m_bContinuous.store(on ? 1 : 0); }
    MessageTarget* GetNotificationTarget() override { return &m_target; }
    void PostScanFinished();
    // Posted: the data worker never waits for the user-interface thread.
    void SendScanError(int32_t code);
    void SendScanProgressIndicator(std::unique_ptr<QScanProgressIndicator> packet,
                                   std::stop_token stop) override;

    // ---- the run of a scan ----

    // Starts a run of the node (user-interface thread): the pre-flight checks and the set-up list,
    // then the engine version and the scanner, whose acknowledgements continue it. False when the
    // checks refused it.
    bool RunScan(QNodeMediator& mediator, uint8_t continuous);
    // Queues the stop of a scanning run; false when the run was not scanning.
    bool StopScan();
    void SendSetupScan(uint8_t flag) override;
    void SendGo(uint8_t flag) override;
    void SendStop(uint8_t flag) override;
    void SetupScanCommandAck(QSetupScanCommand& reply) override;
    void GoCommandAck(QGoCommand& reply) override;
    void StopCommandAck(QStopCommand& reply) override;
    void CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& reply) override;
    void ResetCommandAck(QResetSpectrumAnalyzerCommand& reply) override;
    void CalibrationStopCommandAck(QStopCalibrationCommand& reply) override;
    // True when the engine kept what was asked for that it has to keep.
    static bool CompareSetupWithReply(const QSetupScanCommand& sent, const QSetupScanCommand& reply);

    // QScanThreadHost: the layer's data event and the node's data worker.
    Event& GetScanEvent() override;
    std::unique_ptr<QScanThread> CreateScanThread(int32_t value, Event& scanEvent, int64_t argument,
                                                  QNodeMediator& mediator) override;

    // ---- the set-up list ----

    // The pre-flight checks of the node and its passes appended to `list`; every refusal shows its
    // box and answers false, leaving what was already appended.
    bool CheckAndBuildSetupList(QNodeMediator& mediator, std::vector<_SetupScanCommandInfo>& list);
    static std::size_t AddSetupEntry(std::vector<_SetupScanCommandInfo>& list,
                                     const _SetupScanCommandInfo& entry);
    // The passes of the spatial sub-nodes a spectral/spatial scan made, appended to the run's list.
    void BuildSubNodeSetupList(QNodeMediator& mediator);
    std::size_t GetSetupListSize() const;

protected:
    // The run's continuation after the engine-version acknowledgement; false when it cannot go on.
    virtual bool RunNode();
    // Takes the next set-up list entry and queues its set-up; false when the user cancelled it.
    virtual bool SendNextPass();
    // 33173 and 33177 on the user-interface thread; the handler takes the report's packet.
    virtual void ScanFinished();
    virtual void ShowScanProgress(std::unique_ptr<QScanProgressIndicator> packet, int64_t code);

    std::mutex& GetLock() const { return m_lock; }
    std::vector<_SetupScanCommandInfo>& GetSetupList() { return m_aSetupList; }

private:
    class NotificationTarget final : public MessageTarget {
    public:
        NotificationTarget(MessageThread& thread, QUIBBStateController& owner)
            : MessageTarget(thread), m_owner(owner) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        QUIBBStateController& m_owner;
    };

    void OnScanError(int32_t code);
    void ClearSpatialSubNodes();
    static bool MakesSpatialSubNodes(QNodeMediator& node);
    void TransferSetupToContainer(const QSetupScanCommand& setup);
    // A set-up or go that could not be sent ends the run as a failed set-up.
    void FailRun(const std::string& logLine);
    void ShowScanStatus(int32_t code);
    void PostStatusText(const std::string& text);
    static void ResetGlobalScanErrorCode();
    void OnScanProgress(uint64_t received, int64_t expected);
    void ReplaceWaitCursor();
    // Sends a step's command with the step's wait cursor and state; false when it was not sent.
    bool SendStepCommand(const QCommand& command, int32_t state);
    void DropWaitCursor();
    QCommLayer* Layer() const { return m_pCommLayer.load(); }
    // The mediator a slot names, pinned under the lock; empty when the slot is.
    QNodeMediator::Pin PinOf(QNodeMediator* const& slot) const;
    // Shows the box; true when the state changed while it was open.
    bool ShowBoxAndCheckState(const std::string& text, const std::string& caption, PromptButtons buttons,
                              PromptIcon icon, PromptAnswer& answer);
    // A box of the controller's own; ended by the layer's stop.
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon);

    // Mediator pointers, wait cursor, analyser options, set-up list. Off the user-interface thread
    // (where mediators go) a mediator is used only through a pin taken under this lock.
    mutable std::mutex m_lock;
    std::mutex m_goStopOrderLock; // the scanning state with the go it queues, against Stop Scan
    std::unique_ptr<QWaitCursor> m_pWaitCursor;
    std::atomic<uint8_t> m_bRunAfterEngineVersion{0};
    std::atomic<uint8_t> m_bRunAfterScanner{0};
    QAnalyzerOptions m_AnalyzerOptions;
    std::optional<QScanHeadInfo> m_pScanHeadInfo;
    QNodeMediator* m_pPassMediator = nullptr;
    std::vector<_SetupScanCommandInfo> m_aSetupList;
    std::atomic<uint8_t> m_bStopRequested{0};
    std::atomic<QCommLayer*> m_pCommLayer{nullptr};
    QNodeMediator* m_pRunMediator = nullptr;
    std::atomic<uint8_t> m_bContinuous{0};
    QNodeMediator* m_pRequestMediator = nullptr;
    QSetupScanCommand m_SetupScan;
    std::atomic<int32_t> m_nState{kIdle};
    std::atomic<uint8_t> m_bDriverReplyReceived{0};
    // Set while a set-driver command waits for its reply.
    std::atomic<uint8_t> m_bDriverStepPending{0};
    // Set when a step of the run could not be sent: the scan end that follows ends it quietly.
    std::atomic<uint8_t> m_bRunFailed{0};
    // Set when the workflow was ended during a scan: its scan end keeps the state that the end
    // gives (stopped), where a scan end of its own makes it ready.
    std::atomic<uint8_t> m_bWorkflowEnded{0};
    Event m_spareScanEvent;
    std::atomic<int32_t> m_RequestedDriverId{-1};
    std::atomic<CMainFrameLink*> m_pMainFrame{nullptr};
    std::shared_ptr<QSecondPassState> m_secondPass = std::make_shared<QSecondPassState>();
    NotificationTarget m_target;
};

} // namespace orv
