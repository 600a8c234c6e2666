#include "views/spatial/CSelectedFrequencyList.h"

#include "app/AppResources.h"
#include "app/QtConversions.h"
#include "platform/CLocale.h"
#include "project/QViewFrame.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/CSpectralView.h"

#include <QBitmap>
#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <bit>
#include <cmath>

namespace orv {

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr uint32_t kGridLineColour = 0xD7D7D7;

// Rows drawn with the lines of a report list's grid under and right of each cell.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(ColorRefToQColor(kGridLineColour));
        const QRect& r = option.rect;
        painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        painter->drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter->restore();
    }
};

QIcon MaskedImage(int resource) {
    QPixmap bitmap(QStringLiteral(":/bitmaps/%1.png").arg(resource));
    if (bitmap.isNull()) {
        return {};
    }
    bitmap = bitmap.scaled(CSelectedFrequencyList::kImageSize, CSelectedFrequencyList::kImageSize);
    bitmap.setMask(bitmap.createMaskFromColor(ColorRefToQColor(CSelectedFrequencyList::kMaskColour)));
    return QIcon(bitmap);
}

} // namespace

CSelectedFrequencyList::CSelectedFrequencyList(QWidget* parent) : QTreeWidget(parent) {
    QFont listFont(QStringLiteral("Arial"));
    listFont.setPixelSize(12);
    listFont.setWeight(QFont::Normal);
    listFont.setStyleHint(QFont::SansSerif);
    setFont(listFont);
    setObjectName(QString::number(kControlId));
    setColumnCount(1);
    setHeaderLabels({QString::fromLatin1(kColumnTitle)});
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    setColumnWidth(0, kColumnWidth);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(kImageSize, kImageSize));
    setItemDelegate(new GridLineDelegate(this));
    EnsureAppResources();
    m_images[kSelectedImage] = MaskedImage(kSelectedBitmap);
    m_images[kOtherImage] = MaskedImage(kOtherBitmap);
}

void CSelectedFrequencyList::SetOwner(CSpatialView* view, QViewFrame* frame) {
    m_pOwnerView = view;
    m_pOwnerFrame = frame;
}

float CSelectedFrequencyList::EndFrequency(const _FrequencyMarkerPoint& marker) {
    return std::bit_cast<float>(marker.m_Word);
}

std::string CSelectedFrequencyList::RowText(const _FrequencyMarkerPoint& marker, CScanData* scan) {
    if (marker.m_LastIndex == -1) {
        return FormatC("%-9.3f", static_cast<double>(marker.m_Frequency));
    }
    float end = EndFrequency(marker);
    if (!std::isfinite(end)) {
        end = scan != nullptr ? scan->GetFrequency(marker.m_LastIndex) : 0.0F;
    }
    return FormatC("%-9.3f--- %-9.3f", static_cast<double>(marker.m_Frequency), static_cast<double>(end));
}

void CSelectedFrequencyList::DeleteAllItems() {
    clear();
    m_frequencies.clear();
}

void CSelectedFrequencyList::Fill(const std::vector<_FrequencyMarkerPoint>& markers, CScanData* scan) {
    clear();
    m_frequencies = markers;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(markers.size()));
    for (const _FrequencyMarkerPoint& marker : markers) {
        const bool selected = marker.m_Selected != 0;
        auto* row = new QTreeWidgetItem(QStringList{CodePageToQString(RowText(marker, scan))});
        const int image = selected ? kSelectedImage : kOtherImage;
        row->setIcon(0, m_images[image]);
        row->setData(0, kImageRole, image);
        row->setData(0, Qt::UserRole, selected ? 1U : 0U);
        row->setForeground(0, ColorRefToQColor(selected ? kSelectedTextColour : kOtherTextColour));
        rows.push_back(row);
    }
    addTopLevelItems(rows);
}

std::string CSelectedFrequencyList::GetItemText(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(0).toStdString() : std::string();
}

uint32_t CSelectedFrequencyList::GetItemData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->data(0, Qt::UserRole).toUInt() : 0U;
}

int CSelectedFrequencyList::GetItemImage(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->data(0, kImageRole).toInt() : -1;
}

uint32_t CSelectedFrequencyList::GetItemTextColour(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? QColorToColorRef(item->foreground(0).color()) : 0U;
}

void CSelectedFrequencyList::mousePressEvent(QMouseEvent* event) {
    // The right button neither selects nor does anything else.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CSelectedFrequencyList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        OnClick();
    }
}

void CSelectedFrequencyList::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second press is one more click, as the list's own notification counts it.
    if (event->button() == Qt::LeftButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void CSelectedFrequencyList::OnClick() {
    int first = -1;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            first = i;
            break;
        }
    }
    QViewFrame* frame = m_pOwnerFrame;
    if (frame == nullptr && m_pOwnerView != nullptr) {
        frame = m_pOwnerView->GetFrame();
    }
    if (first < 0 || frame == nullptr) {
        return;
    }
    // The toggle refills this list: it runs after the click's own handling has let go of its rows.
    QMetaObject::invokeMethod(
        this,
        [frame, first] {
            if (auto* spectral = dynamic_cast<CSpectralView*>(frame->GetSpectralView())) {
                spectral->ToggleSelectedFrequency(first);
            }
        },
        Qt::QueuedConnection);
}

} // namespace orv
