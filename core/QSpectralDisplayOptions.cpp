#include "core/QSpectralDisplayOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"

namespace orv {

void QSpectralDisplayOptions::CopyFrom(const QSpectralDisplayOptions& other) {
    if (&other == this) {
        return;
    }
    m_modeA = other.m_modeA;
    m_modeC = other.m_modeC;
    m_markerLow = other.m_markerLow;
    m_markerHigh = other.m_markerHigh;
    m_modeB = other.m_modeB;
    m_levelLow = other.m_levelLow;
    m_levelHigh = other.m_levelHigh;
    m_switch2 = other.m_switch2;
    m_switch1 = other.m_switch1;
    m_switch7 = other.m_switch7;
    m_showFlag1 = other.m_showFlag1;
    m_showFlag2 = other.m_showFlag2;
    m_showFlag3 = other.m_showFlag3;
    m_showFlag4 = other.m_showFlag4;
    m_showFlag5 = other.m_showFlag5;
    m_showFlag6 = other.m_showFlag6;
    m_step = other.m_step;
    m_count = other.m_count;
    m_switch3 = other.m_switch3;
    m_modeD = other.m_modeD;
    m_useSameViewSetting = other.m_useSameViewSetting;
}

void QSpectralDisplayOptions::SyncFromNode() {
    m_showFlag1 = m_showFlag2 = m_showFlag3 = m_showFlag4 = m_showFlag5 = m_showFlag6 = 0;
    QOptionMediator* governing = FindGoverningMediator(GetOwnerKind());
    QOptionNode* node = governing == nullptr ? nullptr : governing->GetNode();
    const QSpectralDisplayOptions* source = node == nullptr ? nullptr : node->GetSpectralDisplayOptions();
    if (source == nullptr || source == this) {
        return;
    }
    m_modeA = source->m_modeA;
    m_modeC = source->m_modeC;
    m_markerLow = source->m_markerLow;
    m_markerHigh = source->m_markerHigh;
    m_modeB = source->m_modeB;
    m_levelLow = source->m_levelLow;
    m_levelHigh = source->m_levelHigh;
    m_useSameViewSetting = source->m_useSameViewSetting;
}

void QSpectralDisplayOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_modeA);
    writer.WriteU8(m_modeC);
    writer.WriteF32(m_markerLow);
    writer.WriteF32(m_markerHigh);
    writer.WriteU8(m_modeB);
    writer.WriteF32(m_levelLow);
    writer.WriteF32(m_levelHigh);
    writer.WriteU8(m_switch2);
    writer.WriteU8(m_switch1);
    writer.WriteU8(m_switch3);
    writer.WriteU8(m_showFlag1);
    writer.WriteU8(m_showFlag2);
    writer.WriteU8(m_showFlag3);
    writer.WriteU8(m_showFlag4);
    writer.WriteU8(m_showFlag5);
    writer.WriteU8(m_useSameViewSetting);
    writer.WriteU32(m_count);
    writer.WriteF32(m_step);
    writer.WriteU8(m_modeD);
    writer.WriteU8(m_switch4);
    const uint8_t reserved[kReservedBytes] = {};
    writer.Write(reserved, kReservedBytes);
}

void QSpectralDisplayOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(kStoredBodySize);
    m_modeA = reader.ReadU32();
    m_modeC = reader.ReadU8();
    m_markerLow = reader.ReadF32();
    m_markerHigh = reader.ReadF32();
    m_modeB = reader.ReadU8();
    m_levelLow = reader.ReadF32();
    m_levelHigh = reader.ReadF32();
    m_switch2 = reader.ReadU8();
    m_switch1 = reader.ReadU8();
    m_switch3 = reader.ReadU8();
    m_showFlag1 = reader.ReadU8();
    m_showFlag2 = reader.ReadU8();
    m_showFlag3 = reader.ReadU8();
    m_showFlag4 = reader.ReadU8();
    m_showFlag5 = reader.ReadU8();
    m_useSameViewSetting = reader.ReadU8();
    m_count = reader.ReadU32();
    m_step = reader.ReadF32();
    m_modeD = reader.ReadU8();
    m_switch4 = reader.ReadU8();
    uint8_t reserved[kReservedBytes];
    reader.Read(reserved, kReservedBytes);
}

} // namespace orv
