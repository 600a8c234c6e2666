#include "scandata/QNearFieldAmbientScanContainer.h"

#include "core/QSmallOptions.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QNearFieldAmbientScan.h"

namespace orv {

QNearFieldAmbientScanContainer::QNearFieldAmbientScanContainer() {
    m_Record = MakeRecord(0);
}

std::unique_ptr<QSpectralFamilyScan> QNearFieldAmbientScanContainer::MakeRecord(uint32_t count) const {
    return std::make_unique<QNearFieldAmbientScan>(count);
}

void QNearFieldAmbientScanContainer::CopyReceived(QSpectralFamilyScan& target,
                                                  const QSpectralScan& source) const {
    static_cast<QNearFieldAmbientScan&>(target).CopyFromSpectral(source);
}

void QNearFieldAmbientScanContainer::AfterRecordTaken() {
    if (QContainerNodeMediator* mediator = GetNodeMediator(); mediator != nullptr) {
        if (QNearFieldAmbientScanOptions* options = mediator->GetNearFieldAmbientScanOptions();
            options != nullptr) {
            options->SetResetFlag(true);
        }
    }
}

} // namespace orv
