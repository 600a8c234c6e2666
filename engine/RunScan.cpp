#include "engine/RunScan.h"

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CByteCursor.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/CSocketDataEngine.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>

namespace orv {

namespace {
constexpr uint16_t kTerminatorTypeId = 103;
constexpr std::chrono::milliseconds kPauseBetweenPieces{10};
} // namespace

RunScan::RunScan(const CEngineContext& context) : m_context(context) {}

RunScan::~RunScan() = default;

void RunScan::RunScanStart() {}

std::span<const uint8_t> RunScan::BuildResultPacket() {
    return {};
}

CDeviceManager* RunScan::Devices() const {
    return m_context.setup != nullptr ? m_context.setup->GetDeviceManager() : nullptr;
}

void RunScan::RunExtraHook() {
    if (m_context.devices != nullptr) {
        m_context.devices->AnalyzerExtraHook();
        return;
    }
    if (CDeviceManager* devices = Devices()) {
        const auto lock = devices->LockDevices();
        if (CSpectrumAnalyzer* analyzer = devices->GetAnalyzer()) {
            analyzer->ExtraHook();
        }
    }
}

bool RunScan::IsStopRequested() const {
    return m_context.stopFlag != nullptr && m_context.stopFlag->GetStopRequest() != 0;
}

bool RunScan::StopTest() {
    ScanStopFlag* flag = m_context.stopFlag;
    if (flag == nullptr || flag->GetStopRequest() == 0 || flag->GetStopAcknowledged() != 0) {
        return false;
    }
    m_status = kStatusDone;
    flag->SetStopAcknowledged(1);
    RunExtraHook();
    return true;
}

bool RunScan::EndsOnReadFailure(const char* readFailureText) {
    CDeviceManager* devices = Devices();
    if (devices == nullptr) {
        m_status = kStatusFailed;
        return true;
    }
    if (devices->GetScannerReady() == 0) {
        // A scanner that gave up because the scan was being stopped has not failed.
        if (IsStopRequested()) {
            m_status = kStatusDone;
            m_context.stopFlag->SetStopAcknowledged(1);
            return true;
        }
        m_status = kStatusCellSwitchFailed;
        return true;
    }
    if (devices->GetAnalyzerReady() == 0) {
        m_status = kStatusFailed;
        return true;
    }
    if (devices->GetReadOk() == 0) {
        AddInformationMessage(1, readFailureText);
        m_status = kStatusFailed;
        return true;
    }
    return false;
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
        // The data endpoint waits until the client makes room. Before the frame begins the scan's stop
        // ends that wait (a client that stopped reading cannot hold the runner); once begun the frame
        // is finished, so the terminator never lands inside it. Past that it fails only when it shuts
        // down, and then sending again would never succeed.
        if (!m_context.data->Send(bytes + sent, piece, sent == 0 ? GetStopToken() : std::stop_token{})) {
            return false;
        }
        sent += piece;
    }
    return true;
}

bool RunScan::SendResultPacket() {
    const std::span<const uint8_t> packet = BuildResultPacket();
    if (packet.empty()) {
        return false;
    }
    return SendPacket(packet.data(), packet.size());
}

bool RunScan::SendProgress(const ScanProgressRecord& progress) {
    BuildProgressFrame(progress, m_progressFrame);
    return SendPacket(m_progressFrame.data(), m_progressFrame.size());
}

bool RunScan::SendProgressAndResult(const ScanProgressRecord& progress) {
    return SendProgress(progress) && SendResultPacket();
}

void RunScan::ReportProgress(uint32_t total, uint32_t done) {
    ScanProgressRecord progress;
    progress.flag = 2;
    progress.activeCount = static_cast<uint16_t>(total);
    progress.cellsDone = static_cast<uint16_t>(done);
    BuildProgressFrame(progress, m_progressFrame);
    if (m_pendingProgress.empty() && m_context.data != nullptr &&
        m_context.data->TrySend(m_progressFrame.data(), m_progressFrame.size())) {
        return;
    }
    m_pendingProgress.insert(m_pendingProgress.end(), m_progressFrame.begin(), m_progressFrame.end());
}

bool RunScan::FlushProgress() {
    if (m_pendingProgress.empty()) {
        return true;
    }
    const bool sent = SendPacket(m_pendingProgress.data(), m_pendingProgress.size());
    m_pendingProgress.clear();
    return sent;
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
