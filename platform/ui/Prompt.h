#pragma once

// The prompt that model and engine code uses in place of a message box. The program installs a
// prompt that shows the box on the user-interface thread; tests install a ScriptedPrompt.
// A thread that asks waits for the answer; a stop token can end that wait with an answer the caller
// chooses (a worker being stopped must not hang on a box nobody answers).

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

namespace orv {

// The numbers are those of the Windows message-box styles and answers, so callers pass the values the
// original boxes took.
enum class PromptButtons {
    Ok = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
};

enum class PromptIcon {
    None,
    Error,
    Question,
    Warning,
    Information,
};

enum class PromptAnswer {
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
};

struct PromptRequest {
    std::string text;
    std::string caption;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
};

// The answer a box gives when it is closed without a choice (Escape, or no one to ask): Cancel where
// there is one, No for Yes/No, Ok for a lone OK, Abort for Abort/Retry/Ignore.
PromptAnswer DismissAnswer(PromptButtons buttons);

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows the request and waits for the answer. When `stop` is requested before the answer comes,
    // answers `answerIfStopped` at once (the implementation withdraws its box).
    virtual PromptAnswer Ask(const PromptRequest& request, std::stop_token stop,
                             PromptAnswer answerIfStopped) = 0;
};

// The hand-over between the thread that asks and the thread that shows the box: the shower gives the
// answer once, the asker waits for it.
class PendingAnswer {
public:
    // The first answer counts; later ones are ignored.
    void Give(PromptAnswer answer);
    std::optional<PromptAnswer> Peek() const;
    // Waits until an answer is given or `stop` is requested (then `answerIfStopped`).
    PromptAnswer Wait(std::stop_token stop, PromptAnswer answerIfStopped);

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_answered;
    std::optional<PromptAnswer> m_answer;
};

// Installs the application-wide prompt and returns the previous one (none installed: nullptr).
std::shared_ptr<Prompt> InstallPrompt(std::shared_ptr<Prompt> prompt);
std::shared_ptr<Prompt> GetInstalledPrompt();

// Asks the installed prompt. Without one, the text goes to the debug output and the answer is
// DismissAnswer(buttons), as for a box that was closed.
PromptAnswer ShowPrompt(const PromptRequest& request);
PromptAnswer ShowPrompt(const PromptRequest& request, std::stop_token stop, PromptAnswer answerIfStopped);
PromptAnswer ShowPrompt(std::string text, std::string caption, PromptButtons buttons, PromptIcon icon);

} // namespace orv
