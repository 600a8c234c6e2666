#pragma once

#include "platform/msg/MessageTarget.h"

#include <QWidget>

#include <cstdint>
#include <vector>

namespace orv {

class CSpatialView;
class QNodeMediator;

// The 3D surface that can take the place of the heat map. Until it renders it is an empty child that
// takes its messages (render once 10022, start the texture timer 10036) and counts them.
class C3DSpatialView : public QWidget {
public:
    static constexpr uint32_t kRedrawMessage = 10022;
    static constexpr uint32_t kStartTimerMessage = 10036;
    static constexpr int kControlId = 60648;

    C3DSpatialView(MessageThread& thread, QWidget* parent);

    void SetOwner(CSpatialView* owner) { m_pOwner = owner; }
    void SetMediator(QNodeMediator* mediator) { m_pMediator = mediator; }
    QNodeMediator* GetMediator() const { return m_pMediator; }
    MessageTarget& GetMessageTarget() { return m_target; }
    const std::vector<uint32_t>& GetReceived() const { return m_received; }
    // The OpenGL version of the view's context as a number (2.0 until a context reports its own).
    double GetOpenGLVersion() const { return m_glVersion; }
    void SetOpenGLVersion(double version) { m_glVersion = version; }

private:
    class Target : public MessageTarget {
    public:
        Target(MessageThread& thread, C3DSpatialView& view) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        C3DSpatialView& m_view;
    };

    CSpatialView* m_pOwner = nullptr;
    QNodeMediator* m_pMediator = nullptr;
    std::vector<uint32_t> m_received;
    double m_glVersion = 2.0;
    Target m_target;
};

} // namespace orv
