#include "engine/scanners/CScanner.h"

#include "core/ByteCodec.h"

namespace orv {

CScanner::CScanner(eProbeType probeType) : m_probeType(probeType) {}

CScanner::~CScanner() = default;

int32_t CScanner::GetScannerID() const {
    return m_scannerID;
}

void CScanner::SetSelectedScannerID(int32_t id) {
    m_selectedScannerID = id;
}

bool CScanner::StorePatternData(std::span<const uint8_t> bytes) {
    StoreReply(bytes);
    return true;
}

std::span<const uint8_t> CScanner::GetProbeCellMap() const {
    return m_replyBuffer;
}

void CScanner::SetScannerTypeValue(uint16_t value) {
    m_scannerTypeValue.store(value);
}

bool CScanner::SetCell(int32_t row, int32_t column) {
    m_cellSendable = row >= 0 && row <= kMaxCellIndex && column >= 0 && column <= kMaxCellIndex;
    if (!m_cellSendable) {
        return false;
    }
    m_cellRow = static_cast<uint8_t>(row);
    m_cellColumn = static_cast<uint8_t>(column);
    return true;
}

void CScanner::StoreReply(std::span<const uint8_t> reply) {
    m_replyBuffer.assign(reply.begin(), reply.end());
}

bool CScanner::TakeScannerIdFromReply() {
    if (m_replyBuffer.size() != 4) {
        return false;
    }
    const uint8_t* cursor = m_replyBuffer.data();
    m_scannerID = GetLE<int32_t>(cursor);
    return true;
}

} // namespace orv
