#include "core/PathUtilities.h"

#include "core/QException.h"
#include "platform/fs/AppPaths.h"

#include <filesystem>
#include <fnmatch.h>
#include <sys/stat.h>

namespace orv {

std::string GetModuleFolder() {
    return AddTrailingBackslash(GetExecutableFolder());
}

std::string AddTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == kPathSeparator) {
        return path;
    }
    return path + kPathSeparator;
}

std::string GetFolderFromPath(const std::string& path) {
    const size_t last = path.rfind(kPathSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string ReplaceFileExtension(const std::string& path, const std::string& extension) {
    const size_t separator = path.rfind(kPathSeparator);
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        return path + "." + extension;
    }
    return path.substr(0, dot + 1) + extension;
}

bool FileExists(const std::string& pathOrPattern) {
    const size_t separator = pathOrPattern.rfind(kPathSeparator);
    const std::string name =
        separator == std::string::npos ? pathOrPattern : pathOrPattern.substr(separator + 1);
    std::error_code ec;
    if (name.find_first_of("*?") == std::string::npos) {
        return !name.empty() && std::filesystem::exists(pathOrPattern, ec);
    }
    const std::string folder =
        separator == std::string::npos ? std::string(".") : pathOrPattern.substr(0, separator + 1);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (::fnmatch(name.c_str(), it->path().filename().c_str(), FNM_PERIOD) == 0) {
            return true;
        }
    }
    return false;
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

void CreateDirectoryPath(const std::string& path) {
    for (size_t at = path.find(kPathSeparator); at != std::string::npos;
         at = path.find(kPathSeparator, at + 1)) {
        if (at > 0) {
            ::mkdir(path.substr(0, at).c_str(), 0777);
        }
    }
    if (!path.empty()) {
        ::mkdir(path.c_str(), 0777);
    }
}

std::string GetTempFolder() {
    return AddTrailingBackslash(GetProcessTempFolder());
}

void ClearTempFolder() {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(GetProcessTempFolder(), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_directory(ignored)) {
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

void CreateTempFileName(std::string& name) {
    const std::string folder = GetTempFolder();
    std::optional<std::string> created;
    if (EnsureProcessTempFolder()) {
        created = CreateUniqueTempFile(folder, "stv");
    }
    if (!created) {
        throw QFileSystemException("Error#328: Unable to create temp file in directory: " + folder + ".\n" +
                                   "Check to make sure you have write permission for this directory.");
    }
    name = std::move(*created);
}

} // namespace orv
