#include "tests/engine/support/LockProbingPrompt.h"

#include "engine/CDeviceManager.h"

#include <thread>

namespace orv::test {

PromptAnswer LockProbingPrompt::Ask(const PromptRequest& request, std::stop_token stop,
                                    PromptAnswer answerIfStopped) {
    bool free = false;
    // Another thread: the device lock is recursive, so the asking thread would always get it.
    std::thread([&] { free = m_devices.AreDevicesFree(); }).join();
    {
        const std::lock_guard lock(m_mutex);
        m_asked.push_back({request.caption, request.text, free});
    }
    return m_scripted.Ask(request, std::move(stop), answerIfStopped);
}

std::vector<LockProbingPrompt::Asked> LockProbingPrompt::AskedSoFar() const {
    const std::lock_guard lock(m_mutex);
    return m_asked;
}

} // namespace orv::test
