#include "app/CConnectionThread.h"

#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CSAConnection.h"
#include "analyzers/CVisaConnection.h"
#include "app/CConnectionLink.h"
#include "app/CMainFrame.h"
#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "platform/ui/Prompt.h"
#include "protocol/AnalyzerPing.h"

#include <system_error>

namespace orv {

CConnectionDevices::~CConnectionDevices() = default;

bool CSetupScanConnectionDevices::ConnectScanner(eProbeType type, std::stop_token stop) {
    return m_setup.ConnectScanner(type, std::move(stop));
}

bool CSetupScanConnectionDevices::ConnectAnalyzer() {
    return m_setup.ConnectAnalyzer();
}

bool CSetupScanConnectionDevices::ReleaseAnalyzer() {
    return m_setup.ReleaseAnalyzer();
}

std::optional<std::string> CSetupScanConnectionDevices::GetAnalyzerNetworkHost() const {
    CDeviceManager* manager = m_setup.GetDeviceManager();
    if (manager == nullptr) {
        return std::nullopt;
    }
    // Under the device lock: the connection is not let go while its host is read.
    const auto devices = manager->LockDevices();
    const auto* visa = dynamic_cast<const CVisaConnection*>(manager->GetConnection());
    if (visa == nullptr || !visa->IsTcpip() || visa->GetNetworkAddress().empty()) {
        return std::nullopt;
    }
    return visa->GetNetworkAddress();
}

CConnectionThread::CConnectionThread(Context context) : m_context(std::move(context)) {}

CConnectionThread::~CConnectionThread() {
    RequestStop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CConnectionThread::Start() {
    if (m_started) {
        return false;
    }
    m_started = true;
    try {
        m_thread = std::thread([this, stop = m_stop.get_token()] {
            CMainFrame::ConnectionThreadProc(*this, stop);
            const std::lock_guard guard(m_endLock);
            m_ended = true;
            m_endChanged.notify_all();
        });
    } catch (const std::system_error&) {
        const std::lock_guard guard(m_endLock);
        m_ended = true;
        return false;
    }
    return true;
}

void CConnectionThread::RequestStop() {
    m_stop.request_stop();
}

bool CConnectionThread::JoinFor(std::chrono::milliseconds timeout) {
    if (!m_thread.joinable()) {
        return true;
    }
    std::unique_lock lock(m_endLock);
    if (!m_endChanged.wait_for(lock, timeout, [this] { return m_ended; })) {
        return false;
    }
    lock.unlock();
    m_thread.join();
    return true;
}

void CConnectionThread::Abandon() {
    if (m_thread.joinable()) {
        m_thread.detach();
    }
}

bool CConnectionThread::HasEnded() const {
    const std::lock_guard guard(m_endLock);
    return m_ended || !m_started;
}

std::string CConnectionThread::ComposeResultText(bool scannerConnected, bool analyzerConnected) {
    std::string text;
    if (scannerConnected) {
        text = "Successful in connecting to Scanner Board;  ";
        text += analyzerConnected ? "Successful in connecting to Spectrum Analyser."
                                  : "Failed in connecting to Spectrum Analyser.";
    } else {
        text = "Failed in connecting to Scanner Board;  ";
    }
    if (!scannerConnected || !analyzerConnected) {
        text += ";     Trying again......";
    }
    return text;
}

void CConnectionThread::ReportConnectionResult(CInstrumentInfo* info, CConnectionLink* link,
                                               MessageTarget* frame, bool scannerConnected,
                                               bool analyzerConnected) {
    const std::string text = ComposeResultText(scannerConnected, analyzerConnected);
    if (!(scannerConnected && analyzerConnected) && link != nullptr) {
        link->SetState(0);
    }
    if (info != nullptr) {
        info->SetStatusText(text);
    }
    if (frame != nullptr) {
        frame->Post(kStatusTextMessage);
    }
}

void CConnectionThread::PostStatus(const std::string& text) {
    m_context.info->SetStatusText(text);
    if (m_context.frame != nullptr) {
        m_context.frame->Post(kStatusTextMessage);
    }
}

bool CConnectionThread::MayReport() const {
    return !m_context.mayReport || m_context.mayReport();
}

void CConnectionThread::Loop(const std::stop_token& stop) {
    PostStatus(kDetectingText);
    if (m_context.link != nullptr) {
        m_context.link->SetState(1);
    }
    ++m_runningCount;
    while (!stop.stop_requested()) {
        Pass(stop);
        ClockSleep(kPassInterval, stop);
    }
    --m_runningCount;
}

void CConnectionThread::Pass(const std::stop_token& stop) {
    CInstrumentInfo& info = *m_context.info;
    CConnectionLink* const link = m_context.link;

    const auto period =
        info.IsScannerConnected() && info.IsAnalyzerConnected() ? kConnectedPeriod : kRetryPeriod;
    const auto now = ClockNow();
    if (m_lastAttempt && now - *m_lastAttempt <= period) {
        return;
    }
    m_lastAttempt = now;

    // Scanner.
    if (!info.IsScannerConnected()) {
        const bool connected = m_context.devices->ConnectScanner(info.GetProbeType(), stop);
        info.SetScannerConnected(connected);
        if (connected) {
            if (!m_driverConnectionCreated && link != nullptr) {
                link->CreateDriverConnection();
                m_driverConnectionCreated = true;
            }
            if (!ClockSleep(kAfterScannerPause, stop)) {
                return;
            }
            if (link != nullptr) {
                link->QueueCommand(kEngineVersionCommand, 0, 0);
                link->QueueCommand(kQueryScanHeadCommand, 0, 0);
                link->SignalCommandEvent();
            }
        }
        if (m_context.scannerRemoved != nullptr) {
            m_context.scannerRemoved->store(0);
        }
    }

    // Analyser, only behind a connected scanner.
    if (!info.IsAnalyzerConnected() && info.IsScannerConnected()) {
        // A lost analyser's connection is let go first: the device manager keeps a held one.
        if (m_analyzerLost && m_context.devices->ReleaseAnalyzer()) {
            m_analyzerLost = false;
        }
        if (!m_analyzerLost) {
            const bool connected = m_context.devices->ConnectAnalyzer();
            info.SetAnalyzerConnected(connected);
            if (connected && !m_driverConnectionCreated && link != nullptr) {
                link->CreateDriverConnection();
                m_driverConnectionCreated = true;
            }
        }
    }

    if (!(info.IsScannerConnected() && info.IsAnalyzerConnected())) {
        if (!stop.stop_requested() && MayReport()) {
            ReportConnectionResult(&info, link, m_context.frame, info.IsScannerConnected(),
                                   info.IsAnalyzerConnected());
        }
        return;
    }

    // The analyser's identity, once per connection.
    if (!info.IsAnalyzerQueryPending() && !info.IsAnalyzerDriverSet()) {
        info.SetAnalyzerQueryPending(true);
        if (link != nullptr) {
            const bool wasEmpty = link->IsCommandQueueEmpty();
            link->QueueCommand(kAnalyzerIdentityCommand, 0, 0);
            // Behind other commands it is served in their turn.
            if (wasEmpty) {
                link->SignalCommandEvent();
            }
        }
        PostStatus(kQueryingIdText);
    }

    // A network analyser that stops answering.
    if (m_context.ping != nullptr && m_context.analyzerDetection && info.IsAnalyzerDriverSet()) {
        if (const std::optional<std::string> host = m_context.devices->GetAnalyzerNetworkHost()) {
            IcmpEchoReplyRecord reply;
            std::string error;
            if (!m_context.ping->Ping(*host, reply, error, stop)) {
                if (stop.stop_requested()) {
                    return;
                }
                info.SetAnalyzerConnected(false);
                info.SetAnalyzerQueryPending(false);
                info.SetAnalyzerDriverSet(false);
                m_analyzerLost = true;
                ReportConnectionResult(&info, link, m_context.frame, info.IsScannerConnected(), false);
                ShowPrompt({kAnalyzerLostText, kWarningCaption, PromptButtons::Ok, PromptIcon::Warning}, stop,
                           PromptAnswer::Ok);
                if (stop.stop_requested()) {
                    return;
                }
                AddInformationMessage(0, "The connection to Spectrum Analyzer is lost due to the failed "
                                         "ping, GetLastError() returns: " +
                                             std::to_string(m_context.ping->GetLastError()));
            }
        }
    }

    // An unplugged scanner board.
    if (m_context.scannerRemoved != nullptr && m_context.scannerRemoved->load() != 0 &&
        m_context.scannerDetection) {
        m_context.scannerRemoved->store(0);
        info.SetScannerConnected(false);
        info.SetAnalyzerQueryPending(false);
        info.SetAnalyzerDriverSet(false);
        ReportConnectionResult(&info, link, m_context.frame, false, info.IsAnalyzerConnected());
        ShowPrompt({kScannerLostText, kWarningCaption, PromptButtons::Ok, PromptIcon::Warning}, stop,
                   PromptAnswer::Ok);
        if (stop.stop_requested()) {
            return;
        }
        AddInformationMessage(0, kScannerLostLogLine);
    }
}

} // namespace orv
