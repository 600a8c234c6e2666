#pragma once

// The rounded option button of the view panels and the scan-data reorder window: orange while the
// mouse is over it, grey while it is pressed there. Kind 0 is an option button with an icon and a
// tip ("Click to switch option"), kind 2 only a frame, kinds 3 and 4 the move-up and move-down
// buttons of the reorder window, which post the reorder message to their parent (a message target);
// any other kind is a plain text button.

#include <QPushButton>

#include <cstdint>

namespace orv {

class CMyButton : public QPushButton {
public:
    explicit CMyButton(int32_t kind = 1, QWidget* parent = nullptr);
    CMyButton(int32_t kind, const QString& text, QWidget* parent = nullptr);

    int32_t GetKind() const { return m_kind; }
    void SetKind(int32_t kind);
    bool IsHovered() const { return m_hover; }

    static constexpr int32_t kOptionKind = 0;
    static constexpr int32_t kFrameKind = 2;
    static constexpr int32_t kMoveUpKind = 3;
    static constexpr int32_t kMoveDownKind = 4;

    // The fill of the rounded face in the button's present state (RGB packed, red in the low byte).
    uint32_t GetFaceColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void EnterHover(const QPoint& position);
    void LeaveHover();

    int32_t m_kind;
    bool m_hover = false;  // the mouse is over the button
    bool m_inside = false; // the hover was registered (tip shown, repainted)
};

} // namespace orv
