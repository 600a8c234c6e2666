#include "app/controls/CTabCtrlEx.h"

#include "app/QtConversions.h"

#include <QPainter>
#include <QPixmap>

namespace orv {

namespace {

// The height by which the selected tab stands out above the others.
constexpr int kRaise = 2;

QFont MakeTabFont(const QFont& base) {
    QFont font(base);
    font.setPixelSize(11);
    font.setWeight(QFont::Light);
    // Small light text stays legible only when drawn crisp, without smoothing.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    m_selectedFont = MakeTabFont(font());
    m_normalFont = m_selectedFont;
}

void CTabCtrlEx::CreateTabFonts() {
    m_selectedFont = MakeTabFont(font());
    m_normalFont = MakeTabFont(font());
    setFont(m_normalFont);
}

QColor CTabCtrlEx::ParentColour() const {
    const QWidget* parent = parentWidget();
    return (parent != nullptr ? parent->palette() : palette()).color(QPalette::Window);
}

void CTabCtrlEx::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off-screen and copied in one piece, so the strip never flickers while it is built.
    QPixmap canvas(size() * devicePixelRatio());
    canvas.setDevicePixelRatio(devicePixelRatio());
    QPainter painter(&canvas);
    painter.fillRect(rect(), m_greyBackground ? ColorRefToQColor(kGreyColour) : ParentColour());

    for (int index = 0; index < count(); ++index) {
        const QRect tab = tabRect(index);
        const bool selected = index == currentIndex();
        painter.fillRect(tab, Qt::white);
        QRect textArea = tab;
        if (selected) {
            textArea.translate(0, -kRaise);
            painter.setFont(m_selectedFont);
            painter.setPen(ColorRefToQColor(kSelectedTextColour));
        } else {
            if (m_greyUnselectedTabs) {
                painter.fillRect(tab, ColorRefToQColor(kGreyColour));
            }
            painter.setFont(m_normalFont);
            painter.setPen(ColorRefToQColor(kNormalTextColour));
        }
        const QIcon icon = tabIcon(index);
        if (!icon.isNull()) {
            const QSize iconSize = this->iconSize();
            const QRect iconRect(textArea.left() + 4, textArea.center().y() - iconSize.height() / 2,
                                 iconSize.width(), iconSize.height());
            icon.paint(&painter, iconRect);
            textArea.setLeft(iconRect.right() + 3);
        }
        const int vertical = selected ? Qt::AlignVCenter : Qt::AlignBottom;
        painter.drawText(textArea, Qt::AlignHCenter | vertical | Qt::TextSingleLine, tabText(index));
    }
    painter.end();
    QPainter(this).drawPixmap(0, 0, canvas);
}

} // namespace orv
