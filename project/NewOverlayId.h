#pragma once

#include <cstdint>
#include <functional>

namespace orv {

class QOverlayControlList;

// The ID of an overlay about to join the project's list: drawn until it is neither 0 (the views'
// "no overlay") nor 0xFFFFFFFF (-1, "none" where an ID is kept signed) nor the ID of an overlay the
// list already holds. Every place that makes an overlay (the editor's import, the webcam still, the
// probes page's snapshot) takes its ID from here.
//
// `draw` gives the candidates; without one they are a pseudo-random number plus the milliseconds of
// the system's steady clock. Should the draws keep hitting taken IDs, the lowest free ID is taken
// instead, so the call always ends.
uint32_t MakeNewOverlayId(const QOverlayControlList& overlays, const std::function<uint32_t()>& draw = {});

} // namespace orv
