#include "scandata/QDifferentRangeScanModuleContainer.h"

#include <iterator>

namespace orv {

QDifferentRangeScanModuleContainer::QDifferentRangeScanModuleContainer()
    : QAntennaListScanContainer(std::vector<uint32_t>(std::begin(kListWidths), std::end(kListWidths)), true) {
}

} // namespace orv
