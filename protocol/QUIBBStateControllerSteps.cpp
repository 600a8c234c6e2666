// The steps that prepare the engine conversation: connecting the channels, detecting the engine
// version and the scanner, and loading the analyser driver, each with its acknowledgement.

#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/channels/QChannelThread.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace orv {

namespace {

std::string VersionText(int32_t value) {
    return FormatC("%d.%d.%d", value / 1000000, (value % 1000000) / 1000, value % 1000);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool QUIBBStateController::SendCommand(const QCommand& command) {
    QCommLayer* layer = Layer();
    if (layer == nullptr) {
        return false;
    }
    try {
        return layer->SendCommand(command);
    } catch (const std::exception& error) {
        AddInformationMessage(1, std::string("A command could not be sent: ") + error.what());
    }
    return false;
}

bool QUIBBStateController::SendStepCommand(const QCommand& command, int32_t state) {
    // The step's wait cursor and state are in place before the command goes: the engine runs in
    // this process and its acknowledgement may come before the send returns. A command that was
    // not sent leaves both as they were.
    std::unique_ptr<QWaitCursor> cursor = std::make_unique<QWaitCursor>();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        std::swap(cursor, m_pWaitCursor);
    }
    const int32_t previous = m_nState.exchange(state);
    if (SendCommand(command)) {
        return true;
    }
    int32_t expected = state;
    m_nState.compare_exchange_strong(expected, previous);
    std::lock_guard<std::mutex> lock(m_lock);
    std::swap(cursor, m_pWaitCursor);
    return false;
}

PromptAnswer QUIBBStateController::Ask(const std::string& text, const std::string& caption,
                                       PromptButtons buttons, PromptIcon icon) {
    const PromptRequest request{text, caption, buttons, icon};
    // The acknowledgements run on the command channel's thread: its stop (a reset of the channels,
    // the layer going) answers the box, so the thread can be joined.
    std::stop_token stop = QChannelThread::CurrentStopToken();
    if (!stop.stop_possible()) {
        QCommLayer* layer = Layer();
        if (layer == nullptr) {
            return ShowPrompt(request);
        }
        stop = layer->GetStoppingToken();
    }
    return ShowPrompt(request, stop, DismissAnswer(buttons));
}

bool QUIBBStateController::ShowBoxAndCheckState(const std::string& text, const std::string& caption,
                                                PromptButtons buttons, PromptIcon icon,
                                                PromptAnswer& answer) {
    const int32_t before = m_nState.load();
    answer = Ask(text, caption, buttons, icon);
    return m_nState.load() != before;
}

bool QUIBBStateController::CreateDriverConnection() {
    QCommLayer* layer = Layer();
    if (layer == nullptr) {
        m_nState.store(kIdle);
        AddInformationMessage(1, "Failed in creating the connection to driver.");
        return false;
    }
    layer->ConnectCommandChannel("127.0.0.1", 5005);
    layer->ConnectDataChannel("127.0.0.1", 6006);
    ReplaceWaitCursor();
    layer->ResetChannels();
    if (layer->StartDataChannel() && layer->StartCommandChannel()) {
        return true;
    }
    m_nState.store(kIdle);
    AddInformationMessage(1, "Failed in creating the connection to driver.");
    return false;
}

// ---- engine version ----

void QUIBBStateController::DetectEngineVersion(uint8_t runFlag) {
    m_bRunAfterEngineVersion.store(runFlag);
    AddInformationMessage(1, "Trying to detect the scan engine version.");
    SendStepCommand(QScanningEngineVersionCheckCommand(), kDetectingEngineVersion);
}

void QUIBBStateController::ScanningEngineVersionCheckCommandAck(QScanningEngineVersionCheckCommand& reply) {
    DropWaitCursor();
    QCommLayer* layer = Layer();
    const bool run = m_bRunAfterEngineVersion.load() != 0;
    std::string version;
    std::string eid;
    std::string firmware;
    if (reply.GetStatus() == 100) {
        version = VersionText(reply.GetVersion());
        eid = FormatC("%d", reply.GetAdaptorEid());
        firmware = VersionText(reply.GetFirmwareVersion());
        if (reply.GetVersion() == -1) {
            AddInformationMessage(1, FormatC("Error in reading the scanner's version !  %s,  %s",
                                             version.c_str(), eid.c_str()));
            if (layer != nullptr) {
                layer->ClearCommandQueue();
            }
            Ask("There are errors when reading the scanner's version. Please try again!", "Reminder ",
                PromptButtons::Ok, PromptIcon::Information);
            if (!run) {
                if (CMainFrameLink* frame = m_pMainFrame.load()) {
                    frame->PostStatusText("Failed in reading the scanner's version.");
                }
            } else {
                m_nState.store(kReady);
            }
            return;
        }
        GetScannerContext().SetVersionFromString(version);
        GetScannerContext().SetIdentityTexts(eid, firmware);
        m_nState.store(kReady);
    }
    AddInformationMessage(1,
                          FormatC("Get acknowledgement for detecting the scan engine version: %s,  EID=%s,  "
                                  "FirmwareVersion=%s",
                                  version.c_str(), eid.c_str(), firmware.c_str()));
    if (run && !RunNode() && layer != nullptr) {
        layer->ClearCommandQueue();
    }
    if (layer != nullptr) {
        layer->SignalCommandEvent();
    }
}

// ---- scanner ----

void QUIBBStateController::DetectScannerId(uint8_t runFlag) {
    m_bRunAfterScanner.store(runFlag);
    AddInformationMessage(1, "Trying to detect the scanner ID...");
    SendStepCommand(QQueryScanHeadCommand(), kDetectingScanner);
}

void QUIBBStateController::QueryScanHeadCommandAck(QQueryScanHeadCommand& reply) {
    DropWaitCursor();
    QCommLayer* layer = Layer();
    const bool run = m_bRunAfterScanner.load() != 0;
    int32_t id = reply.GetScanHeadId();
    if (CMainFrameLink* frame = m_pMainFrame.load()) {
        frame->SetScannerId(id);
    }
    const QManagerImpl<QScanHeadInfo>& heads = GetScanHeadInfoManager();
    if (const QScanHeadInfo* head = heads.Find(id)) {
        AddInformationMessage(
            1, FormatC("Scanner Info: Row: %d,   Col: %d;   Min Freq = %-10.4f(MHz),  Max Freq = "
                       "%-10.4f(MHz) ",
                       head->m_rowCount, head->m_columnCount, static_cast<double>(head->m_minFrequency),
                       static_cast<double>(head->m_maxFrequency)));
    } else {
        AddInformationMessage(1, FormatC("can't find the Scanner Info with the scanner ID = %d", id));
    }
    AddInformationMessage(1, FormatC("Get acknowledgement for detecting the scanner;  ID: %d,   Name: '%s'",
                                     id, heads.GetName(id).c_str()));

    std::string question;
    if (id != -1 && !heads.Contains(id)) {
        id = heads.GetDefaultID();
        {
            std::lock_guard<std::mutex> lock(GetLock());
            m_AnalyzerOptions.SetScannerId(id);
        }
        GetScannerContext().SetScannerId(id);
        question = "Error#365: Unknown scanner module detected.  Using \"" + heads.GetName(id) +
                   "\" scanner module.Would you like to continue the scan?";
    }
    const std::string name = heads.GetName(id);
    if (EqualsNoCase(name, "Generic")) {
        AddInformationMessage(1, "No correct scanner ID is detected.");
        const QSystemMessage* message = GetSystemMessageManager().Find(255);
        Ask(message != nullptr ? message->m_name : std::string("No correct scanner ID is detected."),
            "Reminder ", PromptButtons::Ok, PromptIcon::Information);
        m_nState.store(kReady);
        AddInformationMessage(1, "The scan is terminated.\n");
        return;
    }
    if (name.find("Virtual") != std::string::npos) {
        Ask("Error#365: Unknown scanner module detected.  Using ", "Reminder ", PromptButtons::Ok,
            PromptIcon::Information);
    }
    if (!question.empty()) {
        PromptAnswer answer = PromptAnswer::No;
        if (ShowBoxAndCheckState(question, "Unknown Scanner Module", PromptButtons::YesNo,
                                 PromptIcon::Question, answer)) {
            return;
        }
        if (answer != PromptAnswer::Yes) {
            m_nState.store(kReady);
            if (layer != nullptr) {
                layer->SignalCommandEvent();
            }
            return;
        }
    }
    {
        std::lock_guard<std::mutex> lock(GetLock());
        const QScanHeadInfo* head = heads.Find(id);
        m_pScanHeadInfo = head != nullptr ? std::optional<QScanHeadInfo>(*head) : std::nullopt;
    }
    if (!run) {
        if (layer != nullptr) {
            layer->SignalCommandEvent();
        }
        if (GetInstrumentInfo().IsAnalyzerDriverSet()) {
            m_nState.store(kReady);
        }
        return;
    }
    if (id == -1) {
        PromptAnswer answer = PromptAnswer::Ok;
        if (!ShowBoxAndCheckState("No scanner module is currently attached.", "Error ", PromptButtons::Ok,
                                  PromptIcon::Warning, answer)) {
            m_nState.store(kReady);
        }
        return;
    }
    SendNextPass();
}

// ---- analyser driver ----

bool QUIBBStateController::SetSpectrumAnalyzerDriver(QNodeMediator* context, int32_t driverId,
                                                     int32_t analyzerId, QSettingsPage* /*page*/) {
    _SupportedAnalyzerInfo row;
    if (!GetInstrumentInfo().FindAnalyzerByDriverID(driverId, row)) {
        return false;
    }
    AddInformationMessage(1, FormatC("Trying to set the spectrum analyzer:  %s.", row.m_DisplayName.c_str()));
    SetRunMediator(context);
    m_RequestedDriverId.store(driverId);
    // Cleared before the command goes: the engine's reply may come before the send returns.
    const uint8_t received = m_bDriverReplyReceived.exchange(0);
    m_bDriverStepPending.store(1);
    const bool sent = SendCommand(QSetSpectrumAnalyzerDriverCommand(driverId, analyzerId));
    if (!sent) {
        m_bDriverStepPending.store(0);
        m_bDriverReplyReceived.store(received);
    }
    return sent;
}

void QUIBBStateController::SetSpectrumAnalyzerDriverCommandAck(QSetSpectrumAnalyzerDriverCommand& reply) {
    // A reply naming another driver than the one asked for is a refusal, whatever its status words
    // (the engine names the driver it kept, or -1).
    const bool loaded =
        reply.GetError() == 0 && reply.GetStatus() == 0 && reply.GetDriverId() == m_RequestedDriverId.load();
    {
        std::lock_guard<std::mutex> lock(GetLock());
        m_AnalyzerOptions.SetCalibrated(false);
        if (loaded) {
            m_AnalyzerOptions.SetLoadedDriver(reply.GetDriverId(), reply.GetAnalyzerId());
        } else {
            m_AnalyzerOptions.ClearLoadedDriver();
        }
    }
    if (loaded) {
        m_nState.store(kReady);
    }
    m_bDriverReplyReceived.store(1);
    m_bDriverStepPending.store(0);
    if (CMainFrameLink* frame = m_pMainFrame.load()) {
        frame->PostStatusText(std::string());
    }
    if (QCommLayer* layer = Layer()) {
        layer->SignalCommandEvent();
    }
}

} // namespace orv
