#include "project/QNodeMediator.h"
#include "project/QScanResidency.h"

#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/msg/MessageTarget.h"
#include "platform/sync/Event.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeContainer.h"
#include "project/QProjectTree.h"
#include "project/QProjectWindow.h"
#include "project/QScanDataList.h"
#include "project/QScanThread.h"
#include "project/QViewFrame.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanContainer.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace orv {

std::atomic<QNodeMediator*> QNodeMediator::s_scanningMediator{nullptr};
std::atomic<QNodeMediator*> QNodeMediator::s_previousScanningMediator{nullptr};

namespace {

constexpr QNodeMediator* kNone = nullptr;

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

template <class T> QNodeMediator::ComparedScans<T>::ComparedScans() = default;
template <class T> QNodeMediator::ComparedScans<T>::~ComparedScans() = default;

QNodeMediator::QNodeMediator() : m_scanResidency(std::make_unique<QScanResidency>()) {}

namespace {

std::mutex& DestroyedHookLock() {
    static std::mutex lock;
    return lock;
}

QNodeMediator::DestroyedHook& DestroyedHookFunction() {
    static QNodeMediator::DestroyedHook hook;
    return hook;
}

} // namespace

void QNodeMediator::SetDestroyedHook(DestroyedHook hook) {
    std::lock_guard<std::mutex> lock(DestroyedHookLock());
    DestroyedHookFunction() = std::move(hook);
}

QNodeMediator::Pin::Pin(QNodeMediator* mediator) : m_mediator(mediator) {
    if (m_mediator != nullptr) {
        std::lock_guard<std::mutex> lock(m_mediator->m_pinLock);
        ++m_mediator->m_nPins;
    }
}

QNodeMediator::Pin::~Pin() {
    Release();
}

QNodeMediator::Pin& QNodeMediator::Pin::operator=(Pin&& other) noexcept {
    if (this != &other) {
        Release();
        m_mediator = std::exchange(other.m_mediator, nullptr);
    }
    return *this;
}

void QNodeMediator::Pin::Release() {
    QNodeMediator* mediator = std::exchange(m_mediator, nullptr);
    if (mediator == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(mediator->m_pinLock);
    if (--mediator->m_nPins == 0) {
        mediator->m_pinsGone.notify_all();
    }
}

void QNodeMediator::Retire() {
    {
        std::lock_guard lock(m_scanThreadMutex);
        if (m_bRetiring) {
            return;
        }
        m_bRetiring = true;
    }
    {
        std::lock_guard<std::mutex> lock(DestroyedHookLock());
        if (DestroyedHookFunction()) {
            DestroyedHookFunction()(this);
        }
    }
    // Nobody can take a new pin now (the hook made every holder forget this mediator); the ones
    // taken are short calls of the scan run.
    {
        std::unique_lock<std::mutex> lock(m_pinLock);
        m_pinsGone.wait(lock, [this] { return m_nPins == 0; });
    }
    StopScanThread();
}

QNodeMediator::~QNodeMediator() {
    Retire();
    DropComparisonLinks();
    QNodeMediator* self = this;
    s_scanningMediator.compare_exchange_strong(self, kNone);
    self = this;
    s_previousScanningMediator.compare_exchange_strong(self, kNone);

    ClearScanData();
    SetLinkedScan(nullptr);
    for (auto& frame : m_frames) {
        if (frame != nullptr && frame->HasWindow()) {
            frame->DestroyWindow();
        }
    }
    m_pSpectralView = nullptr;
    m_pSpatialView = nullptr;
    if (m_pSettingsSheet != nullptr && m_pSettingsSheet->HasWindow()) {
        m_pSettingsSheet->DestroyWindow();
    }
    m_pSettingsSheet.reset();
    m_pages.clear();
    for (auto& frame : m_frames) {
        frame.reset();
    }
}

// --- Views ---

const QNodeMediator::ViewKind* QNodeMediator::FindViewKind(uint16_t kind) {
    static const ViewKind kKinds[] = {
        {kTypeSpectralScanNode, QFrameClass::Spectral, "Spectral View", 438, true, false, true},
        {kTypeSpatialScanNode, QFrameClass::Spatial, "Spatial View", 439, false, true, false},
        {kTypeSpectralSpatialScanNode, QFrameClass::SpectralSpatial, "SpectralSpatial View", 440, true, true,
         true},
        {kTypeSpectralSpatialUserCompositeNode, QFrameClass::SpectralSpatial, "SpectralSpatial View", 440,
         true, true, true},
        {kTypeHandHeldProbeScanNode, QFrameClass::SpectralSpatial, "SpectralSpatial View", 441, true, true,
         true},
        {kTypeSpectralComparisonNode, QFrameClass::SpectralComparison, "Spectral Comparison View", 462, true,
         false, true},
        {kTypeSpatialComparisonNode, QFrameClass::SpatialComparison, "Spatial Comparison View", 464, false,
         true, false},
        {kTypeSpectralOverlayNode, QFrameClass::SpectralOverlay, "Spectral Overlay View", 463, true, false,
         true},
        {kTypeSpectralSpatialScriptingModuleNode, QFrameClass::Scripting, "Spectral/Spatial Scripting View",
         465, true, false, true},
        {kTypeBlindSpotReductionNode, QFrameClass::BlindSpotReduction, "BlindSpot Reduction View", 461, false,
         true, false},
    };
    for (const ViewKind& entry : kKinds) {
        if (entry.kind == kind) {
            return &entry;
        }
    }
    return nullptr;
}

QViewFrame* QNodeMediator::LiveFrame(QFrameClass frameClass) const {
    QViewFrame* frame = m_frames[Index(frameClass)].get();
    return frame != nullptr && frame->HasWindow() ? frame : nullptr;
}

bool QNodeMediator::LiveView(const QNodeView* view) {
    return view != nullptr && view->HasWindow();
}

QNodeView* QNodeMediator::OpenView(uint16_t kind, bool& created, bool show) {
    created = false;
    const ViewKind* viewKind = FindViewKind(kind);
    if (viewKind == nullptr) {
        return nullptr;
    }
    auto mainView = [&]() -> QNodeView* {
        return viewKind->mainIsSpectral ? static_cast<QNodeView*>(m_pSpectralView)
                                        : static_cast<QNodeView*>(m_pSpatialView);
    };
    if (QViewFrame* frame = LiveFrame(viewKind->frame)) {
        if (frame->GetShowState() == QShowState::Minimised) {
            frame->SetShowState(QShowState::Normal);
        }
        frame->BringToTop();
        return mainView();
    }
    if (m_pViewFactory == nullptr) {
        return nullptr;
    }

    QFrameRequest request;
    request.frameClass = viewKind->frame;
    request.mediator = this;
    request.parent = m_pMainWnd;
    request.projectTree = m_pProjectTree;
    request.scanDataList = m_pScanListWnd;
    request.iconResource = viewKind->icon;
    request.title = viewKind->title;
    if (viewKind->frame == QFrameClass::SpectralSpatial) {
        request.spectralSpatialKind = kind == kTypeSpectralSpatialUserCompositeNode
                                          ? kTypeSpectralSpatialUserCompositeNode
                                          : kTypeSpectralSpatialScanNode;
    }
    std::unique_ptr<QViewFrame> frame = m_pViewFactory->CreateFrame(request);
    if (frame == nullptr) {
        return nullptr;
    }
    // A frame kept from a closed window is replaced; its views went with it.
    auto& slot = m_frames[Index(viewKind->frame)];
    if (slot != nullptr) {
        if (viewKind->setsSpectral && m_pSpectralView == slot->GetSpectralView()) {
            m_pSpectralView = nullptr;
        }
        if (viewKind->setsSpatial && m_pSpatialView == slot->GetSpatialView()) {
            m_pSpatialView = nullptr;
        }
    }
    slot = std::move(frame);
    if (viewKind->setsSpectral) {
        m_pSpectralView = slot->GetSpectralView();
    }
    if (viewKind->setsSpatial) {
        m_pSpatialView = slot->GetSpatialView();
    }
    created = true;
    if (show) {
        slot->Show();
        FillScanDataListForKind(kind);
    }
    return mainView();
}

std::string QNodeMediator::ScanTitle(int32_t scanID) {
    return FormatC("%s --- Scan ID: %-4d", GetName().c_str(), scanID);
}

// Nothing is shown until the frame and each of its views are live; the views learn of the scan by
// message.
bool QNodeMediator::ShowInFrame(QFrameClass frameClass, std::initializer_list<QNodeView*> views,
                                int32_t& displayedID, int32_t scanID, uint32_t message, uint64_t wParam,
                                int64_t lParam) {
    QViewFrame* frame = LiveFrame(frameClass);
    if (frame == nullptr || !std::all_of(views.begin(), views.end(), LiveView)) {
        return false;
    }
    displayedID = scanID;
    frame->SetTitle(ScanTitle(scanID));
    frame->BringToTop();
    for (QNodeView* view : views) {
        view->GetMessageTarget().Post(message, wParam, lParam);
    }
    return true;
}

void QNodeMediator::ShowSpectralScanData(int32_t scanID) {
    if (ShowInFrame(QFrameClass::Spectral, {m_pSpectralView}, m_nDisplayedSpectralScanID, scanID,
                    NodeMessage::kShowSpectralScan)) {
        m_pCurrentSpectral = GetSpectralScanData(scanID);
    }
}

void QNodeMediator::ShowSpatialScanData(int32_t scanID) {
    if (ShowInFrame(QFrameClass::Spatial, {m_pSpatialView}, m_nDisplayedSpatialScanID, scanID,
                    NodeMessage::kShowSpatialScan)) {
        m_pCurrentSpatial = GetSpatialScanData(scanID);
    }
}

void QNodeMediator::ShowSpectralSpatialScanData(int32_t scanID, bool flag) {
    if (ShowInFrame(QFrameClass::SpectralSpatial, {m_pSpectralView, m_pSpatialView},
                    m_nDisplayedSpectralSpatialScanID, scanID, NodeMessage::kShowSpectralSpatialScan,
                    static_cast<uint64_t>(static_cast<int64_t>(scanID)), flag ? 1 : 0)) {
        m_pCurrentSpectralSpatial = GetSpectralSpatialScanData(scanID);
    }
}

void QNodeMediator::ShowHandHeldProbeScanData(int32_t scanID, bool flag) {
    if (ShowInFrame(QFrameClass::SpectralSpatial, {m_pSpectralView, m_pSpatialView},
                    m_nDisplayedHandHeldScanID, scanID, NodeMessage::kShowHandHeldScan,
                    static_cast<uint64_t>(static_cast<int64_t>(scanID)), flag ? 1 : 0)) {
        m_pCurrentHandHeld = GetHandHeldProbeScanData(scanID);
    }
}

void QNodeMediator::ShowScanData(int32_t scanID) {
    switch (m_nKind) {
    case kTypeSpectralScanNode:
        ShowSpectralScanData(scanID);
        break;
    case kTypeSpatialScanNode:
        ShowSpatialScanData(scanID);
        break;
    case kTypeSpectralSpatialScanNode:
        ShowSpectralSpatialScanData(scanID, false);
        break;
    case kTypeHandHeldProbeScanNode:
        ShowHandHeldProbeScanData(scanID, false);
        break;
    default:
        break;
    }
}

void QNodeMediator::ShowNewestScan(uint16_t kind) {
    bool created = false;
    OpenView(kind, created, true);
    if (kind != kTypeSpectralScanNode && kind != kTypeSpatialScanNode &&
        kind != kTypeSpectralSpatialScanNode && kind != kTypeHandHeldProbeScanNode) {
        return;
    }
    size_t count = 0;
    const int32_t scanID = NewestScanID(kind, count);
    if (count == 0) {
        return;
    }
    switch (kind) {
    case kTypeSpectralScanNode:
        ShowSpectralScanData(scanID);
        break;
    case kTypeSpatialScanNode:
        ShowSpatialScanData(scanID);
        break;
    case kTypeSpectralSpatialScanNode:
        ShowSpectralSpatialScanData(scanID, true);
        break;
    default:
        ShowHandHeldProbeScanData(scanID, true);
        break;
    }
    m_nDisplayedScanID = scanID;

    if (count != 1 || m_pProjectTree == nullptr) {
        return;
    }
    if (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode) {
        if (m_nLastCellIndex != 1) {
            return;
        }
    } else if (m_bContinuousRun == 1 && m_nScansThisRun >= 2) {
        return;
    }
    m_pProjectTree->Repaint();
}

// The view takes the refresh of each live frame that shows it: its own frame's, then a
// spectral/spatial frame's (of the node's kind), then the two comparison frames'.
void QNodeMediator::PostRefresh(QNodeView* view, const std::array<FrameRefresh, 3>& frames) {
    auto post = [this, view](const FrameRefresh& refresh) {
        if (LiveFrame(refresh.first) != nullptr && LiveView(view)) {
            view->GetMessageTarget().Post(refresh.second);
        }
    };
    post(frames[0]);
    if (LiveFrame(QFrameClass::SpectralSpatial) != nullptr && LiveView(m_pSpectralView) &&
        LiveView(m_pSpatialView)) {
        if (m_nKind == kTypeSpectralSpatialScanNode) {
            view->GetMessageTarget().Post(NodeMessage::kRefreshSpectralSpatial);
        } else if (m_nKind == kTypeHandHeldProbeScanNode) {
            view->GetMessageTarget().Post(NodeMessage::kRefreshHandHeld);
        }
    }
    post(frames[1]);
    post(frames[2]);
}

void QNodeMediator::RefreshSpectralView() {
    PostRefresh(m_pSpectralView, {{{QFrameClass::Spectral, NodeMessage::kRefreshSpectral},
                                   {QFrameClass::SpectralComparison, NodeMessage::kRefreshSpectralComparison},
                                   {QFrameClass::SpectralOverlay, NodeMessage::kRefreshSpectralOverlay}}});
}

void QNodeMediator::RefreshSpatialView() {
    PostRefresh(m_pSpatialView,
                {{{QFrameClass::Spatial, NodeMessage::kRefreshSpatial},
                  {QFrameClass::SpatialComparison, NodeMessage::kRefreshSpatialComparison},
                  {QFrameClass::BlindSpotReduction, NodeMessage::kRefreshBlindSpotReduction}}});
}

void QNodeMediator::RefreshAllViews() {
    const std::string name = GetName();
    auto retitle = [&](QFrameClass frameClass, int32_t displayed) {
        if (QViewFrame* frame = LiveFrame(frameClass)) {
            frame->SetTitle(displayed != -1 ? ScanTitle(displayed) : FormatC("%s", name.c_str()));
        }
    };
    const int32_t spectralSpatialShown = m_nKind == kTypeHandHeldProbeScanNode
                                             ? m_nDisplayedHandHeldScanID
                                             : m_nDisplayedSpectralSpatialScanID;
    retitle(QFrameClass::Spectral, m_nDisplayedSpectralScanID);
    retitle(QFrameClass::Spatial, m_nDisplayedSpatialScanID);
    retitle(QFrameClass::SpectralSpatial, spectralSpatialShown);
    for (QFrameClass frameClass :
         {QFrameClass::SpectralComparison, QFrameClass::SpatialComparison, QFrameClass::SpectralOverlay,
          QFrameClass::Scripting, QFrameClass::BlindSpotReduction}) {
        retitle(frameClass, -1);
    }
    RefreshSpectralView();
    RefreshSpatialView();
    // The spatial side of a spectral/spatial frame redraws its peak map as well.
    if (LiveFrame(QFrameClass::SpectralSpatial) != nullptr && LiveView(m_pSpatialView) &&
        spectralSpatialShown != -1) {
        m_pSpatialView->GetMessageTarget().Post(NodeMessage::kRefreshSpatial, 0, 1);
    }
}

// Each frame is nudged out and back, so it lays itself out again where it was.
void QNodeMediator::RelayoutViews() {
    auto nudge = [](QViewFrame& frame) {
        frame.GetMessageTarget().Post(NodeMessage::kRelayoutFrame, 1);
        frame.GetMessageTarget().Post(NodeMessage::kRelayoutFrame, NodeMessage::kMinusOne);
    };
    if (QViewFrame* frame = LiveFrame(QFrameClass::Spectral); frame != nullptr && LiveView(m_pSpectralView)) {
        nudge(*frame);
    }
    for (QFrameClass frameClass : {QFrameClass::Spatial, QFrameClass::SpectralSpatial}) {
        if (QViewFrame* frame = LiveFrame(frameClass)) {
            nudge(*frame);
        }
    }
}

void QNodeMediator::ReapplyPlacement() {
    for (QFrameClass frameClass :
         {QFrameClass::Spectral, QFrameClass::Spatial, QFrameClass::SpectralSpatial}) {
        QViewFrame* frame = LiveFrame(frameClass);
        if (frame == nullptr) {
            continue;
        }
        const QShowState state = frame->GetShowState();
        if (state == QShowState::Maximised || state == QShowState::Minimised) {
            frame->SetShowState(QShowState::Normal);
            frame->SetShowState(state);
        }
    }
}

bool QNodeMediator::ParentIsKind(uint16_t kind) {
    return m_pParent != nullptr && m_pParent->GetKind() == kind;
}

void QNodeMediator::ViewNode() {
    if (m_nKind == kTypeSpectralSpatialUserCompositeNode && !ParentIsKind(kTypeSpectralSpatialScanNode) &&
        !ResolveLinkedScanData()) {
        ShowPrompt("The linked san data can't be found. The scan info can't be opened any more in the view !",
                   "Warning", PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    if (m_nKind == kTypeWordReportNode) {
        if (m_pViewFactory == nullptr) {
            return;
        }
        switch (m_pViewFactory->OpenReportFile(*this)) {
        case QReportOpenResult::FileMissing:
            ShowPrompt("The report file can't be found.", "Warning", PromptButtons::Ok, PromptIcon::Warning);
            break;
        case QReportOpenResult::WordProcessorFailed:
            ShowPrompt("There is a problem with MS Word when initializing.", "Warning", PromptButtons::Ok,
                       PromptIcon::Warning);
            break;
        case QReportOpenResult::Opened:
            break;
        }
        return;
    }
    bool created = false;
    OpenView(m_nKind, created, true);
    if (!created) {
        return;
    }
    size_t count = 0;
    switch (m_nKind) {
    case kTypeSpectralScanNode:
    case kTypeSpatialScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode: {
        const int32_t scanID = NewestScanID(m_nKind, count);
        if (count == 0) {
            break;
        }
        if (m_nKind == kTypeSpectralScanNode) {
            ShowSpectralScanData(scanID);
        } else if (m_nKind == kTypeSpatialScanNode) {
            ShowSpatialScanData(scanID);
        } else if (m_nKind == kTypeSpectralSpatialScanNode) {
            ShowSpectralSpatialScanData(scanID, false);
        } else {
            ShowHandHeldProbeScanData(scanID, false);
        }
        break;
    }
    default:
        break;
    }
    RefreshComparedViews();
}

void QNodeMediator::RefreshComparedViews() {
    if (LiveFrame(QFrameClass::SpectralComparison) != nullptr && LiveView(m_pSpectralView)) {
        m_pSpectralView->GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    }
    if (LiveFrame(QFrameClass::SpatialComparison) != nullptr && LiveView(m_pSpatialView)) {
        m_pSpatialView->GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    }
    if (LiveFrame(QFrameClass::SpectralOverlay) != nullptr && LiveView(m_pSpectralView)) {
        m_pSpectralView->GetMessageTarget().Post(NodeMessage::kRefreshSpectralOverlay);
    }
    if (LiveFrame(QFrameClass::BlindSpotReduction) != nullptr && LiveView(m_pSpatialView)) {
        m_pSpatialView->GetMessageTarget().Post(NodeMessage::kRefreshBlindSpotReduction);
    }
}

// --- Settings sheet ---

QSettingsPage* QNodeMediator::AddPage(QSettingsPageKind kind, uint16_t scanKind) {
    std::unique_ptr<QSettingsPage> page = m_pViewFactory->CreateSettingsPage(kind, *this, scanKind);
    if (page == nullptr) {
        return nullptr;
    }
    m_pSettingsSheet->AddPage(*page);
    m_pages.push_back(std::move(page));
    return m_pages.back().get();
}

bool QNodeMediator::IsScriptMade(const QNodeMediator* mediator) {
    return mediator != nullptr && mediator->m_nKind == kTypeSpectralSpatialScanNode &&
           mediator->m_pParent != nullptr &&
           mediator->m_pParent->m_nKind == kTypeSpectralSpatialScriptingModuleNode;
}

void QNodeMediator::AddNodeKindPages() {
    using Kind = QSettingsPageKind;
    switch (m_nKind) {
    case kTypePreferencesNode:
        AddPage(Kind::PreferenceAnalyzer, 0);
        AddPage(Kind::PreferenceScannerType, 0);
        AddPage(Kind::PreferenceSpectralDisplay, 0);
        return;
    case kTypeModuleNode:
    case kTypeProjectNode:
        AddPage(Kind::SpectralScan, 0);
        AddPage(Kind::ScanProbes, kTypeSpectralScanNode);
        AddPage(Kind::SpatialScan, 0);
        AddPage(Kind::ScanProbes, kTypeSpatialScanNode);
        AddPage(Kind::AmplitudeAdjust, 0);
        break;
    case kTypeSpectralScanNode:
        AddPage(Kind::SpectralScan, 0);
        AddPage(Kind::ScanProbes, kTypeSpectralScanNode);
        AddPage(Kind::AmplitudeAdjust, 0);
        break;
    case kTypeSpatialScanNode:
        // The spatial children of a scripted Spectral/Spatial node scan what their script says.
        if (!IsScriptMade(m_pParent)) {
            AddPage(Kind::SpatialScan, 0);
            AddPage(Kind::ScanProbes, kTypeSpatialScanNode);
            AddPage(Kind::AmplitudeAdjust, 0);
        }
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        // Under a scripting node the sweep and the description come from the script.
        if (ParentIsKind(kTypeSpectralSpatialScriptingModuleNode)) {
            AddPage(Kind::ScanProbes, kTypeSpectralSpatialScanNode);
            return;
        }
        AddPage(Kind::SpectralScan, 0);
        AddPage(Kind::ScanProbes, m_nKind);
        AddPage(Kind::AmplitudeAdjust, 0);
        break;
    case kTypeSpectralSpatialScriptingModuleNode:
        AddPage(Kind::SpectralScan, 0);
        AddPage(Kind::ScanProbes, kTypeSpectralSpatialScriptingModuleNode);
        AddPage(Kind::DefineScripting, 0);
        AddPage(Kind::AmplitudeAdjust, 0);
        break;
    case kTypeWordReportNode:
        if (QSettingsPage* report = AddPage(Kind::ReportGenerator, 0)) {
            report->SetSheet(*m_pSettingsSheet);
        }
        break;
    case kTypeSpectralComparisonNode:
    case kTypeSpatialComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeBlindSpotReductionNode:
    case kTypeSpectralSpatialUserCompositeNode:
        break;
    default:
        // Notes, overlays and the other kinds have nothing to set.
        return;
    }
    AddPage(Kind::NodeDescription, 0);
}

QSettingsSheet* QNodeMediator::OpenNodeSettings(const std::string& sheetName, int32_t firstPage) {
    if (m_pSettingsSheet != nullptr) {
        if (m_pSettingsSheet->HasWindow()) {
            return m_pSettingsSheet.get();
        }
        DestroyNodeSettings();
    }
    if (m_pViewFactory == nullptr) {
        return nullptr;
    }
    const std::string name = sheetName.empty() ? GetName() : sheetName;
    const std::string caption =
        EqualsIgnoringCase(name, "Preference123") ? std::string("Preferences") : "Node Settings - " + name;
    m_pSettingsSheet = m_pViewFactory->CreateSettingsSheet(caption, m_pMainWnd, firstPage);
    if (m_pSettingsSheet == nullptr) {
        return nullptr;
    }
    m_pSettingsSheet->SetNodeMediator(this);
    m_pSettingsSheet->RemoveAllPages();
    m_pages.clear();
    AddNodeKindPages();
    return m_pSettingsSheet.get();
}

void QNodeMediator::DestroyNodeSettings() {
    if (m_pSettingsSheet != nullptr && m_pSettingsSheet->HasWindow()) {
        m_pSettingsSheet->DestroyWindow();
    }
    m_pSettingsSheet.reset();
    m_pages.clear();
}

QSettingsPage* QNodeMediator::FindPage(QSettingsPageKind kind) const {
    for (const auto& page : m_pages) {
        if (page->GetKind() == kind) {
            return page.get();
        }
    }
    return nullptr;
}

void QNodeMediator::EnableScanPages() {
    for (const QSettingsPageKind kind : {QSettingsPageKind::SpatialScan, QSettingsPageKind::SpectralScan,
                                         QSettingsPageKind::AmplitudeAdjust}) {
        QSettingsPage* page = FindPage(kind);
        if (page != nullptr && page->HasWindow()) {
            page->EnableControls(true);
        }
    }
}

// --- Project window and tree ---

void QNodeMediator::RefreshAllNodeViews() {
    if (m_pContainer != nullptr) {
        m_pContainer->RefreshAllNodeViews();
    }
}

void QNodeMediator::RebuildAllNodeViews(bool rebuild) {
    if (m_pContainer != nullptr) {
        m_pContainer->RebuildAllNodeViews(rebuild);
    }
}

void QNodeMediator::MarkProjectModified() {
    if (m_pMainWnd != nullptr) {
        m_pMainWnd->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
}

void QNodeMediator::ResetDisplayedScanIds() {
    m_viewState = {};
    m_nDisplayedSpectralScanID = -1;
    m_nDisplayedSpatialScanID = -1;
    m_nDisplayedSpectralSpatialScanID = -1;
    m_nDisplayedHandHeldScanID = -1;
}

QNodeMediator* QNodeMediator::GetPreferencesMediator() {
    return m_pContainer != nullptr ? m_pContainer->GetPreferencesMediator() : nullptr;
}

void QNodeMediator::SelectInProjectTree() {
    if (m_pProjectTree != nullptr) {
        m_pProjectTree->SelectNode(*this);
    }
}

// --- Scan run hooks ---

QNodeMediator* QNodeMediator::GetScanningMediator() {
    return s_scanningMediator.load();
}

QNodeMediator* QNodeMediator::GetPreviousScanningMediator() {
    return s_previousScanningMediator.load();
}

bool QNodeMediator::StartScanThread(QScanThreadHost& controller, int64_t argument) {
    Event& scanEvent = controller.GetScanEvent();
    scanEvent.Clear();
    {
        std::lock_guard lock(m_scanThreadMutex);
        // A mediator that has started to go is never made the scanning one.
        if (m_bRetiring) {
            return false;
        }
        s_scanningMediator.store(this);
        if (m_pScanThread != nullptr) {
            return true;
        }
    }
    std::unique_ptr<QScanThread> thread = controller.CreateScanThread(1, scanEvent, argument, *this);
    if (thread == nullptr) {
        return false;
    }
    std::lock_guard lock(m_scanThreadMutex);
    // Started under the lock: a mediator that starts to go meanwhile gets no worker.
    if (m_bRetiring || !thread->Start()) {
        return false;
    }
    m_pScanThread = std::move(thread);
    return true;
}

bool QNodeMediator::HasScanThread() const {
    std::lock_guard lock(m_scanThreadMutex);
    return m_pScanThread != nullptr;
}

void QNodeMediator::SignalEvent() {
    std::lock_guard lock(m_scanThreadMutex);
    if (m_pScanThread != nullptr) {
        m_pScanThread->SignalEvent();
    }
}

void QNodeMediator::StopScanThread() {
    std::unique_ptr<QScanThread> thread;
    {
        std::lock_guard lock(m_scanThreadMutex);
        thread = std::move(m_pScanThread);
    }
    // Joined outside the lock: the worker may still signal through this mediator while it ends.
    thread.reset();
}

void QNodeMediator::StopWorker() {
    StopScanThread();
    s_previousScanningMediator.store(s_scanningMediator.exchange(nullptr));
    m_bScanInProgress.store(false);
    PostEnableScanPages();
}

void QNodeMediator::SetScanInProgress(bool running) {
    m_bScanInProgress.store(running);
    if (!running) {
        PostEnableScanPages();
    }
}

void QNodeMediator::PrepareScanRun(bool continuous) {
    m_nScansThisRun = 0;
    m_bContinuousRun = continuous ? 1 : 0;
    m_scanError.store(0);
}

// --- Settings copy ---

void QNodeMediator::CopyNodeSettingsFrom(QNodeMediator& source) {
    TakeSettingsFrom(source);
    if (m_nKind == kTypeSpectralSpatialScriptingModuleNode && &source != this) {
        const auto& definitions = source.GetScriptDefinitions();
        m_scriptDefinitions.insert(m_scriptDefinitions.end(), definitions.begin(), definitions.end());
    }
    m_bSettingsCopied = 1;
    m_nSettingsSourceID = source.GetNodeID();
    if (QNode* node = GetNode()) {
        node->SetSettingsCopied(true);
        node->SetSettingsSourceID(m_nSettingsSourceID);
    }
}

uint16_t QNodeMediator::GetNodeTypeId() const {
    return m_nKind;
}

// --- The node's container, as its mediator hands it out ---

QScanContainer* QNodeMediator::LockScanContainer() {
    QNode* node = GetNode();
    return node != nullptr ? node->LockScanContainer() : nullptr;
}

QScanContainer* QNodeMediator::AcquireScanContainer() {
    QNode* node = GetNode();
    return node != nullptr ? node->AcquireScanContainer() : nullptr;
}

void QNodeMediator::UnlockScanContainer() {
    if (QNode* node = GetNode()) {
        node->UnlockScanContainer();
    }
}

QHeldScanContainer QNodeMediator::AcquireHeldScanContainer() {
    QNode* node = GetNode();
    return node != nullptr ? node->AcquireHeldScanContainer() : QHeldScanContainer{};
}

bool QNodeMediator::IsComparisonNode() {
    return dynamic_cast<QComparisonOwner*>(GetNode()) != nullptr;
}

uint32_t QNodeMediator::GetLinkedNodeID() const {
    // The node ID is read through the (non-const) mediator slot that every kind answers.
    return const_cast<QNodeMediator*>(this)->GetNodeID();
}

// --- Comparison links ---

void QNodeMediator::AttachComparisonLink(QNodeMediator*& slot, QNodeMediator* link) {
    QNodeMediator* old = slot;
    slot = link;
    // A mediator linked as both sources keeps this one among its users until neither link names it.
    if (old != nullptr && m_pFirstLink != old && m_pSecondLink != old) {
        std::erase(old->m_comparisonUsers, this);
    }
    if (link != nullptr && std::find(link->m_comparisonUsers.begin(), link->m_comparisonUsers.end(), this) ==
                               link->m_comparisonUsers.end()) {
        link->m_comparisonUsers.push_back(this);
    }
}

void QNodeMediator::DropComparisonLinks() {
    AttachComparisonLink(m_pFirstLink, nullptr);
    AttachComparisonLink(m_pSecondLink, nullptr);
    // The comparisons that borrow this node's container lose the link rather than keep a dangling one.
    const std::vector<QNodeMediator*> users = std::move(m_comparisonUsers);
    m_comparisonUsers.clear();
    for (QNodeMediator* user : users) {
        if (user->m_pFirstLink == this) {
            user->m_pFirstLink = nullptr;
        }
        if (user->m_pSecondLink == this) {
            user->m_pSecondLink = nullptr;
        }
    }
}

bool QNodeMediator::LinkComparisonSources(QNodeMediator* first, QNodeMediator* second) {
    AttachComparisonLink(m_pFirstLink, first);
    AttachComparisonLink(m_pSecondLink, second);
    if (m_pFirstLink == nullptr || m_pSecondLink == nullptr) {
        return false;
    }
    return CheckComparisonCompatibility();
}

bool QNodeMediator::CheckComparisonCompatibility() {
    QComparisonScanContainer* comparison = nullptr;
    bool compatible = false;
    {
        // Lock hierarchy: the comparison node's own lock first; its outermost lock resolves the
        // sources (taking their locks) and the matching unlock releases them, so everything is
        // given back before a box is shown.
        QAcquiredScanContainer own(this);
        comparison = own.As<QComparisonScanContainer>();
        if (comparison == nullptr) {
            return false;
        }
        compatible = comparison->CheckCompatibility(true);
    }
    comparison->ShowPendingMessages();
    return compatible;
}

// --- Child nodes ---

void QNodeMediator::DeleteChildNodes() {
    if (m_pContainer == nullptr) {
        return;
    }
    // Each child goes with its own subtree; the list is taken before anything is deleted.
    for (QNodeMediator* child : m_pContainer->GetChildMediators(*this)) {
        m_pContainer->DeleteChildNode(*child);
    }
}

void QNodeMediator::CreateSpatialSubNodes() {
    if (m_pContainer == nullptr) {
        return;
    }
    std::vector<float> frequencies;
    {
        QAcquiredScanContainer own(this);
        if (QScanContainer* container = own.Get()) {
            const QMeasuredFrequencyData& measured = container->GetMeasuredFrequencyData();
            for (uint32_t k = 0; k < measured.GetEntryCount(); ++k) {
                frequencies.push_back(measured.GetEntryFrequency(k));
            }
        }
    }
    // The children are made with the own lock given back: a new node syncs its options from here.
    for (const float frequency : frequencies) {
        QNodeMediator* child = m_pContainer->AddChildNode(*this, kTypeSpatialScanNode);
        if (child == nullptr) {
            continue;
        }
        child->SetName(FormatC("spatial - %8.3f MHz", static_cast<double>(frequency)));
        if (QScanOptions* options = child->GetScanOptions()) {
            options->SetStartFrequency(frequency);
            options->SetStopFrequency(frequency);
        }
        m_pContainer->UpdateNodeItem(*child, 5);
    }
}

void QNodeMediator::ClearForSpatialSubNodes() {
    ClearScanData();
    DeleteChildNodes();
    if (m_pScanListWnd != nullptr && m_pScanListWnd->GetOwner() == this) {
        m_pScanListWnd->Clear();
        m_bScanListFilled = 0;
    }
}

void QNodeMediator::RebuildScriptNodes() {
    if (m_pContainer == nullptr || m_nKind != kTypeSpectralSpatialScriptingModuleNode) {
        return;
    }
    DeleteChildNodes();
    // Copied first: making a child may reach back into this mediator.
    const std::vector<SpectralSpatialScriptsDefinition> scripts = m_scriptDefinitions;
    for (const SpectralSpatialScriptsDefinition& script : scripts) {
        QNodeMediator* child = m_pContainer->AddChildNode(*this, kTypeSpectralSpatialScanNode);
        if (child == nullptr) {
            continue;
        }
        child->SetLabel(FormatC("Start Freq: %-8.2f; Stop Freq: %-8.2f; RBW: %s",
                                static_cast<double>(script.m_startFrequency),
                                static_cast<double>(script.m_stopFrequency), script.m_text.c_str()));
        if (QScanOptions* options = child->GetScanOptions()) {
            options->SetStartFrequency(script.m_startFrequency);
            options->SetStopFrequency(script.m_stopFrequency);
        }
        child->SetScriptRange(script.m_startFrequency, script.m_stopFrequency, script.m_value);
        m_pContainer->UpdateNodeItem(*child, 5);
    }
}

} // namespace orv
