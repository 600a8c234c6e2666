#pragma once

#include "core/TypeIds.h"
#include "scandata/QAmbientFamilyScanContainer.h"

namespace orv {

// The container of a far-field ambient scan node: one far-field ambient spectrum. Every received
// record sets the reset flag of the node's far-field ambient options.
class QFarFieldAmbientScanContainer : public QAmbientFamilyScanContainer {
public:
    QFarFieldAmbientScanContainer();
    uint16_t GetTypeID() const override { return kTypeFarFieldAmbientScanContainer; }

protected:
    std::unique_ptr<QSpectralFamilyScan> MakeRecord(uint32_t count) const override;
    void CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const override;
    void AfterRecordTaken() override;
};

} // namespace orv
