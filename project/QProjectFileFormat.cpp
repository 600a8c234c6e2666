#include "project/QProjectFileFormat.h"

#include "core/QException.h"
#include "orv/Version.h"
#include "platform/CLocale.h"

#include <algorithm>

namespace orv {
namespace {

constexpr uint64_t kMaxBlockStep = 1U << 30;

// The arrays may exceed what one stream call takes; they go in steps.
void ReadBlock(QDataReader& reader, std::vector<uint8_t>& block, uint64_t bytes) {
    RequireProjectBytes(reader, bytes);
    block.resize(static_cast<size_t>(bytes));
    uint64_t done = 0;
    while (done < bytes) {
        const uint64_t step = std::min(bytes - done, kMaxBlockStep);
        reader.Read(block.data() + done, static_cast<uint32_t>(step));
        done += step;
    }
}

void WriteBlock(QDataWriter& writer, const std::vector<uint8_t>& block) {
    uint64_t done = 0;
    while (done < block.size()) {
        const uint64_t step = std::min(static_cast<uint64_t>(block.size()) - done, kMaxBlockStep);
        writer.Write(block.data() + done, static_cast<uint32_t>(step));
        done += step;
    }
}

void RequireBlockSize(const std::vector<uint8_t>& block, uint64_t expected, const char* what) {
    if (block.size() != expected) {
        throw QStorageLayerException(FormatC("The %s of a scan holds %llu bytes where its count calls for "
                                             "%llu; the project cannot be saved.",
                                             what, static_cast<unsigned long long>(block.size()),
                                             static_cast<unsigned long long>(expected)));
    }
}

uint8_t U8(QDataReader& reader) {
    RequireProjectBytes(reader, 1);
    return reader.ReadU8();
}
uint16_t U16(QDataReader& reader) {
    RequireProjectBytes(reader, 2);
    return reader.ReadU16();
}
uint32_t U32(QDataReader& reader) {
    RequireProjectBytes(reader, 4);
    return reader.ReadU32();
}
float F32(QDataReader& reader) {
    RequireProjectBytes(reader, 4);
    return reader.ReadF32();
}

void WriteExtra(QDataWriter& writer, int32_t count, const std::vector<uint8_t>& extra) {
    RequireBlockSize(extra, static_cast<uint64_t>(PositiveCount(static_cast<uint32_t>(count))) * 8U,
                     "measured-frequency list");
    writer.WriteI32(count);
    WriteBlock(writer, extra);
}

void ReadExtra(QDataReader& reader, int32_t& count, std::vector<uint8_t>& extra) {
    count = static_cast<int32_t>(U32(reader));
    ReadBlock(reader, extra, static_cast<uint64_t>(PositiveCount(static_cast<uint32_t>(count))) * 8U);
}

} // namespace

void ThrowCorruptProject() {
    throw QIOException(kCorruptProjectMessage);
}

void RequireProjectBytes(QDataReader& reader, uint64_t bytes) {
    if (bytes > reader.GetRemaining()) {
        ThrowCorruptProject();
    }
}

int64_t ComputeVersionValue(const std::array<int16_t, 4>& parts) {
    return ((static_cast<int64_t>(parts[0]) * 100 + parts[1]) * 100 + parts[2]) * 100 + parts[3];
}

std::array<int16_t, 4> GetProgramVersionParts() {
    return {static_cast<int16_t>(version::kMajor), static_cast<int16_t>(version::kMinor),
            static_cast<int16_t>(version::kPatch), static_cast<int16_t>(version::kBuild)};
}

void WriteProjectText(QDataWriter& writer, const std::string& text) {
    if (text.size() > 0xFFFFU) {
        throw QStorageLayerException(FormatC("A text of %llu bytes is longer than the 65535 bytes a project "
                                             "file can hold; the project cannot be saved.",
                                             static_cast<unsigned long long>(text.size())));
    }
    writer.WriteU16(static_cast<uint16_t>(text.size()));
    writer.Write(text.data(), static_cast<uint32_t>(text.size()));
}

void ReadProjectText(QDataReader& reader, std::string& text) {
    const uint16_t length = U16(reader);
    RequireProjectBytes(reader, length);
    std::string value(length, '\0');
    reader.Read(value.data(), length);
    text.swap(value);
}

void WriteScanHeader(QDataWriter& writer, const QProjectScanHeader& header, bool spatial) {
    for (const std::string& text : header.m_texts) {
        if (text.size() > 0xFFFFU) {
            WriteProjectText(writer, text); // refuses it before the record is begun
        }
    }
    writer.WriteU32(header.m_scanId);
    for (const std::string& text : header.m_texts) {
        WriteProjectText(writer, text);
    }
    for (size_t i = spatial ? 2 : 0; i < 4; ++i) {
        writer.WriteF32(header.m_frequencies[i]);
    }
    writer.WriteF32(header.m_referenceLevel);
    writer.WriteU32(header.m_valuesPerPoint);
    writer.WriteU8(header.m_peakHold);
    writer.WriteF32(header.m_levelOffset);
    writer.WriteU8(header.m_settingsBytes[0]);
    writer.WriteU8(header.m_settingsBytes[1]);
    const QProjectScanArea& area = header.m_area;
    writer.WriteU8(area.m_variant);
    writer.WriteU32(area.m_word0);
    if (area.m_variant == 0) {
        writer.WriteU8(area.m_byte1);
        for (float value : area.m_values1to2) {
            writer.WriteF32(value);
        }
        for (uint32_t word : area.m_words1to4) {
            writer.WriteU32(word);
        }
    } else {
        for (float value : area.m_values3to6) {
            writer.WriteF32(value);
        }
        writer.WriteU32(area.m_word5);
        for (uint8_t byte : area.m_bytes2to4) {
            writer.WriteU8(byte);
        }
    }
}

void ReadScanHeader(QDataReader& reader, QProjectScanHeader& header, bool spatial) {
    QProjectScanHeader read;
    read.m_scanId = U32(reader);
    for (std::string& text : read.m_texts) {
        ReadProjectText(reader, text);
    }
    for (size_t i = spatial ? 2 : 0; i < 4; ++i) {
        read.m_frequencies[i] = F32(reader);
    }
    read.m_referenceLevel = F32(reader);
    read.m_valuesPerPoint = U32(reader);
    read.m_peakHold = U8(reader);
    read.m_levelOffset = F32(reader);
    read.m_settingsBytes[0] = U8(reader);
    read.m_settingsBytes[1] = U8(reader);
    QProjectScanArea& area = read.m_area;
    area.m_variant = U8(reader);
    area.m_word0 = U32(reader);
    if (area.m_variant == 0) {
        area.m_byte1 = U8(reader);
        for (float& value : area.m_values1to2) {
            value = F32(reader);
        }
        for (uint32_t& word : area.m_words1to4) {
            word = U32(reader);
        }
    } else {
        for (float& value : area.m_values3to6) {
            value = F32(reader);
        }
        area.m_word5 = U32(reader);
        for (uint8_t& byte : area.m_bytes2to4) {
            byte = U8(reader);
        }
    }
    header = std::move(read);
}

void WriteScanTail(QDataWriter& writer, const QProjectScanHeader& header) {
    for (uint8_t byte : header.m_tailBytes) {
        writer.WriteU8(byte);
    }
    writer.WriteU16(header.m_tailWord);
    writer.WriteF32(header.m_tailValue);
    static constexpr std::array<uint8_t, kScanTailReservedBytes> kZeros{};
    writer.Write(kZeros.data(), kScanTailReservedBytes);
}

void ReadScanTail(QDataReader& reader, QProjectScanHeader& header) {
    RequireProjectBytes(reader, 6 + 2 + 4 + kScanTailReservedBytes);
    for (uint8_t& byte : header.m_tailBytes) {
        byte = reader.ReadU8();
    }
    header.m_tailWord = reader.ReadU16();
    header.m_tailValue = reader.ReadF32();
    std::array<uint8_t, kScanTailReservedBytes> reserved{};
    reader.Read(reserved.data(), kScanTailReservedBytes);
}

void WriteSpectralScanRecord(QDataWriter& writer, const QProjectSpectralScanRecord& record) {
    RequireBlockSize(record.m_markers, static_cast<uint64_t>(record.m_markerCount) * 4U, "marker list");
    RequireBlockSize(record.m_points,
                     QProjectSpectralScanRecord::PointBytes(record.m_pointCount, record.m_zeltFlag),
                     "point list");
    RequireBlockSize(record.m_extra,
                     static_cast<uint64_t>(PositiveCount(static_cast<uint32_t>(record.m_extraCount))) * 8U,
                     "measured-frequency list");
    WriteScanHeader(writer, record.m_header, false);
    writer.WriteU16(record.m_rows);
    writer.WriteU16(record.m_columns);
    writer.WriteU8(record.m_zeltFlag);
    writer.WriteU8(record.m_zeltLevel);
    writer.WriteU32(record.m_markerCount);
    WriteBlock(writer, record.m_markers);
    writer.WriteU32(record.m_pointCount);
    WriteBlock(writer, record.m_points);
    WriteExtra(writer, record.m_extraCount, record.m_extra);
    WriteScanTail(writer, record.m_header);
}

void ReadSpectralScanRecord(QDataReader& reader, QProjectSpectralScanRecord& record) {
    QProjectSpectralScanRecord read;
    ReadScanHeader(reader, read.m_header, false);
    read.m_rows = U16(reader);
    read.m_columns = U16(reader);
    read.m_zeltFlag = U8(reader);
    read.m_zeltLevel = U8(reader);
    read.m_markerCount = U32(reader);
    ReadBlock(reader, read.m_markers, static_cast<uint64_t>(read.m_markerCount) * 4U);
    read.m_pointCount = U32(reader);
    ReadBlock(reader, read.m_points,
              QProjectSpectralScanRecord::PointBytes(read.m_pointCount, read.m_zeltFlag));
    ReadExtra(reader, read.m_extraCount, read.m_extra);
    ReadScanTail(reader, read.m_header);
    record = std::move(read);
}

void WriteSpatialScanRecord(QDataWriter& writer, const QProjectSpatialScanRecord& record) {
    const bool zelt = IsZeltFlag(record.m_zeltFlag);
    if (zelt) {
        if (record.m_zeltRecords.size() % 12 != 0 || record.m_zeltRecords.size() > 0xFFFFFFFFU) {
            throw QStorageLayerException("The multi-level records of a spatial scan are not whole 12-byte "
                                         "records; the project cannot be saved.");
        }
        RequireBlockSize(record.m_values, 0, "value grid");
    } else {
        RequireBlockSize(record.m_values, static_cast<uint64_t>(record.m_rows) * record.m_columns * 2U,
                         "value grid");
        RequireBlockSize(record.m_zeltRecords, 0, "multi-level record list");
    }
    WriteScanHeader(writer, record.m_header, true);
    writer.WriteU16(record.m_rows);
    writer.WriteU16(record.m_columns);
    writer.WriteU8(record.m_spatialByte1);
    writer.WriteU8(record.m_zeltFlag);
    writer.WriteU8(record.m_zeltLevel);
    writer.WriteU8(record.m_spatialByte2);
    if (zelt) {
        writer.WriteU32(static_cast<uint32_t>(record.m_zeltRecords.size()));
        WriteBlock(writer, record.m_zeltRecords);
    } else {
        WriteBlock(writer, record.m_values);
    }
    WriteScanTail(writer, record.m_header);
}

void ReadSpatialScanRecord(QDataReader& reader, QProjectSpatialScanRecord& record) {
    QProjectSpatialScanRecord read;
    ReadScanHeader(reader, read.m_header, true);
    read.m_rows = U16(reader);
    read.m_columns = U16(reader);
    read.m_spatialByte1 = U8(reader);
    read.m_zeltFlag = U8(reader);
    read.m_zeltLevel = U8(reader);
    read.m_spatialByte2 = U8(reader);
    if (IsZeltFlag(read.m_zeltFlag)) {
        const uint32_t bytes = U32(reader);
        if (bytes % 12 != 0) {
            ThrowCorruptProject();
        }
        ReadBlock(reader, read.m_zeltRecords, bytes);
    } else {
        ReadBlock(reader, read.m_values, static_cast<uint64_t>(read.m_rows) * read.m_columns * 2U);
    }
    ReadScanTail(reader, read.m_header);
    record = std::move(read);
}

void WriteSpectralSpatialScanRecord(QDataWriter& writer, const QProjectSpectralSpatialScanRecord& record,
                                    bool handHeld) {
    if (record.m_cells.size() > 0x7FFFFFFFU) {
        throw QStorageLayerException("A scan holds more cells than a project file can count; the project "
                                     "cannot be saved.");
    }
    for (const QProjectCellEntry& cell : record.m_cells) {
        RequireBlockSize(cell.m_values, QProjectCellEntry::ValueBytes(cell.m_valueCount, record.m_zeltFlag),
                         "cell spectrum");
    }
    if (!handHeld) {
        RequireBlockSize(record.m_extra,
                         static_cast<uint64_t>(PositiveCount(static_cast<uint32_t>(record.m_extraCount))) *
                             8U,
                         "measured-frequency list");
    }
    WriteScanHeader(writer, record.m_header, false);
    writer.WriteU16(record.m_rows);
    writer.WriteU16(record.m_columns);
    writer.WriteU8(record.m_zeltFlag);
    writer.WriteU8(record.m_zeltLevel);
    if (!handHeld) {
        writer.WriteU8(record.m_thirdFlag);
        WriteExtra(writer, record.m_extraCount, record.m_extra);
    }
    WriteScanTail(writer, record.m_header);
    writer.WriteU32(static_cast<uint32_t>(record.m_cells.size()));
    for (const QProjectCellEntry& cell : record.m_cells) {
        writer.WriteU16(cell.m_words[0]);
        writer.WriteU16(cell.m_words[1]);
        writer.WriteU16(cell.m_words[2]);
        writer.WriteF32(cell.m_value);
        writer.WriteU32(cell.m_valueCount);
        WriteBlock(writer, cell.m_values);
    }
}

void ReadSpectralSpatialScanRecord(QDataReader& reader, QProjectSpectralSpatialScanRecord& record,
                                   bool handHeld) {
    static constexpr uint64_t kCellFixedBytes = 2 + 2 + 2 + 4 + 4;
    QProjectSpectralSpatialScanRecord read;
    ReadScanHeader(reader, read.m_header, false);
    read.m_rows = U16(reader);
    read.m_columns = U16(reader);
    read.m_zeltFlag = U8(reader);
    read.m_zeltLevel = U8(reader);
    if (!handHeld) {
        read.m_thirdFlag = U8(reader);
        ReadExtra(reader, read.m_extraCount, read.m_extra);
    }
    ReadScanTail(reader, read.m_header);
    const uint32_t cellCount = PositiveCount(U32(reader));
    // Every cell takes at least its fixed fields: a count beyond that cannot be in the file.
    RequireProjectBytes(reader, cellCount * kCellFixedBytes);
    // An entry in memory is larger than its fixed fields in the file: no more entries are reserved
    // than the bytes that remain would fill, so a load never holds much more than the file.
    read.m_cells.reserve(std::min<uint64_t>(cellCount, reader.GetRemaining() / sizeof(QProjectCellEntry)));
    for (uint32_t i = 0; i < cellCount; ++i) {
        QProjectCellEntry& cell = read.m_cells.emplace_back();
        cell.m_words[0] = U16(reader);
        cell.m_words[1] = U16(reader);
        cell.m_words[2] = U16(reader);
        cell.m_value = F32(reader);
        cell.m_valueCount = U32(reader);
        ReadBlock(reader, cell.m_values, QProjectCellEntry::ValueBytes(cell.m_valueCount, read.m_zeltFlag));
    }
    record = std::move(read);
}

void WriteScriptPoints(QDataWriter& writer, const std::vector<QProjectScriptPoint>& points) {
    writer.WriteU32(static_cast<uint32_t>(points.size()));
    for (const QProjectScriptPoint& point : points) {
        for (float value : point) {
            writer.WriteF32(value);
        }
    }
}

void ReadScriptPoints(QDataReader& reader, std::vector<QProjectScriptPoint>& points) {
    const uint32_t count = PositiveCount(U32(reader));
    RequireProjectBytes(reader, static_cast<uint64_t>(count) * 12U);
    std::vector<QProjectScriptPoint> read(count);
    for (QProjectScriptPoint& point : read) {
        for (float& value : point) {
            value = reader.ReadF32();
        }
    }
    points.swap(read);
}

void WriteReportSection(QDataWriter& writer, const QProjectReportSection& section) {
    if (section.m_text.size() > 0x7FFFFFFFU) {
        throw QStorageLayerException("The report text is too long for a project file; the project cannot be "
                                     "saved.");
    }
    writer.WriteU32(static_cast<uint32_t>(section.m_groups.size()));
    for (const QProjectReportGroup& group : section.m_groups) {
        writer.WriteU32(group.m_key);
        writer.WriteU32(static_cast<uint32_t>(group.m_members.size()));
        for (uint32_t member : group.m_members) {
            writer.WriteU32(member);
        }
    }
    writer.WriteU32(static_cast<uint32_t>(section.m_text.size()));
    writer.Write(section.m_text.data(), static_cast<uint32_t>(section.m_text.size()));
}

void ReadReportSection(QDataReader& reader, QProjectReportSection& section) {
    QProjectReportSection read;
    const uint32_t groupCount = PositiveCount(U32(reader));
    // A group takes at least its key and its member count.
    RequireProjectBytes(reader, static_cast<uint64_t>(groupCount) * 8U);
    read.m_groups.resize(groupCount);
    for (QProjectReportGroup& group : read.m_groups) {
        group.m_key = U32(reader);
        const uint32_t memberCount = PositiveCount(U32(reader));
        RequireProjectBytes(reader, static_cast<uint64_t>(memberCount) * 4U);
        group.m_members.resize(memberCount);
        for (uint32_t& member : group.m_members) {
            member = reader.ReadU32();
        }
    }
    const uint32_t length = PositiveCount(U32(reader));
    RequireProjectBytes(reader, length);
    read.m_text.resize(length);
    reader.Read(read.m_text.data(), length);
    section = std::move(read);
}

} // namespace orv
