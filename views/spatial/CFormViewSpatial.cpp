#include "views/spatial/CFormViewSpatial.h"

#include <utility>

namespace orv {

namespace {
// Set at start-up on the user-interface thread, before any view exists.
CFormViewSpatial::Maker& MakerSlot() {
    static CFormViewSpatial::Maker maker;
    return maker;
}
} // namespace

CFormViewSpatial::~CFormViewSpatial() = default;

CFormViewSpatial::Maker CFormViewSpatial::InstallMaker(Maker maker) {
    return std::exchange(MakerSlot(), std::move(maker));
}

const CFormViewSpatial::Maker& CFormViewSpatial::GetMaker() {
    return MakerSlot();
}

} // namespace orv
