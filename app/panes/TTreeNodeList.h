#pragma once

// The project tree's records: one per tree item, each pointing at the node's mediator. The list
// owns them in insertion order, the root's first, and finds them by item and by mediator through
// hashes, so that a project of many nodes is not searched item by item.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

class QTreeWidgetItem;

namespace orv {

class CViewTreeWidget;
class QNodeMediator;

// The record of one tree item.
struct CTreeItem {
    QTreeWidgetItem* m_item = nullptr;
    CViewTreeWidget* m_tree = nullptr;
    // The node's type id (2000-2033); 2007 for the root.
    uint16_t m_kind = 0;
    std::string m_name;
    // Root 0, a child one more than its parent; -1 before insertion.
    int32_t m_depth = -1;
    CTreeItem* m_parent = nullptr;
    QNodeMediator* m_mediator = nullptr;
    // The picture indexes the project view asks for (another numbering than the tree's images):
    // kept, not drawn.
    int32_t m_modelImage = -1;
    int32_t m_modelSelectedImage = -1;
    // Where the item stood among its siblings when last looked at: walking siblings stays linear.
    mutable int32_t m_indexHint = 0;
};

class TTreeNodeList {
public:
    TTreeNodeList() = default;
    TTreeNodeList(const TTreeNodeList&) = delete;
    TTreeNodeList& operator=(const TTreeNodeList&) = delete;

    CTreeItem* Append(std::unique_ptr<CTreeItem> record);
    // Frees the record; its item is the caller's.
    void Remove(CTreeItem* record);
    void Clear();

    // The root record, or null.
    CTreeItem* GetFirst() const { return m_records.empty() ? nullptr : m_records.front().get(); }
    CTreeItem* Find(const QTreeWidgetItem* item) const;
    CTreeItem* FindByMediator(const QNodeMediator* mediator) const;
    // The record now carries another mediator (null: none).
    void SetMediator(CTreeItem* record, QNodeMediator* mediator);
    size_t GetCount() const { return m_records.size(); }

    template <class F> void ForEach(F&& f) const {
        for (const auto& record : m_records) {
            f(*record);
        }
    }

private:
    using Records = std::list<std::unique_ptr<CTreeItem>>;
    Records m_records;
    std::unordered_map<const QTreeWidgetItem*, Records::iterator> m_byItem;
    std::unordered_map<const QNodeMediator*, CTreeItem*> m_byMediator;
};

} // namespace orv
