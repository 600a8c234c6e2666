#include "platform/fs/AppPaths.h"

#include "platform/log/InformationLog.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

struct Overrides {
    std::mutex mutex;
    std::string executableFolder;
    std::string userDataFolder;
    std::string processTempFolder;
};

Overrides& GetOverrides() {
    // Never destroyed: workers may still ask for a folder while the process ends.
    static Overrides* const overrides = new Overrides();
    return *overrides;
}

std::string Overridden(std::string Overrides::*field) {
    Overrides& overrides = GetOverrides();
    std::lock_guard lock(overrides.mutex);
    return overrides.*field;
}

void SetOverride(std::string Overrides::*field, std::string folder) {
    Overrides& overrides = GetOverrides();
    std::lock_guard lock(overrides.mutex);
    overrides.*field = std::move(folder);
}

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string TempBase() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec || base.empty()) {
        base = "/tmp";
    }
    return WithoutTrailingSlash(base.string());
}

std::string PerUserTempFolder() {
    return TempBase() + "/orvilant-" + std::to_string(::getuid());
}

bool MakePrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return false;
    }
    // The program's own folder, left wider by an earlier umask or by hand: it is ours to close.
    return (info.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

} // namespace

std::string GetExecutableFolder() {
    std::string folder = Overridden(&Overrides::executableFolder);
    if (!folder.empty()) {
        return WithoutTrailingSlash(std::move(folder));
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec).string();
    }
    return exe.parent_path().string();
}

std::string GetUserDataFolder() {
    std::string folder = Overridden(&Overrides::userDataFolder);
    if (!folder.empty()) {
        return WithoutTrailingSlash(std::move(folder));
    }
    std::string base = EnvOrEmpty("XDG_DATA_HOME");
    if (base.empty()) {
        base = EnvOrEmpty("HOME") + "/.local/share";
    }
    return WithoutTrailingSlash(std::move(base)) + "/QZV Technologies/Orvilant";
}

std::string GetProcessTempFolder() {
    std::string folder = Overridden(&Overrides::processTempFolder);
    if (!folder.empty()) {
        return WithoutTrailingSlash(std::move(folder));
    }
    return PerUserTempFolder() + "/" + std::to_string(::getpid());
}

void SetExecutableFolderOverride(std::string folder) {
    SetOverride(&Overrides::executableFolder, std::move(folder));
}

void SetUserDataFolderOverride(std::string folder) {
    SetOverride(&Overrides::userDataFolder, std::move(folder));
}

void SetProcessTempFolderOverride(std::string folder) {
    SetOverride(&Overrides::processTempFolder, std::move(folder));
}

bool IsPrivateFolderOfThisUser(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

std::string GetPrivateXdgRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return {};
    }
    std::string folder = WithoutTrailingSlash(runtime);
    if (IsPrivateFolderOfThisUser(folder)) {
        return folder;
    }
    // Another user could plant or reach the lock and the sockets there; the folder is not ours to
    // change, so the program's own per-user folder serves instead.
    static std::once_flag logged;
    std::call_once(logged, [&folder] {
        AddInformationMessage(1, "XDG_RUNTIME_DIR " + folder +
                                     " is not a folder of this user closed to others; the run-time files "
                                     "go to the program's own per-user folder.");
    });
    return {};
}

std::string GetUserRuntimeFolder() {
    if (std::string runtime = GetPrivateXdgRuntimeFolder(); !runtime.empty()) {
        return runtime;
    }
    std::string folder = PerUserTempFolder();
    return MakePrivateFolder(folder) ? folder : std::string();
}

bool EnsureProcessTempFolder() {
    const std::string folder = GetProcessTempFolder();
    if (!Overridden(&Overrides::processTempFolder).empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return std::filesystem::is_directory(folder, ec);
    }
    if (!MakePrivateFolder(PerUserTempFolder())) {
        return false;
    }
    // The first use in a run is its start: what crashed runs left behind goes now, and this run's
    // folder goes when the process ends in order (a crash leaves it to the next start's sweep).
    static std::once_flag started;
    std::call_once(started, [] {
        RemoveStaleProcessTempFolders();
        std::atexit([] { RemoveProcessTempFolder(); });
    });
    return MakePrivateFolder(folder);
}

bool RemoveProcessTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(GetProcessTempFolder(), ec);
    return !ec;
}

void RemoveStaleProcessTempFolders() {
    const std::string parent = PerUserTempFolder();
    struct stat info {};
    // Only inside our own per-user folder, never through a link someone planted.
    if (::lstat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return;
    }
    std::error_code ec;
    for (std::filesystem::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::stol(name));
        // EPERM: the process runs, under another user.
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::remove_all(it->path(), ignored);
        }
    }
}

std::optional<std::string> CreateUniqueTempFile(const std::string& folder, std::string_view prefix) {
    // Start somewhere different in each call so that a busy folder is not probed from 0 every time.
    static std::atomic<unsigned> next{
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xffff)};
    static const char hex[] = "0123456789ABCDEF";
    const std::string base = WithoutTrailingSlash(folder) + "/" + std::string(prefix);
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        const unsigned number = next.fetch_add(1) & 0xffff;
        std::string path = base;
        for (int shift = 12; shift >= 0; shift -= 4) {
            path += hex[(number >> shift) & 0xf];
        }
        path += ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace orv
