#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace orv {

namespace {

using namespace visa;

// The frequency and RBW limits are the N9320B's; both models take them.
constexpr XSeriesModelRow kN9320B{"N9320B", true, 5000, 0.009, 3000, 0.00001, 1,
                                  0.000031, 461,  461,  461,   0,    false};

// The number a reply starts with (after blanks, with its sign), or none when it starts with none.
std::optional<int32_t> LeadingInteger(std::string_view reply) {
    size_t at = 0;
    while (at < reply.size() && (reply[at] == ' ' || reply[at] == '\t')) {
        ++at;
    }
    size_t end = at;
    if (end < reply.size() && (reply[end] == '+' || reply[end] == '-')) {
        ++end;
    }
    const size_t digits = end;
    while (end < reply.size() && reply[end] >= '0' && reply[end] <= '9') {
        ++end;
    }
    if (end == digits) {
        return std::nullopt;
    }
    return ParseInt32C(reply.substr(at, end - at));
}

} // namespace

CSpectrumAnalyzerN9320B::CSpectrumAnalyzerN9320B() : CSpectrumAnalyzerN9320B(kN9320B) {}

CSpectrumAnalyzerN9320B::CSpectrumAnalyzerN9320B(const XSeriesModelRow& row) : CSpectrumAnalyzerN9000B(row) {}

std::string CSpectrumAnalyzerN9320B::LoggedReply(const std::string& reply) {
    std::string text = reply.substr(0, reply.find_first_of("\r\n"));
    if (text.size() > kLoggedReplyChars) {
        text.resize(kLoggedReplyChars);
    }
    return text;
}

bool CSpectrumAnalyzerN9320B::CheckStatus() {
    if (!IsLogAnalyzerErrorsSwitchSet()) {
        return true;
    }
    m_errorFlag = 0;
    if (WriteCommand("SYST:ERR?\n") < 0) {
        return false;
    }
    const std::string reply = ReadReply(2047);
    const Status read = m_lastStatus;
    const std::optional<int32_t> code = read >= 0 ? LeadingInteger(reply) : std::nullopt;
    if (code == 0) {
        m_lastStatus = m_vi.viFlush(m_session, kFlushReadBuffer);
        m_lastStatus = m_vi.viFlush(m_session, kFlushWriteBuffer);
        return m_lastStatus >= 0;
    }
    // What is left of a long reply never answers the next query.
    DropRestOfReply();
    if (read >= 0) {
        m_lastStatus = read;
    }
    AddInformationMessage(1, FormatC("The spectrum analyser failed a status check, with error code %s.",
                                     LoggedReply(reply).c_str()));
    return false;
}

bool CSpectrumAnalyzerN9320B::SetupSpectrumAnalyzer() {
    return SendStatusOnly("*CLS;\n") && SendVerifiedAll({"*RST;\n", ":DISP:ENAB ON;\n"});
}

bool CSpectrumAnalyzerN9320B::SetPreAmp(bool on) {
    if (!on) {
        m_preAmpState = 0;
        return SendVerified("POW:GAIN OFF;\n");
    }
    if (!SendVerified(":POW:GAIN ON;\n")) {
        return false;
    }
    if (WriteCommand(":POW:GAIN:STAT?;\n") < 0) {
        m_commandValid = 0;
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
    m_lastStatus = status;
    if (status < 0) {
        m_commandValid = 0;
        return false;
    }
    DropRestOfReply();
    const int32_t state = LeadingInteger(reply).value_or(0);
    m_preAmpState = state;
    m_preAmpReadBack = state;
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9320B::SetInternalTriger(int32_t internal) {
    if (internal == 0) {
        // The gate is never set: every RBW counts as narrow on this model.
        WriteCommand(":Trigger:Source Immediate;\n");
        return true;
    }
    return SendStatusOnly(":Trigger:Source Immediate\n") && SendVerified(":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerN9320B::SetAutoSweep(int32_t on) {
    return on == 0 || (SendStatusOnly(":Sweep:Time:Auto on\n") && SendVerified(":Initiate:Continuous on\n"));
}

bool CSpectrumAnalyzerN9320B::SetDetectorPositive(bool /*on*/) {
    return SendVerified("DET POS;\n");
}

bool CSpectrumAnalyzerN9320B::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerifiedAll({"POW:ATT:AUTO 0\n", FormatC("POW:ATT %d DB\n", static_cast<int>(whole))});
}

bool CSpectrumAnalyzerN9320B::SetResolution(float mhz) {
    m_requestedRbw = mhz;
    return SendVerifiedAll({FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)),
                            FormatC(":Bandwidth:Video %f MHZ;\n", static_cast<double>(mhz))});
}

bool CSpectrumAnalyzerN9320B::SetReferenceLevel(float level) {
    if (!CheckStatus()) {
        m_commandValid = 0;
        return false;
    }
    return SendVerified(FormatC(":Display:Window:Trace:Y:RLEV %f;\n", static_cast<double>(level)));
}

bool CSpectrumAnalyzerN9320B::SetTraceFormat() {
    return SendVerified(":FORMAT:DATA REAL;\n");
}

bool CSpectrumAnalyzerN9320B::SweepAndWaitForOpc(bool readSweepTime) {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (readSweepTime) {
        // Its value sets how long the wait below may last.
        ReadSweepTime();
    }
    if (!SendStatusOnly("INIT\n")) {
        return false;
    }
    // The poll's shortest pause, so that its bound is measured.
    return PollUntilOne("*OPC?;\n", false, kDefaultPollPause);
}

bool CSpectrumAnalyzerN9320B::SweepAndWait() {
    return SweepAndWaitForOpc(false);
}

bool CSpectrumAnalyzerN9320B::ReadTraceBytes(unsigned char* buffer, size_t capacity, size_t& length) {
    const size_t data = static_cast<size_t>(m_sweepPoints) * 4;
    const bool read = data <= capacity && ReadRawCount(buffer, data, length);
    const Status status = m_lastStatus;
    // The line feed after the data, and whatever a failed read left of the reply, go.
    m_vi.viFlush(m_session, kFlushReadBuffer | kFlushWriteBuffer);
    m_lastStatus = status;
    return read;
}

const float* CSpectrumAnalyzerN9320B::QueryScan() {
    const int32_t points = m_sweepPoints;
    m_queryValid = 1;
    if (points <= 0 || points > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    const size_t data = static_cast<size_t>(points) * 4;
    std::vector<unsigned char>& raw = RawBlock();
    raw.resize(data + kTraceSlackBytes);
    if (WriteCommand("TRAC:DATA? trace1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    size_t length = 0;
    const bool read = ReadTraceBytes(raw.data(), raw.size(), length);
    if (read && length < data) {
        AddInformationMessage(1,
                              FormatC("Spectrum analyzer: the trace held %zu of %zu bytes.", length, data));
    }
    if (!read || length < data || m_lastStatus < 0 || m_errorFlag == 1) {
        return KeepPreviousTrace(points);
    }
    m_traceA.resize(static_cast<size_t>(points));
    DecodeLittleEndianSingles(raw.data(), data, m_traceA.data(), m_traceA.size(), LevelOffset());
    return m_traceA.data();
}

} // namespace orv
