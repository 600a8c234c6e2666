#include "app/controls/RemoveDuplicateMenuSeparators.h"

#include <QAction>
#include <QMenu>

namespace orv {

void RemoveDuplicateMenuSeparators(QMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    bool previousWasSeparator = false;
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        const bool separator = action->isSeparator();
        if (separator && previousWasSeparator) {
            menu->removeAction(action);
            if (action->parent() == menu) {
                delete action;
            }
            continue;
        }
        previousWasSeparator = separator;
    }
}

} // namespace orv
