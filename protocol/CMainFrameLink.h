#pragma once

#include <cstdint>
#include <string>

namespace orv {

class MessageTarget;

// What the engine link, the state controller and the scan run ask of the application's main frame:
// its message target, its status displays and the few fields they read and set. The window side
// implements it beside its main window; tests record.
//
// Whoever holds one holds it for less than the frame lives: the frame makes and deletes the
// communication layer and the controller, and deletes them (joining their threads) before itself.
class CMainFrameLink {
public:
    // Messages the frame's target receives.
    static constexpr uint32_t kMsgAnalyzerConnected = 10025;     // wParam 0, lParam 0
    static constexpr uint32_t kMsgScanStatus = 10026;            // lParam: the status code
    static constexpr uint32_t kMsgAnalyzerSetupProgress = 10037; // lParam: percent
    static constexpr uint32_t kMsgStatusTextChanged = 10040;

    CMainFrameLink() = default;
    CMainFrameLink(const CMainFrameLink&) = delete;
    CMainFrameLink& operator=(const CMainFrameLink&) = delete;
    virtual ~CMainFrameLink();

    // The frame's target, on the user-interface thread.
    virtual MessageTarget& GetMessageTarget() = 0;
    // True once the frame has begun to close; it then counts as no longer there.
    virtual bool IsClosing() const = 0;

    // Displays.
    virtual void ShowScanStatus(int32_t code) = 0;
    virtual void ShowScanningProgressFraction(double percent) = 0;
    virtual void ShowPeakDetectionProgress(int32_t percent) = 0;
    virtual void ShowScanningProgress(int32_t percent) = 0;
    virtual void PostStatusText(const std::string& text) = 0;
    // 0 or less: the frame's own duration.
    virtual void ShowNotification(const std::string& text, int32_t durationMs) = 0;
    virtual bool StopScanOfProject(int32_t projectId) = 0;

    // Fields.
    virtual int32_t GetScannerId() const = 0;
    virtual void SetScannerId(int32_t id) = 0;
    virtual bool IsContinuousRun() const = 0;
    virtual void SetContinuousRun(bool on) = 0;
    virtual bool IsRunStarted() const = 0;
    virtual void SetRunStarted(bool on) = 0;
};

} // namespace orv
