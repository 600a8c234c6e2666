#include "protocol/QCommLayerController.h"

namespace orv {

QCommLayerController::~QCommLayerController() = default;

} // namespace orv
