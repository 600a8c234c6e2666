#include "dialogs/CScanDataDescriptionDialog.h"

#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/COverlayUtility.h"
#include "overlay/OverlayEditorWindow.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataList.h"
#include "project/ScanAreaPlacement.h"
#include "project/TfrmMainApp.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTransform>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>

namespace orv {
namespace {

// The full cell table in drawing units and pixels: an overlay is placed over the 42 x 29 grid the
// editor shows, whatever part of it the scan's pattern covers.
constexpr int64_t kUnitsAcross = 2992;
constexpr int64_t kUnitsDown = 2395;
constexpr int32_t kTableWidth = ScanDescriptionGrid::kColumns * ScanDescriptionGrid::kCellSize;
constexpr int32_t kTableHeight = ScanDescriptionGrid::kRows * ScanDescriptionGrid::kCellSize;

// Dialog pixels for a designed value at the screen's dots per inch.
int Scaled(int value, int dpi) {
    return std::max(value, value * dpi / 96);
}

int32_t RoundToInt(double value) {
    if (!(value > -1.0e9) || !(value < 1.0e9)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround(value));
}

// Clockwise quarter turns 0 to 3 (a negative count is counted from 4).
int32_t NormalTurns(int32_t turns) {
    return ((turns % 4) + 4) % 4;
}

QImage TurnedAndMirrored(const QImage& image, int32_t turns, bool mirrorHorizontal, bool mirrorVertical) {
    QImage result = image;
    if (turns != 0) {
        QTransform turn;
        turn.rotate(90.0 * turns);
        result = result.transformed(turn);
    }
    if (mirrorHorizontal || mirrorVertical) {
        result = result.mirrored(mirrorHorizontal, mirrorVertical);
    }
    return result;
}

} // namespace

CScanDataDescriptionDialog::CScanDataDescriptionDialog(QNodeMediator& mediator, int32_t scanId,
                                                       int32_t sourceIndex, QWidget* parent)
    : QDialog(parent), MessageTarget(GetUiMessageThread()), m_mediator(mediator), m_scanId(scanId),
      m_sourceIndex(sourceIndex), m_kind(mediator.GetKind()) {
    setObjectName(QString::number(kTemplateId));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMouseTracking(true);
    m_dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
    m_dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
    setWindowTitle(
        CodePageToQString(FormatC("Scan Data Description --- Node: %s", m_mediator.GetName().c_str()) +
                          FormatC(",   Scan ID: %d", m_scanId)));
    BuildControls();

    CScanData* scan = ResolveScan();
    // The list's row text when the list shows this node, else the scan's own description.
    std::string description;
    if (CViewList* list = GetOwnedScanList()) {
        description = list->GetDescriptionById(ListItemData());
    } else if (scan != nullptr) {
        std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
        description = scan->m_UserText;
    }
    m_description->setPlainText(CodePageToQString(description));

    m_bHasScan = scan != nullptr;
    int32_t rows = 0;
    int32_t columns = 0;
    if (scan != nullptr) {
        std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
        rows = scan->m_ProbeScanPattern.GetRows();
        columns = scan->m_ProbeScanPattern.GetColumns();
    }
    m_grid.Layout(QPoint(Scaled(27, m_dpiX), Scaled(75, m_dpiY)), rows, columns);
    m_showOverlay->setChecked(true);
    LayoutControls();
    if (scan != nullptr) {
        std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
        m_grid.Fill(scan->m_ProbeScanPattern);
    }
    m_apply->setEnabled(false);

    if (scan != nullptr) {
        m_listFont = QFont(QStringLiteral("Arial"));
        m_listFont.setPointSize(8);
        m_parameters->setFont(m_listFont);
        CopyPlacementFromScan(*scan);
        RenderOverlay();
        FillParameterList(*scan);
    }
    // The convert command stays out of sight: a dialog with a scan hides it as a dialog without one
    // does, whose command would have no scan to take settings from.
    m_convert->hide();
    RenderGrid();
    // Typing (and nothing before it) makes Apply worth pressing.
    connect(m_description, &QPlainTextEdit::textChanged, this, [this] { m_apply->setEnabled(true); });
}

CScanDataDescriptionDialog::~CScanDataDescriptionDialog() {
    CloseOverlayEditor();
}

void CScanDataDescriptionDialog::Install() {
    CDlgScanDataDescription::InstallMaker(
        [](QNodeMediator& mediator, int32_t scanId, int32_t tabIndex, QWidget* parent) {
            return std::make_unique<CScanDataDescriptionDialog>(mediator, scanId, tabIndex, parent);
        });
}

bool CScanDataDescriptionDialog::DoModal() {
    return exec() == QDialog::Accepted;
}

QWidget* CScanDataDescriptionDialog::GetControl(int id) const {
    switch (id) {
    case kDescriptionEdit:
        return m_description;
    case kBelowGridStatic:
        return m_belowGrid;
    case kShowOverlayCheck:
        return m_showOverlay;
    case kOverlayEditorButton:
        return m_overlayEditor;
    case kApplyButton:
        return m_apply;
    case kParameterList:
        return m_parameters;
    case kConvertButton:
        return m_convert;
    case kOkButton:
        return m_ok;
    case kCancelButton:
        return m_cancel;
    default:
        return nullptr;
    }
}

// --- What the dialog works on ---

bool CScanDataDescriptionDialog::IsTwoSourceKind() const {
    return m_kind == kTypeSpectralComparisonNode || m_kind == kTypeSpatialComparisonNode ||
           m_kind == kTypeSpectralOverlayNode || m_kind == kTypeBlindSpotReductionNode;
}

int32_t CScanDataDescriptionDialog::ListItemData() const {
    return IsTwoSourceKind() ? m_sourceIndex : m_scanId;
}

CScanData* CScanDataDescriptionDialog::ResolveScan() const {
    switch (m_kind) {
    case kTypeSpectralScanNode:
        return m_mediator.GetSpectralScanData(m_scanId);
    case kTypeSpatialScanNode:
        return m_mediator.GetSpatialScanData(m_scanId);
    case kTypeSpectralSpatialScanNode:
        return m_mediator.GetSpectralSpatialScanData(m_scanId);
    case kTypeHandHeldProbeScanNode:
        return m_mediator.GetHandHeldProbeScanData(m_scanId);
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode:
        return dynamic_cast<CSpectralScanData*>(
            m_mediator.GetComparedScan(m_sourceIndex == QScanDataList::kFirstSourceRow));
    case kTypeSpatialComparisonNode:
    case kTypeBlindSpotReductionNode:
        return dynamic_cast<CSpatialScanData*>(
            m_mediator.GetComparedScan(m_sourceIndex == QScanDataList::kFirstSourceRow));
    case kTypeSpectralSpatialUserCompositeNode:
        return m_mediator.ResolveLinkedScanData() ? m_mediator.GetCurrentSpectralSpatialScanData() : nullptr;
    default:
        return nullptr;
    }
}

TfrmMainApp* CScanDataDescriptionDialog::GetProject() const {
    auto* tree = dynamic_cast<CViewTreeWidget*>(m_mediator.GetProjectTree());
    return tree != nullptr ? tree->GetProject() : nullptr;
}

CViewList* CScanDataDescriptionDialog::GetOwnedScanList() const {
    auto* tree = dynamic_cast<CViewTreeWidget*>(m_mediator.GetProjectTree());
    auto* list = tree != nullptr ? dynamic_cast<CViewList*>(tree->GetScanDataList()) : nullptr;
    // A list showing another node's scans has no row of this scan.
    return list != nullptr && list->GetOwner() == &m_mediator ? list : nullptr;
}

COverlayControl* CScanDataDescriptionDialog::FindOverlayControl() const {
    TfrmMainApp* project = GetProject();
    return project != nullptr && m_placement.m_overlayId != 0
               ? project->FindOverlayControl(m_placement.m_overlayId)
               : nullptr;
}

bool CScanDataDescriptionDialog::UsesLetteredLabels() const {
    QNodeMediator* preferences = m_mediator.GetPreferencesMediator();
    const QSpatialDisplayOptions* display =
        preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
    return display != nullptr && display->UsesScannerLabels();
}

// --- Controls ---

void CScanDataDescriptionDialog::BuildControls() {
    auto named = [](QWidget* widget, int id) {
        widget->setObjectName(QString::number(id));
        return widget;
    };
    m_description = new QPlainTextEdit(this);
    named(m_description, kDescriptionEdit);
    m_descriptionLabel = new QLabel(QStringLiteral("Description:"), this);
    m_belowGrid = new QLabel(this);
    named(m_belowGrid, kBelowGridStatic);
    m_showOverlay = new QCheckBox(QStringLiteral("Show Overlay"), this);
    named(m_showOverlay, kShowOverlayCheck);
    m_overlayEditor = new QPushButton(QStringLiteral("Overlay Editor"), this);
    named(m_overlayEditor, kOverlayEditorButton);
    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    named(m_apply, kApplyButton);
    m_parameters = new QTreeWidget(this);
    named(m_parameters, kParameterList);
    m_parameters->setRootIsDecorated(false);
    m_parameters->setSelectionMode(QAbstractItemView::SingleSelection);
    m_parameters->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_parameters->setColumnCount(2);
    m_parameters->setHeaderLabels({QStringLiteral("Parameters"), QStringLiteral("Value")});
    m_parameters->header()->setSectionsMovable(true);
    m_parameters->header()->setStretchLastSection(false);
    m_parameters->setColumnWidth(0, 165);
    m_parameters->setColumnWidth(1, 480);
    m_convert = new QPushButton(QStringLiteral("Convert Scan Parameters Into Node Setting "), this);
    named(m_convert, kConvertButton);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    named(m_ok, kOkButton);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    named(m_cancel, kCancelButton);

    connect(m_showOverlay, &QCheckBox::clicked, this, [this] { OnShowOverlay(); });
    connect(m_overlayEditor, &QPushButton::clicked, this, [this] { OpenOverlayEditor(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(m_convert, &QPushButton::clicked, this, [this] { ConvertScanParametersIntoNodeSettings(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CScanDataDescriptionDialog::LayoutControls() {
    const QRect grid = m_grid.GetRect();
    const int x0 = grid.left();
    const int bottom = grid.top() + grid.height();
    m_showOverlay->setGeometry(x0, Scaled(16, m_dpiY), Scaled(120, m_dpiX), 22);
    m_belowGrid->setGeometry(x0, bottom + 59, Scaled(100, m_dpiX), 20);
    m_overlayEditor->setGeometry(x0 + Scaled(120, m_dpiX), bottom + 57, Scaled(120, m_dpiX), 24);

    // The parameters and the description stand right of the largest grid and its row numbers.
    const int right = x0 + kTableWidth + Scaled(45, m_dpiX);
    const int listWidth = 165 + 480 + 24;
    m_parameters->setGeometry(right, Scaled(16, m_dpiY), listWidth, Scaled(262, m_dpiY));
    const int descriptionTop = Scaled(16, m_dpiY) + Scaled(262, m_dpiY) + 12;
    m_descriptionLabel->setGeometry(right, descriptionTop, 120, 20);
    m_description->setGeometry(right, descriptionTop + 22, listWidth, Scaled(64, m_dpiY));

    const int largestBottom = grid.top() + kTableHeight;
    const int buttons = std::max(largestBottom + 100, descriptionTop + 22 + Scaled(64, m_dpiY) + 24);
    const int buttonWidth = Scaled(80, m_dpiX);
    const int listRight = right + listWidth;
    m_cancel->setGeometry(listRight - buttonWidth, buttons, buttonWidth, 26);
    m_ok->setGeometry(listRight - 2 * buttonWidth - 8, buttons, buttonWidth, 26);
    m_apply->setGeometry(listRight - 3 * buttonWidth - 16, buttons, buttonWidth, 26);
    m_convert->setGeometry(right, buttons, Scaled(280, m_dpiX), 26);
    setFixedSize(listRight + Scaled(20, m_dpiX), buttons + 26 + Scaled(16, m_dpiY));
}

void CScanDataDescriptionDialog::FillParameterList(CScanData& scan) {
    // Outside the scan's lock: the compensated range may read the correction files first.
    m_bCompensated = scan.UpdateLevelRange() == 1;
    const bool spatialKind = m_kind == kTypeSpatialScanNode || m_kind == kTypeSpatialComparisonNode ||
                             m_kind == kTypeBlindSpotReductionNode;
    if (spatialKind) {
        const QSpatialDisplayOptions* options = m_mediator.GetSpatialDisplayOptions();
        m_unitCode = options != nullptr ? options->GetAmplitudeUnit() : 1U;
    } else {
        const QSpectralDisplayOptions* options = m_mediator.GetSpectralDisplayOptions();
        m_unitCode = options != nullptr ? options->GetAmplitudeUnit() : 1U;
    }
    {
        std::lock_guard<std::recursive_mutex> hold(scan.m_Lock);
        m_parameterRows = BuildScanParameterRows(scan, m_kind, m_bCompensated, m_unitCode);
    }
    m_parameters->clear();
    for (const ScanParameterRow& row : m_parameterRows) {
        auto* item = new QTreeWidgetItem(m_parameters);
        item->setText(0, CodePageToQString(row.m_name));
        item->setText(1, CodePageToQString(row.m_value));
    }
    if (m_parameters->topLevelItemCount() > 0) {
        m_parameters->scrollToItem(m_parameters->topLevelItem(0));
    }
}

// --- Overlay placement ---

void CScanDataDescriptionDialog::CopyPlacementFromScan(const CScanData& scan) {
    CScanAreaRecord area;
    {
        std::lock_guard<std::recursive_mutex> hold(const_cast<CScanData&>(scan).m_Lock);
        area = scan.GetScanArea();
    }
    m_placement = COverlayPlacement();
    m_placement.m_overlayId = area.m_OverlayId;
    m_turnedDrawing.Clear();
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr) {
        return;
    }
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        m_placement.m_drawingQuarterTurns = area.m_RotationCount;
        m_placement.m_originX = area.m_Values[0];
        m_placement.m_originY = area.m_Values[1];
        m_placement.m_extentX1 = area.m_Left;
        m_placement.m_extentY1 = area.m_Top;
        m_placement.m_extentX2 = area.m_Right;
        m_placement.m_extentY2 = area.m_Bottom;
        m_placement.m_opacity = 50;
        std::shared_ptr<const DrawList> drawing = control->GetDrawList();
        m_turnedDrawing = COverlayUtility::BuildDrawList(drawing ? drawing->Head() : nullptr,
                                                         m_placement.m_drawingQuarterTurns);
    } else {
        m_placement.m_pictureLeft = area.m_OtherValues[0];
        m_placement.m_pictureTop = area.m_OtherValues[1];
        m_placement.m_pictureWidth = area.m_OtherValues[2];
        m_placement.m_pictureHeight = area.m_OtherValues[3];
        m_placement.m_opacity = static_cast<int32_t>(std::min<uint32_t>(area.m_OtherWord, 100U));
        // The views keep a picture's turns in the rotation count; a record read back from a project
        // file has them in its last picture byte only.
        m_placement.m_pictureQuarterTurns =
            area.m_RotationCount != 0 ? area.m_RotationCount : static_cast<int8_t>(area.m_OtherBytes[2]);
    }
}

void CScanDataDescriptionDialog::StorePlacementInScan(CScanData& scan) {
    CScanAreaRecord& area = scan.m_ScanArea;
    area.m_OverlayId = m_placement.m_overlayId;
    QOverlayOptions* options = m_mediator.GetOverlayOptions();
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr) {
        // The ID alone; the record is marked changed where its kind keeps that flag.
        if (area.m_Variant != 0) {
            area.m_OtherBytes[1] = 1;
        } else if (options != nullptr) {
            options->m_pictureFlags[1] = 1;
        }
        return;
    }
    area.m_Variant = control->GetSourceKind();
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        StoreDrawingPlacement(m_placement, area, options);
        return;
    }
    StorePicturePlacement(m_placement, area);
    // A project file keeps a picture's turns in the last byte as well.
    area.m_OtherBytes[2] = static_cast<uint8_t>(m_placement.m_pictureQuarterTurns);
}

bool CScanDataDescriptionDialog::ReadOverlayPlacement(COverlayPlacement& placement) {
    placement = m_placement;
    return true;
}

void CScanDataDescriptionDialog::WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) {
    m_placement.m_overlayId = placement.m_overlayId;
    if (drawing) {
        // The turned drawing and its opacity follow from the editor (TakeOverlayDrawing).
        m_placement.m_drawingQuarterTurns = placement.m_drawingQuarterTurns;
        m_placement.m_originX = placement.m_originX;
        m_placement.m_originY = placement.m_originY;
        m_placement.m_extentX1 = placement.m_extentX1;
        m_placement.m_extentY1 = placement.m_extentY1;
        m_placement.m_extentX2 = placement.m_extentX2;
        m_placement.m_extentY2 = placement.m_extentY2;
        return;
    }
    m_turnedDrawing.Clear();
    m_placement.m_pictureLeft = placement.m_pictureLeft;
    m_placement.m_pictureTop = placement.m_pictureTop;
    m_placement.m_pictureWidth = placement.m_pictureWidth;
    m_placement.m_pictureHeight = placement.m_pictureHeight;
    m_placement.m_mirrorHorizontal = placement.m_mirrorHorizontal;
    m_placement.m_mirrorVertical = placement.m_mirrorVertical;
    m_placement.m_pictureQuarterTurns = placement.m_pictureQuarterTurns;
    m_placement.m_opacity = placement.m_opacity;
}

void CScanDataDescriptionDialog::TakeOverlayDrawing(DrawList turned, int32_t opacity) {
    m_turnedDrawing = std::move(turned);
    m_placement.m_opacity = opacity;
}

void CScanDataDescriptionDialog::OnOverlayPlacementApplied() {
    // The placement is only the dialog's until its own Apply; the grid is drawn again on the editor's
    // notice (10020), posted to GetOverlayOwnerTarget.
    m_apply->setEnabled(true);
}

bool CScanDataDescriptionDialog::IsOverlayCellMarked(int32_t row, int32_t column) const {
    return m_grid.IsOn(row, column);
}

int64_t CScanDataDescriptionDialog::HandleMessage(Message& message) {
    switch (message.id) {
    case kPlacementChangedMessage:
        m_showOverlay->setChecked(true);
        RenderOverlay();
        RenderGrid();
        update(m_grid.GetRect());
        return 0;
    case kSelectOverlayPictureMessage:
        SelectOverlayInEditor(*this, static_cast<uint32_t>(message.wParam));
        return 0;
    default:
        return 0;
    }
}

// --- Rendering ---

void CScanDataDescriptionDialog::RenderOverlay() {
    const QRect grid = m_grid.GetRect();
    m_overlayImage = QImage();
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr || control->GetSourceKind() != COverlayControl::kPcbDrawing || grid.isEmpty()) {
        return;
    }
    m_overlayImage = QImage(grid.size(), QImage::Format_ARGB32);
    m_overlayImage.fill(Qt::white);
    const int64_t spanX = static_cast<int64_t>(m_placement.m_extentX2) - m_placement.m_extentX1;
    const int64_t spanY = static_cast<int64_t>(m_placement.m_extentY2) - m_placement.m_extentY1;
    // The drawing's share of the 42 x 29 grid, as the editor sizes it.
    const int64_t width =
        kTableWidth * (std::llabs(spanX) * 40 / ScanDescriptionGrid::kColumns) / kUnitsAcross;
    const int64_t height = kTableHeight * (std::llabs(spanY) * 32 / ScanDescriptionGrid::kRows) / kUnitsDown;
    // A drawing scaled to many times the grid would take long to paint for a few of its lines; it is
    // not drawn.
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max() / 4;
    constexpr int64_t kLargestScale = 32;
    if (spanX == 0 || spanY == 0 || width <= 0 || height <= 0 || std::llabs(spanX) > kLimit ||
        std::llabs(spanY) > kLimit || width > kLargestScale * kTableWidth ||
        height > kLargestScale * kTableHeight) {
        COverlayUtility::MakeWhiteTransparent(m_overlayImage);
        return;
    }
    const QRect mapped(RoundToInt(static_cast<double>(m_placement.m_originX) * kTableWidth),
                       RoundToInt(static_cast<double>(m_placement.m_originY) * kTableHeight),
                       static_cast<int>(width), static_cast<int>(height));
    QPainter painter(&m_overlayImage);
    painter.save();
    // A line on the extent's edge of a turned drawing (its window runs right to left) can round to the
    // pixel outside; the drawing stays within its frame.
    painter.setClipRect(mapped);
    // The extent's first corner lands on the mapped area's top-left: swapped corners mirror it.
    painter.setWindow(QRect(m_placement.m_extentX1, m_placement.m_extentY1, static_cast<int>(spanX),
                            static_cast<int>(spanY)));
    // The extent's far corner on the frame's last pixel, not one past it: the drawing's outer lines
    // stay inside its frame.
    painter.setViewport(mapped.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::black, 0));
    COverlayUtility::PaintDrawing(painter, m_turnedDrawing.Head());
    painter.restore();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(mapped.adjusted(0, 0, -1, -1));
    painter.end();
    COverlayUtility::MakeWhiteTransparent(m_overlayImage);
}

void CScanDataDescriptionDialog::DrawPicture(QPainter& painter, const COverlayControl& control) const {
    const QImage image = COverlayControlImage::GetImage(control);
    if (image.isNull()) {
        return;
    }
    const QRect place(RoundToInt(static_cast<double>(m_placement.m_pictureLeft) * kTableWidth),
                      RoundToInt(static_cast<double>(m_placement.m_pictureTop) * kTableHeight),
                      RoundToInt(static_cast<double>(m_placement.m_pictureWidth) * kTableWidth),
                      RoundToInt(static_cast<double>(m_placement.m_pictureHeight) * kTableHeight));
    if (!place.isValid()) {
        return;
    }
    const QImage shown =
        TurnedAndMirrored(image, NormalTurns(m_placement.m_pictureQuarterTurns),
                          m_placement.m_mirrorHorizontal != 0, m_placement.m_mirrorVertical != 0);
    painter.save();
    painter.setOpacity(static_cast<double>(std::clamp(m_placement.m_opacity, 0, 100)) / 100.0);
    painter.drawImage(place, shown);
    painter.restore();
}

void CScanDataDescriptionDialog::RenderGrid() {
    m_gridImage = m_grid.Render();
    if (m_gridImage.isNull() || !m_showOverlay->isChecked()) {
        return;
    }
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr) {
        return;
    }
    QPainter painter(&m_gridImage);
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        if (!m_overlayImage.isNull()) {
            painter.drawImage(QPoint(0, 0), m_overlayImage);
        }
    } else {
        DrawPicture(painter, *control);
    }
}

void CScanDataDescriptionDialog::OnShowOverlay() {
    RenderGrid();
    update(m_grid.GetRect());
}

// --- Painting and the mouse ---

void CScanDataDescriptionDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    const QRect grid = m_grid.GetRect();
    if (!m_gridImage.isNull()) {
        painter.drawImage(grid.topLeft(), m_gridImage);
    }
    DrawHoverLabel(painter);
    DrawAxisNumbers(painter);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int bottom = grid.top() + grid.height();
    painter.drawText(
        QRect(grid.left(), bottom + 30, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromStdString(FormatC(kProbesFormat, m_grid.GetProbesOn(), m_grid.GetProbesOff())));
}

void CScanDataDescriptionDialog::DrawHoverLabel(QPainter& painter) {
    m_hoverText.clear();
    m_hoverRect = QRect();
    if (!m_hoverCell) {
        return;
    }
    const int32_t row = m_hoverCell->m_row;
    const int32_t column = m_hoverCell->m_column;
    if (row > ScanDescriptionGrid::kRows - 1 || column > ScanDescriptionGrid::kColumns - 1) {
        return;
    }
    const QScannerContext& context = GetScannerContext();
    if (UsesLetteredLabels() && column < context.GetColumnLabelCount()) {
        m_hoverText = FormatC(" Row: %-2d,  Col: %s", row + 1, context.GetColumnLabel(column).m_text.c_str());
    } else {
        m_hoverText = FormatC(" Row: %-2d,  Col: %-2d", row, column);
    }
    const QRect grid = m_grid.GetRect();
    int x = m_hoverPoint.x() + 10;
    // Left of the mouse near the grid's right edge, unless a narrow grid would put it off the dialog.
    if (x + kLabelWidth > grid.left() + grid.width() && m_hoverPoint.x() - 10 - kLabelWidth >= 0) {
        x = m_hoverPoint.x() - 10 - kLabelWidth;
    }
    int y = m_hoverPoint.y() - kLabelHeight / 2;
    if (row == 0) {
        y += 10;
    } else if (row == m_grid.GetRows() - 1) {
        y -= 10;
    }
    m_hoverRect = QRect(x, y, kLabelWidth, kLabelHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    painter.save();
    painter.fillRect(m_hoverRect, ColorRefToQColor(m_grid.IsOn(row, column) ? kMeasuredLabelBackground
                                                                            : kLabelBackground));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(m_hoverRect, Qt::AlignCenter | Qt::TextSingleLine, CodePageToQString(m_hoverText));
    painter.restore();
}

void CScanDataDescriptionDialog::DrawAxisNumbers(QPainter& painter) {
    const QRect grid = m_grid.GetRect();
    if (grid.isEmpty()) {
        return;
    }
    const bool lettered = UsesLetteredLabels();
    const QScannerContext& context = GetScannerContext();
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::red);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int ascent = painter.fontMetrics().ascent();
    const int bottom = grid.top() + grid.height();
    for (int32_t column = 0; column < m_grid.GetColumns(); column += 5) {
        std::string text = FormatC("%d", column);
        if (lettered && column < context.GetColumnLabelCount()) {
            text = context.GetColumnLabel(column).m_text;
        }
        const int x = m_grid.GetCell(0, column).m_rect.left();
        painter.drawText(QPoint(x, grid.top() - 18 + ascent), CodePageToQString(text));
        painter.drawText(QPoint(x, bottom + 6 + ascent), CodePageToQString(text));
    }
    for (int32_t row = 0; row < m_grid.GetRows(); row += 5) {
        const QString text = QString::number(lettered ? row + 1 : row);
        const int y = m_grid.GetCell(row, 0).m_rect.top() + ascent - 2;
        painter.drawText(QPoint(grid.left() - 20, y), text);
        painter.drawText(QPoint(grid.left() + grid.width() + 8, y), text);
    }
    painter.restore();
}

void CScanDataDescriptionDialog::mouseMoveEvent(QMouseEvent* event) {
    QDialog::mouseMoveEvent(event);
    const QPoint point = event->position().toPoint();
    const std::optional<ScanDescriptionGrid::CellIndex> cell = m_grid.HitTest(point);
    const QRect around =
        m_grid.GetRect().adjusted(-kLabelWidth - 12, -kLabelHeight, kLabelWidth + 12, kLabelHeight);
    if (cell) {
        m_hoverCell = cell;
        m_hoverPoint = point;
        update(around);
    } else if (m_hoverCell) {
        m_hoverCell.reset();
        update(around);
    }
}

void CScanDataDescriptionDialog::leaveEvent(QEvent* event) {
    QDialog::leaveEvent(event);
    if (m_hoverCell) {
        m_hoverCell.reset();
        update();
    }
}

// --- Commands ---

bool CScanDataDescriptionDialog::Apply() {
    const std::string description = QStringToCodePage(m_description->toPlainText());
    if (description.size() > kMaxDescriptionBytes) {
        ShowPrompt(kDescriptionTooLongText, kCaption, PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    m_apply->setEnabled(false);
    CScanData* scan = ResolveScan();
    if (scan == nullptr) {
        return true;
    }
    {
        std::lock_guard<std::recursive_mutex> hold(scan->m_Lock);
        StorePlacementInScan(*scan);
        // The description is the scan's first text, which the list and the export show.
        scan->m_UserText = description;
        scan->m_DescriptionTexts.SetUserText(description);
    }
    if (CViewList* list = GetOwnedScanList()) {
        if (IsTwoSourceKind()) {
            list->SetDescriptionByItemData(m_sourceIndex, description);
        } else {
            list->SetDescriptionById(m_scanId, description);
        }
    }
    m_mediator.MarkProjectModified();
    m_mediator.RefreshAllViews();
    return true;
}

void CScanDataDescriptionDialog::accept() {
    if (Apply()) {
        QDialog::accept();
    }
}

void CScanDataDescriptionDialog::done(int result) {
    // The editor works for this dialog only: it goes when the dialog closes.
    CloseOverlayEditor();
    QDialog::done(result);
}

void CScanDataDescriptionDialog::OpenOverlayEditor() {
    if (RaiseOverlayEditor(*this)) {
        return;
    }
    m_showOverlay->setChecked(true);
    // A child window of the dialog: it takes input while the dialog runs modally and goes with it.
    OpenOverlayEditorOver(*this, *this, GetProject(), kEditorTitle);
}

void CScanDataDescriptionDialog::CloseOverlayEditor() {
    DeleteOverlayEditor(*this);
}

void CScanDataDescriptionDialog::ConvertScanParametersIntoNodeSettings() {
    CScanData* scan = ResolveScan();
    if (scan == nullptr) {
        return;
    }
    std::unique_lock<std::recursive_mutex> hold(scan->m_Lock);
    QProbeScanPatternOptions* pattern = m_kind == kTypeSpectralScanNode
                                            ? m_mediator.GetFirstProbePatternOptions()
                                            : m_mediator.GetSecondProbePatternOptions();
    if (pattern != nullptr) {
        pattern->SetPattern(scan->m_ProbeScanPattern);
        pattern->SetOwnPattern(true);
    }
    if (QScanOptions* options = m_mediator.GetScanOptions()) {
        options->SetStartFrequency(scan->m_StartFrequency);
        options->SetStopFrequency(scan->m_StopFrequency);
        options->SetCenterFrequency(scan->m_CenterFrequency);
        options->SetReferenceLevel(scan->m_ReferenceLevel);
        options->SetRBW(scan->m_ResolutionBandwidth);
        options->SetPeakHold(scan->m_PeakHold == 1);
        // The node now scans with the scanner's front end, set from this scan.
        options->SetSetupSwitch1(true);
        if (m_kind != kTypeSpectralScanNode) {
            options->SetAveraging(scan->IsAveraging());
        }
    }
    if (QOverlayOptions* overlay = m_mediator.GetOverlayOptions()) {
        const CScanAreaRecord& area = scan->m_ScanArea;
        overlay->m_overlayId = static_cast<int32_t>(area.m_OverlayId);
        overlay->m_sourceKind = area.m_Variant;
        overlay->m_showFlag = static_cast<uint8_t>(area.m_RotationCount);
        if (area.m_Variant == QOverlayOptions::kSourceDrawing) {
            overlay->m_placementA = area.m_Values[0];
            overlay->m_placementB = area.m_Values[1];
            overlay->m_placement = {area.m_Left, area.m_Top, area.m_Right, area.m_Bottom};
        } else {
            std::copy(area.m_OtherValues.begin(), area.m_OtherValues.end(), overlay->m_pictureValues);
            overlay->m_pictureInt = static_cast<int32_t>(area.m_OtherWord);
            std::copy(area.m_OtherBytes.begin(), area.m_OtherBytes.end(), overlay->m_pictureFlags);
        }
    }
    hold.unlock();
    m_mediator.MarkProjectModified();
}

} // namespace orv
