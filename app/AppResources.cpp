#include "app/AppResources.h"

#include <QString>
#include <QtGlobal>

// Outside the namespace: the registration function that rcc generates is global.
static void RegisterOrvilantResources() {
    Q_INIT_RESOURCE(orvilant);
}

namespace orv {

QIcon ProgramIcon() {
    EnsureAppResources();
    QIcon icon;
    for (const int size : kProgramIconSizes) {
        icon.addFile(QString::fromLatin1(kProgramIconPattern).arg(size), QSize(size, size));
    }
    return icon;
}

void EnsureAppResources() {
    static const bool registered = [] {
        RegisterOrvilantResources();
        return true;
    }();
    (void)registered;
}

} // namespace orv
