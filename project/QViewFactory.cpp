#include "project/QViewFactory.h"

namespace orv {

QViewFactory::~QViewFactory() = default;

} // namespace orv
