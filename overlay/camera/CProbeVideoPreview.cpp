#include "overlay/camera/CProbeVideoPreview.h"

namespace orv {

void InitProbePreviewPlacement(ProbePreviewPlacement& placement) {
    placement = ProbePreviewPlacement{};
}

} // namespace orv
