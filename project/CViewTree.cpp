#include "project/CViewTree.h"

namespace orv {

CViewTree::~CViewTree() = default;

} // namespace orv
