#pragma once

// The main frame as the engine link, the state controller and the scan run see it: its message
// target, its status displays and the run's few fields. The frame owns one and hands it to the
// client side of the engine link, which it deletes (joining its threads) before this.

#include "protocol/CMainFrameLink.h"

#include <atomic>

namespace orv {

class CMainFrame;

class CMainFrameDisplayLink final : public CMainFrameLink {
public:
    explicit CMainFrameDisplayLink(CMainFrame& frame) : m_frame(frame) {}

    MessageTarget& GetMessageTarget() override;
    bool IsClosing() const override;

    void ShowScanStatus(int32_t code) override;
    void ShowScanningProgressFraction(double percent) override;
    void ShowPeakDetectionProgress(int32_t percent) override;
    void ShowScanningProgress(int32_t percent) override;
    void PostStatusText(const std::string& text) override;
    void ShowNotification(const std::string& text, int32_t durationMs) override;
    bool StopScanOfProject(int32_t projectId) override;

    int32_t GetScannerId() const override { return m_scannerId.load(); }
    void SetScannerId(int32_t id) override { m_scannerId.store(id); }
    bool IsContinuousRun() const override { return m_continuous.load(); }
    void SetContinuousRun(bool on) override { m_continuous.store(on); }
    bool IsRunStarted() const override { return m_runStarted.load(); }
    void SetRunStarted(bool on) override { m_runStarted.store(on); }

private:
    CMainFrame& m_frame;
    std::atomic<int32_t> m_scannerId{0};
    std::atomic<bool> m_continuous{false};
    std::atomic<bool> m_runStarted{false};
};

} // namespace orv
