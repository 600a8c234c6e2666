#include "app/AppResources.h"

#include <QtGlobal>

// Outside the namespace: the registration function that rcc generates is global.
static void RegisterOrvilantResources() {
    Q_INIT_RESOURCE(orvilant);
}

namespace orv {

void EnsureAppResources() {
    static const bool registered = [] {
        RegisterOrvilantResources();
        return true;
    }();
    (void)registered;
}

} // namespace orv
