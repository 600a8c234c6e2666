#include "core/QAntennaScanOptions.h"

#include <utility>

namespace orv {

namespace {

void WritePairs(QDataWriter& writer, const std::vector<QValuePair>& pairs) {
    writer.WriteU32(static_cast<uint32_t>(pairs.size()));
    for (const QValuePair& pair : pairs) {
        writer.WriteI32(pair.m_value1);
        writer.WriteI32(pair.m_value2);
    }
}

std::vector<QValuePair> ReadPairs(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(uint64_t{8} * count);
    std::vector<QValuePair> pairs(count);
    for (QValuePair& pair : pairs) {
        pair.m_value1 = reader.ReadI32();
        pair.m_value2 = reader.ReadI32();
    }
    return pairs;
}

} // namespace

void QAntennaScanOptions::WriteBody(QDataWriter& writer) const {
    const QAntennaScanSettings& s = m_stored;
    WriteString(writer, s.m_name);
    writer.WriteI32(s.m_word1);
    writer.WriteI32(s.m_word2);
    writer.WriteI32(s.m_word3);
    writer.WriteF32(s.m_level);
    writer.WriteI32(s.m_count);
    WriteString(writer, s.m_text1);
    writer.WriteI32(s.m_value1a);
    writer.WriteI32(s.m_value1b);
    WritePairs(writer, s.m_pairs1);
    WriteString(writer, s.m_text2);
    writer.WriteI32(s.m_value2a);
    writer.WriteI32(s.m_value2b);
    WritePairs(writer, s.m_pairs2);
    WriteString(writer, s.m_text3);
    WritePairs(writer, s.m_pairs3);
    WriteString(writer, s.m_text4);
    writer.WriteU32(static_cast<uint32_t>(s.m_names.size()));
    for (const std::string& name : s.m_names) {
        WriteString(writer, name);
    }
    writer.WriteU32(static_cast<uint32_t>(s.m_quadMap.size()));
    for (const auto& [key, quads] : s.m_quadMap) {
        WriteString(writer, key);
        writer.WriteU32(static_cast<uint32_t>(quads.size()));
        for (const QValueQuad& quad : quads) {
            writer.WriteI32(quad.m_value1);
            writer.WriteI32(quad.m_value2);
            writer.WriteI32(quad.m_value3);
            writer.WriteI32(quad.m_value4);
        }
    }
    WriteString(writer, s.m_text5);
    WritePairs(writer, s.m_pairs4);
}

void QAntennaScanOptions::ReadBody(QDataReader& reader) {
    QAntennaScanSettings s;
    ReadString(reader, s.m_name);
    reader.RequireRemaining(20);
    s.m_word1 = reader.ReadI32();
    s.m_word2 = reader.ReadI32();
    s.m_word3 = reader.ReadI32();
    s.m_level = reader.ReadF32();
    s.m_count = reader.ReadI32();
    ReadString(reader, s.m_text1);
    reader.RequireRemaining(8);
    s.m_value1a = reader.ReadI32();
    s.m_value1b = reader.ReadI32();
    s.m_pairs1 = ReadPairs(reader);
    ReadString(reader, s.m_text2);
    reader.RequireRemaining(8);
    s.m_value2a = reader.ReadI32();
    s.m_value2b = reader.ReadI32();
    s.m_pairs2 = ReadPairs(reader);
    ReadString(reader, s.m_text3);
    s.m_pairs3 = ReadPairs(reader);
    ReadString(reader, s.m_text4);
    const uint32_t nameCount = reader.ReadU32();
    reader.RequireRemaining(uint64_t{4} * nameCount);
    s.m_names.resize(nameCount);
    for (std::string& name : s.m_names) {
        ReadString(reader, name);
    }
    const uint32_t entryCount = reader.ReadU32();
    // An entry holds at least its key's length and its list count.
    reader.RequireRemaining(uint64_t{8} * entryCount);
    for (uint32_t i = 0; i < entryCount; ++i) {
        std::string key;
        ReadString(reader, key);
        const uint32_t quadCount = reader.ReadU32();
        reader.RequireRemaining(uint64_t{16} * quadCount);
        std::vector<QValueQuad> quads(quadCount);
        for (QValueQuad& quad : quads) {
            quad.m_value1 = reader.ReadI32();
            quad.m_value2 = reader.ReadI32();
            quad.m_value3 = reader.ReadI32();
            quad.m_value4 = reader.ReadI32();
        }
        s.m_quadMap.emplace(std::move(key), std::move(quads));
    }
    ReadString(reader, s.m_text5);
    s.m_pairs4 = ReadPairs(reader);
    m_working = s;
    m_stored = std::move(s);
}

} // namespace orv
