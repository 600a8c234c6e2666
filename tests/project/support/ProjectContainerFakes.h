#pragma once

// Fakes for the project-window container tests: the project tree control, the main frame with its
// folder browser and scanning engine, a mediator that owns its node (what the node factory is given
// to make), and project-file operations whose load and save a test scripts.

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "platform/msg/MessageTarget.h"
#include "project/CViewTree.h"
#include "project/QMainFrame.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFileOperations.h"
#include "project/QProjectFormView.h"
#include "project/QScanEngineLink.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

struct CTreeItem {
    CTreeItem* parent = nullptr;
    std::vector<CTreeItem*> children;
    std::string label;
    QNodeMediator* mediator = nullptr;
    bool expanded = false;
    int32_t image = -1;
    int32_t selectedImage = -1;
};

} // namespace orv

namespace orv::containertest {

class FakeViewTree : public CViewTree {
public:
    void Repaint() override { ++repaints; }
    void SelectNode(QNodeMediator& mediator) override;
    CTreeItem* AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                        QNodeMediator* mediator, bool expand) override;
    void DeleteItem(CTreeItem* item) override;
    void SetItemLabel(CTreeItem* item, const std::string& label) override { item->label = label; }
    void SetItemImages(CTreeItem* item, int32_t image, int32_t selectedImage) override;
    QNodeMediator* GetItemMediator(CTreeItem* item) override { return item->mediator; }
    void SetItemMediator(CTreeItem* item, QNodeMediator* mediator) override { item->mediator = mediator; }
    CTreeItem* GetRootItem() override { return roots.empty() ? nullptr : roots.front(); }
    CTreeItem* GetParentItem(CTreeItem* item) override { return item->parent; }
    CTreeItem* GetFirstChildItem(CTreeItem* item) override;
    CTreeItem* GetNextSiblingItem(CTreeItem* item) override;
    CTreeItem* GetSelectedItem() override { return selected; }
    void SelectItem(CTreeItem* item) override { selected = item; }

    // The item that carries the mediator, or null.
    CTreeItem* Find(QNodeMediator* mediator);
    // "label(child,child(...))" of the whole tree, for comparing shapes.
    std::string Outline();
    size_t ItemCount() const { return items.size(); }

    std::vector<std::unique_ptr<CTreeItem>> items;
    std::vector<CTreeItem*> roots;
    CTreeItem* selected = nullptr;
    int repaints = 0;

private:
    std::vector<CTreeItem*>& Siblings(CTreeItem* item) {
        return item->parent ? item->parent->children : roots;
    }
    std::string Outline(CTreeItem* item);
};

class FakeEngineLink : public QScanEngineLink {
public:
    bool ConnectCommandChannel(const std::string& host, uint16_t port) override;
    bool ConnectDataChannel(const std::string& host, uint16_t port) override;
    void SetWindow(QProjectWindow* newWindow) override { window = newWindow; }
    bool CreateDriverConnection() override { return driverResult; }
    void DestroyDriverConnection() override { ++driverDestroyed; }
    bool RunScan(QNodeMediator& mediator, bool continuous) override;
    void StopScan() override { ++stops; }
    bool IsCommandAllowed(uint32_t command) override {
        askedCommands.push_back(command);
        return commandsAllowed;
    }

    std::vector<std::string> connections; // "host:port"
    QProjectWindow* window = nullptr;
    bool driverResult = true;
    int driverDestroyed = 0;
    std::vector<std::pair<QNodeMediator*, bool>> runs;
    int stops = 0;
    bool commandsAllowed = false;
    std::vector<uint32_t> askedCommands;
};

// The main frame's ExitProgram in a test: thrown instead of ending the process.
struct ProgramExit {
    int code = 0;
};

class FakeMainFrame : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return &engine; }
    // Answers the scripted choices in order; cancels when none is left.
    std::optional<std::string> BrowseForFolder(const std::string& title) override;
    [[noreturn]] void ExitProgram(int exitCode) override { throw ProgramExit{exitCode}; }
    void DisableScreenSaver() override { ++screenSaverDisabled; }

    FakeEngineLink engine;
    std::deque<std::optional<std::string>> folderChoices;
    std::vector<std::string> browseTitles;
    int screenSaverDisabled = 0;
};

// A project window's form view that records the messages it receives (once pumped); its parent
// window is a plain project window.
class FakeFormView : public QProjectFormView {
public:
    FakeFormView() : m_target(*this, m_thread), m_parent(m_thread) {}

    MessageTarget& GetMessageTarget() override { return m_target; }
    QProjectWindow* GetParentWindow() override { return &m_parent; }
    QScanDataList* GetScanDataList() override { return nullptr; }
    QViewFactory* GetViewFactory() override { return nullptr; }
    void AddSpectralScanDataToList(CSpectralScanData&, bool, bool, QNodeMediator&) override {}
    void AddSpatialScanDataToList(CSpatialScanData&, bool, bool, QNodeMediator&) override {}
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData&, bool, QNodeMediator&) override {}
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData&, bool, QNodeMediator&) override {}

    // Delivers what was posted and answers the message ids received so far.
    std::vector<uint32_t> Received() {
        m_thread.Pump();
        return m_received;
    }

private:
    class Target : public MessageTarget {
    public:
        Target(FakeFormView& view, MessageThread& thread) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override {
            m_view.m_received.push_back(message.id);
            return 0;
        }

    private:
        FakeFormView& m_view;
    };
    class ParentWindow : public QProjectWindow {
    public:
        explicit ParentWindow(MessageThread& thread) : m_target(thread) {}
        MessageTarget& GetMessageTarget() override { return m_target; }

    private:
        class Silent : public MessageTarget {
        public:
            using MessageTarget::MessageTarget;

        protected:
            int64_t HandleMessage(Message& /*message*/) override { return 0; }
        } m_target;
    };

    MessageThread m_thread;
    std::vector<uint32_t> m_received;
    Target m_target;
    ParentWindow m_parent;
};

// A fundamental mediator for the tests: owns the node the factory gives it and answers from it.
class NodeOwningMediator : public QNodeMediator {
public:
    NodeOwningMediator();
    ~NodeOwningMediator() override;

    // Mediators of this kind alive now.
    static int Alive();

    QNode* GetNode() override { return m_node.get(); }
    void SetNode(std::unique_ptr<QNode> node) override { m_node = std::move(node); }
    void Detach() override { ++detached; }
    bool IsScanning() override { return scanning; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    std::string GetName() override { return m_node ? m_node->GetName() : std::string(); }
    void SetName(const std::string& name) override;
    uint32_t GetNodeID() override { return m_node ? m_node->GetID() : 0xFFFFFFFFU; }
    int32_t GetImageIndex() override { return imageIndex; }
    QAnalyzerOptions* GetAnalyzerOptions() override {
        return m_node ? m_node->GetAnalyzerOptions() : nullptr;
    }
    QOverlayOptions* GetOverlayOptions() override { return m_node ? m_node->GetOverlayOptions() : nullptr; }
    uint32_t GetDataSize() override { return 4; }
    void WriteData(QDataWriter& writer) override { writer.WriteU32(0); }
    void ReadData(QDataReader& reader) override { reader.ReadU32(); }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }

    bool scanning = false;
    int detached = 0;
    int32_t imageIndex = 7;

private:
    std::unique_ptr<QNode> m_node;
};

// A mediator of the test kind that owns the node of `kind` with the ID, made without the factory.
std::unique_ptr<NodeOwningMediator> MakeLoadedNode(uint16_t kind, uint32_t id);

// Project-file operations for the storage managers of a test repository: the load and the save do
// what the test sets; the save records the pairs it was given as (node ID, parent node ID).
class ScriptedFileOperations : public QProjectFileOperations {
public:
    using LoadScript = std::function<bool(TfrmMainApp*, QNodePairList&, QStorageErrorList&)>;
    using SaveScript = std::function<bool(QStorageErrorList&)>;

    bool SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                     const QNodePairList& pairs, QStorageErrorList& errors) override;
    bool LoadProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window, QNodePairList& pairs,
                     QStorageErrorList& errors) override;
    bool ValidateNodes(QFileSystemProjectStorageManager& storage, QNodePairList& pairs,
                       QStorageErrorList& errors) override;

    LoadScript load;
    SaveScript save;
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> savedPairs;
    std::vector<QNodePairList> savedMediators;
};

} // namespace orv::containertest
