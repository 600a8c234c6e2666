#include "views/spectral/CScrollBarEx.h"

#include "app/QtConversions.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "views/spectral/CMemDC1.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace orv {
namespace {

constexpr int32_t kPseudoColourPalette = -10;

// Float to pixel without undefined behaviour: out-of-range values stop at the int limits.
int SaturateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

// Fills the rows between two edges given either way round, as a GDI rectangle does.
void FillRows(QPainter& painter, int left, int right, int y0, int y1, const QColor& colour) {
    if (y1 < y0) {
        std::swap(y0, y1);
    }
    if (y1 > y0 && right > left) {
        painter.fillRect(QRect(left, y0, right - left, y1 - y0), colour);
    }
}

class QtBarTimers : public QBarTimers {
public:
    explicit QtBarTimers(CScrollBarEx& bar) : m_bar(bar) {}
    void Start(int id, int ms) override {
        auto& timer = m_timers[id];
        if (!timer) {
            timer = std::make_unique<QTimer>();
            QObject::connect(timer.get(), &QTimer::timeout, [this, id] { m_bar.OnTimer(id); });
        }
        timer->start(ms);
    }
    void Kill(int id) override {
        auto found = m_timers.find(id);
        if (found != m_timers.end()) {
            found->second->stop();
        }
    }

private:
    CScrollBarEx& m_bar;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};

QFont BarFont(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

CScrollBarEx::CScrollBarEx(QWidget* parent)
    : QWidget(parent), m_fonts{BarFont(13), BarFont(14)}, m_pTimers(std::make_unique<QtBarTimers>(*this)) {
    m_crDisabled = QColorToColorRef(palette().color(QPalette::Window));
    m_crFace = QColorToColorRef(palette().color(QPalette::Button));
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

CScrollBarEx::~CScrollBarEx() {
    // The Qt timers call back into this object: they go first.
    m_pTimers.reset();
}

bool CScrollBarEx::Create(const QRect& rect, QWidget* parent) {
    setParent(parent);
    setObjectName(QStringLiteral("ScrollBarEx"));
    m_nControlId = kControlId;
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2;
    setGeometry(rect.left(), rect.top(), width, rect.height());
    m_nOrientation = 0;
    show();
    return true;
}

void CScrollBarEx::SetRange(int32_t minimum, int32_t maximum) {
    m_nRangeMin = minimum;
    m_nRangeMax = maximum;
}

void CScrollBarEx::SetThumbSize(int32_t mode, int32_t size) {
    m_nThumbSizeMode = mode;
    m_nThumbSize = static_cast<int16_t>(size);
}

void CScrollBarEx::SetTopBottom(float top, float bottom) {
    m_fMax = top;
    m_fMin = bottom;
}

void CScrollBarEx::Invalidate() {
    ++m_nInvalidated;
    update();
}

void CScrollBarEx::SetTimers(std::unique_ptr<QBarTimers> timers) {
    m_pTimers = std::move(timers);
}

// --- Geometry ---

int CScrollBarEx::ArrowSize() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

int CScrollBarEx::ThumbLength() const {
    const int track = std::max(height() - 2 * ArrowSize(), 0);
    switch (m_nThumbSizeMode) {
    case 1:
        return m_nThumbSize;
    case 2:
        return track * m_nThumbSize / 100;
    default:
        return style()->pixelMetric(QStyle::PM_ScrollBarSliderMin, nullptr, this);
    }
}

int CScrollBarEx::ThumbStart() const {
    const int arrow = ArrowSize();
    const int track = height() - 2 * arrow;
    const int span = m_nRangeMax - m_nRangeMin;
    // Equal limits leave the thumb at the track start.
    const double f =
        span != 0 ? static_cast<double>(static_cast<float>(m_nPos - m_nRangeMin) / static_cast<float>(span))
                  : 0.0;
    return arrow + SaturateToInt(static_cast<double>(track - ThumbLength()) * f);
}

int32_t CScrollBarEx::HitTest(const QPoint& point) const {
    if (!rect().contains(point)) {
        return kHitNone;
    }
    const int arrow = ArrowSize();
    const int y = point.y();
    if (y < arrow) {
        return kHitUpArrow;
    }
    if (y >= height() - arrow) {
        return kHitDownArrow;
    }
    const int start = ThumbStart();
    if (y < start) {
        return kHitPageUp;
    }
    if (y < start + ThumbLength()) {
        return kHitThumb;
    }
    return kHitPageDown;
}

// --- Painting ---

void CScrollBarEx::Redraw() {
    Render(nullptr);
    update();
}

void CScrollBarEx::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Render(&painter);
}

void CScrollBarEx::Render(QPainter* target) {
    const QRect client(QPoint(0, 0), size());
    CMemDC1 dc(target, client);
    DrawBody(dc.Painter(), client);
    DrawPageHighlight(dc.Painter(), client);
    DrawArrows(dc.Painter(), client);
    DrawThumb(dc.Painter(), client);
    dc.Release();
    m_image = dc.Image();
}

QFont CScrollBarEx::DrawFittedLabel(QPainter& painter, const QRect& rect, const QString& text,
                                    const QFont& font) {
    // "%-4.1f" pads short numbers on the right: centred as they are, they would stand off centre.
    QString shown = text;
    while (shown.endsWith(QLatin1Char(' '))) {
        shown.chop(1);
    }
    QFont fitted = font;
    // Two pixels to spare on each side: the bands start a pixel in, and a smoothed glyph edge
    // reaches a pixel beyond its advance.
    const int room = rect.width() - 4;
    int pixels = fitted.pixelSize() > 0 ? fitted.pixelSize() : QFontMetrics(fitted).height();
    fitted.setPixelSize(pixels);
    while (pixels > kMinLabelPixels && QFontMetrics(fitted).horizontalAdvance(shown) > room) {
        fitted.setPixelSize(--pixels);
    }
    painter.save();
    painter.setFont(fitted);
    painter.drawText(rect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
    return fitted;
}

void CScrollBarEx::DrawLabel(QPainter& painter, const QRect& rect, float value, const QColor& colour) {
    painter.setPen(colour);
    DrawFittedLabel(painter, rect, QString::fromStdString(FormatC("%-4.1f", static_cast<double>(value))),
                    painter.font());
}

void CScrollBarEx::DrawBody(QPainter& painter, const QRect& rect) {
    const int w = rect.width();
    const int h = rect.height();
    if (!isEnabled()) {
        QImage checker(8, 8, QImage::Format_RGB32);
        const QRgb grey = qRgb(0x7F, 0x7F, 0x7F);
        const QRgb second = ColorRefToQColor(m_crDisabled).rgb();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                checker.setPixel(x, y, (x + y) % 2 == 0 ? grey : second);
            }
        }
        painter.fillRect(rect, QBrush(checker));
        return;
    }
    QNodeMediator* mediator = m_pOwner != nullptr ? m_pOwner->GetColourScaleMediator() : nullptr;
    QNodeMediator* preferences = mediator != nullptr ? mediator->GetPreferencesMediator() : nullptr;
    const QSpatialDisplayOptions* options =
        preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
    if (options == nullptr) {
        return;
    }
    const int32_t paletteId = options->GetPaletteId();
    const QColourPalette* palette = GetColourPaletteManager().Find(paletteId);
    if (palette == nullptr) {
        return;
    }
    const bool flat = m_fMax == m_fMin;
    const int p = flat ? 100 : 100 - m_nPos;
    m_fValue = (m_fMax - m_fMin) * static_cast<float>(p) / 100.0F + m_fMin;
    const int block = (h - 15) * p / 100;
    FillRows(painter, 1, w - 1, h - block, h, ColorRefToQColor(palette->GetColour(1)));
    if (flat) {
        return;
    }
    const int32_t n = palette->GetLastColourIndex();
    if (n > 0) {
        const float s = static_cast<float>(h - 15 - block) / static_cast<float>(n);
        const float base = static_cast<float>(h - block);
        for (int32_t i = 0; i < n; ++i) {
            FillRows(painter, 1, w - 1, SaturateToInt(base - static_cast<float>(i) * s),
                     SaturateToInt(base - static_cast<float>(i + 1) * s),
                     ColorRefToQColor(palette->GetColour(i)));
        }
    }
    if (!std::isfinite(m_fMax) || !std::isfinite(m_fMin)) {
        return;
    }
    painter.setFont(m_fonts[0]);
    painter.setBackgroundMode(Qt::TransparentMode);
    DrawLabel(painter, QRect(0, 20, w, 20), m_fMax, p > 60 ? Qt::black : Qt::white);
    if (paletteId != kPseudoColourPalette) {
        const double bottom = static_cast<double>(h) -
                              static_cast<double>(h) / static_cast<double>(m_fMax - m_fMin) *
                                  static_cast<double>(m_fValue - m_fMin) +
                              35.0;
        DrawLabel(painter, QRect(0, 0, w, std::max(SaturateToInt(bottom), 0)), (m_fMax + m_fValue) / 2.0F,
                  Qt::black);
    } else {
        DrawLabel(painter, QRect(0, 0, w, h), (m_fMax + m_fMin) / 2.0F, p > 50 ? Qt::white : Qt::black);
    }
    DrawLabel(painter, QRect(0, h - 40, w, 20), m_fMin, Qt::white);
}

void CScrollBarEx::DrawPageHighlight(QPainter& painter, const QRect& rect) {
    if (m_bPagePressed == 0) {
        return;
    }
    const int arrow = ArrowSize();
    const int start = ThumbStart();
    QRect part;
    if (m_nPressedPart == kHitPageUp || m_nPressedPart == kHitPageLeft) {
        part = QRect(0, arrow, rect.width(), start - arrow);
    } else if (m_nPressedPart == kHitPageDown || m_nPressedPart == kHitPageRight) {
        const int end = start + ThumbLength();
        part = QRect(0, end, rect.width(), rect.height() - arrow - end);
    } else {
        return;
    }
    if (part.isValid()) {
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(part, Qt::white);
        painter.restore();
    }
}

void CScrollBarEx::DrawArrows(QPainter& painter, const QRect& rect) {
    const int arrow = ArrowSize();
    struct Button {
        QRect box;
        QStyle::PrimitiveElement element;
        bool enabled;
        bool pressed;
    };
    const Button buttons[] = {
        {QRect(0, 0, rect.width(), arrow), QStyle::PE_IndicatorArrowUp, m_bFirstArrowEnabled != 0,
         m_bFirstArrowPressed != 0},
        {QRect(0, rect.height() - arrow, rect.width(), arrow), QStyle::PE_IndicatorArrowDown,
         m_bSecondArrowEnabled != 0, m_bSecondArrowPressed != 0},
    };
    for (const Button& button : buttons) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = button.box;
        option.state = QStyle::State_None;
        if (button.enabled && isEnabled()) {
            option.state |= QStyle::State_Enabled;
        }
        option.state |= button.pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        painter.fillRect(button.box, option.palette.color(QPalette::Button));
        qDrawShadePanel(&painter, button.box, option.palette, button.pressed, 1);
        style()->drawPrimitive(button.element, &option, &painter, this);
    }
}

void CScrollBarEx::DrawThumb(QPainter& painter, const QRect& rect) {
    const QPalette& colours = palette();
    const QColor face = m_bFocused != 0 && m_bThumbDragging == 0 ? colours.color(QPalette::Light)
                                                                 : ColorRefToQColor(m_crFace);
    QRect thumb(0, ThumbStart(), rect.width(), ThumbLength());
    if (thumb.height() <= 0) {
        return;
    }
    painter.fillRect(thumb, face);
    const auto frame = [&painter](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
        painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), topLeft);
        painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), topLeft);
        painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), bottomRight);
        painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), bottomRight);
    };
    frame(thumb, face, Qt::black);
    thumb.adjust(1, 1, -1, -1);
    frame(thumb, colours.color(QPalette::Light), colours.color(QPalette::Dark));
    if (m_nThumbStyle != 4) {
        return;
    }
    if ((m_fMax == m_fMin && m_fMin == -1000.0F) || !std::isfinite(m_fValue)) {
        return;
    }
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(colours.color(QPalette::WindowText));
    DrawFittedLabel(painter, thumb, QString::fromStdString(FormatC("%-4.1f", static_cast<double>(m_fValue))),
                    m_fonts[m_bThumbDragging != 0 ? 1 : 0]);
}

// --- Mouse, timers, keys ---

void CScrollBarEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QWidget* level = parentWidget();
    for (int i = 0; i < 3 && level != nullptr; ++i) {
        level->raise();
        level = level->parentWidget();
    }
    if (!isEnabled()) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_cursor = event->position().toPoint();
    const int32_t hit = HitTest(m_cursor);
    m_nDragOffset = 0;
    bool repeat = false;
    switch (hit) {
    case kHitUpArrow:
    case kHitLeftArrow:
        if (m_bFirstArrowEnabled != 0) {
            m_bFirstArrowPressed = 1;
            m_bTracking = 1;
            repeat = true;
        }
        break;
    case kHitDownArrow:
    case kHitRightArrow:
        if (m_bSecondArrowEnabled != 0) {
            m_bSecondArrowPressed = 1;
            m_bTracking = 1;
            repeat = true;
        }
        break;
    case kHitPageUp:
    case kHitPageDown:
    case kHitPageLeft:
    case kHitPageRight:
        m_bPagePressed = 1;
        m_bTracking = 1;
        repeat = true;
        break;
    case kHitThumb:
        m_bThumbDragging = 1;
        m_bTracking = 1;
        break;
    default:
        break;
    }
    if (m_bTracking == 0) {
        return;
    }
    m_nPressedPart = hit;
    if (repeat) {
        m_bRepeating = 0;
        m_pTimers->Start(kRepeatTimerId, kFirstDelayMs);
        m_pTimers->Start(kPressTimerId, kPressMs);
        RepeatStep(true);
    } else {
        m_nDragOffset = static_cast<int16_t>(m_cursor.y() - ThumbStart());
    }
    m_bHot = 1;
    Redraw();
}

void CScrollBarEx::UpdatePressedFlag(bool over) {
    switch (m_nPressedPart) {
    case kHitUpArrow:
    case kHitLeftArrow:
        m_bFirstArrowPressed = over ? 1 : 0;
        break;
    case kHitDownArrow:
    case kHitRightArrow:
        m_bSecondArrowPressed = over ? 1 : 0;
        break;
    case kHitPageUp:
    case kHitPageDown:
    case kHitPageLeft:
    case kHitPageRight:
        m_bPagePressed = over ? 1 : 0;
        break;
    default:
        break;
    }
}

void CScrollBarEx::RepeatStep(bool stepping) {
    const bool over = HitTest(m_cursor) == m_nPressedPart;
    UpdatePressedFlag(over);
    if (over && stepping) {
        switch (m_nPressedPart) {
        case kHitUpArrow:
        case kHitLeftArrow:
            MoveBy(-m_nLineStep);
            break;
        case kHitDownArrow:
        case kHitRightArrow:
            MoveBy(m_nLineStep);
            break;
        case kHitPageUp:
        case kHitPageLeft:
            MoveBy(-m_nPageStep);
            break;
        case kHitPageDown:
        case kHitPageRight:
            MoveBy(m_nPageStep);
            break;
        default:
            break;
        }
    }
    Redraw();
    Report();
}

void CScrollBarEx::MoveBy(int32_t delta) {
    const int64_t moved = static_cast<int64_t>(m_nPos) + delta;
    m_nPos =
        static_cast<int32_t>(std::clamp<int64_t>(moved, m_nRangeMin, std::max(m_nRangeMin, m_nRangeMax)));
    Redraw();
}

void CScrollBarEx::Report() {
    if (m_pOwner != nullptr) {
        m_pOwner->SetOverlayTransparency(m_nPos, true);
    }
}

void CScrollBarEx::OnTimer(int id) {
    if (m_bTracking == 0) {
        return;
    }
    if (id == kRepeatTimerId) {
        RepeatStep(m_bRepeating != 0);
        m_bRepeating = 1;
        m_pTimers->Start(kRepeatTimerId, kRepeatMs);
        m_pTimers->Start(kPressTimerId, kPressMs);
    } else if (id == kPressTimerId) {
        UpdatePressedFlag(HitTest(m_cursor) == m_nPressedPart);
        Redraw();
        Report();
    }
}

void CScrollBarEx::mouseMoveEvent(QMouseEvent* event) {
    m_cursor = event->position().toPoint();
    if (m_bThumbDragging != 0) {
        const int arrow = ArrowSize();
        const int trackStart = arrow;
        const int trackEnd = height() - arrow;
        const int span = trackEnd - ThumbLength() - trackStart;
        // A track no longer than the thumb has nowhere to drag to.
        if (span > 0) {
            const double f =
                static_cast<double>(m_cursor.y() - m_nDragOffset - arrow) / static_cast<double>(span);
            const int64_t pos = static_cast<int64_t>(m_nRangeMin) +
                                SaturateToInt(f * static_cast<double>(m_nRangeMax - m_nRangeMin));
            m_nPos = static_cast<int32_t>(
                std::clamp<int64_t>(pos, m_nRangeMin, std::max(m_nRangeMin, m_nRangeMax)));
        }
        Redraw();
        Report();
        return;
    }
    if (m_bTracking == 0) {
        if (m_bMouseInside == 0) {
            m_bMouseInside = 1;
            Redraw();
        }
        return;
    }
    if (m_bFirstArrowPressed == 0 && m_bSecondArrowPressed == 0 && m_nPressedPart != kHitUpArrow &&
        m_nPressedPart != kHitDownArrow) {
        const int32_t hot = rect().contains(m_cursor) ? 1 : 0;
        if (hot != m_bHot) {
            m_bHot = hot;
            Redraw();
        }
    }
}

void CScrollBarEx::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_bMouseInside != 0) {
        m_bMouseInside = 0;
        Redraw();
    }
}

void CScrollBarEx::EndPress() {
    m_nPressedPart = kHitNone;
    m_pTimers->Kill(kRepeatTimerId);
    m_pTimers->Kill(kPressTimerId);
    m_bRepeating = 0;
    m_bFirstArrowPressed = 0;
    m_bSecondArrowPressed = 0;
    m_bThumbDragging = 0;
    m_bTracking = 0;
    m_bPagePressed = 0;
    Redraw();
}

void CScrollBarEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bTracking != 0) {
        EndPress();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CScrollBarEx::OnCaptureLost() {
    if (m_bTracking != 0) {
        EndPress();
    } else {
        Redraw();
    }
}

void CScrollBarEx::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_bTracking != 0) {
        OnCaptureLost();
    }
}

void CScrollBarEx::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_bTracking != 0) {
        OnCaptureLost();
    }
}

bool CScrollBarEx::event(QEvent* event) {
    if (event->type() == QEvent::UngrabMouse) {
        OnCaptureLost();
    }
    return QWidget::event(event);
}

void CScrollBarEx::keyPressEvent(QKeyEvent* event) {
    const int32_t before = m_nPos;
    switch (event->key()) {
    case Qt::Key_PageUp:
        MoveBy(-m_nPageStep);
        break;
    case Qt::Key_PageDown:
        MoveBy(m_nPageStep);
        break;
    case Qt::Key_End:
        m_nPos = m_nRangeMax;
        break;
    case Qt::Key_Home:
        m_nPos = m_nRangeMin;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        MoveBy(-m_nLineStep);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        MoveBy(m_nLineStep);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_nPos != before) {
        Redraw();
        Report();
    }
}

void CScrollBarEx::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_bFocused = 1;
}

void CScrollBarEx::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_bFocused = 0;
    Redraw();
}

} // namespace orv
