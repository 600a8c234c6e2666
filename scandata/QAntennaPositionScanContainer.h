#pragma once

#include "core/TypeIds.h"
#include "scandata/QAmbientFamilyScanContainer.h"

namespace orv {

// The container of an antenna position scan node: one antenna position spectrum. Every received
// record sets the reset flag of the node's antenna position options.
//
// Stored body (21 bytes): the family's 20 bytes, then the set-up byte.
class QAntennaPositionScanContainer : public QAmbientFamilyScanContainer {
public:
    static constexpr uint32_t kBodySize = kFamilyBodySize + 1;

    QAntennaPositionScanContainer();
    uint16_t GetTypeID() const override { return kTypeAntennaPositionScanContainer; }
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint32_t GetBodySize() const override { return kBodySize; }

    uint8_t GetSetupByte() const { return m_SetupByte; }
    void SetSetupByte(uint8_t value) { m_SetupByte = value; }

protected:
    std::unique_ptr<QSpectralFamilyScan> MakeRecord(uint32_t count) const override;
    void CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const override;
    void AfterRecordTaken() override;

private:
    uint8_t m_SetupByte = 1;
};

} // namespace orv
