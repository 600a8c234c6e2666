#include "dialogs/CPageSpatialScan.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/QtConversions.h"
#include "app/controls/CMyComboBox1.h"
#include "core/QAttachedScannerSource.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "dialogs/PageControls.h"
#include "dialogs/ScanPageTables.h"
#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <initializer_list>

namespace orv {
namespace {

QString Fixed(const char* format, float value) {
    return QString::fromStdString(FormatC(format, static_cast<double>(value)));
}

bool IsOneOf(uint16_t kind, std::initializer_list<uint16_t> kinds) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `line` begins with `prefix`, ignoring the case of ASCII letters only.
bool StartsWithIgnoringCase(const std::string& line, const std::string& prefix) {
    if (prefix.size() > line.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(line[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool AdapterWithMotors() {
    return GetInstrumentInfo().GetProbeType() == eProbeType::ExternalAdapter &&
           AttachedAdapterSupportsMotors();
}

} // namespace

CPageSpatialScan::CPageSpatialScan(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::SpatialScan, kCaption), m_pMediator(&mediator) {
    BuildControls();
}

CPageSpatialScan::~CPageSpatialScan() = default;

void CPageSpatialScan::BuildControls() {
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const auto changed = [this] { MarkModified(); };
    auto label = [this](const char* text, int id = 0) { return MakePageLabel(*this, text, id); };
    auto edit = [this, changed](int id) { return MakePageEdit(*this, id, changed); };
    auto spin = [this](int id) { return MakePageSpin(*this, id); };
    auto check = [this, changed](const char* text, int id) {
        return MakePageCheck(*this, text, id, changed);
    };
    auto list = [this](int id) { return MakePageCombo(*this, id); };

    m_centerEdit = edit(kCenterEdit);
    m_centerSpin = spin(kCenterSpin);
    m_rbwList = new CMyComboBox1(this);
    m_rbwList->setObjectName(PageControlName(kRbwList));
    m_referenceEdit = edit(kReferenceEdit);
    m_referenceSpin = spin(kReferenceSpin);
    m_peakHold = check("Peak Hold", kPeakHold);
    m_averaging = check("Spatial Averaging", kAveraging);
    m_replaceData = check("Replace Data When Running Continuously", kReplaceData);
    m_interleaved = new QCheckBox("Interleaved Scan", this);
    m_interleaved->setObjectName(PageControlName(kInterleaved));
    m_levelList = list(kLevelList);
    m_levelLabel = label("Control Level", kLevelLabel);
    m_scanIdList = list(kScanIdList);
    m_peakList = list(kPeakList);
    // The frequencies keep their columns.
    m_peakList->setMinimumContentsLength(18);
    m_dcCoupled = check("Spectrum Analyzer in DC Coupled Mode", kDcCoupled);
    m_averagingEdit = edit(kAveragingEdit);
    m_averagingSpin = spin(kAveragingSpin);
    m_averagingLabel = label("Averaging", kAveragingLabel);
    m_samplesEdit = edit(kSamplesEdit);
    m_samplesLabel = label("Samples Per Second:", kSamplesLabel);
    m_sweepsEdit = edit(kSweepsEdit);
    m_sweepsLabel = label("Sweeps Per Cell:", kSweepsLabel);
    m_sweepsList = list(kSweepsList);
    m_useSameView = check("Use Same View Setting", kUseSameView);

    grid->addWidget(label("Center Frequency"), 0, 0);
    grid->addWidget(m_centerEdit, 0, 1);
    grid->addWidget(m_centerSpin, 0, 2);
    grid->addWidget(label("MHz"), 0, 3);
    grid->addWidget(label("RBW"), 1, 0);
    grid->addWidget(m_rbwList, 1, 1);
    grid->addWidget(label("Reference Level"), 2, 0);
    grid->addWidget(m_referenceEdit, 2, 1);
    grid->addWidget(m_referenceSpin, 2, 2);
    grid->addWidget(label("dBuV", kReferenceUnit), 2, 3);
    grid->addWidget(m_levelLabel, 3, 0);
    grid->addWidget(m_levelList, 3, 1, 1, 3);
    grid->addWidget(label("Scan Data ID:"), 4, 0);
    grid->addWidget(m_scanIdList, 4, 1, 1, 3);
    grid->addWidget(label("Peak Marker List"), 5, 0);
    grid->addWidget(m_peakList, 5, 1, 1, 3);
    grid->addWidget(m_averagingLabel, 6, 0);
    grid->addWidget(m_averagingEdit, 6, 1);
    grid->addWidget(m_averagingSpin, 6, 2);
    grid->addWidget(m_samplesLabel, 7, 0);
    grid->addWidget(m_samplesEdit, 7, 1);
    grid->addWidget(m_sweepsLabel, 8, 0);
    grid->addWidget(m_sweepsEdit, 8, 1);
    grid->addWidget(m_sweepsList, 8, 2, 1, 2);

    grid->setColumnMinimumWidth(4, 24);
    grid->addWidget(m_peakHold, 0, 5);
    grid->addWidget(m_replaceData, 1, 5);
    grid->addWidget(m_interleaved, 2, 5);
    grid->addWidget(m_dcCoupled, 3, 5);
    // The controls the page always hides, below the others.
    grid->addWidget(m_averaging, 4, 5);
    grid->addWidget(m_useSameView, 5, 5);
    grid->setRowStretch(9, 1);
    grid->setColumnStretch(6, 1);

    m_centerSpin->SetDeltaHandler([this](int delta) { StepCenter(delta); });
    m_referenceSpin->SetDeltaHandler([this](int delta) { StepReferenceLevel(delta); });
    m_averagingSpin->SetDeltaHandler([this](int /*delta*/) { MarkModified(); });
    connect(m_rbwList, &QComboBox::currentIndexChanged, this, [this] { MarkModified(); });
    connect(m_levelList, &QComboBox::currentIndexChanged, this, [this] { MarkModified(); });
    // Only the user's choices count, also of the line already shown.
    connect(m_scanIdList, &QComboBox::activated, this, [this](int index) { OnScanIdChosen(index); });
    connect(m_peakList, &QComboBox::activated, this, [this](int index) { OnPeakChosen(index); });
    connect(m_peakHold, &QCheckBox::clicked, this, [this] { OnPeakHoldClicked(); });
    connect(m_averaging, &QCheckBox::clicked, this, [this] { OnAveragingClicked(); });
    connect(m_dcCoupled, &QCheckBox::clicked, this, [this] { OnDcCoupledClicked(); });
    connect(m_interleaved, &QCheckBox::clicked, this, [this] { OnInterleavedClicked(); });
}

QWidget* CPageSpatialScan::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

bool CPageSpatialScan::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    FillControls();
    EnableControls(!m_pMediator->IsScanInProgress());
    return true;
}

void CPageSpatialScan::EnableControls(bool enable) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_centerEdit, m_rbwList, m_referenceEdit, m_peakHold, m_replaceData,
                                         m_interleaved, m_centerSpin, m_referenceSpin, m_levelList}) {
        control->setEnabled(enable);
    }
}

void CPageSpatialScan::FillControls() {
    const QScanOptions* scan = m_pMediator->GetScanOptions();
    if (scan == nullptr) {
        return;
    }
    m_filling = true;
    const QSignalBlocker blockRbw(m_rbwList);
    const QSignalBlocker blockLevel(m_levelList);
    const uint16_t kind = m_pMediator->GetKind();

    m_centerEdit->setText(Fixed("%-9.3f", scan->GetCenterFrequency()));
    m_referenceEdit->setText(Fixed("%-9.3f", scan->GetReferenceLevel()));
    m_samplesEdit->setText(QString::number(scan->GetSamplesPerSecond()));
    m_sweepsEdit->setText(QString::number(scan->GetSpatialSweepsPerCell()));

    const QSpatialDisplayOptions* display = m_pMediator->GetSpatialDisplayOptions();
    m_bUseSameView = display != nullptr && display->UsesNodeSettings() ? 1 : 0;
    m_useSameView->setChecked(m_bUseSameView == 1);
    for (QWidget* hidden : std::initializer_list<QWidget*>{m_sweepsList, m_samplesLabel, m_samplesEdit,
                                                           m_useSameView, m_sweepsLabel, m_sweepsEdit}) {
        hidden->setVisible(false);
    }

    m_fRBW = scan->GetRBW();
    m_rbwList->clear();
    for (const RbwEntry& entry : kRbwTable) {
        m_rbwList->addItem(entry.text);
    }
    m_rbwList->setCurrentIndex(FindRbwEntry(m_fRBW));

    m_peakHold->setChecked(scan->IsPeakHold());
    m_replaceData->setChecked(scan->IsReplaceDataContinuous());
    m_dcCoupled->setChecked(scan->IsDcCoupled());
    m_averaging->setChecked(scan->IsAveraging());
    m_averagingEdit->setEnabled(false);

    if (IsOneOf(kind, {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode})) {
        m_replaceData->setVisible(false);
        m_interleaved->setVisible(false);
    }
    FillScanIdList();
    FillLevelList(*scan);
    m_interleaved->setChecked(scan->GetInterleavedScan() == 1);
    if (!IsOneOf(kind, {kTypeSpatialScanNode, kTypeProjectNode, kTypeModuleNode})) {
        m_levelList->setVisible(false);
        m_levelLabel->setVisible(false);
        m_interleaved->setVisible(false);
    }
    FillPeakMarkerList(m_pMediator->GetLinkedScanID());
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{m_averagingLabel, m_averagingEdit, m_averagingSpin, m_averaging}) {
        hidden->setVisible(false);
    }
    m_filling = false;
}

void CPageSpatialScan::FillScanIdList() {
    const QSignalBlocker block(m_scanIdList);
    m_scanIdList->clear();
    QNodeMediator* parent = m_pMediator->GetParentMediator();
    if (parent == nullptr) {
        return;
    }
    const uint16_t parentKind = parent->GetKind();
    if (parentKind != kTypeSpectralScanNode && parentKind != kTypeSpectralSpatialScanNode) {
        return;
    }
    // The parent's list is in the order the scans were made: the newest is its last.
    const std::vector<int32_t> ids = parent->GetScanIDs(parentKind);
    int selected = 0;
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        if (*id == m_pMediator->GetLinkedScanID()) {
            selected = m_scanIdList->count();
        }
        m_scanIdList->addItem(QString::fromStdString(FormatC(kScanIdFormat, *id)), *id);
    }
    if (m_scanIdList->count() > 0) {
        m_scanIdList->setCurrentIndex(selected);
    }
}

void CPageSpatialScan::FillLevelList(const QScanOptions& scan) {
    const eProbeType probe = GetInstrumentInfo().GetProbeType();
    const int stored = scan.GetControlLevel();
    size_t count = 1;
    if (probe == eProbeType::RobotArm) {
        count = 5;
    } else if (AdapterWithMotors()) {
        count = kLevelTable.size();
    }
    // The stored level is selected wherever the list offers it, so that an Apply that touched
    // nothing else keeps it.
    const int selected = stored < static_cast<int>(count) ? stored : 0;
    m_levelList->clear();
    for (size_t i = 0; i < count; ++i) {
        m_levelList->addItem(kLevelTable[i].text);
    }
    m_levelList->setCurrentIndex(selected);
}

void CPageSpatialScan::FillPeakMarkerList(int32_t scanID) {
    QNodeMediator* parent = m_pMediator->GetParentMediator();
    if (parent == nullptr) {
        return;
    }
    CScanData* scan = nullptr;
    int32_t newestID = -1;
    switch (parent->GetKind()) {
    case kTypeSpectralScanNode:
        scan = scanID >= 0 ? parent->FindSpectralScanData(scanID) : parent->GetLastSpectralScanData(newestID);
        break;
    case kTypeSpectralSpatialScanNode:
        scan = scanID >= 0 ? parent->FindSpectralSpatialScanData(scanID)
                           : parent->GetLastSpectralSpatialScanData(newestID);
        break;
    default:
        return;
    }

    const QSignalBlocker block(m_peakList);
    m_peakList->clear();
    m_peakMarkers.clear();
    if (scan == nullptr) {
        return;
    }
    const std::vector<QMeasuredFrequencyData::Entry> frequencies = parent->CopyMeasuredFrequencies(*scan);
    if (frequencies.empty()) {
        return;
    }
    std::vector<uint32_t> peaks;
    std::vector<float> peakFrequencies;
    parent->FindPeaks(*scan, peaks, peakFrequencies);
    std::sort(peaks.begin(), peaks.end());

    m_peakMarkers.reserve(frequencies.size());
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(frequencies.size()));
    for (const QMeasuredFrequencyData::Entry& entry : frequencies) {
        PeakMarkerEntry line;
        line.plain = FormatC("%-9.3f", static_cast<double>(entry.m_Frequency));
        line.displayed = std::binary_search(peaks.begin(), peaks.end(), entry.m_Index)
                             ? FormatC("%-9.3f ---  X", static_cast<double>(entry.m_Frequency))
                             : line.plain;
        lines.push_back(CodePageToQString(line.displayed));
        m_peakMarkers.push_back(std::move(line));
    }
    m_peakList->addItems(lines);

    const std::string typed = QStringToCodePage(m_centerEdit->text());
    int selected = 0;
    for (size_t i = 0; i < m_peakMarkers.size(); ++i) {
        if (StartsWithIgnoringCase(m_peakMarkers[i].displayed, typed)) {
            selected = static_cast<int>(i);
            break;
        }
    }
    m_peakList->setCurrentIndex(selected);
}

void CPageSpatialScan::OnScanIdChosen(int index) {
    if (m_filling || index < 0) {
        return;
    }
    const int32_t scanID = m_scanIdList->itemData(index).toInt();
    m_pMediator->SetLinkedScanID(scanID);
    FillPeakMarkerList(scanID);
}

void CPageSpatialScan::OnPeakChosen(int index) {
    if (m_filling || index < 0 || static_cast<size_t>(index) >= m_peakMarkers.size()) {
        return;
    }
    m_centerEdit->setText(CodePageToQString(m_peakMarkers[static_cast<size_t>(index)].plain));
    MarkModified();
}

bool CPageSpatialScan::OnSetActive() {
    setFocus(Qt::OtherFocusReason);
    return CPropertyPage::OnSetActive();
}

void CPageSpatialScan::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        RaiseSheet();
    }
    CPropertyPage::mousePressEvent(event);
}

void CPageSpatialScan::MarkModified() {
    if (!m_filling) {
        SetModified(true);
    }
}

float CPageSpatialScan::StepBandwidth() const {
    return RbwStep(m_rbwList->currentIndex(), m_fRBW);
}

void CPageSpatialScan::StepCenter(int delta) {
    const double step = StepBandwidth();
    const double value = ReadTypedNumber(m_centerEdit->text());
    m_centerEdit->setText(Fixed("%-8.3f", SaturateToFloat(delta < 1 ? value + step : value - step)));
    MarkModified();
}

void CPageSpatialScan::StepReferenceLevel(int delta) {
    const double next = NextReferenceLevel(ReadTypedNumber(m_referenceEdit->text()), delta);
    m_referenceEdit->setText(Fixed("%-8.3f", SaturateToFloat(next)));
    MarkModified();
}

void CPageSpatialScan::OnPeakHoldClicked() {
    if (m_peakHold->isChecked()) {
        m_averaging->setChecked(false);
    }
}

void CPageSpatialScan::OnAveragingClicked() {
    if (m_averaging->isChecked()) {
        m_peakHold->setChecked(false);
    }
}

void CPageSpatialScan::OnDcCoupledClicked() {
    if (m_dcCoupled->isChecked()) {
        std::string text = CPageSpectralScan::kDcCouplingText;
        text.pop_back();
        ShowPrompt(text, CPageSpectralScan::kDcCouplingCaption, PromptButtons::Ok, PromptIcon::Warning);
    }
}

std::string CPageSpatialScan::InterleavedNotice(bool robotArm) {
    std::string text = "You are going to enable an interleaved spatial scan.";
    text.append(36, ' ');
    text += "\n\n";
    text += "An interleaved spatial scan is used to reduce the blind spot in the measurement system. ";
    if (robotArm) {
        text += "The scan will take two steps to complete. In the second step, you will be asked to rotate ";
        text += "the attached probe 90 degrees\n";
    } else {
        text += "The scan will take two steps to complete. In the second step, you will be asked to move ";
        text += "the PCB one row up vertically.\n";
    }
    return text;
}

void CPageSpatialScan::OnInterleavedClicked() {
    MarkModified();
    // An adapter that turns the probe itself needs no second step from the user.
    if (AdapterWithMotors() || !m_interleaved->isChecked()) {
        return;
    }
    ShowPrompt(InterleavedNotice(GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm),
               kInformationCaption, PromptButtons::Ok, PromptIcon::Information);
}

bool CPageSpatialScan::OnApply() {
    QScanOptions* scan = m_pMediator->GetScanOptions();
    if (scan == nullptr) {
        return CPropertyPage::OnApply();
    }
    const float center = SaturateToFloat(ReadTypedNumber(m_centerEdit->text()));
    if (!(center > 0.0F)) {
        ShowPrompt(kNegativeCenterText, kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    const float oldCenter = scan->GetCenterFrequency();
    const float oldRbw = scan->GetRBW();
    const uint8_t oldLevel = scan->GetControlLevel();

    const uint16_t kind = m_pMediator->GetKind();
    if (kind != kTypeProjectNode && kind != kTypeModuleNode) {
        scan->SetStartFrequency(center);
        scan->SetStopFrequency(center);
    }
    scan->SetCenterFrequency(center);
    scan->SetReferenceLevel(SaturateToFloat(ReadTypedNumber(m_referenceEdit->text())));
    scan->SetSamplesPerSecond(SaturateToUInt32(TruncateTypedNumber(ReadTypedNumber(m_samplesEdit->text()))));
    scan->SetSpatialSweepsPerCell(
        SaturateToUInt32(TruncateTypedNumber(ReadTypedNumber(m_sweepsEdit->text()))));
    if (const int rbw = m_rbwList->currentIndex(); rbw >= 0 && rbw < static_cast<int>(kRbwTable.size())) {
        scan->SetRBW(kRbwTable[static_cast<size_t>(rbw)].megahertz);
    }
    scan->SetPeakHold(m_peakHold->isChecked());
    scan->SetReplaceDataContinuous(m_replaceData->isChecked());
    scan->SetDcCoupled(m_dcCoupled->isChecked());
    scan->SetAveraging(m_averaging->isChecked());
    if (const int level = m_levelList->currentIndex();
        level >= 0 && level < static_cast<int>(kLevelTable.size())) {
        scan->SetControlLevel(static_cast<uint8_t>(kLevelTable[static_cast<size_t>(level)].level));
    }
    scan->SetInterleavedScan(m_interleaved->isChecked() ? 1 : 0);
    if (QSpatialDisplayOptions* display = m_pMediator->GetSpatialDisplayOptions()) {
        display->SetUsesNodeSettings(m_useSameView->isChecked());
    }

    m_pMediator->RefreshAllViews();
    m_pMediator->MarkProjectModified();
    // Cells picked for the old frequency or level do not belong to the new one.
    if (scan->GetCenterFrequency() != oldCenter || scan->GetRBW() != oldRbw ||
        scan->GetControlLevel() != oldLevel) {
        m_pMediator->PostOptionsChanged(QFundamentalNodeMediator::kSelectionOptionsBit);
    }
    return CPropertyPage::OnApply();
}

} // namespace orv
