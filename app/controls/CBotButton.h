#pragma once

// A press-and-hold button that jogs the robot arm: while it is held (by the mouse or by a key) the
// page's jog direction is the button's direction code; releasing it sets the direction back to 0.

#include <QPushButton>

#include <cstdint>

namespace orv {

class CBotJogTarget;

class CBotButton : public QPushButton {
public:
    CBotButton(const QString& text = QString(), QWidget* parent = nullptr);

    void SetJogTarget(CBotJogTarget* target) { m_target = target; }
    void SetDirection(int32_t direction) { m_direction = direction; }
    int32_t GetDirection() const { return m_direction; }

    static constexpr float kStartStep = 0.5F;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Press();
    void Release();

    CBotJogTarget* m_target = nullptr;
    int32_t m_direction = 0;
};

} // namespace orv
