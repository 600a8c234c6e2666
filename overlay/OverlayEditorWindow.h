#pragma once

// The overlay editor's window as its owners open, bring forward and close it: the description dialog
// and the scan probes page keep it as a window of their own, the spatial view as a free one.

#include <cstdint>
#include <string>

class QWidget;

namespace orv {

class COverlayViewFrame;
class COverlayViewOwner;
class TfrmMainApp;

// Brings the owner's open editor forward, restored when minimised; false when it has none open.
bool RaiseOverlayEditor(const COverlayViewOwner& owner);

// A new editor for the owner as a window of its own over `over` (the owner's widget): it covers the
// owner's area, takes input while the owner runs modally and goes with it.
COverlayViewFrame* OpenOverlayEditorOver(QWidget& over, COverlayViewOwner& owner, TfrmMainApp* project,
                                         const std::string& title);

// Selects the overlay of that ID in the owner's open editor; nothing when it has none open.
void SelectOverlayInEditor(const COverlayViewOwner& owner, uint32_t overlayId);

// Takes the owner's editor from it and deletes it at once, so no notice of it reaches the owner later.
void DeleteOverlayEditor(COverlayViewOwner& owner);

} // namespace orv
