#include "core/QOptionNode.h"

namespace orv {

QOptionNode::~QOptionNode() = default;

} // namespace orv
