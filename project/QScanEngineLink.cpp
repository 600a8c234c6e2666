#include "project/QScanEngineLink.h"

namespace orv {

QScanEngineLink::~QScanEngineLink() = default;

} // namespace orv
