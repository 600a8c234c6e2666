#include "platform/ui/ScriptedPrompt.h"

namespace orv {

void ScriptedPrompt::Script(PromptAnswer answer) {
    std::lock_guard lock(m_mutex);
    m_script.emplace_back(answer);
}

void ScriptedPrompt::ScriptHold() {
    std::lock_guard lock(m_mutex);
    m_script.emplace_back(std::nullopt);
}

PromptAnswer ScriptedPrompt::Ask(const PromptRequest& request, std::stop_token stop,
                                 PromptAnswer answerIfStopped) {
    std::optional<PromptAnswer> answer = m_fallback;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        if (!m_script.empty()) {
            answer = m_script.front();
            m_script.pop_front();
        }
    }
    if (answer) {
        return *answer;
    }
    if (!stop.stop_possible()) {
        return answerIfStopped; // nothing could ever end the wait: do not hang the test
    }
    PendingAnswer never;
    return never.Wait(std::move(stop), answerIfStopped);
}

std::vector<PromptRequest> ScriptedPrompt::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> ScriptedPrompt::Texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const PromptRequest& request : m_requests) {
        texts.push_back(request.text);
    }
    return texts;
}

} // namespace orv
