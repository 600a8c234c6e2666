#include "core/QSmallOptions.h"

namespace orv {

namespace {

// Texts in a counted list take at least their 4-byte length each: a count that the rest of the body
// cannot hold fails before anything is allocated.
std::vector<std::string> ReadTextList(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(uint64_t{4} * count);
    std::vector<std::string> texts(count);
    for (std::string& text : texts) {
        ReadString(reader, text);
    }
    return texts;
}

uint32_t TextLengths(const std::vector<std::string>& texts) {
    uint32_t total = 0;
    for (const std::string& text : texts) {
        total += static_cast<uint32_t>(text.size());
    }
    return total;
}

} // namespace

// --- IP address ---

void QIPAddressOptions::CopyFrom(const QIPAddressOptions& other) {
    m_address = other.m_address;
    m_commandPort = other.m_commandPort;
    m_dataPort = other.m_dataPort;
}

void QIPAddressOptions::WriteBody(QDataWriter& writer) const {
    WriteString(writer, m_address);
    writer.WriteU32(m_commandPort);
    writer.WriteU32(m_dataPort);
}

void QIPAddressOptions::ReadBody(QDataReader& reader) {
    std::string address;
    ReadString(reader, address);
    reader.RequireRemaining(8);
    m_address.swap(address);
    m_commandPort = reader.ReadU32();
    m_dataPort = reader.ReadU32();
}

// --- spectral/spatial spatial view ---

QSSSpatialViewOptions::QSSSpatialViewOptions(uint16_t rows, uint16_t columns)
    : m_cellPattern(rows, columns, 0, 100) {}

QSSSpatialViewSettings QSSSpatialViewOptions::GetViewSettings() const {
    return QSSSpatialViewSettings{m_viewMode, m_viewFlag, m_cellPattern};
}

void QSSSpatialViewOptions::ResetOnCopy(const QSSSpatialViewOptions& /*source*/) {
    m_viewMode = 0;
    m_viewFlag = 1;
    m_cellPattern.SetAllProbes(0);
}

void QSSSpatialViewOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_viewMode);
    writer.WriteU32(m_viewFlag);
    m_cellPattern.WriteBody(writer);
}

void QSSSpatialViewOptions::ReadBody(QDataReader& reader) {
    const uint32_t viewMode = reader.ReadU32();
    const uint32_t viewFlag = reader.ReadU32();
    QProbeScanPattern pattern(m_cellPattern);
    pattern.ReadBody(reader);
    m_viewMode = viewMode;
    m_viewFlag = viewFlag;
    m_cellPattern = pattern;
}

// --- spectral/spatial spectral view ---

QSSSpectralViewSettings QSSSpectralViewOptions::GetViewSettings() const {
    return QSSSpectralViewSettings{m_viewMode, m_viewFlag, m_buckets};
}

void QSSSpectralViewOptions::CopyFrom(const QSSSpectralViewOptions& /*source*/) {
    m_viewMode = 0;
    m_viewFlag = 1;
    m_text.clear();
    m_buckets.Clear();
}

void QSSSpectralViewOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_viewMode);
    writer.WriteU32(m_viewFlag);
    m_buckets.WriteBody(writer);
}

void QSSSpectralViewOptions::ReadBody(QDataReader& reader) {
    const uint32_t viewMode = reader.ReadU32();
    const uint32_t viewFlag = reader.ReadU32();
    m_buckets.ReadBody(reader);
    m_viewMode = viewMode;
    m_viewFlag = viewFlag;
}

// --- note ---

void QNoteOptions::CopyFrom(const QNoteOptions& other) {
    m_noteText = other.m_noteText;
}

void QNoteOptions::WriteBody(QDataWriter& writer) const {
    WriteString(writer, m_noteText);
}

void QNoteOptions::ReadBody(QDataReader& reader) {
    std::string text;
    ReadString(reader, text);
    m_noteText.swap(text);
}

// --- spectral scripting display ---

void QSpectralScriptingDisplayOptions::CopyFrom(const QSpectralScriptingDisplayOptions& other) {
    m_levelLow = other.m_levelLow;
    m_levelHigh = other.m_levelHigh;
    m_count = other.m_count;
    m_step = other.m_step;
    m_fraction = other.m_fraction;
    m_width = other.m_width;
    m_flagA = other.m_flagA;
    m_flagB = other.m_flagB;
    m_flagC = other.m_flagC;
}

void QSpectralScriptingDisplayOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_levelLow);
    writer.WriteF32(m_levelHigh);
    writer.WriteF32(m_step);
    writer.WriteF32(m_fraction);
    writer.WriteU16(m_count);
    writer.WriteU8(m_flagB);
    writer.WriteU16(m_width);
    writer.WriteU8(m_flagA);
    writer.WriteU8(m_flagC);
}

void QSpectralScriptingDisplayOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(kStoredBodySize);
    m_levelLow = reader.ReadF32();
    m_levelHigh = reader.ReadF32();
    m_step = reader.ReadF32();
    m_fraction = reader.ReadF32();
    m_count = reader.ReadU16();
    m_flagB = reader.ReadU8();
    m_width = reader.ReadU16();
    m_flagA = reader.ReadU8();
    m_flagC = reader.ReadU8();
}

// --- current clamp module ---

void QCurrentClampModuleOptions::ResetOnCopy(const QCurrentClampModuleOptions& /*source*/) {
    m_rangeLow = 10.0F;
    m_rangeHigh = 100.0F;
    m_setName1 = m_setName2 = m_setName3 = "New";
    m_word = 1;
    for (uint8_t& byte : m_bytes) {
        byte = 0;
    }
}

void QCurrentClampModuleOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_rangeLow);
    writer.WriteF32(m_rangeHigh);
    WriteString(writer, m_setName1);
    WriteString(writer, m_setName2);
    WriteString(writer, m_setName3);
}

void QCurrentClampModuleOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(8);
    const float rangeLow = reader.ReadF32();
    const float rangeHigh = reader.ReadF32();
    std::string names[3];
    for (std::string& name : names) {
        ReadString(reader, name);
    }
    m_rangeLow = rangeLow;
    m_rangeHigh = rangeHigh;
    m_setName1.swap(names[0]);
    m_setName2.swap(names[1]);
    m_setName3.swap(names[2]);
}

uint32_t QCurrentClampModuleOptions::GetBodySize() const {
    return static_cast<uint32_t>(m_setName1.size() + m_setName2.size() + m_setName3.size()) + 8;
}

// --- cable scan ---

void QCableScanOptions::ResetOnCopy(const QCableScanOptions& /*source*/) {
    m_word1 = m_word2 = m_word3 = 0;
    m_resolution = 0.01F;
    m_unit = "Meter";
    m_scale = 1.0F;
}

void QCableScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_word1);
    writer.WriteU32(m_word2);
    writer.WriteU32(m_word3);
    writer.WriteF32(m_scale);
    WriteString(writer, m_unit);
    writer.WriteF32(m_resolution);
    writer.WriteU32(m_word4);
}

void QCableScanOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(16);
    const uint32_t word1 = reader.ReadU32();
    const uint32_t word2 = reader.ReadU32();
    const uint32_t word3 = reader.ReadU32();
    const float scale = reader.ReadF32();
    std::string unit;
    ReadString(reader, unit);
    reader.RequireRemaining(8);
    m_word1 = word1;
    m_word2 = word2;
    m_word3 = word3;
    m_scale = scale;
    m_unit.swap(unit);
    m_resolution = reader.ReadF32();
    m_word4 = reader.ReadU32();
}

// --- cables spectral view ---

void QCablesSpectralViewOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_selection);
    writer.WriteU32(static_cast<uint32_t>(m_cableNames.size()));
    for (const auto& [key, name] : m_cableNames) {
        writer.WriteU16(key);
        WriteString(writer, name);
    }
}

void QCablesSpectralViewOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(8);
    const uint32_t selection = reader.ReadU32();
    const uint32_t count = reader.ReadU32();
    // Each entry takes at least its key and its text length.
    reader.RequireRemaining(uint64_t{6} * count);
    std::map<uint16_t, std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t key = reader.ReadU16();
        std::string name;
        ReadString(reader, name);
        names.emplace(key, std::move(name));
    }
    m_selection = selection;
    m_cableNames.swap(names);
}

uint32_t QCablesSpectralViewOptions::GetBodySize() const {
    uint32_t lengths = 0;
    for (const auto& entry : m_cableNames) {
        lengths += static_cast<uint32_t>(entry.second.size());
    }
    return lengths + 2 * (static_cast<uint32_t>(m_cableNames.size()) + 4);
}

// --- spectral stand lines ---

void QSpectralStandLineOptions::ResetOnCopy(const QSpectralStandLineOptions& /*source*/) {
    m_lineNames.clear();
    m_lineTexts2.clear();
    m_lineTexts3.clear();
    m_flag = 1;
}

void QSpectralStandLineOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_lineNames.size()));
    for (const std::string& name : m_lineNames) {
        WriteString(writer, name);
    }
}

void QSpectralStandLineOptions::ReadBody(QDataReader& reader) {
    std::vector<std::string> names = ReadTextList(reader);
    m_lineNames.swap(names);
}

uint32_t QSpectralStandLineOptions::GetBodySize() const {
    return TextLengths(m_lineNames) + 4;
}

// --- amplifier ---

void QAmplifierAntennuatorOptions::ResetOnCopy(const QAmplifierAntennuatorOptions& /*source*/) {
    m_name.clear();
    m_word1 = 0;
    m_word2 = 0;
    m_mode = 0;
    m_flag = 1;
}

void QAmplifierAntennuatorOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_mode);
    WriteString(writer, m_name);
}

void QAmplifierAntennuatorOptions::ReadBody(QDataReader& reader) {
    const uint32_t mode = reader.ReadU32();
    std::string name;
    ReadString(reader, name);
    m_mode = mode;
    m_name.swap(name);
}

// --- word report ---

void QWordReportOptions::WriteBody(QDataWriter& writer) const {
    WriteString(writer, m_firstText);
    writer.WriteU8(m_flag);
    writer.WriteU8(m_hasSecondText);
    if (m_hasSecondText != 0) {
        WriteString(writer, m_secondText);
    }
}

void QWordReportOptions::ReadBody(QDataReader& reader) {
    std::string first;
    ReadString(reader, first);
    reader.RequireRemaining(2);
    const uint8_t flag = reader.ReadU8();
    const uint8_t hasSecond = reader.ReadU8();
    std::string second;
    if (hasSecond != 0) {
        ReadString(reader, second);
    }
    m_firstText.swap(first);
    m_flag = flag;
    m_hasSecondText = hasSecond;
    m_secondText.swap(second);
}

// --- ambient scan ---

void QAmbientScanOptions::ResetOnCopy(const QAmbientScanOptions& /*source*/) {
    m_word1 = m_word2 = m_word3 = 0;
    m_rbw = 0.01F;
}

void QAmbientScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_word1);
    writer.WriteU32(m_word2);
    writer.WriteU32(m_word3);
    writer.WriteF32(m_rbw);
}

void QAmbientScanOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(16);
    m_word1 = reader.ReadU32();
    m_word2 = reader.ReadU32();
    m_word3 = reader.ReadU32();
    m_rbw = reader.ReadF32();
}

// --- near-field ambient ---

void QNearFieldAmbientScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_rangeLow);
    writer.WriteF32(m_rangeHigh);
    writer.WriteF32(m_value);
}

void QNearFieldAmbientScanOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(12);
    m_rangeLow = reader.ReadF32();
    m_rangeHigh = reader.ReadF32();
    m_value = reader.ReadF32();
}

// --- far-field ambient ---

void QFarFieldAmbientScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_word1);
    writer.WriteU32(m_word2);
    writer.WriteF32(m_value1);
    writer.WriteF32(m_value2);
    writer.WriteU32(m_count);
}

void QFarFieldAmbientScanOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(20);
    m_word1 = reader.ReadU32();
    m_word2 = reader.ReadU32();
    m_value1 = reader.ReadF32();
    m_value2 = reader.ReadF32();
    m_count = reader.ReadU32();
}

// --- auto spatials ---

void QAutoSpatialsOptions::CopyFrom(const QAutoSpatialsOptions& other) {
    m_flag = other.m_flag;
    m_mode = other.m_mode;
    m_count = other.m_count;
    m_value = other.m_value;
}

void QAutoSpatialsOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_count);
    writer.WriteF32(m_value);
    writer.WriteU8(m_flag);
    writer.WriteU32(m_mode);
}

void QAutoSpatialsOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(13);
    m_count = reader.ReadU32();
    m_value = reader.ReadF32();
    m_flag = reader.ReadU8();
    m_mode = reader.ReadU32();
}

} // namespace orv
