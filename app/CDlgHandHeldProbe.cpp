#include "app/CDlgHandHeldProbe.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace orv {

namespace {

// Both lines: the default GUI font, 20 pixels high and bold, in a box 300 by 60 on one line.
constexpr int kLineWidth = 300;
constexpr int kLineHeight = 60;

QFont LineFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(20);
    font.setWeight(QFont::Bold);
    return font;
}

void DrawLine(QPainter& painter, int x, int y, const QString& text, const QColor& colour) {
    const QFont font = LineFont();
    painter.setFont(font);
    painter.setPen(colour);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, kLineWidth);
    painter.drawText(QRect(x, y, kLineWidth, kLineHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     shown);
}

} // namespace

CDlgHandHeldProbe::CDlgHandHeldProbe(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kCaption);
    setFixedSize(400, 230);
    auto* ok = new QPushButton("OK", this);
    auto* skip = new QPushButton("Skip this probe", this);
    auto* abort = new QPushButton("Abort the scan", this);
    ok->setObjectName("1");
    skip->setObjectName(QString::number(kSkipButtonId));
    abort->setObjectName(QString::number(kAbortButtonId));
    ok->setGeometry(20, 180, 110, 30);
    skip->setGeometry(145, 180, 110, 30);
    abort->setGeometry(270, 180, 110, 30);
    // The space bar's release answers OK; no button takes it as a click of its own.
    for (QPushButton* button : {ok, skip, abort}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
    }
    connect(ok, &QPushButton::clicked, this, [this] { done(kProbe); });
    connect(skip, &QPushButton::clicked, this, [this] { done(kSkip); });
    connect(abort, &QPushButton::clicked, this, [this] { done(kAbort); });
}

void CDlgHandHeldProbe::SetCellText(const QString& text) {
    m_cellText = text;
    update();
}

void CDlgHandHeldProbe::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    DrawLine(painter, 30, 50, kHeading, Qt::black);
    DrawLine(painter, 45, 85, m_cellText, QColor(255, 0, 0));
}

void CDlgHandHeldProbe::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void CDlgHandHeldProbe::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        done(kProbe);
        return;
    }
    QDialog::keyReleaseEvent(event);
}

} // namespace orv
