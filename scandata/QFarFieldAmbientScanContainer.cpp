#include "scandata/QFarFieldAmbientScanContainer.h"

#include "core/QSmallOptions.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QFarFieldAmbientScan.h"

namespace orv {

QFarFieldAmbientScanContainer::QFarFieldAmbientScanContainer() {
    m_Record = MakeRecord(0);
}

std::unique_ptr<QSpectralFamilyScan> QFarFieldAmbientScanContainer::MakeRecord(uint32_t count) const {
    return std::make_unique<QFarFieldAmbientScan>(count);
}

void QFarFieldAmbientScanContainer::CopyReceived(QSpectralFamilyScan& target,
                                                 const QSpectralScan& source) const {
    static_cast<QFarFieldAmbientScan&>(target).CopyAmplitudes(source);
}

void QFarFieldAmbientScanContainer::AfterRecordTaken() {
    if (QContainerNodeMediator* mediator = GetNodeMediator(); mediator != nullptr) {
        if (QFarFieldAmbientScanOptions* options = mediator->GetFarFieldAmbientScanOptions();
            options != nullptr) {
            options->SetResetFlag(true);
        }
    }
}

} // namespace orv
