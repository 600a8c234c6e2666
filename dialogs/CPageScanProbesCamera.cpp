// The scan probes page's camera for hand-held probe nodes: the camera choice, the node's tracking
// started and stopped from the page, the preview's refresh, the two control layouts, the focus and
// the still that becomes the node's overlay on Apply.

#include "core/QProbeScanPatternOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CNodeProbeCameraLayer.h"
#include "dialogs/CPageScanProbes.h"
#include "overlay/camera/CProbeMarkerTracker.h"
#include "overlay/camera/CVideoCap.h"
#include "overlay/camera/CameraDevices.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/NewOverlayId.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace orv {

void CPageScanProbes::SetUpCamera() {
    if (m_nodeKind != kTypeHandHeldProbeScanNode) {
        m_cameraTracking->setVisible(false);
        m_bTrackingAtStart = 0;
        return;
    }
    m_cameraTracking->setVisible(true);
    FillCameraComboBox(*m_cameraList);
    const QProbeScanPatternOptions* options = GetPatternOptions();
    if (options == nullptr || !options->IsProbeCameraTracking()) {
        return;
    }
    m_cameraTracking->setChecked(true);
    m_bTrackingAtStart = 1;
    if (m_cameraList->count() == 0) {
        return;
    }
    const int32_t stored = m_trackingCameraIndex;
    m_cameraList->setCurrentIndex(stored >= 0 && stored < m_cameraList->count() ? stored : 0);
    if (!m_pMediator->HasProbeVideoTrack()) {
        StartCameraPreview(-1);
    } else {
        // Tracking that runs already is refreshed too: its camera is the one the node opened.
        m_cameraIndex = FindCameraIndexByPath(m_pMediator->GetProbeCameraPath());
    }
}

void CPageScanProbes::StartCameraPreview(int32_t index) {
    const int entry = index == -1 ? m_cameraList->currentIndex() : index;
    if (entry < 0 || entry >= m_cameraList->count()) {
        return;
    }
    StopCameraPreview();
    m_cameraPaths.clear();
    EnumerateCameraDevicePaths(m_cameraPaths);
    const int32_t device = m_cameraList->itemData(entry).toInt();
    if (device < 0 || static_cast<size_t>(device) >= m_cameraPaths.size()) {
        return;
    }
    m_cameraIndex = device;
    m_pMediator->StartProbeVideoTrack(m_cameraPaths[static_cast<size_t>(device)]);
    m_cameraTimer->start(kPreviewStartMs);
}

void CPageScanProbes::StopCameraPreview() {
    if (!m_pMediator->HasProbeVideoTrack()) {
        return;
    }
    m_savedCameraIndex = m_cameraList->currentIndex();
    if (m_cameraIndex != -1) {
        m_cameraIndex = -1;
        m_cameraTimer->stop();
        m_pMediator->StopProbeVideoTrack();
        RenderGridOnly(false);
        update();
    }
}

int CPageScanProbes::GetCameraTimerInterval() const {
    return m_cameraTimer->isActive() ? m_cameraTimer->interval() : 0;
}

void CPageScanProbes::OnCameraTimer() {
    if (m_cameraIndex == -1) {
        return;
    }
    if (m_pMediator->HasProbeVideoTrack()) {
        RenderGridOnly(false);
    }
    update(GetGridRect());
}

void CPageScanProbes::OnCameraTrackingClicked(bool checked) {
    SetModified(true);
    if (!checked) {
        StopCameraPreview();
        ShowArmControls();
        return;
    }
    StartCameraPreview(-1);
    ShowCameraControls();
}

void CPageScanProbes::ShowCameraControls() {
    for (QWidget* control : m_armControls) {
        control->setVisible(false);
    }
    for (QWidget* button : m_jogButtons) {
        button->setVisible(false);
    }
    m_cameraOptions->setVisible(false);
    for (QWidget* control : {static_cast<QWidget*>(m_cameraList), static_cast<QWidget*>(m_focusSlider),
                             static_cast<QWidget*>(m_focusValue), static_cast<QWidget*>(m_focusLabel)}) {
        control->setVisible(true);
    }
}

void CPageScanProbes::ShowArmControls() {
    for (QWidget* control : m_armControls) {
        control->setVisible(IsArmPresent());
    }
    for (QWidget* button : m_jogButtons) {
        button->setVisible(IsArmPresent());
    }
    for (QWidget* control : {static_cast<QWidget*>(m_cameraList), static_cast<QWidget*>(m_cameraOptions),
                             static_cast<QWidget*>(m_focusSlider), static_cast<QWidget*>(m_focusValue),
                             static_cast<QWidget*>(m_focusLabel)}) {
        control->setVisible(false);
    }
}

void CPageScanProbes::OnCameraOptions() {
    const int entry = m_cameraList->currentIndex();
    if (entry < 0) {
        ShowPrompt(kChooseCameraText, "", PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    const int32_t device = m_cameraList->itemData(entry).toInt();
    if (device < 0 || static_cast<size_t>(device) >= GetCameraDevicePaths().size()) {
        FillCameraComboBox(*m_cameraList);
        ShowPrompt(kCameraListRefreshedText, "", PromptButtons::Ok, PromptIcon::Information);
    }
}

void CPageScanProbes::OnFocusSlider(int position) {
    if (position == -2) {
        m_focusValue->setText(QStringLiteral("Auto"));
    } else if (position == -1) {
        m_focusValue->setText(QStringLiteral("Set"));
    } else {
        m_focusValue->setText(QString::fromStdString(FormatC("%i%%", 2 * position)));
    }
    const auto tracker = std::dynamic_pointer_cast<CProbeMarkerTracker>(m_pMediator->GetProbeVideoTrack());
    if (tracker == nullptr || tracker->GetCapture() == nullptr) {
        return;
    }
    CVideoCap& capture = *tracker->GetCapture();
    if (position == -2) {
        tracker->SetAutoFocus(true);
        capture.SetProperty(CVideoCap::kPropertyAutoFocus, 1.0);
    } else if (position == -1) {
        // Manual focus where the camera stands now.
        tracker->SetAutoFocus(false);
        capture.SetProperty(CVideoCap::kPropertyAutoFocus, 0.0);
    } else {
        const auto focus = static_cast<uint8_t>(std::clamp(5 * position, 0, 255));
        capture.SetProperty(CVideoCap::kPropertyAutoFocus, 0.0);
        tracker->SetFocusValue(focus);
        capture.SetProperty(CVideoCap::kPropertyFocus, focus);
    }
}

void CPageScanProbes::TakeCameraStill() {
    if (!m_pMediator->HasProbeVideoTrack() || m_overlayId != 0 || m_nodeCameraLayer == nullptr) {
        return;
    }
    TfrmMainApp* project = GetProject();
    const QImage frame = m_nodeCameraLayer->GetLatestFrame();
    if (project == nullptr || frame.isNull()) {
        return;
    }
    // The capture's frames are blue-green-red, 3 bytes a pixel: the still keeps them so.
    const QImage still =
        frame.convertToFormat(QImage::Format_BGR888)
            .scaled(kStillWidth, kStillHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const uint8_t channels = static_cast<uint8_t>(still.depth() / 8);
    std::vector<uint8_t> pixels;
    const auto rowBytes = static_cast<size_t>(kStillWidth) * channels;
    pixels.reserve(rowBytes * kStillHeight);
    for (int y = 0; y < kStillHeight; ++y) {
        const uchar* line = still.constScanLine(y);
        pixels.insert(pixels.end(), line, line + rowBytes);
    }
    auto control = std::make_unique<COverlayControl>();
    control->SetSourceKind(COverlayControl::kPixelImage);
    const uint32_t id = MakeNewOverlayId(project->GetOverlayControls());
    control->SetOverlayId(id);
    if (!control->SetPixels(pixels.data(), kStillWidth, kStillHeight, channels)) {
        return;
    }
    project->GetOverlayControls().Add(std::move(control), false);
    m_overlayId = id;
    m_opacity = 50;
    m_offsetX = 0.0F;
    m_offsetY = 0.0F;
    m_scaleX = 1.0F;
    m_scaleY = 1.0F;
    m_pictureFlags = {0, 0, 0};
    m_drawList.Clear();
    m_overlayBitmap = QImage();
}

void CPageScanProbes::RestoreCameraTracking() {
    if (m_nodeKind != kTypeHandHeldProbeScanNode) {
        return;
    }
    if (m_bTrackingAtStart == 0) {
        StopCameraPreview();
    } else if (!m_pMediator->HasProbeVideoTrack() && m_savedCameraIndex != -1) {
        StartCameraPreview(m_savedCameraIndex);
    }
    m_cameraTimer->stop();
}

} // namespace orv
