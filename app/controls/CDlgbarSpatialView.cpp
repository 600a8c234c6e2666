#include "app/controls/CDlgbarSpatialView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>

#include <algorithm>

namespace orv {

const QColor CDlgbarSpatialView::kBackground(206, 206, 255);
const QColor CDlgbarSpatialView::kScrollBarBrush(226, 226, 255);

namespace {

// Statics and edits show in 16-pixel Arial on the bar's background.
template <class T> T* Styled(T* control) {
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(16);
    control->setFont(arial);
    QPalette colours = control->palette();
    colours.setColor(QPalette::Window, CDlgbarSpatialView::kBackground);
    colours.setColor(QPalette::Base, CDlgbarSpatialView::kBackground);
    control->setPalette(colours);
    return control;
}

} // namespace

CDlgbarSpatialView::CDlgbarSpatialView(QWidget* parent) : CDialogBar(kWidthUnits, kHeightUnits, parent) {
    setProperty("templateId", kTemplateId);
    AddControl(1131, new QPushButton(QStringLiteral("Options"), this), 4, 10, 40, 14);
    AddControl(1052, new QCheckBox(QStringLiteral("View 3D"), this), 50, 12, 44, 10);
    AddControl(1133, new QCheckBox(QStringLiteral("Peak Hold"), this), 98, 12, 50, 10);
    AddControl(1033, new QCheckBox(QStringLiteral("Grid"), this), 152, 12, 30, 10);
    AddControl(1134, new QCheckBox(QStringLiteral("Averaging"), this), 186, 12, 50, 10);
    AddControl(1032, new QCheckBox(QStringLiteral("Interpolation"), this), 240, 12, 58, 10);
    AddControl(1166, new QPushButton(QStringLiteral("Edit Overlay"), this), 302, 10, 52, 14);
    AddControl(1066, new QCheckBox(QStringLiteral("Overlay"), this), 358, 12, 42, 10);
    AddControl(1067, new QCheckBox(QStringLiteral("Reposition Overlay"), this), 404, 12, 80, 10);
    AddControl(1110, new QCheckBox(QStringLiteral("Sub-Grid"), this), 488, 12, 44, 10);
    AddControl(1167, new QGroupBox(this), 536, 2, 70, 28);
    AddControl(1168, new QRadioButton(QStringLiteral("dBuV"), this), 542, 12, 30, 10);
    AddControl(1130, new QRadioButton(QStringLiteral("dBm"), this), 574, 12, 28, 10);
    AddControl(1152, new QCheckBox(QStringLiteral("Auto Scale Amplitude"), this), 612, 12, 90, 10);
    Styled(AddControl(1153, new QLabel(QStringLiteral("Min:"), this), 706, 12, 18, 10));
    Styled(AddControl(1154, new QLineEdit(this), 726, 10, 36, 13));
    Styled(AddControl(1155, new QLabel(QStringLiteral("Max:"), this), 766, 12, 18, 10));
    Styled(AddControl(1156, new QLineEdit(this), 786, 10, 36, 13));
    Styled(AddControl(1150, new QLabel(QStringLiteral("Overlay Transparency"), this), 828, 2, 96, 9));
    AddControl(1051, new QTabBar(this), 930, 2, 90, 14)->hide();
    auto* scroll = AddControl(kScrollBarId, new QScrollBar(Qt::Horizontal, this), 828, 14, 96, 10);
    QPalette scrollColours = scroll->palette();
    scrollColours.setColor(QPalette::Window, kScrollBarBrush);
    scrollColours.setColor(QPalette::Button, kScrollBarBrush);
    scroll->setPalette(scrollColours);
    scroll->hide();
    connect(scroll, &QAbstractSlider::actionTriggered, this, [this](int action) { OnScrollAction(action); });

    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
    m_timer.start();
}

QScrollBar* CDlgbarSpatialView::GetScrollBar() const {
    return GetControlAs<QScrollBar>(kScrollBarId);
}

void CDlgbarSpatialView::OnTimer() {
    QScrollBar* scroll = GetScrollBar();
    if (scroll == nullptr) {
        return;
    }
    scroll->setRange(0, 100);
    scroll->setPageStep(15);
    scroll->setSingleStep(5);
    scroll->setValue(10);
    m_trackingPosition = 20;
    scroll->setValue(50);
    m_timer.stop();
}

void CDlgbarSpatialView::OnScrollAction(int action) {
    QScrollBar* scroll = GetScrollBar();
    // The slider has been moved by the action, its value not yet: steps are taken from the value.
    int position = scroll->value();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderToMinimum:
        position -= 5;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderToMaximum:
        position += 5;
        break;
    case QAbstractSlider::SliderPageStepSub:
        position -= 10;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        position += 10;
        break;
    case QAbstractSlider::SliderMove:
        m_trackingPosition = scroll->sliderPosition();
        position = m_trackingPosition;
        break;
    default:
        return;
    }
    scroll->setSliderPosition(std::clamp(position, scroll->minimum(), scroll->maximum()));
}

void CDlgbarSpatialView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
}

} // namespace orv
