#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"

#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

namespace orv {

using namespace visa;

namespace {

// A command as the log shows it: without its line end.
std::string TrimmedCommand(const std::string& command) {
    size_t end = command.size();
    while (end > 0 && (command[end - 1] == '\n' || command[end - 1] == '\r')) {
        --end;
    }
    return command.substr(0, end);
}

} // namespace

class CScpiSpectrumAnalyzer::TermCharOff {
public:
    explicit TermCharOff(CScpiSpectrumAnalyzer& driver) : m_driver(driver) {
        uint16_t enabled = 1;
        if (m_driver.m_vi.viGetAttribute(m_driver.m_session, kAttrTermCharEnabled, &enabled) >= 0) {
            m_previous = enabled;
        }
        m_driver.m_vi.viSetAttribute(m_driver.m_session, kAttrTermCharEnabled, 0);
    }
    ~TermCharOff() { Restore(); }
    TermCharOff(const TermCharOff&) = delete;
    TermCharOff& operator=(const TermCharOff&) = delete;

    void Restore() {
        if (!m_restored) {
            m_driver.m_vi.viSetAttribute(m_driver.m_session, kAttrTermCharEnabled, m_previous);
            m_restored = true;
        }
    }

private:
    CScpiSpectrumAnalyzer& m_driver;
    uint16_t m_previous = 1;
    bool m_restored = false;
};

int64_t CScpiSpectrumAnalyzer::GetPollBoundMs() const {
    return std::max(m_minimumPollBoundMs, 2 * m_lastSweepTimeMs);
}

int32_t CScpiSpectrumAnalyzer::SweepSecondsToMs(double seconds) {
    // The instrument's value is a float: what lies within its error of a whole millisecond is that
    // millisecond (0.1 s is 100 ms, not 101).
    const double ms = static_cast<double>(static_cast<float>(seconds)) * 1000.0;
    if (!std::isfinite(ms) || ms < 0.0 || ms > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    const double tolerance = std::max(ms * FLT_EPSILON * 4.0, 1e-6);
    return static_cast<int32_t>(std::ceil(ms - tolerance));
}

double CScpiSpectrumAnalyzer::AppliedRbw() const {
    return m_scanSetup != nullptr ? m_scanSetup->GetAppliedRbw() : m_requestedRbw;
}

bool CScpiSpectrumAnalyzer::SendInputCoupling(bool dc) {
    WriteCommand(dc ? ":INP:COUP DC;\n" : ":INP:COUP AC;\n");
    m_dcCoupled = dc ? 1 : 0;
    return true;
}

bool CScpiSpectrumAnalyzer::OpenSession(const std::string& resource, const char* logName) {
    if (logName != nullptr) {
        AddInformationMessage(1, FormatC("Start to open connection to spectrum analyzer::  %s", logName));
    }
    if (!m_vi.IsComplete()) {
        m_lastStatus = kErrorInvalidObject;
    } else {
        if (m_resourceManager == kNoSession) {
            m_lastStatus = m_vi.viOpenDefaultRM(&m_resourceManager);
            if (m_lastStatus < 0) {
                m_resourceManager = kNoSession;
            }
        }
        if (m_resourceManager != kNoSession) {
            Session opened = kNoSession;
            m_lastStatus = m_vi.viOpen(m_resourceManager, resource.c_str(), 0, 0, &opened);
            if (m_lastStatus >= 0) {
                m_session = opened;
            }
        }
    }
    const bool opened = m_lastStatus >= 0;
    if (logName != nullptr) {
        AddInformationMessage(1, FormatC(opened ? "Completed in opening connection to analyzer:: %s"
                                                : "Failed in opening connection to spectrum analyzer:: %s",
                                         logName));
    }
    if (!opened) {
        return false;
    }
    m_lastStatus = m_vi.viSetAttribute(m_session, kAttrReadBufferMode, 1);
    return m_lastStatus >= 0;
}

const float* CScpiSpectrumAnalyzer::ReadReal32Trace(int32_t count, bool verify, float offset) {
    const auto values = static_cast<size_t>(std::clamp(count, 0, kMaxTracePoints));
    const size_t bytes = values * 4;
    m_rawBlock.resize(bytes);
    size_t length = 0;
    const bool read = ReadRawBlock(m_rawBlock.data(), bytes, length);
    if (read && length != bytes) {
        AddInformationMessage(1,
                              FormatC("Spectrum analyzer: the trace held %zu of %zu bytes.", length, bytes));
    }
    if (!read || length != bytes || (verify && !CheckStatus()) || m_errorFlag == 1) {
        return KeepPreviousTrace(count);
    }
    m_traceA.resize(values);
    DecodeLittleEndianSingles(m_rawBlock.data(), length, m_traceA.data(), values, offset);
    return m_traceA.data();
}

bool CScpiSpectrumAnalyzer::FailCommand(const std::string& why) {
    m_commandValid = 0;
    AddInformationMessage(1, why);
    return false;
}

bool CScpiSpectrumAnalyzer::SendStatusOnly(const std::string& command) {
    if (WriteCommand(command) < 0) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CScpiSpectrumAnalyzer::PassesErrorCheck() {
    return CheckStatus() && m_errorFlag != 1;
}

bool CScpiSpectrumAnalyzer::SendVerified(const std::string& command) {
    if (WriteCommand(command) < 0 || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CScpiSpectrumAnalyzer::SendVerifiedAll(std::initializer_list<std::string> commands) {
    return std::all_of(commands.begin(), commands.end(),
                       [this](const std::string& command) { return SendVerified(command); });
}

void CScpiSpectrumAnalyzer::DropRestOfReply() {
    if (!CanCallVisa()) {
        return;
    }
    const Status kept = m_lastStatus;
    m_vi.viFlush(m_session, kFlushReadBuffer);
    m_lastStatus = kept;
}

bool CScpiSpectrumAnalyzer::IsPossibleReading(double value) {
    // SCPI answers a measurement it cannot make with 9.91E+37 (not a number) or +-9.9E+37 (infinity).
    constexpr double kScpiInfinity = 9.9e37;
    return std::isfinite(value) && std::fabs(value) < kScpiInfinity;
}

template <typename Number>
bool CScpiSpectrumAnalyzer::QueryNumber(const std::string& query, const char* format, Number& value) {
    m_queryValid = 1;
    value = Number{};
    DropLateReply();
    if (WriteCommand(query) < 0) {
        m_queryValid = 0;
        return false;
    }
    Number read{};
    m_lastStatus = m_vi.viScanf(m_session, format, &read);
    DropRestOfReply();
    if (m_lastStatus >= 0 && !IsPossibleReading(static_cast<double>(read))) {
        m_queryValid = 0;
        AddInformationMessage(1, FormatC("Spectrum analyzer: the reply to '%s' is no usable value.",
                                         TrimmedCommand(query).c_str()));
        return false;
    }
    if (m_lastStatus >= 0) {
        value = read;
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_queryValid = 0;
        return false;
    }
    return true;
}

bool CScpiSpectrumAnalyzer::QueryInt(const std::string& query, int32_t& value) {
    return QueryNumber(query, "%d", value);
}

bool CScpiSpectrumAnalyzer::QueryDouble(const std::string& query, double& value) {
    return QueryNumber(query, "%lf", value);
}

bool CScpiSpectrumAnalyzer::QueryInt64(const std::string& query, int64_t& value) {
    return QueryNumber(query, "%lld", value);
}

float CScpiSpectrumAnalyzer::QueryMhz(const std::string& query, HzForm form) {
    double hz = 0.0;
    bool read = false;
    if (form == HzForm::Whole) {
        int64_t whole = 0;
        read = QueryInt64(query, whole);
        hz = static_cast<double>(whole);
    } else {
        read = QueryDouble(query, hz);
    }
    if (!read) {
        return static_cast<float>(hz);
    }
    return static_cast<float>(hz / 1000000.0);
}

int32_t CScpiSpectrumAnalyzer::ReadSweepTimeFrom(const std::string& query, SweepTimeOnFailure onFailure) {
    double seconds = 0.0;
    if (QueryDouble(query, seconds)) {
        const int32_t ms = SweepSecondsToMs(seconds);
        if (seconds >= 0.0 && (ms > 0 || seconds * 1000.0 < 1.0)) {
            SetLastSweepTimeMs(ms);
            return ms;
        }
        // Negative, or more milliseconds than the result holds: no sweep time at all.
        m_queryValid = 0;
        AddInformationMessage(1, FormatC("Spectrum analyzer: the reply to '%s' is no usable value.",
                                         TrimmedCommand(query).c_str()));
        return 0;
    }
    switch (onFailure) {
    case SweepTimeOnFailure::Zero:
        return 0;
    case SweepTimeOnFailure::SecondsAsRead:
        return std::fabs(seconds) < 1e9 ? static_cast<int32_t>(seconds) : 0;
    case SweepTimeOnFailure::Converted:
        return SweepSecondsToMs(seconds);
    }
    return 0;
}

bool CScpiSpectrumAnalyzer::PollUntilOne(const std::string& query, bool resendEachRound,
                                         std::chrono::milliseconds pause) {
    return PollUntilValue(query, resendEachRound, 1, pause);
}

bool CScpiSpectrumAnalyzer::PollUntilValue(const std::string& query, bool resendEachRound, int32_t expected,
                                           std::chrono::milliseconds pause) {
    DropLateReply();
    if (WriteCommand(query) < 0) {
        return FailCommand(FormatC("Spectrum analyzer: sending '%s' failed.", query.c_str()));
    }
    const std::stop_token stop = m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
    Clock::TimePoint start = ClockNow();
    std::unique_ptr<OpenQuestion> keepWaitingQuestion;
    // Whether the query sent last still waits for its reply.
    bool outstanding = true;
    while (true) {
        if (!outstanding && resendEachRound) {
            if (WriteCommand(query) < 0) {
                return FailCommand(FormatC("Spectrum analyzer: sending '%s' failed.", query.c_str()));
            }
            outstanding = true;
        }
        int32_t reply = 0;
        m_lastStatus = m_vi.viScanf(m_session, "%d", &reply);
        if (m_lastStatus >= 0) {
            // Asked once, the instrument may answer line after line until the value; asked each
            // round, this reply was the one asked for.
            outstanding = !resendEachRound;
            if (reply == expected) {
                DrainPollReplies(false);
                return true;
            }
        } else if (m_lastStatus != kErrorTimeout) {
            DrainPollReplies(false);
            return FailCommand(
                FormatC("Spectrum analyzer: reading the reply to '%s' failed.", query.c_str()));
        }
        if (!ClockSleep(pause, stop)) {
            DrainPollReplies(outstanding);
            return FailCommand("Spectrum analyzer: waiting stopped.");
        }
        if (ElapsedMilliseconds(start) >= GetPollBoundMs()) {
            const KeepWaiting verdict = ConfirmKeepWaiting(keepWaitingQuestion);
            if (verdict == KeepWaiting::GiveUp) {
                DrainPollReplies(outstanding);
                return FailCommand(FormatC("Spectrum analyzer: waiting for '%s' ended.", query.c_str()));
            }
            if (verdict == KeepWaiting::Restart) {
                start = ClockNow();
            }
        }
    }
}

void CScpiSpectrumAnalyzer::DrainPollReplies(bool replyOutstanding) {
    if (!CanCallVisa()) {
        return;
    }
    const Status kept = m_lastStatus;
    if (replyOutstanding) {
        // The instrument may still answer the query: what comes within a moment is dropped, and a
        // later answer is dropped before the next query is read.
        DropUntilQuiet();
        m_lateReplyOutstanding = true;
    } else {
        m_vi.viFlush(m_session, kFlushReadBuffer);
    }
    m_lastStatus = kept;
}

void CScpiSpectrumAnalyzer::DropLateReply() {
    if (!m_lateReplyOutstanding) {
        return;
    }
    m_lateReplyOutstanding = false;
    if (CanCallVisa()) {
        const Status kept = m_lastStatus;
        m_vi.viFlush(m_session, kFlushReadBuffer);
        m_lastStatus = kept;
    }
}

bool CScpiSpectrumAnalyzer::ReadRetryingTimeouts(unsigned char* buffer, uint32_t count, uint32_t& received) {
    received = 0;
    if (!CanCallVisa()) {
        return false;
    }
    uint16_t termEnabled = 1;
    m_vi.viGetAttribute(m_session, kAttrTermCharEnabled, &termEnabled);
    unsigned char termChar = '\n';
    m_vi.viGetAttribute(m_session, kAttrTermChar, &termChar);
    // Every time-out counts, also one that brought bytes: an instrument trickling a byte just inside
    // each time-out would otherwise hold the read for as long as the reply is long.
    const std::stop_token stop = m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
    int32_t timeouts = 0;
    std::unique_ptr<OpenQuestion> keepWaitingQuestion;
    while (received < count) {
        uint32_t got = 0;
        m_lastStatus = m_vi.viRead(m_session, buffer + received, count - received, &got);
        got = std::min(got, count - received);
        received += got;
        if (m_lastStatus >= 0) {
            if (m_lastStatus == kSuccessTermChar ||
                (termEnabled != 0 && got > 0 && buffer[received - 1] == termChar)) {
                return true;
            }
            continue;
        }
        if (m_lastStatus != kErrorTimeout) {
            return false;
        }
        if (got > 0 && termEnabled != 0 && buffer[received - 1] == termChar) {
            return true;
        }
        if (stop.stop_requested()) {
            AddInformationMessage(1, "Spectrum analyzer: reading the reply was given up.");
            return false;
        }
        if (++timeouts >= kTimeoutsBeforeAsking) {
            const KeepWaiting verdict = ConfirmKeepWaiting(keepWaitingQuestion);
            if (verdict == KeepWaiting::GiveUp) {
                AddInformationMessage(1, "Spectrum analyzer: reading the reply was given up.");
                return false;
            }
            if (verdict == KeepWaiting::Restart) {
                timeouts = 0;
            }
        }
    }
    return true;
}

bool CScpiSpectrumAnalyzer::ScanBlock(unsigned char* buffer, int32_t& count) {
    if (!CanCallVisa()) {
        count = 0;
        return false;
    }
    if (count <= 0 || buffer == nullptr) {
        count = 0;
        m_lastStatus = kErrorUserBuffer;
        return false;
    }
    m_lastStatus = m_vi.viScanf(m_session, "%#b", &count, buffer);
    return m_lastStatus >= 0;
}

bool CScpiSpectrumAnalyzer::ReadRawCountUnguarded(unsigned char* buffer, size_t count, size_t& received) {
    received = 0;
    while (received < count) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(count - received, 1u << 30));
        uint32_t got = 0;
        if (!ReadRetryingTimeouts(buffer + received, chunk, got)) {
            received += std::min(got, chunk);
            return false;
        }
        received += std::min(got, chunk);
    }
    return true;
}

void CScpiSpectrumAnalyzer::DropBytes(size_t count) {
    std::vector<unsigned char> scratch(std::min<size_t>(count + 1, 65536));
    size_t left = count + 1; // the line feed after the data
    while (left > 0) {
        const auto chunk = static_cast<uint32_t>(std::min(left, scratch.size()));
        uint32_t got = 0;
        const Status status = m_vi.viRead(m_session, scratch.data(), chunk, &got);
        left -= std::min<size_t>(got, left);
        if (status < 0 || got == 0) {
            return;
        }
    }
}

void CScpiSpectrumAnalyzer::DropUntilQuiet() {
    uint32_t timeout = 0;
    const bool haveTimeout = m_vi.viGetAttribute(m_session, kAttrTimeoutValue, &timeout) >= 0;
    m_vi.viSetAttribute(m_session, kAttrTimeoutValue, kQuietMs);
    std::vector<unsigned char> scratch(65536);
    size_t dropped = 0;
    while (dropped < kMostDroppedBytes) {
        uint32_t got = 0;
        const Status status =
            m_vi.viRead(m_session, scratch.data(), static_cast<uint32_t>(scratch.size()), &got);
        dropped += got;
        if (status < 0 || (got == 0 && status != kSuccessMaxCount)) {
            break;
        }
    }
    if (haveTimeout) {
        m_vi.viSetAttribute(m_session, kAttrTimeoutValue, timeout);
    }
}

bool CScpiSpectrumAnalyzer::ReadRawCount(unsigned char* buffer, size_t count, size_t& received) {
    received = 0;
    if (!CanCallVisa()) {
        return false;
    }
    TermCharOff termOff(*this);
    return ReadRawCountUnguarded(buffer, count, received);
}

bool CScpiSpectrumAnalyzer::ReadRawBlock(unsigned char* buffer, size_t capacity, size_t& length,
                                         uint32_t headTimeoutMs) {
    length = 0;
    if (!CanCallVisa()) {
        return false;
    }
    TermCharOff termOff(*this);
    std::array<unsigned char, 2> head{};
    size_t got = 0;
    bool headRead = false;
    if (headTimeoutMs > 0) {
        uint32_t timeout = 0;
        const bool haveTimeout = m_vi.viGetAttribute(m_session, kAttrTimeoutValue, &timeout) >= 0;
        m_vi.viSetAttribute(m_session, kAttrTimeoutValue, headTimeoutMs);
        headRead = ReadRawCountUnguarded(head.data(), 1, got);
        if (haveTimeout) {
            m_vi.viSetAttribute(m_session, kAttrTimeoutValue, timeout);
        }
        headRead = headRead && ReadRawCountUnguarded(head.data() + 1, 1, got);
    } else {
        headRead = ReadRawCountUnguarded(head.data(), head.size(), got);
    }
    if (!headRead) {
        return false;
    }
    const int32_t digitCount = BlockLengthDigitCount(static_cast<char>(head[1]));
    if (head[0] != '#' || digitCount == 0) {
        DropUntilQuiet();
        m_lastStatus = kErrorInvalidFormat;
        AddInformationMessage(1, "Spectrum analyzer: the trace is not a block of known length.");
        return false;
    }
    std::array<unsigned char, 9> digits{};
    if (!ReadRawCountUnguarded(digits.data(), static_cast<size_t>(digitCount), got)) {
        return false;
    }
    size_t announced = 0;
    const std::string_view lengthText(reinterpret_cast<const char*>(digits.data()), got);
    if (!ParseBlockLength(lengthText, capacity, announced)) {
        size_t oversized = 0;
        if (ParseBlockLength(lengthText, std::numeric_limits<size_t>::max(), oversized)) {
            DropBytes(oversized);
        } else {
            DropUntilQuiet();
        }
        m_lastStatus = kErrorInvalidFormat;
        AddInformationMessage(1, "Spectrum analyzer: the trace block's length is not usable.");
        return false;
    }
    const bool whole = ReadRawCountUnguarded(buffer, announced, length);
    if (!whole) {
        return false;
    }
    // The line feed that ends the message, so that it never starts the next reply. Read with the
    // termination character back on: the session then knows the reply ended, and a flush after the
    // block does not wait a time-out for another line feed.
    termOff.Restore();
    unsigned char end = 0;
    uint32_t endGot = 0;
    const Status dataStatus = m_lastStatus;
    m_vi.viRead(m_session, &end, 1, &endGot);
    m_lastStatus = dataStatus;
    return true;
}

} // namespace orv
