#pragma once

// The frame of one node's views inside the project window: a sub-window of the form view's frame
// area, with caption, system menu, sizing border and the minimise and maximise buttons. The node's
// mediator owns the frame object; the window behind it may be closed by the user at any time.
//
// Lifetime: the views belong to the frame object, not to the window. When the window goes (closed
// by the user, destroyed with the project window, or by the mediator going away) the views' windows
// are destroyed and the view objects are taken out of it, so the mediator's view pointers stay valid
// (answering HasWindow false) until it drops the frame object.
//
// User-interface thread only.

#include "platform/msg/MessageTarget.h"
#include "project/QViewFactory.h"
#include "project/QViewFrame.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace orv {

class CHalvionView;
class CViewTree;
class CViewTreeWidget;
class QNodeMediator;
class QOverlayControlList;
class QScanDataList;
class TfrmMainApp;

class CViewFrame : public QViewFrame {
public:
    // Where a frame is created in the project window.
    static constexpr int kLeft = 50;
    static constexpr int kTop = 50;

    // Moves the project's drop target onto a view of the comparison, overlay and blind-spot
    // frames; nothing accepts drops until one is installed.
    using DropTargetHook = std::function<void(QWidget& view, QNodeMediator& mediator)>;
    static void SetDropTargetHook(DropTargetHook hook);
    // Moves the drop target onto a view whose project pane follows it.
    static void MoveDropTargetTo(QWidget& view, QNodeMediator& mediator);

    ~CViewFrame() override;
    CViewFrame(const CViewFrame&) = delete;
    CViewFrame& operator=(const CViewFrame&) = delete;

    // Creates the window (hidden) and its client; false when the client could not be made, after
    // which the frame has no window.
    bool Create();

    // --- QViewFrame ---
    bool HasWindow() const override;
    bool IsVisible() const override;
    QShowState GetShowState() const override;
    void SetShowState(QShowState state) override;
    void BringToTop() override;
    void Show() override;
    void SetTitle(const std::string& title) override;
    std::string GetTitle() const override;
    // The mediator going away: the views' windows and the window go at once; the tree is left to
    // whoever removes the node.
    void DestroyWindow() override;
    MessageTarget& GetMessageTarget() override { return m_target; }

    QMdiSubWindow* GetWindow() const { return m_window; }
    uint16_t GetIconResource() const { return m_request.iconResource; }
    QSize GetInitialSize() const { return m_initialSize; }
    // Empty for the frames that can be made as small as the user likes.
    QSize GetMinimumSize() const { return m_minimumSize; }
    QNodeMediator* GetMediator() const { return m_request.mediator; }

    // A press on the caption or border (the non-client area).
    void OnCaptionClick();

protected:
    CViewFrame(const QFrameRequest& request, CHalvionView& formView, QSize initialSize, QSize minimumSize);

    // Makes the views and puts the client into the window; false on failure.
    virtual bool CreateClient(QMdiSubWindow& window) = 0;
    // Destroys the views' windows and takes the view objects out of the frame window.
    virtual void DestroyClient() = 0;
    // The view the project's drop target moves to; null for the frames that take no drops.
    virtual QWidget* DropTargetView() { return nullptr; }
    // The spectral and spatial frames move by the nudge; the others stay.
    virtual bool MovesOnNudge() const { return false; }
    virtual bool ResetsDisplayedScanIds() const { return false; }
    virtual bool ShowsMaximised() const { return false; }
    virtual void OnFrameSize() {}
    virtual int64_t OnFrameMessage(const Message& message);

    // Wiring the views take.
    MessageThread& GetThread() const;
    CViewTree* GetTree() const;
    QScanDataList* GetScanDataList() const { return m_request.scanDataList; }
    const QOverlayControlList* GetOverlayControls() const;
    // The project window the frame is in (null: none).
    TfrmMainApp* GetProject() const;
    const QFrameRequest& GetRequest() const { return m_request; }
    void MoveDropTarget();
    bool IsMinimised() const;
    // Takes the client out of the window (which no longer lays it out) and out of every parent.
    void ReleaseClient(QWidget& client);

private:
    class Window;
    class Target : public MessageTarget {
    public:
        Target(MessageThread& thread, CViewFrame& frame) : MessageTarget(thread), m_frame(frame) {}

    protected:
        int64_t HandleMessage(Message& message) override { return m_frame.OnFrameMessage(message); }

    private:
        CViewFrame& m_frame;
    };

    // How the window went: closed by the user (the tree follows unless the project closes), with the
    // project window, or by the mediator.
    enum class Ending { UserClose, ParentGone, Mediator };
    void OnWindowEnding(Ending ending);
    CViewTreeWidget* GetTreeWidget() const;

    QFrameRequest m_request;
    CHalvionView& m_formView;
    QSize m_initialSize;
    QSize m_minimumSize;
    QPointer<QMdiSubWindow> m_window;
    bool m_bHasWindow = false;
    bool m_bShown = false;
    Target m_target;
};

} // namespace orv
