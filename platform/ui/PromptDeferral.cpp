#include "platform/ui/PromptDeferral.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace orv {

namespace {

struct KeptNotice {
    PromptRequest request;
    std::stop_token stop;
};

struct ThreadDeferral {
    int depth = 0;
    std::vector<KeptNotice> kept;
};

ThreadDeferral& ThisThread() {
    thread_local ThreadDeferral deferral;
    return deferral;
}

} // namespace

ScopedPromptDeferral::ScopedPromptDeferral() {
    BeginPromptDeferral();
}

ScopedPromptDeferral::~ScopedPromptDeferral() {
    EndPromptDeferral();
}

void BeginPromptDeferral() {
    ++ThisThread().depth;
}

void EndPromptDeferral() {
    ThreadDeferral& deferral = ThisThread();
    if (--deferral.depth > 0) {
        return;
    }
    // Taken out first: a notice shown here may itself lead to more (a nested deferral while it waits).
    std::vector<KeptNotice> kept = std::exchange(deferral.kept, {});
    for (KeptNotice& notice : kept) {
        ShowPrompt(notice.request, std::move(notice.stop), DismissAnswer(notice.request.buttons));
    }
}

void PostPrompt(const PromptRequest& request, std::stop_token stop) {
    ThreadDeferral& deferral = ThisThread();
    if (deferral.depth > 0) {
        const bool keptAlready =
            std::any_of(deferral.kept.begin(), deferral.kept.end(), [&](const KeptNotice& kept) {
                return kept.request.text == request.text && kept.request.caption == request.caption &&
                       kept.request.buttons == request.buttons && kept.request.icon == request.icon;
            });
        if (!keptAlready) {
            deferral.kept.push_back({request, std::move(stop)});
        }
        return;
    }
    ShowPrompt(request, std::move(stop), DismissAnswer(request.buttons));
}

} // namespace orv
