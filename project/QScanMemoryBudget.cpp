#include "project/QScanMemoryBudget.h"

#include "platform/registry/SettingsStore.h"

#include <algorithm>
#include <unistd.h>

namespace orv {

namespace {

constexpr const char* kMemoryKey = "Software\\QZV Technologies\\Orvilant\\Memory";
constexpr const char* kScanMemoryValue = "ScanMemoryMB";
constexpr uint64_t kMegabyte = 1024u * 1024u;

std::atomic<uint64_t> s_budget{0}; // 0: not read yet

uint64_t MachineBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

uint32_t SettingMegabytes() {
    SettingsKey key;
    uint32_t megabytes = 0;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, kMemoryKey, SettingsAccess::Read, key) ==
            SettingsStatus::kSuccess &&
        key.GetDword(kScanMemoryValue, megabytes) == SettingsStatus::kSuccess) {
        return megabytes;
    }
    return 0;
}

} // namespace

std::atomic<uint64_t> QScanMemoryBudget::s_held{0};

uint64_t QScanMemoryBudget::ChooseBudget(uint32_t settingMegabytes, uint64_t machineBytes) {
    uint64_t budget =
        static_cast<uint64_t>(settingMegabytes != 0 ? settingMegabytes : kDefaultMegabytes) * kMegabyte;
    if (machineBytes != 0) {
        budget = std::min(budget, machineBytes / 4);
    }
    return std::max(budget, static_cast<uint64_t>(kLeastMegabytes) * kMegabyte);
}

uint64_t QScanMemoryBudget::GetBudgetBytes() {
    uint64_t budget = s_budget.load();
    if (budget == 0) {
        budget = ChooseBudget(SettingMegabytes(), MachineBytes());
        s_budget.store(budget);
    }
    return budget;
}

void QScanMemoryBudget::SetBudgetBytesForTest(uint64_t bytes) {
    s_budget.store(bytes);
}

} // namespace orv
