#include "scandata/CHandHeldProbeScanData.h"

namespace orv {

CHandHeldProbeScanData::~CHandHeldProbeScanData() = default;

} // namespace orv
