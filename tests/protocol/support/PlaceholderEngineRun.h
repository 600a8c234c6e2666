#pragma once

// A scan run from the client through the in-process engine with the no-scanner driver and the
// placeholder analyser: the registries such a run needs, the start-up that connects and identifies
// the devices, and the test thread pumping as the user-interface thread.

#include "engine/CEngineObjects.h"
#include "platform/msg/MessageTarget.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace orv::test {

// The registries as the run needs them: the analyser table built, no driver set chosen, the 29 x 42
// board (head 255) known and "-NoSA" given. All put back on destruction, together with the
// placeholder's analyser record (900) that ConnectPlaceholderRun adds.
class PlaceholderRunRegistries {
public:
    PlaceholderRunRegistries();
    ~PlaceholderRunRegistries();
    PlaceholderRunRegistries(const PlaceholderRunRegistries&) = delete;
    PlaceholderRunRegistries& operator=(const PlaceholderRunRegistries&) = delete;
};

// The engine makes its placeholder analysers with this fixed seed.
void SeedPlaceholderAnalyzer(CEngineObjects& engine, uint32_t seed);

// Pumps `ui` as the user-interface thread until `condition` holds; false once `bound` has passed.
bool PumpUntil(MessageThread& ui, const std::function<bool()>& condition, std::chrono::seconds bound);

// Connects the no-scanner driver and the placeholder in the engine, wires the controller and the
// layer to the frame and the engine's pipes, makes `link`, and runs the start-up to state 2 with the
// driver's reply in; then records the placeholder as analyser 900 with the limits of its row.
::testing::AssertionResult ConnectPlaceholderRun(CEngineObjects& engine, QUIBBStateController& controller,
                                                 QCommLayer& layer, CMainFrameLink& frame, MessageThread& ui,
                                                 std::unique_ptr<QScanEngineLinkOverController>& link,
                                                 std::chrono::seconds bound);

} // namespace orv::test
