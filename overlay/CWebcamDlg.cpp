#include "overlay/CWebcamDlg.h"

#include "overlay/COverlayUnitView.h"
#include "overlay/COverlayView.h"
#include "overlay/camera/CVideoCap.h"
#include "overlay/camera/CameraDevices.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/NewOverlayId.h"
#include "project/NodeMessages.h"
#include "project/QProjectFormView.h"
#include "project/TfrmMainApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace orv {
namespace {

// The two source positions and the weight of the second along one side (pixel centres lined up).
struct Tap {
    int first = 0;
    int second = 0;
    float weight = 0.0F;
};

std::vector<Tap> Taps(int sourceSide, int targetSide) {
    std::vector<Tap> taps(static_cast<size_t>(targetSide));
    const double scale = static_cast<double>(sourceSide) / static_cast<double>(targetSide);
    for (int i = 0; i < targetSide; ++i) {
        const double at = (i + 0.5) * scale - 0.5;
        const double floor = std::floor(at);
        Tap tap;
        tap.first = static_cast<int>(floor);
        tap.weight = static_cast<float>(at - floor);
        if (tap.first < 0) {
            tap.first = 0;
            tap.weight = 0.0F;
        }
        if (tap.first >= sourceSide - 1) {
            tap.first = sourceSide - 1;
            tap.weight = 0.0F;
        }
        tap.second = std::min(tap.first + 1, sourceSide - 1);
        taps[static_cast<size_t>(i)] = tap;
    }
    return taps;
}

} // namespace

CWebcamDlg::CWebcamDlg(TfrmMainApp& project, COverlayView& view, QWidget* parent)
    : QDialog(parent), m_project(project), m_view(view) {
    setWindowTitle(QString::fromLatin1(kTitle));
    const QRect client = DialogRect(0, 0, kWidthUnits, kHeightUnits);
    setFixedSize(client.size());

    m_pCameras = new QComboBox(this);
    m_pCameras->setGeometry(DialogRect(7, 198, 136, 14));
    m_pSelectDevice = new QPushButton(QStringLiteral("Select Device"), this);
    m_pSelectDevice->setGeometry(DialogRect(147, 198, 60, 14));
    m_pPause = new QCheckBox(QStringLiteral("Pause"), this);
    m_pPause->setGeometry(DialogRect(212, 198, 38, 14));
    m_pImport = new QPushButton(QStringLiteral("Import"), this);
    m_pImport->setGeometry(DialogRect(253, 198, 50, 14));
    m_pImport->setDefault(true);
    m_pImport->setEnabled(false);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setGeometry(DialogRect(308, 198, 50, 14));
    const std::pair<int, QWidget*> controls[] = {{kCameraListId, m_pCameras},
                                                 {kSelectDeviceId, m_pSelectDevice},
                                                 {kPauseId, m_pPause},
                                                 {kImportId, m_pImport},
                                                 {kCancelId, m_pCancel}};
    for (const auto& [id, control] : controls) {
        control->setProperty("controlId", id);
    }
    connect(m_pSelectDevice, &QPushButton::clicked, this, [this] { OnSelectDevice(); });
    connect(m_pPause, &QCheckBox::toggled, this, [this](bool checked) { m_bPaused = checked; });
    connect(m_pImport, &QPushButton::clicked, this, [this] { OnImport(); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { reject(); });

    EnumerateCameraDevicePaths(m_devicePaths);
    FillCameraComboBox(*m_pCameras);
    m_pCameras->setCurrentIndex(-1);
    m_previewRect = QRect(0, 0, client.width(), std::max(0, m_pImport->geometry().top() - kPreviewGap));
    m_preview = QImage(m_previewRect.size(), QImage::Format_RGB32);
    m_preview.fill(Qt::black);
    m_timerId = startTimer(kPreviewIntervalMs);
}

CWebcamDlg::~CWebcamDlg() {
    if (m_timerId != 0) {
        killTimer(m_timerId);
    }
}

QRect CWebcamDlg::DialogRect(int x, int y, int width, int height) const {
    const QFontMetrics metrics(font());
    const int averageWidth = metrics.averageCharWidth();
    const int charHeight = metrics.height();
    return {x * averageWidth / 4, y * charHeight / 8, width * averageWidth / 4, height * charHeight / 8};
}

QWidget* CWebcamDlg::GetControl(int id) const {
    for (QWidget* control : {static_cast<QWidget*>(m_pCameras), static_cast<QWidget*>(m_pSelectDevice),
                             static_cast<QWidget*>(m_pPause), static_cast<QWidget*>(m_pImport),
                             static_cast<QWidget*>(m_pCancel)}) {
        if (control->property("controlId").toInt() == id) {
            return control;
        }
    }
    return nullptr;
}

void CWebcamDlg::OnSelectDevice() {
    const int item = m_pCameras->currentIndex();
    if (item < 0) {
        return;
    }
    const int index = m_pCameras->itemData(item).toInt();
    if (index < 0 || static_cast<size_t>(index) >= m_devicePaths.size()) {
        return;
    }
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap(m_devicePaths[static_cast<size_t>(index)]);
    if (!capture) {
        ShowPrompt(kDeviceGoneText, kPromptCaption, PromptButtons::Ok, PromptIcon::None);
        return;
    }
    m_capture = std::move(capture);
    update();
}

void CWebcamDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId) {
        QDialog::timerEvent(event);
        return;
    }
    OnPreviewTimer();
}

void CWebcamDlg::OnPreviewTimer() {
    if (!m_bPaused && m_capture) {
        QPainter painter(&m_preview);
        m_capture->Draw(painter, 0, 0, m_previewRect.width(), m_previewRect.height(), 0.0F, 0.0F, 1.0F, 1.0F,
                        CVideoCap::kNoTint);
    }
    update(m_previewRect);
    // Import needs a frame to scale.
    QImage frame;
    m_pImport->setEnabled(m_capture && m_capture->GetFrame(frame) && !frame.isNull());
}

void CWebcamDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        QPainter painter(this);
        painter.drawImage(m_previewRect.topLeft(), m_preview);
    }
    QDialog::paintEvent(event);
}

std::vector<uint8_t> CWebcamDlg::ScaleBilinear(const QImage& frame, int width, int height) {
    if (frame.isNull() || width <= 0 || height <= 0) {
        return {};
    }
    const QImage source =
        frame.format() == QImage::Format_BGR888 ? frame : frame.convertToFormat(QImage::Format_BGR888);
    const std::vector<Tap> columns = Taps(source.width(), width);
    const std::vector<Tap> rows = Taps(source.height(), height);
    std::vector<uint8_t> scaled(static_cast<size_t>(width) * static_cast<size_t>(height) * 3U);
    uint8_t* out = scaled.data();
    for (const Tap& row : rows) {
        const uchar* upper = source.constScanLine(row.first);
        const uchar* lower = source.constScanLine(row.second);
        for (const Tap& column : columns) {
            for (int channel = 0; channel < 3; ++channel) {
                const float top = upper[3 * column.first + channel] +
                                  column.weight * static_cast<float>(upper[3 * column.second + channel] -
                                                                     upper[3 * column.first + channel]);
                const float bottom = lower[3 * column.first + channel] +
                                     column.weight * static_cast<float>(lower[3 * column.second + channel] -
                                                                        lower[3 * column.first + channel]);
                const float value = top + row.weight * (bottom - top);
                *out++ = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    return scaled;
}

void CWebcamDlg::OnImport() {
    QImage frame;
    if (!m_capture || !m_capture->GetFrame(frame) || frame.isNull()) {
        return;
    }
    const std::vector<uint8_t> pixels = ScaleBilinear(frame, kSnapshotWidth, kSnapshotHeight);
    constexpr uint8_t kBytesPerPixel = 3;
    auto control = std::make_unique<COverlayControl>();
    control->SetSourceKind(COverlayControl::kPixelImage);
    if (!control->SetPixels(pixels.data(), kSnapshotWidth, kSnapshotHeight, kBytesPerPixel)) {
        return;
    }
    control->SetSourceFileSize(static_cast<uint32_t>(pixels.size()));
    const uint32_t overlayId = MakeNewOverlayId(m_project.GetOverlayControls());
    control->SetOverlayId(overlayId);
    m_project.GetOverlayControls().Add(std::move(control), false);
    // A closed project would lose the snapshot unless it is saved.
    if (QProjectFormView* view = m_project.GetProjectFormView()) {
        view->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }

    m_view.ClearPendingMove();
    m_view.ResetPicturePlacement();
    m_view.SelectOverlayControl(overlayId);
    if (COverlayUnitView* units = m_view.GetUnitView()) {
        units->RefillUnits();
    }
    accept();
}

void CWebcamDlg::done(int result) {
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    m_capture.reset();
    QDialog::done(result);
}

} // namespace orv
