#pragma once

// The memory situation the main frame logs at start, from the system's own figures:
//   total paging file        CommitLimit of /proc/meminfo (what may be committed: memory and swap)
//   free paging file         CommitLimit - Committed_AS, never below 0
//   total virtual memory     the process's address-space limit (RLIMIT_AS, else the 47-bit user space)
//   free virtual memory      that limit - VmSize of /proc/self/status
//   free extended memory     0 (no such memory on this system)

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct MemoryStatus {
    uint64_t totalPageFile = 0;
    uint64_t availablePageFile = 0;
    uint64_t totalVirtual = 0;
    uint64_t availableVirtual = 0;
    uint64_t availableExtendedVirtual = 0;

    // From the texts of /proc/meminfo and /proc/self/status and the address-space limit in bytes.
    static MemoryStatus FromTexts(std::string_view meminfo, std::string_view selfStatus,
                                  uint64_t addressSpace);
    // The running system's.
    static MemoryStatus Read();

    // The five log lines, each "There are %10.2f MB ..." with the bytes as single precision × 2^-20.
    std::vector<std::string> FormatLines() const;
};

} // namespace orv
