#include "dialogs/CPagePreferenceAnalyzer.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QDeviceInfoList.h"
#include "core/QManagers.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageWait.h"
#include "engine/EngineProcessFlags.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "protocol/QUIBBStateController.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <optional>

namespace orv {
namespace {

constexpr const char* kErrorCaption = "Error";

bool SameName(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::optional<_SupportedAnalyzerInfo> FindByName(const std::string& name) {
    for (const _SupportedAnalyzerInfo& row : GetInstrumentInfo().GetSupportedAnalyzers()) {
        if (SameName(row.m_DisplayName, name)) {
            return row;
        }
    }
    return std::nullopt;
}

// The driver number the device information names for an analyser: its text up to the first '*'.
int32_t ExpectedDriver(int32_t analyzerId) {
    std::string text = GetDeviceInfoList().GetNameById(analyzerId);
    text = text.substr(0, text.find('*'));
    size_t used = 0;
    return static_cast<int32_t>(StrToDoubleC(text, &used));
}

} // namespace

CPagePreferenceAnalyzer::CPagePreferenceAnalyzer(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::PreferenceAnalyzer, "Analyzer"), m_pMediator(&mediator),
      m_current(new QLineEdit(this)), m_set(new QPushButton("Set Analyzer", this)),
      m_force(new QPushButton("Force Driver", this)), m_combo(new QComboBox(this)),
      m_drivers(new QListWidget(this)), m_progress(new QProgressBar(this)) {
    setObjectName("366");
    m_current->setObjectName(QString::number(kCurrentId));
    m_current->setReadOnly(true);
    m_set->setObjectName(QString::number(kSetId));
    m_force->setObjectName(QString::number(kForceId));
    m_combo->setObjectName(QString::number(kComboId));
    m_drivers->setObjectName(QString::number(kDriverListId));
    m_progress->setObjectName(QString::number(kProgressId));
    m_progress->setTextVisible(false);
    m_progress->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Current Analyzer:", this), 0, 0);
    layout->addWidget(m_current, 0, 1, 1, 2);
    layout->addWidget(m_combo, 1, 0, 1, 2);
    layout->addWidget(m_set, 1, 2);
    layout->addWidget(m_drivers, 2, 0, 2, 2);
    layout->addWidget(m_force, 2, 2, Qt::AlignTop);
    layout->addWidget(m_progress, 4, 0, 1, 3);
    layout->setRowStretch(3, 1);

    connect(m_combo, &QComboBox::activated, this, [this] { OnSelectionChanged(); });
    connect(m_set, &QPushButton::clicked, this, [this] { OnSetAnalyzer(); });
    connect(m_force, &QPushButton::clicked, this, [this] { OnForceDriver(); });
}

CPagePreferenceAnalyzer::~CPagePreferenceAnalyzer() = default;

std::vector<std::string> CPagePreferenceAnalyzer::DriverNames(int32_t analyzerId) {
    if (analyzerId < 1) {
        return {"Invalid Driver"};
    }
    std::vector<std::string> names;
    const std::string text = GetAnalyzerInfoManager().GetName(analyzerId);
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('+', start);
        std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const size_t first = piece.find_first_not_of(" \t");
        piece = first == std::string::npos ? std::string() : piece.substr(first);
        names.push_back(piece.substr(0, kMaxDriverNameChars));
        if (end == std::string::npos) {
            return names;
        }
        start = end + 1;
    }
}

void CPagePreferenceAnalyzer::FillDriverList(int32_t analyzerId) {
    m_drivers->clear();
    for (const std::string& name : DriverNames(analyzerId)) {
        m_drivers->addItem(QString::fromStdString(name));
    }
}

bool CPagePreferenceAnalyzer::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_pController = GetSheet() != nullptr ? GetSheet()->GetController() : nullptr;
    const CInstrumentInfo& info = GetInstrumentInfo();
    m_combo->clear();
    for (const _SupportedAnalyzerInfo& row : info.GetSupportedAnalyzers()) {
        m_combo->addItem(QString::fromStdString(row.m_DisplayName));
    }
    m_drivers->setFocus();
    _SupportedAnalyzerInfo current;
    const bool found = info.FindAnalyzerByID(info.GetSelectedAnalyzerID(), current);
    if (found) {
        m_current->setText(QString::fromStdString(current.m_DisplayName));
        // By the whole name: a name that begins another's must not select the other.
        m_combo->setCurrentIndex(
            m_combo->findText(QString::fromStdString(current.m_DisplayName), Qt::MatchFixedString));
    }
    m_set->setEnabled(false);
    m_force->setEnabled(false);
    FillDriverList(found ? current.m_AnalyzerID : info.GetSelectedAnalyzerID());
    return true;
}

void CPagePreferenceAnalyzer::ShowSheetButtons(bool show) {
    if (CNodeOptionsSheet* sheet = GetSheet()) {
        for (int id : {CNodeOptionsSheet::kOkId, CNodeOptionsSheet::kCancelId, CNodeOptionsSheet::kApplyId}) {
            if (QPushButton* button = sheet->GetButton(id)) {
                button->setVisible(show);
            }
        }
    }
}

bool CPagePreferenceAnalyzer::OnSetActive() {
    ShowSheetButtons(false);
    return CPropertyPage::OnSetActive();
}

bool CPagePreferenceAnalyzer::OnKillActive() {
    ShowSheetButtons(true);
    return CPropertyPage::OnKillActive();
}

void CPagePreferenceAnalyzer::OnSelectionChanged() {
    const std::string chosen = m_combo->currentText().toStdString();
    const std::optional<_SupportedAnalyzerInfo> row = FindByName(chosen);
    FillDriverList(row ? row->m_AnalyzerID : 0);
    const bool other = !SameName(m_current->text().toStdString(), chosen);
    m_set->setEnabled(other);
    m_force->setEnabled(other);
}

void CPagePreferenceAnalyzer::OnSetAnalyzer() {
    if (!GetInstrumentInfo().IsAnalyzerConnected()) {
        ShowPrompt("Please wait for a spectrum analyzer to be connected.", kErrorCaption, PromptButtons::Ok,
                   PromptIcon::None);
        return;
    }
    if (m_pController != nullptr && m_pController->GetState() == kScanningState) {
        ShowPrompt("This function may not be used during a scan.", kErrorCaption, PromptButtons::Ok,
                   PromptIcon::None);
        return;
    }
    const std::string name = m_combo->currentText().toStdString();
    const std::optional<_SupportedAnalyzerInfo> row = FindByName(name);
    const int32_t analyzerId = row ? row->m_AnalyzerID : 0;
    const int32_t expected = ExpectedDriver(analyzerId);
    if (m_pController == nullptr || !row ||
        !m_pController->SetSpectrumAnalyzerDriver(m_pMediator, row->m_DriverID, analyzerId, this)) {
        return;
    }

    QPointer<CPagePreferenceAnalyzer> alive(this);
    QPointer<CNodeOptionsSheet> sheet(GetSheet());
    QUIBBStateController* controller = m_pController;
    if (sheet != nullptr) {
        sheet->SetWaiting(true);
    }
    m_progress->setRange(0, kWaitTicks);
    m_progress->setValue(0);
    m_progress->show();
    const bool loaded = CPageWait::Run(
        kWaitTicks, [controller] { return controller->IsDriverReplyReceived(); },
        [alive](int ticks) {
            if (alive != nullptr) {
                alive->m_progress->setValue(ticks);
            }
        });
    if (sheet != nullptr) {
        sheet->SetWaiting(false);
    }
    if (alive == nullptr) {
        return; // the page went while the engine answered: nothing to show it on
    }
    m_progress->hide();
    const char* nameText = name.c_str();
    if (!loaded) {
        ShowPrompt(
            FormatC(
                "Timeout trying to connect to '%s' failed.\n\n Please check IO manager settings for '%s'.",
                nameText, nameText),
            kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        AddInformationMessage(1, "");
        AddInformationMessage(
            1, FormatC("Failed to manually setting spectrum analyzer driver for '%s' - timeout", nameText));
        return;
    }
    if (controller->GetAnalyzerOptions().GetLoadedDriverId() != expected) {
        ShowPrompt(FormatC("Connecting to '%s' failed.\n\n Please check IO manager settings for '%s'.",
                           nameText, nameText),
                   kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        AddInformationMessage(1, "");
        AddInformationMessage(
            1, FormatC("Failed to manually setting spectrum analyzer driver for '%s'", nameText));
        return;
    }
    controller->SetManualDriver(analyzerId);
    m_current->setText(QString::fromStdString(name));
    GetInstrumentInfo().SetSelectedAnalyzerID(analyzerId);
    m_set->setEnabled(false);
    m_force->setEnabled(false);
    AddInformationMessage(1, "");
    AddInformationMessage(1, FormatC("Manually set spectrum analyzer driver for '%s'", nameText));
}

void CPagePreferenceAnalyzer::OnForceDriver() {
    // The engine takes the driver without its identity test for this one attempt, whichever way it
    // ends.
    DriverChangeApplyFlag().store(1);
    struct ClearFlag {
        ~ClearFlag() { DriverChangeApplyFlag().store(0); }
    } clear;
    OnSetAnalyzer();
}

} // namespace orv
