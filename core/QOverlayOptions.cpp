#include "core/QOverlayOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"
#include "core/drawing/DrawingRecords.h"

#include <cstring>

namespace orv {

QOverlayOptions::QOverlayOptions() {
    ResetDrawing();
    m_blobSet = true;
    m_listBuilt = true;
}

QOverlayOptions::QOverlayOptions(const QOverlayOptions& other) : QOptions(other) {
    ResetDrawing();
    m_blobSet = true;
    m_listBuilt = true;
    CopyFrom(other);
}

QOverlayOptions& QOverlayOptions::operator=(const QOverlayOptions& other) {
    if (&other != this) {
        QOptions::operator=(other);
        CopyFrom(other);
    }
    return *this;
}

QOverlayOptions::~QOverlayOptions() = default;

void QOverlayOptions::ResetDrawing() {
    m_drawList.Clear();
    // The end record alone, sized by a counting run of the same writing.
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, nullptr);
    auto blob = std::make_unique<uint8_t[]>(counter.m_count);
    QCharArrayDataWriter writer(blob.get(), counter.m_count);
    WriteOverlayDrawingRecords(writer, nullptr);
    m_drawBlob = std::move(blob);
    m_drawBlobLength = counter.m_count;
    m_listBuilt = false;
    m_blobSet = false;
}

DrawBase_t* QOverlayOptions::GetDrawList() {
    if (!m_listBuilt) {
        m_drawList.Clear();
        QCharArrayDataReader reader(m_drawBlob.get(), m_drawBlobLength);
        m_drawList = LoadList(reader);
        m_listBuilt = true;
    }
    return m_drawList.Head();
}

void QOverlayOptions::SetDrawBlob(const uint8_t* bytes, uint32_t length) {
    auto blob = std::make_unique<uint8_t[]>(length);
    if (length != 0) {
        std::memcpy(blob.get(), bytes, length);
    }
    m_drawList.Clear();
    m_drawBlob = std::move(blob);
    m_drawBlobLength = length;
    m_listBuilt = false;
    m_blobSet = true;
}

DrawList QOverlayOptions::LoadList(QDataReader& reader) {
    return ReadOverlayDrawingRecords(reader);
}

void QOverlayOptions::CopyFrom(const QOverlayOptions& other) {
    if (&other == this) {
        return;
    }
    m_firstWorkRect = other.m_firstWorkRect;
    m_secondWorkRect = other.m_secondWorkRect;
    m_placementA = other.m_placementA;
    m_placementB = other.m_placementB;
    m_placement = other.m_placement;
    for (int i = 0; i < 4; ++i) {
        m_pictureValues[i] = other.m_pictureValues[i];
    }
    m_pictureInt = other.m_pictureInt;
    for (int i = 0; i < 3; ++i) {
        m_pictureFlags[i] = other.m_pictureFlags[i];
    }
    m_sourceKind = other.m_sourceKind;
    m_overlayId = other.m_overlayId;
    m_showFlag = other.m_showFlag;
}

void QOverlayOptions::SyncFromNode() {
    QOptionMediator* parentMediator = GetParentMediator();
    QOptionNode* parentNode = parentMediator == nullptr ? nullptr : parentMediator->GetNode();
    if (parentNode == nullptr) {
        return;
    }
    const auto* parent = dynamic_cast<const QOverlayOptions*>(parentNode->GetOverlayOptions());
    if (parent != nullptr) {
        CopyFrom(*parent);
    }
}

void QOverlayOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_placementA);
    writer.WriteF32(m_placementB);
    // The rectangle's stored order is first, third, second, fourth.
    writer.WriteI32(m_placement.a);
    writer.WriteI32(m_placement.c);
    writer.WriteI32(m_placement.b);
    writer.WriteI32(m_placement.d);
    writer.WriteI32(m_overlayId);
    writer.WriteU8(m_showFlag);
    writer.WriteU8(m_sourceKind);
    if (m_sourceKind != kSourceDrawing) {
        for (float value : m_pictureValues) {
            writer.WriteF32(value);
        }
        writer.WriteI32(m_pictureInt);
        for (uint8_t flag : m_pictureFlags) {
            writer.WriteU8(flag);
        }
    }
}

void QOverlayOptions::ReadBody(QDataReader& reader) {
    QOverlayOptions read(*this);
    read.m_placementA = reader.ReadF32();
    read.m_placementB = reader.ReadF32();
    read.m_placement.a = reader.ReadI32();
    read.m_placement.c = reader.ReadI32();
    read.m_placement.b = reader.ReadI32();
    read.m_placement.d = reader.ReadI32();
    read.m_overlayId = reader.ReadI32();
    read.m_showFlag = reader.ReadU8();
    read.m_sourceKind = reader.ReadU8();
    if (read.m_sourceKind != kSourceDrawing) {
        for (float& value : read.m_pictureValues) {
            value = reader.ReadF32();
        }
        read.m_pictureInt = reader.ReadI32();
        for (uint8_t& flag : read.m_pictureFlags) {
            flag = reader.ReadU8();
        }
    }
    CopyFrom(read);
    // A loaded node has no drawing until one is set: its list is the empty one, as on a new node.
    ResetDrawing();
}

uint32_t QOverlayOptions::GetBodySize() const {
    QCharCounterDataWriter counter;
    WriteBody(counter);
    return counter.m_count;
}

} // namespace orv
