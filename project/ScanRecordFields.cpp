#include "project/ScanRecordFields.h"

namespace orv {

void CopyCommonRecordFields(CScanData& scan, const QScanDataRecord& record, QScanDataMediator* mediator) {
    scan.m_ScanId = static_cast<uint32_t>(record.m_ScanId);
    scan.m_Mediator = mediator;
    scan.m_UserText = record.m_Texts[0];
    scan.m_AnalyzerText = record.m_Texts[1];
    scan.m_ModuleText = record.m_Texts[2];
    scan.m_DateText = record.m_Texts[3];
    scan.m_ScanHeadText = record.m_Texts[4];
    scan.m_ExtraText = record.m_Texts[5];
    scan.m_CenterFrequency = record.m_CenterFrequency;
    scan.m_ResolutionBandwidth = record.m_ResolutionBandwidth;
    scan.m_IsZeltData = record.m_IsZeltData;
    scan.m_ZeltLevel = record.m_ZeltLevel;
    scan.m_DisplayFlags = record.m_DisplayFlags;
    scan.m_ReferenceLevel = record.m_ReferenceLevel;
    scan.m_ValuesPerPoint = record.m_ValuesPerPoint;
    scan.m_PeakHold = record.m_PeakHold;
    scan.m_LevelOffset = record.m_LevelOffset;
    scan.m_ScanArea = record.m_Area;
    scan.m_SettingsBytes = record.m_SettingsBytes;
    scan.m_MirtFlagByte = record.m_MirtFlagByte;
    scan.m_TailBytes = record.m_TailBytes;
    scan.m_TailWord = record.m_TailWord;
    scan.m_TailValue = record.m_TailValue;
    scan.SetProbeScanPatternSize(record.m_Rows, record.m_Columns);
}

} // namespace orv
