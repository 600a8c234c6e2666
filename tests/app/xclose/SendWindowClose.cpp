// Closes a top-level X window by its title as a window manager's close button would: a
// WM_DELETE_WINDOW client message. No window manager runs under Xvfb, so the tests send it
// themselves. Usage: orv_send_window_close <title, or - for any> <seconds to wait for the window>
// [<process id> [find]]: with a process id only that process's windows count (_NET_WM_PID); "find"
// only waits for the window and closes nothing.
// Exit status 0 when the message was sent (or the window found), 1 when no such window appeared,
// 2 without a display.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string WindowTitle(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

bool HasDeleteProtocol(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    bool has = false;
    if (XGetWMProtocols(display, window, &protocols, &count) != 0) {
        for (int i = 0; i < count; ++i) {
            has = has || protocols[i] == deleteWindow;
        }
        XFree(protocols);
    }
    return has;
}

long WindowPid(Display* display, Window window) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (count == 1 && format == 32) {
            pid = *reinterpret_cast<long*>(data);
        }
        XFree(data);
    }
    return pid;
}

long g_pid = -1;

Window FindWindow(Display* display, Window under, const std::string& title, Atom deleteWindow) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, under, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable &&
            (title == "-" || WindowTitle(display, children[i]) == title) &&
            (g_pid < 0 || WindowPid(display, children[i]) == g_pid) &&
            HasDeleteProtocol(display, children[i], deleteWindow)) {
            found = children[i];
        } else {
            found = FindWindow(display, children[i], title, deleteWindow);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        return 2;
    }
    if (argc >= 4) {
        g_pid = std::atol(argv[3]);
    }
    const bool findOnly = argc == 5 && std::strcmp(argv[4], "find") == 0;
    const std::string title = argv[1];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 2;
    }
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Window window = 0;
    while ((window = FindWindow(display, DefaultRootWindow(display), title, deleteWindow)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            XCloseDisplay(display);
            return 1;
        }
        // The program is still starting: look again shortly.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (findOnly) {
        XCloseDisplay(display);
        return 0;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
