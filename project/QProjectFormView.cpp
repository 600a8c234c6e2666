#include "project/QProjectFormView.h"

namespace orv {

QProjectFormView::~QProjectFormView() = default;

} // namespace orv
