#include "project/QViewFrame.h"

namespace orv {

QNodeView::~QNodeView() = default;
QViewFrame::~QViewFrame() = default;

} // namespace orv
