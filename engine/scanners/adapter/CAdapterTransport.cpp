#include "engine/scanners/adapter/CAdapterTransport.h"

namespace orv {

CAdapterTransport::~CAdapterTransport() = default;

} // namespace orv
