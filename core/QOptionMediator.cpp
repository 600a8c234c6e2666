#include "core/QOptionMediator.h"

namespace orv {

QOptionMediator::~QOptionMediator() = default;

} // namespace orv
