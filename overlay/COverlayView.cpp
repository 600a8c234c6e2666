#include "overlay/COverlayView.h"

#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CClipboardObject.h"
#include "app/controls/ClipboardFormats.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/COverlayImport.h"
#include "overlay/COverlayImportFileChooser.h"
#include "overlay/COverlayUnitView.h"
#include "overlay/COverlayUtility.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/COverlayViewOwner.h"
#include "overlay/CWebcamDlg.h"
#include "overlay/OverlayMessages.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QMainFrame.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/TfrmMainApp.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTransform>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <utility>

namespace orv {
namespace {

COverlayView::MenuRunner& InstalledMenuRunner() {
    static COverlayView::MenuRunner runner;
    return runner;
}

// -value without overflow: the extent of a hostile placement may hold INT32_MIN.
int32_t Negate(int32_t value) {
    return value == INT32_MIN ? INT32_MAX : -value;
}

struct MenuEntry {
    const char* caption; // null: a separator
    uint32_t command;
};

// The "Overlay Config" popup of menu 365 as the resource holds it.
constexpr MenuEntry kConfigMenu[] = {
    {"Import New PCB File", OverlayCommand::kImport},
    {"Import New Jpeg File", OverlayCommand::kImport},
    {"Import Webcam Image", OverlayCommand::kImportWebcamImage},
    {nullptr, 0},
    {"Copy Overlay", OverlayCommand::kCopyOverlay},
    {"Paste Overlay", OverlayCommand::kPasteOverlay},
    {nullptr, 0},
    {"Reset", OverlayCommand::kReset},
    {"Reset Picture", OverlayCommand::kResetPicture},
    {"Unselect Picture", OverlayCommand::kUnselect},
    {nullptr, 0},
    {"Mirror Horizontally", OverlayCommand::kMirrorHorizontally},
    {"Mirror Vertically", OverlayCommand::kMirrorVertically},
    {nullptr, 0},
    {"Rotate Clockwise", OverlayCommand::kRotateClockwise},
    {"Rotate Counter Clockwise", OverlayCommand::kRotateCounterClockwise},
};

void RemoveCommands(QMenu& menu, std::initializer_list<uint32_t> commands) {
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() &&
            std::find(commands.begin(), commands.end(), action->data().toUInt()) != commands.end()) {
            menu.removeAction(action);
            delete action;
        }
    }
}

// Separators left first, last or doubled by removed entries go too.
void RemoveStraySeparators(QMenu& menu) {
    RemoveDuplicateMenuSeparators(&menu);
    while (!menu.actions().isEmpty() && menu.actions().front()->isSeparator()) {
        QAction* first = menu.actions().front();
        menu.removeAction(first);
        delete first;
    }
    while (!menu.actions().isEmpty() && menu.actions().back()->isSeparator()) {
        QAction* last = menu.actions().back();
        menu.removeAction(last);
        delete last;
    }
}

// Drawing units the grid spans: 40 x 32 cells, or 42 x 29.
constexpr int64_t kUnitsAcross40 = 3040;
constexpr int64_t kUnitsAcross42 = 2992;
constexpr int64_t kUnitsDown32 = 2434;
constexpr int64_t kUnitsDown29 = 2395;

int32_t Truncate(double value) {
    if (!(value > -2147483648.0)) {
        return value != value ? 0 : INT32_MIN;
    }
    if (!(value < 2147483647.0)) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

int32_t Round(double value) {
    return Truncate(std::round(value));
}

// The overlay ID a drop carries.
class DroppedUnit : public CClipboardObject {
public:
    void StoreClipboardData(QDataWriter& writer) const override { writer.WriteU32(m_overlayId); }
    void LoadClipboardData(QDataReader& reader) override { m_overlayId = reader.ReadU32(); }
    uint32_t m_overlayId = 0;
};

// A frame of 1 pixel in one colour round the rectangle (both edges inside it).
void Frame(QPainter& painter, const QRect& rect, uint32_t colour) {
    if (rect.width() < 1 || rect.height() < 1) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ColorRefToQColor(colour), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace

COverlayView::COverlayView(QWidget* parent) : QWidget(parent), MessageTarget(GetUiMessageThread()) {
    setAcceptDrops(true);
    // The arrows move the overlay: the view takes the keys once clicked.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    auto button = [this](const char* caption, int id) {
        auto* made = new QPushButton(QString::fromLatin1(caption), this);
        made->setObjectName(QString::number(id));
        made->setGeometry(0, 0, 70, 25);
        return made;
    };
    m_pTip = new QGroupBox(QStringLiteral("Tip"), this);
    m_pTip->setObjectName(QString::number(kTipId));
    m_pHint = new QLabel(QString::fromLatin1(kHintText), this);
    m_pHint->setObjectName(QString::number(kHintId));
    m_pOk = button("OK", kOkId);
    m_pCancel = button("Cancel", kCancelId);
    m_pApply = button("Apply", kApplyId);
    m_pApply->setEnabled(false);
    connect(m_pOk, &QPushButton::clicked, this, [this] {
        Apply();
        Cancel();
    });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(m_pApply, &QPushButton::clicked, this, [this] { Apply(); });
}

COverlayView::~COverlayView() {
    if (m_pOwner != nullptr && m_pOwner->GetOverlayOwnerKind() == COverlayViewOwner::Kind::SpatialView) {
        if (m_pProject != nullptr) {
            if (auto* main = dynamic_cast<QWidget*>(&m_pProject->GetMainFrame())) {
                main->raise();
                main->activateWindow();
            }
        }
        if (QNodeMediator* mediator = m_pOwner->GetOverlayOwnerMediator()) {
            mediator->RefreshAllViews();
        }
    }
}

QPushButton* COverlayView::GetButton(int id) const {
    switch (id) {
    case kOkId:
        return m_pOk;
    case kCancelId:
        return m_pCancel;
    case kApplyId:
        return m_pApply;
    default:
        return nullptr;
    }
}

void COverlayView::SetGrid(int32_t columns, int32_t rows) {
    m_nColumns = std::max(columns, 1);
    m_nRows = std::max(rows, 1);
    m_nClientWidth = 0;
    Relayout();
}

// --- Messages ---

int64_t COverlayView::HandleMessage(Message& message) {
    switch (message.id) {
    case OverlayMessage::kRelayout:
        Relayout();
        return 0;
    case OverlayMessage::kPictureDeleted:
        OnOverlayPictureDeleted(static_cast<uint32_t>(message.wParam));
        return 0;
    case OverlayMessage::kPlacementChanged:
        repaint();
        return 0;
    default:
        return 0;
    }
}

void COverlayView::RelayoutLater() {
    m_nClientWidth = 0;
    Post(OverlayMessage::kRelayout);
}

void COverlayView::OnOverlayPictureDeleted(uint32_t overlayId) {
    if (m_pProject == nullptr || !m_pProject->DeleteOverlayControl(overlayId)) {
        return;
    }
    if (m_pUnitView != nullptr) {
        m_pUnitView->RefillUnits();
    }
    if (overlayId == m_placement.m_overlayId) {
        SelectOverlayControl(0);
    }
    if (QProjectFormView* view = m_pProject->GetProjectFormView()) {
        view->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
}

void COverlayView::Cancel() {
    if (m_pFrame != nullptr) {
        QMetaObject::invokeMethod(m_pFrame, &QWidget::close, Qt::QueuedConnection);
    }
}

void COverlayView::Apply() {
    COverlayControl* control = FindSelectedControl();
    if (m_pOwner == nullptr || control == nullptr) {
        return;
    }
    const bool drawing = control->GetSourceKind() == COverlayControl::kPcbDrawing;
    m_pOwner->WriteOverlayPlacement(m_placement, drawing);
    const COverlayViewOwner::Kind kind = m_pOwner->GetOverlayOwnerKind();
    if (kind != COverlayViewOwner::Kind::SpatialView) {
        if (drawing) {
            std::shared_ptr<const DrawList> original = control->GetDrawList();
            m_pOwner->TakeOverlayDrawing(COverlayUtility::BuildDrawList(original ? original->Head() : nullptr,
                                                                        m_placement.m_drawingQuarterTurns),
                                         kAppliedDrawingOpacity);
        }
        if (MessageTarget* target = m_pOwner->GetOverlayOwnerTarget()) {
            target->Post(OverlayMessage::kPlacementChanged,
                         kind == COverlayViewOwner::Kind::DescriptionDialog ? 1U : 0U);
        }
    }
    m_pOwner->OnOverlayPlacementApplied();
    m_pApply->setEnabled(false);
}

void COverlayView::PlacementChanged() {
    update(m_areaRect);
    Post(OverlayMessage::kPlacementChanged);
    m_pApply->setEnabled(true);
}

bool COverlayView::IsPictureSelected() const {
    const COverlayControl* control = FindSelectedControl();
    return control != nullptr && control->GetSourceKind() != COverlayControl::kPcbDrawing;
}

// --- The "Overlay Config" menu and its commands ---

COverlayView::MenuRunner COverlayView::InstallMenuRunner(MenuRunner runner) {
    return std::exchange(InstalledMenuRunner(), std::move(runner));
}

std::unique_ptr<QMenu> COverlayView::BuildContextMenu() const {
    auto menu = std::make_unique<QMenu>(QString::fromLatin1(kMenuCaption));
    for (const MenuEntry& entry : kConfigMenu) {
        if (entry.caption == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(entry.caption));
        action->setData(entry.command);
        // Reset has no work of its own to do.
        action->setEnabled(entry.command != OverlayCommand::kReset);
    }
    const COverlayPlacement* clipboard = m_pProject != nullptr ? &m_pProject->GetOverlayClipboard() : nullptr;
    const bool pasteable = clipboard != nullptr && clipboard->m_overlayId != 0 &&
                           m_pProject->FindOverlayControl(clipboard->m_overlayId) != nullptr;
    RemoveCommands(*menu, {OverlayCommand::kResetPicture});
    const COverlayControl* selected = FindSelectedControl();
    if (selected == nullptr) {
        RemoveCommands(*menu, {OverlayCommand::kReset, OverlayCommand::kUnselect,
                               OverlayCommand::kMirrorHorizontally, OverlayCommand::kMirrorVertically,
                               OverlayCommand::kRotateClockwise, OverlayCommand::kRotateCounterClockwise});
    } else if (selected->GetSourceKind() != COverlayControl::kPcbDrawing) {
        // Mirroring and turning work on drawings only.
        RemoveCommands(*menu, {OverlayCommand::kMirrorHorizontally, OverlayCommand::kMirrorVertically,
                               OverlayCommand::kRotateClockwise, OverlayCommand::kRotateCounterClockwise});
    }
    for (QAction* action : menu->actions()) {
        const uint32_t command = action->data().toUInt();
        if (command == OverlayCommand::kPasteOverlay) {
            action->setEnabled(pasteable);
        } else if (command == OverlayCommand::kCopyOverlay) {
            action->setEnabled(selected != nullptr);
        }
    }
    RemoveStraySeparators(*menu);
    return menu;
}

void COverlayView::ShowContextMenu(const QPoint& at) {
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    const QPoint screen = mapToGlobal(at);
    const MenuRunner& runner = InstalledMenuRunner();
    QAction* chosen = runner ? runner(*menu, screen) : menu->exec(screen);
    const uint32_t command = chosen != nullptr && chosen->isEnabled() ? chosen->data().toUInt() : 0;
    menu.reset();
    if (command != 0) {
        OnCommand(command);
    }
}

void COverlayView::OnCommand(uint32_t command) {
    switch (command) {
    case OverlayCommand::kMirrorHorizontally:
    case OverlayCommand::kMirrorVertically:
        Mirror(command == OverlayCommand::kMirrorHorizontally);
        break;
    case OverlayCommand::kRotateClockwise:
    case OverlayCommand::kRotateCounterClockwise:
        Rotate(command == OverlayCommand::kRotateClockwise);
        break;
    case OverlayCommand::kImport:
        ImportFile();
        update();
        break;
    case OverlayCommand::kImportWebcamImage:
        ImportWebcamImage();
        update();
        break;
    case OverlayCommand::kUnselect:
        SelectOverlayControl(0);
        m_pApply->setEnabled(true);
        break;
    case OverlayCommand::kCopyOverlay:
        CopyOverlay();
        break;
    case OverlayCommand::kPasteOverlay:
        PasteOverlay();
        break;
    default:
        break;
    }
}

void COverlayView::Mirror(bool horizontally) {
    const COverlayControl* control = FindSelectedControl();
    if (control == nullptr || control->GetSourceKind() != COverlayControl::kPcbDrawing) {
        return;
    }
    // The mapping lays the extent's first corner on the top-left: exchanged values mirror the drawing.
    m_bMirrored = !m_bMirrored;
    if (horizontally) {
        std::swap(m_placement.m_extentX1, m_placement.m_extentX2);
    } else {
        std::swap(m_placement.m_extentY1, m_placement.m_extentY2);
    }
    m_bDrawingChanged = true;
    update();
    m_pApply->setEnabled(true);
}

void COverlayView::Rotate(bool clockwise) {
    const COverlayControl* control = FindSelectedControl();
    if (control == nullptr || control->GetSourceKind() != COverlayControl::kPcbDrawing) {
        return;
    }
    const int16_t turn = clockwise ? -1 : 1;
    // The remainder keeps the sign: the turns stay within -3 .. 3.
    m_placement.m_drawingQuarterTurns = static_cast<int8_t>((m_placement.m_drawingQuarterTurns + turn) % 4);
    for (DrawBase_t* primitive = m_turnedDrawing.Head(); primitive != nullptr;
         primitive = primitive->m_next) {
        primitive->Rotate90(turn);
    }
    const int32_t x1 = m_placement.m_extentX1;
    const int32_t y1 = m_placement.m_extentY1;
    const int32_t x2 = m_placement.m_extentX2;
    const int32_t y2 = m_placement.m_extentY2;
    if (clockwise) {
        m_placement.m_extentX1 = y2;
        m_placement.m_extentY1 = Negate(x1);
        m_placement.m_extentX2 = y1;
        m_placement.m_extentY2 = Negate(x2);
    } else {
        m_placement.m_extentX1 = Negate(y1);
        m_placement.m_extentY1 = x2;
        m_placement.m_extentX2 = Negate(y2);
        m_placement.m_extentY2 = x1;
    }
    m_bDrawingChanged = true;
    update();
    m_pApply->setEnabled(true);
}

void COverlayView::CopyOverlay() {
    if (m_pProject != nullptr && FindSelectedControl() != nullptr) {
        m_pProject->SetOverlayClipboard(m_placement);
    }
}

void COverlayView::PasteOverlay() {
    if (m_pProject == nullptr) {
        return;
    }
    const COverlayPlacement record = m_pProject->GetOverlayClipboard();
    COverlayControl* control =
        record.m_overlayId != 0 ? m_pProject->FindOverlayControl(record.m_overlayId) : nullptr;
    if (control == nullptr) {
        return;
    }
    m_placement = record;
    m_nMoveX = m_nMoveY = m_nResizeX = m_nResizeY = 0;
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        std::shared_ptr<const DrawList> drawing = control->GetDrawList();
        m_turnedDrawing = COverlayUtility::BuildDrawList(drawing ? drawing->Head() : nullptr,
                                                         m_placement.m_drawingQuarterTurns);
        m_bDrawingChanged = true;
    } else {
        ApplyPictureTurns();
    }
    m_bPlacementDirty = true;
    RestoreWorkingCopy();
    RelayoutLater();
    m_pApply->setEnabled(true);
}

void COverlayView::ImportFile() {
    if (m_pProject == nullptr) {
        return;
    }
    COverlayImportFileRequest request;
    request.m_title = kImportTitle;
    request.m_filter = kImportFilter;
    request.m_defaultExtension = kImportDefaultExtension;
    const std::optional<std::string> path = COverlayImportFileChooser::Get()->ChooseOpenFile(request, this);
    if (!path.has_value()) {
        return;
    }
    const COverlayImport::Result result = COverlayImport::ImportFile(*m_pProject, *path);
    if (result.m_overlayId == 0) {
        return;
    }
    m_bDropValid = false;
    if (result.m_added) {
        if (m_pUnitView != nullptr) {
            m_pUnitView->RefillUnits();
        }
        if (QProjectFormView* view = m_pProject->GetProjectFormView()) {
            view->GetMessageTarget().Post(NodeMessage::kProjectModified);
        }
    }
    SelectOverlayControl(result.m_overlayId);
}

void COverlayView::ImportWebcamImage() {
    if (m_pProject == nullptr) {
        return;
    }
    // The dialog adds the snapshot and selects it here.
    CWebcamDlg dialog(*m_pProject, *this, this);
    dialog.exec();
}

void COverlayView::ResetPicturePlacement() {
    m_placement.m_pictureLeft = 0.0F;
    m_placement.m_pictureTop = 0.0F;
    m_placement.m_pictureWidth = 1.0F;
    m_placement.m_pictureHeight = 1.0F;
}

// --- Mouse and keys ---

void COverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_pFrame != nullptr) {
        m_pFrame->raise();
        m_pFrame->activateWindow();
    }
    setFocus(Qt::MouseFocusReason);
    m_bButtonDown = true;
    m_lastMouse = event->position().toPoint();
    m_bMoving = false;
    m_bResizing = false;
    if (FindSelectedControl() == nullptr) {
        return;
    }
    // A drag that starts on the overlay goes on wherever the mouse goes until the button is up.
    if (IsPictureSelected() && m_handleRect.contains(m_lastMouse)) {
        m_bResizing = true;
    } else if (m_pictureRect.contains(m_lastMouse)) {
        m_bMoving = true;
    }
}

void COverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bButtonDown = false;
        m_bMoving = false;
        m_bResizing = false;
        return;
    }
    if (event->button() == Qt::RightButton) {
        ShowContextMenu(event->position().toPoint());
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void COverlayView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool selected = FindSelectedControl() != nullptr;
    const bool overHandle = selected && IsPictureSelected() && m_handleRect.contains(at);
    if (m_bResizing || (!m_bMoving && overHandle)) {
        setCursor(Qt::SizeFDiagCursor);
    } else if (m_bMoving || (selected && m_pictureRect.contains(at))) {
        setCursor(Qt::CrossCursor);
    } else {
        unsetCursor();
    }
    if (!m_bButtonDown || !selected || (!m_bMoving && !m_bResizing)) {
        m_lastMouse = at;
        return;
    }
    const QPoint delta = at - m_lastMouse;
    m_lastMouse = at;
    if (delta.isNull()) {
        return;
    }
    if (m_bResizing) {
        SetPendingResize(delta.x(), delta.y());
    } else {
        SetPendingMove(delta.x(), delta.y());
    }
    PlacementChanged();
}

void COverlayView::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!IsPictureSelected()) {
        m_nWheelRemainder = 0;
        return;
    }
    m_nWheelRemainder += event->angleDelta().y();
    const int32_t notches = m_nWheelRemainder / kWheelNotch;
    m_nWheelRemainder %= kWheelNotch;
    if (notches == 0) {
        return;
    }
    m_placement.m_opacity = std::clamp(std::clamp(m_placement.m_opacity, 0, 100) + notches, 0, 100);
    update(m_areaRect);
    m_pApply->setEnabled(true);
}

void COverlayView::TrackModifiers(Qt::KeyboardModifiers modifiers) {
    m_bControl = modifiers.testFlag(Qt::ControlModifier);
    m_bShift = modifiers.testFlag(Qt::ShiftModifier);
}

void COverlayView::keyPressEvent(QKeyEvent* event) {
    TrackModifiers(event->modifiers());
    int32_t dx = 0;
    int32_t dy = 0;
    switch (event->key()) {
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // Nothing selected: nothing to move, and no delta is kept for the overlay selected next.
    if (FindSelectedControl() == nullptr) {
        return;
    }
    if (m_bControl || m_bShift) {
        SetPendingResize(dx, dy);
    } else {
        SetPendingMove(dx, dy);
    }
    PlacementChanged();
}

void COverlayView::keyReleaseEvent(QKeyEvent* event) {
    TrackModifiers(event->modifiers());
    QWidget::keyReleaseEvent(event);
}

// --- Layout ---

void COverlayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void COverlayView::Relayout() {
    if (!m_bInitialised) {
        return;
    }
    const int32_t w = width();
    const int32_t h = height();
    m_pOk->setGeometry(w - 294, h - 32, 70, 25);
    m_pCancel->setGeometry(w - 218, h - 32, 70, 25);
    m_pApply->setGeometry(w - 142, h - 32, 70, 25);
    const int32_t tipWidth = std::min(400, w - 306);
    m_pTip->setGeometry(6, h - 40, std::max(tipWidth, 0), 35);
    m_pHint->setGeometry(12, h - 25, std::max(tipWidth - 12, 0), 16);
    if (w == m_nClientWidth && h == m_nClientHeight) {
        return;
    }
    m_nClientWidth = w;
    m_nClientHeight = h;
    const float availableWidth = static_cast<float>(w - kLeftMargin - kRightMargin);
    const float availableHeight = static_cast<float>(h - kTopMargin - kBottomMargin);
    m_fScale = std::max(std::min(availableWidth / static_cast<float>(m_nColumns),
                                 availableHeight / static_cast<float>(m_nRows)),
                        0.0F);
    m_nAreaWidth = Truncate(static_cast<double>(m_nColumns) * m_fScale);
    m_nAreaHeight = Truncate(static_cast<double>(m_nRows) * m_fScale);
    m_areaRect = QRect(kLeftMargin, kTopMargin, m_nAreaWidth, m_nAreaHeight);
    if (m_nAreaWidth > 0 && m_nAreaHeight > 0) {
        m_background = QImage(m_nAreaWidth, m_nAreaHeight, QImage::Format_RGB32);
        RenderGridBackground();
    } else {
        m_background = QImage();
    }
    RestoreWorkingCopy();
    m_bPlacementDirty = true;
    update();
}

void COverlayView::RestoreWorkingCopy() {
    // Shared until someone paints into it.
    m_working = m_background;
}

// --- Grid background ---

void COverlayView::RenderGridBackground() {
    if (m_background.isNull()) {
        return;
    }
    m_background.fill(Qt::white);
    QPainter painter(&m_background);
    auto edge = [this](int32_t index) { return Truncate(static_cast<double>(index) * m_fScale); };
    const QColor band = ColorRefToQColor(kBandColour);
    for (int32_t row = 0; row < m_nRows; row += 5) {
        painter.fillRect(QRect(0, edge(row), m_nAreaWidth, edge(row + 1) - edge(row)), band);
    }
    for (int32_t column = 0; column < m_nColumns; column += 5) {
        painter.fillRect(QRect(edge(column), 0, edge(column + 1) - edge(column), m_nAreaHeight), band);
    }
    if (m_pOwner != nullptr) {
        if (m_pOwner->GetOverlayOwnerKind() == COverlayViewOwner::Kind::SpatialView) {
            painter.end();
            m_pOwner->DrawOverlayHeatMap(m_background, QPoint(0, 0), m_fScale, m_nRows, m_nColumns);
            painter.begin(&m_background);
        } else {
            const QColor green = QColor::fromRgba(kMarkedCellArgb);
            for (int32_t row = 0; row < m_nRows; ++row) {
                for (int32_t column = 0; column < m_nColumns; ++column) {
                    if (m_pOwner->IsOverlayCellMarked(row, column)) {
                        painter.fillRect(QRect(edge(column), edge(row), edge(column + 1) - edge(column),
                                               edge(row + 1) - edge(row)),
                                         green);
                    }
                }
            }
        }
    }
    painter.setPen(QPen(ColorRefToQColor(kGridLineColour), 0));
    for (int32_t row = 0; row <= m_nRows; ++row) {
        painter.drawLine(0, edge(row), m_nAreaWidth - 1, edge(row));
    }
    for (int32_t column = 0; column <= m_nColumns; ++column) {
        painter.drawLine(edge(column), 0, edge(column), m_nAreaHeight - 1);
    }
    Frame(painter, QRect(0, 0, m_nAreaWidth, m_nAreaHeight), kBorderColour);
}

// --- Placement ---

COverlayControl* COverlayView::FindSelectedControl() const {
    if (m_pProject == nullptr || m_placement.m_overlayId == 0) {
        return nullptr;
    }
    return m_pProject->FindOverlayControl(m_placement.m_overlayId);
}

float COverlayView::DropFraction(int32_t point, int32_t areaStart, int32_t areaSize) const {
    if (areaSize <= 0) {
        return 0.0F;
    }
    const int32_t limit = std::max(0, areaSize - kDropRoom);
    const int32_t offset = std::clamp(point - areaStart, 0, limit);
    return static_cast<float>(offset) / static_cast<float>(areaSize);
}

void COverlayView::SelectOverlayControl(uint32_t overlayId) {
    if (overlayId == m_placement.m_overlayId) {
        return;
    }
    m_placement.m_overlayId = overlayId;
    // What was pending belonged to the overlay selected before.
    m_nMoveX = m_nMoveY = m_nResizeX = m_nResizeY = 0;
    m_bMoving = m_bResizing = false;
    m_handleRect = QRect();
    m_pictureRect = QRect();
    COverlayControl* control = FindSelectedControl();
    if (control == nullptr) {
        m_placement.m_overlayId = 0;
        m_turnedDrawing.Clear();
        m_picture = QImage();
        m_bDropValid = false;
        RestoreWorkingCopy();
        update();
        return;
    }
    const float x = m_bDropValid ? DropFraction(m_dropPoint.x(), m_areaRect.left(), m_nAreaWidth) : 0.0F;
    const float y = m_bDropValid ? DropFraction(m_dropPoint.y(), m_areaRect.top(), m_nAreaHeight) : 0.0F;
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        m_placement.m_originX = x;
        m_placement.m_originY = y;
        m_placement.m_drawingQuarterTurns = 0;
        std::shared_ptr<const DrawList> drawing = control->GetDrawList();
        const DrawExtentPoint minimum = control->GetExtentMinimum();
        const DrawExtentPoint maximum = control->GetExtentMaximum();
        m_placement.m_extentX1 = minimum.x;
        m_placement.m_extentY1 = minimum.y;
        m_placement.m_extentX2 = maximum.x;
        m_placement.m_extentY2 = maximum.y;
        m_turnedDrawing = COverlayUtility::BuildDrawList(drawing ? drawing->Head() : nullptr, 0);
        m_bMirrored = false;
        m_bDrawingChanged = true;
        m_nMoveX = m_nMoveY = 0;
    } else {
        m_placement.m_pictureLeft = x;
        m_placement.m_pictureTop = y;
        m_placement.m_pictureWidth = 0.5F;
        m_placement.m_pictureHeight = 0.5F;
        m_placement.m_opacity = 50;
        m_placement.m_mirrorHorizontal = 0;
        m_placement.m_mirrorVertical = 0;
        m_placement.m_pictureQuarterTurns = 0;
        ApplyPictureTurns();
    }
    m_bPlacementDirty = true;
    m_bDropValid = false;
    m_pApply->setEnabled(true);
    RestoreWorkingCopy();
    update();
}

void COverlayView::ApplyPictureTurns() {
    COverlayControl* control = FindSelectedControl();
    if (control == nullptr) {
        m_picture = QImage();
        return;
    }
    const QImage image = COverlayControlImage::GetImage(*control);
    int32_t turns = m_placement.m_pictureQuarterTurns % 4;
    if (turns < 0) {
        turns += 4;
    }
    if (turns == 0 || image.isNull()) {
        m_picture = image;
        return;
    }
    // Turned clockwise, onto white where the picture was see-through.
    const bool across = turns % 2 != 0;
    QImage turned(across ? image.height() : image.width(), across ? image.width() : image.height(),
                  QImage::Format_RGB32);
    turned.fill(Qt::white);
    QPainter painter(&turned);
    QTransform transform;
    transform.translate(turned.width() / 2.0, turned.height() / 2.0);
    transform.rotate(90.0 * turns);
    transform.translate(-image.width() / 2.0, -image.height() / 2.0);
    painter.setTransform(transform);
    painter.drawImage(QPoint(0, 0), image);
    painter.end();
    m_picture = turned;
}

void COverlayView::LoadPlacementFromOwner() {
    m_nColumns = kColumns;
    m_nRows = kRows;
    m_drawingOrigin = m_areaRect.topLeft();
    m_nMoveX = m_nMoveY = m_nResizeX = m_nResizeY = 0;
    m_bDrawingChanged = false;
    m_bMirrored = false;
    m_nDrawingWidth = m_nDrawingHeight = 0;
    m_nRenderedWidth = m_nRenderedHeight = 0;
    m_bPlacementDirty = false;
    m_bDropValid = false;
    COverlayPlacement placement;
    if (m_pOwner == nullptr || !m_pOwner->ReadOverlayPlacement(placement)) {
        placement = COverlayPlacement();
    }
    m_placement = COverlayPlacement();
    m_placement.m_overlayId = placement.m_overlayId;
    m_turnedDrawing.Clear();
    m_picture = QImage();
    if (COverlayControl* control = FindSelectedControl()) {
        m_placement = placement;
        if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
            std::shared_ptr<const DrawList> drawing = control->GetDrawList();
            m_turnedDrawing = COverlayUtility::BuildDrawList(drawing ? drawing->Head() : nullptr,
                                                             m_placement.m_drawingQuarterTurns);
            m_nMoveX = m_nMoveY = 0;
            m_bDrawingChanged = true;
        } else {
            ApplyPictureTurns();
        }
        m_bPlacementDirty = true;
    }
    RelayoutLater();
    m_bInitialised = true;
}

// --- Painting ---

void COverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    OnDraw(painter, event->rect());
}

void COverlayView::OnDraw(QPainter& painter, const QRect& exposed) {
    if (!m_bInitialised) {
        return;
    }
    if (!m_areaRect.contains(exposed)) {
        painter.fillRect(exposed, palette().window());
        DrawLabels(painter);
    }
    if (!m_working.isNull()) {
        painter.drawImage(m_areaRect.topLeft(), m_working);
    }
    COverlayControl* control = FindSelectedControl();
    if (control == nullptr || m_working.isNull()) {
        return;
    }
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        DrawDrawing(painter, *control);
    } else {
        DrawPicture(painter);
    }
}

void COverlayView::DrawLabels(QPainter& painter) {
    m_drawnLabels.clear();
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::red);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(ColorRefToQColor(kLabelBackground));
    const int ascent = QFontMetrics(font).ascent();
    bool lettered = false;
    if (m_pProject != nullptr) {
        if (QNodeMediator* preferences = m_pProject->GetPreferencesMediator()) {
            const QSpatialDisplayOptions* display = preferences->GetSpatialDisplayOptions();
            lettered = display != nullptr && display->UsesScannerLabels();
        }
    }
    auto draw = [&](const std::string& text, int x, int y) {
        painter.drawText(QPoint(x, y + ascent), QString::fromStdString(text));
        m_drawnLabels.push_back({text, QPoint(x, y)});
    };
    const QScannerContext& context = GetScannerContext();
    for (int32_t column = 0; column < m_nColumns; column += 5) {
        std::string text = std::to_string(column);
        if (lettered && column < context.GetColumnLabelCount()) {
            text = context.GetColumnLabel(column).m_text;
        }
        const int x = Truncate(static_cast<double>(column) * m_fScale) + (column >= 10 ? 31 : 33);
        draw(text, x, 7);
        draw(text, x, kTopMargin + m_nAreaHeight + 7);
    }
    for (int32_t row = 0; row < m_nRows; row += 5) {
        const std::string text = std::to_string(lettered ? row + 1 : row);
        const int y = Truncate(static_cast<double>(row) * m_fScale) + 31;
        draw(text, 7, y);
        draw(text, kLeftMargin + m_nAreaWidth + 7, y);
    }
    painter.restore();
}

void COverlayView::DrawDrawing(QPainter& painter, COverlayControl& /*control*/) {
    // A drawing keeps the size of its extent: Ctrl and Shift arrows have nothing to resize.
    m_nResizeX = m_nResizeY = 0;
    const int64_t extentWidth =
        std::llabs(static_cast<int64_t>(m_placement.m_extentX2) - m_placement.m_extentX1);
    const int64_t extentHeight =
        std::llabs(static_cast<int64_t>(m_placement.m_extentY2) - m_placement.m_extentY1);
    const int64_t across = m_nColumns == 42 ? kUnitsAcross42 : kUnitsAcross40;
    const int64_t down = m_nRows == 29 ? kUnitsDown29 : kUnitsDown32;
    const int64_t shareX = m_nColumns == 40 ? extentWidth : extentWidth * 40 / m_nColumns;
    const int64_t shareY = m_nRows == 32 ? extentHeight : extentHeight * 32 / m_nRows;
    m_nDrawingWidth = static_cast<int64_t>(m_nAreaWidth) * shareX / across;
    m_nDrawingHeight = static_cast<int64_t>(m_nAreaHeight) * shareY / down;

    // Fractions written from whole pixels give those pixels back: a move there and back again
    // returns to the same place.
    double originX = Round(static_cast<double>(m_placement.m_originX) * m_nAreaWidth) + kLeftMargin;
    double originY = Round(static_cast<double>(m_placement.m_originY) * m_nAreaHeight) + kTopMargin;
    if (m_nMoveX != 0 || m_nMoveY != 0) {
        originX += m_nMoveX;
        originY += m_nMoveY;
        m_nMoveX = m_nMoveY = 0;
        if (m_nAreaWidth > 0 && m_nAreaHeight > 0) {
            m_placement.m_originX = static_cast<float>((originX - kLeftMargin) / m_nAreaWidth);
            m_placement.m_originY = static_cast<float>((originY - kTopMargin) / m_nAreaHeight);
        }
    }
    m_drawingOrigin = QPoint(Truncate(originX), Truncate(originY));
    if (m_nDrawingWidth <= 0 || m_nDrawingHeight <= 0 || m_turnedDrawing.IsEmpty()) {
        m_pictureRect = QRect();
        return;
    }
    // Only the part over the area is ever rendered.
    const int64_t left = std::max<int64_t>(m_drawingOrigin.x(), m_areaRect.left());
    const int64_t top = std::max<int64_t>(m_drawingOrigin.y(), m_areaRect.top());
    const int64_t right =
        std::min<int64_t>(m_drawingOrigin.x() + m_nDrawingWidth, m_areaRect.left() + m_nAreaWidth);
    const int64_t bottom =
        std::min<int64_t>(m_drawingOrigin.y() + m_nDrawingHeight, m_areaRect.top() + m_nAreaHeight);
    m_pictureRect = QRect(m_drawingOrigin.x(), m_drawingOrigin.y(),
                          static_cast<int>(std::min<int64_t>(m_nDrawingWidth, INT32_MAX / 2)),
                          static_cast<int>(std::min<int64_t>(m_nDrawingHeight, INT32_MAX / 2)));
    if (right <= left || bottom <= top) {
        return;
    }
    const QRect part(static_cast<int>(left - m_drawingOrigin.x()),
                     static_cast<int>(top - m_drawingOrigin.y()), static_cast<int>(right - left),
                     static_cast<int>(bottom - top));
    const int32_t extent[4] = {m_placement.m_extentX1, m_placement.m_extentY1, m_placement.m_extentX2,
                               m_placement.m_extentY2};
    if (m_bDrawingChanged || m_nDrawingWidth != m_nRenderedWidth || m_nDrawingHeight != m_nRenderedHeight ||
        !std::equal(std::begin(extent), std::end(extent), std::begin(m_renderedExtent)) ||
        part != m_renderedPart || m_drawingImage.isNull()) {
        RenderDrawing(part);
        std::copy(std::begin(extent), std::end(extent), std::begin(m_renderedExtent));
        m_nRenderedWidth = m_nDrawingWidth;
        m_nRenderedHeight = m_nDrawingHeight;
        m_renderedPart = part;
        m_bDrawingChanged = false;
    }
    painter.drawImage(QPoint(static_cast<int>(left), static_cast<int>(top)), m_drawingImage);
}

void COverlayView::RenderDrawing(const QRect& part) {
    ++m_nDrawingRenders;
    m_drawingImage = QImage(part.size(), QImage::Format_ARGB32_Premultiplied);
    m_drawingImage.fill(Qt::white);
    QPainter painter(&m_drawingImage);
    painter.translate(-part.left(), -part.top());
    const double spanX = static_cast<double>(m_placement.m_extentX2) - m_placement.m_extentX1;
    const double spanY = static_cast<double>(m_placement.m_extentY2) - m_placement.m_extentY1;
    if (spanX != 0.0 && spanY != 0.0) {
        // The extent's first corner lands on the bitmap's top-left, its second on the bottom-right:
        // swapped corners mirror the drawing.
        painter.save();
        QTransform mapping;
        mapping.scale(static_cast<double>(m_nDrawingWidth) / spanX,
                      static_cast<double>(m_nDrawingHeight) / spanY);
        mapping.translate(-static_cast<double>(m_placement.m_extentX1),
                          -static_cast<double>(m_placement.m_extentY1));
        painter.setTransform(mapping, true);
        painter.setPen(QPen(Qt::black, 0));
        COverlayUtility::PaintDrawing(painter, m_turnedDrawing.Head());
        painter.restore();
    }
    const QRect whole(0, 0, static_cast<int>(std::min<int64_t>(m_nDrawingWidth, INT32_MAX / 2)),
                      static_cast<int>(std::min<int64_t>(m_nDrawingHeight, INT32_MAX / 2)));
    Frame(painter, whole, 0x000000);
    painter.end();
    COverlayUtility::MakeWhiteTransparent(m_drawingImage);
}

void COverlayView::DrawPicture(QPainter& painter) {
    const double areaWidth = m_nAreaWidth;
    const double areaHeight = m_nAreaHeight;
    if (m_bPlacementDirty) {
        m_pictureRect = QRect(Round(m_placement.m_pictureLeft * areaWidth) + kLeftMargin,
                              Round(m_placement.m_pictureTop * areaHeight) + kTopMargin,
                              Round(m_placement.m_pictureWidth * areaWidth),
                              Round(m_placement.m_pictureHeight * areaHeight));
        m_bPlacementDirty = false;
    }
    if (m_nMoveX != 0 || m_nMoveY != 0 || m_nResizeX != 0 || m_nResizeY != 0) {
        m_pictureRect.translate(m_nMoveX, m_nMoveY);
        m_pictureRect.setWidth(std::max(m_pictureRect.width() + m_nResizeX, 1));
        m_pictureRect.setHeight(std::max(m_pictureRect.height() + m_nResizeY, 1));
        m_nMoveX = m_nMoveY = m_nResizeX = m_nResizeY = 0;
        if (areaWidth > 0 && areaHeight > 0) {
            m_placement.m_pictureLeft = static_cast<float>((m_pictureRect.left() - kLeftMargin) / areaWidth);
            m_placement.m_pictureTop = static_cast<float>((m_pictureRect.top() - kTopMargin) / areaHeight);
            m_placement.m_pictureWidth = static_cast<float>(m_pictureRect.width() / areaWidth);
            m_placement.m_pictureHeight = static_cast<float>(m_pictureRect.height() / areaHeight);
        }
    }
    painter.save();
    painter.setClipRect(m_areaRect);
    if (!m_picture.isNull() && m_pictureRect.isValid()) {
        const int32_t opacity = std::clamp(m_placement.m_opacity, 0, 100);
        const int alpha = static_cast<int>(static_cast<double>(opacity) / 100.0 * 255.0);
        painter.setOpacity(alpha / 255.0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(m_pictureRect, m_picture);
        painter.setOpacity(1.0);
    }
    const QPoint corner = m_pictureRect.bottomRight() + QPoint(1, 1);
    m_handleRect = QRect(corner - QPoint(kHandleSize, kHandleSize), QSize(kHandleSize, kHandleSize));
    painter.fillRect(m_handleRect, ColorRefToQColor(0x0000FF));
    painter.fillRect(m_handleRect.adjusted(2, 2, -2, -2), ColorRefToQColor(0x00FF00));
    painter.fillRect(m_handleRect.adjusted(4, 4, -4, -4), ColorRefToQColor(0xFF7D00));
    painter.restore();
}

// --- Drag and drop ---

bool COverlayView::AcceptDrag(QDropEvent& event) {
    const QMimeData* data = event.mimeData();
    const bool offered = data != nullptr && data->hasFormat(ClipboardFormatMimeType(kDrawModelFormat));
    if (m_pFrame != nullptr) {
        m_pFrame->GetClipboardHelper().SetAnyFormatAvailable(offered);
    }
    if (offered) {
        event.setDropAction(Qt::CopyAction);
        event.accept();
    } else {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
    }
    return offered;
}

void COverlayView::dragEnterEvent(QDragEnterEvent* event) {
    m_bDragLeft = false;
    AcceptDrag(*event);
}

void COverlayView::dragMoveEvent(QDragMoveEvent* event) {
    AcceptDrag(*event);
}

void COverlayView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_bDragLeft = true;
    event->accept();
}

void COverlayView::dropEvent(QDropEvent* event) {
    DroppedUnit unit;
    if (!PasteDrawModelObjects(&unit, event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    SetDropPoint(event->position().toPoint());
    SelectOverlayControl(unit.m_overlayId);
    m_bDropValid = false;
}

} // namespace orv
