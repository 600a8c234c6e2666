#include "tests/project/support/ProjectContainerFakes.h"

#include "project/QNodeFactory.h"

#include <algorithm>

namespace orv::containertest {
namespace {

int g_alive = 0;

} // namespace

void FakeViewTree::SelectNode(QNodeMediator& mediator) {
    selected = Find(&mediator);
}

CTreeItem* FakeViewTree::AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                                  QNodeMediator* mediator, bool expand) {
    items.push_back(std::make_unique<CTreeItem>());
    CTreeItem* item = items.back().get();
    item->parent = parent;
    item->label = label;
    item->mediator = mediator;
    item->expanded = expand;
    std::vector<CTreeItem*>& siblings = Siblings(item);
    const bool atEnd = position < 0 || static_cast<size_t>(position) >= siblings.size();
    siblings.insert(atEnd ? siblings.end() : siblings.begin() + position, item);
    return item;
}

void FakeViewTree::DeleteItem(CTreeItem* item) {
    while (!item->children.empty()) {
        DeleteItem(item->children.back());
    }
    std::erase(Siblings(item), item);
    if (selected == item) {
        selected = nullptr;
    }
    std::erase_if(items, [item](const auto& owned) { return owned.get() == item; });
}

void FakeViewTree::SetItemImages(CTreeItem* item, int32_t image, int32_t selectedImage) {
    item->image = image;
    item->selectedImage = selectedImage;
}

CTreeItem* FakeViewTree::GetFirstChildItem(CTreeItem* item) {
    return item->children.empty() ? nullptr : item->children.front();
}

CTreeItem* FakeViewTree::GetNextSiblingItem(CTreeItem* item) {
    std::vector<CTreeItem*>& siblings = Siblings(item);
    auto it = std::find(siblings.begin(), siblings.end(), item);
    return (it == siblings.end() || ++it == siblings.end()) ? nullptr : *it;
}

CTreeItem* FakeViewTree::Find(QNodeMediator* mediator) {
    for (const auto& item : items) {
        if (item->mediator == mediator) {
            return item.get();
        }
    }
    return nullptr;
}

std::string FakeViewTree::Outline(CTreeItem* item) {
    std::string text = item->label;
    if (!item->children.empty()) {
        text += "(";
        for (size_t i = 0; i < item->children.size(); ++i) {
            text += (i == 0 ? "" : ",") + Outline(item->children[i]);
        }
        text += ")";
    }
    return text;
}

std::string FakeViewTree::Outline() {
    std::string text;
    for (size_t i = 0; i < roots.size(); ++i) {
        text += (i == 0 ? "" : ";") + Outline(roots[i]);
    }
    return text;
}

bool FakeEngineLink::ConnectCommandChannel(const std::string& host, uint16_t port) {
    connections.push_back("command " + host + ":" + std::to_string(port));
    return true;
}

bool FakeEngineLink::ConnectDataChannel(const std::string& host, uint16_t port) {
    connections.push_back("data " + host + ":" + std::to_string(port));
    return true;
}

bool FakeEngineLink::RunScan(QNodeMediator& mediator, bool continuous) {
    runs.emplace_back(&mediator, continuous);
    return true;
}

std::optional<std::string> FakeMainFrame::BrowseForFolder(const std::string& title) {
    browseTitles.push_back(title);
    if (folderChoices.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> choice = folderChoices.front();
    folderChoices.pop_front();
    return choice;
}

NodeOwningMediator::NodeOwningMediator() {
    ++g_alive;
}

NodeOwningMediator::~NodeOwningMediator() {
    --g_alive;
}

int NodeOwningMediator::Alive() {
    return g_alive;
}

void NodeOwningMediator::SetName(const std::string& name) {
    if (m_node) {
        m_node->SetName(name);
    }
}

std::unique_ptr<NodeOwningMediator> MakeLoadedNode(uint16_t kind, uint32_t id) {
    QNodeFactory factory;
    auto mediator = std::make_unique<NodeOwningMediator>();
    std::unique_ptr<QNode> node = factory.CreateNode(kind, false);
    node->SetID(id);
    node->SetMediator(mediator.get());
    mediator->SetNode(std::move(node));
    return mediator;
}

bool ScriptedFileOperations::SaveProject(QFileSystemProjectStorageManager& /*storage*/,
                                         TfrmMainApp* /*window*/, const QNodePairList& pairs,
                                         QStorageErrorList& errors) {
    std::vector<std::pair<uint32_t, uint32_t>> ids;
    for (const QNodePair& pair : pairs) {
        ids.emplace_back(pair.m_node->GetNodeID(), pair.m_parent->GetNodeID());
    }
    savedPairs.push_back(ids);
    savedMediators.push_back(pairs);
    return save ? save(errors) : true;
}

bool ScriptedFileOperations::LoadProject(QFileSystemProjectStorageManager& /*storage*/, TfrmMainApp* window,
                                         QNodePairList& pairs, QStorageErrorList& errors) {
    return load ? load(window, pairs, errors) : false;
}

bool ScriptedFileOperations::ValidateNodes(QFileSystemProjectStorageManager& /*storage*/,
                                           QNodePairList& /*pairs*/, QStorageErrorList& /*errors*/) {
    return false;
}

} // namespace orv::containertest
