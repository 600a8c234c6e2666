#pragma once

// Root may write into any folder; while this lives the calling thread may not, so a folder's mode
// holds for it as for an ordinary user. Capabilities are per thread: no other thread is touched.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orv::testing {

class ScopedFolderModesHold {
public:
    ScopedFolderModesHold() {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~ScopedFolderModesHold() {
        if (m_dropped) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }
    ScopedFolderModesHold(const ScopedFolderModesHold&) = delete;
    ScopedFolderModesHold& operator=(const ScopedFolderModesHold&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

} // namespace orv::testing
