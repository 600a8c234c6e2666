#pragma once

// An overlay placement applied in the editor, stored into a scan's area record: the description
// dialog and the spatial view keep a scan's placement the same way.

namespace orv {

struct COverlayPlacement;
struct CScanAreaRecord;
class QOverlayOptions;

// A drawing's placement into the record's variant-0 fields (turns, origin, extent). The node's
// overlay options, where there are any, get their first two picture flags set, as the views expect
// after a drawing was placed. The record's variant and overlay ID are the caller's.
void StoreDrawingPlacement(const COverlayPlacement& placement, CScanAreaRecord& area,
                           QOverlayOptions* options);

// A picture's (or snapshot's) placement into the record's fields of the other variants: the turns,
// the four fractions, the opacity (0 to 100) and the first two bytes set. The third byte, the
// record's variant and its overlay ID are the caller's.
void StorePicturePlacement(const COverlayPlacement& placement, CScanAreaRecord& area);

} // namespace orv
