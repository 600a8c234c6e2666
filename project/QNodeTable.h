#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

#include <cstdint>
#include <vector>

namespace orv {

// The node table of a project (the ".lin" file after its stored-file header): the id counter at the
// time of the save and, in tree order, each node's id with its parent's id. The Preferences node and
// the project's root come first and name themselves as parent.
class QNodeTable {
public:
    struct Entry {
        uint32_t m_nodeId = 0;
        uint32_t m_parentId = 0;
        bool operator==(const Entry&) const = default;
    };

    void Write(QDataWriter& writer) const;
    // Reads into temporaries first: a table that fails to read leaves this one as it was.
    void Read(QDataReader& reader);

    uint32_t m_nextNodeId = 0;
    std::vector<Entry> m_entries;
};

} // namespace orv
