#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Asks the engine which scan head is attached. Sent with 0; the reply carries the scanner's id
// (-1 when none answers). Body: the 32-bit id.
class QQueryScanHeadCommand : public QCommand {
public:
    // Boards that report 41 are the scan head the registry knows as 45.
    static constexpr int32_t kReportedAliasId = 41;
    static constexpr int32_t kAliasedScanHeadId = 45;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeQueryScanHeadCommand; }
    uint32_t GetBodySize() const override { return 4; }

    int32_t GetScanHeadId() const { return m_ScanHeadId; }
    void SetScanHeadId(int32_t id) { m_ScanHeadId = id; }

private:
    int32_t m_ScanHeadId = 0;
};

} // namespace orv
