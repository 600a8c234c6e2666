#include "app/project/CProjectDropTarget.h"

#include "app/controls/ClipboardFormats.h"
#include "project/QNodeMediator.h"

#include <QPointer>
#include <QWidget>

#include <map>

namespace orv {
namespace {

// By the node container of the project's nodes. A closed project's entry stays behind with a view
// that is gone (the pointer then reads null).
std::map<const QNodeContainer*, QPointer<QWidget>>& Targets() {
    static std::map<const QNodeContainer*, QPointer<QWidget>> targets;
    return targets;
}

} // namespace

void CProjectDropTarget::Move(QWidget& view, QNodeMediator& mediator) {
    QPointer<QWidget>& current = Targets()[mediator.GetContainer()];
    if (current != nullptr && current.data() != &view) {
        RegisterDropTarget(*current, false);
    }
    RegisterDropTarget(view, true);
    current = &view;
}

QWidget* CProjectDropTarget::GetCurrent(const QNodeMediator& mediator) {
    const auto found = Targets().find(mediator.GetContainer());
    return found != Targets().end() ? found->second.data() : nullptr;
}

} // namespace orv
