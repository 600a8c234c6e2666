#include "project/QProjectFileOperations.h"

namespace orv {

QProjectFileOperations::~QProjectFileOperations() = default;

} // namespace orv
