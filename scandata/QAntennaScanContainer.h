#pragma once

#include "core/TypeIds.h"
#include "scandata/QAntennaListScanContainer.h"

namespace orv {

// The container of an antenna scan node; the point count is not stored. Lists in stored order, values per
// record: {6, 3, 4, 3, 4, 3, 4}.
class QAntennaScanContainer : public QAntennaListScanContainer {
public:
    static constexpr uint32_t kListWidths[] = {6, 3, 4, 3, 4, 3, 4};

    QAntennaScanContainer();
    uint16_t GetTypeID() const override { return kTypeAntennaScanContainer; }
};

} // namespace orv
