#include "core/QSpatialDisplayOptions.h"

#include "core/QLevelRangeSource.h"
#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"
#include "core/QSmallOptions.h"

#include <algorithm>
#include <cmath>
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

QSpatialDisplayRecord QSpatialDisplayOptions::ResolveLevel(const QSpatialDisplayRecord& ancestor,
                                                           const float* compensationThreshold) const {
    QSpatialDisplayRecord record = Resolve(ancestor);
    if (compensationThreshold != nullptr && IsAutomaticRange()) {
        if (const std::optional<QAutomaticLevelRange> range = ComputeAutomaticRange(*compensationThreshold)) {
            record.m_rangeLow = range->m_low;
            record.m_rangeHigh = range->m_high;
        }
    }
    return record;
}

QSpatialDisplayRecord QSpatialDisplayOptions::GetAncestorSettings(const float* compensationThreshold) const {
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
    // An ancestor's automatic range is read from its container only when the levels below take
    // their range from it all the way down: no container is locked for nothing.
    std::vector<const float*> thresholds(chain.size(), nullptr);
    bool rangeNeeded = TakesAncestorRange();
    for (size_t level = 0; level < chain.size(); ++level) {
        thresholds[level] = rangeNeeded ? compensationThreshold : nullptr;
        rangeNeeded = rangeNeeded && chain[level]->TakesAncestorRange();
    }
    size_t level = chain.size() - 1;
    QSpatialDisplayRecord record =
        chain[level]->ResolveLevel(chain[level]->GetOwnSettings(), thresholds[level]);
    while (level > 0) {
        --level;
        record = chain[level]->ResolveLevel(record, thresholds[level]);
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

QSpatialDisplayRecord QSpatialDisplayOptions::GetEffectiveSettings(float compensationThreshold) const {
    return ResolveLevel(GetAncestorSettings(&compensationThreshold), &compensationThreshold);
}

void QSpatialDisplayOptions::GetRange(float& low, float& high, float compensationThreshold) const {
    const QSpatialDisplayRecord record = GetEffectiveSettings(compensationThreshold);
    low = record.m_rangeLow;
    high = record.m_rangeHigh;
}

namespace {

// The threshold in tenths of a dB, truncated; a value that is no number or out of range is held.
float ThresholdInTenths(float thresholdDb) {
    const double tenths = static_cast<double>(thresholdDb) * 10.0;
    if (std::isnan(tenths)) {
        return 0.0F;
    }
    const double clamped = std::clamp(tenths, -2147483648.0, 2147483647.0);
    return static_cast<float>(static_cast<int32_t>(clamped));
}

} // namespace

std::optional<QAutomaticLevelRange>
QSpatialDisplayOptions::ComputeAutomaticRange(float compensationThreshold) const {
    auto* own = dynamic_cast<QLevelRangeNode*>(m_owner);
    if (own == nullptr) {
        return std::nullopt;
    }
    const QFrequencyBucketList* selection = nullptr;
    const QSSSpatialViewOptions* spatialView = m_owner->GetSSSpatialViewOptions();
    const QSSSpectralViewOptions* spectralView = m_owner->GetSSSpectralViewOptions();
    if (spatialView != nullptr && spectralView != nullptr && spatialView->m_viewMode == 1) {
        selection = &spectralView->GetFrequencyBuckets();
    }
    QAutomaticLevelRange range;
    if (GetOwnerKind() == kTypeSpatialScanNode) {
        // Lock order: the parent's lock alone, given back, then the own node's lock alone. Two
        // nodes' locks are never held at once here.
        float noiseFloor = 0.0F;
        QOptionMediator* parentMediator = GetParentMediator();
        QOptionNode* parent = parentMediator != nullptr ? parentMediator->GetNode() : nullptr;
        const uint16_t parentKind = parent != nullptr ? parent->GetNodeTypeId() : 0;
        if (parent != nullptr && parent != m_owner &&
            (parentKind == kTypeSpectralSpatialScanNode || parentKind == kTypeHandHeldProbeScanNode)) {
            if (auto* parentNode = dynamic_cast<QLevelRangeNode*>(parent)) {
                const QLevelRangeLock parentLock(*parentNode);
                if (parentLock.Source() != nullptr) {
                    noiseFloor = parentLock.Source()->GetNoiseFloor();
                }
            }
        }
        const QLevelRangeLock ownLock(*own);
        if (ownLock.Source() == nullptr) {
            return std::nullopt;
        }
        float storedLow = 0.0F;
        ownLock.Source()->GetStoredLevelRange(&storedLow, nullptr);
        range.m_compensationLevel =
            std::max(storedLow, noiseFloor) + ThresholdInTenths(compensationThreshold);
        ownLock.Source()->GetShownLevelRange(&range.m_low, &range.m_high, selection,
                                             range.m_compensationLevel);
        return range;
    }
    const QLevelRangeLock ownLock(*own);
    if (ownLock.Source() == nullptr) {
        return std::nullopt;
    }
    ownLock.Source()->GetShownLevelRange(&range.m_low, &range.m_high, selection, std::nullopt);
    return range;
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
