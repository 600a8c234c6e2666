#include "overlay/CDlgStitcher.h"

#include "app/CStitchDialogMaker.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/RecordCodec.h"

#include <QColor>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <mutex>
#include <span>

namespace orv {

namespace {

constexpr int kListLeft = 20 + CDlgStitcher::kCanvasWidth + 38;
constexpr int kListWidth = 140;
constexpr int kListPitch = 34;
constexpr int kButtonHeight = 28;
constexpr int kDialogWidth = kListLeft + kListWidth + 20;
constexpr int kDialogHeight = 20 + CDlgStitcher::kCanvasHeight + 20;
constexpr uint32_t kCanvasLineColour = 0xFF808080;
constexpr uint32_t kSlotLineColour = 0xFF000000;

// A scan's value per cell as its map shows it: the 16-bit values themselves where the scan holds
// them, else the map's (a scan of float or multi-level values), made into `made`. Empty when the
// scan has neither.
std::span<const int16_t> CellValuesOf(const CSpatialScanData& scan, std::vector<int16_t>& made) {
    const size_t cells = static_cast<size_t>(scan.m_Rows) * scan.m_Columns;
    if (scan.m_IsZeltData == 0 && scan.m_HoldsFloatValues == 0 && scan.m_Values.size() >= cells) {
        return {scan.m_Values.data(), cells};
    }
    const QSSSpatialSnapshot* map = scan.m_SpatialSnapshot.get();
    if (map == nullptr || map->GetValues().size() != cells) {
        return {};
    }
    made = map->GetValues();
    return made;
}

// The clone becomes the stitched scan: plain per-cell values of the new grid, its map and pattern
// built for that grid, and nothing left of the multi-level records or of the old grid's tables.
void TakeStitchedGrid(CSpatialScanData& stitched, std::vector<int16_t> grid, const _StitchBounds& bounds) {
    std::lock_guard<std::recursive_mutex> hold(stitched.m_Lock);
    stitched.m_Values = std::move(grid);
    std::vector<float>().swap(stitched.m_FloatValues);
    stitched.m_HoldsFloatValues = 0;
    std::vector<CZeltSpatialRecord>().swap(stitched.m_ZeltRecords);
    stitched.m_IsZeltData = 0;
    stitched.m_SpatialAtom.reset();
    std::vector<float>().swap(stitched.m_CorrectionFactors);
    stitched.m_CompensationTried = 0;
    stitched.m_CompensationAvailable = 0;
    stitched.SetProbeScanPatternSize(static_cast<uint16_t>(bounds.m_Height),
                                     static_cast<uint16_t>(bounds.m_Width));
    stitched.BuildSpatialSnapshot();
    // The description texts are filled again for the new grid when the scan is first shown.
    stitched.m_Prepared = 0;
}

void ShowStitchPrompt(const std::string& text) {
    ShowPrompt(text, {}, PromptButtons::Ok, PromptIcon::None);
}

} // namespace

CDlgStitcher::CDlgStitcher(QNodeMediator& mediator, QWidget* parent)
    : QDialog(parent), m_mediator(mediator),
      m_canvas(kCanvasWidth, kCanvasHeight, QImage::Format_ARGB32_Premultiplied) {
    setWindowTitle(kTitle);
    setFixedSize(kDialogWidth, kDialogHeight);
    for (int i = 0; i < kStitchSlotCount; ++i) {
        auto* list = new QComboBox(this);
        list->setObjectName(QString::number(kFirstListId + i));
        list->setGeometry(kListLeft, 20 + kListPitch * i, kListWidth, 26);
        m_lists[static_cast<size_t>(i)] = list;
    }
    const int buttonsTop = kDialogHeight - 20 - 3 * kButtonHeight - 2 * 8;
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    ok->setGeometry(kListLeft, buttonsTop, kListWidth, kButtonHeight);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    cancel->setGeometry(kListLeft, buttonsTop + kButtonHeight + 8, kListWidth, kButtonHeight);
    // A control of the dialog's layout that does nothing.
    auto* spare = new QPushButton("Button1", this);
    spare->setObjectName(QString::number(kSpareButtonId));
    spare->setGeometry(kListLeft, buttonsTop + 2 * (kButtonHeight + 8), kListWidth, kButtonHeight);
    connect(ok, &QPushButton::clicked, this, &CDlgStitcher::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    FillLists();
    for (QComboBox* list : m_lists) {
        connect(list, &QComboBox::currentIndexChanged, this, [this] { OnChooseScan(); });
    }
    RenderCanvas();
}

CDlgStitcher::~CDlgStitcher() = default;

void CDlgStitcher::InstallMaker() {
    CStitchDialogMaker::Install([](QNodeMediator& mediator, QWidget* parent) {
        CDlgStitcher dialog(mediator, parent);
        return dialog.exec() == QDialog::Accepted;
    });
}

CSpatialScanData* CDlgStitcher::ScanAt(int32_t index) const {
    const std::vector<int32_t> ids = m_mediator.GetScanIDs(kTypeSpatialScanNode);
    if (index < 0 || static_cast<size_t>(index) >= ids.size()) {
        return nullptr;
    }
    return m_mediator.GetSpatialScanData(ids[static_cast<size_t>(index)]);
}

void CDlgStitcher::FillLists() {
    const size_t count = m_mediator.GetScanIDs(kTypeSpatialScanNode).size();
    StitchPlacements& table = QStitchLayout::Table();
    m_filling = true;
    for (int i = 0; i < kStitchSlotCount; ++i) {
        QComboBox& list = GetList(i);
        _StitchPlacement& slot = table[static_cast<size_t>(i)];
        list.clear();
        list.addItem("None", -1);
        for (size_t j = 0; j < count; ++j) {
            list.addItem(QString::fromStdString(FormatC("#%i", static_cast<int>(j + 1))),
                         static_cast<int>(j));
        }
        // A scan that is gone (deleted since the last opening) frees its slot.
        if (slot.m_Used && (slot.m_ScanIndex < 0 || slot.m_ScanIndex + 1 >= list.count())) {
            slot.m_Used = false;
        }
        list.setCurrentIndex(slot.m_Used ? slot.m_ScanIndex + 1 : 0);
    }
    m_filling = false;
    for (_StitchPlacement& slot : table) {
        if (!slot.m_Used) {
            continue;
        }
        if (const CSpatialScanData* scan = ScanAt(slot.m_ScanIndex)) {
            slot.m_Rows = scan->m_Rows;
            slot.m_Columns = scan->m_Columns;
        }
    }
}

void CDlgStitcher::OnChooseScan() {
    if (m_filling) {
        return;
    }
    StitchPlacements& table = QStitchLayout::Table();
    for (int i = 0; i < kStitchSlotCount; ++i) {
        _StitchPlacement& slot = table[static_cast<size_t>(i)];
        const int index = GetList(i).currentData().toInt();
        if (index != -1) {
            slot.m_ScanIndex = index;
            if (const CSpatialScanData* scan = ScanAt(index)) {
                slot.m_Rows = scan->m_Rows;
                slot.m_Columns = scan->m_Columns;
            }
        }
        slot.m_Used = index != -1;
    }
    RenderCanvas();
    update();
}

void CDlgStitcher::DrawCellGrid(QImage& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                                uint32_t fill, uint32_t lineColour) {
    QPainter painter(&canvas);
    const int32_t left = kStitchCellPixels * x;
    const int32_t top = kStitchCellPixels * y;
    painter.fillRect(left, top, kStitchCellPixels * width, kStitchCellPixels * height,
                     QColor::fromRgba(fill));
    // Lines one pixel wide, each end included.
    painter.setPen(QColor::fromRgba(lineColour));
    for (int32_t i = 0; i <= width; ++i) {
        const int32_t at = left + kStitchCellPixels * i;
        painter.drawLine(at, top, at, top + kStitchCellPixels * height);
    }
    for (int32_t j = 0; j <= height; ++j) {
        const int32_t at = top + kStitchCellPixels * j;
        painter.drawLine(left, at, left + kStitchCellPixels * width, at);
    }
}

std::string CDlgStitcher::SlotLabel(const _StitchPlacement& placement) {
    return FormatC("SCAN #%i (%ideg)", placement.m_ScanIndex + 1, placement.m_Rotation * 90);
}

void CDlgStitcher::RenderCanvas() {
    m_canvas.fill(Qt::transparent);
    DrawCellGrid(m_canvas, 0, 0, kStitchCanvasColumns, kStitchCanvasRows, 0xFFFFFFFF, kCanvasLineColour);
    const StitchPlacements& table = QStitchLayout::Table();
    for (size_t i = 0; i < table.size(); ++i) {
        const _StitchPlacement& slot = table[i];
        if (!slot.m_Used) {
            continue;
        }
        DrawCellGrid(m_canvas, slot.m_X, slot.m_Y, slot.ShownWidth(), slot.ShownHeight(), kSlotColours[i],
                     kSlotLineColour);
        // Written on an opaque white ground, as text is by default, so that the grid lines do not
        // run through it.
        QPainter painter(&m_canvas);
        painter.setFont(font());
        const QString label = QString::fromStdString(SlotLabel(slot));
        // The text's top-left corner at (4x + 2, 4y + 2).
        const QPoint baseline(kStitchCellPixels * slot.m_X + 2,
                              kStitchCellPixels * slot.m_Y + 2 + painter.fontMetrics().ascent());
        painter.fillRect(painter.fontMetrics().boundingRect(label).translated(baseline).adjusted(-1, 0, 1, 0),
                         Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(baseline, label);
    }
}

void CDlgStitcher::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(kStitchCanvasLeft, kStitchCanvasTop, m_canvas);
    // Each list beside its slot's colour.
    for (int i = 0; i < kStitchSlotCount; ++i) {
        const QRect list = GetList(i).geometry();
        painter.fillRect(kListLeft - 24, list.top() + 6, 14, 14,
                         QColor::fromRgba(kSlotColours[static_cast<size_t>(i)]));
    }
}

void CDlgStitcher::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    StitchPlacements& table = QStitchLayout::Table();
    if (event->button() == Qt::LeftButton) {
        const int32_t hit = HitTestStitchSlot(table, at.x(), at.y());
        if (hit >= 0) {
            m_drag = {hit, at.x(), at.y()};
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        int32_t slot = m_drag.m_Slot;
        if (slot >= 0 && !table[static_cast<size_t>(slot)].m_Used) {
            slot = -1;
        } else if (slot < 0) {
            slot = HitTestStitchSlot(table, at.x(), at.y());
        }
        if (slot >= 0) {
            TurnStitchSlot(table[static_cast<size_t>(slot)]);
        }
        RenderCanvas();
        update();
    }
}

void CDlgStitcher::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (DragStitchSlot(QStitchLayout::Table(), m_drag, at.x(), at.y())) {
        RenderCanvas();
        update();
    }
}

void CDlgStitcher::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_drag.m_Slot = -1;
    }
}

void CDlgStitcher::accept() {
    if (Stitch()) {
        QDialog::accept();
    }
}

bool CDlgStitcher::Stitch() {
    const StitchPlacements& table = QStitchLayout::Table();
    _StitchBounds bounds;
    if (!GetStitchBounds(table, bounds)) {
        ShowStitchPrompt(kNothingToStitchText);
        return false;
    }
    int32_t first = 0;
    while (!table[static_cast<size_t>(first)].m_Used) {
        ++first;
    }
    std::unique_ptr<CSpatialScanData> stitched;
    if (CSpatialScanData* source = ScanAt(table[static_cast<size_t>(first)].m_ScanIndex)) {
        std::lock_guard<std::recursive_mutex> hold(source->m_Lock);
        stitched = source->Clone();
    }
    if (stitched == nullptr) {
        ShowStitchPrompt(kNothingToStitchText);
        return false;
    }
    for (const _StitchPlacement& slot : table) {
        const CSpatialScanData* scan = slot.m_Used ? ScanAt(slot.m_ScanIndex) : nullptr;
        if (scan != nullptr && static_cast<int8_t>(scan->m_ZeltLevel) > 0) {
            ShowStitchPrompt(kHigherLevelText);
            return false;
        }
    }
    // A map that large could not be shown: refused before its grid is made.
    if (static_cast<uint64_t>(bounds.m_Width) * static_cast<uint64_t>(bounds.m_Height) >
        QSSSpatialSnapshot::kMaxCells) {
        ShowStitchPrompt(kCorruptScanDataText);
        return false;
    }
    // Each scan is looked up just before its cells are read: looking up another can move it out.
    std::vector<int16_t> grid = MakeStitchGrid(bounds);
    std::vector<int16_t> made;
    for (const _StitchPlacement& slot : table) {
        CSpatialScanData* scan = slot.m_Used ? ScanAt(slot.m_ScanIndex) : nullptr;
        if (scan == nullptr) {
            continue;
        }
        std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
        PlaceStitchSlot(grid, bounds, slot, CellValuesOf(*scan, made));
    }
    // The scan number counts the node's scans; its ID is the mediator's to give.
    stitched->m_TextValue = static_cast<uint32_t>(m_mediator.GetScanIDs(kTypeSpatialScanNode).size() + 1);
    std::string refused;
    try {
        TakeStitchedGrid(*stitched, std::move(grid), bounds);
    } catch (const QException& error) {
        refused = error.m_message;
    }
    if (!refused.empty()) {
        // Shown once the scan's lock is no longer held.
        ShowStitchPrompt(refused);
        return false;
    }
    m_mediator.AddMadeSpatialScanData(std::move(stitched));
    return true;
}

} // namespace orv
