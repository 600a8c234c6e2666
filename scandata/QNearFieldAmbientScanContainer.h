#pragma once

#include "core/TypeIds.h"
#include "scandata/QAmbientFamilyScanContainer.h"

namespace orv {

// The container of a near-field ambient scan node: one near-field ambient spectrum. Every received
// record sets the reset flag of the node's near-field ambient options.
class QNearFieldAmbientScanContainer : public QAmbientFamilyScanContainer {
public:
    QNearFieldAmbientScanContainer();
    uint16_t GetTypeID() const override { return kTypeNearFieldAmbientScanContainer; }

protected:
    std::unique_ptr<QSpectralFamilyScan> MakeRecord(uint32_t count) const override;
    void CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const override;
    void AfterRecordTaken() override;
};

} // namespace orv
