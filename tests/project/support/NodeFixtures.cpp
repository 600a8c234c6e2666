#include "tests/project/support/NodeFixtures.h"

#include "platform/debug/DebugOutput.h"

#include <cstring>

namespace orv::nodefix {

FixtureNode::FixtureNode(uint16_t kind, std::unique_ptr<QScanContainer> container) : m_kind(kind) {
    SetScanContainer(container != nullptr ? std::move(container) : std::make_unique<QDummyScanContainer>());
}

LinkListMediator::LinkListMediator(QNode* node, QNodeMediator* parent) : m_node(node) {
    SetParentMediator(parent);
}

void LinkListMediator::SetNode(std::unique_ptr<QNode> node) {
    m_owned = std::move(node);
    m_node = m_owned.get();
}

uint32_t LinkListMediator::GetDataSize() {
    return 4 + 4 * static_cast<uint32_t>(m_links.size());
}

void LinkListMediator::WriteData(QDataWriter& writer) {
    writer.WriteU32(static_cast<uint32_t>(m_links.size()));
    for (uint32_t id : m_links) {
        writer.WriteU32(id);
    }
}

void LinkListMediator::ReadData(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(4ULL * count);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < count; ++i) {
        ids.push_back(reader.ReadU32());
    }
    m_readBlocks.push_back(ids);
}

AnnouncingContainer::~AnnouncingContainer() {
    OutputDebugString(kDeletedText);
}

std::vector<uint8_t> WriteBodyBytes(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    object.WriteBody(writer);
    bytes.resize(writer.GetBytesWritten());
    return bytes;
}

uint64_t ReadBodyBytes(QSerializable& object, const std::vector<uint8_t>& bytes) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.ReadBody(reader);
    return reader.GetRemaining();
}

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value) {
    uint8_t raw[4];
    std::memcpy(raw, &value, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

} // namespace orv::nodefix
