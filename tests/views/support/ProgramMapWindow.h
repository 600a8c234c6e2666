#pragma once

// The real program on an X server, and its Spectral/Spatial map once the node's frame shows it.

#include "app/project/CFormViewFactory.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <chrono>

namespace orv::testing {

// Runs only on an X server of its own (the real windows, not the offscreen platform), with the view frames
// the program installs at start.
class ProgramOnXServerTest : public QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CViewFrameMaker::Install();
    }
    void TearDown() override { CFormViewFactory::SetFrameMaker({}); }

    AcceptanceDriver m_driver;
};

// The node's map, shown and built at least once; null when that does not happen within 30 s.
inline CSpatialView* WaitForShownSpectralSpatialMap(QNodeMediator& node) {
    using namespace std::chrono_literals;
    CSpatialView* map = nullptr;
    const bool shown = ProcessEventsUntil(
        [&] {
            auto* frame =
                dynamic_cast<CSpectralSpatialViewFrame*>(node.GetFrame(QFrameClass::SpectralSpatial));
            map = frame != nullptr ? frame->GetSpatialPane() : nullptr;
            return map != nullptr && map->isVisible() && map->GetMapBuildCount() > 0;
        },
        30s);
    return shown ? map : nullptr;
}

} // namespace orv::testing
