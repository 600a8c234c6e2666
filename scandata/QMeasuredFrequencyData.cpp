#include "scandata/QMeasuredFrequencyData.h"

#include "core/ByteCodec.h"
#include "scandata/RecordCodec.h"

#include <algorithm>

namespace orv {

void QMeasuredFrequencyData::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_EntryCount);
    std::vector<uint8_t> block(size_t{8} * m_EntryCount);
    uint8_t* cursor = block.data();
    for (uint32_t k = 0; k < m_EntryCount; ++k) {
        PutLE(cursor, m_Entries[k].m_Index);
        PutLE(cursor, m_Entries[k].m_Frequency);
    }
    writer.Write(block.data(), static_cast<uint32_t>(block.size()));
}

void QMeasuredFrequencyData::ReadBody(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    const uint32_t bytes = RequireArrayBytes(reader, count, 8);
    std::vector<uint8_t> block(bytes);
    reader.Read(block.data(), bytes);
    std::vector<Entry> entries(count);
    const uint8_t* cursor = block.data();
    for (Entry& entry : entries) {
        entry.m_Index = GetLE<uint32_t>(cursor);
        entry.m_Frequency = GetLE<float>(cursor);
    }
    m_Entries.swap(entries);
    m_EntryCount = count;
}

void QMeasuredFrequencyData::SetEntryCount(uint32_t n) {
    if (n == 0) {
        Clear();
        return;
    }
    m_Entries.assign(n, Entry{});
    m_EntryCount = n;
}

void QMeasuredFrequencyData::Clear() {
    m_Entries.clear();
    m_Entries.shrink_to_fit();
    m_EntryCount = 0;
}

float QMeasuredFrequencyData::GetEntryFrequency(uint32_t k) const {
    return k < m_EntryCount ? m_Entries[k].m_Frequency : 0.0f;
}

void QMeasuredFrequencyData::SetEntryFrequency(uint32_t k, float frequency) {
    if (k < m_Entries.size()) {
        m_Entries[k].m_Frequency = frequency;
    }
}

uint32_t QMeasuredFrequencyData::GetEntryIndex(uint32_t k) const {
    return k < m_EntryCount ? m_Entries[k].m_Index : 0;
}

void QMeasuredFrequencyData::SetEntryIndex(uint32_t k, uint32_t index) {
    if (k < m_Entries.size()) {
        m_Entries[k].m_Index = index;
    }
}

void QMeasuredFrequencyData::Reset(uint32_t n) {
    m_Flag = 0;
    SetEntryCount(n);
}

void QMeasuredFrequencyData::SetEntryCountField(uint32_t n) {
    m_EntryCount = std::min<uint32_t>(n, static_cast<uint32_t>(m_Entries.size()));
}

} // namespace orv
