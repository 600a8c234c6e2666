#pragma once

namespace orv {

// The bar strip a spectral view holds as a member. No window is ever made for it, so it has neither
// state nor behaviour; it keeps the view's members in their roles.
class CSpectralViewBar {};

} // namespace orv
