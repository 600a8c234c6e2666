#pragma once

#include "project/QProjectDescriptor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class QNodeMediator;
class TfrmMainApp;

// One node of a project tree as the storage sees it: the node's mediator and its parent's. The
// Preferences node and the tree's root name themselves as their parent.
struct QNodePair {
    QNodeMediator* m_node = nullptr;
    QNodeMediator* m_parent = nullptr;
};

// The tree in the order the project view builds it: the Preferences node first, then the root,
// then every other node after its parent.
using QNodePairList = std::vector<QNodePair>;

// Texts the storage layer may leave for the caller to show after a failed load or save.
using QStorageErrorList = std::vector<std::string>;

// The interface through which an open project is loaded and saved. One storage manager stands for
// one project; the caller that receives it from the repository owns it. Node mediators are only
// borrowed for the length of a call.
class QProjectStorageManager {
public:
    QProjectStorageManager() = default;
    QProjectStorageManager(const QProjectStorageManager&) = delete;
    QProjectStorageManager& operator=(const QProjectStorageManager&) = delete;
    virtual ~QProjectStorageManager();

    // The project this storage manager stands for now (a save under a new name changes it).
    virtual std::shared_ptr<QProjectDescriptor> GetProjectDescriptor() const = 0;

    // Writes the node-table form of the project (node table, node files, scan files) and commits
    // it as the saved copy. True when written; failures throw.
    virtual bool WriteNodeTable(const QNodePairList& pairs) = 0;

    // The project file. The window is the project window whose overlay list travels with the file;
    // the error list receives texts for the user.
    virtual bool SaveProject(TfrmMainApp* window, const QNodePairList& pairs, QStorageErrorList& errors) = 0;
    // Saves as the project whose project file is at the path, which from then on is the project
    // this storage manager stands for. When the save fails nothing changes: the old project stays
    // current.
    virtual bool SaveProjectAs(TfrmMainApp* window, const QNodePairList& pairs, QStorageErrorList& errors,
                               const std::string& projectFilePath) = 0;
    // Rebuilds the pairs from the node table and node files of the saved copy, checking every id.
    virtual bool ValidateNodes(QNodePairList& pairs, QStorageErrorList& errors) = 0;
    virtual bool LoadProject(TfrmMainApp* window, QNodePairList& pairs, QStorageErrorList& errors) = 0;

    // The scan file of one node, by the kind of its scan container. Each holds the node's
    // container lock for its whole length.
    virtual void StoreSpectralScanData(QNodeMediator& mediator) = 0;
    virtual void StoreSpatialScanData(QNodeMediator& mediator) = 0;
    virtual void StoreSpectralSpatialScanData(QNodeMediator& mediator) = 0;
    virtual void StoreCableScanData(QNodeMediator& mediator) = 0;
    virtual void StoreCurrentClampScanData(QNodeMediator& mediator) = 0;
    virtual void LoadSpectralScanData(QNodeMediator& mediator) = 0;
    virtual void LoadSpatialScanData(QNodeMediator& mediator) = 0;
    virtual void LoadCableScanData(QNodeMediator& mediator) = 0;
    virtual void LoadSpectralSpatialScanData(QNodeMediator& mediator) = 0;
    virtual void LoadCurrentClampScanData(QNodeMediator& mediator) = 0;

    // 0, 1, 2, ... on a fresh storage manager.
    virtual uint32_t AllocateNodeID() = 0;
    virtual std::string GetProjectName() const = 0;

    // Expires when this storage manager is destroyed: lets the repository that handed it out tell
    // which projects are open without owning the storage managers.
    std::weak_ptr<const void> GetLifetimeToken() const { return m_lifetime; }

private:
    std::shared_ptr<const int> m_lifetime = std::make_shared<const int>(0);
};

} // namespace orv
