#include "tests/project/support/FileModelMediator.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

namespace orv::filemodeltest {

LinkKeepingMediator::~LinkKeepingMediator() {
    const std::set<QNodeMediator*> linked = m_linked;
    for (QNodeMediator* proxy : linked) {
        proxy->Unlink();
    }
}

void LinkKeepingMediator::WriteData(QDataWriter& writer) {
    writer.WriteU32(static_cast<uint32_t>(m_linked.size()));
    for (QNodeMediator* proxy : m_linked) {
        writer.WriteU32(proxy->GetNodeID());
    }
}

void LinkKeepingMediator::ReadData(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    for (uint32_t i = 0; i < count; ++i) {
        m_pendingLinks.push_back(reader.ReadU32());
    }
}

std::vector<uint32_t> LinkKeepingMediator::TakePendingLinks() {
    std::vector<uint32_t> links;
    links.swap(m_pendingLinks);
    return links;
}

} // namespace orv::filemodeltest
