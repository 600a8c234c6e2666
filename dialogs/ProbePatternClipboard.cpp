#include "dialogs/ProbePatternClipboard.h"

namespace orv {

ProbePatternClipboard& GetProbePatternClipboard() {
    static ProbePatternClipboard clipboard;
    return clipboard;
}

} // namespace orv
