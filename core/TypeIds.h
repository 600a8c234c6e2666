#pragma once

#include <cstdint>

// Type ids of every serialisable kind. Within a range, numbers not listed belong to no kind. 1021 and
// 1024 are each returned by two container classes whose stored forms cannot be told apart by id.
namespace orv {

// Commands (client to engine).
inline constexpr uint16_t kTypeSetupScanCommand = 1;
inline constexpr uint16_t kTypeGoCommand = 2;
inline constexpr uint16_t kTypeStopCommand = 3;
inline constexpr uint16_t kTypeSetSpectrumAnalyzerDriverCommand = 4;
inline constexpr uint16_t kTypeQueryScanHeadCommand = 5;
inline constexpr uint16_t kTypeCalibrateSpectrumAnalyzerCommand = 6;
inline constexpr uint16_t kTypeResetSpectrumAnalyzerCommand = 7;
inline constexpr uint16_t kTypeScanningEngineVersionCheckCommand = 8;
inline constexpr uint16_t kTypeStopCalibrationCommand = 9;
inline constexpr uint16_t kTypeQueryAnalyzerIDCommand = 4003;

// Data records (engine to client).
inline constexpr uint16_t kTypeSpectralScan = 99;
inline constexpr uint16_t kTypeSpatialScan = 100;
inline constexpr uint16_t kTypeSpectralSpatialScanComponent = 101;
inline constexpr uint16_t kTypeMeasuredFrequencyData = 102;
inline constexpr uint16_t kTypeTerminator = 103;
inline constexpr uint16_t kTypeCalibrationProgressIndicator = 104;
inline constexpr uint16_t kTypeScanProgressIndicator = 105;
inline constexpr uint16_t kTypeCableScan = 106;
inline constexpr uint16_t kTypeAmbientScan = 107;
inline constexpr uint16_t kTypeGeneralModuleScan = 108;
inline constexpr uint16_t kTypeAntennaPositionScan = 109;
inline constexpr uint16_t kTypeNearFieldAmbientScan = 110;
inline constexpr uint16_t kTypeFarFieldAmbientScan = 111;
inline constexpr uint16_t kTypeHandHeldProbeScan = 112;

// Errors.
inline constexpr uint16_t kTypeScanError = 150;
inline constexpr uint16_t kTypeScanCommandError = 151;

// Snapshots.
inline constexpr uint16_t kTypeSSSpatialSnapshot = 201;
inline constexpr uint16_t kTypeSSSpectralSnapshot = 202;

// Scan containers.
inline constexpr uint16_t kTypeSpatialScanContainer = 1010;
inline constexpr uint16_t kTypeSpectralScanContainer = 1011;
inline constexpr uint16_t kTypeSpectralSpatialScanContainer = 1012;
inline constexpr uint16_t kTypeSpectralComparisonScanContainer = 1013;
inline constexpr uint16_t kTypeSpatialComparisonScanContainer = 1014;
inline constexpr uint16_t kTypeSpectralOverlayScanContainer = 1015;
inline constexpr uint16_t kTypeDummyScanContainer = 1016;
inline constexpr uint16_t kTypeCableScanContainer = 1017;
inline constexpr uint16_t kTypeCurrentClampModuleContainer = 1018;
inline constexpr uint16_t kTypeAmbientScanContainer = 1019;
inline constexpr uint16_t kTypeAntennaScanContainer = 1020;
inline constexpr uint16_t kTypeNearFieldAmbientScanContainer = 1021;
inline constexpr uint16_t kTypeFarFieldAmbientScanContainer = 1021;
inline constexpr uint16_t kTypeAntennaPositionScanContainer = 1023;
inline constexpr uint16_t kTypeAntennaScanModuleContainer = 1024;
inline constexpr uint16_t kTypeDifferentRangeScanModuleContainer = 1024;
inline constexpr uint16_t kTypeHandHeldProbeScanContainer = 1026;
inline constexpr uint16_t kTypeBlindSpotReductionScanContainer = 1027;

// Nodes.
inline constexpr uint16_t kTypePreferencesNode = 2000;
inline constexpr uint16_t kTypeModuleNode = 2001;
inline constexpr uint16_t kTypeSpectralScanNode = 2003;
inline constexpr uint16_t kTypeSpatialScanNode = 2004;
inline constexpr uint16_t kTypeSpectralSpatialScanNode = 2005;
inline constexpr uint16_t kTypeNoteNode = 2006;
inline constexpr uint16_t kTypeProjectNode = 2007;
inline constexpr uint16_t kTypeSpectralScanReferenceNode = 2008;
inline constexpr uint16_t kTypeSpatialScanReferenceNode = 2009;
inline constexpr uint16_t kTypeSpectralComparisonNode = 2010;
inline constexpr uint16_t kTypeSpatialComparisonNode = 2011;
inline constexpr uint16_t kTypeSpectralOverlayNode = 2012;
inline constexpr uint16_t kTypeOverlayNode = 2013;
inline constexpr uint16_t kTypeSpectralSpatialScriptingModuleNode = 2014;
inline constexpr uint16_t kTypeCurrentClampModuleNode = 2015;
inline constexpr uint16_t kTypeCableScanNode = 2016;
inline constexpr uint16_t kTypeWordReportNode = 2017;
inline constexpr uint16_t kTypeAmbientScanNode = 2018;
inline constexpr uint16_t kTypeAmbientScanReferenceNode = 2019;
inline constexpr uint16_t kTypeAntennaPositionScanNode = 2023;
inline constexpr uint16_t kTypeNearFieldAmbientScanNode = 2024;
inline constexpr uint16_t kTypeFarFieldAmbientScanNode = 2025;
inline constexpr uint16_t kTypeAntennaScanNode = 2026;
inline constexpr uint16_t kTypeAntennaScanModuleNode = 2027;
inline constexpr uint16_t kTypeDifferentRangeScanModuleNode = 2028;
inline constexpr uint16_t kTypeHandHeldProbeScanNode = 2029;
inline constexpr uint16_t kTypeBlindSpotReductionNode = 2030;
inline constexpr uint16_t kTypeSpectralSpatialUserCompositeNode = 2033;

// Option sets and descriptions.
inline constexpr uint16_t kTypeScanOptions = 3000;
inline constexpr uint16_t kTypeDescription = 3001;
inline constexpr uint16_t kTypeProbeScanPatternOptions = 3002;
inline constexpr uint16_t kTypeProbeScanPattern = 3003;
inline constexpr uint16_t kTypeSpectralDisplayOptions = 3004;
inline constexpr uint16_t kTypeSpatialDisplayOptions = 3005;
inline constexpr uint16_t kTypeAnalyzerOptions = 3007;
inline constexpr uint16_t kTypeIPAddressOptions = 3008;
inline constexpr uint16_t kTypeSSSpatialViewOptions = 3009;
inline constexpr uint16_t kTypeSSSpectralViewOptions = 3010;
inline constexpr uint16_t kTypeFrequencyBucketList = 3011;
inline constexpr uint16_t kTypeNoteOptions = 3012;
inline constexpr uint16_t kTypeOverlayOptions = 3013;
inline constexpr uint16_t kTypeAttenuatorOptions = 3014;
inline constexpr uint16_t kTypeSpectralScriptingDisplayOptions = 3015;
inline constexpr uint16_t kTypeCurrentClampModuleOptions = 3016;
inline constexpr uint16_t kTypeCableScanOptions = 3017;
inline constexpr uint16_t kTypeCablesSpectralViewOptions = 3020;
inline constexpr uint16_t kTypeSpectralStandLineOptions = 3021;
inline constexpr uint16_t kTypeAmplifierAntennuatorOptions = 3022;
inline constexpr uint16_t kTypeWordReportOptions = 3023;
inline constexpr uint16_t kTypeAmbientScanOptions = 3024;
inline constexpr uint16_t kTypeAntennaPositionScanOptions = 3025;
inline constexpr uint16_t kTypeAntennaScanOptions = 3026;
inline constexpr uint16_t kTypeNearFieldAmbientScanOptions = 3027;
inline constexpr uint16_t kTypeFarFieldAmbientScanOptions = 3028;
inline constexpr uint16_t kTypeAntennaScanModuleOptions = 3029;
inline constexpr uint16_t kTypeDifferentRangeScanModuleOptions = 3030;
inline constexpr uint16_t kTypeAutoSpatialsOptions = 3031;

// Tasks.
inline constexpr uint16_t kTypeFineScanTask = 4000;

} // namespace orv
