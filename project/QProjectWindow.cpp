#include "project/QProjectWindow.h"

namespace orv {

QProjectWindow::~QProjectWindow() = default;

} // namespace orv
