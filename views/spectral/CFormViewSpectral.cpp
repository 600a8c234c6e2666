#include "views/spectral/CFormViewSpectral.h"

#include <utility>

namespace orv {

namespace {
// Set at start-up on the user-interface thread, before any view exists.
CFormViewSpectral::Maker& MakerSlot() {
    static CFormViewSpectral::Maker maker;
    return maker;
}
} // namespace

CFormViewSpectral::~CFormViewSpectral() = default;

CFormViewSpectral::Maker CFormViewSpectral::InstallMaker(Maker maker) {
    return std::exchange(MakerSlot(), std::move(maker));
}

const CFormViewSpectral::Maker& CFormViewSpectral::GetMaker() {
    return MakerSlot();
}

} // namespace orv
