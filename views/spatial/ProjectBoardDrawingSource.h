#pragma once

#include "views/spatial/CSpatialView.h"

#include <functional>

namespace orv {

class TfrmMainApp;

// The board drawings a spatial view of a project paints: each time the view asks, the overlay is
// looked up by its id in the project's overlay list (the project may have dropped it since), and
// a drawing overlay is handed over turned by the asked quarter turns. The turned copy is kept for
// the next ask of the same drawing and turns. Runs on the user-interface thread, as the view's
// painting does.
//
// `project` answers the view's project (null: none) and is called on every ask.
CSpatialView::OverlayDrawListSource MakeProjectBoardDrawingSource(std::function<TfrmMainApp*()> project);

} // namespace orv
