#include "app/controls/CSpectralScrollBar.h"

namespace orv {

CSpectralScrollBar::CSpectralScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

} // namespace orv
