#include "engine/scanners/adapter/CExScannerBoard.h"

#include "engine/scanners/LinkStop.h"
#include "engine/scanners/ScannerCommandBytes.h"
#include "engine/scanners/adapter/CAdapterDiscovery.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/registry/SettingsStore.h"
#include "platform/serial/SerialPortSearch.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <vector>

namespace orv {

struct AdapterCommandTexts {
    const char* write;
    const char* read;
    const char* badResponse;
};

namespace {

constexpr uint8_t kPollDone = 2;
constexpr uint8_t kPollBusy = 1;
constexpr uint8_t kSearchAnswer = 0;
constexpr uint8_t kPollRequest = 2;
constexpr uint32_t kWritePerByteMs = 50;

// The payload length each reply must reach for the fields the driver takes from it.
constexpr std::size_t kScannerTypeReply = 5;
constexpr std::size_t kFirmwareReply = 4;
constexpr std::size_t kEidReply = 3;
constexpr std::size_t kPortReply = 3;
constexpr std::size_t kFlagReply = 2;
constexpr std::size_t kStaticIpReply = 33;

constexpr AdapterCommandTexts kBeginScan{"Fail to set start scan state on ExAdapter.",
                                         "Fail to read response of Start Scan State Command from ExAdapter.",
                                         "Fail (Bad response) to set start scan state on ExAdapter."};
constexpr AdapterCommandTexts kEndScan{"Fail to set End Scan State on ExAdapter.",
                                       "Fail to read response of End Scan State Command from ExAdapter.",
                                       "Fail (Bad response) to set End Scan State on ExAdapter."};
constexpr AdapterCommandTexts kFirmware{
    "Fail to write Read firmware version Command to ExAdapter.",
    "Fail to read response of Read firmware version Command from ExAdapter.",
    "Fail (Bad response) to read response of Read firmware version Command from ExAdapter."};
constexpr AdapterCommandTexts kEid{
    "Fail to write Read adaptor EID Command to ExAdapter.",
    "Fail to read response of Read adaptor EID Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor EID Command from ExAdapter."};
constexpr AdapterCommandTexts kReadType{
    "Fail to write Read Scanner Type Command to ExAdapter.",
    "Fail to read response of Read Scanner Type Command from ExAdapter.",
    "Fail (Bad response) to read response of Read Scanner Type Command from ExAdapter."};
constexpr AdapterCommandTexts kWriteType{
    "Fail to write Write Scanner Type Command to ExAdapter.",
    "Fail to read response of Write Scanner Type Command from ExAdapter.",
    "Fail (Bad response) to read response of Write Scanner Type Command from ExAdapter."};
// The adapter's own firmware reports a wrong letter here with the read text.
constexpr AdapterCommandTexts kWriteSize{
    "Fail to write Write Scanner Size Command to ExAdapter.",
    "Fail to read response of Write Scanner Size Command from ExAdapter.",
    "Fail to read response of Write Scanner Size Command from ExAdapter."};
constexpr AdapterCommandTexts kPattern{
    "Fail to write pattern data to ExAdapter.",
    "Fail to read response of writing pattern data from ExAdapter.",
    "Fail (Bad response) to read response of writing pattern data from ExAdapter."};
constexpr AdapterCommandTexts kSwitch{
    "Fail to write Switch Command to ExAdapter.", "Fail to read response of Switch Command from ExAdapter.",
    "Fail (Bad response) to read response of Switch Command from ExAdapter."};
constexpr AdapterCommandTexts kMotors{
    "Fail to write Read support motors Command to ExAdapter.",
    "Fail to read response of Read support motors Command from ExAdapter.",
    "Fail (Bad response) to read response of Read support motors ommand from ExAdapter."};
constexpr AdapterCommandTexts kStaticIp{
    "Fail to write Read adaptor Static IP Command to ExAdapter.",
    "Fail to read response of Read adaptor Static IP Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor Static IP ommand from ExAdapter."};
constexpr AdapterCommandTexts kUseStaticIp{
    "Fail to write Read adaptor Use Static IP Command to ExAdapter.",
    "Fail to read response of Read adaptor Use Static IP Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor Use Static IP ommand from ExAdapter."};
constexpr AdapterCommandTexts kTcpPort{
    "Fail to write Read adaptor TCP Port Command to ExAdapter.",
    "Fail to read response of Read adaptor TCP Port Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor TCP Port ommand from ExAdapter."};
constexpr AdapterCommandTexts kWriteUseStaticIp{
    "Fail to write Read adaptor Write Use Static IP Command to ExAdapter.",
    "Fail to read response of Read adaptor Write Use Static IP Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor Write Use Static IP ommand from ExAdapter."};
constexpr AdapterCommandTexts kWriteStaticIp{
    "Fail to write Read adaptor Write Static IP Command to ExAdapter.",
    "Fail to read response of Read adaptor Write Static IP Command from ExAdapter.",
    "Fail (Bad response) to read response of Read adaptor Write Static IP ommand from ExAdapter."};

constexpr const char* kStoppedReadText = "The read of the ExAdapter's reply ended on the scan's stop.";
constexpr const char* kStartingSwitchWrite = "Fail to write Starting Switch command to ExAdapter.";
constexpr const char* kStartingSwitchRead =
    "Fail to read response of Starting Switch command from ExAdapter.";
constexpr const char* kTriggerSwitchWrite = "Fail to write Trigger and Switch command to ExAdapter.";
constexpr const char* kTriggerSwitchRead =
    "Fail to read response of Trigger and Switch command from ExAdapter.";

void Log(std::string_view text) {
    AddInformationMessage(1, text);
}

// A NUL-terminated text within a fixed field.
std::string FieldText(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return {field.begin(), end};
}

uint32_t ConfiguredSerialSpeed() {
    SettingsKey key;
    uint32_t speed = 0;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::LocalMachine, CExScannerBoard::kSettingsKey,
                                          SettingsAccess::Read, key) == SettingsStatus::kSuccess &&
        key.GetDword(CExScannerBoard::kBaudrateValue, speed) == SettingsStatus::kSuccess && speed != 0) {
        return speed;
    }
    return CExScannerBoard::kDefaultSerialSpeed;
}

} // namespace

CExScannerBoard::CExScannerBoard()
    : CScanner(eProbeType::ExternalAdapter), m_serialSpeed(ConfiguredSerialSpeed()) {}

CExScannerBoard::~CExScannerBoard() {
    m_tcp.Close();
    m_serial.Close();
}

ScannerSetup CExScannerBoard::CurrentSetup() const {
    return m_setupSource ? m_setupSource() : ScannerSetup{};
}

CAdapterTransport* CExScannerBoard::ActiveTransport() {
    switch (m_transport) {
    case kTransportTcp:
        return &m_tcp;
    case kTransportSerial:
        return &m_serial;
    default:
        return nullptr;
    }
}

bool CExScannerBoard::WriteFrame(std::span<const uint8_t> payload) {
    CAdapterTransport* transport = ActiveTransport();
    const std::vector<uint8_t> frame = CAdapterFrame::Build(payload);
    if (transport == nullptr || frame.empty()) {
        return false;
    }
    const auto size = static_cast<uint32_t>(frame.size());
    return transport->Write(frame.data(), size, size * kWritePerByteMs);
}

bool CExScannerBoard::ReadFrame(CAdapterFrame& reply) {
    CAdapterTransport* transport = ActiveTransport();
    if (transport == nullptr) {
        return false;
    }
    return reply.Read([transport](uint8_t* into, uint32_t count,
                                  uint32_t timeoutMs) { return transport->Read(into, count, timeoutMs); },
                      kFrameDeadlineByteTimeouts *
                          transport->GetLongestWaitMs(CAdapterFrame::kByteTimeoutMs));
}

bool CExScannerBoard::Exchange(std::span<const uint8_t> payload, const AdapterCommandTexts& texts,
                               std::size_t replyLength, CAdapterFrame& reply) {
    const LinkStop stop(CurrentSetup().stop);
    if (!WriteFrame(payload)) {
        SetReconnectNeeded(true);
        Log(texts.write);
        return false;
    }
    if (!ReadFrame(reply)) {
        // Cut short by a stop or not, the reply may still come: the link is opened anew before the
        // next scan rather than read it as the answer to another command.
        SetReconnectNeeded(true);
        Log(LinkStop::Requested() ? kStoppedReadText : texts.read);
        return false;
    }
    if (reply.Letter() != payload[0] || reply.Payload().size() < replyLength) {
        Log(texts.badResponse);
        return false;
    }
    return true;
}

bool CExScannerBoard::Exchange(std::span<const uint8_t> payload, const AdapterCommandTexts& texts) {
    CAdapterFrame reply;
    return Exchange(payload, texts, 1, reply);
}

bool CExScannerBoard::Connect() {
    if (!IsReconnectNeeded()) {
        return true;
    }
    Log("Searching for network ExAdapter...");
    if (std::optional<std::string> address = CAdapterDiscovery::Discover()) {
        m_address = std::move(*address);
        m_transport = kTransportTcp;
    } else {
        Log("Failed in find ExAdapter on the network.");
        Log("Searching for serial ExAdapter...");
        if (!SearchSerialAdapter()) {
            Log("Failed in find ExAdapter on the serial.");
            m_transport = kTransportNone;
            return false;
        }
        m_transport = kTransportSerial;
    }

    Log("Start to create connection to Scanner.");
    if (m_transport == kTransportTcp) {
        if (!m_tcp.Connect(m_address, m_port)) {
            Log("Failed in initializing TCP engine in Setup Connection().");
            m_transport = kTransportNone;
            return false;
        }
    } else if (!m_serial.Open(m_serialPortName, m_serialSpeed)) {
        Log("Failed in initializing serial engine in Setup Connection().");
        m_transport = kTransportNone;
        return false;
    }

    ReadAdapterSettings();
    Log("Completed in creating connection to Scanner.");
    SetReconnectNeeded(false);
    return true;
}

void CExScannerBoard::ReadAdapterSettings() {
    CAdapterFrame reply;
    m_motorsSupported = false;
    if (Exchange(ScannerCommandBytes('J').Span(), kMotors, kFlagReply, reply)) {
        m_motorsSupported = reply.Payload()[1] == 1;
    }
    if (Exchange(ScannerCommandBytes('D').Span(), kStaticIp, kStaticIpReply, reply)) {
        const std::span<const uint8_t> payload = reply.Payload();
        m_staticIp = FieldText(payload.subspan(1, kStaticTextLength));
        m_staticMask = FieldText(payload.subspan(1 + kStaticTextLength, kStaticTextLength));
    }
    if (Exchange(ScannerCommandBytes('F').Span(), kUseStaticIp, kFlagReply, reply)) {
        m_useStaticIp = reply.Payload()[1] == 1;
    }
    if (Exchange(ScannerCommandBytes('H').Span(), kTcpPort, kPortReply, reply)) {
        const std::span<const uint8_t> payload = reply.Payload();
        const auto port = static_cast<uint16_t>(payload[1] | (payload[2] << 8));
        // No port is no answer: the one that reached the adapter stays.
        if (port != 0) {
            m_port = port;
        }
    }
}

bool CExScannerBoard::SearchSerialAdapter() {
    m_transport = kTransportSerial;
    for (const SerialPortInfo& port : SearchSerialPorts()) {
        if (port.description != kCdcAcmPortDescription) {
            continue;
        }
        if (m_serial.Open(port.portName, m_serialSpeed)) {
            const std::vector<uint8_t> frame = CAdapterFrame::Build(std::array<uint8_t, 2>{'a', 0});
            CAdapterFrame reply;
            if (m_serial.Write(frame.data(), static_cast<uint32_t>(frame.size()), kSearchWriteTimeoutMs) &&
                ReadFrame(reply) && reply.Letter() == 'a' && reply.Payload().size() >= kFlagReply &&
                reply.Payload()[1] == kSearchAnswer) {
                m_serialPortName = port.portName;
                return true;
            }
        }
        m_serial.Close();
    }
    return false;
}

bool CExScannerBoard::Disconnect() {
    m_tcp.Close();
    m_serial.Close();
    // A closed link must be opened again by the next Connect or Reconnect.
    SetReconnectNeeded(true);
    return true;
}

bool CExScannerBoard::Reconnect() {
    if (!IsReconnectNeeded()) {
        return true;
    }
    m_tcp.Close();
    m_serial.Close();
    // On the scan thread: a Stop Scan ends the search of the serial ports and the settings' reads at
    // their next poll instead of their time-outs.
    const LinkStop stop(CurrentSetup().stop);
    return Connect();
}

bool CExScannerBoard::BeginScan() {
    return Exchange(ScannerCommandBytes('j').Span(), kBeginScan);
}

bool CExScannerBoard::EndScan() {
    return Exchange(ScannerCommandBytes('k').Span(), kEndScan);
}

uint8_t CExScannerBoard::GetSwitchMode() const {
    return m_switchMode;
}

void CExScannerBoard::SetSwitchMode(uint8_t mode) {
    m_switchMode = mode;
}

void CExScannerBoard::SetProbeHeight(uint16_t /*height*/) {}

bool CExScannerBoard::SupportsMotors() const {
    return m_motorsSupported;
}

bool CExScannerBoard::ReadFirmwareVersion() {
    CAdapterFrame reply;
    if (!Exchange(ScannerCommandBytes('d').Byte(0).Byte(0).Byte(0).Span(), kFirmware, kFirmwareReply,
                  reply)) {
        return false;
    }
    StoreReply(reply.Payload().subspan(1, 3));
    return true;
}

bool CExScannerBoard::ReadAdaptorEID() {
    CAdapterFrame reply;
    if (!Exchange(ScannerCommandBytes('c').Byte(0).Byte(0).Span(), kEid, kEidReply, reply)) {
        return false;
    }
    StoreReply(reply.Payload().subspan(1, 2));
    return true;
}

bool CExScannerBoard::ReadScannerType() {
    CAdapterFrame reply;
    if (!Exchange(ScannerCommandBytes('2').Byte(0).Byte(0).Byte(0).Byte(0).Span(), kReadType,
                  kScannerTypeReply, reply)) {
        return false;
    }
    StoreReply(reply.Payload().subspan(1, 4));
    TakeScannerIdFromReply();
    Log(FormatC("EX Scanner ID = %d", GetScannerID()));
    return true;
}

bool CExScannerBoard::WriteScannerType() {
    const std::span<const uint8_t> buffer = GetReplyBuffer();
    if (buffer.size() < 4) {
        return false;
    }
    return Exchange(ScannerCommandBytes('1').Bytes(buffer.first(4)).Span(), kWriteType);
}

bool CExScannerBoard::WriteScannerSize() {
    const ScannerSetup setup = CurrentSetup();
    if (!FitsByte(setup.rows) || !FitsByte(setup.columns)) {
        return false;
    }
    return Exchange(ScannerCommandBytes('9')
                        .Byte(static_cast<uint8_t>(setup.rows))
                        .Byte(static_cast<uint8_t>(setup.columns))
                        .Span(),
                    kWriteSize);
}

bool CExScannerBoard::UploadPattern() {
    const std::span<const uint8_t> pattern = GetReplyBuffer();
    if (pattern.size() > kMaxPatternLength) {
        return false;
    }
    const std::vector<uint8_t> copy(pattern.begin(), pattern.end());
    return Exchange(ScannerCommandBytes('7').Byte(static_cast<uint8_t>(copy.size())).Bytes(copy).Span(),
                    kPattern);
}

bool CExScannerBoard::SwitchToCellTimed(int32_t value) {
    if (!HasSendableCell() || !FitsByte(value)) {
        return false;
    }
    ScannerCommandBytes payload('e');
    payload.Byte(GetCellRow()).Byte(GetCellColumn()).Word(GetStepWordA()).Word(GetStepWordB());
    payload.Byte(m_switchMode).Byte(static_cast<uint8_t>(value)).Byte(0);
    return Exchange(payload.Span(), kSwitch);
}

bool CExScannerBoard::SwitchToCell() {
    if (!HasSendableCell()) {
        return false;
    }
    ScannerCommandBytes payload('0');
    payload.Byte(GetCellRow())
        .Byte(GetCellColumn())
        .Word(GetStepWordA())
        .Word(GetStepWordB())
        .Byte(m_switchMode);
    return Exchange(payload.Span(), kSwitch);
}

bool CExScannerBoard::Trigger(int16_t a, uint8_t b, uint8_t c, int16_t d) {
    const std::stop_token stop = CurrentSetup().stop;
    const LinkStop linkStop(stop);
    ScannerCommandBytes payload('i');
    payload.Byte(static_cast<uint8_t>(static_cast<uint16_t>(a) & 0xFFU)).Byte(b).Byte(c);
    payload.Word(static_cast<uint16_t>(d));
    if (!WriteFrame(payload.Span())) {
        SetReconnectNeeded(true);
        Log("Fail to write Trigger Command to ExAdapter.");
        return false;
    }
    // The adapter may or may not acknowledge a trigger; the attempts only give it time to, so a stop
    // ends them, and the read waiting, with the trigger written.
    const int attempts = a / (std::max<int>(d, 1) * 100) + 10;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt != 0 && !ClockSleep(std::chrono::milliseconds(1), stop)) {
            return true;
        }
        CAdapterFrame reply;
        if (ReadFrame(reply)) {
            if (reply.Letter() != 'i') {
                Log("Fail (Bad response) to read response of Trigger Command from ExAdapter.");
            }
            return true;
        }
    }
    return true;
}

bool CExScannerBoard::SendAndPoll(std::span<const uint8_t> payload, const char* writeText,
                                  const char* readText) {
    if (!WriteFrame(payload)) {
        SetReconnectNeeded(true);
        Log(writeText);
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    const LinkStop stop(setup.stop);
    const std::array<uint8_t, 2> poll{'a', kPollRequest};
    for (int round = 0; round < kMaxPolls; ++round) {
        // A stopped scan ends the wait; the link is fine, so no reconnect is asked for.
        if (!ClockSleep(std::chrono::milliseconds(setup.pollIntervalMs), setup.stop)) {
            Log("The completion poll ended on the scan's stop.");
            return false;
        }
        CAdapterFrame reply;
        if (!WriteFrame(poll) || !ReadFrame(reply)) {
            SetReconnectNeeded(true);
            if (LinkStop::Requested()) {
                Log(kStoppedReadText);
                return false;
            }
            Log("Fail to read response of switch command from ExAdapter.");
            Log(readText);
            return false;
        }
        const std::span<const uint8_t> answer = reply.Payload();
        const uint8_t status = answer.size() >= kFlagReply ? answer[1] : 0;
        if (reply.Letter() != 'a' || (status != kPollBusy && status != kPollDone)) {
            Log("Fail (Bad response) to read response of switch command from ExAdapter.");
            Log(readText);
            return false;
        }
        if (status == kPollDone) {
            return true;
        }
    }
    return false;
}

bool CExScannerBoard::StartingSwitch(int32_t x) {
    if (!FitsWord(x)) {
        return false;
    }
    const LinkStop stop(CurrentSetup().stop);
    if (!WriteScannerSize() || !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes payload('8');
    payload.Word(GetStepWordA()).Word(GetStepWordB()).Byte(m_switchMode).Word(static_cast<uint16_t>(x));
    payload.Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    return SendAndPoll(payload.Span(), kStartingSwitchWrite, kStartingSwitchRead);
}

bool CExScannerBoard::FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) {
    if (!FitsWord(a) || !FitsWord(b)) {
        return false;
    }
    const LinkStop stop(CurrentSetup().stop);
    if (sendPattern && !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes payload('h');
    payload.Word(GetStepWordA()).Word(GetStepWordB()).Byte(m_switchMode);
    payload.Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    payload.Word(static_cast<uint16_t>(a)).Word(static_cast<uint16_t>(b));
    return SendAndPoll(payload.Span(), kStartingSwitchWrite, kStartingSwitchRead);
}

bool CExScannerBoard::PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) {
    if (!FitsWord(a) || !FitsWord(b) || !FitsWord(c)) {
        return false;
    }
    const LinkStop stop(CurrentSetup().stop);
    if (sendPattern && !UploadPattern()) {
        return false;
    }
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes payload('g');
    payload.Word(GetStepWordA()).Word(GetStepWordB()).Byte(m_switchMode);
    payload.Word(static_cast<uint16_t>(a)).Word(static_cast<uint16_t>(b)).Word(static_cast<uint16_t>(c));
    payload.Word(ClampTiming(setup.timing1)).Word(ClampTiming(setup.timing2));
    return SendAndPoll(payload.Span(), kStartingSwitchWrite, kStartingSwitchRead);
}

bool CExScannerBoard::TriggerAndSwitches() {
    const std::span<const uint8_t> pattern = GetReplyBuffer();
    const std::size_t count = std::min(pattern.size(), kMaxSwitchPattern);
    const std::vector<uint8_t> sent(pattern.begin(), pattern.begin() + static_cast<std::ptrdiff_t>(count));
    const ScannerSetup setup = CurrentSetup();
    ScannerCommandBytes payload('f');
    payload.Word(GetStepWordA()).Word(GetStepWordB()).Byte(m_switchMode).Word(ClampTiming(setup.timing1));
    payload.Byte(static_cast<uint8_t>(count / 2)).Bytes(sent);
    return SendAndPoll(payload.Span(), kTriggerSwitchWrite, kTriggerSwitchRead);
}

bool CExScannerBoard::WriteStaticIPSettings(uint8_t useStaticIp, const std::string& address,
                                            const std::string& subnetMask) {
    if (!Exchange(ScannerCommandBytes('E').Byte(useStaticIp).Span(), kWriteUseStaticIp)) {
        return false;
    }
    m_useStaticIp = useStaticIp == 1;
    if (useStaticIp != 1) {
        return true;
    }
    ScannerCommandBytes payload('C');
    payload.Text(address, kStaticTextLength).Text(subnetMask, kStaticTextLength);
    if (!Exchange(payload.Span(), kWriteStaticIp)) {
        return false;
    }
    m_staticIp = address.substr(0, kStaticTextLength - 1);
    m_staticMask = subnetMask.substr(0, kStaticTextLength - 1);
    return true;
}

} // namespace orv
