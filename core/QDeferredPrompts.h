#pragma once

#include "platform/ui/Prompt.h"

#include <cstddef>

namespace orv {

// Boxes that model code raises while it may hold node locks. A box asked for on a thread that holds
// no QMutex shows at once; otherwise it waits in that thread's queue and shows when the thread gives
// back its last QMutex hold, in the order asked. No answer comes back: only boxes whose answer does
// not matter (a lone OK) belong here.
class QDeferredPrompts {
public:
    static void Show(PromptRequest request);
    // The boxes waiting on the calling thread.
    static std::size_t GetPendingCount();
    // Drops the boxes queued on the calling thread after the first `kept` (a read that is undone
    // takes back the boxes it raised).
    static void DiscardFrom(std::size_t kept);
    // Shows the calling thread's waiting boxes, unless it holds a QMutex. A box shown meanwhile may
    // queue further ones; they are shown in the same call.
    static void ShowPending();
};

} // namespace orv
