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

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

// A main frame that shows nothing of the run (the tests look at the nodes and the engine instead).
class QuietMainFrame final : public CMainFrameLink {
public:
    explicit QuietMainFrame(MessageThread& thread) : m_target(thread) {}
    MessageTarget& GetMessageTarget() override { return m_target; }
    bool IsClosing() const override { return false; }
    void ShowScanStatus(int32_t /*code*/) override {}
    void ShowScanningProgressFraction(double /*percent*/) override {}
    void ShowPeakDetectionProgress(int32_t /*percent*/) override {}
    void ShowScanningProgress(int32_t /*percent*/) override {}
    void PostStatusText(const std::string& /*text*/) override {}
    void ShowNotification(const std::string& /*text*/, int32_t /*durationMs*/) override {}
    bool StopScanOfProject(int32_t /*projectId*/) override { return false; }
    int32_t GetScannerId() const override { return m_scannerId.load(); }
    void SetScannerId(int32_t id) override { m_scannerId.store(id); }
    bool IsContinuousRun() const override { return false; }
    void SetContinuousRun(bool /*on*/) override {}
    bool IsRunStarted() const override { return false; }
    void SetRunStarted(bool /*on*/) override {}

private:
    class Silent final : public MessageTarget {
    public:
        using MessageTarget::MessageTarget;

    protected:
        int64_t HandleMessage(Message& /*message*/) override { return 0; }
    } m_target;
    std::atomic<int32_t> m_scannerId{-1};
};

// Connects the no-scanner driver and the placeholder in the engine, wires the controller and the
// layer to the frame and the engine's pipes, makes `link`, and runs the start-up to state 2 with the
// driver's reply in; then records the placeholder as analyser 900 with the limits of its row.
::testing::AssertionResult ConnectPlaceholderRun(CEngineObjects& engine, QUIBBStateController& controller,
                                                 QCommLayer& layer, CMainFrameLink& frame, MessageThread& ui,
                                                 std::unique_ptr<QScanEngineLinkOverController>& link,
                                                 std::chrono::seconds bound);

} // namespace orv::test
