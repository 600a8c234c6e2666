#include "views/spatial/C3DSpatialView.h"

namespace orv {

C3DSpatialView::C3DSpatialView(MessageThread& thread, QWidget* parent)
    : QWidget(parent), m_target(thread, *this) {
    setObjectName(QString::number(kControlId));
    hide();
}

int64_t C3DSpatialView::Target::HandleMessage(Message& message) {
    m_view.m_received.push_back(message.id);
    return 0;
}

} // namespace orv
