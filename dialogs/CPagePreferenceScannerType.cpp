#include "dialogs/CPagePreferenceScannerType.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/QtConversions.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageWait.h"
#include "dialogs/PageDevices.h"
#include "engine/CDeviceManager.h"
#include "platform/registry/SettingsStore.h"
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

#include <limits>
#include <optional>

namespace orv {
namespace {

constexpr const char* kErrorCaption = "Error";

// atoi's reading: blanks, a sign and the digits that follow, held to the 32-bit range.
int32_t LeadingInteger(std::string_view text) {
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos) {
        return 0;
    }
    bool negative = false;
    if (text[at] == '+' || text[at] == '-') {
        negative = text[at] == '-';
        ++at;
    }
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min<int64_t>((value * 10) + (text[at] - '0'), int64_t{1} << 32);
    }
    value = negative ? -value : value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A type word: decimal digits only, within 16 bits.
std::optional<uint16_t> TypeWord(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (const char digit : name) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        value = (value * 10) + static_cast<uint32_t>(digit - '0');
        if (value > std::numeric_limits<uint16_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<uint16_t>(value);
}

// The registry hands a string value over up to its first zero byte.
std::string UpToZero(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

CPagePreferenceScannerType::CPagePreferenceScannerType(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::PreferenceScannerType, "Scanner Type"), m_pMediator(&mediator),
      m_records(ReadScanHeadTypes()), m_current(new QLineEdit(this)),
      m_set(new QPushButton("Set Scanner Type", this)), m_combo(new QComboBox(this)),
      m_list(new QListWidget(this)), m_progress(new QProgressBar(this)) {
    setObjectName("484");
    m_current->setObjectName(QString::number(kCurrentId));
    m_current->setReadOnly(true);
    m_set->setObjectName(QString::number(kSetId));
    m_combo->setObjectName(QString::number(kComboId));
    m_list->setObjectName(QString::number(kListId));
    m_progress->setObjectName(QString::number(kProgressId));
    m_progress->setTextVisible(false);
    m_progress->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Current Scanner:", this), 0, 0);
    layout->addWidget(m_current, 0, 1, 1, 2);
    layout->addWidget(m_combo, 1, 0, 1, 2);
    layout->addWidget(m_set, 1, 2);
    layout->addWidget(m_list, 2, 0, 2, 3);
    layout->addWidget(m_progress, 4, 0, 1, 3);
    layout->setRowStretch(3, 1);

    connect(m_combo, &QComboBox::activated, this, [this] { OnSelectionChanged(); });
    connect(m_set, &QPushButton::clicked, this, [this] { OnSetScannerType(); });
}

CPagePreferenceScannerType::~CPagePreferenceScannerType() = default;

bool CPagePreferenceScannerType::ParseScanHeadType(const std::string& valueName, const std::string& data,
                                                   ScanHeadTypeRecord& record) {
    const std::optional<uint16_t> word = TypeWord(valueName);
    if (!word) {
        return false;
    }
    record = ScanHeadTypeRecord{};
    record.m_ScannerTypeValue = *word;
    // Each comma counts from the second character on: "<code>,<name>,<description>"; a text with no
    // comma left is all description, and without the code's comma the code is 0 (listed nowhere).
    std::string rest = data;
    if (const size_t comma = rest.find(',', 1); comma != std::string::npos) {
        record.m_ProbeTypeCode = LeadingInteger(std::string_view(rest).substr(0, comma));
        rest.erase(0, comma + 1);
    }
    if (const size_t comma = rest.find(',', 1); comma != std::string::npos) {
        record.m_Name = rest.substr(0, comma);
        rest.erase(0, comma + 1);
    }
    record.m_Description = std::move(rest);
    return true;
}

std::vector<ScanHeadTypeRecord> CPagePreferenceScannerType::ReadScanHeadTypes() {
    std::vector<ScanHeadTypeRecord> records;
    SettingsKey key;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::LocalMachine, kScanHeadsKey, SettingsAccess::Read,
                                          key) != SettingsStatus::kSuccess) {
        return records;
    }
    for (const SettingsValue& value : key.GetValues()) {
        if (value.type != SettingsValueType::String) {
            continue;
        }
        // What does not fit the registry's buffers (with the zero byte) cannot be read.
        const std::string name = UpToZero(value.name);
        const std::string data = UpToZero(value.data);
        if (name.size() >= kValueBuffer || data.size() >= kValueBuffer) {
            continue;
        }
        ScanHeadTypeRecord record;
        if (ParseScanHeadType(name, data, record)) {
            records.push_back(std::move(record));
        }
    }
    return records;
}

std::vector<std::string> CPagePreferenceScannerType::ListItemsFor(int32_t probeTypeCode) const {
    if (probeTypeCode < 1) {
        return {"Invalid Scanner Type"};
    }
    std::vector<std::string> items;
    for (const ScanHeadTypeRecord& record : m_records) {
        if (record.m_ProbeTypeCode == probeTypeCode) {
            items.push_back(record.m_Name);
            items.push_back(record.m_Description);
        }
    }
    return items;
}

void CPagePreferenceScannerType::FillList(int32_t probeTypeCode) {
    m_list->clear();
    for (const std::string& item : ListItemsFor(probeTypeCode)) {
        m_list->addItem(CodePageToQString(item));
    }
}

const ScanHeadTypeRecord* CPagePreferenceScannerType::FindByName(const std::string& name) const {
    for (const ScanHeadTypeRecord& record : m_records) {
        if (record.m_Name == name) {
            return &record;
        }
    }
    return nullptr;
}

bool CPagePreferenceScannerType::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_pController = GetSheet() != nullptr ? GetSheet()->GetController() : nullptr;
    const CInstrumentInfo& info = GetInstrumentInfo();
    const auto selected = static_cast<int32_t>(info.GetProbeType());
    m_combo->clear();
    int current = -1;
    for (const eProbeType detected : info.GetDetectedProbeTypes()) {
        for (const ScanHeadTypeRecord& record : m_records) {
            if (record.m_ProbeTypeCode != static_cast<int32_t>(detected)) {
                continue;
            }
            // The type in use is the first entry of the selected probe type.
            if (current < 0 && record.m_ProbeTypeCode == selected) {
                current = m_combo->count();
            }
            m_combo->addItem(CodePageToQString(record.m_Name));
        }
    }
    m_set->setEnabled(false);
    if (m_combo->count() == 0) {
        m_list->setFocus();
        return true;
    }
    m_combo->setCurrentIndex(current);
    if (current >= 0) {
        m_current->setText(m_combo->itemText(current));
    }
    FillList(selected);
    m_list->setFocus();
    return true;
}

void CPagePreferenceScannerType::UpdateSetButton() {
    m_set->setEnabled(m_combo->currentIndex() >= 0 && !SameName(m_current->text(), m_combo->currentText()));
}

void CPagePreferenceScannerType::OnSelectionChanged() {
    const std::string chosen = QStringToCodePage(m_combo->currentText());
    for (const ScanHeadTypeRecord& record : m_records) {
        if (record.m_Name == chosen) {
            FillList(record.m_ProbeTypeCode);
        }
    }
    UpdateSetButton();
}

void CPagePreferenceScannerType::OnSetScannerType() {
    if (m_pController != nullptr && m_pController->GetState() == kScanningState) {
        ShowPrompt("The setting of Scanner can only be done when no scanning is being performed.",
                   kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        return;
    }
    if (m_combo->currentIndex() < 0) {
        return;
    }
    const QString previous = m_current->text();
    const QString chosen = m_combo->currentText();
    m_current->setText(chosen);
    const ScanHeadTypeRecord* record = FindByName(QStringToCodePage(chosen));
    CInstrumentInfo& info = GetInstrumentInfo();
    if (record != nullptr) {
        info.SetProbeType(static_cast<eProbeType>(record->m_ProbeTypeCode));
    }
    const std::optional<uint16_t> typeValue =
        record != nullptr ? std::optional<uint16_t>(static_cast<uint16_t>(record->m_ScannerTypeValue))
                          : std::nullopt;
    m_set->setEnabled(false);
    // The connection thread connects the scanner of the new probe type at its next pass.
    info.SetScannerConnected(false);

    QPointer<CPagePreferenceScannerType> alive(this);
    QPointer<CNodeOptionsSheet> sheet(GetSheet());
    if (sheet != nullptr) {
        sheet->SetWaiting(true);
    }
    m_progress->setRange(0, kWaitTicks);
    m_progress->setValue(0);
    m_progress->show();
    // Done once the scanner is back and, when there is a type to give, the new scanner has it. The
    // write only tries the device manager's lock: while a connect holds it, the next tick tries again.
    const bool reconnected = CPageWait::Run(
        kWaitTicks,
        [&info, typeValue] {
            if (!info.IsScannerConnected()) {
                return false;
            }
            CDeviceManager* devices = GetPageDeviceManager();
            return !typeValue || devices == nullptr ||
                   devices->TrySetScannerTypeValue(*typeValue).has_value();
        },
        [alive](int ticks) {
            if (alive != nullptr) {
                alive->m_progress->setValue(ticks);
            }
        });
    if (sheet != nullptr) {
        sheet->SetWaiting(false);
    }
    if (alive == nullptr) {
        return; // the page went while the scanner reconnected: nothing to show it on
    }
    m_progress->hide();
    if (!reconnected) {
        ShowPrompt("The scanner did not reconnect. The scanner type was not set.", kErrorCaption,
                   PromptButtons::Ok, PromptIcon::None);
        m_current->setText(previous);
        UpdateSetButton();
    }
}

} // namespace orv
