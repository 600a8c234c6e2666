#pragma once

// A prompt for tests: it records every request and answers from a script, in order. When the script
// is used up it gives the fallback answer. A "hold" step answers nothing and waits for the caller's
// stop token, to exercise the cancelled wait. Kept in the platform library so that the tests of
// every layer can use it.

#include "platform/ui/Prompt.h"

#include <deque>
#include <vector>

namespace orv {

class ScriptedPrompt : public Prompt {
public:
    explicit ScriptedPrompt(PromptAnswer fallback = PromptAnswer::Ok) : m_fallback(fallback) {}

    void Script(PromptAnswer answer);
    // The next request gets no answer: Ask waits until its stop token is requested (with a token that
    // can never be requested it gives the caller's answer at once).
    void ScriptHold();

    PromptAnswer Ask(const PromptRequest& request, std::stop_token stop,
                     PromptAnswer answerIfStopped) override;

    std::vector<PromptRequest> Requests() const;
    std::vector<std::string> Texts() const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<PromptAnswer>> m_script; // nullopt: hold
    std::vector<PromptRequest> m_requests;
    PromptAnswer m_fallback;
};

// Installs a prompt for the scope and puts the previous one back.
class ScopedPromptInstall {
public:
    explicit ScopedPromptInstall(std::shared_ptr<Prompt> prompt)
        : m_previous(InstallPrompt(std::move(prompt))) {}
    ~ScopedPromptInstall() { InstallPrompt(std::move(m_previous)); }
    ScopedPromptInstall(const ScopedPromptInstall&) = delete;
    ScopedPromptInstall& operator=(const ScopedPromptInstall&) = delete;

private:
    std::shared_ptr<Prompt> m_previous;
};

} // namespace orv
