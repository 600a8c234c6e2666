#include "app/AppResources.h"

#include <QPixmap>
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
        // Read as the PNG it is: no image or icon-engine plugins are looked for.
        icon.addPixmap(QPixmap(QString::fromLatin1(kProgramIconPattern).arg(size), "PNG"));
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
