#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

// How much memory the scans of all nodes may hold before the least recently used ones are moved out
// to their node's scan file. From the user file ("Software\QZV Technologies\Orvilant\Memory",
// DWORD "ScanMemoryMB"), else 512 MB; never more than a quarter of the machine's memory nor less
// than 16 MB. Read once; the process-wide count of what scans hold now lives here too.
class QScanMemoryBudget {
public:
    static constexpr uint32_t kDefaultMegabytes = 512;
    static constexpr uint32_t kLeastMegabytes = 16;

    static uint64_t GetBudgetBytes();
    // Tests set the budget; 0 reads it from the user file again.
    static void SetBudgetBytesForTest(uint64_t bytes);
    // The budget for a setting (0: none) on a machine with this much memory.
    static uint64_t ChooseBudget(uint32_t settingMegabytes, uint64_t machineBytes);

    static void Add(uint64_t bytes) { s_held.fetch_add(bytes, std::memory_order_relaxed); }
    static void Remove(uint64_t bytes) { s_held.fetch_sub(bytes, std::memory_order_relaxed); }
    static uint64_t GetHeldBytes() { return s_held.load(std::memory_order_relaxed); }

private:
    static std::atomic<uint64_t> s_held;
};

} // namespace orv
