#pragma once

// A scripted prompt that, each time it is asked, has another thread look whether the device manager's
// locks (the device lock and the scanner swap lock) could be taken at that moment: a box shown while
// the asking thread holds either would hang the scan thread, a connect or the emergency stop behind a
// person.

#include "platform/ui/ScriptedPrompt.h"

#include <mutex>
#include <string>
#include <vector>

namespace orv {
class CDeviceManager;
}

namespace orv::test {

class LockProbingPrompt final : public Prompt {
public:
    explicit LockProbingPrompt(const CDeviceManager& devices, PromptAnswer fallback = PromptAnswer::Ok)
        : m_devices(devices), m_scripted(fallback) {}

    ScriptedPrompt& Script() { return m_scripted; }

    PromptAnswer Ask(const PromptRequest& request, std::stop_token stop,
                     PromptAnswer answerIfStopped) override;

    struct Asked {
        std::string caption;
        std::string text;
        bool devicesFree = false;
    };
    std::vector<Asked> AskedSoFar() const;

private:
    const CDeviceManager& m_devices;
    ScriptedPrompt m_scripted;
    mutable std::mutex m_mutex;
    std::vector<Asked> m_asked;
};

} // namespace orv::test
