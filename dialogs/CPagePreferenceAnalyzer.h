#pragma once

// "Analyzer" of the Preferences sheet: the spectrum analyser in use, the supported analysers with the
// drivers of the one chosen, and "Set Analyzer" / "Force Driver", which have the engine load the
// chosen analyser's driver (forced: without the engine's identity test) and wait up to 9 seconds for
// its answer. The page commits nothing on Apply; the sheet's OK, Cancel and Apply are hidden while it
// is shown.

#include "dialogs/CPropertyPage.h"

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace orv {

class QNodeMediator;
class QUIBBStateController;

class CPagePreferenceAnalyzer : public CPropertyPage {
public:
    static constexpr int kComboId = 1067;
    static constexpr int kSetId = 1068;
    static constexpr int kCurrentId = 1069;
    static constexpr int kForceId = 1070;
    static constexpr int kDriverListId = 1071;
    static constexpr int kProgressId = 1242;
    static constexpr int kWaitTicks = 90;
    static constexpr int kScanningState = 12;
    static constexpr std::size_t kMaxDriverNameChars = 999;

    explicit CPagePreferenceAnalyzer(QNodeMediator& mediator);
    ~CPagePreferenceAnalyzer() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    // Nothing on this page waits for a scan's end.
    void EnableControls(bool /*enable*/) override {}

    // The analyser information's driver names of an analyser: '+'-separated, each left-trimmed and
    // cut at kMaxDriverNameChars; "Invalid Driver" alone below ID 1.
    static std::vector<std::string> DriverNames(int32_t analyzerId);

    void OnSelectionChanged();
    void OnSetAnalyzer();
    void OnForceDriver();

    QComboBox& GetCombo() const { return *m_combo; }
    QLineEdit& GetCurrentEdit() const { return *m_current; }
    QListWidget& GetDriverList() const { return *m_drivers; }
    QPushButton& GetSetButton() const { return *m_set; }
    QPushButton& GetForceButton() const { return *m_force; }
    QProgressBar& GetProgress() const { return *m_progress; }

private:
    void FillDriverList(int32_t analyzerId);
    void ShowSheetButtons(bool show);

    QNodeMediator* m_pMediator;
    QUIBBStateController* m_pController = nullptr;
    QLineEdit* m_current;
    QPushButton* m_set;
    QPushButton* m_force;
    QComboBox* m_combo;
    QListWidget* m_drivers;
    QProgressBar* m_progress;
};

} // namespace orv
