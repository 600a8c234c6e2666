#include "tests/platform/support/HostileFiles.h"

#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::test {

namespace {

void MakeSparseFile(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("cannot make sparse file " + path);
    }
    ::close(fd);
}

} // namespace

std::vector<HostileFile> MakeHostileFiles(const std::string& folder, const std::string& ending) {
    std::vector<HostileFile> files = {
        {"FIFO", folder + "/fifo" + ending},
        {"link to /dev/zero", folder + "/zero" + ending},
        {"3 GB sparse file", folder + "/sparse" + ending},
    };
    std::filesystem::create_directories(folder);
    if (::mkfifo(files[0].path.c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make FIFO " + files[0].path);
    }
    std::filesystem::create_symlink("/dev/zero", files[1].path);
    MakeSparseFile(files[2].path, off_t{3} * 1024 * 1024 * 1024);
    return files;
}

void PlaceHostileFile(const HostileFile& file, const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (file.what == "FIFO") {
        if (::mkfifo(path.c_str(), 0600) != 0) {
            throw std::runtime_error("cannot make FIFO " + path);
        }
        return;
    }
    std::filesystem::create_symlink(file.path, path);
}

} // namespace orv::test
