#pragma once

// The program's one running log. Every line is stamped
//   "%04d-%02d-%02d  %02d:%02d:%02d  %03d(ms) --- %s"
// with the local date and time and the whole milliseconds since the previous line ("xxxxxx" in place
// of the number after more than 999 ms, 0 for the first line of a run or after RestartInterval). An
// empty text gives an empty line without a stamp and still restarts the interval. Each line is
// written whole to "log.txt" (one write per line, under the lock, so lines from many threads never
// mix), handed to the attached sink (the information window), and echoed to standard output when the
// console echo is on (-Console).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace orv {

// The global entry: callable from any thread; does nothing once the program is closing.
void AddInformationMessage(uint8_t kind, std::string_view text);

class InformationLog {
public:
    // The log AddInformationMessage writes to; made on first use and never destroyed, so threads that
    // log during shut-down find it alive.
    static InformationLog& Instance();

    using Sink = std::function<void(uint8_t kind, const std::string& line)>;
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    InformationLog();
    ~InformationLog();
    InformationLog(const InformationLog&) = delete;
    InformationLog& operator=(const InformationLog&) = delete;

    // Starts this run's file: logs "Saving log to location: " + the path (before the file is open, so
    // only the sink and the console see it), creates the folder, deletes "log_old.txt", renames
    // "log.txt" to "log_old.txt" and creates a new "log.txt". On failure logs "Could not open log
    // file. Error code: %d" and goes on without a file. True when the file is open. A file already
    // open is closed first. The next line restarts the interval (000).
    bool OpenFile(const std::string& folder);
    // The same in the per-user data folder (platform/fs/AppPaths.h), where the program keeps its log.
    bool OpenFileInUserDataFolder();
    void CloseFile();
    std::string GetFilePath() const; // empty when no file is open

    // Attaches the sink (empty: none) and returns the previous one. The sink is called under the log's
    // lock, in line order; it must only store the line.
    Sink SetSink(Sink sink);
    void SetConsoleEcho(bool on);

    // Once set, AddInformationMessage drops every line.
    void SetClosing(bool closing);
    bool IsClosing() const;

    // The next stamped line shows 000 (a new run, or the window's content cleared).
    void RestartInterval();

    // Stamps and writes one line, whether or not the program is closing. Kind 0 or 1 only chooses the
    // colour in the window.
    void AddMessage(uint8_t kind, std::string_view text);

    // Tests replace the clocks (empty: the real ones).
    void SetClocks(SteadyClock steady, WallClock wall);

    // The stamped line for a local time and the interval since the previous line.
    static std::string FormatLine(const std::tm& local, int64_t intervalMs, std::string_view text);

private:
    void WriteLineLocked(uint8_t kind, const std::string& line);

    mutable std::recursive_mutex m_mutex;
    Sink m_sink;
    SteadyClock m_steady;
    WallClock m_wall;
    std::chrono::steady_clock::time_point m_previous{};
    bool m_firstLine = true;
    bool m_consoleEcho = false;
    int m_fd = -1;
    std::string m_filePath;
    std::atomic<bool> m_closing{false};
};

} // namespace orv
