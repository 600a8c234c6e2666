#include "app/panes/TTreeNodeList.h"

namespace orv {

CTreeItem* TTreeNodeList::Append(std::unique_ptr<CTreeItem> record) {
    CTreeItem* added = record.get();
    m_records.push_back(std::move(record));
    m_byItem[added->m_item] = std::prev(m_records.end());
    if (added->m_mediator != nullptr) {
        m_byMediator[added->m_mediator] = added;
    }
    return added;
}

void TTreeNodeList::Remove(CTreeItem* record) {
    if (record == nullptr) {
        return;
    }
    const auto found = m_byItem.find(record->m_item);
    if (found == m_byItem.end() || found->second->get() != record) {
        return;
    }
    SetMediator(record, nullptr);
    const auto position = found->second;
    m_byItem.erase(found);
    m_records.erase(position);
}

void TTreeNodeList::Clear() {
    m_byItem.clear();
    m_byMediator.clear();
    m_records.clear();
}

CTreeItem* TTreeNodeList::Find(const QTreeWidgetItem* item) const {
    const auto found = m_byItem.find(item);
    return found != m_byItem.end() ? found->second->get() : nullptr;
}

CTreeItem* TTreeNodeList::FindByMediator(const QNodeMediator* mediator) const {
    if (mediator == nullptr) {
        return nullptr;
    }
    const auto found = m_byMediator.find(mediator);
    return found != m_byMediator.end() ? found->second : nullptr;
}

void TTreeNodeList::SetMediator(CTreeItem* record, QNodeMediator* mediator) {
    if (record->m_mediator != nullptr) {
        const auto found = m_byMediator.find(record->m_mediator);
        if (found != m_byMediator.end() && found->second == record) {
            m_byMediator.erase(found);
        }
    }
    record->m_mediator = mediator;
    if (mediator != nullptr) {
        m_byMediator[mediator] = record;
    }
}

} // namespace orv
