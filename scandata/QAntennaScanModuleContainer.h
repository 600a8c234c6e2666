#pragma once

#include "core/TypeIds.h"
#include "scandata/QAntennaListScanContainer.h"

namespace orv {

// The container of an antenna scan module node; the point count is stored after the levels. Lists in stored
// order, values per record: {6, 3, 4, 3, 4, 3, 3}.
class QAntennaScanModuleContainer : public QAntennaListScanContainer {
public:
    static constexpr uint32_t kListWidths[] = {6, 3, 4, 3, 4, 3, 3};

    QAntennaScanModuleContainer();
    uint16_t GetTypeID() const override { return kTypeAntennaScanModuleContainer; }
};

} // namespace orv
