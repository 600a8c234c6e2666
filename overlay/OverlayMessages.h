#pragma once

#include <cstdint>

// Numbers of the private messages of the overlay editor's windows.
namespace orv::OverlayMessage {

// The placement changed: the overlay view repaints at once; an owner takes it as the apply notice
// (wParam 1 for the description dialog, 0 for the probes page).
inline constexpr uint32_t kPlacementChanged = 10020;
// wParam: the overlay ID of a unit the user deleted.
inline constexpr uint32_t kPictureDeleted = 10027;
// A relayout at the client size the view has now.
inline constexpr uint32_t kRelayout = 5;

} // namespace orv::OverlayMessage
