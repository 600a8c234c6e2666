#pragma once

// Notices (boxes with a lone OK whose answer nobody reads) raised by code that may run under a device
// lock. A box waits for a person; the lock must not. While a ScopedPromptDeferral lives on a thread,
// the notices that thread posts are kept, and the outermost deferral shows them, in order, when it
// ends: the owner of the lock declares it before taking the lock, so the boxes come after the lock is
// released. Without a deferral a notice is shown at once. A notice equal to one already kept (a
// driver failing the same way on every cell of a scan) is kept once.

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

// The deferral's two ends for an owner that is not a scope (a lock whose lock and unlock open and
// close it). Every begin is matched by one end; the outermost end shows what was kept.
void BeginPromptDeferral();
void EndPromptDeferral();

// Shows the notice now, or keeps it for the thread's outermost deferral. `stop` withdraws the box
// once it is shown, as for ShowPrompt.
void PostPrompt(const PromptRequest& request, std::stop_token stop = {});

} // namespace orv
