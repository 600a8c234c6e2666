#pragma once

#include <cstdint>
#include <memory>

namespace orv {

class QNodeMediator;

// A node's answer to "which view should show me": a record the view that asked takes over. Only
// the kinds that offer a view make one; the base node answers with none.
class QViewRequest {
public:
    QViewRequest() = default;
    QViewRequest(const QViewRequest&) = delete;
    QViewRequest& operator=(const QViewRequest&) = delete;
    virtual ~QViewRequest();
};

// Asks the note view to show the note of the node behind the mediator.
class QNoteViewRequest : public QViewRequest {
public:
    // The first value is not used; callers pass 0.
    QNoteViewRequest(uint32_t unused, QNodeMediator* mediator);

    QNodeMediator* GetMediator() const { return m_pMediator; }

    // Null when the record cannot be allocated.
    static std::unique_ptr<QViewRequest> Create(QNodeMediator* mediator);

private:
    QNodeMediator* m_pMediator;
};

// Asks for the overlay view; the view finds the overlay by itself, so the record carries nothing.
class QOverlayViewRequest : public QViewRequest {
public:
    QOverlayViewRequest(uint32_t unused, QNodeMediator* mediator);

    // Null when the record cannot be allocated.
    static std::unique_ptr<QViewRequest> Create(QNodeMediator* mediator);
};

} // namespace orv
