#pragma once

// How the scan-data list opens the scan stitcher: the stitcher's library installs a maker at start
// that runs the dialog modally for a spatial node and answers its result; without one the request
// is logged and nothing is shown.
//
// User-interface thread only.

#include <functional>

class QWidget;

namespace orv {

class QNodeMediator;

class CStitchDialogMaker {
public:
    // Runs the dialog for the node over the parent; answers true when it was closed with OK.
    using Maker = std::function<bool(QNodeMediator& mediator, QWidget* parent)>;

    // Installs the maker and answers the one it replaces (tests put the old one back).
    static Maker Install(Maker maker);
    // False when the dialog was not accepted or there is no stitcher.
    static bool Run(QNodeMediator& mediator, QWidget* parent);
};

} // namespace orv
