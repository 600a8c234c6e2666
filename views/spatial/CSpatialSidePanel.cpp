#include "views/spatial/CSpatialSidePanel.h"

#include "app/controls/CMyButton.h"
#include "app/controls/CMyEdit.h"
#include "core/QOverlayOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "project/QScanOptionSnapshot.h"
#include "project/QViewFrame.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spatial/C3DSpatialView.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/SidePanelLook.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimerEvent>
#include <QToolBar>

#include <algorithm>
#include <array>
#include <mutex>

namespace orv {

namespace {

constexpr std::array<const char*, 5> kPageNames = {"View Options", "Peak Options", "Scale Options",
                                                   "Scan Options", "Overlay Options"};

constexpr CPagedSidePanel::OptionsCommands kOptionsCommands = {CSpatialSidePanel::kViewOptionCommand,
                                                               CSpatialSidePanel::kPeakOptionCommand,
                                                               CSpatialSidePanel::kScaleOptionCommand};

} // namespace

void CSpatialSidePanel::Install() {
    CFormViewSpatial::InstallMaker(
        [](CSpatialView& view, QWidget* parent) -> std::unique_ptr<CFormViewSpatial> {
            return std::make_unique<CSpatialSidePanel>(view, parent);
        });
}

CSpatialSidePanel::CSpatialSidePanel(CSpatialView& view, QWidget* parent)
    : CPagedSidePanel(kFormId, {kPeakHold, kAveraging}, parent), m_view(view),
      m_nTransparency(100 - view.GetCutOff()) {
    AddOptionsButton(kOptionsButton);

    const std::array<std::pair<int, const char*>, 10> checks = {
        {{kView3D, "View 3D"},
         {kGrid, "Grid"},
         {kInterpolation, "Interpolation"},
         {kOverlay, "Overlay"},
         {kSubGrid, "Sub-Grid"},
         {kPeakHold, "Peak Hold"},
         {kAveraging, "Averaging"},
         {kAutoScale, "Auto Scale Amplitude"},
         {kOverlayTransparency, "Overlay Transparency"},
         {kRepositionOverlay, "Reposition Overlay"}}};
    for (const auto& [id, text] : checks) {
        auto* box = AddControl(id, new QCheckBox(QString::fromLatin1(text), this));
        connect(box, &QAbstractButton::clicked, this, [this, id = id] { OnCheck(id); });
    }
    AddControl(kMinLabel, new QLabel(QStringLiteral("Min:"), this));
    AddControl(kMaxLabel, new QLabel(QStringLiteral("Max:"), this));
    m_minEdit = AddControl(kMinEdit, new CMyEdit(this));
    m_maxEdit = AddControl(kMaxEdit, new CMyEdit(this));
    for (CMyEdit* edit : {m_minEdit, m_maxEdit}) {
        edit->SetPanels(nullptr, this);
        // Only what the user types counts as an edit; the panel's own fills do not.
        connect(edit, &QLineEdit::textEdited, this, [this] { m_bScaleEdited = true; });
    }
    m_editOverlay = AddControl(kEditOverlay, new CMyButton(1, this));
    m_editOverlay->setText(QStringLiteral("Edit Overlay"));
    connect(m_editOverlay, &QAbstractButton::clicked, this, [this] { EditOverlay(); });

    m_unitGroup = AddControl(kUnitGroup, new QGroupBox(this));
    m_unitGroup->setFlat(true);
    auto* dbuv = new QRadioButton(QStringLiteral("dBuV"), m_unitGroup);
    auto* dbm = new QRadioButton(QStringLiteral("dBm"), m_unitGroup);
    for (auto [id, button] : {std::pair<int, QRadioButton*>{kDbuv, dbuv}, {kDbm, dbm}}) {
        // Inside the group, shown and hidden with it.
        RegisterControl(id, button);
        connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnUnit(id == kDbuv ? 1U : 2U); });
    }

    m_bar = AddControl(kTransparencyBar, new QScrollBar(Qt::Horizontal, this));
    m_bar->setRange(0, 100);
    m_bar->setPageStep(5);
    m_bar->setSingleStep(1);
    // The arrow keys move the value the way they point.
    m_bar->setInvertedControls(false);
    QPalette barColours = m_bar->palette();
    barColours.setColor(QPalette::Window, SidePanelColour(kBarColour));
    barColours.setColor(QPalette::Base, SidePanelColour(kBarColour));
    m_bar->setPalette(barColours);
    connect(m_bar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        TransparencyStep step = TransparencyStep::Other;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            step = TransparencyStep::LineLeft;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            step = TransparencyStep::LineRight;
            break;
        case QAbstractSlider::SliderPageStepSub:
            step = TransparencyStep::PageLeft;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            step = TransparencyStep::PageRight;
            break;
        case QAbstractSlider::SliderMove:
            step = TransparencyStep::Track;
            break;
        default:
            break;
        }
        OnTransparencyScroll(step, m_bar->sliderPosition());
    });
}

CSpatialSidePanel::~CSpatialSidePanel() {
    if (m_nStartTimer != 0) {
        killTimer(m_nStartTimer);
        m_nStartTimer = 0;
    }
    // A repositioning still under way gives the windows it disabled back.
    for (const QPointer<QWidget>& widget : m_disabledByReposition) {
        if (widget != nullptr) {
            widget->setEnabled(true);
        }
    }
}

// --- Reading the view and its node ---

QNodeMediator* CSpatialSidePanel::Mediator() const {
    return m_view.GetOverlayOwnerMediator();
}

QSpatialDisplayOptions* CSpatialSidePanel::NodeOptions() const {
    QNodeMediator* mediator = Mediator();
    return mediator != nullptr ? mediator->GetSpatialDisplayOptions() : nullptr;
}

CScanData* CSpatialSidePanel::ShownScan() const {
    QNodeMediator* mediator = Mediator();
    if (mediator == nullptr) {
        return nullptr;
    }
    switch (m_view.GetDisplayMode()) {
    case CSpatialView::kModeSpatial:
        return mediator->GetCurrentSpatialScanData();
    case CSpatialView::kModeSpectralSpatial:
    case CSpatialView::kModeLinkedSpectralSpatial:
        return mediator->GetCurrentSpectralSpatialScanData();
    case CSpatialView::kModeHandHeld:
        return mediator->GetCurrentHandHeldScanData();
    case CSpatialView::kModeComparison:
    case CSpatialView::kModeBlindSpot: {
        const int32_t pane = m_view.GetDisplayMode() == CSpatialView::kModeComparison
                                 ? m_view.GetComparisonPane()
                                 : m_view.GetBlindSpotPane();
        return pane == 2 ? mediator->GetComparedResult() : mediator->GetComparedScan(pane == 0);
    }
    default:
        return nullptr;
    }
}

bool CSpatialSidePanel::HasDisplayData() const {
    return ShownScan() != nullptr;
}

bool CSpatialSidePanel::UsesNodeScale() const {
    const QSpatialDisplayOptions* options = NodeOptions();
    QNodeMediator* mediator = Mediator();
    if (options == nullptr) {
        return false;
    }
    // As the map reads its range: the node's own when its settings apply or no scan keeps one.
    return options->UsesNodeSettings() || (mediator != nullptr && mediator->AreNodeSettingsApplied()) ||
           ShownScan() == nullptr;
}

// --- Start and layout ---

void CSpatialSidePanel::OnInitialUpdate() {
    m_nPage = kPageView;
    if (m_nStartTimer == 0) {
        m_nStartTimer = startTimer(kStartTimerMilliseconds);
    }
}

void CSpatialSidePanel::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_nStartTimer) {
        QWidget::timerEvent(event);
        return;
    }
    killTimer(m_nStartTimer);
    m_nStartTimer = 0;
    ShowPage(m_nPage);
}

void CSpatialSidePanel::HideAllPageControls() {
    for (const auto& [id, control] : m_controls) {
        if (id != kOptionsButton && id != kDbuv && id != kDbm) {
            control->hide();
        }
    }
}

void CSpatialSidePanel::LayOutPage() {
    HideAllPageControls();
    PlaceOptionsButton(kPageNames.at(static_cast<size_t>(m_nPage)));
    const int x = SidePanelLayout::kRowLeft;
    const int y = SidePanelLayout::kRowTop;
    const int h = SidePanelLayout::kRowHeight;
    switch (m_nPage) {
    case kPageView:
        LayOutViewPage();
        break;
    case kPagePeak:
        Place(kAveraging, Place(kPeakHold, x, y, W(80), h) + 15, y, W(80), h);
        break;
    case kPageScale: {
        int right = Place(kAutoScale, x, 16, W(135), 13);
        right = Place(kMinLabel, right + 15, y, W(30), h);
        right = Place(kMinEdit, right + 5, y - 3, 70, h + 6);
        right = Place(kMaxLabel, right + 15, y, W(30), h);
        Place(kMaxEdit, right + 5, y - 3, 70, h + 6);
        UpdateScaleOptionFields();
        break;
    }
    case kPageOverlay: {
        const int right =
            Place(kRepositionOverlay, Place(kEditOverlay, x, y - 4, W(80), h + 8) + 15, y, W(180), h);
        Place(kTransparencyBar, right + 10, y, W(100), h);
        break;
    }
    default:
        break;
    }
    RefreshChecks();
    update();
}

void CSpatialSidePanel::LayOutViewPage() {
    const int y = SidePanelLayout::kRowTop;
    const int h = SidePanelLayout::kRowHeight;
    const int view3DRight = Place(kView3D, SidePanelLayout::kRowLeft, y, W(60), h);
    if (m_view.Is3DShown()) {
        Place(kOverlay, view3DRight + 30, y, W(60), h);
        return;
    }
    const int gridRight = Place(kGrid, view3DRight + 15, y, W(40), h);
    const int interpolationRight = Place(kInterpolation, gridRight + 15, y, W(80), h);
    QWidget* dbuv = GetControl(kDbuv);
    QWidget* dbm = GetControl(kDbm);
    const int buttonWidth = std::max({W(70) - 10, dbuv->sizeHint().width(), dbm->sizeHint().width()});
    const int groupRight = Place(kUnitGroup, interpolationRight + 10, 0, buttonWidth + 10, 44);
    dbuv->setGeometry(5, SidePanelLayout::kUpperLine, buttonWidth, h);
    dbm->setGeometry(5, SidePanelLayout::kLowerLine, buttonWidth, h);
    int overlayRight = 0;
    if (m_view.HasOverlayPicture()) {
        const int left = groupRight + 10;
        overlayRight = Place(kOverlay, left, SidePanelLayout::kUpperLine, W(63), h);
        overlayRight = std::max(
            overlayRight, Place(kOverlayTransparency, left, SidePanelLayout::kLowerLine, 2 * W(63) - 1, 17));
    } else {
        overlayRight = Place(kOverlay, groupRight + 10, y, W(60), h);
    }
    Place(kSubGrid, overlayRight + 65, y, W(80), h);
}

// --- Refreshing from the node and the view ---

void CSpatialSidePanel::RefreshCurrentOptionTab() {
    RefreshChecks();
}

void CSpatialSidePanel::RefreshOverlayOptionTab() {
    if (m_nPage == kPageView) {
        LayOutPage();
    } else {
        RefreshChecks();
    }
}

void CSpatialSidePanel::RefreshChecks() {
    const QSpatialDisplayOptions* options = NodeOptions();
    QNodeMediator* mediator = Mediator();
    if (options == nullptr || mediator == nullptr) {
        return;
    }
    const bool threeD = m_view.Is3DShown();
    SetChecked(kView3D, threeD);
    SetChecked(kGrid, options->ShowsCellLines());
    SetChecked(kInterpolation, options->Interpolates());
    SetChecked(kOverlay, options->ShowsOverlay());
    SetChecked(kSubGrid, options->ShowsSubGridLines());
    SetChecked(kOverlayTransparency, options->BlendsOverlay());
    SetChecked(options->GetAmplitudeUnit() == 1U ? kDbuv : kDbm, true);
    RefreshPeakBoxes(*mediator);
    SetChecked(kAutoScale, m_view.IsAutoScale());
    m_minEdit->setEnabled(!m_view.IsAutoScale());
    m_maxEdit->setEnabled(!m_view.IsAutoScale());
    SetChecked(kRepositionOverlay, m_view.IsRepositionOverlay());
    GetControl(kRepositionOverlay)->setEnabled(!options->BlendsOverlay());
    if (m_nPage == kPageView) {
        const bool picture = m_view.HasOverlayPicture();
        // Sub-cells exist only in the multi-level data of an interleaved scan.
        const CScanData* scan = ShownScan();
        const bool subCells =
            scan != nullptr && scan->m_IsZeltData != 0 && static_cast<int8_t>(scan->m_ZeltLevel) >= 1;
        GetControl(kSubGrid)->setVisible(!threeD && subCells);
        GetControl(kOverlayTransparency)->setVisible(!threeD && picture);
    }
    // The view's colour-scale bar moves the same cut-off.
    m_nTransparency = std::clamp(100 - m_view.GetCutOff(), 0, 100);
    const QSignalBlocker quiet(m_bar);
    m_bar->setValue(m_nTransparency);
}

void CSpatialSidePanel::UpdateScaleOptionFields() {
    const float top = m_view.GetColourBar().GetTop();
    const float bottom = m_view.GetColourBar().GetBottom();
    m_minEdit->setText(QString::fromStdString(FormatAmplitudeField(bottom)));
    m_maxEdit->setText(QString::fromStdString(FormatAmplitudeField(top)));
}

// --- The "Options" menu ---

std::unique_ptr<QMenu> CSpatialSidePanel::BuildOptionsMenu(int page, bool hasData) {
    return BuildPageMenu(page, hasData, kOptionsCommands);
}

void CSpatialSidePanel::OnOptionsButton() {
    if (Mediator() == nullptr) {
        return;
    }
    RunOptionsMenu(HasDisplayData(), kOptionsCommands);
}

// --- Posting ---

void CSpatialSidePanel::PostToView(int64_t lParam) {
    m_view.GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, lParam);
    m_posted.push_back({CSpatialView::kSpatialRepaintMessage, lParam});
}

void CSpatialSidePanel::Post3DRedraw() {
    if (C3DSpatialView* threeD = m_view.Get3DView()) {
        threeD->GetMessageTarget().Post(C3DSpatialView::kRedrawMessage);
        m_posted.push_back({C3DSpatialView::kRedrawMessage, 0});
    }
}

void CSpatialSidePanel::MarkModified() {
    if (QNodeMediator* mediator = Mediator()) {
        mediator->MarkProjectModified();
    }
}

// --- The controls ---

void CSpatialSidePanel::OnCheck(int id) {
    if (Mediator() == nullptr || NodeOptions() == nullptr) {
        return;
    }
    const bool on = IsChecked(id);
    switch (id) {
    case kGrid:
    case kSubGrid:
    case kInterpolation:
        OnGridType(id, on);
        break;
    case kOverlay:
        OnOverlay(on);
        break;
    case kPeakHold:
    case kAveraging:
        TogglePeakOption(*Mediator(), id, on);
        break;
    case kOverlayTransparency:
        OnOverlayTransparency(on);
        break;
    case kView3D:
        OnView3D(on);
        break;
    case kAutoScale:
        OnAutoScale(on);
        break;
    case kRepositionOverlay:
        OnRepositionOverlay(on);
        break;
    default:
        break;
    }
}

void CSpatialSidePanel::OnGridType(int id, bool on) {
    QSpatialDisplayOptions* options = NodeOptions();
    if (id == kGrid) {
        options->SetShowsCellLines(on);
    } else if (id == kSubGrid) {
        options->SetShowsSubGridLines(on);
    } else {
        options->SetInterpolates(on);
    }
    PostToView(1);
    MarkModified();
}

void CSpatialSidePanel::OnOverlay(bool on) {
    NodeOptions()->SetShowsOverlay(on);
    PostToView(2);
    if (on && m_view.Is3DShown()) {
        Post3DRedraw();
    }
    MarkModified();
}

void CSpatialSidePanel::OnOverlayTransparency(bool on) {
    NodeOptions()->SetBlendsOverlay(on);
    GetControl(kRepositionOverlay)->setEnabled(!on);
    Mediator()->RefreshSpatialView();
    MarkModified();
}

void CSpatialSidePanel::OnView3D(bool on) {
    m_view.Show3DView(on);
    if (m_nPage == kPageView) {
        LayOutPage();
    }
    if (!on) {
        m_view.update();
    }
}

void CSpatialSidePanel::OnUnit(uint32_t unit) {
    QSpatialDisplayOptions* options = NodeOptions();
    if (options == nullptr || Mediator() == nullptr) {
        return;
    }
    if (options->GetAmplitudeUnit() != unit) {
        options->SetAmplitudeUnit(unit);
        Mediator()->RefreshSpatialView();
        MarkModified();
    }
    setFocus(Qt::OtherFocusReason);
}

void CSpatialSidePanel::StoreScale(float low, float high, bool automatic) {
    if (UsesNodeScale()) {
        QSpatialDisplayOptions* options = NodeOptions();
        options->SetRange(low, high);
        options->SetAutoScale(automatic);
        return;
    }
    CScanData* scan = ShownScan();
    const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
    scan->m_SpatialRangeLow = low;
    scan->m_SpatialRangeHigh = high;
    scan->m_SpatialAutoByte = automatic ? 1 : 0;
}

void CSpatialSidePanel::OnAutoScale(bool on) {
    m_minEdit->setEnabled(!on);
    m_maxEdit->setEnabled(!on);
    // The range the map shows now stays as the fixed range once the automatic scale is left.
    const float top = m_view.GetColourBar().GetTop();
    const float bottom = m_view.GetColourBar().GetBottom();
    StoreScale(bottom, top, on);
    Mediator()->RefreshSpatialView();
    MarkModified();
}

void CSpatialSidePanel::ApplyEditedFields() {
    if (m_nPage != kPageScale || !m_bScaleEdited || Mediator() == nullptr || NodeOptions() == nullptr) {
        return;
    }
    m_bScaleEdited = false;
    const ScaleLimits limits = LimitAmplitudeScale(ReadPanelNumber(m_minEdit->text().toStdString()),
                                                   ReadPanelNumber(m_maxEdit->text().toStdString()));
    const bool automatic = IsChecked(kAutoScale);
    StoreScale(limits.minimum, limits.maximum, automatic);
    Mediator()->RefreshSpatialView();
    MarkModified();
}

void CSpatialSidePanel::OnTransparencyScroll(TransparencyStep step, int32_t trackPosition) {
    m_nTransparency = NextTransparency(m_nTransparency, step, trackPosition);
    const QSignalBlocker quiet(m_bar);
    m_bar->setValue(m_nTransparency);
    m_bar->setSliderPosition(m_nTransparency);
    m_view.SetOverlayTransparency(m_nTransparency);
}

// --- Overlay commands ---

bool CSpatialSidePanel::IsOverlayChecked() const {
    return IsChecked(kOverlay);
}

void CSpatialSidePanel::ClickOverlay() {
    auto* box = static_cast<QAbstractButton*>(GetControl(kOverlay));
    box->setChecked(!box->isChecked());
    OnCheck(kOverlay);
}

bool CSpatialSidePanel::IsRepositionOverlayChecked() const {
    return IsChecked(kRepositionOverlay);
}

void CSpatialSidePanel::ClickRepositionOverlay() {
    auto* box = static_cast<QAbstractButton*>(GetControl(kRepositionOverlay));
    box->setChecked(!box->isChecked());
    OnCheck(kRepositionOverlay);
}

void CSpatialSidePanel::EditOverlay() {
    if (Mediator() == nullptr) {
        return;
    }
    // The overlay page holds what belongs to the editing: repositioning and the transparency bar.
    if (m_nPage != kPageOverlay) {
        ShowPage(kPageOverlay);
    }
    m_view.OpenOverlayEditor();
}

void CSpatialSidePanel::OnRepositionOverlay(bool on) {
    if (on) {
        EnterReposition();
    } else {
        LeaveReposition();
    }
}

void CSpatialSidePanel::EnterReposition() {
    m_view.SetRepositionOverlay(true);
    m_view.ClearOverlayMoved();
    m_view.setFocus(Qt::OtherFocusReason);
    auto disable = [this](QWidget* widget) {
        if (widget != nullptr && widget->isEnabled()) {
            widget->setEnabled(false);
            m_disabledByReposition.emplace_back(widget);
        }
    };
    // The main window's command surfaces: its menu bar and tool bars.
    if (auto* main = qobject_cast<QMainWindow*>(window())) {
        disable(main->menuBar());
        for (QToolBar* bar : main->findChildren<QToolBar*>()) {
            disable(bar);
        }
    }
    // Every window of the view's frame beside the chain that leads from the frame to this panel: the
    // map itself stays live for the arrow keys.
    QWidget* frame = &m_view;
    while (frame->parentWidget() != nullptr && qobject_cast<QMdiSubWindow*>(frame) == nullptr &&
           !frame->isWindow()) {
        frame = frame->parentWidget();
    }
    for (QWidget* link = this; link != frame && link->parentWidget() != nullptr;
         link = link->parentWidget()) {
        for (QObject* sibling : link->parentWidget()->children()) {
            auto* widget = qobject_cast<QWidget*>(sibling);
            if (widget != nullptr && widget != link && !widget->isWindow()) {
                disable(widget);
            }
        }
    }
    disable(m_options);
    disable(m_editOverlay);
}

void CSpatialSidePanel::LeaveReposition() {
    QNodeMediator* mediator = Mediator();
    m_view.SetRepositionOverlay(false);
    if (QViewFrame* frame = m_view.GetFrame(); frame != nullptr && frame->HasWindow()) {
        frame->BringToTop();
    }
    if (m_view.IsOverlayMoved()) {
        m_view.ClearOverlayMoved();
        CScanData* scan = ShownScan();
        if (scan != nullptr && ShowPrompt(kKeepOverlayText, kKeepOverlayCaption, PromptButtons::YesNo,
                                          PromptIcon::Question) == PromptAnswer::Yes) {
            if (QOverlayOptions* overlay = mediator->GetOverlayOptions()) {
                const std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
                TakeOverlayPlacement(scan->GetScanArea(), *overlay);
            }
        }
    }
    for (const QPointer<QWidget>& widget : m_disabledByReposition) {
        if (widget != nullptr) {
            widget->setEnabled(true);
        }
    }
    m_disabledByReposition.clear();
    MarkModified();
}

// --- Mouse and painting ---

void CSpatialSidePanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || Mediator() == nullptr) {
        return;
    }
    m_view.SelectOwnNodeInProjectPane();
    ApplyEditedFields();
}

void CSpatialSidePanel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_nPage == kPageScale) {
        m_bScaleEdited = false;
    }
}

} // namespace orv
