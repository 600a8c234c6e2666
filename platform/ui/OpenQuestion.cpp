#include "platform/ui/OpenQuestion.h"

#include <functional>
#include <utility>

namespace orv {

OpenQuestion::OpenQuestion(PromptRequest request, std::stop_token stop, PromptAnswer answerIfWithdrawn) {
    m_asker = std::jthread([answer = m_answer, request = std::move(request),
                            answerIfWithdrawn](const std::stop_token& withdraw) {
        answer->Give(ShowPrompt(request, withdraw, answerIfWithdrawn));
    });
    m_forwardStop.emplace(std::move(stop), std::function<void()>([this] { m_asker.request_stop(); }));
}

OpenQuestion::~OpenQuestion() {
    m_forwardStop.reset();
    m_asker.request_stop();
    if (m_asker.joinable()) {
        m_asker.join();
    }
}

std::optional<PromptAnswer> OpenQuestion::Answer() const {
    return m_answer->Peek();
}

} // namespace orv
