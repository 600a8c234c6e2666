#include "project/TfrmMainApp.h"

#include "core/PathUtilities.h"
#include "core/QAnalyzerOptions.h"
#include "core/QRegistryEntry.h"
#include "core/QScannerContext.h"
#include "core/RegistryReading.h"
#include "core/TypeIds.h"
#include "core/WriteRegistryString.h"
#include "platform/debug/DebugOutput.h"
#include "platform/fs/AppPaths.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QMainFrame.h"
#include "project/QNodeFactory.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/QScanEngineLink.h"
#include "project/TfrmProjectView.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

namespace orv {
namespace {

TfrmMainApp* g_currentContainer = nullptr;

constexpr uint16_t kPreferencesNodeKind = kTypePreferencesNode;
constexpr int32_t kManualAnalyzerDriver = 65;
constexpr int32_t kLoadedAnalyzerDriver = 20;

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsScanKind(uint16_t kind) {
    return kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode ||
           kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode;
}

std::atomic<int> g_openWindows{0};

} // namespace

TfrmMainApp::OpenWindowCount::OpenWindowCount() : m_onlyWindow(g_openWindows.fetch_add(1) == 0) {}

TfrmMainApp::OpenWindowCount::~OpenWindowCount() {
    g_openWindows.fetch_sub(1);
}

TfrmMainApp::TfrmMainApp(QMainFrame& mainFrame, bool noPreferences,
                         std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                         QNodeFactory::FundamentalMediatorMaker makeFundamental)
    : m_mainFrame(mainFrame), m_storageFactory(std::move(storageFactory)),
      m_makeFundamental(std::move(makeFundamental)), m_noPreferences(noPreferences ? 1 : 0) {
    g_currentContainer = this;
    m_mainFrame.DisableScreenSaver();
    std::error_code ec;
    m_startFolder = std::filesystem::current_path(ec).string();
    // The temp folder holds the per-cell data files of every open project of this process: it is
    // cleared only while no other project window is open.
    if (m_openWindowCount.IsOnlyWindow()) {
        ClearTempFolder();
    }
    m_engine = m_mainFrame.GetScanEngineLink();
    m_clipboard[0].AddFormat("MySpatialCompare", "CF_TEXT");
    m_clipboard[1].AddFormat("MySpectralCompare", "CF_TEXT");
    m_clipboard[2].AddFormat("MyBlindSpotReduction", "CF_TEXT");

    if (!OpenLastRepository() && !OpenDefaultRepository()) {
        for (;;) {
            const PromptAnswer answer = ShowPrompt(kNoRepositoryText, kNoRepositoryCaption,
                                                   PromptButtons::OkCancel, PromptIcon::Warning);
            if (answer != PromptAnswer::Ok) {
                m_mainFrame.ExitProgram(0);
            }
            if (ChooseRepositoryFolder()) {
                break;
            }
        }
    }
}

TfrmMainApp::~TfrmMainApp() {
    OutputDebugString("Deleting TfrmMainApp object: Begin\n");
    // The project's nodes go before the Preferences node they refer to, and every storage manager
    // before the repository that handed it out.
    m_openProject.reset();
    m_preferencesMediator.reset();
    m_preferencesStorage.reset();
    m_repository.reset();
    if (g_currentContainer == this) {
        g_currentContainer = nullptr;
    }
    OutputDebugString("Deleting TfrmMainApp object: End\n");
}

TfrmMainApp* TfrmMainApp::GetCurrentProjectContainer() {
    return g_currentContainer;
}

// --- Repository ---

std::unique_ptr<QRepositoryManager> TfrmMainApp::MakeRepository(const std::string& folder) const {
    return std::make_unique<QFileSystemRepositoryManager>(folder, m_storageFactory);
}

bool TfrmMainApp::OpenLastRepository() {
    SettingsKey key;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, kRepositoriesKey, SettingsAccess::Read,
                                          key) != SettingsStatus::kSuccess) {
        return false;
    }
    std::string folder;
    if (key.GetString(kLastRepositoryValue, folder) != SettingsStatus::kSuccess || folder.empty() ||
        !DirectoryExists(folder)) {
        return false;
    }
    if (!SetRepository(MakeRepository(folder))) {
        return false;
    }
    ShowCurrentRepository();
    return true;
}

std::string TfrmMainApp::GetDefaultRepositoryFolder() {
    return GetUserDataFolder() + "/" + kDefaultRepositoryName;
}

bool TfrmMainApp::OpenDefaultRepository() {
    // This system's counterpart of the drive root: the user's own repository folder, made on the
    // first start, so a new user starts without being asked for a folder.
    if (GetUserDataFolder().empty()) {
        return false;
    }
    const std::string folder = GetDefaultRepositoryFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!DirectoryExists(folder) || !SetRepository(MakeRepository(folder))) {
        return false;
    }
    ShowCurrentRepository();
    return true;
}

bool TfrmMainApp::ChooseRepositoryFolder() {
    if (m_openProject != nullptr) {
        ShowPrompt(kRepositoryInUseText, kInvalidPathCaption, PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    const std::optional<std::string> chosen = m_mainFrame.BrowseForFolder(kBrowseTitle);
    if (!chosen.has_value()) {
        return false;
    }
    const std::string folder = Trim(*chosen);
    if (folder.empty() || !DirectoryExists(folder)) {
        ShowPrompt(kInvalidPathText, kInvalidPathCaption, PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    if (!SetRepository(MakeRepository(folder))) {
        return false;
    }
    WriteRegistryString(SettingsRoot::CurrentUser, kRepositoriesKey, kLastRepositoryValue, folder);
    ShowCurrentRepository();
    return true;
}

bool TfrmMainApp::SetRepository(std::unique_ptr<QRepositoryManager> repository) {
    if (m_openProject != nullptr || repository == nullptr) {
        return false;
    }
    m_preferencesMediator.reset();
    m_preferencesStorage.reset();
    m_repository = std::move(repository);
    m_preferencesStorage = m_repository->OpenPreferencesProject();
    if (m_noPreferences == 0) {
        QNodeFactory factory = MakeNodeFactory();
        m_preferencesMediator = factory.CreateNodeWithMediator(
            nullptr, &m_nodeContainer, kPreferencesNodeKind, m_preferencesStorage.get(), true);
        AttachPreferencesMediator();
        if (QAnalyzerOptions* analyzer = m_preferencesMediator->GetAnalyzerOptions()) {
            analyzer->SetManualDriver(kManualAnalyzerDriver);
            analyzer->SetLoadedDriver(kLoadedAnalyzerDriver, 0);
        }
    }
    return true;
}

void TfrmMainApp::ShowCurrentRepository() {
    std::vector<QRegistryEntry> entries;
    ReadRegistryIdNameList(entries, kRepositoriesKey, SettingsRoot::CurrentUser);
    m_repositoryText = entries.empty() ? std::string(kNoRepositoryListedText) : entries.front().m_text;
}

// --- Preferences node ---

void TfrmMainApp::AttachPreferencesMediator() {
    m_preferencesMediator->SetContainer(&m_nodeContainer);
    m_preferencesMediator->SetKind(kPreferencesNodeKind);
    BindPreferencesToFormView();
}

void TfrmMainApp::BindPreferencesToFormView() {
    // The Preferences node's sheet opens over the project's form view, made by its view factory.
    m_preferencesMediator->SetMainWindow(m_formView);
    m_preferencesMediator->SetViewFactory(m_formView != nullptr ? m_formView->GetViewFactory() : nullptr);
}

void TfrmMainApp::SetPreferencesMediator(std::unique_ptr<QNodeMediator> mediator) {
    m_preferencesMediator = std::move(mediator);
    if (m_preferencesMediator == nullptr) {
        return;
    }
    AttachPreferencesMediator();
    if (QAnalyzerOptions* analyzer = m_preferencesMediator->GetAnalyzerOptions()) {
        GetScannerContext().SetScannerId(analyzer->GetScannerId());
        GetScannerContext().SetVersionFromString(analyzer->GetVersionText());
    }
}

bool TfrmMainApp::OpenPreferences(const std::string& name) {
    QSettingsSheet* sheet =
        m_preferencesMediator != nullptr ? m_preferencesMediator->OpenNodeSettings(name) : nullptr;
    if (sheet == nullptr) {
        return false;
    }
    sheet->ShowModal();
    return true;
}

// --- Project windows and projects ---

void TfrmMainApp::RegisterProjectTree(uint32_t windowNumber, CViewTree* tree) {
    m_projectTrees[windowNumber] = tree;
}

CViewTree* TfrmMainApp::GetProjectTree(uint32_t windowNumber) const {
    const auto it = m_projectTrees.find(windowNumber);
    return it != m_projectTrees.end() ? it->second : nullptr;
}

std::unique_ptr<TfrmProjectView> TfrmMainApp::MakeProjectView(uint32_t windowNumber,
                                                              QProjectFormView* formView) {
    auto view = std::make_unique<TfrmProjectView>(*this, m_mainFrame, *m_repository);
    view->SetWindowNumber(windowNumber);
    view->SetFormView(formView);
    return view;
}

bool TfrmMainApp::NewProject(uint32_t windowNumber, QProjectFormView* formView) {
    if (m_repository == nullptr) {
        return false;
    }
    m_openProject.reset();
    m_overlays.Clear();
    m_formView = formView;
    if (m_preferencesMediator != nullptr) {
        BindPreferencesToFormView();
    }
    if (m_engine != nullptr) {
        m_engine->SetWindow(formView != nullptr ? formView->GetParentWindow() : nullptr);
    }
    auto view = MakeProjectView(windowNumber, formView);
    if (!view->NewProject()) {
        return false;
    }
    m_openProject = std::move(view);
    m_untitled = 1;
    return true;
}

bool TfrmMainApp::OpenProject(uint32_t windowNumber, const std::string& projectFilePath,
                              QProjectFormView* formView) {
    if (m_repository == nullptr) {
        return false;
    }
    m_openProject.reset();
    // A successful load installs the project's overlays; a failed open leaves the list as it was,
    // also when the tree is refused after the file was read.
    QOverlayControlList previous;
    previous.Swap(m_overlays);
    auto view = MakeProjectView(windowNumber, formView);
    if (!view->OpenProject(projectFilePath)) {
        m_overlays.Swap(previous);
        return false;
    }
    m_openProject = std::move(view);
    m_formView = formView;
    if (m_preferencesMediator != nullptr) {
        BindPreferencesToFormView();
    }
    if (m_engine != nullptr) {
        m_engine->SetWindow(formView != nullptr ? formView->GetParentWindow() : nullptr);
    }
    m_untitled = 0;
    return true;
}

bool TfrmMainApp::SaveProject() {
    return m_openProject != nullptr && m_openProject->SaveProject();
}

bool TfrmMainApp::SaveProjectAs(const std::string& projectFilePath) {
    return m_openProject != nullptr && m_openProject->SaveProjectAs(projectFilePath);
}

void TfrmMainApp::CloseProject() {
    m_closing = 1;
    m_openProject.reset();
    m_overlays.Clear();
}

QNodeMediator* TfrmMainApp::AddNodeToSelected(uint16_t kind) {
    return m_openProject != nullptr ? m_openProject->AddNodeToSelected(kind) : nullptr;
}

bool TfrmMainApp::DeleteSelectedNode() {
    return m_openProject != nullptr && m_openProject->DeleteSelectedNode();
}

void TfrmMainApp::RefreshAllNodeViews() {
    if (m_openProject != nullptr) {
        m_openProject->RefreshAllNodeViews();
    }
}

void TfrmMainApp::RebuildAllNodeViews(bool rebuild) {
    if (m_openProject != nullptr) {
        m_openProject->RebuildAllNodeViews(rebuild);
    }
}

void TfrmMainApp::SetCopiedScanData(QNodeMediator* mediator, int32_t scanId) {
    m_copiedMediator = mediator;
    m_copiedScanId = mediator != nullptr ? scanId : -1;
}

bool TfrmMainApp::GetCopiedScanData(QNodeMediator*& mediator, int32_t& scanId) const {
    if (m_copiedMediator == nullptr || !IsNodeMediatorInProject(m_copiedMediator)) {
        return false;
    }
    mediator = m_copiedMediator;
    scanId = m_copiedScanId;
    return true;
}

void TfrmMainApp::ForgetCopiedScanData(const QNodeMediator* mediator) {
    if (mediator != nullptr && mediator == m_copiedMediator) {
        m_copiedMediator = nullptr;
        m_copiedScanId = -1;
    }
}

bool TfrmMainApp::IsNodeMediatorInProject(QNodeMediator* mediator) const {
    return m_openProject != nullptr && m_openProject->IsNodeMediatorInProject(mediator);
}

size_t TfrmMainApp::CountUsersOfOverlayPicture(uint32_t overlayId) const {
    return m_openProject != nullptr ? m_openProject->CountUsersOfOverlayPicture(overlayId) : 0;
}

// --- Scanning engine ---

bool TfrmMainApp::ConnectScanEngine() {
    if (m_engine == nullptr) {
        return false;
    }
    m_engine->ConnectCommandChannel(kEngineHost, kCommandPort);
    m_engine->ConnectDataChannel(kEngineHost, kDataPort);
    return m_engine->CreateDriverConnection();
}

bool TfrmMainApp::DisconnectScanEngine() {
    if (m_engine != nullptr) {
        m_engine->DestroyDriverConnection();
    }
    return true;
}

bool TfrmMainApp::RunScan() {
    QNodeMediator* selected = m_openProject != nullptr ? m_openProject->GetSelectedMediator() : nullptr;
    if (selected == nullptr) {
        ShowPrompt(kSelectNodeText, "", PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    if (!IsScanKind(selected->GetKind())) {
        ShowPrompt(kWrongKindText, "", PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    return m_engine != nullptr && m_engine->RunScan(*selected, false);
}

bool TfrmMainApp::StopScan() {
    if (m_engine != nullptr) {
        m_engine->StopScan();
    }
    return true;
}

// --- Overlays ---

COverlayControl* TfrmMainApp::FindOverlayControl(uint32_t overlayId) const {
    const auto& controls = m_overlays.GetControls();
    const auto it = std::find_if(controls.begin(), controls.end(), [overlayId](const auto& control) {
        return control->GetOverlayId() == overlayId;
    });
    return it != controls.end() ? it->get() : nullptr;
}

bool TfrmMainApp::FindOverlayControlBySourceSize(uint32_t sourceFileSize, uint8_t& sourceKind,
                                                 uint32_t& overlayId) const {
    for (const auto& control : m_overlays.GetControls()) {
        if (control->GetSourceFileSize() == sourceFileSize) {
            sourceKind = control->GetSourceKind();
            overlayId = control->GetOverlayId();
            return true;
        }
    }
    return false;
}

bool TfrmMainApp::DeleteOverlayControl(uint32_t overlayId) {
    auto& controls = m_overlays.GetControls();
    const auto it = std::find_if(controls.begin(), controls.end(), [overlayId](const auto& control) {
        return control->GetOverlayId() == overlayId;
    });
    if (it == controls.end()) {
        return false;
    }
    controls.erase(it);
    return true;
}

bool TfrmMainApp::AddPcbOverlayControl(const std::vector<uint8_t>& drawing, uint32_t overlayId,
                                       uint32_t sourceFileSize, bool atFront) {
    auto control = std::make_unique<COverlayControl>();
    control->SetSourceKind(COverlayControl::kPcbDrawing);
    control->SetOverlayId(overlayId);
    control->SetSourceFileSize(sourceFileSize);
    control->SetDrawingBlob(drawing.data(), static_cast<uint32_t>(drawing.size()));
    m_overlays.Add(std::move(control), atFront);
    return true;
}

bool TfrmMainApp::AddPictureOverlayControl(const uint8_t* bytes, uint32_t length, uint32_t overlayId,
                                           uint32_t sourceFileSize, bool atFront) {
    auto control = std::make_unique<COverlayControl>();
    control->SetSourceKind(COverlayControl::kPictureFile);
    control->SetOverlayId(overlayId);
    control->SetSourceFileSize(sourceFileSize);
    control->SetPictureBytes(bytes, length);
    m_overlays.Add(std::move(control), atFront);
    return true;
}

// --- Node container of the Preferences node ---

QNodeMediator* TfrmMainApp::GetParentMediator(QNodeMediator& /*mediator*/) {
    return nullptr;
}

QNodeMediator* TfrmMainApp::AddChildNode(QNodeMediator& /*parent*/, uint16_t /*kind*/) {
    return nullptr;
}

bool TfrmMainApp::DeleteChildNode(QNodeMediator& /*child*/) {
    return false;
}

std::vector<QNodeMediator*> TfrmMainApp::GetChildMediators(QNodeMediator& /*parent*/) {
    std::vector<QNodeMediator*> children;
    if (m_openProject != nullptr) {
        if (QNodeMediator* root = m_openProject->GetRootMediator()) {
            children.push_back(root);
        }
    }
    return children;
}

void TfrmMainApp::UpdateNodeItem(QNodeMediator& /*mediator*/, int32_t /*code*/) {}

void TfrmMainApp::AddSpectralScanDataToList(CSpectralScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                            QNodeMediator& /*mediator*/) {}

void TfrmMainApp::AddSpatialScanDataToList(CSpatialScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                           QNodeMediator& /*mediator*/) {}

void TfrmMainApp::AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& /*scan*/, bool /*live*/,
                                                   QNodeMediator& /*mediator*/) {}

void TfrmMainApp::AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& /*scan*/, bool /*live*/,
                                                 QNodeMediator& /*mediator*/) {}

} // namespace orv
