#pragma once

// The right-click menu of the heat maps that put two scans together (Compare Spatial and Blind Spot
// Reduction views), from menu 317: an input pane with its scan and the result pane get the pair's
// popup, an input pane still without its scan only Paste, the result pane without both inputs none.

#include "views/spatial/CSpatialView.h"

#include <cstdint>
#include <memory>

class QMenu;
class QPoint;

namespace orv {

class TfrmMainApp;

class CSpatialPairMenu {
public:
    // What the menu is built from.
    struct State {
        // 0 and 1 the input panes, 2 the result.
        int32_t pane = 0;
        // The pane's own input is there (panes 0 and 1).
        bool paneScan = false;
        bool bothScans = false;
        bool pasteAllowed = false;
        bool threeD = false;
        bool zoomed = false;
    };

    // The popup for the state, items removed and greyed; null where the pane offers no menu.
    static std::unique_ptr<QMenu> Build(const State& state);
    // Runs the menu at the screen point (through the view's runner when it has one) and answers the
    // command chosen; 0 for none or a greyed entry.
    static uint32_t Run(QMenu& menu, const QPoint& screen, const CSpatialView::MenuRunner& runner);
    // Whether the project's copy slot holds the scan of a Spatial node of the project. The slot's
    // node is asked for its kind only once the project confirms the node is still one of its own.
    static bool CanPasteCopiedScan(const TfrmMainApp* project);
    // The copy slot's scan into the view's pane shown, when the slot allows it.
    static void PasteCopiedScan(CSpatialView& view, const TfrmMainApp* project);
};

} // namespace orv
