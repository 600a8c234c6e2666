#include "dialogs/CSettingsSheetMaker.h"

#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "dialogs/CPageNodeDescription.h"
#include "dialogs/CPagePreferenceAnalyzer.h"
#include "dialogs/CPagePreferenceScannerType.h"
#include "dialogs/CPagePreferenceSpectralDisplay.h"
#include "dialogs/CPageReportGenerator.h"
#include "dialogs/CPageScanProbes.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CPageSpectralSpatialDefineScripting.h"

namespace orv {

std::unique_ptr<QSettingsSheet> CSettingsSheetMaker::MakeSheet(const std::string& caption,
                                                               CHalvionView& formView, int32_t firstPage) {
    return std::make_unique<CNodeOptionsSheet>(caption, formView.window(), firstPage);
}

std::unique_ptr<QSettingsPage> CSettingsSheetMaker::MakePage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                             uint16_t scanKind) {
    switch (kind) {
    case QSettingsPageKind::SpectralScan:
        return std::make_unique<CPageSpectralScan>(mediator);
    case QSettingsPageKind::SpatialScan:
        return std::make_unique<CPageSpatialScan>(mediator);
    case QSettingsPageKind::AmplitudeAdjust:
        return std::make_unique<CPageAmplitudeAdjust>(mediator);
    case QSettingsPageKind::PreferenceAnalyzer:
        return std::make_unique<CPagePreferenceAnalyzer>(mediator);
    case QSettingsPageKind::PreferenceSpectralDisplay:
        return std::make_unique<CPagePreferenceSpectralDisplay>(mediator);
    case QSettingsPageKind::DefineScripting:
        return std::make_unique<CPageSpectralSpatialDefineScripting>(mediator);
    case QSettingsPageKind::PreferenceScannerType:
        return std::make_unique<CPagePreferenceScannerType>(mediator);
    case QSettingsPageKind::NodeDescription:
        return std::make_unique<CPageNodeDescription>(mediator);
    case QSettingsPageKind::ScanProbes:
        return std::make_unique<CPageScanProbes>(mediator, scanKind);
    case QSettingsPageKind::ReportGenerator:
        return std::make_unique<CPageReportGenerator>(mediator);
    default:
        return nullptr;
    }
}

void CSettingsSheetMaker::Install() {
    CFormViewFactory::SetSettingsMaker({&CSettingsSheetMaker::MakeSheet, &CSettingsSheetMaker::MakePage});
}

} // namespace orv
