#pragma once

// The up-down arrows beside a settings page's number edit. Each click reports a position delta as
// the original control's notification did: the upper arrow -1, the lower arrow +1. The page decides
// what a delta does to the number.

#include <QWidget>

#include <functional>

class QToolButton;

namespace orv {

class CSpinButtonCtrl : public QWidget {
public:
    using DeltaHandler = std::function<void(int delta)>;

    explicit CSpinButtonCtrl(QWidget* parent = nullptr);

    void SetDeltaHandler(DeltaHandler handler) { m_handler = std::move(handler); }
    QToolButton* GetUpButton() const { return m_up; }
    QToolButton* GetDownButton() const { return m_down; }

private:
    void Report(int delta);

    QToolButton* m_up;
    QToolButton* m_down;
    DeltaHandler m_handler;
};

} // namespace orv
