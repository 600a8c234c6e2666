#pragma once

// Makes the frame of each frame class for the form view's factory; the program installs it at start
// (the window side's project code does not link the views).

#include "project/QViewFactory.h"
#include "project/QViewFrame.h"

#include <memory>

namespace orv {

class CHalvionView;

class CViewFrameMaker {
public:
    // The frame of the request's class, created (hidden) in the form view's frame area; null when it
    // could not be created.
    static std::unique_ptr<QViewFrame> Make(const QFrameRequest& request, CHalvionView& formView);
    // Makes Make the form view factory's frame maker, and the project's drop target follow the frames.
    static void Install();
};

} // namespace orv
