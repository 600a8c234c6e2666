#include "core/QSpatialDisplayOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"

#include <vector>

namespace orv {

QSpatialDisplayRecord QSpatialDisplayOptions::GetOwnSettings() const {
    QSpatialDisplayRecord record;
    record.m_modeA = m_modeA;
    record.m_modeB = m_modeB;
    record.m_rangeLow = m_rangeLow;
    record.m_rangeHigh = m_rangeHigh;
    record.m_offset = m_offset;
    record.m_flag1 = m_flag1;
    record.m_flag2 = m_flag2;
    record.m_flag6 = m_flag6;
    record.m_flag7 = m_flag7;
    record.m_flag11 = m_flag11;
    record.m_flag12 = m_flag12;
    record.m_ownOffset = m_ownOffset;
    record.m_ownFlag1 = m_ownFlag1;
    record.m_flag5 = m_flag5;
    record.m_ownFlag6 = m_ownFlag6;
    record.m_ownFlag7 = m_ownFlag7;
    record.m_flag18 = m_flag18;
    record.m_flag19 = m_flag19;
    record.m_flag20 = m_flag20;
    record.m_flag8 = m_flag8;
    return record;
}

QSpatialDisplayRecord QSpatialDisplayOptions::Resolve(const QSpatialDisplayRecord& ancestor) const {
    QSpatialDisplayRecord record = GetOwnSettings();
    if (m_modeB == 0 && m_flag12 == 0) {
        record.m_rangeLow = ancestor.m_rangeLow;
        record.m_rangeHigh = ancestor.m_rangeHigh;
    }
    if (m_ownOffset == 0) {
        record.m_offset = ancestor.m_offset;
    }
    if (m_ownFlag1 == 0) {
        record.m_flag1 = ancestor.m_flag1;
    }
    if (m_ownFlag2 == 0) {
        record.m_flag2 = ancestor.m_flag2;
    }
    if (m_ownFlag6 == 0) {
        record.m_flag6 = ancestor.m_flag6;
    }
    if (m_ownFlag7 == 0) {
        record.m_flag7 = ancestor.m_flag7;
    }
    return record;
}

QSpatialDisplayRecord QSpatialDisplayOptions::GetAncestorSettings() const {
    // Collect the ancestors' options from the parent upwards first, then resolve from the top down:
    // every level is asked once per operation, and a tree that loops back on itself, ends in a
    // node without options or climbs past kMaxAncestorLevels ends the walk instead of recursing.
    std::vector<const QSpatialDisplayOptions*> chain;
    if (GetOwnerKind() != kTypePreferencesNode) {
        QOptionMediator* mediator = GetParentMediator();
        std::vector<const QOptionNode*> visited{m_owner};
        while (mediator != nullptr && chain.size() < static_cast<size_t>(kMaxAncestorLevels)) {
            QOptionNode* node = mediator->GetNode();
            if (node == nullptr || node->GetNodeTypeId() == kTypePreferencesNode) {
                break;
            }
            bool seen = false;
            for (const QOptionNode* earlier : visited) {
                seen = seen || earlier == node;
            }
            const QSpatialDisplayOptions* options = node->GetSpatialDisplayOptions();
            if (seen || options == nullptr) {
                break;
            }
            visited.push_back(node);
            chain.push_back(options);
            mediator = mediator->GetParentMediator();
        }
    }
    if (chain.empty()) {
        return GetOwnSettings();
    }
    QSpatialDisplayRecord record = chain.back()->GetOwnSettings();
    for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
        record = (*level)->Resolve(record);
    }
    return record;
}

QSpatialDisplayRecord QSpatialDisplayOptions::GetEffectiveSettings() const {
    return Resolve(GetAncestorSettings());
}

void QSpatialDisplayOptions::GetRange(float& low, float& high) const {
    const QSpatialDisplayRecord record = GetEffectiveSettings();
    low = record.m_rangeLow;
    high = record.m_rangeHigh;
}

void QSpatialDisplayOptions::CopyFrom(const QSpatialDisplayOptions& other) {
    if (&other == this) {
        return;
    }
    m_modeA = other.m_modeA;
    m_modeB = other.m_modeB;
    m_rangeLow = other.m_rangeLow;
    m_rangeHigh = other.m_rangeHigh;
    m_offset = other.m_offset;
    m_flag1 = other.m_flag1;
    m_flag2 = other.m_flag2;
    m_flag3 = other.m_flag3;
    m_flag4 = other.m_flag4;
    m_flag5 = other.m_flag5;
    m_flag6 = other.m_flag6;
    m_flag7 = other.m_flag7;
    m_flag9 = other.m_flag9;
    m_useSameViewSetting = other.m_useSameViewSetting;
    m_flag11 = other.m_flag11;
    m_flag12 = other.m_flag12;
    m_ownOffset = other.m_ownOffset;
    m_ownFlag1 = other.m_ownFlag1;
    m_ownFlag6 = other.m_ownFlag6;
    m_ownFlag7 = other.m_ownFlag7;
    m_flag18 = other.m_flag18;
    m_flag19 = other.m_flag19;
    m_flag20 = other.m_flag20;
}

void QSpatialDisplayOptions::SyncFromNode() {
    m_flag11 = 0;
    m_flag12 = 0;
    m_ownOffset = 0;
    if (m_ownFlag1 == 0) {
        m_flag1 = GetAncestorSettings().m_flag1;
    }
    m_ownFlag1 = 1;
    m_ownFlag2 = 0;
    m_ownFlag6 = 0;
    m_ownFlag7 = 0;
    QOptionMediator* governing = FindGoverningMediator(GetOwnerKind());
    QOptionNode* node = governing == nullptr ? nullptr : governing->GetNode();
    const QSpatialDisplayOptions* source = node == nullptr ? nullptr : node->GetSpatialDisplayOptions();
    if (source == nullptr || source == this) {
        return;
    }
    m_modeA = source->m_modeA;
    m_modeB = source->m_modeB;
    m_rangeLow = source->m_rangeLow;
    m_rangeHigh = source->m_rangeHigh;
    m_flag1 = source->m_flag1;
    m_flag5 = source->m_flag5;
    m_flag3 = source->m_flag3;
    m_flag9 = source->m_flag9;
    m_useSameViewSetting = source->m_useSameViewSetting;
}

void QSpatialDisplayOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_modeA);
    writer.WriteU8(m_modeB);
    writer.WriteF32(m_rangeLow);
    writer.WriteF32(m_rangeHigh);
    writer.WriteI32(m_offset);
    writer.WriteU8(m_useSameViewSetting);
    writer.WriteU8(m_flag3);
    writer.WriteU8(m_flag6);
    writer.WriteU8(m_flag7);
    writer.WriteU8(m_flag4);
    writer.WriteU8(m_flag12);
    writer.WriteU8(m_ownOffset);
    writer.WriteU8(m_flag1);
    writer.WriteU8(m_flag5);
    writer.WriteU8(m_ownFlag6);
    writer.WriteU8(m_ownFlag7);
    writer.WriteU8(m_flag9);
    const uint8_t reserved[kReservedBytes] = {};
    writer.Write(reserved, kReservedBytes);
}

void QSpatialDisplayOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(kStoredBodySize);
    m_modeA = reader.ReadU32();
    m_modeB = reader.ReadU8();
    m_rangeLow = reader.ReadF32();
    m_rangeHigh = reader.ReadF32();
    m_offset = reader.ReadI32();
    m_useSameViewSetting = reader.ReadU8();
    m_flag3 = reader.ReadU8();
    m_flag6 = reader.ReadU8();
    m_flag7 = reader.ReadU8();
    m_flag4 = reader.ReadU8();
    m_flag12 = reader.ReadU8();
    m_ownOffset = reader.ReadU8();
    m_flag1 = reader.ReadU8();
    m_flag5 = reader.ReadU8();
    m_ownFlag6 = reader.ReadU8();
    m_ownFlag7 = reader.ReadU8();
    if (m_rangeHigh == 0.0F) {
        m_rangeLow = 100.0F;
        m_rangeHigh = 1000.0F;
    }
    m_flag9 = reader.ReadU8();
    uint8_t reserved[kReservedBytes];
    reader.Read(reserved, kReservedBytes);
    m_useSameViewSetting = 0;
}

} // namespace orv
