#pragma once

// How a report file reaches the desktop's word processor: the program hands it to the desktop
// (QDesktopServices), which starts whatever application the user chose for OpenDocument text.
// Tests install an opener of their own, so no test ever starts an application.
//
// User-interface thread only.

#include <QString>

#include <functional>

namespace orv {

class CDesktopOpener {
public:
    // True when the file was taken to be shown.
    using Opener = std::function<bool(const QString& path)>;

    static bool Open(const QString& path);
    // Installs an opener in place of the desktop's and returns the one before (empty: the desktop's).
    static Opener Install(Opener opener);
};

// Installs an opener while the object lives and puts the one before back after (tests).
class ScopedDesktopOpenerInstall {
public:
    explicit ScopedDesktopOpenerInstall(CDesktopOpener::Opener opener)
        : m_previous(CDesktopOpener::Install(std::move(opener))) {}
    ~ScopedDesktopOpenerInstall() { CDesktopOpener::Install(std::move(m_previous)); }
    ScopedDesktopOpenerInstall(const ScopedDesktopOpenerInstall&) = delete;
    ScopedDesktopOpenerInstall& operator=(const ScopedDesktopOpenerInstall&) = delete;

private:
    CDesktopOpener::Opener m_previous;
};

} // namespace orv
