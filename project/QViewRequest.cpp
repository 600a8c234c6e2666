#include "project/QViewRequest.h"

#include <new>

namespace orv {

QViewRequest::~QViewRequest() = default;

QNoteViewRequest::QNoteViewRequest(uint32_t /*unused*/, QNodeMediator* mediator) : m_pMediator(mediator) {}

std::unique_ptr<QViewRequest> QNoteViewRequest::Create(QNodeMediator* mediator) {
    return std::unique_ptr<QViewRequest>(new (std::nothrow) QNoteViewRequest(0, mediator));
}

QOverlayViewRequest::QOverlayViewRequest(uint32_t /*unused*/, QNodeMediator* /*mediator*/) {}

std::unique_ptr<QViewRequest> QOverlayViewRequest::Create(QNodeMediator* mediator) {
    return std::unique_ptr<QViewRequest>(new (std::nothrow) QOverlayViewRequest(0, mediator));
}

} // namespace orv
