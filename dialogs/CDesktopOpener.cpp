#include "dialogs/CDesktopOpener.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace orv {
namespace {

CDesktopOpener::Opener& Installed() {
    static CDesktopOpener::Opener opener;
    return opener;
}

} // namespace

bool CDesktopOpener::Open(const QString& path) {
    if (Installed()) {
        return Installed()(path);
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

CDesktopOpener::Opener CDesktopOpener::Install(Opener opener) {
    return std::exchange(Installed(), std::move(opener));
}

} // namespace orv
