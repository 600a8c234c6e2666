#include "engine/scanners/CNoScannerBoard.h"

#include "platform/log/InformationLog.h"

#include <array>
#include <string>

namespace orv {

CNoScannerBoard::CNoScannerBoard() : CScanner(eProbeType::NoScanner) {}

CNoScannerBoard::~CNoScannerBoard() = default;

bool CNoScannerBoard::Connect() {
    SetReconnectNeeded(false);
    m_answering = 1;
    return true;
}

bool CNoScannerBoard::Disconnect() {
    return true;
}

bool CNoScannerBoard::Reconnect() {
    // Nothing can fail without a transport, so there is never a link to restore.
    return true;
}

bool CNoScannerBoard::BeginScan() {
    return true;
}

bool CNoScannerBoard::EndScan() {
    return true;
}

uint8_t CNoScannerBoard::GetSwitchMode() const {
    return 0;
}

void CNoScannerBoard::SetSwitchMode(uint8_t /*mode*/) {}

bool CNoScannerBoard::SwitchToCellTimed(int32_t /*value*/) {
    return SwitchToCell();
}

bool CNoScannerBoard::SwitchToCell() {
    return true;
}

bool CNoScannerBoard::ReadScannerType() {
    if (m_answering == 0) {
        return false;
    }
    constexpr std::array<uint8_t, 4> kReply{kNoScannerID, 0, 0, 0};
    StoreReply(kReply);
    TakeScannerIdFromReply();
    AddInformationMessage(1, "Scanner ID = " + std::to_string(GetScannerID()));
    return true;
}

bool CNoScannerBoard::WriteScannerType() {
    return false;
}

bool CNoScannerBoard::Trigger(int16_t /*a*/, uint8_t /*b*/, uint8_t /*c*/, int16_t /*d*/) {
    return m_answering != 0;
}

bool CNoScannerBoard::StartingSwitch(int32_t /*x*/) {
    return m_answering != 0;
}

bool CNoScannerBoard::FullSwitchAndTrigger(int32_t /*a*/, int32_t /*b*/, bool /*sendPattern*/) {
    return m_answering != 0;
}

bool CNoScannerBoard::PartialSwitchAndTrigger(int32_t /*a*/, int32_t /*b*/, int32_t /*c*/,
                                              bool /*sendPattern*/) {
    return m_answering != 0;
}

bool CNoScannerBoard::TriggerAndSwitches() {
    return m_answering != 0;
}

bool CNoScannerBoard::WriteScannerSize() {
    return m_answering != 0;
}

bool CNoScannerBoard::ReadAdaptorEID() {
    if (m_answering == 0) {
        return false;
    }
    constexpr std::array<uint8_t, 2> kReply{0, 0};
    StoreReply(kReply);
    return true;
}

bool CNoScannerBoard::ReadFirmwareVersion() {
    if (m_answering == 0) {
        return false;
    }
    constexpr std::array<uint8_t, 3> kReply{0, 0, 0};
    StoreReply(kReply);
    return true;
}

void CNoScannerBoard::SetProbeHeight(uint16_t /*height*/) {}

bool CNoScannerBoard::SupportsMotors() const {
    return false;
}

} // namespace orv
