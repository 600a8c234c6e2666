#include "project/QScanDataList.h"

namespace orv {

QScanDataList::~QScanDataList() = default;

} // namespace orv
