#include "platform/log/InformationLog.h"

#include "platform/CLocale.h"
#include "platform/fs/AppPaths.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace orv {

void AddInformationMessage(uint8_t kind, std::string_view text) {
    InformationLog& log = InformationLog::Instance();
    if (log.IsClosing()) {
        return;
    }
    log.AddMessage(kind, text);
}

InformationLog& InformationLog::Instance() {
    static InformationLog* const log = new InformationLog();
    return *log;
}

InformationLog::InformationLog() = default;

InformationLog::~InformationLog() {
    CloseFile();
}

std::string InformationLog::FormatLine(const std::tm& local, int64_t intervalMs, std::string_view text) {
    const std::string body(text);
    if (intervalMs > 999) {
        return FormatC("%04d-%02d-%02d  %02d:%02d:%02d  %s(ms) --- %s", local.tm_year + 1900,
                       local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, "xxxxxx",
                       body.c_str());
    }
    return FormatC("%04d-%02d-%02d  %02d:%02d:%02d  %03d(ms) --- %s", local.tm_year + 1900, local.tm_mon + 1,
                   local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(intervalMs),
                   body.c_str());
}

void InformationLog::AddMessage(uint8_t kind, std::string_view text) {
    std::lock_guard lock(m_mutex);
    const auto now = m_steady ? m_steady() : std::chrono::steady_clock::now();
    const int64_t interval = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_previous).count();
    m_previous = now;
    std::string line;
    if (!text.empty()) {
        const std::time_t seconds =
            std::chrono::system_clock::to_time_t(m_wall ? m_wall() : std::chrono::system_clock::now());
        std::tm local{};
        localtime_r(&seconds, &local);
        line = FormatLine(local, m_firstLine ? 0 : interval, text);
        m_firstLine = false;
    }
    WriteLineLocked(kind, line);
}

void InformationLog::WriteLineLocked(uint8_t kind, const std::string& line) {
    if (m_sink) {
        m_sink(kind, line);
    }
    const std::string withEnd = line + "\n";
    if (m_fd >= 0) {
        // One write per line: a reader of the file never sees half a line.
        size_t done = 0;
        while (done < withEnd.size()) {
            const ssize_t written = ::write(m_fd, withEnd.data() + done, withEnd.size() - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                break;
            }
            done += static_cast<size_t>(written);
        }
    }
    if (m_consoleEcho) {
        std::fwrite(withEnd.data(), 1, withEnd.size(), stdout);
        std::fflush(stdout);
    }
}

bool InformationLog::OpenFile(const std::string& folder) {
    std::lock_guard lock(m_mutex);
    CloseFile();
    const std::filesystem::path base(folder);
    const std::string logPath = (base / "log.txt").string();
    const std::string oldPath = (base / "log_old.txt").string();
    AddMessage(0, "Saving log to location: " + logPath);
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    ::unlink(oldPath.c_str());
    ::rename(logPath.c_str(), oldPath.c_str());
    m_fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    const bool opened = m_fd >= 0;
    if (!opened) {
        AddMessage(0, FormatC("Could not open log file. Error code: %d", errno));
    } else {
        m_filePath = logPath;
    }
    // The file's first line shows 000, whatever was logged before it was opened.
    m_firstLine = true;
    return opened;
}

bool InformationLog::OpenFileInUserDataFolder() {
    return OpenFile(GetUserDataFolder());
}

void InformationLog::CloseFile() {
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) {
        ::fsync(m_fd);
        ::close(m_fd);
        m_fd = -1;
    }
    m_filePath.clear();
}

std::string InformationLog::GetFilePath() const {
    std::lock_guard lock(m_mutex);
    return m_filePath;
}

InformationLog::Sink InformationLog::SetSink(Sink sink) {
    std::lock_guard lock(m_mutex);
    std::swap(m_sink, sink);
    return sink;
}

void InformationLog::SetConsoleEcho(bool on) {
    std::lock_guard lock(m_mutex);
    m_consoleEcho = on;
}

void InformationLog::SetClosing(bool closing) {
    m_closing.store(closing);
}

bool InformationLog::IsClosing() const {
    return m_closing.load();
}

void InformationLog::RestartInterval() {
    std::lock_guard lock(m_mutex);
    m_firstLine = true;
}

void InformationLog::SetClocks(SteadyClock steady, WallClock wall) {
    std::lock_guard lock(m_mutex);
    m_steady = std::move(steady);
    m_wall = std::move(wall);
}

} // namespace orv
