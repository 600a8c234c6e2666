#include "core/QAttenuatorOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"

#include <cmath>
#include <limits>

namespace orv {

int32_t QAttenuatorOptions::TruncateValue(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(static_cast<double>(value));
    if (truncated <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (truncated >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(truncated);
}

QAttenuatorValueRecord QAttenuatorOptions::GetValueRecord() const {
    QAttenuatorValueRecord record;
    record.m_valueInt = TruncateValue(m_value);
    record.m_valueTable = m_valueTable;
    record.m_value = m_value;
    return record;
}

void QAttenuatorOptions::SetValue(float value, QAttenuatorValueTable table) {
    m_value = value;
    m_valueInt = TruncateValue(value);
    m_valueTable = std::move(table);
}

void QAttenuatorOptions::CopyFrom(const QAttenuatorOptions& other) {
    if (&other == this) {
        return;
    }
    m_valueInt = other.m_valueInt;
    m_ownValue = other.m_ownValue;
    m_valueTable = other.m_valueTable;
    m_value = other.m_value;
    m_byte1 = other.m_byte1;
    m_byte2 = other.m_byte2;
    m_byte3 = other.m_byte3;
    m_byte4 = other.m_byte4;
    m_byte5 = other.m_byte5;
    m_byte6 = other.m_byte6;
}

void QAttenuatorOptions::SyncFromNode() {
    m_ownValue = 0;
    const uint16_t ownerKind = GetOwnerKind();
    QOptionMediator* parentMediator = GetParentMediator();
    QOptionNode* parentNode = parentMediator == nullptr ? nullptr : parentMediator->GetNode();
    const QAttenuatorOptions* parent = parentNode == nullptr ? nullptr : parentNode->GetAttenuatorOptions();
    if (parent == this) {
        parent = nullptr;
    }
    if (ownerKind == kTypePreferencesNode || ownerKind == kTypeProjectNode) {
        m_valueInt = TruncateValue(m_value);
    } else if (parent != nullptr) {
        const QAttenuatorValueRecord inForce = parent->GetValueRecord();
        m_valueInt = inForce.m_valueInt;
        m_value = inForce.m_value;
        m_valueTable = inForce.m_valueTable;
    }
    if (parent != nullptr) {
        m_byte1 = parent->m_byte1;
        m_byte2 = parent->m_byte2;
        m_byte3 = parent->m_byte3;
        m_byte4 = parent->m_byte4;
        m_byte5 = parent->m_byte5;
        m_byte6 = parent->m_byte6;
        m_byte7 = parent->m_byte7;
        m_word = parent->m_word;
        m_factor = parent->m_factor;
    }
    m_byte6 = ownerKind == kTypeHandHeldProbeScanNode ? 1 : 0;
}

void QAttenuatorOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(kExtensionMarker);
    writer.WriteU8(m_ownValue);
    writer.WriteF32(m_value);
    writer.WriteU8(m_byte1);
    writer.WriteU8(m_byte2);
    writer.WriteU8(kFullLayout);
    writer.WriteU8(m_byte3);
    writer.WriteU8(m_byte5);
    writer.WriteU8(m_byte6);
    writer.WriteU8(m_byte7);
    writer.WriteU16(m_word);
    writer.WriteF32(m_factor);
    writer.WriteU8(m_byte4);
    const uint8_t reserved[kReservedBytes] = {};
    writer.Write(reserved, kReservedBytes);
    writer.WriteU8(0);
}

void QAttenuatorOptions::ReadBody(QDataReader& reader) {
    if (!reader.ConsumeMarker(kExtensionMarker)) {
        return;
    }
    // Own flag, value, two bytes and the layout byte; then either the full tail or the trailing byte.
    reader.RequireRemaining(8);
    QAttenuatorOptions read(*this);
    read.m_ownValue = reader.ReadU8();
    read.m_value = reader.ReadF32();
    read.m_byte1 = reader.ReadU8();
    read.m_byte2 = reader.ReadU8();
    const uint8_t layout = reader.ReadU8();
    if (layout == kFullLayout) {
        reader.RequireRemaining(11 + kReservedBytes + 1);
        read.m_byte3 = reader.ReadU8();
        read.m_byte5 = reader.ReadU8();
        read.m_byte6 = reader.ReadU8();
        read.m_byte7 = reader.ReadU8();
        read.m_word = reader.ReadU16();
        read.m_factor = reader.ReadF32();
        read.m_byte4 = reader.ReadU8();
        uint8_t reserved[kReservedBytes];
        reader.Read(reserved, kReservedBytes);
    } else {
        reader.RequireRemaining(1);
    }
    reader.ReadU8();
    m_ownValue = read.m_ownValue;
    m_value = read.m_value;
    m_byte1 = read.m_byte1;
    m_byte2 = read.m_byte2;
    m_byte3 = read.m_byte3;
    m_byte5 = read.m_byte5;
    m_byte6 = read.m_byte6;
    m_byte7 = read.m_byte7;
    m_word = read.m_word;
    m_factor = read.m_factor;
    m_byte4 = read.m_byte4;
}

} // namespace orv
