#include "project/QNodeTable.h"

#include <utility>

namespace orv {

void QNodeTable::Write(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_entries.size()));
    writer.WriteU32(m_nextNodeId);
    for (const Entry& entry : m_entries) {
        writer.WriteU32(entry.m_nodeId);
        writer.WriteU32(entry.m_parentId);
    }
}

void QNodeTable::Read(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    const uint32_t nextNodeId = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(count) * 8);
    std::vector<Entry> entries(count);
    for (Entry& entry : entries) {
        entry.m_nodeId = reader.ReadU32();
        entry.m_parentId = reader.ReadU32();
    }
    m_nextNodeId = nextNodeId;
    m_entries = std::move(entries);
}

} // namespace orv
