#pragma once

// What a newly received scan keeps of its node's options at the moment it is listed: where the
// overlay lay, the attenuation, the peak settings and the display ranges. One mapping, so that the
// saved scan carries the same fields a scan read from a project file does.

#include <cstdint>

namespace orv {

class CScanData;
class QNodeMediator;
class QOverlayOptions;
struct CScanAreaRecord;
struct QScanDataRecord;

// Placement value A of a scan taken with the probe-tracking camera on: the overlay follows the
// camera, so the stored placement is not the node's.
inline constexpr float kProbeTrackingPlacementValue = 50.0F;

// Fills the record's scan-area block, tail, peak hold, reference level and display count and value
// from the mediator's options (user-interface thread). Option sets the node lacks leave their
// fields as they are.
//
// Scan-area block: variant = overlay source kind, area word 0 = overlay ID. Variant 0: area byte 1 =
// show flag, area values 1-2 = placement values A and B, area words 1-4 = placement rectangle a, b,
// c, d. Other variants: area values 3-6 = the four picture values, area word 5 = the picture
// integer, area bytes 2-4 = the three picture flags. With probe tracking on, only the variant, the
// overlay ID and the show flag are taken, and placement value A is kProbeTrackingPlacementValue.
// Tail: value = attenuation (dB), bytes 1-2 = the attenuator's first two switches, byte 3 =
// "Measure Peaks".
void TakeOptionSnapshot(QNodeMediator& mediator, QScanDataRecord& record);

// The view settings a listed scan starts with: the spectral display's frequency window and levels
// with their auto bytes, and the spatial display's range with its auto byte. (The inverse of what a
// user composite takes from its scan.)
void ApplyViewSnapshot(QNodeMediator& mediator, CScanData& scan);

// The inverse of the scan-area block above: a scan's overlay and its placement become the node's
// overlay options, so that the node's next scans are placed the same way.
void TakeOverlayPlacement(const CScanAreaRecord& area, QOverlayOptions& overlay);

} // namespace orv
