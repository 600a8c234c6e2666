#include "core/serializable.h"

#include <gtest/gtest.h>
#include <vector>

namespace orv {
namespace {

// A stored kind with a configurable body: N bytes of a running counter.
class Blob : public QSerializable {
public:
    explicit Blob(uint16_t id = 3001, uint32_t bytes = 0) : m_id(id), m_bytes(bytes) {}
    void WriteBody(QDataWriter& writer) const override {
        for (uint32_t i = 0; i < m_bytes; ++i) {
            writer.WriteU8(static_cast<uint8_t>(i));
        }
    }
    void ReadBody(QDataReader& reader) override {
        m_read.clear();
        for (uint32_t i = 0; i < m_bytes; ++i) {
            m_read.push_back(reader.ReadU8());
        }
    }
    uint16_t GetTypeID() const override { return m_id; }
    uint32_t GetBodySize() const override { return m_bytes; }

    uint16_t m_id;
    uint32_t m_bytes;
    std::vector<uint8_t> m_read;
};

std::vector<uint8_t> Bytes(const QSerializable& object) {
    std::vector<uint8_t> out(object.GetSerializedSize());
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.Serialize(writer);
    EXPECT_EQ(writer.GetBytesWritten(), out.size());
    return out;
}

TEST(Frame, EmptyStoredObjectIsSevenBytes) {
    const Blob blob(3001, 0);
    EXPECT_EQ(Bytes(blob), (std::vector<uint8_t>{0x2A, 0xB9, 0x0B, 0, 0, 0, 0}));
    EXPECT_EQ(blob.GetHeaderSize(), 7U);
}

TEST(Frame, StopCalibrationCommandIsNineBytesAndReadsBack) {
    const QStopCalibrationCommand command;
    const auto bytes = Bytes(command);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x2A, 0, 0, 0x09, 0, 0, 0, 0, 0}));
    EXPECT_EQ(command.GetSerializedSize(), 9U);

    QStopCalibrationCommand back;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    back.Deserialize(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
    EXPECT_TRUE(back.IsHeaderRead());
    EXPECT_EQ(back.GetHeaderTypeId(), 9);
}

TEST(Frame, PacketReservedBytesAreIgnored) {
    const std::vector<uint8_t> bytes{0x2A, 0xFF, 0x7E, 0x09, 0, 0, 0, 0, 0};
    QStopCalibrationCommand back;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_NO_THROW(back.Deserialize(reader));
}

TEST(Frame, WrongMarkerFailsAfterTheWholeHeader) {
    std::vector<uint8_t> bytes{0x2B, 0xB9, 0x0B, 0, 0, 0, 0, 0xEE};
    Blob blob(3001, 0);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    try {
        blob.Deserialize(reader);
        FAIL() << "no exception";
    } catch (const QIOException& e) {
        EXPECT_EQ(e.m_message,
                  "Error#318: Invalid serialized object header detected.\nI/O operation has failed.");
    }
    EXPECT_EQ(reader.GetBytesRead(), 7U);
}

TEST(Frame, WrongTypeFailsAfterTheHeaderAndRecordsWhatWasFound) {
    const Blob other(3005, 4);
    const auto bytes = Bytes(other);
    Blob blob(3001, 4);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    try {
        blob.Deserialize(reader);
        FAIL() << "no exception";
    } catch (const QException& e) { // caught through the base, keeps its text
        EXPECT_EQ(std::string(e.what()),
                  "Error#320: Unexpected serialized object type.\nI/O operation has failed.");
    }
    EXPECT_TRUE(blob.IsHeaderRead());
    EXPECT_EQ(blob.GetHeaderTypeId(), 3005);
    EXPECT_EQ(reader.GetBytesRead(), 7U);
    EXPECT_TRUE(blob.m_read.empty());
}

TEST(Frame, SizeFieldIsNotUsedByDeserialize) {
    auto bytes = Bytes(Blob(3001, 3));
    bytes[3] = 200; // claims 200 body bytes
    Blob blob(3001, 3);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    blob.Deserialize(reader);
    EXPECT_EQ(blob.m_read, (std::vector<uint8_t>{0, 1, 2}));
    EXPECT_EQ(blob.GetHeaderBodySize(), 200U);
}

TEST(Frame, HeaderKindsAcceptAnyIdAndReadNoBody) {
    const auto bytes = Bytes(Blob(2005, 12));
    QNodeHeader header;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    header.Deserialize(reader);
    EXPECT_EQ(header.GetTypeID(), 2005);
    EXPECT_EQ(header.GetBodySize(), 12U);
    EXPECT_EQ(reader.GetBytesRead(), 7U);

    const std::vector<uint8_t> packet{0x2A, 0, 0, 99, 0, 0x10, 0, 0, 0};
    QPacketHeader packetHeader;
    QCharArrayDataReader packetReader(packet.data(), static_cast<uint32_t>(packet.size()));
    packetHeader.Deserialize(packetReader);
    EXPECT_EQ(packetHeader.GetTypeID(), 99);
    EXPECT_EQ(packetHeader.GetBodySize(), 16U);
    EXPECT_EQ(packetHeader.GetSerializedSize(), 25U);
}

TEST(Frame, DefaultObjectsHaveNoHeaderAndCopiesKeepIt) {
    Blob blob(3001, 2);
    EXPECT_FALSE(blob.IsHeaderRead());
    EXPECT_EQ(blob.GetHeaderTypeId(), 0);
    EXPECT_EQ(blob.GetHeaderBodySize(), 0U);

    const auto bytes = Bytes(blob);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    blob.Deserialize(reader);
    const Blob copy(blob);
    EXPECT_TRUE(copy.IsHeaderRead());
    EXPECT_EQ(copy.GetHeaderBodySize(), 2U);
    Blob fresh(3001, 2);
    fresh.CopyHeader(blob);
    EXPECT_EQ(fresh.GetHeaderTypeId(), 3001);
}

TEST(Frame, DiffersTable) {
    auto readBack = [](uint16_t id, uint32_t size, uint32_t claimed) {
        auto bytes = Bytes(Blob(id, size));
        bytes[3] = static_cast<uint8_t>(claimed);
        auto blob = std::make_unique<Blob>(id, size);
        QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        blob->Deserialize(reader);
        return blob;
    };
    const Blob plainA(3001, 2);
    const Blob plainB(3001, 2);
    EXPECT_FALSE(plainA.Differs(plainB));
    EXPECT_TRUE(plainA.Differs(Blob(3002, 2)));
    EXPECT_TRUE(plainA.Differs(Blob(3001, 3)));
    // One has read a header and the other not: only id and size count.
    EXPECT_FALSE(readBack(3001, 2, 9)->Differs(plainA));
    // Both have read headers: the header fields count.
    EXPECT_TRUE(readBack(3001, 2, 9)->Differs(*readBack(3001, 2, 2)));
    EXPECT_FALSE(readBack(3001, 2, 2)->Differs(*readBack(3001, 2, 2)));
}

TEST(Frame, SinkSizedByGetSerializedSizeTakesTheObjectExactly) {
    const Blob blob(3001, 5);
    std::vector<uint8_t> buffer(blob.GetSerializedSize());
    QCharArrayDataWriter exact(buffer.data(), static_cast<uint32_t>(buffer.size()));
    EXPECT_NO_THROW(blob.Serialize(exact));

    QCharArrayDataWriter shortWriter(buffer.data(), static_cast<uint32_t>(buffer.size() - 1));
    try {
        blob.Serialize(shortWriter);
        FAIL() << "no exception";
    } catch (const QIOException& e) {
        EXPECT_EQ(
            e.m_message,
            "QCharArrayDataWriter::WriteToSink: Writing requested number of bytes would overrun buffer.");
    }
    QCharCounterDataWriter counter;
    blob.Serialize(counter);
    EXPECT_EQ(counter.m_count, blob.GetSerializedSize());
}

} // namespace
} // namespace orv
