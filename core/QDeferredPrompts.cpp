#include "core/QDeferredPrompts.h"

#include "core/QMutex.h"
#include "platform/debug/DebugOutput.h"

#include <deque>
#include <exception>
#include <string>
#include <utility>

namespace orv {

namespace {

struct ThreadQueue {
    std::deque<PromptRequest> pending;
    bool showing = false;
};

ThreadQueue& QueueOfThisThread() {
    thread_local ThreadQueue queue;
    return queue;
}

} // namespace

void QDeferredPrompts::Show(PromptRequest request) {
    QueueOfThisThread().pending.push_back(std::move(request));
    ShowPending();
}

std::size_t QDeferredPrompts::GetPendingCount() {
    return QueueOfThisThread().pending.size();
}

void QDeferredPrompts::DiscardFrom(std::size_t kept) {
    auto& pending = QueueOfThisThread().pending;
    if (kept < pending.size()) {
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(kept), pending.end());
    }
}

void QDeferredPrompts::ShowPending() {
    ThreadQueue& queue = QueueOfThisThread();
    // A box that locks and unlocks a node while it shows comes back here; the outer call goes on
    // with the queue.
    if (queue.showing) {
        return;
    }
    queue.showing = true;
    // Called from lock releases, also in destructors: nothing may escape.
    try {
        while (!queue.pending.empty() && QMutex::GetHeldCountOfThisThread() == 0) {
            PromptRequest request = std::move(queue.pending.front());
            queue.pending.pop_front();
            ShowPrompt(request);
        }
    } catch (const std::exception& error) {
        OutputDebugString(std::string("A deferred box could not be shown: ") + error.what());
    } catch (...) {
        OutputDebugString("A deferred box could not be shown");
    }
    queue.showing = false;
}

} // namespace orv
