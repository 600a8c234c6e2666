#include "scandata/QAntennaScanModuleContainer.h"

#include <iterator>

namespace orv {

QAntennaScanModuleContainer::QAntennaScanModuleContainer()
    : QAntennaListScanContainer(std::vector<uint32_t>(std::begin(kListWidths), std::end(kListWidths)), true) {
}

} // namespace orv
