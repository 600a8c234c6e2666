#include "core/QManaged.h"

namespace orv {

// Out of line so that every catalogue shares one dispatch table for the base.
QManaged::~QManaged() = default;

} // namespace orv
