#include "core/QProbeScanPatternOptions.h"

#include "core/QAttachedScannerSource.h"
#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"

#include <array>

namespace orv {

namespace {

float InitialMeasurementHeight() {
    return GetArmDefaultProbeHeight().value_or(QProbeScanPatternOptions::kDefaultMeasurementHeight);
}

bool SameChoiceShape(const QProbeScanPattern& a, const QProbeScanPattern& b) {
    return a.GetRows() == b.GetRows() && a.GetColumns() == b.GetColumns();
}

} // namespace

QProbeScanPatternOptions::QProbeScanPatternOptions(uint32_t kindCode)
    : m_kindCode(kindCode), m_measurementHeight(InitialMeasurementHeight()) {}

QProbeScanPatternOptions::QProbeScanPatternOptions(uint32_t kindCode, uint16_t rows, uint16_t columns)
    : m_kindCode(kindCode), m_pattern(rows, columns), m_measurementHeight(InitialMeasurementHeight()) {}

bool QProbeScanPatternOptions::OwnerKeepsOwnPattern() const {
    const uint16_t kind = GetOwnerKind();
    return kind == kTypePreferencesNode || kind == kTypeProjectNode;
}

std::optional<QProbePatternRecord> QProbeScanPatternOptions::FindAncestorRecord() const {
    QOptionMediator* ancestor = FindAncestorMediator(GetOwnerKind(), true);
    QOptionNode* node = ancestor == nullptr ? nullptr : ancestor->GetNode();
    if (node == nullptr) {
        return std::nullopt;
    }
    // A Spectral scan node keeps the pattern that both of its followers use in its first options.
    const bool first = m_kindCode != 0 || node->GetNodeTypeId() == kTypeSpectralScanNode;
    const QProbeScanPatternOptions* options =
        first ? node->GetFirstProbePatternOptions() : node->GetSecondProbePatternOptions();
    if (options == nullptr) {
        return std::nullopt;
    }
    return options->GetPatternAndHeight();
}

QProbeScanPattern QProbeScanPatternOptions::GetEffectivePattern(bool lookup) {
    if (!lookup || m_ownPattern == 1 || OwnerKeepsOwnPattern()) {
        return m_pattern.GetCopy();
    }
    std::optional<QProbePatternRecord> record = FindAncestorRecord();
    if (!record) {
        return m_pattern.GetCopy();
    }
    if (SameChoiceShape(record->m_pattern, m_pattern)) {
        return record->m_pattern;
    }
    m_ownPattern = 1;
    return m_pattern.GetCopy();
}

void QProbeScanPatternOptions::AdoptAncestorPattern() {
    if (m_ownPattern != 0 || OwnerKeepsOwnPattern()) {
        return;
    }
    std::optional<QProbePatternRecord> record = FindAncestorRecord();
    if (!record) {
        return;
    }
    if (SameChoiceShape(record->m_pattern, m_pattern)) {
        m_pattern = record->m_pattern;
    } else {
        m_ownPattern = 1;
    }
}

void QProbeScanPatternOptions::SetPattern(const QProbeScanPattern& pattern) {
    m_pattern = pattern;
    m_ownPattern = 1;
}

void QProbeScanPatternOptions::SetOwnPattern(bool own) {
    m_ownPattern = own ? 1 : 0;
    if (!own) {
        AdoptAncestorPattern();
    }
}

QProbePatternRecord QProbeScanPatternOptions::GetPatternAndHeight() const {
    QProbePatternRecord record;
    record.m_pattern = m_pattern;
    record.m_flag = 1;
    record.m_height = m_measurementHeight;
    return record;
}

void QProbeScanPatternOptions::CopyFrom(const QProbeScanPatternOptions& other) {
    m_kindCode = other.m_kindCode;
    m_pattern = other.m_pattern;
    m_ownPattern = other.m_ownPattern;
    m_measurementHeight = other.m_measurementHeight;
}

void QProbeScanPatternOptions::SyncFromNode() {
    m_ownPattern = 0;
    AdoptAncestorPattern();
}

void QProbeScanPatternOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_kindCode);
    m_pattern.WriteBody(writer);
    writer.WriteU8(m_ownPattern);
    writer.WriteF32(m_measurementHeight);
    const std::array<uint8_t, kReservedBytes> reserved{};
    writer.Write(reserved.data(), kReservedBytes);
}

void QProbeScanPatternOptions::ReadBody(QDataReader& reader) {
    const uint32_t kindCode = reader.ReadU32();
    // A copy, so that a pattern without heights keeps the heights it has.
    QProbeScanPattern pattern(m_pattern);
    pattern.ReadBody(reader);
    const uint8_t ownPattern = reader.ReadU8();
    const float height = reader.ReadF32();
    std::array<uint8_t, kReservedBytes> reserved{};
    reader.Read(reserved.data(), kReservedBytes);

    m_kindCode = kindCode;
    m_pattern = pattern;
    m_ownPattern = ownPattern;
    m_measurementHeight = height;
}

} // namespace orv
