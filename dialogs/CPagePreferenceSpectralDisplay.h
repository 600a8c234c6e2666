#pragma once

// "Display Options" of the Preferences sheet: the program-wide display preferences that the
// Preferences node keeps. Probe compensation with the correction set to use (the sub-folders of the
// program's correction folder that hold a list file), which spectral data are shown (all of them, or
// those above a threshold; peaks only is not offered), whether scanner columns are labelled with
// letters, and the colour spectrum of the heat maps. Apply stores them in the node's spectral and
// spatial display options, sets the program's compensation switch, and has every view of the project
// drawn again.

#include "dialogs/CPropertyPage.h"

#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace orv {

class QNodeMediator;

class CPagePreferenceSpectralDisplay : public CPropertyPage {
public:
    static constexpr int kTemplateId = 367;
    static constexpr int kCompensation = 1082;
    static constexpr int kAllData = 1083;
    static constexpr int kPeakOnly = 1084;
    static constexpr int kThresholdMode = 1085;
    static constexpr int kThresholdEdit = 1087;
    static constexpr int kLetters = 1110;
    static constexpr int kColourList = 1122;
    static constexpr int kCorrectionList = 1186;

    static constexpr const char* kCaption = "Display Options";
    static constexpr const char* kListFileName = "correctionfile.txt";
    static constexpr const char* kMissingSetText = "No correction file was found for ";
    static constexpr const char* kWarningCaption = "Warning";
    // The colour spectra the list offers, by their stored palette id.
    static constexpr int32_t kPseudoColour = -10;
    static constexpr int32_t kThresholdColour = 0;
    // The display modes.
    static constexpr uint8_t kModeAllData = 0;
    static constexpr uint8_t kModePeakOnly = 1;
    static constexpr uint8_t kModeThreshold = 2;

    explicit CPagePreferenceSpectralDisplay(QNodeMediator& mediator);
    ~CPagePreferenceSpectralDisplay() override;

    bool OnInitDialog() override;
    bool OnApply() override;
    // Nothing on this page waits for a scan's end.
    void EnableControls(bool /*enable*/) override {}

    // The correction sets found in the program's correction folder: the names of its sub-folders
    // that hold the list file, ordered by name without regard to case. Empty when the folder cannot
    // be read.
    static std::vector<std::string> ListCorrectionSets();
    // The list of sets made again, the connected scanner's own set selected; the warning when the
    // scanner has none there.
    void FillCorrectionFileList();

    QWidget* GetControl(int id) const;

private:
    void BuildControls();
    void OnCompensationClicked();
    void OnModeClicked(QRadioButton* chosen);
    void MarkModified();

    QNodeMediator* m_pMediator;
    uint8_t m_bCompensationAtStart = 0;
    uint8_t m_nModeAtStart = kModeThreshold;
    bool m_filling = false;

    QCheckBox* m_compensation = nullptr;
    QRadioButton* m_allData = nullptr;
    QRadioButton* m_peakOnly = nullptr;
    QRadioButton* m_thresholdMode = nullptr;
    QLineEdit* m_threshold = nullptr;
    QCheckBox* m_letters = nullptr;
    QComboBox* m_colours = nullptr;
    QComboBox* m_correctionSets = nullptr;
};

} // namespace orv
