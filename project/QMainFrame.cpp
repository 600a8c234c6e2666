#include "project/QMainFrame.h"

namespace orv {

QMainFrame::~QMainFrame() = default;

} // namespace orv
