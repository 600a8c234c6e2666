#pragma once

// Doubles of what the communication layer reaches: a controller and a main frame that record every
// call and message, each message target on a MessageThread that the test pumps.

#include "platform/msg/MessageTarget.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayerController.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSetupScanCommand.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::test {

// Records the messages it receives (on the thread that pumps its MessageThread).
class RecordingTarget final : public MessageTarget {
public:
    explicit RecordingTarget(MessageThread& thread) : MessageTarget(thread) {}

    struct Received {
        uint32_t id;
        uint64_t wParam;
        int64_t lParam;
    };
    std::vector<Received> Messages() const;
    std::vector<Received> MessagesWithId(uint32_t id) const;
    void Clear();
    // Runs for each message before it is recorded (the answer of a Send).
    std::function<int64_t(Message&)> onMessage;

protected:
    int64_t HandleMessage(Message& message) override;

private:
    mutable std::mutex m_lock;
    std::vector<Received> m_messages;
};

class FakeMainFrame final : public CMainFrameLink {
public:
    explicit FakeMainFrame(MessageThread& thread) : target(thread) {}

    RecordingTarget target;
    std::atomic<bool> closing{false};

    MessageTarget& GetMessageTarget() override { return target; }
    bool IsClosing() const override { return closing.load(); }
    void ShowScanStatus(int32_t code) override { Record("ScanStatus " + std::to_string(code)); }
    void ShowScanningProgressFraction(double percent) override {
        Record("Fraction " + std::to_string(percent));
    }
    void ShowPeakDetectionProgress(int32_t percent) override { Record("Peak " + std::to_string(percent)); }
    void ShowScanningProgress(int32_t percent) override { Record("Progress " + std::to_string(percent)); }
    void PostStatusText(const std::string& text) override { Record("StatusText '" + text + "'"); }
    void ShowNotification(const std::string& text, int32_t /*durationMs*/) override {
        Record("Notification " + text);
    }
    // The displays and texts shown, in order.
    std::vector<std::string> Shown() const {
        std::lock_guard<std::mutex> lock(m_shownLock);
        return m_shown;
    }
    bool StopScanOfProject(int32_t /*projectId*/) override { return false; }
    int32_t GetScannerId() const override { return m_scannerId.load(); }
    void SetScannerId(int32_t id) override { m_scannerId.store(id); }
    bool IsContinuousRun() const override { return m_continuous.load(); }
    void SetContinuousRun(bool on) override { m_continuous.store(on); }
    bool IsRunStarted() const override { return m_runStarted.load(); }
    void SetRunStarted(bool on) override { m_runStarted.store(on); }

private:
    void Record(std::string text) {
        std::lock_guard<std::mutex> lock(m_shownLock);
        m_shown.push_back(std::move(text));
    }

    mutable std::mutex m_shownLock;
    std::vector<std::string> m_shown;
    std::atomic<int32_t> m_scannerId{-1};
    std::atomic<bool> m_continuous{false};
    std::atomic<bool> m_runStarted{false};
};

// Records each call as a text ("SendGo 1", "Ack 4", "State 2", ...).
class FakeController final : public QCommLayerController {
public:
    // The target's handler takes the packet of a progress-indicator send, as the controller does.
    explicit FakeController(MessageThread& thread);

    RecordingTarget target;
    std::atomic<bool> driverSent{true};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> continuous{false};
    std::atomic<int32_t> state{0};
    std::atomic<int32_t> manualDriver{0};
    // Runs inside the step of code 1 (a test that sends from the worker).
    std::function<void()> onSetupStep;
    // Runs inside EndWorkflow.
    std::function<void()> onEndWorkflow;

    std::vector<std::string> Calls() const;
    // Waits (bounded) until `count` calls were recorded.
    bool WaitForCalls(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // The last set-up reply handed over.
    QSetupScanCommand LastSetupReply() const;
    std::size_t ProgressIndicators() const { return m_indicators.load(); }

    void SendSetupScan(uint8_t flag) override;
    void SendGo(uint8_t flag) override { Record("SendGo " + std::to_string(flag)); }
    void SendStop(uint8_t flag) override { Record("SendStop " + std::to_string(flag)); }
    void DetectScannerId(uint8_t flag) override { Record("DetectScannerId " + std::to_string(flag)); }
    void DetectEngineVersion(uint8_t flag) override { Record("DetectEngineVersion " + std::to_string(flag)); }
    bool SetSpectrumAnalyzerDriver(QNodeMediator* context, int32_t driverId, int32_t analyzerId,
                                   QSettingsPage* page) override;

    void SetupScanCommandAck(QSetupScanCommand& reply) override;
    void GoCommandAck(QGoCommand& /*reply*/) override { Record("Ack 2"); }
    void StopCommandAck(QStopCommand& /*reply*/) override { Record("Ack 3"); }
    void SetSpectrumAnalyzerDriverCommandAck(QSetSpectrumAnalyzerDriverCommand& /*reply*/) override {
        Record("Ack 4");
    }
    void QueryScanHeadCommandAck(QQueryScanHeadCommand& /*reply*/) override { Record("Ack 5"); }
    void CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& /*reply*/) override { Record("Ack 6"); }
    void ResetCommandAck(QResetSpectrumAnalyzerCommand& /*reply*/) override { Record("Ack 7"); }
    void ScanningEngineVersionCheckCommandAck(QScanningEngineVersionCheckCommand& /*reply*/) override {
        Record("Ack 8");
    }
    void CalibrationStopCommandAck(QStopCalibrationCommand& /*reply*/) override { Record("Ack 9"); }

    void SetState(int32_t value) override;
    int32_t GetState() const override { return state.load(); }
    void EndWorkflow(uint32_t reason) override;
    void SetManualDriver(int32_t analyzerId) override;

    bool IsStopRequested() const override { return stopRequested.load(); }
    bool IsContinuous() const override { return continuous.load(); }
    MessageTarget* GetNotificationTarget() override { return &target; }
    void SendScanProgressIndicator(std::unique_ptr<QScanProgressIndicator> packet,
                                   std::stop_token stop) override;

private:
    void Record(std::string call);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_calls;
    QSetupScanCommand m_lastSetup;
    std::atomic<std::size_t> m_indicators{0};
};

} // namespace orv::test
