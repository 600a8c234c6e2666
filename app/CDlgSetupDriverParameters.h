#pragma once

// "Driver Parameters": the three timing values of the scan set-up (gate length, delay after the
// switch, delay after the trigger). While the window is open the drivers use these values in place
// of their own tables; it opens with the analyser's own values for the set-up's bandwidth.

#include "engine/CDeviceManager.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace orv {

class MessageTarget;
class SetupScan;

class CDlgSetupDriverParameters : public QDialog {
public:
    static constexpr int kGateLengthId = 1196;
    static constexpr int kSwitchDelayId = 1164;
    static constexpr int kTriggerDelayId = 1197;
    static constexpr int kApplyId = 1198;
    static constexpr uint32_t kClosedMessage = 10044;

    // The analyser's timing for a bandwidth, empty when it cannot be read now (no analyser, or the
    // devices are busy): the set-up's own values are shown then.
    using TimingSource = std::function<std::optional<CDeviceManager::AnalyzerTiming>(float rbw)>;

    // `frame` receives 10044 when the user cancels; it destroys the window.
    CDlgSetupDriverParameters(SetupScan& setup, TimingSource timing, MessageTarget* frame,
                              QWidget* parent = nullptr);

    // Fills the three edits, with the manual timing off while the analyser's values are read.
    void FillValues();
    // Writes the three edits into the set-up's manual timing.
    void Apply();

    // A typed value as the set-up stores it: truncated, "abc" and "nan" 0, below 0 as 0 and above
    // the 32-bit range as its top.
    static uint32_t ParseTimingValue(const QString& text);

    QLineEdit& GetGateLengthEdit() const { return *m_gateLength; }
    QLineEdit& GetSwitchDelayEdit() const { return *m_switchDelay; }
    QLineEdit& GetTriggerDelayEdit() const { return *m_triggerDelay; }
    QPushButton& GetApplyButton() const { return *m_apply; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    SetupScan& m_setup;
    TimingSource m_timing;
    MessageTarget* m_frame;
    QLineEdit* m_gateLength = nullptr;
    QLineEdit* m_switchDelay = nullptr;
    QLineEdit* m_triggerDelay = nullptr;
    QPushButton* m_apply = nullptr;
    bool m_filling = false;
};

} // namespace orv
