#include "platform/ui/Prompt.h"

#include "platform/debug/DebugOutput.h"

namespace orv {

namespace {

struct InstalledPrompt {
    std::mutex mutex;
    std::shared_ptr<Prompt> prompt;
};

InstalledPrompt& GetInstalled() {
    // Never destroyed: a worker may still ask while the process ends.
    static InstalledPrompt* const installed = new InstalledPrompt();
    return *installed;
}

} // namespace

PromptAnswer DismissAnswer(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::AbortRetryIgnore:
        return PromptAnswer::Abort;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
    case PromptButtons::RetryCancel:
        break;
    }
    return PromptAnswer::Cancel;
}

void PendingAnswer::Give(PromptAnswer answer) {
    {
        std::lock_guard lock(m_mutex);
        if (m_answer) {
            return;
        }
        m_answer = answer;
    }
    m_answered.notify_all();
}

std::optional<PromptAnswer> PendingAnswer::Peek() const {
    std::lock_guard lock(m_mutex);
    return m_answer;
}

PromptAnswer PendingAnswer::Wait(std::stop_token stop, PromptAnswer answerIfStopped) {
    std::unique_lock lock(m_mutex);
    if (!m_answered.wait(lock, stop, [this] { return m_answer.has_value(); })) {
        return answerIfStopped;
    }
    return *m_answer;
}

std::shared_ptr<Prompt> InstallPrompt(std::shared_ptr<Prompt> prompt) {
    InstalledPrompt& installed = GetInstalled();
    std::lock_guard lock(installed.mutex);
    std::swap(installed.prompt, prompt);
    return prompt;
}

std::shared_ptr<Prompt> GetInstalledPrompt() {
    InstalledPrompt& installed = GetInstalled();
    std::lock_guard lock(installed.mutex);
    return installed.prompt;
}

PromptAnswer ShowPrompt(const PromptRequest& request, std::stop_token stop, PromptAnswer answerIfStopped) {
    // Held by a copy: the prompt may be replaced while this thread waits for its answer.
    const std::shared_ptr<Prompt> prompt = GetInstalledPrompt();
    if (!prompt) {
        OutputDebugString(request.caption + ": " + request.text + "\n");
        return DismissAnswer(request.buttons);
    }
    return prompt->Ask(request, std::move(stop), answerIfStopped);
}

PromptAnswer ShowPrompt(const PromptRequest& request) {
    return ShowPrompt(request, std::stop_token(), DismissAnswer(request.buttons));
}

PromptAnswer ShowPrompt(std::string text, std::string caption, PromptButtons buttons, PromptIcon icon) {
    return ShowPrompt(PromptRequest{std::move(text), std::move(caption), buttons, icon});
}

} // namespace orv
