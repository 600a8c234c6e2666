#pragma once

#include "core/QDescriptionRecord.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QScanDataMediator.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class QDataReader;
class QDataWriter;
class QSSSpectralSnapshot;
class QSSSpatialSnapshot;
class CSpatialDataAtom;
class CSpectralDataAtom;

// Where a scan lies on the scanner: the overlay linked to it, how many quarter turns that overlay
// is rotated by, and the scanned rectangle in scanner units. That is the form of variant 0; a record
// of another variant carries four values, a word and three bytes of its own instead of the turns,
// the two values and the rectangle. Every field is kept as it came (from a project file or a scan)
// and stored back unchanged, also those whose use is not known.
struct CScanAreaRecord {
    uint8_t m_Variant = 0;
    uint32_t m_OverlayId = 0;
    // Variant 0.
    int8_t m_RotationCount = 0;
    std::array<float, 2> m_Values{};
    int32_t m_Left = 0;
    int32_t m_Top = 0;
    int32_t m_Right = 0;
    int32_t m_Bottom = 0;
    // Other variants.
    std::array<float, 4> m_OtherValues{};
    uint32_t m_OtherWord = 0;
    std::array<uint8_t, 3> m_OtherBytes{};

    bool operator==(const CScanAreaRecord& other) const = default;
};

// One frequency marker of a spectrum: a single point (last index -1) or a range of points.
struct _FrequencyMarkerPoint {
    float m_Frequency = 0.0F; // MHz
    int32_t m_FirstIndex = 0;
    uint8_t m_Selected = 0;
    uint32_t m_Word = 0; // carried along unchanged
    int32_t m_LastIndex = -1;

    bool operator==(const _FrequencyMarkerPoint& other) const = default;
};

// A point of the views (x, y).
struct CScanPoint {
    int32_t m_X = 0;
    int32_t m_Y = 0;

    bool operator==(const CScanPoint& other) const = default;
};

// A zoom window of the spatial views: first and last row and column of the cells shown.
struct _ZoomingSpatialRects {
    int32_t m_FirstRow = 0;
    int32_t m_FirstColumn = 0;
    int32_t m_LastRow = 0;
    int32_t m_LastColumn = 0;

    bool operator==(const _ZoomingSpatialRects& other) const = default;
};

// The display-side object of one stored scan: the views draw from it and enter m_Lock while they
// read it; the node mediator keeps one list of them per scan kind and fills their fields.
class CScanData {
public:
    static constexpr int16_t kNoValue = 30000;
    static constexpr uint16_t kSpectralNode = 2003;
    static constexpr uint16_t kSpatialNode = 2004;
    static constexpr uint16_t kSpectralSpatialNode = 2005;
    static constexpr uint16_t kHandHeldNode = 2029;

    CScanData();
    virtual ~CScanData();
    CScanData(const CScanData&) = delete;
    CScanData& operator=(const CScanData&) = delete;

    // Makes the derived tables ready; the kinds do it once.
    virtual void Prepare() {}
    virtual float GetFrequency(int32_t /*index*/) { return 0.0F; }
    virtual uint32_t GetCount() const { return 0; }
    // Recomputes m_MinLevelShown and m_MaxLevelShown; the kinds answer whether the compensated
    // range was used.
    virtual uint8_t UpdateLevelRange() { return 0; }

    // Sets the grid and resizes and clears the probe pattern.
    void SetProbeScanPatternSize(uint16_t rows, uint16_t columns);

    // A scan kept out of memory (QScanResidency): its bulk, which nothing else holds (the measured
    // values, the probe pattern and the header texts the list does not show), is written as
    // fixed-width little-endian fields and dropped with the tables and description texts built from
    // it; reading it back makes the scan whole, and the next Prepare builds the tables and texts
    // again. The ID, the date and user texts the list shows, the numeric header and the view
    // settings stay in memory throughout, so the list and every pointer to the scan stay valid. The
    // dump is the process's own, never stored.
    virtual void WriteBulk(QDataWriter& writer) const;
    // Throws QIOException on a short or damaged dump; the scan is then unchanged.
    virtual void ReadBulk(QDataReader& reader);
    virtual void ReleaseBulk();
    // What the bulk and the tables built from it take in memory, roughly.
    virtual uint64_t GetBulkBytes() const;

    void GetDateText(std::string& out) const { out = m_DescriptionTexts.GetText(1); }
    void GetUserText(std::string& out) const { out = m_DescriptionTexts.GetText(2); }
    void GetCenterFrequencyText(std::string& out) const { out = m_DescriptionTexts.GetText(3); }
    void GetResolutionBandwidthText(std::string& out) const { out = m_DescriptionTexts.GetText(4); }
    void GetFrequencySpanText(std::string& out) const { out = m_DescriptionTexts.GetText(5); }
    void GetReferenceLevelText(std::string& out) const { out = m_DescriptionTexts.GetText(6); }
    void GetValuesPerPointText(std::string& out) const { out = m_DescriptionTexts.GetText(8); }
    void GetPointsText(std::string& out) const { out = m_DescriptionTexts.GetText(9); }
    void GetScanHeadText(std::string& out) const { out = m_DescriptionTexts.GetText(10); }
    void GetAnalyzerText(std::string& out) const { out = m_DescriptionTexts.GetText(11); }
    void GetPeakHoldText(std::string& out) const { out = m_DescriptionTexts.GetText(12); }
    // The label of the values-per-point line ("Samples Per Cell" or "Sweeps Per Cell").
    void GetPerCellLabelText(std::string& out) const { out = m_DescriptionTexts.GetText(kPerCellLabelText); }

    // Prepares the scan, then fills the description texts that the text export prints.
    void FillDescriptionTexts();

    // The front end the scan was taken with, read where the scan record keeps it. The intake writes
    // the attenuator value and switches and "Measure Peaks" into the tail; the front-end kind and the
    // averaging switch are the header's settings bytes; the tail's last three bytes and its word are
    // read by the front end in use: the analyser's input coupling and pre-amplifier gain, or the
    // scanner's pre-amplifier, noise reduction, threshold and attenuator switches.
    float GetAttenuationValue() const { return m_TailValue; } // dB; negative = amplification
    bool IsPreAmplifierOn() const { return m_TailBytes[0] != 0; }
    bool IsTrackingGenerationOn() const { return m_TailBytes[1] != 0; }
    bool IsMeasurePeaksOn() const { return m_TailBytes[2] != 0; }
    // 0 or below: the analyser's own front end; 1 or above: the scanner's.
    int8_t GetFrontEndKind() const { return static_cast<int8_t>(m_SettingsBytes[0]); }
    bool IsAveraging() const { return m_SettingsBytes[1] != 0; }
    bool IsDcCoupled() const { return m_TailBytes[3] != 0; }
    uint16_t GetPreAmplifierGain() const { return m_TailWord; } // dB
    uint8_t GetScannerPreAmplifier() const { return m_TailBytes[3]; }
    uint8_t GetNoiseReduction() const { return m_TailBytes[4]; }
    uint16_t GetNoiseThreshold() const { return m_TailWord; }
    bool IsInternalAttenuatorOn() const { return (m_TailBytes[5] & 1U) != 0; }
    bool IsExternalRfBypassOn() const { return (m_TailBytes[5] & 2U) != 0; }

    // The Preferences node's compensation settings; false without a mediator or settings.
    bool GetCompensationSettings(QScanCompensationSettings& out) const;
    const CScanAreaRecord& GetScanArea() const { return m_ScanArea; }

    uint8_t m_Prepared = 0;
    QScanDataMediator* m_Mediator = nullptr; // not owned
    uint32_t m_ScanId = 0;
    QDescriptionRecord m_DescriptionTexts;

    std::string m_UserText; // copied into the description's second text
    std::string m_AnalyzerText;
    std::string m_ModuleText;
    uint32_t m_TextValue = 0;
    std::string m_DateText;
    std::string m_ScanHeadText;
    std::string m_ExtraText;

    float m_StartFrequency = 0.0F; // MHz
    float m_StopFrequency = 0.0F;
    float m_CenterFrequency = 0.0F;     // a spatial scan's one frequency
    float m_ResolutionBandwidth = 0.0F; // also the point spacing of Zelt data
    float m_FrequencyStep = 0.0F;       // the point spacing in use

    uint8_t m_IsZeltData = 0; // 0 Mirt data, 1 or more Zelt multi-level data
    uint8_t m_ZeltLevel = 0;  // sub-cell exponent
    uint8_t m_ScanKindReserved = 0;
    uint8_t m_ApplyCompensation = 1;
    std::array<uint8_t, 12> m_DisplayFlags{1, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 1};

    // The view settings kept with the scan; the views use them unless the node's "Use Same View
    // Setting" is on. Spectral: the frequency window and its auto byte, the two level pairs and the
    // level auto byte, the peak offset (dB above the noise floor) and peak count.
    float m_LevelLow = 0.0F;
    float m_LevelHigh = 0.0F;
    float m_SecondLevelLow = 0.0F;
    float m_SecondLevelHigh = 0.0F;
    uint32_t m_DisplayCount = 20;
    float m_DisplayValue = 5.0F;
    float m_MarkerLow = -1.0F;
    float m_MarkerHigh = -1.0F;
    // A scan shows its whole frequency range until a fixed window is chosen for it.
    uint8_t m_FrequencyAutoByte = 1;
    uint8_t m_LevelAutoByte = 1;
    // Spatial: the level range and its auto byte, a flag byte, and the two words after them.
    float m_SpatialRangeLow = 0.0F;
    float m_SpatialRangeHigh = 0.0F;
    // A scan's map scales to its own values until a fixed range is chosen for it.
    uint8_t m_SpatialAutoByte = 1;
    uint8_t m_SpatialFlagByte = 0;
    uint32_t m_SpatialWord1 = 1;
    uint32_t m_SpatialWord2 = 1;
    // The markers and points the views keep with the scan, each list with its flag byte.
    uint8_t m_MarkerFlag = 0;
    std::vector<_FrequencyMarkerPoint> m_FrequencyMarkers;
    uint8_t m_PointFlag = 0;
    std::vector<CScanPoint> m_Points;

    // The zoom window the spectral views keep with the scan (first and last point index), and the
    // windows zoomed through before it, newest last (x first, y last).
    uint8_t m_SpectralZoomed = 0;
    int32_t m_SpectralZoomFirst = 0;
    int32_t m_SpectralZoomLast = 0;
    std::vector<CScanPoint> m_SpectralZoomHistory;
    // The delta marker the spectral views keep with the scan while it is shown: whether it is on,
    // its frequency (MHz, -1.0 once cleared), its amplitude in the unit drawn and the draw index it
    // was set at. Display state only: never stored with the scan.
    uint8_t m_DeltaMarkerActive = 0;
    float m_DeltaMarkerFrequency = -1.0F;
    float m_DeltaMarkerAmplitude = 0.0F;
    int32_t m_DeltaMarkerIndex = -1;
    // The same for the spatial views: the zoomed flag, the window and the windows before it.
    uint8_t m_SpatialZoomed = 0;
    _ZoomingSpatialRects m_SpatialZoomWindow;
    std::vector<_ZoomingSpatialRects> m_ZoomingSpatialRects;

    // Settings of the scan header and the scan tail that the program keeps for the scan and stores
    // back as they came.
    std::array<uint8_t, 2> m_SettingsBytes{};
    // The Zelt flag byte of a stored record that reads it as Mirt data (0, or a value negative as a
    // signed byte): m_IsZeltData is 0 then, and this byte is stored back.
    uint8_t m_MirtFlagByte = 0;
    std::array<uint8_t, 6> m_TailBytes{};
    uint16_t m_TailWord = 0;
    float m_TailValue = 0.0F;

    float m_LevelOffset = 0.0F;     // added to both ends of the displayed level range
    float m_ReferenceLevel = 50.0F; // dBuV, the analyser's
    uint32_t m_ValuesPerPoint = 1;
    uint8_t m_PeakHold = 0;
    int16_t m_NoiseFloor = 0; // tenths
    uint32_t m_PointCount = 0;

    uint16_t m_Rows = 0;
    uint16_t m_Columns = 0;
    QProbeScanPattern m_ProbeScanPattern;

    float m_MinLevelShown = 0.0F;
    float m_MaxLevelShown = 0.0F;
    float m_MaxValue = -10000.0F;
    float m_MinValue = 10000.0F;
    uint16_t m_MaxRow = 0;
    uint16_t m_MaxColumn = 0;
    uint16_t m_MinRow = 0;
    uint16_t m_MinColumn = 0;

    std::recursive_mutex m_Lock;
    CScanAreaRecord m_ScanArea;

    // The display objects the kinds build: the max-hold spectrum, the heat map (or peak map), and
    // the atoms of Zelt data.
    std::unique_ptr<QSSSpectralSnapshot> m_SpectralSnapshot;
    std::unique_ptr<QSSSpatialSnapshot> m_SpatialSnapshot;
    std::unique_ptr<CSpatialDataAtom> m_SpatialAtom;
    std::unique_ptr<CSpectralDataAtom> m_SpectralAtom;

protected:
    static constexpr int kPerCellLabelText = 13;

    // The fields a derived copy (clone, comparison, blind-spot result) takes from this scan: the
    // mediator, the texts, the three frequencies, level offset, reference level, values per
    // point, peak hold, resolution bandwidth, the scan-kind bytes, the scan area, the kept header
    // and tail settings and the grid size.
    void CopyScanFieldsTo(CScanData& target) const;
    void CopyTextsTo(CScanData& target) const;
    // Prepares the scan, then runs `load` the first time only; later calls answer what it gave.
    bool PrepareCompensationOnce(uint8_t& tried, uint8_t& available, const std::function<bool()>& load);
    uint16_t GetNodeTypeId() const { return m_Mediator != nullptr ? m_Mediator->GetNodeTypeId() : 0; }
    // What every kind's bulk ends with: the probe pattern (both grids, heights and all) and the
    // header texts that no list row shows (analyser, module, scan head, extra).
    struct CommonBulk {
        QProbeScanPattern m_Pattern;
        std::array<std::string, 4> m_Texts;
    };
    void WriteCommonBulk(QDataWriter& writer) const;
    static CommonBulk ReadCommonBulk(QDataReader& reader);
    void TakeCommonBulk(CommonBulk bulk);
    // Gives the grids', those texts' and the description texts' memory back.
    void ReleaseCommonBulk();
    uint64_t GetPatternBytes() const;
};

} // namespace orv
