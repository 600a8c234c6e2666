#include "views/spectral/QLinkedSpatialPane.h"

namespace orv {

QLinkedSpatialPane::~QLinkedSpatialPane() = default;

} // namespace orv
