#pragma once

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "scandata/QAntennaListScanContainer.h"

namespace orv {

// The container of a different range scan module node; the point count is stored after the levels. It also
// keeps a probe scan pattern of its own, not stored. Lists in stored order, values per record: {6, 5, 3}.
class QDifferentRangeScanModuleContainer : public QAntennaListScanContainer {
public:
    static constexpr uint32_t kListWidths[] = {6, 5, 3};

    QDifferentRangeScanModuleContainer();
    uint16_t GetTypeID() const override { return kTypeDifferentRangeScanModuleContainer; }

    QProbeScanPattern& GetRangeProbeScanPattern() { return m_RangePattern; }

private:
    QProbeScanPattern m_RangePattern;
};

} // namespace orv
