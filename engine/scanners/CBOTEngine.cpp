#include "engine/scanners/CBOTEngine.h"

namespace orv {

CBOTEngine::~CBOTEngine() = default;

} // namespace orv
