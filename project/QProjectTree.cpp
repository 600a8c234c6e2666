#include "project/QProjectTree.h"

namespace orv {

QProjectTree::~QProjectTree() = default;

} // namespace orv
