#include "project/QNodeContainer.h"

namespace orv {

QNodeContainer::~QNodeContainer() = default;

} // namespace orv
