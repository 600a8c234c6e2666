#include "FakeOptionNodes.h"

namespace orv::fake {

FakeOptionNode::FakeOptionNode(uint16_t kind) : m_kind(kind) {
    m_scanOptions.SetOwner(this);
    m_firstPattern.SetOwner(this);
    m_secondPattern.SetOwner(this);
}

QOptionMediator* FakeOptionNode::GetMediator() const {
    return m_mediator;
}

FakeOptionNode& FakeOptionTree::Add(uint16_t kind, FakeOptionNode* parent) {
    m_nodes.push_back(std::make_unique<FakeOptionNode>(kind));
    FakeOptionNode& node = *m_nodes.back();
    m_mediators.push_back(
        std::make_unique<FakeOptionMediator>(&node, parent == nullptr ? nullptr : parent->m_mediator));
    node.m_mediator = m_mediators.back().get();
    return node;
}

FakeOptionNode& FakeOptionTree::Chain(const std::vector<uint16_t>& kinds) {
    FakeOptionNode* last = nullptr;
    for (const uint16_t kind : kinds) {
        last = &Add(kind, last);
    }
    return *last;
}

std::vector<uint8_t> WrittenBody(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.WriteBody(writer);
    return out;
}

uint64_t ReadBodyBytes(QSerializable& object, const std::vector<uint8_t>& bytes, uint32_t storedFileVersion) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    reader.SetStoredFileVersion(storedFileVersion);
    object.ReadBody(reader);
    return reader.GetRemaining();
}

} // namespace orv::fake
