#include "analyzers/CSpectrumAnalyzer.h"

#include "analyzers/CBB60Connection.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CTekRSAConnection.h"
#include "analyzers/CVisaConnection.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <chrono>

namespace orv {

namespace {

using namespace visa;

void Log(const std::string& text) {
    AddInformationMessage(1, text);
}

// The first line of a reply, without its line end.
std::string FirstLine(std::string_view text) {
    if (const size_t end = text.find('\n'); end != std::string_view::npos) {
        text = text.substr(0, end);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// Line feeds and double quotes trimmed from both ends.
std::string TrimModeReply(std::string_view text) {
    auto trimmed = [](char c) { return c == '\n' || c == '"' || c == '\r'; };
    while (!text.empty() && trimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && trimmed(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

} // namespace

bool CSpectrumAnalyzer::CanCallVisa() {
    if (m_vi.IsComplete() && m_session != kNoSession && m_session != CVisaConnection::kPlaceholderSession) {
        return true;
    }
    m_lastStatus = kErrorInvalidObject;
    Log("Spectrum analyzer: no VISA session for the operation.");
    return false;
}

Status CSpectrumAnalyzer::WriteCommand(const std::string& command) {
    if (!CanCallVisa()) {
        return m_lastStatus;
    }
    m_lastStatus = m_vi.viPrintf(m_session, "%s", command.c_str());
    return m_lastStatus;
}

std::string CSpectrumAnalyzer::ReadReply(uint32_t count) {
    if (!CanCallVisa()) {
        return {};
    }
    count = std::min<uint32_t>(count, kReplyBufferSize);
    uint32_t returned = 0;
    m_lastStatus =
        m_vi.viRead(m_session, reinterpret_cast<unsigned char*>(m_replyBuffer.data()), count, &returned);
    return std::string(m_replyBuffer.data(), std::min(returned, count));
}

void CSpectrumAnalyzer::FlushBuffers() {
    if (!CanCallVisa()) {
        return;
    }
    m_lastStatus = m_vi.viFlush(m_session, kFlushReadBuffer);
    const Status written = m_vi.viFlush(m_session, kFlushWriteBuffer);
    if (m_lastStatus >= 0) {
        m_lastStatus = written;
    }
}

bool CSpectrumAnalyzer::FindVisaConnection(CSAConnection* connection, int32_t driverID) {
    auto* visaConnection = dynamic_cast<CVisaConnection*>(connection);
    m_visaConnection = visaConnection;
    m_bb60Connection = dynamic_cast<CBB60Connection*>(connection);
    m_tekConnection = dynamic_cast<CTekRSAConnection*>(connection);
    if (visaConnection == nullptr) {
        // The device-library connections need no VISA resource.
        if (m_bb60Connection != nullptr) {
            m_deviceHandle = m_bb60Connection->GetDeviceHandle();
        }
        return true;
    }
    m_session = visaConnection->GetSession();
    m_vi = visaConnection->GetEntryPoints();
    // Every row of this driver: one driver may serve several models.
    std::vector<std::string> keys;
    const std::vector<_SupportedAnalyzerInfo> table = GetInstrumentInfo().GetSupportedAnalyzers();
    for (const _SupportedAnalyzerInfo& row : table) {
        if (row.m_DriverID == driverID) {
            keys.push_back(row.m_MatchKey);
        }
    }
    if (keys.empty() && !table.empty()) {
        keys.push_back(table.back().m_MatchKey);
    }
    if (keys.empty()) {
        return false;
    }
    auto matches = [&keys](const std::string& identity) {
        return std::any_of(keys.begin(), keys.end(), [&identity](const std::string& key) {
            return identity.find(key) != std::string::npos;
        });
    };
    if (matches(QueryIdentity())) {
        return true;
    }
    const std::string& key = keys.front();
    Log(FormatC("Looking for VISA connection to '%s' Spectrum Analyzer ", key.c_str()));
    for (const std::string& resource : visaConnection->GetDetectedResources()) {
        if (!visaConnection->SetupConnection(resource)) {
            continue;
        }
        m_session = visaConnection->GetSession();
        const std::string reply = QueryIdentity();
        if (matches(reply)) {
            return true;
        }
        Log(FormatC("'%s' not on VISA connection id: '%s'", key.c_str(), resource.c_str()));
        Log(FormatC("VISA connection id: '%s' connects to '%s'", resource.c_str(), reply.c_str()));
    }
    Log(FormatC("Failed to find VISA connection to '%s'", key.c_str()));
    return false;
}

std::string CSpectrumAnalyzer::QueryIdentity() {
    if (m_session == CVisaConnection::kPlaceholderSession) {
        m_lastReply = "Null,Null,Null,Null";
        return m_lastReply;
    }
    m_lastReply.clear();
    if (WriteCommand("*IDN?\n") < 0) {
        m_queryValid = 0;
        return m_lastReply;
    }
    ClockSleep(std::chrono::milliseconds(500));
    int32_t size = static_cast<int32_t>(kReplyBufferSize);
    m_lastStatus = m_vi.viScanf(m_session, "%#t", &size, m_replyBuffer.data());
    const size_t taken = std::clamp<int32_t>(size, 0, static_cast<int32_t>(kReplyBufferSize) - 1);
    FlushBuffers();
    m_lastReply = FirstLine(std::string_view(m_replyBuffer.data(), taken));
    return m_lastReply;
}

bool CSpectrumAnalyzer::OpenConnection(const std::string& text) {
    Log("Start to open connection to the general module of spectrum analyzer.");
    std::string resource;
    if (text.find("GPIB") != std::string::npos) {
        resource = "GPIB0::18::INSTR";
    } else if (text.find("USB") != std::string::npos) {
        resource = "UsbDevice1";
    } else if (text.find("TCP") != std::string::npos || text.find("ASRL") != std::string::npos) {
        resource = text;
    } else {
        return false;
    }
    const bool haveEntryPoints = m_vi.IsComplete();
    if (haveEntryPoints && m_resourceManager == kNoSession) {
        // A session to open through: without one the open could never succeed.
        m_lastStatus = m_vi.viOpenDefaultRM(&m_resourceManager);
        if (m_lastStatus < 0) {
            m_resourceManager = kNoSession;
        }
    }
    if (!haveEntryPoints) {
        m_lastStatus = kErrorInvalidObject;
    } else if (m_resourceManager != kNoSession) {
        m_lastStatus = m_vi.viOpen(m_resourceManager, resource.c_str(), 0, 0, &m_session);
        if (m_lastStatus >= 0) {
            m_lastStatus = m_vi.viSetAttribute(m_session, kAttrReadBufferMode, 1);
        }
    }
    if (m_lastStatus < 0) {
        Log("Failed in opening connection to the general module of spectrum analyzer.");
        return false;
    }
    Log("Completed in opening connection to the general module of spectrum analyzer.");
    return true;
}

bool CSpectrumAnalyzer::CheckStatus() {
    m_errorFlag = 0;
    if (WriteCommand("ERR?\n") < 0) {
        m_queryValid = 0;
        return false;
    }
    int32_t errors = 0;
    m_lastStatus = m_vi.viScanf(m_session, "%d", &errors);
    if (m_lastStatus < 0) {
        m_queryValid = 0;
        return false;
    }
    if (errors > 0) {
        m_errorFlag = 1;
    }
    FlushBuffers();
    return m_lastStatus >= 0;
}

const float* CSpectrumAnalyzer::KeepPreviousTrace(int32_t count) {
    m_queryValid = 0;
    if (m_traceA.empty()) {
        return nullptr;
    }
    const auto wanted = static_cast<size_t>(std::clamp(count, 0, kMaxTracePoints));
    if (m_traceA.size() < wanted) {
        m_traceA.resize(wanted, 0.0f);
    }
    return m_traceA.data();
}

int64_t CSpectrumAnalyzer::GetActiveProbeCellCount() {
    if (m_scanSetup == nullptr) {
        return 0;
    }
    const int64_t rows = m_scanSetup->GetGridRows();
    const int64_t columns = m_scanSetup->GetGridColumns();
    if (rows <= 0 || columns <= 0) {
        return 0;
    }
    // Only cells the table holds are counted, however large the grid claims to be.
    const std::vector<uint8_t> cells = m_scanSetup->GetActiveCells();
    const size_t counted =
        static_cast<size_t>(std::min<int64_t>(rows * columns, static_cast<int64_t>(cells.size())));
    return std::count_if(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(counted),
                         [](uint8_t cell) { return cell != 0; });
}

void CSpectrumAnalyzer::TestSweepPoints() {
    for (int32_t count = 1; count <= 1217; count += 2) {
        SetSweepPoints(count);
        ClockSleep(std::chrono::milliseconds(200));
    }
}

bool CSpectrumAnalyzer::QueryGatedSweep() {
    if (WriteCommand(":SWE:EGAT?;\n") < 0) {
        m_queryValid = 0;
        return false;
    }
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(3000);
    }
    const std::string reply = ReadReply(128);
    const Status status = m_lastStatus;
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(0);
    }
    if (status < 0) {
        m_lastStatus = status;
        m_queryValid = 0;
        return false;
    }
    size_t used = 0;
    const double value = StrToDoubleC(reply, &used);
    return used > 0 && value == 1.0;
}

Status CSpectrumAnalyzer::Initiate() {
    if (WriteCommand(":INIT;\n") < 0) {
        m_commandValid = 0;
    }
    return m_lastStatus;
}

std::string CSpectrumAnalyzer::QueryInstrumentMode() {
    m_lastReply.clear();
    if (WriteCommand("INST?\n") < 0) {
        m_queryValid = 0;
        return m_lastReply;
    }
    const std::string reply = ReadReply(kReplyBufferSize);
    FlushBuffers();
    m_lastReply = TrimModeReply(reply);
    return m_lastReply;
}

void CSpectrumAnalyzer::ReadRbwFilterType() {
    m_rbwFilterTypeKnown = 0;
    m_rbwFilterType = kRbwFilterTypeCommand;
    if (QueryInstrumentMode().find("SA") == std::string::npos) {
        return;
    }
    if (WriteCommand(":SENS:BAND:RES:TYPE?;\n") < 0) {
        return;
    }
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(3000);
    }
    const std::string reply = ReadReply(128);
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(0);
    }
    m_rbwFilterTypeKnown = 1;
    m_rbwFilterType += reply;
    Log("BAND:TYPE " + reply);
}

void CSpectrumAnalyzer::RestoreRbwFilterType() {
    if (m_rbwFilterTypeKnown != 0) {
        // The reply read back is sent as data.
        if (WriteCommand(m_rbwFilterType) < 0) {
            m_commandValid = 0;
        }
    }
}

void CSpectrumAnalyzer::WaitForOperationComplete() {
    if (WriteCommand("*WAI\n") < 0) {
        m_commandValid = 0;
    }
}

void CSpectrumAnalyzer::WaitForCompletion() {
    WaitForOperationComplete();
}

bool CSpectrumAnalyzer::WaitForOpc(int32_t timeoutSeconds) {
    if (WriteCommand("*OPC?;\n") < 0) {
        return false;
    }
    const Clock::TimePoint start = ClockNow();
    while (true) {
        ClockSleep(std::chrono::milliseconds(50));
        if (ElapsedMilliseconds(start) > int64_t{timeoutSeconds} * 1000) {
            return false;
        }
        int32_t done = 0;
        m_lastStatus = m_vi.viScanf(m_session, "%d", &done);
        if (m_lastStatus >= 0 && done == 1) {
            return true;
        }
    }
}

CSpectrumAnalyzer::KeepWaiting
CSpectrumAnalyzer::ConfirmKeepWaiting(std::unique_ptr<OpenQuestion>& question) {
    const std::stop_token stop = m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
    if (stop.stop_requested()) {
        question.reset();
        return KeepWaiting::GiveUp;
    }
    if (!question) {
        PromptRequest request;
        request.text = "The Spectrum Analyzer is still scanning, click OK to keep waiting of CANCEL to "
                       "terminate the scan";
        request.caption = "Timeout";
        request.buttons = PromptButtons::OkCancel;
        request.icon = PromptIcon::Information;
        question = std::make_unique<OpenQuestion>(std::move(request), stop, PromptAnswer::Cancel);
        return KeepWaiting::Asking;
    }
    const std::optional<PromptAnswer> answer = question->Answer();
    if (!answer) {
        return KeepWaiting::Asking;
    }
    question.reset();
    return *answer == PromptAnswer::Ok ? KeepWaiting::Restart : KeepWaiting::GiveUp;
}

} // namespace orv
