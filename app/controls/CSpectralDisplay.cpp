#include "app/controls/CSpectralDisplay.h"

#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "project/NodeMessages.h"

#include <QPainter>

namespace orv {

CSpectralDisplay::CSpectralDisplay(QWidget* parent) : QWidget(parent), MessageTarget(GetUiMessageThread()) {}

void CSpectralDisplay::paintEvent(QPaintEvent* /*event*/) {
    QPainter(this).fillRect(rect(), ColorRefToQColor(kBackground));
}

int64_t CSpectralDisplay::HandleMessage(Message& message) {
    if (message.id == NodeMessage::kShowSpectralScan) {
        repaint();
    }
    return 0;
}

} // namespace orv
