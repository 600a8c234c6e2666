#include "scandata/QTransportContainer.h"

#include "core/QDescription.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"

namespace orv {

namespace {

template <typename T> void Replace(T*& slot, T* record) {
    if (record != nullptr && record != slot) {
        delete slot;
    }
    slot = record;
}

} // namespace

QTransportContainer::~QTransportContainer() {
    delete m_SetupScanCommand;
    delete m_SpatialScan;
    delete m_SpectralScan;
    delete m_SpectralSpatialScanComponent;
    delete m_MeasuredFrequencyData;
    delete m_Description;
    delete m_Terminator;
    delete m_HandHeldProbeScan;
}

void QTransportContainer::SetSpatialScan(QSpatialScan* record) {
    Replace(m_SpatialScan, record);
}

void QTransportContainer::SetSpectralScan(QDataPacket* record) {
    Replace(m_SpectralScan, record);
}

void QTransportContainer::SetSpectralSpatialScanComponent(QSpectralSpatialScanComponent* record) {
    Replace(m_SpectralSpatialScanComponent, record);
}

void QTransportContainer::SetHandHeldProbeScan(QHandHeldProbeScan* record) {
    Replace(m_HandHeldProbeScan, record);
}

void QTransportContainer::SetSetupScanCommand(QSetupScanCommand* command) {
    Replace(m_SetupScanCommand, command);
}

void QTransportContainer::SetMeasuredFrequencyData(QMeasuredFrequencyData* record) {
    Replace(m_MeasuredFrequencyData, record);
}

void QTransportContainer::SetDescription(QDescription* description) {
    Replace(m_Description, description);
}

void QTransportContainer::SetTerminator(QTerminator* record) {
    Replace(m_Terminator, record);
}

} // namespace orv
