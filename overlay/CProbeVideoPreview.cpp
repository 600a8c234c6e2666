#include "overlay/CProbeVideoPreview.h"

namespace orv {

void InitProbePreviewPlacement(ProbePreviewPlacement& placement) {
    placement = ProbePreviewPlacement{};
}

} // namespace orv
