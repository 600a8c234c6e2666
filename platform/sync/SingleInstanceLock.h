#pragma once

// Allows one running copy of the program per user: an exclusive lock (flock) on a file in the
// user's run-time folder. The system drops the lock when the process ends in any way, so a crashed
// copy never blocks the next start.

#include <string>

namespace orv {

class SingleInstanceLock {
public:
    // The name the lock file carries in the run-time folder.
    static constexpr const char* kLockName = "QZVTechnologies-OrvilantApp";

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    enum class Result {
        Acquired,
        // Another process holds it: another copy runs.
        AlreadyRunning,
        // No lock file could be opened (no usable run-time folder); the caller decides.
        Unavailable,
    };

    // Takes the lock at `path` (empty: kLockName in GetUserRuntimeFolder()). Never blocks.
    Result Acquire(std::string path = {});
    // Gives the lock up; nothing when it is not held.
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    const std::string& GetPath() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace orv
