#include "engine/scanners/CScannerBoard.h"

#include "engine/scanners/ScannerCommandBytes.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace orv {

namespace {

constexpr uint32_t kIdentityTimeoutMs = 500;
constexpr uint32_t kIdentityWaitMs = 50;
constexpr uint32_t kPollWriteTimeoutMs = 100;
constexpr uint32_t kPollReadTimeoutMs = 5000;
constexpr uint32_t kTriggerTimeoutMs = 500;
constexpr uint8_t kBusy = 'a';

void Log(std::string_view text) {
    AddInformationMessage(1, text);
}

void WaitMs(uint32_t ms) {
    ClockSleep(std::chrono::milliseconds(ms));
}

} // namespace

CScannerBoard::CScannerBoard() : CScanner(eProbeType::UsbScannerBoard) {}

CScannerBoard::~CScannerBoard() = default;

ScannerSetup CScannerBoard::CurrentSetup() const {
    return m_setupSource ? m_setupSource() : ScannerSetup{};
}

bool CScannerBoard::Connect() {
    if (!IsReconnectNeeded()) {
        return true;
    }
    Log("Start to create connection to Scanner.");
    if (!m_engine.Open()) {
        if (m_engine.GetLastOpenStatus() == UsbOpenStatus::AccessDenied) {
            Log("The scanner board 04D8:FCBD is attached but this user has no access to it (no udev rule "
                "for the device).");
        }
        Log("Failed in initializing USB engine in Setup USB Connection().");
        return false;
    }
    if (m_engine.GetDeviceCount() < 1) {
        Log("Failed due to device count <= 0 in Setup USB Connection().");
        return false;
    }
    Log("Completed in creating connection to Scanner.");
    SetReconnectNeeded(false);
    return true;
}

bool CScannerBoard::Disconnect() {
    m_engine.Close();
    // A closed link must be opened again by the next Connect or Reconnect.
    SetReconnectNeeded(true);
    return true;
}

bool CScannerBoard::Reconnect() {
    if (!IsReconnectNeeded()) {
        return true;
    }
    // The old handle may belong to a board that was unplugged: always start from a new one.
    m_engine.Close();
    return Connect();
}

bool CScannerBoard::BeginScan() {
    return true;
}

bool CScannerBoard::EndScan() {
    return true;
}

uint8_t CScannerBoard::GetSwitchMode() const {
    return 0;
}

void CScannerBoard::SetSwitchMode(uint8_t /*mode*/) {}

void CScannerBoard::SetProbeHeight(uint16_t /*height*/) {}

bool CScannerBoard::SupportsMotors() const {
    return false;
}

bool CScannerBoard::Send(std::span<const uint8_t> command, uint32_t timeoutMs) {
    uint32_t written = 0;
    const bool ok = m_engine.Write(command, written, timeoutMs);
    m_bytesWritten = written;
    if (!ok || written != command.size()) {
        SetReconnectNeeded(true);
        return false;
    }
    return true;
}

bool CScannerBoard::Receive(std::span<uint8_t> reply, uint32_t timeoutMs) {
    uint32_t read = 0;
    const bool ok = m_engine.Read(reply, read, timeoutMs);
    m_bytesRead = read;
    if (!ok || read != reply.size()) {
        SetReconnectNeeded(true);
        return false;
    }
    return true;
}

bool CScannerBoard::SendAndExpectEcho(std::span<const uint8_t> command, uint32_t writeTimeoutMs,
                                      uint32_t waitMs, uint32_t readTimeoutMs) {
    if (!Send(command, writeTimeoutMs)) {
        return false;
    }
    if (waitMs != 0) {
        WaitMs(waitMs);
    }
    std::array<uint8_t, 1> echo{};
    return Receive(echo, readTimeoutMs) && echo[0] == command[0];
}

bool CScannerBoard::SendAndRead(uint8_t letter, std::span<uint8_t> reply) {
    const std::array<uint8_t, 1> command{letter};
    if (!Send(command, kIdentityTimeoutMs)) {
        return false;
    }
    WaitMs(kIdentityWaitMs);
    return Receive(reply, kIdentityTimeoutMs);
}

bool CScannerBoard::ReadFirmwareVersion() {
    std::array<uint8_t, 5> reply{};
    if (!SendAndRead('d', reply) || reply[0] != 'd') {
        return false;
    }
    StoreReply(std::span<const uint8_t>(reply).subspan(1, 3));
    return true;
}

bool CScannerBoard::ReadAdaptorEID() {
    std::array<uint8_t, 4> reply{};
    if (!SendAndRead('c', reply) || reply[0] != 'c') {
        return false;
    }
    StoreReply(std::span<const uint8_t>(reply).subspan(1, 2));
    return true;
}

bool CScannerBoard::ReadScannerType() {
    std::array<uint8_t, 6> reply{};
    // Byte 0 is whatever the firmware puts there; only a full reply gives the four ID bytes.
    if (!SendAndRead('2', reply)) {
        return false;
    }
    StoreReply(std::span<const uint8_t>(reply).subspan(1, 4));
    TakeScannerIdFromReply();
    Log("Scanner ID = " + std::to_string(GetScannerID()));
    return true;
}

bool CScannerBoard::WriteScannerType() {
    const std::span<const uint8_t> buffer = GetReplyBuffer();
    if (buffer.size() < 4) {
        return false;
    }
    ScannerCommandBytes command('1');
    command.Bytes(buffer.first(4));
    return SendAndExpectEcho(command.WithSum(), kIdentityTimeoutMs, kIdentityWaitMs, kIdentityTimeoutMs);
}

bool CScannerBoard::WriteScannerSize() {
    const ScannerSetup setup = CurrentSetup();
    if (!FitsByte(setup.rows) || !FitsByte(setup.columns)) {
        return false;
    }
    ScannerCommandBytes command('9');
    command.Byte(static_cast<uint8_t>(setup.rows)).Byte(static_cast<uint8_t>(setup.columns));
    return SendAndExpectEcho(command.WithSum(), kIdentityTimeoutMs, kIdentityWaitMs, kIdentityTimeoutMs);
}

bool CScannerBoard::SwitchToCellTimed(int32_t value) {
    if (!HasSendableCell() || !FitsByte(value)) {
        return false;
    }
    ScannerCommandBytes command('e');
    command.Byte(GetCellRow()).Byte(GetCellColumn()).Byte(static_cast<uint8_t>(value)).Byte(0);
    return SendAndExpectEcho(command.WithSum(), 100, 0, 200);
}

bool CScannerBoard::SwitchToCell() {
    if (!HasSendableCell()) {
        return false;
    }
    ScannerCommandBytes command('0');
    command.Byte(GetCellRow()).Byte(GetCellColumn());
    return SendAndExpectEcho(command.WithSum(), 300, 0, 300);
}

bool CScannerBoard::Trigger(int16_t a, uint8_t /*b*/, uint8_t /*c*/, int16_t /*d*/) {
    ScannerCommandBytes command('i');
    command.Byte(static_cast<uint8_t>(static_cast<uint16_t>(a) & 0xFFU));
    if (!Send(command.WithSum(), kTriggerTimeoutMs)) {
        return false;
    }
    // The board may or may not acknowledge a trigger; the attempts only give it time to, so a stop
    // ends them with the trigger written.
    const std::stop_token stop = CurrentSetup().stop;
    const int attempts = a / 100 + 10;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt != 0 && !ClockSleep(std::chrono::milliseconds(1), stop)) {
            return true;
        }
        std::array<uint8_t, 1> reply{};
        uint32_t read = 0;
        const bool ok = m_engine.Read(reply, read, kTriggerTimeoutMs);
        m_bytesRead = read;
        if (ok && read > 0) {
            return true;
        }
    }
    return true;
}

bool CScannerBoard::UploadPattern() {
    const std::vector<uint8_t> pattern(GetReplyBuffer().begin(), GetReplyBuffer().end());
    const std::size_t chunks = (pattern.size() + kMaxChunk - 1) / kMaxChunk;
    if (chunks > 256) {
        return false; // the chunk index is one byte
    }
    for (std::size_t index = 0; index < chunks; ++index) {
        const std::size_t offset = index * kMaxChunk;
        const std::size_t length = std::min<std::size_t>(kMaxChunk, pattern.size() - offset);
        ScannerCommandBytes command('7');
        command.Byte(static_cast<uint8_t>(length)).Byte(static_cast<uint8_t>(index));
        command.Bytes(std::span<const uint8_t>(pattern).subspan(offset, length));
        if (!SendAndExpectEcho(command.WithSum(), 100, 0, 100)) {
            return false;
        }
    }
    return true;
}

bool CScannerBoard::SendAndPoll(std::span<const uint8_t> command, uint32_t writeTimeoutMs,
                                uint32_t pollIntervalMs, const std::stop_token& stop) {
    if (!Send(command, writeTimeoutMs)) {
        return false;
    }
    const std::array<uint8_t, 1> poll{kBusy};
    for (int round = 0; round < kMaxPolls; ++round) {
        // A stopped scan ends the wait; the link is fine, so no reconnect is asked for.
        if (!ClockSleep(std::chrono::milliseconds(pollIntervalMs), stop)) {
            Log("The completion poll ended on the scan's stop.");
            return false;
        }
        if (!Send(poll, kPollWriteTimeoutMs)) {
            return false;
        }
        std::array<uint8_t, 1> reply{};
        if (!Receive(reply, kPollReadTimeoutMs)) {
            return false;
        }
        if (reply[0] == command[0]) {
            return true;
        }
        if (reply[0] != kBusy) {
            return false;
        }
    }
    return false;
}

bool CScannerBoard::StartingSwitch(int32_t x) {
    if (!FitsWord(x)) {
        return false;
    }
    if (!WriteScannerSize() || !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes command('8');
    command.Word(static_cast<uint16_t>(x)).Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    return SendAndPoll(command.WithSum(), 100, setup.pollIntervalMs, setup.stop);
}

bool CScannerBoard::FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) {
    if (!FitsWord(a) || !FitsWord(b)) {
        return false;
    }
    if (sendPattern && !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes command('h');
    command.Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    command.Word(static_cast<uint16_t>(a)).Word(static_cast<uint16_t>(b));
    const uint32_t interval =
        setup.analyserModelCode == kSlowPollModelCode ? kSlowPollIntervalMs : setup.pollIntervalMs;
    return SendAndPoll(command.WithSum(), 100, interval, setup.stop);
}

bool CScannerBoard::PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) {
    if (!FitsWord(a) || !FitsWord(b) || !FitsWord(c)) {
        return false;
    }
    if (sendPattern && !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes command('g');
    command.Word(static_cast<uint16_t>(a)).Word(static_cast<uint16_t>(b)).Word(static_cast<uint16_t>(c));
    command.Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    return SendAndPoll(command.WithSum(), 500, setup.pollIntervalMs, setup.stop);
}

bool CScannerBoard::TriggerAndSwitches() {
    const std::vector<uint8_t> pattern(GetReplyBuffer().begin(), GetReplyBuffer().end());
    if (pattern.size() / 2 > 0xFF) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes command('f');
    command.Word(ClampTiming(setup.timing1)).Byte(static_cast<uint8_t>(pattern.size() / 2)).Bytes(pattern);
    return SendAndPoll(command.WithSum(), 100, setup.pollIntervalMs, setup.stop);
}

} // namespace orv
