#pragma once

#include <cstdint>
#include <string>

namespace orv {

class MessageTarget;

// Placement states of a frame window (the numbers of the window show states).
enum class QShowState : int32_t {
    Normal = 1,
    Minimised = 2,
    Maximised = 3,
};

// A view inside a node's frame, as the node mediator sees it. The view's window may be gone while
// the object is still held; every message goes through its message target.
class QNodeView {
public:
    QNodeView() = default;
    QNodeView(const QNodeView&) = delete;
    QNodeView& operator=(const QNodeView&) = delete;
    virtual ~QNodeView();

    virtual bool HasWindow() const = 0;
    virtual MessageTarget& GetMessageTarget() = 0;
};

class QSpectralViewInterface : public QNodeView {
public:
    // The window text of the frame that holds the view.
    virtual void SetScanTitle(const std::string& title) = 0;
    // Renders the plot for the report; the argument selects the picture and is passed through.
    virtual void CopyImageToClipboard(int32_t picture) = 0;
    virtual void SetComparisonState(int32_t state) = 0;
    virtual void SetOverlayState(int32_t state) = 0;
};

class QSpatialViewInterface : public QNodeView {
public:
    virtual void CopyViewImageForReport(int32_t picture) = 0;
    virtual void SetComparisonState(int32_t state) = 0;
    virtual void SetBlindSpotState(int32_t state) = 0;
};

// One view frame of a node (an MDI child with its splitter and views). The node mediator holds the
// object; the window behind it may be closed by the user at any time, after which HasWindow answers
// false and the frame has called the mediator's ResetDisplayedScanIds.
class QViewFrame {
public:
    QViewFrame() = default;
    QViewFrame(const QViewFrame&) = delete;
    QViewFrame& operator=(const QViewFrame&) = delete;
    virtual ~QViewFrame();

    virtual bool HasWindow() const = 0;
    virtual bool IsVisible() const = 0;
    virtual QShowState GetShowState() const = 0;
    // Applies the placement with the given show state.
    virtual void SetShowState(QShowState state) = 0;
    virtual void BringToTop() = 0;
    virtual void Show() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual std::string GetTitle() const = 0;
    // Destroys the window at once (the mediator going away); messages use the target instead.
    virtual void DestroyWindow() = 0;
    virtual MessageTarget& GetMessageTarget() = 0;

    // The views the frame holds; null where the frame kind has none.
    virtual QSpectralViewInterface* GetSpectralView() = 0;
    virtual QSpatialViewInterface* GetSpatialView() = 0;
};

} // namespace orv
