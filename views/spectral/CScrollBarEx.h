#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

namespace orv {

class QNodeMediator;

// What the colour-scale bar needs of the view that owns it: the node whose Preferences name the
// palette, and where the user's positions go.
class QColourScaleOwner {
public:
    virtual ~QColourScaleOwner() = default;
    virtual void SetOverlayTransparency(int32_t position, bool fromBar) = 0;
    virtual QNodeMediator* GetColourScaleMediator() const = 0;

protected:
    QColourScaleOwner() = default;
    QColourScaleOwner(const QColourScaleOwner&) = default;
    QColourScaleOwner& operator=(const QColourScaleOwner&) = default;
};

// The bar's two timers (3 re-reads the pressed part, 5 repeats the step). Each started id fires
// every `ms` until killed or started again.
class QBarTimers {
public:
    virtual ~QBarTimers() = default;
    virtual void Start(int id, int ms) = 0;
    virtual void Kill(int id) = 0;

protected:
    QBarTimers() = default;
    QBarTimers(const QBarTimers&) = default;
    QBarTimers& operator=(const QBarTimers&) = default;
};

// The colour legend of a heat map, built as a scroll bar: the palette's colours as bands with the
// top, middle and bottom amplitudes, and a thumb that chooses the cut-off level and shows it.
// Every change the user makes is reported to the owner; positions the owner sets are not.
class CScrollBarEx : public QWidget {
public:
    static constexpr int kControlId = 20301;
    static constexpr int kRepeatTimerId = 5;
    static constexpr int kPressTimerId = 3;
    static constexpr int kFirstDelayMs = 700;
    static constexpr int kRepeatMs = 80;
    static constexpr int kPressMs = 50;

    enum : int32_t {
        kHitNone = -1,
        kHitLeftArrow = 0,
        kHitRightArrow = 1,
        kHitPageLeft = 2,
        kHitPageRight = 3,
        kHitThumb = 10,
        kHitUpArrow = 30,
        kHitDownArrow = 31,
        kHitPageUp = 32,
        kHitPageDown = 33,
    };

    explicit CScrollBarEx(QWidget* parent = nullptr);
    ~CScrollBarEx() override;
    CScrollBarEx(const CScrollBarEx&) = delete;
    CScrollBarEx& operator=(const CScrollBarEx&) = delete;

    // Places the bar at `rect`'s left edge, as wide as a scroll bar plus 2, and shows it.
    bool Create(const QRect& rect, QWidget* parent);
    int GetDlgCtrlID() const { return m_nControlId; }

    void SetOwner(QColourScaleOwner* owner) { m_pOwner = owner; }
    QColourScaleOwner* GetOwner() const { return m_pOwner; }
    void SetRange(int32_t minimum, int32_t maximum);
    void SetPosition(int32_t position) { m_nPos = position; }
    int32_t GetPosition() const { return m_nPos; }
    void SetPageStep(int32_t step) { m_nPageStep = step; }
    void SetLineStep(int32_t step) { m_nLineStep = step; }
    void SetThumbStyle(int32_t style) { m_nThumbStyle = style; }
    void SetThumbSize(int32_t mode, int32_t size);
    void SetDisabledColour(uint32_t colour) { m_crDisabled = colour; }
    // The amplitudes at the top and the bottom of the scale.
    void SetTopBottom(float top, float bottom);
    float GetTop() const { return m_fMax; }
    float GetBottom() const { return m_fMin; }
    float GetValue() const { return m_fValue; }
    // Repaints with erase.
    void Invalidate();
    int32_t GetInvalidateCount() const { return m_nInvalidated; }
    int32_t GetMinimum() const { return m_nRangeMin; }
    int32_t GetMaximum() const { return m_nRangeMax; }
    int32_t GetPageStep() const { return m_nPageStep; }
    int32_t GetLineStep() const { return m_nLineStep; }

    // A label written centred in `rect` on one line: trailing blanks of the number's format left out,
    // and the font stepped down, to kMinLabelPixels at the least, until the text fits inside the
    // rectangle with two pixels to spare on each side (the bar is narrower than a four-digit or signed
    // amplitude in its own font). The font it was written in.
    static QFont DrawFittedLabel(QPainter& painter, const QRect& rect, const QString& text,
                                 const QFont& font);
    static constexpr int kMinLabelPixels = 8;

    // Draws the whole bar into its image at once and shows it.
    void Redraw();
    // The image of the last paint.
    const QImage& GetImage() const { return m_image; }

    // Geometry along the axis: arrow size, thumb length and start, and the part under a point.
    int ArrowSize() const;
    int ThumbLength() const;
    int ThumbStart() const;
    int32_t HitTest(const QPoint& point) const;

    bool IsFirstArrowPressed() const { return m_bFirstArrowPressed != 0; }
    bool IsSecondArrowPressed() const { return m_bSecondArrowPressed != 0; }
    bool IsPagePressed() const { return m_bPagePressed != 0; }
    bool IsTracking() const { return m_bTracking != 0; }
    bool IsThumbDragging() const { return m_bThumbDragging != 0; }
    int32_t GetPressedPart() const { return m_nPressedPart; }

    // Timers the bar runs on (Qt timers unless replaced); a timer's tick.
    void SetTimers(std::unique_ptr<QBarTimers> timers);
    void OnTimer(int id);
    // The press ends as if the button came up (the mouse was taken away).
    void OnCaptureLost();

protected:
    virtual void DrawBody(QPainter& painter, const QRect& rect);
    virtual void DrawArrows(QPainter& painter, const QRect& rect);
    virtual void DrawPageHighlight(QPainter& painter, const QRect& rect);
    virtual void DrawThumb(QPainter& painter, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Render(QPainter* target);
    void RepeatStep(bool stepping);
    void UpdatePressedFlag(bool over);
    void MoveBy(int32_t delta);
    void Report();
    void EndPress();
    void DrawLabel(QPainter& painter, const QRect& rect, float value, const QColor& colour);

    QColourScaleOwner* m_pOwner = nullptr;
    float m_fMax = 25.0F;
    float m_fMin = -25.0F;
    float m_fValue = 0.0F;
    int32_t m_nThumbSizeMode = 0;
    int16_t m_nThumbSize = 0;
    uint32_t m_crDisabled = 0;
    uint32_t m_crFace = 0;
    int32_t m_bPagePressed = 0;
    uint16_t m_nOrientation = 0xFFFF;
    int32_t m_nPageStep = 10;
    int32_t m_nLineStep = 1;
    QFont m_fonts[2];
    int32_t m_nRangeMin = 0;
    int32_t m_nRangeMax = 100;
    int32_t m_nPos = 0;
    int32_t m_bFirstArrowEnabled = 1;
    int32_t m_bSecondArrowEnabled = 1;
    int32_t m_bFirstArrowPressed = 0;
    int32_t m_bSecondArrowPressed = 0;
    int32_t m_bThumbDragging = 0;
    int32_t m_bTracking = 0;
    int32_t m_bMouseInside = 0;
    int32_t m_bHot = 0;
    int32_t m_nPressedPart = kHitNone;
    int16_t m_nDragOffset = 0;
    int32_t m_bRepeating = 0;
    int32_t m_nThumbStyle = 1;
    int32_t m_bFocused = 0;

    int m_nControlId = 0;
    int32_t m_nInvalidated = 0;
    QPoint m_cursor;
    QImage m_image;
    std::unique_ptr<QBarTimers> m_pTimers;
};

} // namespace orv
