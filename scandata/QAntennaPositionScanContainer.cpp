#include "scandata/QAntennaPositionScanContainer.h"

#include "core/QAntennaPositionScanOptions.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "scandata/QAntennaPositionScan.h"
#include "scandata/QContainerNodeMediator.h"

namespace orv {

QAntennaPositionScanContainer::QAntennaPositionScanContainer() {
    m_Record = MakeRecord(0);
}

void QAntennaPositionScanContainer::WriteBody(QDataWriter& writer) const {
    WriteFamilyBody(writer);
    writer.WriteU8(m_SetupByte);
}

void QAntennaPositionScanContainer::ReadBody(QDataReader& reader) {
    // Checked whole first, so a short body changes nothing.
    reader.RequireRemaining(kBodySize);
    ReadFamilyBody(reader);
    m_SetupByte = reader.ReadU8();
}

std::unique_ptr<QSpectralFamilyScan> QAntennaPositionScanContainer::MakeRecord(uint32_t count) const {
    return std::make_unique<QAntennaPositionScan>(count);
}

void QAntennaPositionScanContainer::CopyReceived(QSpectralFamilyScan& target,
                                                 const QSpectralScan& source) const {
    static_cast<QAntennaPositionScan&>(target).CopyFromSpectral(source);
}

void QAntennaPositionScanContainer::AfterRecordTaken() {
    if (QContainerNodeMediator* mediator = GetNodeMediator(); mediator != nullptr) {
        if (QAntennaPositionScanOptions* options = mediator->GetAntennaPositionScanOptions();
            options != nullptr) {
            // The options' unstored byte: the views start over with the new spectrum.
            options->m_byte = 1;
        }
    }
}

} // namespace orv
