#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The byte layout of the project file: its head, the scan records of the scan node kinds and the
// small kind sections. Everything is read and written field by field; the per-point and per-cell
// arrays travel as one byte block each and stay in their file layout here (the scan data decode
// them), so a record read and written again gives back the same bytes.
//
// Every count read is checked in 64 bits against the bytes that remain before anything is sized by
// it; a count that does not fit is a corrupt project (ThrowCorruptProject).
namespace orv {

inline constexpr const char* kCorruptProjectMessage = "Error#317: Invalid or corrupt project.";
// Throws QIOException with kCorruptProjectMessage.
[[noreturn]] void ThrowCorruptProject();
// Throws the corrupt-project error when fewer than `bytes` remain.
void RequireProjectBytes(QDataReader& reader, uint64_t bytes);

// Files of an older program than 5.1.2.0 are refused; the reserved block of a node entry is written
// by programs of 5.1.0.0 and later.
inline constexpr int64_t kOldestSupportedVersionValue = 5010200;
inline constexpr int64_t kReservedBlockVersionValue = 5010000;
inline constexpr uint32_t kNodeEntryReservedBytes = 128;
inline constexpr uint32_t kScanTailReservedBytes = 88;
// The id under which the first entry (the Preferences node) is known during a load.
inline constexpr uint32_t kFirstEntryNodeId = 0xFFFFFFFFU;

// ((a x 100 + b) x 100 + c) x 100 + d over the parts taken as signed 16-bit numbers, in 64 bits so
// that no part combination overflows.
int64_t ComputeVersionValue(const std::array<int16_t, 4>& parts);
// The running program's version a.b.c.d, as it is written into the files it saves.
std::array<int16_t, 4> GetProgramVersionParts();

// A text of the project file: a 16-bit byte count, then the bytes. A text longer than 65,535 bytes
// cannot be stored and is refused with a QStorageLayerException before anything is written.
void WriteProjectText(QDataWriter& writer, const std::string& text);
void ReadProjectText(QDataReader& reader, std::string& text);

// The scan-area block: a variant byte and the area fields by position. Variant 0 carries an area
// byte, two area values and four area words; any other variant four area values, a fifth area word
// and three more area bytes.
struct QProjectScanArea {
    uint8_t m_variant = 0;
    uint32_t m_word0 = 0;
    uint8_t m_byte1 = 0;
    std::array<float, 2> m_values1to2{};
    std::array<uint32_t, 4> m_words1to4{};
    std::array<float, 4> m_values3to6{};
    uint32_t m_word5 = 0;
    std::array<uint8_t, 3> m_bytes2to4{};

    bool operator==(const QProjectScanArea&) const = default;
};

// The scan header of every scan record together with the scan tail: the settings record that the
// scan data take their fields from. A spatial record carries only the centre frequency and the
// resolution bandwidth (m_frequencies[2] and [3]; the first two stay 0).
struct QProjectScanHeader {
    uint32_t m_scanId = 0;
    // Date, scan head, first text, analyser, third text, last text.
    std::array<std::string, 6> m_texts;
    // Start, stop, centre frequency and resolution bandwidth in MHz.
    std::array<float, 4> m_frequencies{};
    float m_referenceLevel = 0.0F;
    uint32_t m_valuesPerPoint = 0;
    uint8_t m_peakHold = 0;
    float m_levelOffset = 0.0F;
    std::array<uint8_t, 2> m_settingsBytes{};
    QProjectScanArea m_area;
    std::array<uint8_t, 6> m_tailBytes{};
    uint16_t m_tailWord = 0;
    float m_tailValue = 0.0F;

    bool operator==(const QProjectScanHeader&) const = default;
};

// A flag byte "taken as signed" and above 0 marks multi-level (Zelt) data.
inline bool IsZeltFlag(uint8_t flag) {
    return static_cast<int8_t>(flag) > 0;
}
// A count "taken as signed": 0 or less means none.
inline uint32_t PositiveCount(uint32_t count) {
    return static_cast<int32_t>(count) > 0 ? count : 0;
}

// Spectral scan record (spectral scan nodes, and the reference and test scans of the spectral
// comparison and overlay nodes).
struct QProjectSpectralScanRecord {
    QProjectScanHeader m_header;
    uint16_t m_rows = 0;
    uint16_t m_columns = 0;
    uint8_t m_zeltFlag = 0;
    uint8_t m_zeltLevel = 0;
    uint32_t m_markerCount = 0;
    // m_markerCount x 4 bytes: the marked cells as row and column 16-bit pairs.
    std::vector<uint8_t> m_markers;
    uint32_t m_pointCount = 0;
    // PositiveCount(m_pointCount) points of three values, 4 bytes each for Zelt data, else 2.
    std::vector<uint8_t> m_points;
    // Measured-frequency entries (32-bit point index, 32-bit float frequency), 8 bytes each.
    int32_t m_extraCount = 0;
    std::vector<uint8_t> m_extra;

    static uint64_t PointBytes(uint32_t pointCount, uint8_t zeltFlag) {
        return static_cast<uint64_t>(PositiveCount(pointCount)) * (IsZeltFlag(zeltFlag) ? 12U : 6U);
    }
    bool operator==(const QProjectSpectralScanRecord&) const = default;
};

// Spatial scan record (spatial scan nodes, and the two scans of the spatial comparison and blind-spot
// nodes). Zelt data carry their 12-byte records; Mirt data rows x columns 16-bit values.
struct QProjectSpatialScanRecord {
    QProjectScanHeader m_header;
    uint16_t m_rows = 0;
    uint16_t m_columns = 0;
    uint8_t m_spatialByte1 = 0;
    uint8_t m_zeltFlag = 0;
    uint8_t m_zeltLevel = 0;
    uint8_t m_spatialByte2 = 0;
    std::vector<uint8_t> m_zeltRecords;
    std::vector<uint8_t> m_values;

    // A scan with no cell: the comparison kinds take it as absent.
    bool IsEmpty() const { return IsZeltFlag(m_zeltFlag) ? m_zeltRecords.empty() : m_values.empty(); }
    bool operator==(const QProjectSpatialScanRecord&) const = default;
};

// One measured cell of a spectral/spatial or hand-held scan: two cell words, a third (the first
// float truncated to 16 bits), the cell value and the cell's spectrum in file layout.
struct QProjectCellEntry {
    std::array<uint16_t, 3> m_words{};
    float m_value = 0.0F;
    uint32_t m_valueCount = 0;
    std::vector<uint8_t> m_values;

    // Zelt data: the four sub-cell words (8 bytes) and a 4-byte amplitude per value; else 2 bytes.
    static uint64_t ValueBytes(uint32_t valueCount, uint8_t zeltFlag) {
        return IsZeltFlag(zeltFlag) ? static_cast<uint64_t>(valueCount) * 4U + 8U
                                    : static_cast<uint64_t>(valueCount) * 2U;
    }
    bool operator==(const QProjectCellEntry&) const = default;
};

// Spectral/spatial scan record; the hand-held scan record is the same without the third flag and
// without the measured-frequency entries (m_handHeld).
struct QProjectSpectralSpatialScanRecord {
    QProjectScanHeader m_header;
    uint16_t m_rows = 0;
    uint16_t m_columns = 0;
    uint8_t m_zeltFlag = 0;
    uint8_t m_zeltLevel = 0;
    uint8_t m_thirdFlag = 0;
    int32_t m_extraCount = 0;
    std::vector<uint8_t> m_extra;
    std::vector<QProjectCellEntry> m_cells;

    bool operator==(const QProjectSpectralSpatialScanRecord&) const = default;
};

void WriteScanHeader(QDataWriter& writer, const QProjectScanHeader& header, bool spatial);
void ReadScanHeader(QDataReader& reader, QProjectScanHeader& header, bool spatial);
void WriteScanTail(QDataWriter& writer, const QProjectScanHeader& header);
void ReadScanTail(QDataReader& reader, QProjectScanHeader& header);

// The record writers check that every array holds the bytes its count calls for (a record that
// disagrees with itself would make the file unreadable) and refuse it with a QStorageLayerException.
void WriteSpectralScanRecord(QDataWriter& writer, const QProjectSpectralScanRecord& record);
void ReadSpectralScanRecord(QDataReader& reader, QProjectSpectralScanRecord& record);
void WriteSpatialScanRecord(QDataWriter& writer, const QProjectSpatialScanRecord& record);
void ReadSpatialScanRecord(QDataReader& reader, QProjectSpatialScanRecord& record);
void WriteSpectralSpatialScanRecord(QDataWriter& writer, const QProjectSpectralSpatialScanRecord& record,
                                    bool handHeld);
void ReadSpectralSpatialScanRecord(QDataReader& reader, QProjectSpectralSpatialScanRecord& record,
                                   bool handHeld);

// The node flag and the three node values of a spectral/spatial scan node.
struct QProjectNodeValues {
    uint8_t m_flag = 0;
    std::array<float, 3> m_values{};

    bool operator==(const QProjectNodeValues&) const = default;
};

// A point of a scripting module node (the point's text is not stored).
using QProjectScriptPoint = std::array<float, 3>;

// A group of a Word report node.
struct QProjectReportGroup {
    uint32_t m_key = 0;
    std::vector<uint32_t> m_members;

    bool operator==(const QProjectReportGroup&) const = default;
};

struct QProjectReportSection {
    std::vector<QProjectReportGroup> m_groups;
    // Stored with a 32-bit length.
    std::string m_text;

    bool operator==(const QProjectReportSection&) const = default;
};

void WriteScriptPoints(QDataWriter& writer, const std::vector<QProjectScriptPoint>& points);
void ReadScriptPoints(QDataReader& reader, std::vector<QProjectScriptPoint>& points);
void WriteReportSection(QDataWriter& writer, const QProjectReportSection& section);
void ReadReportSection(QDataReader& reader, QProjectReportSection& section);

} // namespace orv
