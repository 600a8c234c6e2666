#include "scandata/QScanContainer.h"

#include "core/QDescription.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"

#include <utility>

namespace orv {

QScanContainer::QScanContainer()
    : m_Description(std::make_unique<QDescription>()),
      m_MeasuredFrequencyData(std::make_unique<QMeasuredFrequencyData>()),
      m_SetupScanCommand(std::make_unique<QSetupScanCommand>()) {}

QScanContainer::~QScanContainer() = default;

QMeasuredFrequencyData& QScanContainer::GetMeasuredFrequencyData() {
    return *m_MeasuredFrequencyData;
}

QDescription& QScanContainer::GetDescription() {
    return *m_Description;
}

void QScanContainer::GetFrequencyRange(float* start, float* stop) const {
    if (start != nullptr) {
        *start = m_SetupScanCommand->GetStartFrequency();
    }
    if (stop != nullptr) {
        *stop = m_SetupScanCommand->GetStopFrequency();
    }
}

const QProbeScanPattern& QScanContainer::GetProbeScanPattern() const {
    return m_SetupScanCommand->GetProbeScanPattern();
}

uint32_t QScanContainer::TakeTransportContainer(std::unique_ptr<QTransportContainer> transport,
                                                bool mergeMaximum, int32_t* endValue, bool mergeAverage) {
    if (!transport) {
        return 0;
    }
    QTransportContainer& tc = *transport;
    const bool hasScanRecord = tc.GetSpatialScan() != nullptr || tc.GetSpectralScan() != nullptr ||
                               tc.GetSpectralSpatialScanComponent() != nullptr ||
                               tc.GetHandHeldProbeScan() != nullptr;

    uint32_t status = 0;
    if (tc.GetTerminator() != nullptr) {
        status |= kStatusEnded;
        if (endValue != nullptr) {
            *endValue = tc.GetTerminator()->GetErrorCode();
        }
    }

    if (tc.GetSetupScanCommand() != nullptr) {
        ClearScanData();
        m_HasScanData = 0;
        m_SetupScanCommand.reset(tc.GetSetupScanCommand());
        tc.SetSetupScanCommand(nullptr);
        // The engine link sends a description with every set-up; should one be missing the
        // container keeps an empty one rather than none.
        if (tc.GetDescription() != nullptr) {
            m_Description.reset(tc.GetDescription());
            tc.SetDescription(nullptr);
        } else {
            m_Description = std::make_unique<QDescription>();
        }
        if (m_MeasuredFrequencyData->GetEntryCount() != 0) {
            *m_MeasuredFrequencyData = QMeasuredFrequencyData();
        }
        status |= kStatusNewSetup;
    }

    // A frequency table and a scan record of the same step are both taken.
    // Spectra of this container point at the table, so the incoming entries replace its contents
    // and the table object itself stays.
    if (QMeasuredFrequencyData* incoming = tc.GetMeasuredFrequencyData()) {
        *m_MeasuredFrequencyData = std::move(*incoming);
        m_FrequencyDataTaken = 1;
    }
    if (hasScanRecord) {
        AddScanData(tc, mergeMaximum, mergeAverage);
        m_FrequencyDataTaken = 0;
        m_HasScanData = 1;
    }
    return status;
}

} // namespace orv
