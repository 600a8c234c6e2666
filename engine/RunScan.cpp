#include "engine/RunScan.h"

#include "engine/CByteCursor.h"
#include "engine/CEngineDevices.h"
#include "engine/CSocketDataEngine.h"
#include "engine/ScanStopFlag.h"
#include "platform/clock/Clock.h"

#include <algorithm>

namespace orv {

namespace {
constexpr uint16_t kTerminatorTypeId = 103;
constexpr std::chrono::milliseconds kPauseBetweenPieces{10};
} // namespace

RunScan::RunScan(const CEngineContext& context) : m_context(context) {}

RunScan::~RunScan() = default;

void RunScan::RunScanStart() {}

std::vector<uint8_t> RunScan::BuildResultPacket() {
    return {};
}

bool RunScan::StopTest() {
    ScanStopFlag* flag = m_context.stopFlag;
    if (flag == nullptr || flag->GetStopRequest() == 0 || flag->GetStopAcknowledged() != 0) {
        return false;
    }
    m_status = kStatusDone;
    flag->SetStopAcknowledged(1);
    if (m_context.devices != nullptr) {
        m_context.devices->AnalyzerExtraHook();
    }
    return true;
}

bool RunScan::SendPacket(const uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length == 0) {
        return SendResultPacket();
    }
    if (m_context.data == nullptr) {
        return false;
    }
    std::size_t sent = 0;
    while (sent < length) {
        if (sent > 0) {
            ClockSleep(kPauseBetweenPieces);
        }
        const std::size_t piece = std::min(kSendPieceBytes, length - sent);
        // The data endpoint waits until the client makes room; it fails only when it shuts down, and
        // then sending again would never succeed.
        if (!m_context.data->Send(bytes + sent, piece)) {
            return false;
        }
        sent += piece;
    }
    return true;
}

bool RunScan::SendResultPacket() {
    const std::vector<uint8_t> packet = BuildResultPacket();
    if (packet.empty()) {
        return false;
    }
    return SendPacket(packet.data(), packet.size());
}

std::stop_token RunScan::GetStopToken() const {
    return m_context.stopFlag != nullptr ? m_context.stopFlag->GetStopToken() : std::stop_token{};
}

std::vector<uint8_t> BuildTerminatorFrame(uint32_t status) {
    CByteCursor cursor(13);
    cursor.WriteUInt8(0x2A);
    cursor.WriteUInt16(0);
    cursor.WriteUInt16(kTerminatorTypeId);
    cursor.WriteUInt32(4);
    cursor.WriteUInt32(status);
    return cursor.TakeBytes();
}

} // namespace orv
