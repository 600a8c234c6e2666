#include "app/panes/CViewList.h"

#include "app/QtConversions.h"
#include "platform/CLocale.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QHeaderView>
#include <QPainter>

#include <algorithm>

namespace orv {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kDateColumn = 1;
constexpr int kDescriptionColumn = 2;

// The scan's own texts: the description texts are filled only when the scan is prepared for a view,
// which a live scan or a reopened project's scans may never have been.
const std::string& DateOf(const CScanData& scan) {
    return scan.m_DateText;
}

const std::string& DescriptionOf(const CScanData& scan) {
    return scan.m_UserText;
}

} // namespace

CViewList::CViewList(QWidget* parent) : QTreeWidget(parent) {
    InsertColumns();
    SetListStyles();
}

CViewList::~CViewList() = default;

void CViewList::InsertColumns() {
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Scan Date"), QStringLiteral("Description")});
    header()->resizeSection(0, kIdWidth);
    // At least wide enough for a whole date in the list's own font.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00,  00:00:00")) + 12;
    header()->resizeSection(kDateColumn, std::max(kDateWidth, dateWidth));
    header()->resizeSection(kDescriptionColumn, kDescriptionWidth);
}

void CViewList::SetListStyles() {
    // A report list: no tree decoration, whole rows selected, columns that can be dragged, and the
    // selection shown also without the focus.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
}

void CViewList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    QTreeWidget::drawRow(painter, option, index);
    // Grid lines between rows and columns.
    painter->save();
    painter->setPen(QColor(0xD0, 0xD0, 0xD0));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    for (int column = 0; column < columnCount(); ++column) {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        painter->drawLine(x, option.rect.top(), x, option.rect.bottom());
    }
    painter->restore();
}

void CViewList::AddRow(const std::string& text, const std::string& date, const std::string& description) {
    auto* row = new QTreeWidgetItem();
    row->setText(0, CodePageToQString(text));
    row->setText(kDateColumn, CodePageToQString(date));
    row->setText(kDescriptionColumn, CodePageToQString(description));
    row->setData(0, kIdRole, ParseInt32C(text).value_or(-1));
    insertTopLevelItem(0, row);
    if (m_selectedRow >= 0) {
        ++m_selectedRow;
    }
}

void CViewList::SelectRow(const std::string& text) {
    const QString wanted = CodePageToQString(text);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == wanted) {
            topLevelItem(i)->setSelected(true);
            return;
        }
    }
}

QTreeWidgetItem* CViewList::FindRow(int32_t scanId) const {
    const QString wanted = QString::number(scanId);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == wanted) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

QTreeWidgetItem* CViewList::InsertTopRow(const CScanData& scan) {
    AddRow(FormatC("%d", static_cast<int32_t>(scan.m_ScanId)), DateOf(scan), DescriptionOf(scan));
    return topLevelItem(0);
}

void CViewList::SelectAlone(QTreeWidgetItem* row) {
    clearSelection();
    row->setSelected(true);
    setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
    m_selectedRow = indexOfTopLevelItem(row);
}

void CViewList::AddOrUpdateTop(const CScanData& scan, bool select, bool updateTop) {
    if (updateTop) {
        if (QTreeWidgetItem* top = topLevelItem(0)) {
            top->setText(kDateColumn, CodePageToQString(DateOf(scan)));
        }
        return;
    }
    QTreeWidgetItem* row = InsertTopRow(scan);
    if (select) {
        SelectAlone(row);
    }
}

void CViewList::AddSpectralScanData(const CSpectralScanData& scan, bool select, bool updateTop) {
    if (QTreeWidgetItem* listed = FindRow(static_cast<int32_t>(scan.m_ScanId))) {
        listed->setText(kDateColumn, CodePageToQString(DateOf(scan)));
        return;
    }
    AddOrUpdateTop(scan, select, updateTop);
}

void CViewList::AddSpatialScanData(const CSpatialScanData& scan, bool select, bool updateTop) {
    AddOrUpdateTop(scan, select, updateTop);
}

void CViewList::AddListedOnce(const CScanData& scan, bool select) {
    if (FindRow(static_cast<int32_t>(scan.m_ScanId)) != nullptr) {
        return;
    }
    QTreeWidgetItem* row = InsertTopRow(scan);
    if (select) {
        SelectAlone(row);
        viewport()->repaint();
    }
}

void CViewList::AddSpectralSpatialScanData(const CSpectralSpatialScanData& scan, bool select) {
    AddListedOnce(scan, select);
}

void CViewList::AddHandHeldProbeScanData(const CHandHeldProbeScanData& scan, bool select) {
    AddListedOnce(scan, select);
}

void CViewList::RemoveAllScanData() {
    clear();
    m_selectedRow = -1;
}

void CViewList::SelectScanDataById(int32_t scanId) {
    clearSelection();
    QTreeWidgetItem* row = FindRow(scanId);
    if (row == nullptr) {
        return;
    }
    SelectAlone(row);
    scrollToItem(row);
}

std::string CViewList::GetDescriptionById(int32_t scanId) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->data(0, kIdRole).toInt() == scanId) {
            return QStringToCodePage(topLevelItem(i)->text(kDescriptionColumn));
        }
    }
    return {};
}

int32_t CViewList::GetRowId(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->data(0, kIdRole).toInt() : -1;
}

std::string CViewList::GetRowText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? QStringToCodePage(item->text(column)) : std::string();
}

} // namespace orv
