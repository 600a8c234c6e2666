#pragma once

#include "core/QSerializable.h"

namespace orv {

class QDataPacketHandler;

// Everything that crosses between the client and the engine: a frame with a 2-byte extra header
// (written as zero, ignored when read), so a packet header is 9 bytes.
class QPacket : public QSerializable {
public:
    void WriteExtraHeader(QDataWriter& writer) const override { writer.WriteU16(0); }
    void ReadExtraHeader(QDataReader& reader) override { reader.ReadU16(); }
    uint32_t GetExtraHeaderSize() const override { return 2; }
};

// Client to engine.
class QCommand : public QPacket {};

// Engine to client. A record that has something for the display hands it to the target and
// answers true; the others answer false.
class QDataPacket : public QPacket {
public:
    virtual bool DeliverToHandler(QDataPacketHandler* target) = 0;
};

// Asks the engine to stop a running calibration; its body is empty.
class QStopCalibrationCommand : public QCommand {
public:
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint16_t GetTypeID() const override;
    uint32_t GetBodySize() const override { return 0; }
};

// Peeks at the kind and length of the next packet: accepts a header of any type and reads no body.
class QPacketHeader : public QPacket {
public:
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint16_t GetTypeID() const override { return GetHeaderTypeId(); }
    uint32_t GetBodySize() const override { return m_headerBodySize; }
};

} // namespace orv
