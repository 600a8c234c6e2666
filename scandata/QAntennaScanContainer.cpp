#include "scandata/QAntennaScanContainer.h"

#include <iterator>

namespace orv {

QAntennaScanContainer::QAntennaScanContainer()
    : QAntennaListScanContainer(std::vector<uint32_t>(std::begin(kListWidths), std::end(kListWidths)),
                                false) {}

} // namespace orv
