#include "project/QScanDataList.h"

#include "project/QNodeMediator.h"
#include "scandata/CScanData.h"

namespace orv {

QScanDataList::~QScanDataList() = default;

void QScanDataList::AddSourceRow(const std::string& text, int32_t /*source*/, const CScanData& scan) {
    AddRow(text, scan.m_DateText, scan.m_UserText);
}

void QScanDataList::AddSourceRows(QNodeMediator& mediator, const char* first, const char* second) {
    if (const CScanData* scan = mediator.GetComparedScan(true)) {
        AddSourceRow(first, kFirstSourceRow, *scan);
    }
    if (const CScanData* scan = mediator.GetComparedScan(false)) {
        AddSourceRow(second, kSecondSourceRow, *scan);
    }
}

void QScanDataList::AddSpectralComparisonRows(QNodeMediator& mediator) {
    AddSourceRows(mediator, "Reference", "Test");
}

void QScanDataList::AddSpectralOverlayRows(QNodeMediator& mediator) {
    AddSourceRows(mediator, "Reference", "Test");
}

void QScanDataList::AddSpatialComparisonRows(QNodeMediator& mediator) {
    AddSourceRows(mediator, "Reference", "Test");
}

void QScanDataList::AddBlindSpotReductionRows(QNodeMediator& mediator) {
    AddSourceRows(mediator, "Lower", "Upper");
}

} // namespace orv
