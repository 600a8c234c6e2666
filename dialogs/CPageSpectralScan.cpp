#include "dialogs/CPageSpectralScan.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/CMainFrame.h"
#include "app/controls/CMyComboBox1.h"
#include "core/QAttachedScannerSource.h"
#include "core/QScanOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "dialogs/PageControls.h"
#include "dialogs/ScanPageTables.h"
#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeMediator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

namespace orv {
namespace {

QString Fixed3(float value) {
    return QString::fromStdString(FormatC("%-8.3f", static_cast<double>(value)));
}

bool IsOneOf(uint16_t kind, std::initializer_list<uint16_t> kinds) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

bool HandHeldClientConnected() {
    const CMainFrame* frame = CMainFrame::GetMainFrame();
    return frame != nullptr && frame->GetPipeClient() != nullptr;
}

} // namespace

CPageSpectralScan::CPageSpectralScan(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::SpectralScan, kCaption), m_pMediator(&mediator) {
    BuildControls();
}

CPageSpectralScan::~CPageSpectralScan() = default;

void CPageSpectralScan::BuildControls() {
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

    m_startEdit = edit(kStartEdit);
    m_startSpin = spin(kStartSpin);
    m_stopEdit = edit(kStopEdit);
    m_stopSpin = spin(kStopSpin);
    m_rbwList = new CMyComboBox1(this);
    m_rbwList->setObjectName(PageControlName(kRbwList));
    m_referenceEdit = edit(kReferenceEdit);
    m_referenceSpin = spin(kReferenceSpin);
    m_measurePeaks = check("Measure Peaks", kMeasurePeaks);
    m_maxPeaksEdit = edit(kMaxPeaksEdit);
    m_peakHold = check("Peak Hold", kPeakHold);
    m_averaging = check("Spectral Averaging", kAveraging);
    m_replaceData = check("Replace Data When Running Continuously", kReplaceData);
    m_levelList = new QComboBox(this);
    m_levelList->setObjectName(PageControlName(kLevelList));
    m_levelLabel = label("Control Level", kLevelLabel);
    m_interleaved = check("Interleaved Scan", kInterleaved);
    m_dcCoupled = check("Spectrum Analyzer in DC Coupled Mode", kDcCoupled);
    m_averagingEdit = edit(kAveragingEdit);
    m_averagingSpin = spin(kAveragingSpin);
    m_averagingLabel = label("Averaging", kAveragingLabel);
    m_sweepsEdit = edit(kSweepsEdit);
    m_sweepsLabel = label("Sweeps Per Cell:", kSweepsLabel);
    m_sweepsList = new QComboBox(this);
    m_sweepsList->setObjectName(PageControlName(kSweepsList));
    m_useSameView = check("Use Same View Setting", kUseSameView);

    grid->addWidget(label("Start Frequency"), 0, 0);
    grid->addWidget(m_startEdit, 0, 1);
    grid->addWidget(m_startSpin, 0, 2);
    grid->addWidget(label("MHz"), 0, 3);
    grid->addWidget(label("Stop Frequency"), 1, 0);
    grid->addWidget(m_stopEdit, 1, 1);
    grid->addWidget(m_stopSpin, 1, 2);
    grid->addWidget(label("MHz"), 1, 3);
    grid->addWidget(label("RBW"), 2, 0);
    grid->addWidget(m_rbwList, 2, 1);
    grid->addWidget(label("Reference Level"), 3, 0);
    grid->addWidget(m_referenceEdit, 3, 1);
    grid->addWidget(m_referenceSpin, 3, 2);
    grid->addWidget(label("dBuV", kReferenceUnit), 3, 3);
    grid->addWidget(m_levelLabel, 4, 0);
    grid->addWidget(m_levelList, 4, 1, 1, 3);
    grid->addWidget(m_averagingLabel, 5, 0);
    grid->addWidget(m_averagingEdit, 5, 1);
    grid->addWidget(m_averagingSpin, 5, 2);
    grid->addWidget(m_sweepsLabel, 6, 0);
    grid->addWidget(m_sweepsEdit, 6, 1);
    grid->addWidget(m_sweepsList, 6, 2, 1, 2);

    grid->setColumnMinimumWidth(4, 24);
    grid->addWidget(m_measurePeaks, 0, 5, 1, 2);
    grid->addWidget(label("Maximum Number Of Peaks:", kMaxPeaksLabel), 1, 5);
    grid->addWidget(m_maxPeaksEdit, 1, 6);
    grid->addWidget(m_peakHold, 2, 5, 1, 2);
    grid->addWidget(m_replaceData, 3, 5, 1, 2);
    grid->addWidget(m_dcCoupled, 4, 5, 1, 2);
    // The controls the page always hides, below the others.
    grid->addWidget(m_averaging, 5, 5, 1, 2);
    grid->addWidget(m_interleaved, 6, 5, 1, 2);
    grid->addWidget(m_useSameView, 7, 5, 1, 2);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(7, 1);

    m_startSpin->SetDeltaHandler([this](int delta) { StepFrequency(*m_startEdit, delta); });
    m_stopSpin->SetDeltaHandler([this](int delta) { StepFrequency(*m_stopEdit, delta); });
    m_referenceSpin->SetDeltaHandler([this](int delta) { StepReferenceLevel(delta); });
    m_averagingSpin->SetDeltaHandler([this](int /*delta*/) { MarkModified(); });
    connect(m_rbwList, &QComboBox::currentIndexChanged, this, [this] { MarkModified(); });
    connect(m_levelList, &QComboBox::currentIndexChanged, this, [this] { MarkModified(); });
    connect(m_peakHold, &QCheckBox::clicked, this, [this] { OnPeakHoldClicked(); });
    connect(m_averaging, &QCheckBox::clicked, this, [this] { OnAveragingClicked(); });
    connect(m_dcCoupled, &QCheckBox::clicked, this, [this] { OnDcCoupledClicked(); });
}

QWidget* CPageSpectralScan::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

bool CPageSpectralScan::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    FillControls();
    EnableControls(!m_pMediator->IsScanInProgress());
    return true;
}

void CPageSpectralScan::EnableControls(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_startEdit, m_stopEdit, m_rbwList, m_referenceEdit, m_peakHold, m_replaceData, m_startSpin,
             m_stopSpin, m_referenceSpin, m_measurePeaks, m_maxPeaksEdit}) {
        control->setEnabled(enable);
    }
}

void CPageSpectralScan::FillControls() {
    const QScanOptions* scan = m_pMediator->GetScanOptions();
    if (scan == nullptr) {
        return;
    }
    m_filling = true;
    const QSignalBlocker blockRbw(m_rbwList);
    const QSignalBlocker blockLevel(m_levelList);
    const uint16_t kind = m_pMediator->GetKind();

    m_maxPeaksEdit->setText(QString::number(scan->GetMaxPeaks()));
    m_startEdit->setText(Fixed3(scan->GetStartFrequency()));
    m_stopEdit->setText(Fixed3(scan->GetStopFrequency()));
    m_referenceEdit->setText(Fixed3(scan->GetReferenceLevel()));
    m_nSweepsPerCell = scan->GetSweepsPerCell();
    m_sweepsEdit->setText(QString::number(m_nSweepsPerCell));

    for (QWidget* hidden :
         std::initializer_list<QWidget*>{m_sweepsList, m_sweepsLabel, m_sweepsEdit, m_useSameView}) {
        hidden->setVisible(false);
    }
    const QSpectralDisplayOptions* display = m_pMediator->GetSpectralDisplayOptions();
    m_bUseSameView = display != nullptr && display->UsesNodeSettings() ? 1 : 0;
    m_useSameView->setChecked(m_bUseSameView != 0);

    m_fRBW = scan->GetRBW();
    m_rbwList->clear();
    for (const RbwEntry& entry : kRbwTable) {
        m_rbwList->addItem(entry.text);
    }
    m_rbwList->setCurrentIndex(FindRbwEntry(m_fRBW));

    m_measurePeaks->setChecked(scan->IsMeasurePeaks());
    m_peakHold->setChecked(scan->IsPeakHold());
    m_replaceData->setChecked(scan->IsReplaceDataContinuous());
    m_dcCoupled->setChecked(scan->IsDcCoupled());
    m_averaging->setChecked(scan->IsAveraging());
    m_averagingEdit->setEnabled(false);

    if (IsOneOf(kind, {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode,
                       kTypeSpectralSpatialScriptingModuleNode})) {
        m_replaceData->setVisible(false);
    }
    FillLevelList(*scan);
    m_interleaved->setChecked(scan->GetInterleavedScan() == 1);
    const bool showLevels = IsOneOf(kind, {kTypeSpectralSpatialScanNode, kTypeSpectralScanNode,
                                           kTypeHandHeldProbeScanNode, kTypeProjectNode, kTypeModuleNode});
    m_levelList->setVisible(showLevels);
    m_levelLabel->setVisible(showLevels);
    for (QWidget* hidden : std::initializer_list<QWidget*>{m_interleaved, m_averagingEdit, m_averagingLabel,
                                                           m_averagingSpin, m_averaging}) {
        hidden->setVisible(false);
    }
    m_filling = false;
}

void CPageSpectralScan::FillLevelList(const QScanOptions& scan) {
    const eProbeType probe = GetInstrumentInfo().GetProbeType();
    const uint16_t kind = m_pMediator->GetKind();
    const int stored = scan.GetControlLevel();
    size_t count = 1;
    int selected = 0;
    if (probe == eProbeType::UsbScannerBoard || kind == kTypeSpectralScanNode ||
        (kind == kTypeHandHeldProbeScanNode && !HandHeldClientConnected())) {
        count = 1;
    } else if (probe == eProbeType::RobotArm) {
        count = 3;
        selected = stored <= 2 ? stored : 0;
    } else if (probe == eProbeType::ExternalAdapter && AttachedAdapterSupportsMotors()) {
        count = kLevelTable.size();
        selected = stored < static_cast<int>(count) ? stored : 0;
    }
    m_levelList->clear();
    for (size_t i = 0; i < count; ++i) {
        m_levelList->addItem(kLevelTable[i].text);
    }
    m_levelList->setCurrentIndex(selected);
}

bool CPageSpectralScan::OnSetActive() {
    setFocus(Qt::OtherFocusReason);
    return CPropertyPage::OnSetActive();
}

void CPageSpectralScan::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        RaiseSheet();
    }
    CPropertyPage::mousePressEvent(event);
}

void CPageSpectralScan::MarkModified() {
    if (!m_filling) {
        SetModified(true);
    }
}

float CPageSpectralScan::StepBandwidth() const {
    return RbwStep(m_rbwList->currentIndex(), m_fRBW);
}

void CPageSpectralScan::StepFrequency(QLineEdit& edit, int delta) {
    const double step = StepBandwidth();
    const double value = ReadTypedNumber(edit.text());
    edit.setText(Fixed3(SaturateToFloat(delta < 1 ? value + step : value - step)));
    MarkModified();
}

void CPageSpectralScan::StepReferenceLevel(int delta) {
    const double next = NextReferenceLevel(ReadTypedNumber(m_referenceEdit->text()), delta);
    m_referenceEdit->setText(Fixed3(SaturateToFloat(next)));
    MarkModified();
}

void CPageSpectralScan::OnPeakHoldClicked() {
    if (m_peakHold->isChecked()) {
        m_averaging->setChecked(false);
    }
}

void CPageSpectralScan::OnAveragingClicked() {
    if (m_averaging->isChecked()) {
        m_peakHold->setChecked(false);
    }
}

void CPageSpectralScan::OnDcCoupledClicked() {
    if (m_dcCoupled->isChecked()) {
        ShowPrompt(kDcCouplingText, kDcCouplingCaption, PromptButtons::Ok, PromptIcon::Warning);
    }
}

bool CPageSpectralScan::Refuse(const char* text) {
    ShowPrompt(text, kErrorCaption, PromptButtons::Ok, PromptIcon::None);
    return false;
}

bool CPageSpectralScan::OnApply() {
    QScanOptions* scan = m_pMediator->GetScanOptions();
    if (scan == nullptr) {
        return CPropertyPage::OnApply();
    }
    const float start = SaturateToFloat(ReadTypedNumber(m_startEdit->text()));
    const float stop = SaturateToFloat(ReadTypedNumber(m_stopEdit->text()));
    if (start <= 0.0F || stop <= 0.0F) {
        return Refuse(kNegativeFrequencyText);
    }
    if (start >= stop) {
        return Refuse(kStartNotBelowStopText);
    }
    const int64_t peaks = TruncateTypedNumber(ReadTypedNumber(m_maxPeaksEdit->text()));
    if (peaks < 0) {
        return Refuse(kNegativePeaksText);
    }
    if (peaks > std::numeric_limits<uint16_t>::max()) {
        return Refuse(kTooManyPeaksText);
    }

    const float oldStart = scan->GetStartFrequency();
    const float oldStop = scan->GetStopFrequency();
    const float oldRbw = scan->GetRBW();
    const uint8_t oldLevel = scan->GetControlLevel();

    scan->SetMaxPeaks(static_cast<uint16_t>(peaks));
    scan->SetStartFrequency(start);
    scan->SetStopFrequency(stop);
    scan->SetReferenceLevel(SaturateToFloat(ReadTypedNumber(m_referenceEdit->text())));
    m_nSweepsPerCell = SaturateToUInt32(TruncateTypedNumber(ReadTypedNumber(m_sweepsEdit->text())));
    scan->SetSweepsPerCell(m_nSweepsPerCell);
    if (const int rbw = m_rbwList->currentIndex(); rbw >= 0 && rbw < static_cast<int>(kRbwTable.size())) {
        scan->SetRBW(kRbwTable[static_cast<size_t>(rbw)].megahertz);
    }
    scan->SetPeakHold(m_peakHold->isChecked());
    scan->SetMeasurePeaks(m_measurePeaks->isChecked());
    scan->SetReplaceDataContinuous(m_replaceData->isChecked());
    scan->SetDcCoupled(m_dcCoupled->isChecked());
    scan->SetAveraging(m_averaging->isChecked());
    if (const int level = m_levelList->currentIndex();
        level >= 0 && level < static_cast<int>(kLevelTable.size())) {
        scan->SetControlLevel(static_cast<uint8_t>(kLevelTable[static_cast<size_t>(level)].level));
    }
    scan->SetInterleavedScan(m_interleaved->isChecked() ? 1 : 0);
    if (QSpectralDisplayOptions* display = m_pMediator->GetSpectralDisplayOptions()) {
        display->SetUsesNodeSettings(m_useSameView->isChecked());
    }

    m_pMediator->RefreshAllViews();
    m_pMediator->MarkProjectModified();
    // Cells and frequencies picked for the old sweep do not belong to the new one.
    if (scan->GetStartFrequency() != oldStart || scan->GetStopFrequency() != oldStop ||
        scan->GetRBW() != oldRbw || scan->GetControlLevel() != oldLevel) {
        m_pMediator->PostOptionsChanged(QFundamentalNodeMediator::kSelectionOptionsBit);
    }
    return CPropertyPage::OnApply();
}

} // namespace orv
