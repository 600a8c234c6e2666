#include "engine/CSecondPassSource.h"

namespace orv {

CSecondPassSource::~CSecondPassSource() = default;

} // namespace orv
