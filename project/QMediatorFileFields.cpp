#include "project/QMediatorFileFields.h"

namespace orv {

QMediatorFileFields::~QMediatorFileFields() = default;

} // namespace orv
