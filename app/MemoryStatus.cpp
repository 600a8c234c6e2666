#include "app/MemoryStatus.h"

#include "platform/CLocale.h"

#include <sys/resource.h>

#include <charconv>
#include <fstream>

namespace orv {

namespace {

// The "<name>: <number> kB" line of a /proc text, in bytes; 0 when missing.
uint64_t ReadKilobytes(std::string_view text, std::string_view name) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
            std::string_view rest = line.substr(name.size() + 1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
                rest.remove_prefix(1);
            }
            uint64_t value = 0;
            const auto parsed = std::from_chars(rest.data(), rest.data() + rest.size(), value);
            if (parsed.ec != std::errc()) {
                return 0;
            }
            return value > UINT64_MAX / 1024 ? UINT64_MAX : value * 1024;
        }
        at = end + 1;
    }
    return 0;
}

// Bounded: these are small system files, never read to any length.
std::string ReadSmallFile(const char* path) {
    std::ifstream file(path);
    std::string text(size_t{64} * 1024, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    return text;
}

} // namespace

MemoryStatus MemoryStatus::FromTexts(std::string_view meminfo, std::string_view selfStatus,
                                     uint64_t addressSpace) {
    MemoryStatus status;
    status.totalPageFile = ReadKilobytes(meminfo, "CommitLimit");
    const uint64_t committed = ReadKilobytes(meminfo, "Committed_AS");
    status.availablePageFile = committed < status.totalPageFile ? status.totalPageFile - committed : 0;
    status.totalVirtual = addressSpace;
    const uint64_t used = ReadKilobytes(selfStatus, "VmSize");
    status.availableVirtual = used < addressSpace ? addressSpace - used : 0;
    return status;
}

MemoryStatus MemoryStatus::Read() {
    uint64_t addressSpace = uint64_t{1} << 47;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        addressSpace = limit.rlim_cur;
    }
    return FromTexts(ReadSmallFile("/proc/meminfo"), ReadSmallFile("/proc/self/status"), addressSpace);
}

std::vector<std::string> MemoryStatus::FormatLines() const {
    const auto line = [](const char* format, uint64_t bytes) {
        const float megabytes = static_cast<float>(bytes) * (1.0F / 1048576.0F);
        std::string text = FormatC(format, static_cast<double>(megabytes));
        if (text.size() > 127) {
            text.resize(127);
        }
        return text;
    };
    return {
        line("There are %10.2f MB total of paging file", totalPageFile),
        line("There are %10.2f MB free of paging file", availablePageFile),
        line("There are %10.2f MB total of virtual memory", totalVirtual),
        line("There are %10.2f MB free of virtual memory", availableVirtual),
        line("There are %10.2f MB free of extended memory", availableExtendedVirtual),
    };
}

} // namespace orv
