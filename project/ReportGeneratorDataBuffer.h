#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// One ticked node of a report generator's selection: the node's ID and the IDs of its ticked scans,
// in the order they were ticked. A record without scan IDs is a ticked node whose scans are all
// unticked. A selection holds at most one record per node.
struct _ReportGeneratorDataBuffer {
    int32_t m_NodeId = 0;
    std::vector<int32_t> m_ScanIds;

    bool operator==(const _ReportGeneratorDataBuffer& other) const = default;
};

} // namespace orv
