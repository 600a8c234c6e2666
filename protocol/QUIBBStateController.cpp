#include "protocol/QUIBBStateController.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/WaitCursor.h"
#include "project/QNodeMediator.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "scandata/QScanProgressIndicator.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace orv {

namespace {

std::atomic<QUIBBStateController*> g_instance{nullptr};
std::atomic<int32_t> g_scanErrorCode{0};

} // namespace

// ---- small holders ----

QWaitCursor::QWaitCursor() {
    BeginWaitCursor();
}

QWaitCursor::~QWaitCursor() {
    EndWaitCursor();
}

void HandheldProbeCellTable::Add(const _HandheldProbeCell& cell) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_cells.push_back(cell);
}

std::vector<_HandheldProbeCell> HandheldProbeCellTable::Cells() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_cells;
}

std::size_t HandheldProbeCellTable::Count() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_cells.size();
}

void HandheldProbeCellTable::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<_HandheldProbeCell>().swap(m_cells);
}

HandheldProbeCellTable& GetHandheldProbeCells() {
    static HandheldProbeCellTable table;
    return table;
}

// ---- life ----

QUIBBStateController::QUIBBStateController(MessageThread& uiThread) : m_target(uiThread, *this) {
    g_instance.store(this);
    // A node that goes is forgotten, so that no late message of the run reaches it.
    QNodeMediator::SetDestroyedHook([this](QNodeMediator* mediator) { ForgetMediator(mediator); });
}

QUIBBStateController::~QUIBBStateController() {
    QUIBBStateController* self = this;
    if (g_instance.compare_exchange_strong(self, nullptr)) {
        QNodeMediator::SetDestroyedHook({});
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pWaitCursor.reset();
        m_aSetupList.clear();
    }
    GetHandheldProbeCells().Clear();
}

QUIBBStateController* QUIBBStateController::GetInstance() {
    return g_instance.load();
}

int32_t QUIBBStateController::GetGlobalScanErrorCode() {
    return g_scanErrorCode.load();
}

void QUIBBStateController::ResetGlobalScanErrorCode() {
    g_scanErrorCode.store(0);
}

void QUIBBStateController::AttachCommLayer(QCommLayer* layer) {
    m_pCommLayer.store(layer);
}

// ---- workflow ----

void QUIBBStateController::SetState(int32_t state) {
    m_nState.store(state);
}

bool QUIBBStateController::IsCommandAllowed(uint32_t command) const {
    const int32_t state = m_nState.load();
    switch (command) {
    case 0:
        return state == kIdle;
    case 1:
        return state != kIdle;
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
        return state == kReady;
    case 3:
        return state == kScanning;
    default:
        return false;
    }
}

void QUIBBStateController::ReplaceWaitCursor() {
    auto cursor = std::make_unique<QWaitCursor>();
    std::unique_ptr<QWaitCursor> previous;
    std::lock_guard<std::mutex> lock(m_lock);
    previous = std::move(m_pWaitCursor);
    m_pWaitCursor = std::move(cursor);
}

void QUIBBStateController::DropWaitCursor() {
    std::unique_ptr<QWaitCursor> previous;
    std::lock_guard<std::mutex> lock(m_lock);
    previous = std::move(m_pWaitCursor);
}

bool QUIBBStateController::HasWaitCursor() const {
    if (m_bDriverStepPending.load() != 0) {
        return true;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pWaitCursor != nullptr;
}

void QUIBBStateController::SetPassMediator(QNodeMediator* mediator) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pPassMediator = mediator;
}

void QUIBBStateController::SetRunMediator(QNodeMediator* mediator) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pRunMediator = mediator;
}

void QUIBBStateController::ForgetMediator(QNodeMediator* mediator) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pPassMediator == mediator) {
        m_pPassMediator = nullptr;
    }
    if (m_pRunMediator == mediator) {
        m_pRunMediator = nullptr;
    }
    if (m_pRequestMediator == mediator) {
        m_pRequestMediator = nullptr;
    }
    m_aSetupList.erase(std::remove_if(m_aSetupList.begin(), m_aSetupList.end(),
                                      [mediator](const _SetupScanCommandInfo& entry) {
                                          return entry.m_pMediator == mediator;
                                      }),
                       m_aSetupList.end());
}

QNodeMediator::Pin QUIBBStateController::PinOf(QNodeMediator* const& slot) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return QNodeMediator::Pin(slot);
}

void QUIBBStateController::EndWorkflow(uint32_t /*reason*/) {
    // A driver's reply that has not come by now never will.
    m_bDriverStepPending.store(0);
    QCommLayer* layer = Layer();
    int32_t state = m_nState.load();
    if (state == kIdle || state == kStopped) {
        return;
    }
    if (state == kScanning || state == kScanError || state == kStopping) {
        // The run is over: the scan end that the stopped worker posts starts no further pass and
        // leaves the state to this end.
        m_bWorkflowEnded.store(1);
        m_bStopRequested.store(1);
    }
    if (state == kScanning && StopScan()) {
        ClockSleep(kStopPause);
        // The worker runs on the pass's node: a spatial sub-node or a scripting child has its own,
        // and one left running would take the next run's data off the layer's queue.
        bool stopped = false;
        for (QNodeMediator* const* slot : {&m_pPassMediator, &m_pRunMediator}) {
            const QNodeMediator::Pin node = PinOf(*slot);
            if (node && node->HasScanThread()) {
                node->SignalEvent();
                stopped = true;
                break;
            }
        }
        if (!stopped) {
            m_nState.store(kIdle);
        }
    }
    if (layer != nullptr) {
        // On the command thread (a scan error reply) this only marks that channel to end.
        layer->ResetChannels();
    }
    state = m_nState.load();
    if (state == kConnecting || state == kReady || state == kSettingUp || state == kDetectingEngineVersion) {
        m_nState.store(kIdle);
    } else if (state == kScanning || state == kScanError || state == kStopping) {
        m_nState.store(kStopped);
    }
}

void QUIBBStateController::DestroyDriverConnection() {
    AddInformationMessage(1, "Destroy the connection to driver in project:  ");
    const int32_t state = m_nState.load();
    if (state != kIdle && state != kStopped) {
        EndWorkflow(0);
    }
}

void QUIBBStateController::SetManualDriver(int32_t analyzerId) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_AnalyzerOptions.SetManualDriver(analyzerId);
}

QAnalyzerOptions QUIBBStateController::GetAnalyzerOptions() const {
    QAnalyzerOptions copy;
    std::lock_guard<std::mutex> lock(m_lock);
    copy.CopyFrom(m_AnalyzerOptions);
    return copy;
}

void QUIBBStateController::SetCurrentSetupScan(const QSetupScanCommand& setup) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_SetupScan = setup;
    m_secondPass->Set(setup.GetInterleavedPass(), setup.GetPassNumber());
}

QSetupScanCommand QUIBBStateController::GetCurrentSetupScan() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_SetupScan;
}

std::optional<QScanHeadInfo> QUIBBStateController::GetScanHeadInfo() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pScanHeadInfo;
}

// ---- notifications ----

int64_t QUIBBStateController::NotificationTarget::HandleMessage(Message& message) {
    switch (message.id) {
    case kMsgScanError:
        m_owner.OnScanError(static_cast<int32_t>(message.lParam));
        break;
    case kMsgScanFinished:
        m_owner.ScanFinished();
        break;
    case kMsgClearSpatialSubNodes:
        m_owner.ClearSpatialSubNodes();
        break;
    case kMsgScanProgress:
        m_owner.OnScanProgress(message.wParam, message.lParam);
        break;
    case kMsgScanProgressIndicator: {
        // The sender's packet is taken over here; the message's word is the only way it travels.
        std::unique_ptr<QScanProgressIndicator> packet(
            reinterpret_cast<QScanProgressIndicator*>(message.wParam)); // NOLINT(performance-no-int-to-ptr)
        m_owner.ShowScanProgress(std::move(packet), message.lParam);
        break;
    }
    default:
        break;
    }
    return 0;
}

void QUIBBStateController::OnScanError(int32_t code) {
    QNodeMediator* pass = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        pass = m_pPassMediator;
    }
    if (pass != nullptr) {
        pass->SignalEvent();
    }
    m_nState.store(kScanError);
    g_scanErrorCode.store(code);
    if (code == 0) {
        return;
    }
    std::string text;
    if (const QSystemMessage* message = GetSystemMessageManager().Find(code)) {
        text = message->m_name;
    } else if (code >= 10000) {
        return;
    } else if (code < 1000) {
        text = " Error#308: occurred while performing the scan.";
    }
    ShowPrompt(text, "Error ", PromptButtons::Ok, PromptIcon::Warning);
}

void QUIBBStateController::OnScanProgress(uint64_t received, int64_t expected) {
    CMainFrameLink* frame = m_pMainFrame.load();
    if (frame == nullptr) {
        return;
    }
    if (expected < 0) {
        frame->ShowScanStatus(static_cast<int32_t>(expected));
    } else if (expected > 0) {
        frame->ShowScanningProgressFraction(static_cast<double>(received) / static_cast<double>(expected) *
                                            100.0);
    }
}

void QUIBBStateController::PostScanFinished() {
    m_target.Post(kMsgScanFinished, 0, 0);
}

void QUIBBStateController::SendScanError(int32_t code) {
    m_target.Post(kMsgScanError, 0, code);
}

void QUIBBStateController::SendScanProgressIndicator(std::unique_ptr<QScanProgressIndicator> packet,
                                                     std::stop_token stop) {
    QScanProgressIndicator* raw = packet.release();
    const std::optional<int64_t> answer =
        m_target.Send(kMsgScanProgressIndicator, reinterpret_cast<uint64_t>(raw), 0, std::move(stop));
    if (!answer) {
        // The handler never ran: the packet is still ours.
        delete raw;
    }
}

} // namespace orv
