#include "app/controls/CTabCtrlEx.h"

#include "app/QtConversions.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <iterator>
#include <vector>

namespace orv {

namespace {

QFont MakeTabFont(const QFont& base, int pixels = CTabCtrlEx::kCaptionPixels) {
    QFont font(base);
    font.setPixelSize(pixels);
    font.setWeight(QFont::Light);
    // Small light text stays legible only when drawn crisp, without smoothing.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    // Captions are never cut short nor scrolled out of sight: the strip fits them itself.
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(false);
    setExpanding(false);
    m_baseFont = font();
    m_selectedFont = MakeTabFont(font());
    m_normalFont = m_selectedFont;
}

void CTabCtrlEx::CreateTabFonts() {
    m_baseFont = font();
    m_selectedFont = MakeTabFont(m_baseFont);
    m_normalFont = MakeTabFont(m_baseFont);
    m_nCaptionPadding = kCaptionPaddings[0];
    setFont(m_normalFont);
    FitCaptions();
}

int CTabCtrlEx::TabWidth(const QFontMetrics& metrics, int index, int padding) const {
    int width = metrics.horizontalAdvance(tabText(index)) + 2 * padding + 2;
    if (!tabIcon(index).isNull()) {
        width += iconSize().width() + 3;
    }
    return width;
}

QSize CTabCtrlEx::tabSizeHint(int index) const {
    const QFontMetrics metrics(m_normalFont);
    return {TabWidth(metrics, index, m_nCaptionPadding),
            std::max(metrics.height() + 2 * kRaise + 4, QTabBar::tabSizeHint(index).height())};
}

void CTabCtrlEx::FitCaptions() {
    if (count() == 0 || width() <= 0) {
        return;
    }
    QFont chosen = MakeTabFont(m_baseFont, kSmallestCaptionPixels);
    int padding = kCaptionPaddings[std::size(kCaptionPaddings) - 1];
    bool found = false;
    for (int pixels = kCaptionPixels; pixels >= kSmallestCaptionPixels && !found; --pixels) {
        const QFont font = MakeTabFont(m_baseFont, pixels);
        const QFontMetrics metrics(font);
        for (const int space : kCaptionPaddings) {
            int total = 0;
            for (int index = 0; index < count(); ++index) {
                total += TabWidth(metrics, index, space);
            }
            if (total <= width()) {
                chosen = font;
                padding = space;
                found = true;
                break;
            }
        }
    }
    if (chosen == m_normalFont && padding == m_nCaptionPadding) {
        return;
    }
    m_selectedFont = chosen;
    m_normalFont = chosen;
    m_nCaptionPadding = padding;
    setFont(chosen);
    // The tabs are measured again with the new padding.
    setIconSize(iconSize());
    update();
}

void CTabCtrlEx::resizeEvent(QResizeEvent* event) {
    QTabBar::resizeEvent(event);
    FitCaptions();
}

void CTabCtrlEx::tabInserted(int index) {
    QTabBar::tabInserted(index);
    FitCaptions();
}

void CTabCtrlEx::tabRemoved(int index) {
    QTabBar::tabRemoved(index);
    FitCaptions();
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
    const QColor outline = ColorRefToQColor(kOutlineColour);
    const int base = height() - 1;

    // The unselected tabs first, lowered by the raise; the selected one last, over its neighbours'
    // edges, standing the raise higher and open at the bottom, so it joins the pane below the strip.
    std::vector<int> order;
    for (int index = 0; index < count(); ++index) {
        if (index != currentIndex()) {
            order.push_back(index);
        }
    }
    if (currentIndex() >= 0) {
        order.push_back(currentIndex());
    }
    for (const int index : order) {
        const bool selected = index == currentIndex();
        const QRect tab = tabRect(index);
        const QRect box(tab.left(), selected ? 0 : kRaise, tab.width(), base - (selected ? 0 : kRaise) + 1);
        painter.fillRect(box, selected || !m_greyUnselectedTabs ? QColor(Qt::white)
                                                                : ColorRefToQColor(kGreyColour));
        painter.setPen(outline);
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topRight(), box.bottomRight());
        if (!selected) {
            painter.drawLine(box.bottomLeft(), box.bottomRight());
        }

        // Every caption stands on the same line, in the band below the raise, whole.
        QRect textArea(tab.left() + 1, kRaise + 1, tab.width() - 2, base - kRaise - 1);
        const QIcon icon = tabIcon(index);
        if (!icon.isNull()) {
            const QSize iconSize = this->iconSize();
            const QRect iconRect(textArea.left() + 3, textArea.center().y() - iconSize.height() / 2,
                                 iconSize.width(), iconSize.height());
            icon.paint(&painter, iconRect);
            textArea.setLeft(iconRect.right() + 3);
        }
        painter.setFont(selected ? m_selectedFont : m_normalFont);
        painter.setPen(ColorRefToQColor(selected ? kSelectedTextColour : kNormalTextColour));
        painter.drawText(textArea, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, tabText(index));
    }
    // The line the tabs stand on, open under the selected tab.
    painter.setPen(outline);
    if (currentIndex() >= 0) {
        const QRect selected = tabRect(currentIndex());
        painter.drawLine(0, base, selected.left(), base);
        painter.drawLine(selected.right(), base, width() - 1, base);
    } else {
        painter.drawLine(0, base, width() - 1, base);
    }
    painter.end();
    QPainter(this).drawPixmap(0, 0, canvas);
}

} // namespace orv
