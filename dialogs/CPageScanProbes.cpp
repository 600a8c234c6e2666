#include "dialogs/CPageScanProbes.h"

#include "app/CMainFrame.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CBotButton.h"
#include "core/QAttachedScannerSource.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CDlgProbeHeight.h"
#include "dialogs/CNodeProbeCameraLayer.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "dialogs/PageControls.h"
#include "dialogs/PageDevices.h"
#include "dialogs/ProbeGridLayers.h"
#include "dialogs/TypedNumber.h"
#include "engine/CDeviceManager.h"
#include "overlay/COverlayViewFrame.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/sync/Event.h"
#include "platform/ui/Prompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeMediator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <mutex>
#include <stop_token>
#include <thread>

namespace orv {
namespace {

QColor Argb(uint32_t argb) {
    return QColor::fromRgba(argb);
}

int16_t ToInt16(int64_t value) {
    return static_cast<int16_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// The pattern keeps heights unsigned; the page's are signed and go there bit for bit.
uint16_t StoredHeight(int16_t height) {
    return static_cast<uint16_t>(height);
}

int16_t PageHeight(uint16_t stored) {
    return static_cast<int16_t>(stored);
}

QFont LabelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    return font;
}

constexpr uint32_t kNodeSpectral = kTypeSpectralScanNode;

// What the page asks of its arm thread, and what the thread reports back.
constexpr int kArmPoseRead = CPageScanProbes::kArmReportPose;
constexpr int kArmUpdate = CPageScanProbes::kArmReportUpdate;
constexpr int kArmCalibrate = CPageScanProbes::kArmReportCalibrate;
constexpr int kArmMoveToCell = CPageScanProbes::kArmReportMoveToCell;
constexpr int kArmJogged = CPageScanProbes::kArmReportJogged;
constexpr int kArmJogFailed = CPageScanProbes::kArmReportJogFailed;

constexpr uint16_t kNoArmCell = 65535;

std::string ArmLabel(const char* format, float x, float y, float z) {
    return FormatC(format, static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
}
constexpr const char* kStartLabel = "X:%2.0f,Y:%2.0f,Z:%2.0f";
constexpr const char* kMoveLabel = "X:%2.0f,  Y:%2.0f,  Z:%2.0f";

std::atomic<int32_t> g_runningArmThreads{0};
// Threads of destroyed pages that did not end within their bound.
std::atomic<int32_t> g_orphanedArmThreads{0};

// What a scan of the pattern would measure differs: the cells on, or the height of one of them.
// The heights of off cells are the page's bookkeeping and change with the scanner.
bool ChoiceOrOnHeightsDiffer(const QProbeScanPattern& before, const QProbeScanPattern& after) {
    if (before.GetChoiceGrid() != after.GetChoiceGrid()) {
        return true;
    }
    for (int row = 0; row < after.GetRows(); ++row) {
        for (int column = 0; column < after.GetColumns(); ++column) {
            if (after.IsProbeOn(row, column) &&
                before.GetHeightAt(row, column) != after.GetHeightAt(row, column)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

struct CPageScanProbes::ArmShared {
    struct Request {
        int kind = 0;
        int row = 0;
        int column = 0;
        float height = 0.0F;
    };
    CDeviceManager* devices = nullptr;
    // The cells the arm cannot enter, copied at the start: the thread reads no page data.
    std::array<uint8_t, kCellCount> heightZero{};
    std::atomic<int32_t> direction{0};
    std::atomic<float> step{kJogStartStep};
    std::atomic<uint8_t> run{1};
    std::atomic<uint8_t> running{0};
    std::atomic<uint8_t> poseWanted{0};
    // 0 while a page owns the thread, 1 once left running by it, 2 once the thread ended.
    std::atomic<uint8_t> orphaned{0};
    // The main frame's flag and count, which its teardown clears and waits on; null without one.
    std::atomic<uint8_t>* frameRun = nullptr;
    std::atomic<int32_t>* frameCount = nullptr;
    // Requested when the page stops the thread: withdraws the calibration question and ends the wait
    // for a homing.
    std::stop_source stop;
    Event wake{Event::Reset::Auto};
    Event ended{Event::Reset::Manual};
    std::thread thread;
    // Guards the page pointer (cleared by the page's destructor) and the requests.
    std::mutex mutex;
    CPageScanProbes* page = nullptr;
    std::deque<Request> requests;
};

struct CPageScanProbes::ArmReport {
    int kind = 0;
    bool ok = false;
    ArmPose pose;
    std::optional<std::pair<float, float>> origin;
    int16_t row = -1;
    int16_t column = -1;
};

CPageScanProbes::CPageScanProbes(QNodeMediator& mediator, uint32_t nodeKind)
    : CPropertyPage(QSettingsPageKind::ScanProbes, CaptionOf(nodeKind)), MessageTarget(GetUiMessageThread()),
      m_pMediator(&mediator), m_nodeKind(nodeKind), m_bSpectral(nodeKind == kNodeSpectral ? 1 : 0),
      // The arm's questions are answered from the copies the engine published when the arm connected.
      m_bArmPresent(GetArmDefaultProbeHeight().has_value() && GetPageDeviceManager() != nullptr ? 1 : 0) {
    // The grid is ours to draw and the pointer is followed without a button held.
    setMouseTracking(true);
    BuildControls();
    m_nodeCameraLayer = std::make_unique<CNodeProbeCameraLayer>(mediator);
    m_pCameraLayer = m_nodeCameraLayer.get();
    m_cameraTimer = new QTimer(this);
    connect(m_cameraTimer, &QTimer::timeout, this, [this] { OnCameraTimer(); });
    StartArmThread();
}

CPageScanProbes::~CPageScanProbes() {
    StopArmThread();
    RestoreCameraTracking();
    CloseOverlayEditor();
}

QString CPageScanProbes::CaptionOf(uint32_t nodeKind) {
    switch (nodeKind) {
    case kTypeSpectralScanNode:
        return QStringLiteral("Spectral Scan Probes");
    case kTypeSpatialScanNode:
        return QStringLiteral("Spatial Scan Probes");
    case kTypeHandHeldProbeScanNode:
        return QStringLiteral("Handheld Probe Scan Probes");
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        return QStringLiteral("Spectral/Spatial Scan Probes");
    default:
        return QStringLiteral("Spatial Scan Probes");
    }
}

void CPageScanProbes::BuildControls() {
    auto place = [this](QWidget* widget, int id, const QRect& at) {
        if (id != 0) {
            widget->setObjectName(PageControlName(id));
        }
        widget->setParent(this);
        widget->setGeometry(at);
        return widget;
    };
    auto label = [&](const char* text, int id, const QRect& at) {
        auto* made = new QLabel(text);
        place(made, id, at);
        return made;
    };
    auto button = [&](const char* text, int id, const QRect& at) {
        auto* made = new QPushButton(text);
        place(made, id, at);
        return made;
    };

    // The picture only marks where the grid is: the page paints it and takes its mouse events.
    m_picture = place(new QWidget, kGridPicture, QRect(34, 30, kPictureWidth, kPictureHeight));
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);

    constexpr int kSide = 34 + kPictureWidth + 30;
    label("Probes On   =", 0, QRect(kSide, 30, 96, 22));
    m_onCount = label("0", kOnCount, QRect(kSide + 100, 30, 80, 22));
    // The on count stands out in black whatever the style's text colour.
    QPalette black = m_onCount->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    m_onCount->setPalette(black);
    label("Probes Off   = ", 0, QRect(kSide, 54, 96, 22));
    m_offCount = label("0", kOffCount, QRect(kSide + 100, 54, 80, 22));

    QPushButton* selectAll = button("Select All", kSelectAll, QRect(kSide, 88, 190, 28));
    QPushButton* selectNone = button("Select None", kSelectNone, QRect(kSide, 122, 190, 28));
    connect(selectAll, &QPushButton::clicked, this, [this] { OnCommand(kSelectAll); });
    connect(selectNone, &QPushButton::clicked, this, [this] { OnCommand(kSelectNone); });
    QPushButton* editor = button("Overlay Editor", kOverlayEditor, QRect(kSide, 156, 190, 28));
    connect(editor, &QPushButton::clicked, this, [this] { OnCommand(kOverlayEditor); });

    auto* tips = new QGroupBox("Tips");
    place(tips, 0, QRect(kSide, 186, 200, 110));
    auto* tip1 = new QLabel("1. Left click a single cell to toggle the probe on/off.", tips);
    auto* tip2 = new QLabel("2. Left click and drag the mouse to select/unselect multiple cells.", tips);
    tip1->setWordWrap(true);
    tip2->setWordWrap(true);
    tip1->setGeometry(8, 20, 184, 34);
    tip2->setGeometry(8, 56, 184, 50);

    // The measurement height: typed for the arm's cells, stored with the pattern in every case.
    QLabel* heightLabel = label("Set measurement height:", kHeightLabel, QRect(kSide, 298, 190, 22));
    m_heightEdit = new QLineEdit;
    place(m_heightEdit, kHeightEdit, QRect(kSide, 320, 80, 24));
    auto* heightSpin = new CSpinButtonCtrl;
    place(heightSpin, kHeightSpin, QRect(kSide + 82, 320, 18, 24));
    QLabel* heightUnit = label("mm", kHeightUnit, QRect(kSide + 104, 320, 40, 24));
    connect(m_heightEdit, &QLineEdit::textEdited, this, [this] { SetModified(true); });

    // The arm's own controls: jogging, its position, homing and position capture.
    auto* botGroup = new QGroupBox("Bot Control");
    place(botGroup, kBotGroup, QRect(kSide, 348, 200, 68));
    std::vector<QWidget*> jog;
    const struct {
        const char* caption;
        int id;
        int direction;
        QRect at;
    } jogButtons[] = {
        {"B", kJogBack, 1, QRect(40, 18, 26, 22)}, {"F", kJogForward, 2, QRect(40, 42, 26, 22)},
        {"L", kJogLeft, 3, QRect(10, 30, 26, 22)}, {"R", kJogRight, 4, QRect(70, 30, 26, 22)},
        {"U", kJogUp, 5, QRect(110, 18, 26, 22)},  {"D", kJogDown, 6, QRect(110, 42, 26, 22)},
    };
    for (const auto& entry : jogButtons) {
        auto* made = new CBotButton(entry.caption, botGroup);
        made->setObjectName(PageControlName(entry.id));
        made->setGeometry(entry.at);
        made->SetJogTarget(this);
        made->SetDirection(entry.direction);
        // A release that never comes (the focus or the grab went elsewhere) must not leave the arm
        // moving to its limits.
        made->installEventFilter(this);
        jog.push_back(made);
    }
    m_jogButtons = jog;
    m_armPosition = label("X:00.00,Y:00.00,Z:00.00", kArmPosition, QRect(kSide, 418, 200, 18));
    QPushButton* capture =
        button("Use position capture to select test points", kPositionCapture, QRect(kSide, 464, 200, 36));
    connect(capture, &QPushButton::clicked, this, [this] { SetModified(true); });
    // The caption is longer than the column is wide: the button shows it wrapped on two lines.
    auto* captureText = new QLabel(capture->text(), capture);
    captureText->setWordWrap(true);
    captureText->setAlignment(Qt::AlignCenter);
    captureText->setAttribute(Qt::WA_TransparentForMouseEvents);
    captureText->setGeometry(capture->rect().adjusted(4, 1, -4, -1));
    capture->setAccessibleName(capture->text());
    capture->setToolTip(capture->text());
    capture->setText(QString());
    QPushButton* calibrate = button("Calibrate", kCalibrate, QRect(kSide, 436, 96, 26));
    QPushButton* update = button("Update Position", kUpdatePosition, QRect(kSide + 100, 436, 100, 26));
    connect(calibrate, &QPushButton::clicked, this, [this] { CalibrateArm(); });
    connect(update, &QPushButton::clicked, this, [this] { UpdateArmPosition(); });
    heightSpin->SetDeltaHandler([this](int delta) { OnHeightSpin(delta); });
    m_heightEdit->installEventFilter(this);

    // The hand-held probe's camera.
    m_cameraTracking = new QCheckBox("Probe Camera Tracking");
    place(m_cameraTracking, kCameraTracking, QRect(kSide, 392, 200, 22));
    m_cameraList = new QComboBox;
    place(m_cameraList, kCameraList, QRect(kSide, 418, 200, 24));
    QPushButton* options = button("Options", kCameraOptions, QRect(kSide, 446, 96, 26));
    auto* slider = new QSlider(Qt::Horizontal);
    place(slider, kFocusSlider, QRect(kSide, 476, 150, 22));
    slider->setRange(-2, 50);
    slider->setValue(-2);
    QLabel* focusValue = label("Auto", kFocusValue, QRect(kSide + 154, 476, 46, 22));
    QLabel* focusLabel = label("Focus", kFocusLabel, QRect(kSide, 500, 60, 22));
    m_cameraOptions = options;
    m_focusSlider = slider;
    m_focusValue = focusValue;
    m_focusLabel = focusLabel;
    connect(options, &QPushButton::clicked, this, [this] { OnCommand(kCameraOptions); });
    connect(slider, &QSlider::valueChanged, this, [this](int position) { OnFocusSlider(position); });
    connect(m_cameraTracking, &QCheckBox::clicked, this,
            [this](bool checked) { OnCameraTrackingClicked(checked); });
    connect(m_cameraList, &QComboBox::activated, this, [this] {
        if (m_cameraTracking->isChecked()) {
            StartCameraPreview(-1);
        }
    });

    m_armControls = {botGroup,    m_armPosition, capture,      calibrate, update,
                     heightLabel, heightUnit,    m_heightEdit, heightSpin};
    m_cameraControls = {m_cameraTracking, m_cameraList, options, slider, focusValue, focusLabel};
    m_editControls = {selectAll, selectNone, m_heightEdit};

    // The arm's controls are there only with the arm; the camera's wait for the layout OnInitDialog
    // chooses, so they never cover the arm's.
    for (QWidget* control : m_armControls) {
        control->setVisible(IsArmPresent());
    }
    for (QWidget* control : m_cameraControls) {
        control->setVisible(false);
    }
    setMinimumSize(kSide + 210, 34 + kPictureHeight + 36);
}

QWidget* CPageScanProbes::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

QProbeScanPatternOptions* CPageScanProbes::GetPatternOptions() const {
    return IsSpectral() ? m_pMediator->GetFirstProbePatternOptions()
                        : m_pMediator->GetSecondProbePatternOptions();
}

QRect CPageScanProbes::GetGridRect() const {
    return m_picture->geometry();
}

bool CPageScanProbes::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    if (QProbeScanPatternOptions* options = GetPatternOptions()) {
        // The node's options stay as they are until Apply: Cancel must leave the node untouched.
        m_pattern = options->GetEffectivePattern(true);
        m_heightEdit->setText(
            QString::fromStdString(FormatC("%2.0f", static_cast<double>(options->GetMeasurementHeight()))));
        m_trackingCameraIndex = options->GetTrackingCameraIndex();
    }
    ClearSelection();
    BuildCells();
    m_onCount->setText(QStringLiteral("0"));
    m_offCount->setText(QStringLiteral("0"));
    const bool foundTracking = m_pMediator->HasProbeVideoTrack();
    SetUpCamera();
    LoadOverlaySettings();
    if (m_pMediator->HasProbeVideoTrack()) {
        // A preview the set-up started keeps its faster refresh.
        if (foundTracking) {
            m_cameraTimer->start(kPreviewRunningMs);
        }
        ShowCameraControls();
    } else {
        ShowArmControls();
    }
    RenderGrid(false);
    update();
    return true;
}

void CPageScanProbes::BuildCells() {
    const QRect grid = GetGridRect();
    m_gridImage = QImage(grid.size(), QImage::Format_ARGB32_Premultiplied);
    m_lowestHeight = 5000;
    m_highestHeight = 0;
    m_cellWidth = static_cast<float>(grid.width()) / static_cast<float>(kColumns);
    m_cellHeight = static_cast<float>(grid.height()) / static_cast<float>(kRows);
    const QScannerContext& context = GetScannerContext();
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            ProbeCell& cell = m_cells[Index(row, column)];
            cell.left = static_cast<int32_t>((static_cast<float>(column) * m_cellWidth) +
                                             static_cast<float>(grid.left()));
            cell.top = static_cast<int32_t>((static_cast<float>(row) * m_cellHeight) +
                                            static_cast<float>(grid.top()));
            cell.right = static_cast<int32_t>((static_cast<float>(column + 1) * m_cellWidth) +
                                              static_cast<float>(grid.left()));
            cell.bottom = static_cast<int32_t>((static_cast<float>(row + 1) * m_cellHeight) +
                                               static_cast<float>(grid.top()));
            const int16_t reach = ToInt16(context.GetArmMaxHeightForCell(row, column));
            cell.unreachable = context.IsArmCellHeightZero(row, column) ? 1 : 0;
            const bool inPattern = m_pattern.GetChoiceGrid().Contains(row, column);
            cell.on = inPattern && cell.unreachable == 0 && m_pattern.IsProbeOn(row, column) ? 1 : 0;
            cell.height = cell.on != 0 ? PageHeight(m_pattern.GetHeightAt(row, column)) : reach;
            if (inPattern) {
                m_pattern.SetProbeAndHeightAt(row, column, cell.on, StoredHeight(cell.height));
            }
            m_lowestHeight = std::min(m_lowestHeight, cell.height);
            m_highestHeight = std::max(m_highestHeight, cell.height);
        }
    }
    m_colourStep = static_cast<double>(m_highestHeight - m_lowestHeight) / 155.0;
}

bool CPageScanProbes::OnSetActive() {
    m_bButtonDown = 0;
    m_bDragging = 0;
    m_bTooltipVisible = 0;
    StopJog();
    return CPropertyPage::OnSetActive();
}

void CPageScanProbes::EnableControls(bool enable) {
    for (QWidget* control : m_editControls) {
        control->setEnabled(enable);
    }
}

void CPageScanProbes::SetJog(int32_t direction, float step) {
    if (m_arm == nullptr) {
        return;
    }
    m_arm->step.store(step);
    m_arm->direction.store(direction);
    m_arm->wake.Set();
}

bool CPageScanProbes::IsEditable(int row, int column) const {
    return row >= 0 && row < kRows && column >= 0 && column < kColumns &&
           m_cells[Index(row, column)].unreachable == 0 && m_pattern.GetChoiceGrid().Contains(row, column);
}

int16_t CPageScanProbes::ArmReach(int row, int column) const {
    return ToInt16(GetScannerContext().GetArmMaxHeightForCell(row, column));
}

int16_t CPageScanProbes::GetTypedHeight() const {
    return ToInt16(TruncateTypedNumber(ReadTypedNumber(m_heightEdit->text())));
}

bool CPageScanProbes::UsesLetteredColumns() const {
    const QSpatialDisplayOptions* display = m_pMediator->GetSpatialDisplayOptions();
    return display != nullptr && display->UsesScannerLabels();
}

// --- The picture ---

int CPageScanProbes::ArmHeightGreen(int16_t height) const {
    if (m_colourStep <= 0.0) {
        return 100;
    }
    const double green = 100.0 + std::trunc(static_cast<double>(height - m_lowestHeight) / m_colourStep);
    return static_cast<int>(std::clamp(green, 100.0, 255.0));
}

QColor CPageScanProbes::OnColour(const ProbeCell& cell, bool tracking) const {
    if (IsArmPresent()) {
        return QColor(0, ArmHeightGreen(cell.height), 0, 140);
    }
    return Argb(tracking ? kCameraOnArgb : kOnArgb);
}

void CPageScanProbes::RenderGrid(bool markModified) {
    RenderGridOnly(markModified);
    if (IsArmPresent()) {
        RequestArm(kArmPoseRead);
    }
}

void CPageScanProbes::RenderGridOnly(bool markModified) {
    if (m_gridImage.isNull()) {
        return;
    }
    const QRect grid = GetGridRect();
    const QSize size = m_gridImage.size();
    auto local = [&grid](const ProbeCell& cell) {
        return QRect(QPoint(cell.left - grid.left(), cell.top - grid.top()),
                     QPoint(cell.right - grid.left() - 1, cell.bottom - grid.top() - 1));
    };
    QPainter painter(&m_gridImage);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(m_gridImage.rect(), Qt::white);

    const bool tracking = m_pCameraLayer != nullptr && m_pCameraLayer->IsTracking();
    if (tracking) {
        const QRect area(0, 0, static_cast<int>(m_cellWidth * kColumns),
                         static_cast<int>(m_cellHeight * kRows));
        if (!m_pCameraLayer->DrawPreview(painter, area)) {
            return;
        }
        if (const std::optional<QPointF> marker = m_pCameraLayer->GetMarkerFraction()) {
            const int column = static_cast<int>(kColumns * marker->x());
            const int row = static_cast<int>(kRows * marker->y());
            if (row >= 0 && row < kRows && column >= 0 && column < kColumns) {
                painter.fillRect(local(m_cells[Index(row, column)]), QColor(255, 255, 255, 0x80));
            }
        }
    } else {
        const QColor band = ColorRefToQColor(kBandColorRef);
        for (int row = 0; row < kRows; row += 5) {
            const ProbeCell& cell = m_cells[Index(row, 0)];
            painter.fillRect(QRect(0, cell.top - grid.top(), size.width(), cell.bottom - cell.top), band);
        }
        for (int column = 0; column < kColumns; column += 5) {
            const ProbeCell& cell = m_cells[Index(0, column)];
            painter.fillRect(QRect(cell.left - grid.left(), 0, cell.right - cell.left, size.height()), band);
        }
    }

    const QColor unreachable = Argb(kUnreachableArgb);
    int onCount = 0;
    for (const ProbeCell& cell : m_cells) {
        if (cell.unreachable != 0) {
            painter.fillRect(local(cell), unreachable);
        } else if (cell.on != 0) {
            painter.fillRect(local(cell), OnColour(cell, tracking));
            ++onCount;
        }
    }
    if (markModified) {
        SetModified(true);
    }
    // "%-04d": the zero flag means nothing beside the minus, and the compiler warns of it.
    m_onCount->setText(QString::fromStdString(FormatC("%-4d", onCount)));
    m_offCount->setText(QString::fromStdString(FormatC("%-4d", kCellCount - onCount)));

    painter.setPen(QPen(Argb(tracking ? kCameraGridLineArgb : kGridLineArgb), 1.0));
    for (int row = 1; row < kRows; ++row) {
        const int y = m_cells[Index(row, 0)].top - grid.top();
        painter.drawLine(0, y, size.width() - 1, y);
    }
    for (int column = 1; column < kColumns; ++column) {
        const int x = m_cells[Index(0, column)].left - grid.left();
        painter.drawLine(x, 0, x, size.height() - 1);
    }

    if (!tracking) {
        if (m_pOverlayLayer != nullptr) {
            m_pOverlayLayer->Draw(painter, size);
        } else {
            DrawBoardOverlay(painter, size);
        }
    }
    if (IsArmPresent()) {
        if (m_pArmMarker != nullptr) {
            m_pArmMarker->Draw(painter, size);
        } else {
            DrawArmMarker(painter);
        }
    }
}

bool CPageScanProbes::HitTestCell(const QPoint& point, int& row, int& column) const {
    int firstRow = 0;
    int lastRow = kRows - 1;
    int firstColumn = 0;
    int lastColumn = kColumns - 1;
    // Three halvings on both axes leave at most 4 x 6 cells to look at.
    for (int round = 0; round < 3; ++round) {
        const int middleRow = (firstRow + lastRow) / 2;
        if (point.y() < m_cells[Index(middleRow, 0)].bottom) {
            lastRow = middleRow;
        } else {
            firstRow = middleRow + 1;
        }
        const int middleColumn = (firstColumn + lastColumn) / 2;
        if (point.x() < m_cells[Index(0, middleColumn)].right) {
            lastColumn = middleColumn;
        } else {
            firstColumn = middleColumn + 1;
        }
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (m_cells[Index(r, c)].Contains(point.x(), point.y())) {
                row = r;
                column = c;
                return true;
            }
        }
    }
    return false;
}

std::optional<QRect> CPageScanProbes::GetDragRect() const {
    if (m_bDragging == 0) {
        return std::nullopt;
    }
    int startRow = 0;
    int startColumn = 0;
    int endRow = 0;
    int endColumn = 0;
    if (!HitTestCell(m_dragStart, startRow, startColumn) || !HitTestCell(m_dragEnd, endRow, endColumn)) {
        return std::nullopt;
    }
    const ProbeCell& start = m_cells[Index(startRow, startColumn)];
    const ProbeCell& end = m_cells[Index(endRow, endColumn)];
    const QRect rect(QPoint(start.left, start.top), QPoint(end.right - 1, end.bottom - 1));
    // A drag up or to the left spans nothing.
    if (!rect.isValid()) {
        return std::nullopt;
    }
    return rect;
}

std::optional<CPageScanProbes::HoverBox> CPageScanProbes::GetHoverBox() const {
    if (m_bTooltipVisible == 0 || m_hoverRow < 0 || m_hoverRow >= kRows || m_hoverColumn < 0 ||
        m_hoverColumn >= kColumns) {
        return std::nullopt;
    }
    const ProbeCell& cell = m_cells[Index(m_hoverRow, m_hoverColumn)];
    if (cell.unreachable != 0) {
        return std::nullopt;
    }
    HoverBox hover;
    const bool lettered = UsesLetteredColumns();
    const std::string column =
        lettered ? GetScannerContext().GetColumnLabel(m_hoverColumn).m_text : std::string();
    const int row = lettered ? m_hoverRow + 1 : m_hoverRow;
    // The row and column are "%-02d", written without the zero flag that the minus overrides.
    std::string text;
    if (!IsArmPresent()) {
        text = lettered ? FormatC(" Row: %-2d,  Col: %s", row, column.c_str())
                        : FormatC(" Row: %-2d,  Col: %-2d", row, m_hoverColumn);
    } else if (cell.on != 0) {
        text = lettered ? FormatC(" Row: %-2d,  Col: %s,  Height: %d", row, column.c_str(), cell.height)
                        : FormatC(" Row: %-2d,  Col: %-2d,  Height: %d", row, m_hoverColumn, cell.height);
    } else {
        text = lettered ? FormatC(" Row: %-2d,  Col: %s,  Max Height: %d", row, column.c_str(), cell.height)
                        : FormatC(" Row: %-2d,  Col: %-2d,  Max Height: %d", row, m_hoverColumn, cell.height);
    }
    hover.text = CodePageToQString(text);
    hover.background = ColorRefToQColor(cell.on != 0 ? kHoverOnColorRef : kHoverOffColorRef);
    const int reach = IsArmPresent() ? 205 : 135;
    const int back = IsArmPresent() ? 197 : 127;
    const QPoint at = m_tooltipAnchor;
    if (at.x() + reach >= GetGridRect().right() + 1) {
        hover.box = QRect(QPoint(at.x() - back, at.y() - 10), QPoint(at.x() - 2 - 1, at.y() + 15 - 1));
    } else {
        hover.box = QRect(QPoint(at.x() + 10, at.y() - 10), QPoint(at.x() + reach - 1, at.y() + 15 - 1));
    }
    return hover;
}

std::vector<CPageScanProbes::AxisLabel> CPageScanProbes::GetAxisLabels() const {
    std::vector<AxisLabel> labels;
    if (m_gridImage.isNull()) {
        return labels;
    }
    const QRect grid = GetGridRect();
    const bool lettered = UsesLetteredColumns();
    constexpr int kWidth = 22;
    constexpr int kHeight = 16;
    for (int row = 0; row < kRows; row += 5) {
        const ProbeCell& cell = m_cells[Index(row, 0)];
        const QString text = QString::number(row);
        const int shift = text.size() == 1 ? 3 : 0;
        const int y = ((cell.top + cell.bottom) / 2) - (kHeight / 2);
        // Left of the grid the label ends 3 pixels before it.
        labels.push_back({QRect(grid.left() - 20 + shift, y, 17 - shift, kHeight), text});
        labels.push_back({QRect(grid.right() + 1 + 5 + shift, y, kWidth, kHeight), text});
    }
    for (int column = 0; column < kColumns; column += 5) {
        const ProbeCell& cell = m_cells[Index(0, column)];
        const QString text = lettered ? CodePageToQString(GetScannerContext().GetColumnLabel(column).m_text)
                                      : QString::number(column);
        const int shift = text.size() == 1 ? 3 : 0;
        labels.push_back({QRect(cell.left + shift, grid.top() - 20, kWidth, kHeight), text});
        labels.push_back({QRect(cell.left + shift, grid.bottom() + 1 + 4, kWidth, kHeight), text});
    }
    return labels;
}

void CPageScanProbes::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!m_gridImage.isNull()) {
        painter.drawImage(GetGridRect().topLeft(), m_gridImage);
    }
    if (const std::optional<QRect> drag = GetDragRect()) {
        painter.fillRect(*drag, Argb(kDragArgb));
    }
    painter.setFont(LabelFont());
    if (const std::optional<HoverBox> hover = GetHoverBox()) {
        painter.fillRect(hover->box, hover->background);
        painter.setPen(Qt::black);
        painter.drawText(hover->box, Qt::AlignCenter | Qt::TextSingleLine, hover->text);
    }
    painter.setPen(ColorRefToQColor(kAxisColorRef));
    for (const AxisLabel& label : GetAxisLabels()) {
        painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         label.text);
    }
}

// --- The mouse ---

void CPageScanProbes::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (!GetGridRect().contains(point)) {
        if (m_bPointerInside != 0 || m_bTooltipVisible != 0) {
            m_bPointerInside = 0;
            m_bTooltipVisible = 0;
            update();
        }
        CPropertyPage::mouseMoveEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_bPointerInside = 1;
    if (m_bButtonDown != 0) {
        m_dragEnd = point;
        m_bDragging = 1;
        m_bTooltipVisible = 0;
        update();
        return;
    }
    int row = 0;
    int column = 0;
    if (HitTestCell(point, row, column)) {
        m_hoverRow = row;
        m_hoverColumn = column;
        m_tooltipAnchor = point;
        if (row == 0) {
            m_tooltipAnchor.ry() += 10;
        } else if (row == kRows - 1) {
            m_tooltipAnchor.ry() -= 10;
        }
        m_bTooltipVisible = 1;
        update();
    }
}

void CPageScanProbes::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // Taken, so that the release (which opens the menu) comes to the page too.
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        CPropertyPage::mousePressEvent(event);
        return;
    }
    RaiseSheet();
    const QPoint point = event->position().toPoint();
    if (GetGridRect().contains(point)) {
        m_dragStart = point;
        m_dragEnd = point;
        m_bButtonDown = 1;
        m_bDragging = 0;
    }
}

void CPageScanProbes::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        ShowProbesMenu(point);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        CPropertyPage::mouseReleaseEvent(event);
        return;
    }
    const bool wasDown = m_bButtonDown != 0;
    const bool dragged = m_bDragging != 0;
    m_bButtonDown = 0;
    m_bDragging = 0;
    if (!wasDown) {
        return;
    }
    if (dragged) {
        OnDragEnd(point);
        return;
    }
    int row = 0;
    int column = 0;
    if (GetGridRect().contains(point) && HitTestCell(point, row, column)) {
        ToggleCell(row, column);
    }
}

void CPageScanProbes::leaveEvent(QEvent* event) {
    if (m_bTooltipVisible != 0 || m_bPointerInside != 0) {
        m_bTooltipVisible = 0;
        m_bPointerInside = 0;
        update();
    }
    CPropertyPage::leaveEvent(event);
}

void CPageScanProbes::ToggleCell(int row, int column) {
    if (!IsEditable(row, column)) {
        return;
    }
    ProbeCell& cell = m_cells[Index(row, column)];
    if (IsArmPresent()) {
        const int16_t typed = GetTypedHeight();
        const int16_t reach = ArmReach(row, column);
        if (cell.on == 0 && typed > reach &&
            ShowPrompt(kCellReachText, kReachCaption, PromptButtons::OkCancel, PromptIcon::Information) ==
                PromptAnswer::Cancel) {
            return;
        }
        cell.on = cell.on != 0 ? 0 : 1;
        cell.height = cell.on != 0 ? typed : reach;
        m_pattern.SetProbeAndHeightAt(row, column, cell.on, StoredHeight(cell.height));
    } else {
        cell.on = cell.on != 0 ? 0 : 1;
        m_pattern.SetProbeAt(row, column, cell.on);
    }
    AfterChange();
}

void CPageScanProbes::OnDragEnd(const QPoint& point) {
    int startRow = 0;
    int startColumn = 0;
    int endRow = 0;
    int endColumn = 0;
    if (!HitTestCell(m_dragStart, startRow, startColumn) || !HitTestCell(point, endRow, endColumn)) {
        update();
        return;
    }
    if (startRow == endRow && startColumn == endColumn) {
        ToggleCell(endRow, endColumn);
        update();
        return;
    }
    if (endRow < startRow || endColumn < startColumn) {
        update();
        return;
    }
    m_selFirstRow = startRow;
    m_selFirstColumn = startColumn;
    m_selLastRow = endRow;
    m_selLastColumn = endColumn;
    QMenu menu;
    menu.addAction(QStringLiteral("Select Cells"))->setData(kSelectCells);
    menu.addAction(QStringLiteral("Unselect Cells"))->setData(kUnselectCells);
    QAction* chosen = RunMenu(menu, point);
    const uint32_t command = chosen != nullptr ? chosen->data().toUInt() : 0U;
    if (command == kSelectCells || command == kUnselectCells) {
        OnCommand(command);
        return;
    }
    ClearSelection();
    update();
}

QAction* CPageScanProbes::RunMenu(QMenu& menu, const QPoint& point) {
    const QPoint global = mapToGlobal(point + QPoint(10, 0));
    if (m_menuRunner) {
        return m_menuRunner(menu, global);
    }
    return menu.exec(global);
}

void CPageScanProbes::ShowProbesMenu(const QPoint& point) {
    QMenu menu(QStringLiteral("Probes"));
    menu.addAction(QStringLiteral("Copy Probe pattern"))->setData(kCopyPattern);
    QAction* paste = menu.addAction(QStringLiteral("Paste Probe pattern"));
    paste->setData(kPastePattern);
    paste->setEnabled(GetProbePatternClipboard().filled != 0);
    m_menuRow = -1;
    m_menuColumn = -1;
    if (IsArmPresent()) {
        int row = 0;
        int column = 0;
        if (GetGridRect().contains(point) && HitTestCell(point, row, column)) {
            m_menuRow = row;
            m_menuColumn = column;
        }
        menu.addSeparator();
        menu.addAction(QStringLiteral("Move to here"))->setData(kMoveToHere);
        menu.addAction(QStringLiteral("Set Height..."))->setData(kSetHeight);
    }
    QAction* chosen = RunMenu(menu, point);
    if (chosen != nullptr) {
        OnCommand(chosen->data().toUInt());
    }
}

// --- Commands ---

bool CPageScanProbes::OnCommand(uint32_t command) {
    switch (command) {
    case kSelectCells:
        SelectRange(m_selFirstRow, m_selFirstColumn, m_selLastRow, m_selLastColumn);
        return true;
    case kUnselectCells:
        UnselectRange(m_selFirstRow, m_selFirstColumn, m_selLastRow, m_selLastColumn);
        return true;
    case kSelectAll:
        SelectRange(0, 0, kRows - 1, kColumns - 1);
        return true;
    case kSelectNone:
        UnselectRange(0, 0, kRows - 1, kColumns - 1);
        return true;
    case kCopyPattern:
        CopyPattern();
        return true;
    case kPastePattern:
        PastePattern();
        return true;
    case kMoveToHere:
        MoveArmToMenuCell();
        return true;
    case kSetHeight:
        SetMenuCellHeight();
        return true;
    case kUpdatePosition:
        UpdateArmPosition();
        return true;
    case kCalibrate:
        CalibrateArm();
        return true;
    case kOverlayEditor:
        OpenOverlayEditor();
        return true;
    case kCameraOptions:
        OnCameraOptions();
        return true;
    default:
        return false;
    }
}

void CPageScanProbes::SelectRange(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    firstRow = std::max(firstRow, 0);
    firstColumn = std::max(firstColumn, 0);
    lastRow = std::min(lastRow, kRows - 1);
    lastColumn = std::min(lastColumn, kColumns - 1);
    if (firstRow > lastRow || firstColumn > lastColumn) {
        ClearSelection();
        update();
        return;
    }
    const int16_t typed = GetTypedHeight();
    if (IsArmPresent()) {
        // Asked once, at the first cell the typed height does not reach.
        bool beyond = false;
        for (int row = firstRow; row <= lastRow && !beyond; ++row) {
            for (int column = firstColumn; column <= lastColumn && !beyond; ++column) {
                beyond = IsEditable(row, column) && typed > ArmReach(row, column);
            }
        }
        if (beyond && ShowPrompt(kRangeReachText, kReachCaption, PromptButtons::OkCancel,
                                 PromptIcon::Information) == PromptAnswer::Cancel) {
            ClearSelection();
            update();
            return;
        }
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            if (!IsEditable(row, column)) {
                continue;
            }
            ProbeCell& cell = m_cells[Index(row, column)];
            cell.on = 1;
            if (IsArmPresent()) {
                cell.height = typed;
                m_pattern.SetProbeAndHeightAt(row, column, 1, StoredHeight(typed));
            } else {
                m_pattern.SetProbeAt(row, column, 1);
            }
        }
    }
    ClearSelection();
    AfterChange();
}

void CPageScanProbes::UnselectRange(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    firstRow = std::max(firstRow, 0);
    firstColumn = std::max(firstColumn, 0);
    lastRow = std::min(lastRow, kRows - 1);
    lastColumn = std::min(lastColumn, kColumns - 1);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            if (!IsEditable(row, column)) {
                continue;
            }
            ProbeCell& cell = m_cells[Index(row, column)];
            cell.on = 0;
            if (IsArmPresent()) {
                cell.height = ArmReach(row, column);
                m_pattern.SetProbeAndHeightAt(row, column, 0, StoredHeight(cell.height));
            } else {
                m_pattern.SetProbeAt(row, column, 0);
            }
        }
    }
    ClearSelection();
    AfterChange();
}

void CPageScanProbes::CopyPattern() const {
    ProbePatternClipboard& clipboard = GetProbePatternClipboard();
    clipboard.cells = m_cells;
    const QProbeScanPatternOptions* options = GetPatternOptions();
    clipboard.measurementHeight = options != nullptr ? options->GetMeasurementHeight() : 0.0F;
    clipboard.lowestHeight = m_lowestHeight;
    clipboard.highestHeight = m_highestHeight;
    clipboard.colourStep = m_colourStep;
    clipboard.filled = 1;
}

void CPageScanProbes::PastePattern() {
    const ProbePatternClipboard& clipboard = GetProbePatternClipboard();
    if (clipboard.filled == 0) {
        return;
    }
    if (IsArmPresent()) {
        bool beyond = false;
        for (int row = 0; row < kRows && !beyond; ++row) {
            for (int column = 0; column < kColumns && !beyond; ++column) {
                const ProbeCell& pasted = clipboard.cells[Index(row, column)];
                beyond = IsEditable(row, column) && pasted.on != 0 && pasted.height > ArmReach(row, column);
            }
        }
        if (beyond && ShowPrompt(kRangeReachText, kReachCaption, PromptButtons::OkCancel,
                                 PromptIcon::Information) == PromptAnswer::Cancel) {
            return;
        }
    }
    // The page keeps its own rectangles and reach: a cell the arm cannot reach stays off, and so does
    // a cell outside the pattern in force.
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            if (!IsEditable(row, column)) {
                continue;
            }
            const ProbeCell& pasted = clipboard.cells[Index(row, column)];
            ProbeCell& cell = m_cells[Index(row, column)];
            cell.on = pasted.on != 0 ? 1 : 0;
            cell.reserved = pasted.reserved;
            if (cell.on != 0) {
                cell.height = pasted.height;
                m_pattern.SetProbeAndHeightAt(row, column, 1, StoredHeight(cell.height));
            } else if (IsArmPresent()) {
                cell.height = ArmReach(row, column);
                m_pattern.SetProbeAndHeightAt(row, column, 0, StoredHeight(cell.height));
            } else {
                cell.height = QScannerContext::kDefaultArmMaxHeight;
                m_pattern.SetProbeAt(row, column, 0);
            }
        }
    }
    m_heightEdit->setText(
        QString::fromStdString(FormatC("%2.0f", static_cast<double>(clipboard.measurementHeight))));
    m_lowestHeight = clipboard.lowestHeight;
    m_highestHeight = clipboard.highestHeight;
    m_colourStep = clipboard.colourStep;
    AfterChange();
}

void CPageScanProbes::ClearSelection() {
    m_selFirstRow = -1;
    m_selFirstColumn = -1;
    m_selLastRow = -1;
    m_selLastColumn = -1;
}

void CPageScanProbes::AfterChange() {
    RenderGrid(true);
    update();
    if (m_relayoutOverlayEditor) {
        m_relayoutOverlayEditor();
    } else if (COverlayViewFrame* frame = GetOverlayFrame()) {
        frame->RelayoutOverlayView();
    }
}

// --- The robot arm ---

void CPageScanProbes::SetArmDevicesSource(ArmDevicesSource source) {
    SetPageDeviceManagerSource(std::move(source));
}

int32_t CPageScanProbes::GetRunningArmThreads() {
    return g_runningArmThreads.load();
}

bool CPageScanProbes::IsArmThreadRunning() const {
    return m_arm != nullptr && m_arm->running.load() != 0;
}

int32_t CPageScanProbes::GetJogDirection() const {
    return m_arm != nullptr ? m_arm->direction.load() : 0;
}

float CPageScanProbes::GetJogStep() const {
    return m_arm != nullptr ? m_arm->step.load() : kJogStartStep;
}

void CPageScanProbes::StopJog() {
    if (m_arm != nullptr) {
        m_arm->direction.store(0);
        m_arm->step.store(kJogStartStep);
    }
}

void CPageScanProbes::StartArmThread() {
    if (!IsArmPresent()) {
        return;
    }
    if (g_orphanedArmThreads.load() != 0) {
        // A page that outlived its bound still runs its thread: two threads would fight over the arm.
        AddInformationMessage(1, "The arm thread of a closed probes page still runs; no new one is started.");
        return;
    }
    auto shared = std::make_shared<ArmShared>();
    shared->devices = GetPageDeviceManager();
    shared->page = this;
    const QScannerContext& context = GetScannerContext();
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            shared->heightZero[Index(row, column)] = context.IsArmCellHeightZero(row, column) ? 1 : 0;
        }
    }
    if (CMainFrame* frame = CMainFrame::GetMainFrame()) {
        shared->frameRun = &frame->GetArmPollRunFlag();
        shared->frameCount = &frame->GetArmPollRunningCount();
        shared->frameRun->store(1);
    }
    shared->running.store(1);
    g_runningArmThreads.fetch_add(1);
    if (shared->frameCount != nullptr) {
        shared->frameCount->fetch_add(1);
    }
    m_arm = shared;
    shared->thread = std::thread([shared] { ArmPositionThread(shared); });
}

void CPageScanProbes::StopArmThread() {
    if (m_arm == nullptr) {
        return;
    }
    {
        const std::lock_guard lock(m_arm->mutex);
        m_arm->page = nullptr;
        m_arm->requests.clear();
    }
    m_arm->direction.store(0);
    m_arm->run.store(0);
    m_arm->stop.request_stop();
    m_arm->wake.Set();
    // The thread ends between moves: at most one move and one idle round.
    if (m_arm->ended.Wait(std::chrono::milliseconds(kArmMoveMs + kArmIdleMs))) {
        m_arm->thread.join();
    } else {
        // It holds its own state and posts to no page any more; the main frame's teardown waits on it.
        AddInformationMessage(0,
                              "The arm thread of the probes page did not end in time; it is left running.");
        if (m_arm->orphaned.exchange(1) == 0) {
            g_orphanedArmThreads.fetch_add(1);
        }
        m_arm->thread.detach();
    }
    m_arm.reset();
}

void CPageScanProbes::RequestArm(int kind, int row, int column, float height) {
    if (m_arm == nullptr) {
        return;
    }
    if (kind == kArmPoseRead) {
        m_arm->poseWanted.store(1);
    } else {
        const std::lock_guard lock(m_arm->mutex);
        m_arm->requests.push_back({kind, row, column, height});
    }
    m_arm->wake.Set();
}

void CPageScanProbes::ArmPositionThread(const std::shared_ptr<ArmShared>& shared) {
    ArmShared& arm = *shared;
    CDeviceManager* devices = arm.devices;
    auto running = [&arm] {
        return arm.run.load() != 0 && (arm.frameRun == nullptr || arm.frameRun->load() != 0);
    };
    auto post = [&arm](const ArmReport& report) {
        const std::lock_guard lock(arm.mutex);
        if (CPageScanProbes* page = arm.page) {
            QMetaObject::invokeMethod(
                page, [page, report] { page->OnArmReport(report); }, Qt::QueuedConnection);
        }
    };
    // The cell under (x, y); the lookup holds a point beyond the grid to its last row or column, so
    // one pitch back tells whether the point is past it. -1 before the first row or column.
    auto cellAt = [devices](float x, float y, int16_t& row, int16_t& column) {
        uint16_t r = kNoArmCell;
        uint16_t c = kNoArmCell;
        uint16_t backR = kNoArmCell;
        uint16_t backC = kNoArmCell;
        if (!devices->GetCellAtPosition(x, y, r, c) ||
            !devices->GetCellAtPosition(x - kCellPitch, y - kCellPitch, backR, backC)) {
            row = -1;
            column = -1;
            return;
        }
        row = r == kNoArmCell
                  ? int16_t{-1}
                  : (r == kRows - 1 && backR == kRows - 1 ? int16_t{kRows} : static_cast<int16_t>(r));
        column = c == kNoArmCell ? int16_t{-1}
                                 : (c == kColumns - 1 && backC == kColumns - 1 ? int16_t{kColumns}
                                                                               : static_cast<int16_t>(c));
    };
    auto readPose = [&](int kind) {
        ArmReport report;
        report.kind = kind;
        report.ok = devices->GetArmPose(report.pose.x, report.pose.y, report.pose.z, report.pose.r);
        if (report.ok) {
            report.origin = devices->GetGridOrigin();
            cellAt(report.pose.x, report.pose.y, report.row, report.column);
        }
        return report;
    };

    Clock::TimePoint lastPoseRead{};
    bool poseReadYet = false;
    while (devices != nullptr && running()) {
        std::optional<ArmShared::Request> request;
        {
            const std::lock_guard lock(arm.mutex);
            if (!arm.requests.empty()) {
                request = arm.requests.front();
                arm.requests.pop_front();
            }
        }
        if (request) {
            bool done = true;
            if (request->kind == kArmCalibrate) {
                done = devices->HomeArm(arm.stop.get_token(), running);
            } else if (request->kind == kArmMoveToCell) {
                done = devices->MoveArmToCell(static_cast<uint16_t>(request->row),
                                              static_cast<uint16_t>(request->column), request->height, 0, 1);
            }
            ArmReport report = done ? readPose(request->kind) : ArmReport{};
            if (!report.ok) {
                devices->ClearArmAlarms();
            } else {
                // The pose just read also serves a marker refresh asked meanwhile.
                arm.poseWanted.store(0);
                lastPoseRead = CurrentClock().Now();
                poseReadYet = true;
                post(report);
            }
            continue;
        }

        const int32_t direction = arm.direction.load();
        if (direction == 0) {
            const Clock::TimePoint now = CurrentClock().Now();
            if (arm.poseWanted.load() != 0 &&
                (!poseReadYet || now - lastPoseRead >= std::chrono::milliseconds(kArmIdleMs))) {
                arm.poseWanted.store(0);
                lastPoseRead = now;
                poseReadYet = true;
                const ArmReport report = readPose(kArmPoseRead);
                if (report.ok) {
                    post(report);
                }
            }
            CurrentClock().WaitFor(arm.wake, std::chrono::milliseconds(kArmIdleMs));
            continue;
        }

        ArmPose pose;
        if (!devices->GetArmPose(pose.x, pose.y, pose.z, pose.r)) {
            arm.direction.store(0);
            devices->ClearArmAlarms();
            ArmReport failed;
            failed.kind = kArmJogFailed;
            post(failed);
            continue;
        }
        const float step = arm.step.load();
        switch (direction) {
        case 1:
            pose.x -= step;
            break;
        case 2:
            pose.x += step;
            break;
        case 3:
            pose.y -= step;
            break;
        case 4:
            pose.y += step;
            break;
        case 5:
            pose.z += 1.0F;
            break;
        case 6:
            pose.z -= 1.0F;
            break;
        default:
            break;
        }
        int16_t row = -1;
        int16_t column = -1;
        cellAt(pose.x, pose.y, row, column);
        bool allowed = true;
        switch (direction) {
        case 1:
            allowed = row >= 0;
            break;
        case 2:
            allowed = row >= 0 && row < kRows;
            break;
        case 3:
            allowed = column >= 0;
            break;
        case 4:
            allowed = column >= 0 && column < kColumns;
            break;
        case 6:
            allowed = pose.z > kLowestJogZ;
            break;
        default:
            break;
        }
        if (allowed && row >= 0 && row < kRows && column >= 0 && column < kColumns &&
            arm.heightZero[Index(row, column)] != 0) {
            allowed = false;
        }
        if (step < kJogStepLimit && arm.direction.load() == direction) {
            arm.step.store(step + kJogStepGrowth);
        }
        if (!allowed) {
            // The button may stay held; without a move nothing else paces the rounds.
            CurrentClock().WaitFor(arm.wake, std::chrono::milliseconds(kArmIdleMs));
            continue;
        }
        if (!devices->MoveArmTo(pose.x, pose.y, pose.z, pose.r)) {
            // Refused during a scan or while the devices are busy, or failed: the jog ends either way,
            // and only an arm that is not scanning has its alarms cleared.
            arm.direction.store(0);
            if (!devices->IsScanRunning()) {
                devices->ClearArmAlarms();
            }
            continue;
        }
        const ArmReport report = readPose(kArmJogged);
        if (!report.ok) {
            devices->ClearArmAlarms();
        } else {
            post(report);
        }
    }
    arm.running.store(0);
    if (arm.frameCount != nullptr) {
        arm.frameCount->fetch_sub(1);
    }
    g_runningArmThreads.fetch_sub(1);
    if (arm.orphaned.exchange(2) == 1) {
        g_orphanedArmThreads.fetch_sub(1);
    }
    arm.ended.Set();
}

void CPageScanProbes::OnArmReport(const ArmReport& report) {
    if (report.kind == kArmJogFailed) {
        ShowPrompt(kArmErrorText, kArmErrorCaption, PromptButtons::Ok, PromptIcon::Error);
        if (m_armReportObserver) {
            m_armReportObserver(report.kind);
        }
        return;
    }
    m_armPose = report.pose;
    if (report.origin) {
        m_gridOrigin = report.origin;
    }
    m_armRow = report.row;
    m_armColumn = report.column;
    const ArmPose& pose = report.pose;
    m_armPosition->setText(QString::fromStdString(
        ArmLabel(report.kind == kArmPoseRead ? kStartLabel : kMoveLabel, pose.x, pose.y, pose.z)));
    if (report.kind == kArmUpdate) {
        m_heightEdit->setText(QString::fromStdString(FormatC("%1.0f", static_cast<double>(pose.z))));
        m_heightEdit->setFocus(Qt::OtherFocusReason);
    }
    // A render here asks for no new read: the pose is the one just read.
    RenderGridOnly(false);
    update();
    if (m_armReportObserver) {
        m_armReportObserver(report.kind);
    }
}

std::optional<CPageScanProbes::ArmMarkerPlace> CPageScanProbes::GetArmMarkerPlace() const {
    if (!m_armPose || !m_gridOrigin || m_gridImage.isNull()) {
        return std::nullopt;
    }
    const QSize size = m_gridImage.size();
    // The arm's x runs down the picture, its y across it.
    const double down =
        (static_cast<double>(m_armPose->x) - m_gridOrigin->first) * size.height() / kGridLengthX;
    const double across =
        (static_cast<double>(m_armPose->y) - m_gridOrigin->second) * size.width() / kGridLengthY;
    ArmMarkerPlace place;
    auto hold = [&place](double value, int limit) {
        if (std::isnan(value) || value < 0.0) {
            place.clamped = true;
            return 0;
        }
        if (value > limit) {
            place.clamped = true;
            return limit;
        }
        return static_cast<int>(value);
    };
    const int y = hold(down, size.height() - 1);
    const int x = hold(across, size.width() - 1);
    place.centre = QPoint(x, y);
    return place;
}

void CPageScanProbes::DrawArmMarker(QPainter& painter) const {
    const std::optional<ArmMarkerPlace> place = GetArmMarkerPlace();
    if (!place) {
        return;
    }
    painter.setPen(QPen(place->clamped ? QColor(255, 0, 0) : QColor(0, 0, 255), 3.0));
    const int width = static_cast<int>(m_cellWidth);
    const int height = static_cast<int>(m_cellHeight);
    const QPoint at = place->centre;
    painter.drawLine(at.x(), at.y() - height, at.x(), at.y() - height + (2 * width));
    painter.drawLine(at.x() - width, at.y(), at.x() + width, at.y());
}

void CPageScanProbes::UpdateArmPosition() {
    if (IsArmPresent()) {
        RequestArm(kArmUpdate);
    }
}

void CPageScanProbes::CalibrateArm() {
    if (IsArmPresent()) {
        RequestArm(kArmCalibrate);
    }
}

void CPageScanProbes::MoveArmToMenuCell() {
    if (!IsArmPresent() || m_menuRow < 0 || m_menuRow >= kRows || m_menuColumn < 0 ||
        m_menuColumn >= kColumns) {
        return;
    }
    const float typed = SaturateToFloat(ReadTypedNumber(m_heightEdit->text()));
    const float height =
        typed > static_cast<float>(kLowestHeight) ? typed : static_cast<float>(kLowestHeight);
    RequestArm(kArmMoveToCell, m_menuRow, m_menuColumn, height);
}

void CPageScanProbes::SetMenuCellHeight() {
    if (!IsArmPresent() || !IsEditable(m_menuRow, m_menuColumn)) {
        return;
    }
    const int row = m_menuRow;
    const int column = m_menuColumn;
    CDlgProbeHeight dialog(this);
    dialog.SetHeight(static_cast<float>(GetTypedHeight()));
    const bool accepted =
        m_heightDialogRunner ? m_heightDialogRunner(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted) {
        return;
    }
    // Held to the page's signed range with the edit's floor: a negative entry is no huge height.
    const int16_t height =
        std::max(ToInt16(TruncateTypedNumber(static_cast<double>(dialog.GetHeight()))), kLowestHeight);
    if (height > ArmReach(row, column) && ShowPrompt(kCellReachText, kReachCaption, PromptButtons::OkCancel,
                                                     PromptIcon::Information) == PromptAnswer::Cancel) {
        return;
    }
    ProbeCell& cell = m_cells[Index(row, column)];
    cell.on = 1;
    cell.height = height;
    m_pattern.SetProbeAndHeightAt(row, column, 1, StoredHeight(height));
    AfterChange();
}

void CPageScanProbes::OnHeightSpin(int delta) {
    const double typed = ReadTypedNumber(m_heightEdit->text());
    double next = typed;
    if (delta < 0) {
        next = typed + 1.0;
    } else if (delta > 0) {
        if (typed - 1.0 < kLowestHeight) {
            return;
        }
        next = typed - 1.0;
    }
    m_heightEdit->setText(QString::fromStdString(FormatC("%2.0f", next)));
    SetModified(true);
}

void CPageScanProbes::OnHeightEditFocusOut() {
    if (ReadTypedNumber(m_heightEdit->text()) < kLowestHeight) {
        m_heightEdit->setText(QString::number(kLowestHeight));
    }
}

bool CPageScanProbes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_heightEdit && event->type() == QEvent::FocusOut) {
        OnHeightEditFocusOut();
    } else if (event->type() == QEvent::FocusOut || event->type() == QEvent::UngrabMouse ||
               event->type() == QEvent::Hide) {
        if (std::find(m_jogButtons.begin(), m_jogButtons.end(), watched) != m_jogButtons.end()) {
            StopJog();
        }
    }
    return CPropertyPage::eventFilter(watched, event);
}

void CPageScanProbes::hideEvent(QHideEvent* event) {
    StopJog();
    CPropertyPage::hideEvent(event);
}

// --- Commit ---

bool CPageScanProbes::OnApply() {
    TakeCameraStill();
    SaveOverlaySettings();
    QProbeScanPatternOptions* options = GetPatternOptions();
    if (options == nullptr) {
        return CPropertyPage::OnApply();
    }
    // The scan measures no cell above the stored height: it is at least the highest on cell's.
    float height = SaturateToFloat(ReadTypedNumber(m_heightEdit->text()));
    for (const ProbeCell& cell : m_cells) {
        if (cell.on != 0) {
            height = std::max(height, static_cast<float>(cell.height));
        }
    }
    const bool changed = ChoiceOrOnHeightsDiffer(options->GetPattern(), m_pattern);
    options->SetOwnPattern(true);
    options->SetPattern(m_pattern);
    options->SetMeasurementHeight(height);
    options->SetProbeCameraTracking(m_cameraTracking->isChecked());
    const int camera = m_cameraList->currentIndex();
    options->SetTrackingCameraIndex(m_cameraList->count() > 0 ? (camera >= 0 ? camera : -1)
                                                              : m_trackingCameraIndex);

    m_pMediator->MarkProjectModified();
    m_pMediator->RefreshAllViews();
    // Cells picked in the spectral/spatial views on the old pattern do not belong to the new one.
    if (changed) {
        m_pMediator->PostOptionsChanged(QFundamentalNodeMediator::kSelectionOptionsBit);
    }
    return CPropertyPage::OnApply();
}

} // namespace orv
