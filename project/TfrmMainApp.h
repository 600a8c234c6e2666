#pragma once

#include "project/CClipboardHelper.h"
#include "project/COverlayPlacement.h"
#include "project/QNodeContainerImpl.h"
#include "project/QNodeFactory.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectStorageManager.h"
#include "project/QProjectStorageManagerFactory.h"
#include "project/QRepositoryManager.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class CViewTree;
class COverlayControl;
class QDataReader;
class QDataWriter;
class QMainFrame;
class QNodeMediator;
class QProjectFormView;
class QScanEngineLink;
class TfrmProjectView;

// The container behind one project window. It chooses and owns the repository, owns the preferences
// project with its Preferences node, owns the open project's node tree (TfrmProjectView), keeps the
// project's PCB overlays, and hands the main frame's project commands to the right object. For the
// Preferences node it is the node container itself.
//
// The repository folder the user chose is kept in the user settings and reopened at the next start.
// The repository is not switched while a project is open: the open project's storage manager belongs
// to it.
//
// User-interface thread only.
class TfrmMainApp {
public:
    static constexpr const char* kRepositoriesKey = "Software\\QZV Technologies\\Stavren\\Repositories";
    static constexpr const char* kLastRepositoryValue = "LastRepository";
    static constexpr const char* kNoRepositoryText =
        "Error#350: No project repository has been selected or the selected repository cannot be "
        "located.\nPush OK to select a repository now or Cancel to Exit.";
    static constexpr const char* kNoRepositoryCaption = "No Project Repository";
    static constexpr const char* kBrowseTitle = "Select Repository Root Directory";
    static constexpr const char* kInvalidPathText = "Error#343: The selected path is invalid.";
    static constexpr const char* kInvalidPathCaption = "Invalid Repository";
    static constexpr const char* kRepositoryInUseText =
        "The repository cannot be changed while a project is open. Close the project first.";
    static constexpr const char* kNoRepositoryListedText = "No repository currently selected.";
    // The repository a user works in until another is chosen: this folder in the user's data folder.
    static constexpr const char* kDefaultRepositoryName = "Repository";
    static constexpr const char* kSelectNodeText =
        "The node needs to be selected before the scan can be performed!";
    static constexpr const char* kWrongKindText = "Scan can't be run for this kind of node!";
    static constexpr const char* kEngineHost = "127.0.0.1";
    static constexpr uint16_t kCommandPort = 5005;
    static constexpr uint16_t kDataPort = 6006;

    // Opens the repository chosen last, else the user's default repository (made when missing);
    // when neither can be had it asks the user for a folder until one is chosen, or ends the program
    // (exit code 0) when the user cancels. With `noPreferences` no
    // Preferences node is made: an opened project brings its own. The storage managers of the
    // repository's projects come from the storage factory; the node factories this window uses make
    // their fundamental mediators with `makeFundamental`.
    TfrmMainApp(QMainFrame& mainFrame, bool noPreferences,
                std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                QNodeFactory::FundamentalMediatorMaker makeFundamental);
    ~TfrmMainApp();
    TfrmMainApp(const TfrmMainApp&) = delete;
    TfrmMainApp& operator=(const TfrmMainApp&) = delete;

    // The container made last and still alive; null when there is none.
    static TfrmMainApp* GetCurrentProjectContainer();

    // --- Repository ---

    // The user's default repository folder: kDefaultRepositoryName in the user data folder.
    static std::string GetDefaultRepositoryFolder();
    // Asks the user for a repository folder and opens it; the choice is remembered for the next
    // start. False when cancelled, the choice was invalid, or a project is open.
    bool ChooseRepositoryFolder();
    // Takes over the repository, with a new preferences project (and Preferences node unless the
    // no-preferences flag is set). False, and the repository is dropped, while a project is open.
    bool SetRepository(std::unique_ptr<QRepositoryManager> repository);
    QRepositoryManager* GetRepository() const { return m_repository.get(); }
    QProjectStorageManager* GetPreferencesStorageManager() const { return m_preferencesStorage.get(); }
    // Updates the line that names the current repository from the user settings.
    void ShowCurrentRepository();
    const std::string& GetRepositoryText() const { return m_repositoryText; }

    // --- Preferences node ---

    QNodeMediator* GetPreferencesMediator() const { return m_preferencesMediator.get(); }
    // The loaded project's Preferences node replaces the current one; the scanner context takes its
    // scanner id and version text.
    void SetPreferencesMediator(std::unique_ptr<QNodeMediator> mediator);
    // Shows the Preferences node's settings sheet, captioned after `name`, modally; false when the
    // project has no Preferences node or no sheet was made.
    bool OpenPreferences(const std::string& name = "Preference123");
    // The node container of the Preferences node (and the owner handed to the node factory for
    // nodes this window loads).
    QNodeContainer* GetNodeContainer() { return &m_nodeContainer; }
    // A node factory for the nodes of this window.
    QNodeFactory MakeNodeFactory() const { return QNodeFactory(m_makeFundamental); }
    const QNodeFactory::FundamentalMediatorMaker& GetFundamentalMediatorMaker() const {
        return m_makeFundamental;
    }

    // --- Project windows and projects ---

    void SetProjectId(uint32_t id) { m_projectId = id; }
    uint32_t GetProjectId() const { return m_projectId; }
    // The tree must outlive every project opened on it: closing a project removes its items.
    void RegisterProjectTree(uint32_t windowNumber, CViewTree* tree);
    CViewTree* GetProjectTree(uint32_t windowNumber) const;
    QMainFrame& GetMainFrame() const { return m_mainFrame; }
    QProjectFormView* GetProjectFormView() const { return m_formView; }

    bool NewProject(uint32_t windowNumber, QProjectFormView* formView);
    bool OpenProject(uint32_t windowNumber, const std::string& projectFilePath, QProjectFormView* formView);
    bool SaveProject();
    bool SaveProjectAs(const std::string& projectFilePath);
    void CloseProject();
    TfrmProjectView* GetOpenProject() const { return m_openProject.get(); }
    bool IsUntitled() const { return m_untitled != 0; }
    bool IsClosing() const { return m_closing != 0; }

    // While the report generator's sheet is open, the tree and the list offer no operation.
    void SetReportGeneratorOpen(bool open) { m_reportGeneratorOpen = open ? 1 : 0; }
    bool IsReportGeneratorOpen() const { return m_reportGeneratorOpen != 0; }

    QNodeMediator* AddNodeToSelected(uint16_t kind);
    bool DeleteSelectedNode();

    // --- The copy slot: the source of a later paste ---

    // "Copy Scan Data" of a view: the node's mediator and the scan it shows.
    void SetCopiedScanData(QNodeMediator* mediator, int32_t scanId);
    // The copied scan's mediator and id; false (outputs untouched) when nothing was copied or the
    // node is no longer part of the open project.
    bool GetCopiedScanData(QNodeMediator*& mediator, int32_t& scanId) const;
    // A node going: a slot that names it is emptied, so that a later node at the same address is
    // never taken for it.
    void ForgetCopiedScanData(const QNodeMediator* mediator);
    void RefreshAllNodeViews();
    void RebuildAllNodeViews(bool rebuild);
    bool IsNodeMediatorInProject(QNodeMediator* mediator) const;
    size_t CountUsersOfOverlayPicture(uint32_t overlayId) const;

    // --- Scanning engine ---

    bool ConnectScanEngine();
    bool DisconnectScanEngine();
    // Runs one scan of the selected node, which must be a scan node.
    bool RunScan();
    bool StopScan();

    // --- Overlays ---

    COverlayControl* FindOverlayControl(uint32_t overlayId) const;
    bool FindOverlayControlBySourceSize(uint32_t sourceFileSize, uint8_t& sourceKind,
                                        uint32_t& overlayId) const;
    bool DeleteOverlayControl(uint32_t overlayId);
    // `drawing` is the serialised drawing of the PCB.
    bool AddPcbOverlayControl(const std::vector<uint8_t>& drawing, uint32_t overlayId,
                              uint32_t sourceFileSize, bool atFront);
    bool AddPictureOverlayControl(const uint8_t* bytes, uint32_t length, uint32_t overlayId,
                                  uint32_t sourceFileSize, bool atFront);
    void ReadOverlayControls(QDataReader& reader) { m_overlays.ReadOverlayControls(reader); }
    void WriteOverlayControls(QDataWriter& writer) const { m_overlays.WriteOverlayControls(writer); }
    QOverlayControlList& GetOverlayControls() { return m_overlays; }
    // The project's overlay clipboard: the overlay ID and placement that Copy Overlay of an overlay
    // editor kept for Paste Overlay (in any editor of this project).
    const COverlayPlacement& GetOverlayClipboard() const { return m_overlayClipboard; }
    void SetOverlayClipboard(const COverlayPlacement& placement) { m_overlayClipboard = placement; }

    const std::array<CClipboardHelper, 3>& GetClipboardHelpers() const { return m_clipboard; }
    // The drag-enter questions keep their answers in the helpers.
    std::array<CClipboardHelper, 3>& GetClipboardHelpers() { return m_clipboard; }
    const std::string& GetStartFolder() const { return m_startFolder; }

    // --- The node container of the Preferences node ---

    // The Preferences node has no parent.
    QNodeMediator* GetParentMediator(QNodeMediator& mediator);
    // The open project's root node.
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent);
    // The preferences project's.
    QProjectStorageManager* GetStorageManager() const { return GetPreferencesStorageManager(); }
    // The Preferences node has no tree item and no scans, and the preferences project is not marked
    // modified: these do nothing.
    void UpdateNodeItem(QNodeMediator& mediator, int32_t code);
    void MarkModified() {}
    // The Preferences node has no child nodes of its own: none is made, none deleted.
    QNodeMediator* AddChildNode(QNodeMediator& parent, uint16_t kind);
    bool DeleteChildNode(QNodeMediator& child);
    void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                   QNodeMediator& mediator);
    void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry, QNodeMediator& mediator);
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live, QNodeMediator& mediator);
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live, QNodeMediator& mediator);

private:
    bool OpenLastRepository();
    bool OpenDefaultRepository();
    std::unique_ptr<QRepositoryManager> MakeRepository(const std::string& folder) const;
    void AttachPreferencesMediator();
    void BindPreferencesToFormView();
    std::unique_ptr<TfrmProjectView> MakeProjectView(uint32_t windowNumber, QProjectFormView* formView);

    // Counts the project windows of the process while it lives (also when the constructor throws).
    class OpenWindowCount {
    public:
        OpenWindowCount();
        ~OpenWindowCount();
        OpenWindowCount(const OpenWindowCount&) = delete;
        OpenWindowCount& operator=(const OpenWindowCount&) = delete;
        // Whether no other window was open when this one opened.
        bool IsOnlyWindow() const { return m_onlyWindow; }

    private:
        bool m_onlyWindow;
    };

    OpenWindowCount m_openWindowCount;
    QMainFrame& m_mainFrame;
    QScanEngineLink* m_engine = nullptr;
    std::shared_ptr<QProjectStorageManagerFactory> m_storageFactory;
    QNodeFactory::FundamentalMediatorMaker m_makeFundamental;
    uint8_t m_untitled = 1;
    std::unique_ptr<QRepositoryManager> m_repository;
    std::unique_ptr<QProjectStorageManager> m_preferencesStorage;
    QNodeContainerImpl<TfrmMainApp> m_nodeContainer{*this};
    std::unique_ptr<TfrmProjectView> m_openProject;
    QProjectFormView* m_formView = nullptr;
    uint8_t m_noPreferences = 0;
    uint8_t m_closing = 0;
    uint8_t m_reportGeneratorOpen = 0;
    uint32_t m_projectId = 0;
    std::map<uint32_t, CViewTree*> m_projectTrees;
    QOverlayControlList m_overlays;
    COverlayPlacement m_overlayClipboard;
    std::unique_ptr<QNodeMediator> m_preferencesMediator;
    std::array<CClipboardHelper, 3> m_clipboard;
    QNodeMediator* m_copiedMediator = nullptr;
    int32_t m_copiedScanId = -1;
    std::string m_repositoryText;
    std::string m_startFolder;
};

} // namespace orv
