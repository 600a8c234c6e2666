// Process start until the program's window is on the screen and painted, for the program on its
// built-in device lists ("-NoSA", no hardware) against an empty QApplication + QMainWindow program,
// both started in the same run on one Xvfb server. A window counts as painted once the pixel near its
// top-left corner differs from the bare screen's (a freshly mapped window shows what lies below it
// until the program draws). Each window is then closed as a window manager would and the process
// awaited; only the start is timed. The counter "mapped" is the mean time until the window was mapped.

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Server {
    pid_t pid = -1;
    std::string display;
    Display* connection = nullptr;
};

Server& GetServer() {
    static Server server = [] {
        Server made;
        int fds[2];
        if (::pipe(fds) != 0) {
            return made;
        }
        made.pid = ::fork();
        if (made.pid == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char number[16] = {};
        const ssize_t got = ::read(fds[0], number, sizeof(number) - 1);
        ::close(fds[0]);
        if (got <= 0) {
            return made;
        }
        made.display =
            ":" + std::string(number, static_cast<size_t>(got - (number[got - 1] == '\n' ? 1 : 0)));
        // The server may take a moment after naming its display before it accepts connections.
        for (int attempt = 0; attempt < 100 && made.connection == nullptr; ++attempt) {
            made.connection = XOpenDisplay(made.display.c_str());
            if (made.connection == nullptr) {
                const timespec pause{0, 20000000};
                ::nanosleep(&pause, nullptr);
            }
        }
        if (made.connection != nullptr) {
            XSelectInput(made.connection, DefaultRootWindow(made.connection), SubstructureNotifyMask);
        }
        return made;
    }();
    return server;
}

void StopServer() {
    Server& server = GetServer();
    if (server.connection != nullptr) {
        XCloseDisplay(server.connection);
    }
    if (server.pid > 0) {
        ::kill(server.pid, SIGTERM);
        ::waitpid(server.pid, nullptr, 0);
    }
}

std::string Title(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

// Waits for a window titled "Orvilant" to be mapped; 0 when none came within the time.
Window WaitForWindow(Display* display, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const int fd = ConnectionNumber(display);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && Title(display, event.xmap.window) == "Orvilant") {
                return event.xmap.window;
            }
        }
        fd_set read;
        FD_ZERO(&read);
        FD_SET(fd, &read);
        timeval wait{0, 20000};
        ::select(fd + 1, &read, nullptr, nullptr, &wait);
    }
    return 0;
}

unsigned long PixelAt(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

// Waits until the window's pixel at (8, 8) is no longer the bare screen's; false when it stayed so.
bool WaitForPaint(Display* display, Window window, unsigned long bare, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (PixelAt(display, window, 8, 8) != bare) {
            return true;
        }
        const timespec pause{0, 500000};
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

void CloseWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

void StartToWindow(benchmark::State& state, const std::string& program,
                   const std::vector<std::string>& arguments) {
    Server& server = GetServer();
    if (server.connection == nullptr) {
        state.SkipWithError("Xvfb could not be started");
        return;
    }
    const fs::path home = fs::temp_directory_path() / ("orv-bench-start-" + std::to_string(::getpid()));
    for (const char* sub : {"data", "config", "run", "tmp"}) {
        fs::create_directories(home / sub);
    }
    fs::permissions(home / "run", fs::perms::owner_all, fs::perm_options::replace);
    // The bare screen where the window's corner will be (no window is mapped between the runs).
    const unsigned long bare = PixelAt(server.connection, DefaultRootWindow(server.connection), 8, 8);
    double mappedSeconds = 0.0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("DISPLAY", server.display.c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
            ::setenv("TMPDIR", (home / "tmp").c_str(), 1);
            ::setenv("ORV_MACHINE_SETTINGS", ORV_SOURCE_DIR "/resources/machine.settings", 1);
            ::setenv("ORV_VISA_LIBRARIES", "", 1);
            ::setenv("ORV_VISA_RESOURCES", "", 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        const Window window = WaitForWindow(server.connection, std::chrono::seconds(30));
        const auto mapped = std::chrono::steady_clock::now();
        if (window == 0 || !WaitForPaint(server.connection, window, bare, std::chrono::seconds(30))) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            state.SkipWithError("the window did not appear or was never painted");
            break;
        }
        const auto painted = std::chrono::steady_clock::now();
        mappedSeconds += std::chrono::duration<double>(mapped - started).count();
        state.SetIterationTime(std::chrono::duration<double>(painted - started).count());
        CloseWindow(server.connection, window);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not end with 0");
            break;
        }
    }
    if (state.iterations() > 0) {
        state.counters["mapped_ms"] = 1000.0 * mappedSeconds / static_cast<double>(state.iterations());
    }
    std::error_code ec;
    fs::remove_all(home, ec);
}

void BM_StartToWindow_EmptyMainWindow(benchmark::State& state) {
    StartToWindow(state, ORV_EMPTY_PROGRAM_PATH, {});
}
void BM_StartToWindow_Orvilant(benchmark::State& state) {
    StartToWindow(state, ORV_PROGRAM_PATH, {"-NoSA"});
}

BENCHMARK(BM_StartToWindow_EmptyMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartToWindow_Orvilant)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    StopServer();
    return 0;
}
