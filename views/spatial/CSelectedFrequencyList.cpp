#include "views/spatial/CSelectedFrequencyList.h"

#include "app/AppResources.h"
#include "app/QtConversions.h"
#include "platform/CLocale.h"
#include "project/QViewFrame.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/CSpectralView.h"

#include <QApplication>
#include <QBitmap>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <algorithm>
#include <bit>
#include <cmath>

namespace orv {

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr uint32_t kGridLineColour = 0xD7D7D7;

// Rows drawn tight: the image, then the marker's text whole in the list's row font (its padding
// blanks left off), in the row's colour, with the lines of a report list's grid under and right of
// each cell.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CSelectedFrequencyList& list) : QStyledItemDelegate(&list), m_list(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem background(option);
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        background.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

        painter->save();
        const QRect& r = option.rect;
        const QRect image(r.left() + CSelectedFrequencyList::kRowPadding,
                          r.top() + (r.height() - CSelectedFrequencyList::kImageSize) / 2,
                          CSelectedFrequencyList::kImageSize, CSelectedFrequencyList::kImageSize);
        index.data(Qt::DecorationRole).value<QIcon>().paint(painter, image);
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : index.data(Qt::ForegroundRole).value<QBrush>().color());
        painter->setFont(m_list.GetRowFont());
        const QRect text(image.right() + 1 + CSelectedFrequencyList::kImageGap, r.top(),
                         m_list.GetRowTextWidth(), r.height());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          CSelectedFrequencyList::ShownText(index.data(Qt::DisplayRole).toString()));
        painter->setPen(ColorRefToQColor(kGridLineColour));
        painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        painter->drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& /*index*/) const override {
        return {CSelectedFrequencyList::kColumnWidth, CSelectedFrequencyList::kRowHeight};
    }

private:
    CSelectedFrequencyList& m_list;
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
    setFont(RowFont(kLargestFontPixels));
    m_rowFont = font();
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
    setItemDelegate(new RowDelegate(*this));
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
    FitRowFont();
}

QString CSelectedFrequencyList::ShownText(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return text.left(end);
}

int CSelectedFrequencyList::GetRowTextWidth() const {
    const int row = std::min(columnWidth(0), viewport()->width());
    return std::max(row - kRowPadding - kImageSize - kImageGap - kRowPadding, 0);
}

void CSelectedFrequencyList::FitRowFont() {
    std::vector<QString> texts;
    texts.reserve(static_cast<size_t>(topLevelItemCount()));
    for (int i = 0; i < topLevelItemCount(); ++i) {
        texts.push_back(ShownText(topLevelItem(i)->text(0)));
    }
    const int room = GetRowTextWidth();
    QFont font = RowFont(kLargestFontPixels);
    for (int pixels = kLargestFontPixels; pixels >= kSmallestFontPixels; --pixels) {
        font = RowFont(pixels);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
            return metrics.horizontalAdvance(text) <= room;
        });
        if (fits) {
            break;
        }
    }
    if (font != m_rowFont) {
        m_rowFont = font;
        viewport()->update();
    }
}

QFont CSelectedFrequencyList::RowFont(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

bool CSelectedFrequencyList::viewportEvent(QEvent* event) {
    const bool handled = QTreeWidget::viewportEvent(event);
    // A scroll bar coming or going changes the rows' room.
    if (event->type() == QEvent::Resize) {
        FitRowFont();
    }
    return handled;
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
