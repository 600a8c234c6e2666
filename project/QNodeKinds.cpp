#include "project/QNodeKinds.h"

#include "analyzers/CInstrumentInfo.h"
#include "project/QNodeMediator.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QAntennaPositionScanContainer.h"
#include "scandata/QAntennaScanContainer.h"
#include "scandata/QAntennaScanModuleContainer.h"
#include "scandata/QBlindSpotReductionScanContainer.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QDifferentRangeScanModuleContainer.h"
#include "scandata/QDummyScanContainer.h"
#include "scandata/QFarFieldAmbientScanContainer.h"
#include "scandata/QNearFieldAmbientScanContainer.h"
#include "scandata/QSpatialComparisonScanContainer.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralComparisonScanContainer.h"
#include "scandata/QSpectralOverlayScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <memory>

namespace orv {

QComparisonSource* QComparisonNode::GetFirstLink() {
    QNodeMediator* mediator = GetNodeMediator();
    return mediator != nullptr ? mediator->GetComparisonLink(true) : nullptr;
}

QComparisonSource* QComparisonNode::GetSecondLink() {
    QNodeMediator* mediator = GetNodeMediator();
    return mediator != nullptr ? mediator->GetComparisonLink(false) : nullptr;
}

void QComparisonNode::SetCurrentProjectScanHeadText(const std::string& text) {
    GetInstrumentInfo().SetScanHeadText(text);
}

QPreferencesNode::QPreferencesNode() {
    SetName("Preferences");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QModuleNode::QModuleNode() {
    SetName("Module");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralScanNode::QSpectralScanNode() {
    SetName("Spectral");
    SetScanContainer(std::make_unique<QSpectralScanContainer>());
}

QSpatialScanNode::QSpatialScanNode() {
    SetName("Spatial");
    SetScanContainer(std::make_unique<QSpatialScanContainer>());
}

QSpectralSpatialScanNode::QSpectralSpatialScanNode() {
    SetName("Spectral/Spatial");
    SetScanContainer(std::make_unique<QSpectralSpatialScanContainer>());
}

QNoteNode::QNoteNode() {
    SetName("Note");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QProjectNode::QProjectNode() {
    SetName("Project");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralScanReferenceNode::QSpectralScanReferenceNode() {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpatialScanReferenceNode::QSpatialScanReferenceNode() {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralComparisonNode::QSpectralComparisonNode() {
    SetName("Compare Spectral");
    SetScanContainer(std::make_unique<QSpectralComparisonScanContainer>(this));
}

QSpatialComparisonNode::QSpatialComparisonNode() {
    SetName("Compare Spatial");
    SetScanContainer(std::make_unique<QSpatialComparisonScanContainer>(this));
}

QSpectralOverlayNode::QSpectralOverlayNode() {
    SetName("Spectral Overlay");
    SetScanContainer(std::make_unique<QSpectralOverlayScanContainer>(this));
}

QOverlayNode::QOverlayNode() {
    SetName("Overlay");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralSpatialScriptingModuleNode::QSpectralSpatialScriptingModuleNode() {
    SetName("Spectral Spatial Scripting");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QCurrentClampModuleNode::QCurrentClampModuleNode() {
    SetName("Current Clamp Module");
    SetScanContainer(std::make_unique<QCurrentClampModuleContainer>());
}

QCableScanNode::QCableScanNode() {
    SetName("Cable Scan");
    SetScanContainer(std::make_unique<QCableScanContainer>());
}

QWordReportNode::QWordReportNode() {
    SetName("Report Generator");
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QAmbientScanNode::QAmbientScanNode() {
    SetName("Ambient Scan");
    SetScanContainer(std::make_unique<QAmbientScanContainer>());
}

QAmbientScanReferenceNode::QAmbientScanReferenceNode() {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QAntennaPositionScanNode::QAntennaPositionScanNode() {
    SetName("Antenna Position Scan");
    SetScanContainer(std::make_unique<QAntennaPositionScanContainer>());
}

QNearFieldAmbientScanNode::QNearFieldAmbientScanNode() {
    SetName("Near Field Spectral Scan");
    SetScanContainer(std::make_unique<QNearFieldAmbientScanContainer>());
}

QFarFieldAmbientScanNode::QFarFieldAmbientScanNode() {
    SetName("Far Field Ambient Scan");
    SetScanContainer(std::make_unique<QFarFieldAmbientScanContainer>());
}

QAntennaScanNode::QAntennaScanNode() {
    SetName("Antenna Scan");
    SetScanContainer(std::make_unique<QAntennaScanContainer>());
}

QAntennaScanModuleNode::QAntennaScanModuleNode() {
    SetName("Antenna Scan Module");
    SetScanContainer(std::make_unique<QAntennaScanModuleContainer>());
}

QDifferentRangeScanModuleNode::QDifferentRangeScanModuleNode() {
    SetName("Spectral Spatial Scripting");
    SetScanContainer(std::make_unique<QDifferentRangeScanModuleContainer>());
}

QHandHeldProbeScanNode::QHandHeldProbeScanNode() {
    SetName("Handheld Probe");
    SetScanContainer(std::make_unique<QHandHeldProbeScanContainer>());
}

QBlindSpotReductionNode::QBlindSpotReductionNode() {
    SetName("Blind Spot Reduction");
    SetScanContainer(std::make_unique<QBlindSpotReductionScanContainer>(this));
}

CSpectralSpatialUserCompositeNode::CSpectralSpatialUserCompositeNode() {
    SetName("Spectral/Spatial User composite");
    SetScanContainer(std::make_unique<QSpectralSpatialScanContainer>());
}

} // namespace orv
