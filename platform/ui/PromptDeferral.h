#pragma once

// Notices (boxes with a lone OK whose answer nobody reads) raised by code that may run under a device
// lock. A box waits for a person; the lock must not. While a ScopedPromptDeferral lives on a thread,
// the notices that thread posts are kept, and the outermost deferral shows them, in order, when it
// ends: the owner of the lock declares it before taking the lock, so the boxes come after the lock is
// released. Without a deferral a notice is shown at once.

#include "platform/ui/Prompt.h"

#include <stop_token>

namespace orv {

class ScopedPromptDeferral {
public:
    ScopedPromptDeferral();
    ~ScopedPromptDeferral();
    ScopedPromptDeferral(const ScopedPromptDeferral&) = delete;
    ScopedPromptDeferral& operator=(const ScopedPromptDeferral&) = delete;
};

// Shows the notice now, or keeps it for the thread's outermost deferral. `stop` withdraws the box
// once it is shown, as for ShowPrompt.
void PostPrompt(const PromptRequest& request, std::stop_token stop = {});

} // namespace orv
