#include "protocol/packets/QPacketFactory.h"

#include "core/TypeIds.h"
#include "protocol/packets/CQueryAnalyzerIDCommand.h"
#include "protocol/packets/QCalibrateSpectrumAnalyzerCommand.h"
#include "protocol/packets/QCalibrationProgressIndicator.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanError.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "protocol/packets/QStopCommand.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"

namespace orv {

std::unique_ptr<QCommand> QPacketFactory::CreateCommand(uint16_t typeId) const {
    switch (typeId) {
    case kTypeSetupScanCommand:
        return std::make_unique<QSetupScanCommand>();
    case kTypeGoCommand:
        return std::make_unique<QGoCommand>();
    case kTypeStopCommand:
        return std::make_unique<QStopCommand>();
    case kTypeSetSpectrumAnalyzerDriverCommand:
        return std::make_unique<QSetSpectrumAnalyzerDriverCommand>();
    case kTypeQueryScanHeadCommand:
        return std::make_unique<QQueryScanHeadCommand>();
    case kTypeCalibrateSpectrumAnalyzerCommand:
        return std::make_unique<QCalibrateSpectrumAnalyzerCommand>();
    case kTypeResetSpectrumAnalyzerCommand:
        return std::make_unique<QResetSpectrumAnalyzerCommand>();
    case kTypeScanningEngineVersionCheckCommand:
        return std::make_unique<QScanningEngineVersionCheckCommand>();
    case kTypeStopCalibrationCommand:
        return std::make_unique<QStopCalibrationCommand>();
    case kTypeScanCommandError:
        return std::make_unique<QScanCommandError>();
    case kTypeQueryAnalyzerIDCommand:
        return std::make_unique<CQueryAnalyzerIDCommand>();
    default:
        return nullptr;
    }
}

std::unique_ptr<QDataPacket> QPacketFactory::CreateDataPacket(uint16_t typeId) const {
    switch (typeId) {
    case kTypeSpectralScan:
        return std::make_unique<QSpectralScan>();
    case kTypeSpatialScan:
        return std::make_unique<QSpatialScan>();
    case kTypeSpectralSpatialScanComponent:
        return std::make_unique<QSpectralSpatialScanComponent>();
    case kTypeMeasuredFrequencyData:
        return std::make_unique<QMeasuredFrequencyData>();
    case kTypeTerminator:
        return std::make_unique<QTerminator>();
    case kTypeCalibrationProgressIndicator:
        return std::make_unique<QCalibrationProgressIndicator>();
    case kTypeScanProgressIndicator:
        return std::make_unique<QScanProgressIndicator>();
    case kTypeHandHeldProbeScan:
        return std::make_unique<QHandHeldProbeScan>();
    case kTypeScanError:
        return std::make_unique<QScanError>();
    default:
        return nullptr;
    }
}

} // namespace orv
