#include "core/QScanOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"

#include <array>

namespace orv {

namespace {

bool KeepsOwnCentre(uint16_t kind) {
    return kind == kTypeProjectNode || kind == kTypeModuleNode;
}

} // namespace

float QScanOptions::GetCenterFrequency() const {
    if (KeepsOwnCentre(GetOwnerKind())) {
        return m_centerFrequency;
    }
    return (m_startFrequency + m_stopFrequency) * 0.5F;
}

float QScanOptions::GetSpan() const {
    if (GetOwnerKind() == kTypeSpatialScanNode) {
        return 0.0F;
    }
    return m_stopFrequency - m_startFrequency;
}

void QScanOptions::SetCenterFrequency(float mhz) {
    if (KeepsOwnCentre(GetOwnerKind())) {
        m_centerFrequency = mhz;
        return;
    }
    const float span = GetSpan();
    m_startFrequency = mhz - span / 2.0F;
    m_stopFrequency = mhz + span / 2.0F;
}

void QScanOptions::CopyFrom(const QScanOptions& other) {
    m_startFrequency = other.m_startFrequency;
    m_stopFrequency = other.m_stopFrequency;
    m_rbw = other.m_rbw;
    m_level100 = other.m_level100;
    m_referenceLevel = other.m_referenceLevel;
    m_samplesPerSecond = other.m_samplesPerSecond;
    m_spatialSweepsPerCell = other.m_spatialSweepsPerCell;
    m_setupWord3 = other.m_setupWord3;
    m_sweepsPerCell = other.m_sweepsPerCell;
    m_setupSwitch1 = other.m_setupSwitch1;
    m_setupSwitch2 = other.m_setupSwitch2;
    m_measurePeaks = other.m_measurePeaks;
    m_peakHold = other.m_peakHold;
    m_extensionSelector = other.m_extensionSelector;
    m_extensionValue = other.m_extensionValue;
    m_maxPeaks = other.m_maxPeaks;
    m_extensionCount2 = other.m_extensionCount2;
    m_hasExtension = other.m_hasExtension;
    m_replaceDataContinuous = other.m_replaceDataContinuous;
    m_centerFrequency = other.m_centerFrequency;
    m_controlLevel = other.m_controlLevel;
    m_interleavedScan = other.m_interleavedScan;
    m_dcCoupled = other.m_dcCoupled;
    m_averaging = other.m_averaging;
    m_flagG = other.m_flagG;
    m_word5 = other.m_word5;
    m_word4 = other.m_word4;
    m_signedSetting = other.m_signedSetting;
    m_flagH = other.m_flagH;
}

void QScanOptions::SyncFromNode() {
    const uint16_t ownKind = GetOwnerKind();
    QOptionMediator* governing = FindGoverningMediator(ownKind);
    if (governing == nullptr) {
        return;
    }
    QOptionNode* node = governing->GetNode();
    const QScanOptions* source = node == nullptr ? nullptr : node->GetScanOptions();
    if (source == nullptr || source == this) {
        return;
    }
    m_startFrequency = source->m_startFrequency;
    m_stopFrequency = source->m_stopFrequency;
    m_rbw = source->m_rbw;
    m_level100 = source->m_level100;
    m_referenceLevel = source->m_referenceLevel;
    m_samplesPerSecond = source->m_samplesPerSecond;
    m_spatialSweepsPerCell = source->m_spatialSweepsPerCell;
    m_setupWord3 = source->m_setupWord3;
    m_sweepsPerCell = source->m_sweepsPerCell;
    m_setupSwitch1 = source->m_setupSwitch1;
    m_setupSwitch2 = source->m_setupSwitch2;
    m_measurePeaks = source->m_measurePeaks;
    m_maxPeaks = source->m_maxPeaks;
    m_peakHold = source->m_peakHold;
    m_exportAllPeaks = source->m_exportAllPeaks;
    m_replaceDataContinuous = source->m_replaceDataContinuous;
    m_interleavedScan = source->m_interleavedScan;
    m_centerFrequency = source->m_centerFrequency;

    const uint16_t governingKind = node->GetNodeTypeId();
    if (ownKind == kTypeSpatialScanNode && KeepsOwnCentre(governingKind)) {
        // A spatial scan under a Project or Module node scans at the centre it follows.
        m_startFrequency = m_centerFrequency;
        m_stopFrequency = m_centerFrequency;
    }
    if (ownKind == kTypeSpectralSpatialScanNode || ownKind == kTypeHandHeldProbeScanNode ||
        ownKind == kTypeSpectralSpatialScriptingModuleNode) {
        m_measurePeaks = 0;
    }

    m_controlLevel = source->m_controlLevel;
    m_interleavedScan = source->m_interleavedScan;
    m_dcCoupled = source->m_dcCoupled;
    m_averaging = source->m_averaging;
    m_flagG = source->m_flagG;
    m_word5 = source->m_word5;
    m_word4 = source->m_word4;
    m_signedSetting = source->m_signedSetting;
    m_flagH = source->m_flagH;
}

void QScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_startFrequency);
    writer.WriteF32(m_stopFrequency);
    writer.WriteF32(m_rbw);
    writer.WriteF32(m_centerFrequency);
    writer.WriteF32(m_referenceLevel);
    writer.WriteU32(m_samplesPerSecond);
    writer.WriteU32(m_spatialSweepsPerCell);
    writer.WriteU32(m_setupWord3);
    writer.WriteU32(m_sweepsPerCell);
    writer.WriteU8(m_setupSwitch1);
    writer.WriteU8(m_setupSwitch2);
    writer.WriteU8(m_measurePeaks);
    writer.WriteU8(m_peakHold);
    m_hasExtension = 1;
    writer.WriteI32(kExtensionMarker);
    // Always 0.0: any other selector would make the reader skip the fields that follow, which are
    // written all the same.
    writer.WriteF32(0.0F);
    writer.WriteF32(m_extensionValue);
    writer.WriteU16(m_maxPeaks);
    writer.WriteU16(m_extensionCount2);
    writer.WriteU8(m_dcCoupled);
    writer.WriteU8(m_averaging);
    writer.WriteU8(m_controlLevel);
    writer.WriteU8(m_interleavedScan == 1 ? 1 : 0);
    writer.WriteU8(static_cast<uint8_t>(m_signedSetting & 0xFF));
    writer.WriteU8(m_flagH);
    const std::array<uint8_t, kReservedBytes> reserved{};
    writer.Write(reserved.data(), kReservedBytes);
    writer.WriteU8(m_replaceDataContinuous);
}

void QScanOptions::ReadBody(QDataReader& reader) {
    QScanOptions read(*this);
    read.m_startFrequency = reader.ReadF32();
    read.m_stopFrequency = reader.ReadF32();
    read.m_rbw = reader.ReadF32();
    read.m_centerFrequency = reader.ReadF32();
    read.m_referenceLevel = reader.ReadF32();
    read.m_samplesPerSecond = reader.ReadU32();
    read.m_spatialSweepsPerCell = reader.ReadU32();
    read.m_setupWord3 = reader.ReadU32();
    read.m_sweepsPerCell = reader.ReadU32();
    read.m_setupSwitch1 = reader.ReadU8();
    read.m_setupSwitch2 = reader.ReadU8();
    read.m_measurePeaks = reader.ReadU8();
    read.m_peakHold = reader.ReadU8();
    if (reader.ConsumeMarker(kExtensionMarker)) {
        read.m_extensionSelector = reader.ReadF32();
        read.m_extensionValue = reader.ReadF32();
        read.m_maxPeaks = reader.ReadU16();
        read.m_extensionCount2 = reader.ReadU16();
        // Older writers could store another selector, and then wrote none of the fields below.
        if (read.m_extensionSelector == 0.0F) {
            read.m_dcCoupled = reader.ReadU8();
            read.m_averaging = reader.ReadU8();
            read.m_controlLevel = reader.ReadU8();
            read.m_interleavedScan = reader.ReadU8() == 1 ? 1 : 0;
            read.m_signedSetting = reader.ReadI8();
            read.m_flagH = reader.ReadU8();
            std::array<uint8_t, kReservedBytes> reserved{};
            reader.Read(reserved.data(), kReservedBytes);
        }
        read.m_hasExtension = 1;
    } else {
        read.m_hasExtension = 0;
    }
    read.m_replaceDataContinuous = reader.ReadU8();
    read.m_extensionSelector = 0.0F;
    *this = read;
}

} // namespace orv
