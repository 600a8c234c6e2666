#include "scandata/CScanData.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/UnitConversion.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"

#include <memory>

namespace orv {

CScanData::CScanData() = default;

CScanData::~CScanData() = default;

void CScanData::SetProbeScanPatternSize(uint16_t rows, uint16_t columns) {
    m_Rows = rows;
    m_Columns = columns;
    m_ProbeScanPattern.Resize(rows, columns);
    m_ProbeScanPattern.SetAllProbes(0);
}

// A kind without bulk of its own has nothing to move out.
void CScanData::WriteBulk(QDataWriter& /*writer*/) const {}
void CScanData::ReadBulk(QDataReader& /*reader*/) {}
void CScanData::ReleaseBulk() {}
uint64_t CScanData::GetBulkBytes() const {
    return 0;
}

void CScanData::WriteCommonBulk(QDataWriter& writer) const {
    m_ProbeScanPattern.WriteBody(writer);
    for (const std::string* text : {&m_AnalyzerText, &m_ModuleText, &m_ScanHeadText, &m_ExtraText}) {
        WriteString(writer, *text);
    }
}

CScanData::CommonBulk CScanData::ReadCommonBulk(QDataReader& reader) {
    // The grids as they were, heights and all: a bulk is always written with both, whatever file
    // version the reader was set to.
    CommonBulk bulk;
    const uint32_t version = reader.GetStoredFileVersion();
    reader.SetStoredFileVersion(kCurrentStoredFileVersion);
    bulk.m_Pattern.ReadBody(reader);
    reader.SetStoredFileVersion(version);
    for (std::string& text : bulk.m_Texts) {
        ReadString(reader, text);
    }
    return bulk;
}

void CScanData::TakeCommonBulk(CommonBulk bulk) {
    m_ProbeScanPattern = bulk.m_Pattern;
    m_AnalyzerText = std::move(bulk.m_Texts[0]);
    m_ModuleText = std::move(bulk.m_Texts[1]);
    m_ScanHeadText = std::move(bulk.m_Texts[2]);
    m_ExtraText = std::move(bulk.m_Texts[3]);
}

void CScanData::ReleaseCommonBulk() {
    // Made anew in place: assigning an empty pattern would keep the grids' memory, and swapped
    // with new texts, as clear() keeps a long text's memory.
    std::destroy_at(&m_ProbeScanPattern);
    std::construct_at(&m_ProbeScanPattern);
    for (std::string* text : {&m_AnalyzerText, &m_ModuleText, &m_ScanHeadText, &m_ExtraText}) {
        std::string().swap(*text);
    }
    // Made again by the next Prepare.
    m_DescriptionTexts.Clear();
}

uint64_t CScanData::GetPatternBytes() const {
    return m_ProbeScanPattern.GetChoiceGrid().GetCells().capacity() +
           m_ProbeScanPattern.GetHeightGrid().GetCells().capacity() * sizeof(uint16_t);
}

bool CScanData::GetCompensationSettings(QScanCompensationSettings& out) const {
    return m_Mediator != nullptr && m_Mediator->GetCompensationSettings(out);
}

void CScanData::FillDescriptionTexts() {
    Prepare();
    QDescriptionRecord& texts = m_DescriptionTexts;
    texts.SetDate(m_DateText);
    texts.SetUserText(m_UserText);
    texts.SetCenterFrequency(m_CenterFrequency);
    texts.SetResolutionBandwidth(m_ResolutionBandwidth);
    texts.SetFrequencySpan(m_StopFrequency - m_StartFrequency);
    texts.SetReferenceLevel(m_ReferenceLevel);
    texts.SetValuesPerPoint(static_cast<int32_t>(m_ValuesPerPoint));
    texts.SetAnalyzer(m_AnalyzerText);
    texts.SetScanHead(m_ScanHeadText);
    texts.SetPeakHold(m_PeakHold == 1);
    const uint16_t kind = GetNodeTypeId();
    const auto cells = static_cast<int32_t>(m_ProbeScanPattern.GetProbeOnCount());
    if (kind == kSpectralNode || kind == kSpectralSpatialNode || kind == kHandHeldNode) {
        texts.SetPointsCellsAndPoints(cells, static_cast<int32_t>(m_PointCount));
    } else if (kind == kSpatialNode) {
        texts.SetPointsCells(cells);
    }
    texts.SetText(kPerCellLabelText, kind == kSpatialNode ? "Samples Per Cell" : "Sweeps Per Cell");
    texts.SetLevelRange(ConvertAmplitudeToUnit(m_MinValue, kAmplitudeUnitDbuV),
                        ConvertAmplitudeToUnit(m_MaxValue, kAmplitudeUnitDbuV), kAmplitudeUnitDbuV);
}

bool CScanData::PrepareCompensationOnce(uint8_t& tried, uint8_t& available,
                                        const std::function<bool()>& load) {
    if (m_Prepared == 0) {
        Prepare();
    }
    if (tried != 0) {
        return available != 0;
    }
    tried = 1;
    if (load()) {
        available = 1;
    }
    return available != 0;
}

void CScanData::CopyTextsTo(CScanData& target) const {
    target.m_DescriptionTexts = m_DescriptionTexts;
    target.m_UserText = m_UserText;
    target.m_AnalyzerText = m_AnalyzerText;
    target.m_ModuleText = m_ModuleText;
    target.m_TextValue = m_TextValue;
    target.m_DateText = m_DateText;
    target.m_ScanHeadText = m_ScanHeadText;
    target.m_ExtraText = m_ExtraText;
}

void CScanData::CopyScanFieldsTo(CScanData& target) const {
    target.m_Mediator = m_Mediator;
    CopyTextsTo(target);
    target.m_StartFrequency = m_StartFrequency;
    target.m_StopFrequency = m_StopFrequency;
    target.m_CenterFrequency = m_CenterFrequency;
    target.m_LevelOffset = m_LevelOffset;
    target.m_ReferenceLevel = m_ReferenceLevel;
    target.m_ValuesPerPoint = m_ValuesPerPoint;
    target.m_PeakHold = m_PeakHold;
    target.m_ResolutionBandwidth = m_ResolutionBandwidth;
    target.m_IsZeltData = m_IsZeltData;
    target.m_ZeltLevel = m_ZeltLevel;
    target.m_ScanKindReserved = m_ScanKindReserved;
    target.m_ApplyCompensation = m_ApplyCompensation;
    target.m_DisplayFlags = m_DisplayFlags;
    target.m_ScanArea = m_ScanArea;
    target.m_SettingsBytes = m_SettingsBytes;
    target.m_MirtFlagByte = m_MirtFlagByte;
    target.m_TailBytes = m_TailBytes;
    target.m_TailWord = m_TailWord;
    target.m_TailValue = m_TailValue;
    target.SetProbeScanPatternSize(m_Rows, m_Columns);
}

} // namespace orv
