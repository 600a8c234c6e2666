#include "core/QDifferentRangeScanModuleOptions.h"

#include <cmath>
#include <utility>

namespace orv {

bool QDifferentRangeScanModuleOptions::AddPoint(float key, const PointValues& values) {
    if (std::isnan(key)) {
        return false;
    }
    return m_points.emplace(key, values).second;
}

void QDifferentRangeScanModuleOptions::CopyFrom(const QDifferentRangeScanModuleOptions& other) {
    if (&other == this) {
        return;
    }
    m_flag1 = other.m_flag1;
    m_flag2 = other.m_flag2;
    m_rangeCount = other.m_rangeCount;
    m_factor = other.m_factor;
    m_title = other.m_title;
    m_count = other.m_count;
    m_level = other.m_level;
    m_enabled = other.m_enabled;
    m_limit = other.m_limit;
    m_ranges = other.m_ranges;
    m_points = other.m_points;
    m_names = other.m_names;
    m_firstPattern = other.m_firstPattern;
    m_secondPattern = other.m_secondPattern;
}

void QDifferentRangeScanModuleOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU8(m_flag1);
    writer.WriteU8(m_flag2);
    writer.WriteI32(m_rangeCount);
    writer.WriteF32(m_factor);
    writer.WriteU8(m_enabled);
    writer.WriteI32(m_limit);
    writer.WriteI32(m_count);
    writer.WriteF32(m_level);
    WriteString(writer, m_title);
    writer.WriteU32(static_cast<uint32_t>(m_ranges.size()));
    for (const QRangeTriple& range : m_ranges) {
        writer.WriteI32(range.m_value1);
        writer.WriteI32(range.m_value2);
        writer.WriteI32(range.m_value3);
    }
    writer.WriteU32(static_cast<uint32_t>(m_points.size()));
    for (const auto& [key, values] : m_points) {
        writer.WriteF32(key);
        for (const int32_t value : values) {
            writer.WriteI32(value);
        }
    }
    writer.WriteU32(static_cast<uint32_t>(m_names.size()));
    for (const std::string& name : m_names) {
        WriteString(writer, name);
    }
    m_firstPattern.WriteBody(writer);
    m_secondPattern.WriteBody(writer);
}

void QDifferentRangeScanModuleOptions::ReadBody(QDataReader& reader) {
    QDifferentRangeScanModuleOptions read;
    reader.RequireRemaining(23);
    read.m_flag1 = reader.ReadU8();
    read.m_flag2 = reader.ReadU8();
    read.m_rangeCount = reader.ReadI32();
    read.m_factor = reader.ReadF32();
    read.m_enabled = reader.ReadU8();
    read.m_limit = reader.ReadI32();
    read.m_count = reader.ReadI32();
    read.m_level = reader.ReadF32();
    ReadString(reader, read.m_title);

    const uint32_t rangeCount = reader.ReadU32();
    reader.RequireRemaining(uint64_t{12} * rangeCount);
    read.m_ranges.resize(rangeCount);
    for (QRangeTriple& range : read.m_ranges) {
        range.m_value1 = reader.ReadI32();
        range.m_value2 = reader.ReadI32();
        range.m_value3 = reader.ReadI32();
    }

    const uint32_t pointCount = reader.ReadU32();
    reader.RequireRemaining(uint64_t{16} * pointCount);
    for (uint32_t i = 0; i < pointCount; ++i) {
        const float key = reader.ReadF32();
        PointValues values{};
        for (int32_t& value : values) {
            value = reader.ReadI32();
        }
        read.AddPoint(key, values);
    }

    const uint32_t nameCount = reader.ReadU32();
    reader.RequireRemaining(uint64_t{4} * nameCount);
    read.m_names.resize(nameCount);
    for (std::string& name : read.m_names) {
        ReadString(reader, name);
    }

    // Patterns read over copies of the current ones: an old file without heights keeps them.
    read.m_firstPattern = m_firstPattern;
    read.m_secondPattern = m_secondPattern;
    read.m_firstPattern.ReadBody(reader);
    read.m_secondPattern.ReadBody(reader);

    m_flag1 = read.m_flag1;
    m_flag2 = read.m_flag2;
    m_rangeCount = read.m_rangeCount;
    m_factor = read.m_factor;
    m_enabled = read.m_enabled;
    m_limit = read.m_limit;
    m_count = read.m_count;
    m_level = read.m_level;
    m_title.swap(read.m_title);
    m_ranges.swap(read.m_ranges);
    m_points.swap(read.m_points);
    m_names.swap(read.m_names);
    m_firstPattern = read.m_firstPattern;
    m_secondPattern = read.m_secondPattern;
}

} // namespace orv
