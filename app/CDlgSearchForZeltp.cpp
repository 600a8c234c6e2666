#include "app/CDlgSearchForZeltp.h"

#include "engine/CUdpQuerry.h"
#include "engine/EngineProcessFlags.h"
#include "platform/ui/WaitCursor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orv {

CDlgSearchForZeltp::CDlgSearchForZeltp(std::vector<std::string> scannerIps,
                                       std::vector<std::string> scannerIds, QWidget* parent)
    : QDialog(parent), m_scannerIps(std::move(scannerIps)), m_scannerIds(std::move(scannerIds)),
      m_search(&CDlgSearchForZeltp::RunNetworkSearch) {
    setWindowTitle("Searching Scanner");
    setObjectName("473");
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(kListId));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({"Scanner IP", "Scanner Unique ID"});
    m_list->setColumnWidth(0, 140);
    m_list->setColumnWidth(1, 185);
    m_list->header()->setSectionsMovable(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Grid lines between the cells, as the report list showed them.
    m_list->setStyleSheet(
        "QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }");
    m_list->setMinimumSize(140 + 185 + 8, 180);

    auto* select = new QPushButton("Select", this);
    select->setObjectName("1");
    select->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    auto* again = new QPushButton("Searching again", this);
    again->setObjectName(QString::number(kSearchAgainId));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(again);
    buttons->addStretch();
    buttons->addWidget(select);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    connect(select, &QPushButton::clicked, this, [this] { Select(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(again, &QPushButton::clicked, this, [this] { SearchAgain(); });
    FillList();
}

void CDlgSearchForZeltp::FillList() {
    m_list->clear();
    const size_t rows = std::min(m_scannerIps.size(), m_scannerIds.size());
    for (size_t i = 0; i < rows; ++i) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(m_scannerIps[i]));
        item->setText(1, QString::fromStdString(m_scannerIds[i]));
    }
}

void CDlgSearchForZeltp::RunNetworkSearch(std::vector<std::string>& addresses,
                                          std::vector<std::string>& ids) {
    CUdpQuerry query;
    // The flag tells the rest of the program a search is under way; clearing it cuts the search short.
    ScannerSearchRunningFlag().store(1);
    query.Search();
    ScannerSearchRunningFlag().store(0);
    addresses = query.GetAddresses();
    ids = query.GetUniqueIds();
}

void CDlgSearchForZeltp::SearchAgain() {
    m_list->clear();
    m_list->repaint();
    const WaitCursorGuard wait;
    std::vector<std::string> addresses;
    std::vector<std::string> ids;
    if (m_search) {
        m_search(addresses, ids);
    }
    m_scannerIps = std::move(addresses);
    m_scannerIds = std::move(ids);
    FillList();
}

void CDlgSearchForZeltp::Select() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        reject();
        return;
    }
    // The first selected row in list order.
    QTreeWidgetItem* first = selected.front();
    for (QTreeWidgetItem* item : selected) {
        if (m_list->indexOfTopLevelItem(item) < m_list->indexOfTopLevelItem(first)) {
            first = item;
        }
    }
    m_selectedIp = first->text(0).toStdString();
    m_selectedId = first->text(1).toStdString();
    accept();
}

} // namespace orv
