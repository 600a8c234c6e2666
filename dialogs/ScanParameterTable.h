#pragma once

// The rows of the scan-data description dialog's parameter list: what the scan was measured with,
// as texts formatted in the C locale.

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class CScanData;

struct ScanParameterRow {
    std::string m_name;
    std::string m_value;

    bool operator==(const ScanParameterRow& other) const = default;
};

// `nodeKind` picks the frequency rows (a range for the spectral kinds, the centre for the spatial
// ones); `compensated` and `unitCode` (1 dBuV, any other dBm) give the level range its unit. The
// level range is the scan's shown range as its last UpdateLevelRange left it.
std::vector<ScanParameterRow> BuildScanParameterRows(const CScanData& scan, uint16_t nodeKind,
                                                     bool compensated, uint32_t unitCode);

} // namespace orv
