#include "dialogs/CPagePreferenceSpectralDisplay.h"

#include "app/QtConversions.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "dialogs/PageControls.h"
#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <system_error>

namespace orv {
namespace {

// Names as the file system of the original program listed them: without regard to case (ASCII,
// the names are code-page bytes), the exact bytes deciding between names that differ only in case.
bool NameBefore(const std::string& a, const std::string& b) {
    const auto lower = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
    };
    const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                   [&](char x, char y) { return lower(x) < lower(y); });
    const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                      [&](char x, char y) { return lower(x) < lower(y); });
    return less || (!greater && a < b);
}

} // namespace

CPagePreferenceSpectralDisplay::CPagePreferenceSpectralDisplay(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::PreferenceSpectralDisplay, kCaption), m_pMediator(&mediator) {
    setObjectName(QString::number(kTemplateId));
    BuildControls();
}

CPagePreferenceSpectralDisplay::~CPagePreferenceSpectralDisplay() = default;

void CPagePreferenceSpectralDisplay::BuildControls() {
    // The three mode buttons are checked by the page itself: "Peak Only" may be checked from the
    // stored mode while it cannot be clicked.
    auto mode = [this](const char* text, int id) {
        auto* made = new QRadioButton(text, this);
        made->setObjectName(PageControlName(id));
        made->setAutoExclusive(false);
        connect(made, &QRadioButton::clicked, this, [this, made] { OnModeClicked(made); });
        return made;
    };
    m_compensation =
        MakePageCheck(*this, "Probe Compensation", kCompensation, [this] { OnCompensationClicked(); });
    m_correctionSets = MakePageCombo(*this, kCorrectionList);
    m_correctionSets->setMinimumWidth(200);
    m_correctionSets->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_allData = mode("All Data", kAllData);
    m_peakOnly = mode("Peak Only", kPeakOnly);
    m_thresholdMode = mode("Threshold", kThresholdMode);
    m_threshold = new QLineEdit(this);
    m_threshold->setObjectName(PageControlName(kThresholdEdit));
    m_threshold->setMinimumWidth(110);
    m_letters = MakePageCheck(*this, "Display Letter For Scanner", kLetters, [this] { MarkModified(); });
    m_colours = MakePageCombo(*this, kColourList);
    m_colours->setMinimumWidth(200);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_compensation, 0, 0, 1, 2);
    layout->addWidget(new QLabel("Compensation File:", this), 1, 0);
    layout->addWidget(m_correctionSets, 1, 1);
    layout->addWidget(m_allData, 2, 0, 1, 2);
    layout->addWidget(m_peakOnly, 3, 0, 1, 2);
    layout->addWidget(m_thresholdMode, 4, 0);
    layout->addWidget(m_threshold, 4, 1, Qt::AlignLeft);
    layout->addWidget(m_letters, 5, 0, 1, 2);
    layout->addWidget(new QLabel("Color Spectrum:", this), 6, 0);
    layout->addWidget(m_colours, 6, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(7, 1);

    // Every change of the threshold text, the user's or the page's own, marks the page modified.
    connect(m_threshold, &QLineEdit::textChanged, this, [this] { MarkModified(); });
    connect(m_colours, &QComboBox::activated, this, [this] { MarkModified(); });
    connect(m_correctionSets, &QComboBox::activated, this, [this] { MarkModified(); });
}

QWidget* CPagePreferenceSpectralDisplay::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

void CPagePreferenceSpectralDisplay::MarkModified() {
    if (!m_filling) {
        SetModified(true);
    }
}

std::vector<std::string> CPagePreferenceSpectralDisplay::ListCorrectionSets() {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entries(QCorrectionData::GetCorrectionFolder(), error);
    if (error) {
        return names;
    }
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) {
            break;
        }
        std::error_code ignored;
        if (entries->is_directory(ignored) &&
            std::filesystem::is_regular_file(entries->path() / kListFileName, ignored)) {
            names.push_back(entries->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end(), NameBefore);
    return names;
}

void CPagePreferenceSpectralDisplay::FillCorrectionFileList() {
    m_correctionSets->clear();
    const std::string wanted = GetScanHeadInfoManager().GetName(GetScannerContext().GetScannerId());
    bool found = false;
    for (const std::string& name : ListCorrectionSets()) {
        m_correctionSets->addItem(CodePageToQString(name));
        if (name == wanted) {
            m_correctionSets->setCurrentIndex(m_correctionSets->count() - 1);
            found = true;
        }
    }
    if (!found) {
        m_correctionSets->setCurrentIndex(-1);
        ShowPrompt(std::string(kMissingSetText) + "\"" + wanted + "\".", kWarningCaption, PromptButtons::Ok,
                   PromptIcon::Information);
    }
}

bool CPagePreferenceSpectralDisplay::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    const QSpectralDisplayOptions defaults;
    const QSpectralDisplayOptions* spectral = m_pMediator->GetSpectralDisplayOptions();
    if (spectral == nullptr) {
        spectral = &defaults;
    }
    m_filling = true;
    const bool compensation = spectral->IsProbeCompensation();
    m_compensation->setChecked(compensation);
    m_bCompensationAtStart = compensation ? 1 : 0;
    m_threshold->setText(
        QString::fromStdString(FormatC("%6.2f", static_cast<double>(spectral->GetDisplayThreshold()))));
    m_threshold->setEnabled(false);

    const uint8_t mode = spectral->GetDisplayMode();
    m_allData->setChecked(mode == kModeAllData);
    m_peakOnly->setChecked(mode == kModePeakOnly);
    m_thresholdMode->setChecked(mode == kModeThreshold);
    if (mode == kModeThreshold) {
        m_threshold->setEnabled(true);
    }
    m_nModeAtStart = mode;

    if (compensation) {
        m_allData->setEnabled(true);
        m_thresholdMode->setEnabled(true);
        m_peakOnly->setEnabled(false);
        m_correctionSets->setEnabled(true);
        FillCorrectionFileList();
        // The set chosen before, when it is still there.
        const int stored = m_correctionSets->findText(CodePageToQString(spectral->GetCorrectionSetName()),
                                                      Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (stored >= 0) {
            m_correctionSets->setCurrentIndex(stored);
        }
    } else {
        for (QWidget* control : std::initializer_list<QWidget*>{m_allData, m_peakOnly, m_thresholdMode,
                                                                m_threshold, m_correctionSets}) {
            control->setEnabled(false);
        }
    }

    const QSpatialDisplayOptions* spatial = m_pMediator->GetSpatialDisplayOptions();
    m_letters->setChecked(spatial != nullptr && spatial->UsesScannerLabels());
    m_colours->clear();
    m_colours->addItem("Pseudo Color");
    m_colours->addItem("Threshold");
    const int32_t palette = spatial != nullptr ? spatial->GetPaletteId() : kPseudoColour;
    m_colours->setCurrentIndex(palette == kPseudoColour ? 0 : palette == kThresholdColour ? 1 : -1);
    m_filling = false;
    return true;
}

void CPagePreferenceSpectralDisplay::OnCompensationClicked() {
    MarkModified();
    if (!m_compensation->isChecked()) {
        for (QWidget* control : std::initializer_list<QWidget*>{m_allData, m_peakOnly, m_thresholdMode,
                                                                m_threshold, m_correctionSets}) {
            control->setEnabled(false);
        }
        m_correctionSets->setCurrentIndex(-1);
        return;
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_allData, m_thresholdMode, m_threshold, m_correctionSets}) {
        control->setEnabled(true);
    }
    FillCorrectionFileList();
}

void CPagePreferenceSpectralDisplay::OnModeClicked(QRadioButton* chosen) {
    for (QRadioButton* button : {m_allData, m_peakOnly, m_thresholdMode}) {
        button->setChecked(button == chosen);
    }
    m_threshold->setEnabled(chosen == m_thresholdMode);
    MarkModified();
}

bool CPagePreferenceSpectralDisplay::OnApply() {
    QSpectralDisplayOptions* spectral = m_pMediator->GetSpectralDisplayOptions();
    QSpatialDisplayOptions* spatial = m_pMediator->GetSpatialDisplayOptions();
    if (spectral == nullptr || spatial == nullptr) {
        return CPropertyPage::OnApply();
    }
    const bool compensation = m_compensation->isChecked();
    spectral->SetProbeCompensation(compensation);
    spectral->SetCorrectionSetName(compensation ? QStringToCodePage(m_correctionSets->currentText())
                                                : std::string());
    // The switch belongs to the correction store, which is made first when no one has needed it yet.
    GetCorrectionData();
    QCorrectionData::SetSpectralCompensationOn(compensation);
    spatial->SetCompensation(compensation);

    if (m_allData->isChecked()) {
        spectral->SetDisplayMode(kModeAllData);
    } else if (m_peakOnly->isChecked()) {
        spectral->SetDisplayMode(kModePeakOnly);
    } else if (m_thresholdMode->isChecked()) {
        spectral->SetDisplayMode(kModeThreshold);
    }
    const bool rebuild = compensation || compensation != (m_bCompensationAtStart != 0);
    spectral->SetDisplayThreshold(SaturateToFloat(ReadTypedNumber(m_threshold->text())));
    spatial->SetUsesScannerLabels(m_letters->isChecked());
    if (m_colours->currentIndex() == 0) {
        spatial->SetPaletteId(kPseudoColour);
    } else if (m_colours->currentIndex() == 1) {
        spatial->SetPaletteId(kThresholdColour);
    }
    m_pMediator->RebuildAllNodeViews(rebuild);
    m_pMediator->MarkProjectModified();
    return CPropertyPage::OnApply();
}

} // namespace orv
