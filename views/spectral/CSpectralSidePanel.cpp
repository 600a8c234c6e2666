#include "views/spectral/CSpectralSidePanel.h"

#include "app/controls/CMyEdit.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CScanData.h"
#include "views/spectral/CSpectralView.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

namespace orv {

namespace {

constexpr std::array<const char*, 4> kPageNames = {"View Options", "Peak Options", "Scale Options",
                                                   "Scan Options"};

constexpr CPagedSidePanel::OptionsCommands kOptionsCommands = {CSpectralSidePanel::kViewOptionCommand,
                                                               CSpectralSidePanel::kPeakOptionCommand,
                                                               CSpectralSidePanel::kScaleOptionCommand};

} // namespace

void CSpectralSidePanel::Install() {
    CFormViewSpectral::InstallMaker(
        [](CSpectralView& view, QWidget* parent) -> std::unique_ptr<CFormViewSpectral> {
            return std::make_unique<CSpectralSidePanel>(view, parent);
        });
}

CSpectralSidePanel::CSpectralSidePanel(CSpectralView& view, QWidget* parent)
    : CPagedSidePanel(kFormId, {kPeakHold, kAveraging}, parent), m_view(view) {
    AddOptionsButton(kOptionsButton);

    const std::array<std::pair<int, const char*>, 8> checks = {{{kGrid, "Grid"},
                                                                {kShowPeaks, "Show Peaks"},
                                                                {kLogScale, "Log Scale"},
                                                                {kFrequencyMarker, "Show Frequency Marker"},
                                                                {kPeakHold, "Peak Hold"},
                                                                {kAveraging, "Averaging"},
                                                                {kAutoFrequency, "Auto Scale Frequency"},
                                                                {kAutoAmplitude, "Auto Scale Amplitude"}}};
    for (const auto& [id, text] : checks) {
        auto* box = AddControl(id, new QCheckBox(QString::fromLatin1(text), this));
        connect(box, &QAbstractButton::clicked, this, [this, id = id] { OnCheck(id); });
    }
    for (auto [id, text] : {std::pair<int, const char*>{kDbuv, "dBuV"}, {kDbm, "dBm"}}) {
        auto* button = AddControl(id, new QRadioButton(QString::fromLatin1(text), this));
        connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnUnit(id == kDbuv ? 1U : 2U); });
    }
    const std::array<std::pair<int, const char*>, 6> labels = {
        {{kPeakNumberLabel, "Peak Number:"},
         {kThresholdLabel, "Peak Threshold Above\nAverage Noise"},
         {kFrequencyMinLabel, "Min:"},
         {kFrequencyMaxLabel, "Max:"},
         {kAmplitudeMinLabel, "Min:"},
         {kAmplitudeMaxLabel, "Max:"}}};
    for (const auto& [id, text] : labels) {
        AddControl(id, new QLabel(QString::fromLatin1(text), this));
    }
    for (int id : {kPeakNumberEdit, kThresholdEdit}) {
        auto* edit = AddControl(id, new CMyEdit(this));
        edit->SetPanels(this, nullptr);
        connect(edit, &QLineEdit::textEdited, this, [this] { m_bPeakEdited = true; });
    }
    for (int id : {kFrequencyMinEdit, kFrequencyMaxEdit, kAmplitudeMinEdit, kAmplitudeMaxEdit}) {
        auto* edit = AddControl(id, new CMyEdit(this));
        edit->SetPanels(this, nullptr);
        connect(edit, &QLineEdit::textEdited, this, [this] { m_bScaleEdited = true; });
    }
}

CSpectralSidePanel::~CSpectralSidePanel() {
    for (int* timer : {&m_nLayoutTimer, &m_nRefreshTimer}) {
        if (*timer != 0) {
            killTimer(*timer);
            *timer = 0;
        }
    }
}

// --- Reading the view and its node ---

QNodeMediator* CSpectralSidePanel::Mediator() const {
    return m_view.GetMediator();
}

QSpectralDisplayOptions* CSpectralSidePanel::NodeOptions() const {
    QNodeMediator* mediator = Mediator();
    return mediator != nullptr ? mediator->GetSpectralDisplayOptions() : nullptr;
}

CScanData* CSpectralSidePanel::ShownScan() const {
    return Mediator() != nullptr ? m_view.GetShownScanData() : nullptr;
}

bool CSpectralSidePanel::UsesNodeSettings() const {
    const QSpectralDisplayOptions* options = NodeOptions();
    QNodeMediator* mediator = Mediator();
    // As the plot reads its window: the node's when its settings apply or no scan keeps one.
    return options != nullptr && (ShownScan() == nullptr || options->UsesNodeSettings() ||
                                  (mediator != nullptr && mediator->AreNodeSettingsApplied()));
}

bool CSpectralSidePanel::ShowsFrequencyMarkerBox() const {
    QNodeMediator* mediator = Mediator();
    if (mediator == nullptr) {
        return false;
    }
    const uint16_t kind = mediator->GetKind();
    return (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode) &&
           ShownScan() != nullptr;
}

std::string CSpectralSidePanel::EditText(int id) const {
    return static_cast<QLineEdit*>(GetControl(id))->text().toStdString();
}

// --- Start, timers and layout ---

void CSpectralSidePanel::OnInitialUpdate() {
    m_nPage = kPageView;
    if (m_nLayoutTimer == 0) {
        m_nLayoutTimer = startTimer(kLayoutMilliseconds);
    }
    if (m_nRefreshTimer == 0) {
        m_nRefreshTimer = startTimer(kRefreshMilliseconds);
    }
}

void CSpectralSidePanel::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nLayoutTimer) {
        killTimer(m_nLayoutTimer);
        m_nLayoutTimer = 0;
        LayOutPage();
        RefreshChecks();
        return;
    }
    if (event->timerId() == m_nRefreshTimer) {
        RefreshChecks();
        return;
    }
    QWidget::timerEvent(event);
}

void CSpectralSidePanel::LayOutPage() {
    for (const auto& [id, control] : m_controls) {
        if (id != kOptionsButton) {
            control->hide();
        }
    }
    PlaceOptionsButton(kPageNames.at(static_cast<size_t>(m_nPage)));
    const int y = SidePanelLayout::kRowTop;
    const int h = SidePanelLayout::kRowHeight;
    const int x = SidePanelLayout::kRowLeft;
    switch (m_nPage) {
    case kPageView: {
        int right = Place(kGrid, x, y, W(40), h);
        right = Place(kShowPeaks, right + 15, y, W(80), h);
        right = Place(kLogScale, right + 15, y, W(80), h);
        const int units = right + 15;
        right = std::max(Place(kDbuv, units, SidePanelLayout::kUpperLine, W(60), h),
                         Place(kDbm, units, SidePanelLayout::kLowerLine, W(60), h));
        if (ShowsFrequencyMarkerBox()) {
            Place(kFrequencyMarker, right + 15, y, W(135), h);
        }
        break;
    }
    case kPagePeak: {
        int right = Place(kPeakHold, x, y, W(80), h);
        right = Place(kAveraging, right + 15, y, W(80), h);
        right = Place(kPeakNumberLabel, right + 15, y, W(85), h);
        right = Place(kPeakNumberEdit, right + 5, y - 3, 70, h + 6);
        right = Place(kThresholdLabel, right + 15, 6, 120, 32);
        Place(kThresholdEdit, right + 5, y - 3, 60, h + 6);
        UpdatePeakOptionFields();
        break;
    }
    case kPageScale:
        for (const auto& row :
             {std::array<int, 6>{SidePanelLayout::kScaleUpperRow, kAutoFrequency, kFrequencyMinLabel,
                                 kFrequencyMinEdit, kFrequencyMaxLabel, kFrequencyMaxEdit},
              std::array<int, 6>{SidePanelLayout::kScaleLowerRow, kAutoAmplitude, kAmplitudeMinLabel,
                                 kAmplitudeMinEdit, kAmplitudeMaxLabel, kAmplitudeMaxEdit}}) {
            const int top = row[0];
            int right = Place(row[1], x, top, W(135), h);
            right = Place(row[2], right + 15, top, W(30), h);
            right = Place(row[3], right + 5, top, 70, h);
            right = Place(row[4], right + 15, top, W(30), h);
            Place(row[5], right + 5, top, 70, h);
        }
        UpdateScaleOptionFields();
        break;
    default:
        break;
    }
    update();
}

// --- Refreshing from the node ---

void CSpectralSidePanel::RefreshChecks() {
    QNodeMediator* mediator = Mediator();
    const QSpectralDisplayOptions* options = NodeOptions();
    if (mediator == nullptr || options == nullptr) {
        return;
    }
    SetChecked(kGrid, options->ShowsGrid());
    SetChecked(kShowPeaks, options->MarksPeaks());
    RefreshPeakBoxes(*mediator);
    SetChecked(options->GetAmplitudeUnit() == 1U ? kDbuv : kDbm, true);
    SetChecked(kLogScale, options->IsLogFrequencyAxis());
    SetChecked(kFrequencyMarker, !options->HidesMarkers());
    // The marker box comes and goes with the shown data: the page is laid out again to place it.
    if (m_nPage == kPageView && GetControl(kFrequencyMarker)->isHidden() == ShowsFrequencyMarkerBox()) {
        LayOutPage();
    }
    // The scale page's automatic switches as the plot last used them.
    const bool nodeWindow = UsesNodeSettings();
    const CScanData* scan = ShownScan();
    bool frequencyAuto = true;
    bool amplitudeAuto = true;
    if (nodeWindow) {
        frequencyAuto = options->IsFrequencyAuto();
        amplitudeAuto = options->IsAmplitudeAuto();
    } else if (scan != nullptr) {
        frequencyAuto = scan->m_FrequencyAutoByte == 1;
        amplitudeAuto = scan->m_LevelAutoByte == 1;
    }
    SetChecked(kAutoFrequency, frequencyAuto);
    SetChecked(kAutoAmplitude, amplitudeAuto);
    GetControl(kFrequencyMinEdit)->setEnabled(!frequencyAuto);
    GetControl(kFrequencyMaxEdit)->setEnabled(!frequencyAuto);
    GetControl(kAmplitudeMinEdit)->setEnabled(!amplitudeAuto);
    GetControl(kAmplitudeMaxEdit)->setEnabled(!amplitudeAuto);
}

void CSpectralSidePanel::UpdateScaleOptionFields() {
    // The window the plot shows now: its first and last visible frequency and its amplitude axis, in
    // the display unit the plot is drawn in.
    const std::vector<TracePoint>& points = m_view.GetPoints();
    const int32_t first = m_view.GetFirstVisible();
    const int32_t last = m_view.GetLastVisible();
    auto set = [this](int id, const std::string& text) {
        static_cast<QLineEdit*>(GetControl(id))->setText(QString::fromStdString(text));
    };
    if (first >= 0 && last >= first && static_cast<size_t>(last) < points.size()) {
        set(kFrequencyMinEdit, FormatFrequencyField(points[static_cast<size_t>(first)].m_Frequency));
        set(kFrequencyMaxEdit, FormatFrequencyField(points[static_cast<size_t>(last)].m_Frequency));
    }
    set(kAmplitudeMinEdit, FormatAmplitudeField(static_cast<float>(m_view.GetAmpAxisMin())));
    set(kAmplitudeMaxEdit, FormatAmplitudeField(static_cast<float>(m_view.GetAmpAxisMax())));
}

void CSpectralSidePanel::UpdatePeakOptionFields() {
    const QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr) {
        return;
    }
    uint32_t count = options->GetPeakCount();
    float threshold = options->GetPeakThreshold();
    if (!UsesNodeSettings()) {
        if (CScanData* scan = ShownScan()) {
            const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
            count = scan->m_DisplayCount;
            threshold = scan->m_DisplayValue;
        }
    }
    static_cast<QLineEdit*>(GetControl(kPeakNumberEdit))
        ->setText(QString::fromStdString(FormatC("%u", count)));
    static_cast<QLineEdit*>(GetControl(kThresholdEdit))
        ->setText(QString::fromStdString(FormatAmplitudeField(threshold)));
}

// --- The "Options" menu ---

std::unique_ptr<QMenu> CSpectralSidePanel::BuildOptionsMenu(int page, bool hasData) {
    return BuildPageMenu(page, hasData, kOptionsCommands);
}

void CSpectralSidePanel::OnOptionsButton() {
    if (Mediator() == nullptr) {
        return;
    }
    RunOptionsMenu(ShownScan() != nullptr, kOptionsCommands);
}

// --- The controls ---

void CSpectralSidePanel::MarkModifiedAndRefresh() {
    QNodeMediator* mediator = Mediator();
    mediator->RefreshSpectralView();
    mediator->MarkProjectModified();
}

void CSpectralSidePanel::OnCheck(int id) {
    QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr || ShownScan() == nullptr) {
        return;
    }
    const bool on = IsChecked(id);
    switch (id) {
    case kGrid:
        options->SetShowsGrid(on);
        break;
    case kShowPeaks:
        options->SetMarksPeaks(on);
        break;
    case kLogScale:
        options->SetLogFrequencyAxis(on);
        break;
    case kFrequencyMarker:
        options->SetHidesMarkers(!on);
        break;
    case kPeakHold:
    case kAveraging:
        TogglePeakOption(*Mediator(), id, on);
        return;
    case kAutoFrequency:
        OnAutoFrequency(on);
        return;
    case kAutoAmplitude:
        OnAutoAmplitude(on);
        return;
    default:
        return;
    }
    MarkModifiedAndRefresh();
}

void CSpectralSidePanel::OnUnit(uint32_t unit) {
    QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr || ShownScan() == nullptr) {
        return;
    }
    if (options->GetAmplitudeUnit() != unit) {
        options->SetAmplitudeUnit(IsChecked(kDbuv) ? 1U : 2U);
        MarkModifiedAndRefresh();
    }
    setFocus(Qt::OtherFocusReason);
}

void CSpectralSidePanel::StoreFrequencyWindow(float low, float high, bool automatic) {
    if (UsesNodeSettings()) {
        QSpectralDisplayOptions* options = NodeOptions();
        options->SetFixedFrequencyRange(low, high);
        options->SetFrequencyAuto(automatic);
        return;
    }
    CScanData* scan = ShownScan();
    const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
    scan->m_LevelLow = low;
    scan->m_LevelHigh = high;
    scan->m_FrequencyAutoByte = automatic ? 1 : 0;
}

void CSpectralSidePanel::StoreAmplitudeWindow(float low, float high, bool automatic) {
    if (UsesNodeSettings()) {
        QSpectralDisplayOptions* options = NodeOptions();
        options->SetFixedAmplitudeRange(low, high);
        options->SetAmplitudeAuto(automatic);
        return;
    }
    CScanData* scan = ShownScan();
    const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
    scan->m_MarkerLow = low;
    scan->m_MarkerHigh = high;
    scan->m_LevelAutoByte = automatic ? 1 : 0;
}

void CSpectralSidePanel::OnAutoFrequency(bool on) {
    GetControl(kFrequencyMinEdit)->setEnabled(!on);
    GetControl(kFrequencyMaxEdit)->setEnabled(!on);
    CScanData* scan = ShownScan();
    float low = scan->m_StartFrequency;
    float high = scan->m_StopFrequency;
    if (!on) {
        // The window shown now stays as the fixed window.
        const std::vector<TracePoint>& points = m_view.GetPoints();
        const int32_t first = m_view.GetFirstVisible();
        const int32_t last = m_view.GetLastVisible();
        if (first >= 0 && last > first && static_cast<size_t>(last) < points.size()) {
            low = points[static_cast<size_t>(first)].m_Frequency;
            high = points[static_cast<size_t>(last)].m_Frequency;
        }
    }
    StoreFrequencyWindow(low, high, on);
    MarkModifiedAndRefresh();
}

void CSpectralSidePanel::OnAutoAmplitude(bool on) {
    GetControl(kAmplitudeMinEdit)->setEnabled(!on);
    GetControl(kAmplitudeMaxEdit)->setEnabled(!on);
    // The plot's own amplitude range, already in the display unit; when leaving the automatic scale
    // the axis shown now stays as the fixed range.
    const float low = on ? m_view.GetAmpMin() : static_cast<float>(m_view.GetAmpAxisMin());
    const float high = on ? m_view.GetAmpMax() : static_cast<float>(m_view.GetAmpAxisMax());
    StoreAmplitudeWindow(low, high, on);
    MarkModifiedAndRefresh();
}

void CSpectralSidePanel::ApplyEditedFields() {
    CScanData* scan = ShownScan();
    if (scan == nullptr || NodeOptions() == nullptr) {
        return;
    }
    if (m_nPage == kPageScale && m_bScaleEdited) {
        m_bScaleEdited = false;
        const ScaleLimits frequency = LimitFrequencyScale(ReadPanelNumber(EditText(kFrequencyMinEdit)),
                                                          ReadPanelNumber(EditText(kFrequencyMaxEdit)),
                                                          scan->m_StartFrequency, scan->m_StopFrequency);
        const ScaleLimits amplitude = LimitAmplitudeScale(ReadPanelNumber(EditText(kAmplitudeMinEdit)),
                                                          ReadPanelNumber(EditText(kAmplitudeMaxEdit)));
        StoreFrequencyWindow(frequency.minimum, frequency.maximum, IsChecked(kAutoFrequency));
        StoreAmplitudeWindow(amplitude.minimum, amplitude.maximum, IsChecked(kAutoAmplitude));
        MarkModifiedAndRefresh();
    } else if (m_nPage == kPagePeak && m_bPeakEdited) {
        m_bPeakEdited = false;
        const uint32_t count = LimitPeakNumber(ReadPanelNumber(EditText(kPeakNumberEdit)));
        const float threshold = LimitPeakThreshold(ReadPanelNumber(EditText(kThresholdEdit)));
        if (UsesNodeSettings()) {
            NodeOptions()->SetPeakCount(count);
            NodeOptions()->SetPeakThreshold(threshold);
        } else {
            const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
            scan->m_DisplayCount = count;
            scan->m_DisplayValue = threshold;
        }
        UpdatePeakOptionFields();
        MarkModifiedAndRefresh();
    }
}

// --- Mouse and painting ---

void CSpectralSidePanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || Mediator() == nullptr) {
        return;
    }
    m_view.ActivateView();
    ApplyEditedFields();
}

} // namespace orv
