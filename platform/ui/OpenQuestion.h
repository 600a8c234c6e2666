#pragma once

// A question put to the user without waiting for the answer. The box is shown from a thread of its
// own while the asker goes on with its work and looks at the answer between steps: a driver waiting
// on an instrument under the device lock asks whether to keep waiting, and goes on polling, so the
// lock is held for the instrument, never for a person. Ending the question (its destructor) withdraws
// a box still shown; so does the asker's stop.

#include "platform/ui/Prompt.h"

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

namespace orv {

class OpenQuestion {
public:
    // `answerIfWithdrawn` is what the question reads once it was withdrawn by `stop` unanswered.
    OpenQuestion(PromptRequest request, std::stop_token stop, PromptAnswer answerIfWithdrawn);
    ~OpenQuestion();
    OpenQuestion(const OpenQuestion&) = delete;
    OpenQuestion& operator=(const OpenQuestion&) = delete;

    // The user's answer, once given; nothing while the box is still shown.
    std::optional<PromptAnswer> Answer() const;

private:
    std::shared_ptr<PendingAnswer> m_answer = std::make_shared<PendingAnswer>();
    std::jthread m_asker;
    // Forwards the asker's stop to the box; declared last so it goes before the thread is joined.
    std::optional<std::stop_callback<std::function<void()>>> m_forwardStop;
};

} // namespace orv
