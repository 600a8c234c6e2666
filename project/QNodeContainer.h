#pragma once

#include <cstdint>
#include <vector>

namespace orv {

class CHandHeldProbeScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class QNodeMediator;
class QProjectStorageManager;

// What a node mediator reaches of the container that holds its node: the project window's node
// container, or the project view that also shows the nodes in the tree and lists their scans.
class QNodeContainer {
public:
    QNodeContainer() = default;
    QNodeContainer(const QNodeContainer&) = delete;
    QNodeContainer& operator=(const QNodeContainer&) = delete;
    virtual ~QNodeContainer();

    // The mediator of the node's parent; null when the container holds no tree.
    virtual QNodeMediator* GetParentMediator(QNodeMediator& mediator) = 0;
    // The mediators of the node's children in the tree, in tree order.
    virtual std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent) = 0;
    // The storage manager of the project that holds the node.
    virtual QProjectStorageManager* GetStorageManager() = 0;
    // Redraws the node's tree item (code 5: its name, icon or link changed).
    virtual void UpdateNodeItem(QNodeMediator& mediator, int32_t code) = 0;
    // Marks the project as changed.
    virtual void MarkModified() = 0;
    // Refreshes the views of every node of the project (after settings were applied).
    virtual void RefreshAllNodeViews() = 0;
    // Sets every node's view-rebuild flags (QNodeMediator::SetViewRebuildFlags), then refreshes the
    // views of every node.
    virtual void RebuildAllNodeViews(bool rebuild) = 0;
    // The mediator of the project's Preferences node; null while there is none.
    virtual QNodeMediator* GetPreferencesMediator() = 0;

    // A new node of the kind as the parent's last child, with its mediator (the container owns
    // it); null when the container holds no tree or the parent is not in it. Marks the project
    // modified.
    virtual QNodeMediator* AddChildNode(QNodeMediator& parent, uint16_t kind) = 0;
    // Deletes the node with its whole subtree; false (nothing deleted) when the container does not
    // hold it or refuses (the root, a node whose scan runs). The mediator is gone afterwards.
    virtual bool DeleteChildNode(QNodeMediator& child) = 0;

    // A scan was added to (new entry) or refreshed in the node's list: the container records it as
    // the node's current scan, writes its ID into the mediator, adds or updates its row in the
    // scan-data list and, for a live scan, marks the project modified.
    virtual void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                           QNodeMediator& mediator) = 0;
    virtual void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                          QNodeMediator& mediator) = 0;
    virtual void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                  QNodeMediator& mediator) = 0;
    // Called on every cell of a hand-held scan.
    virtual void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                                QNodeMediator& mediator) = 0;
};

} // namespace orv
