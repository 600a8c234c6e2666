#pragma once

#include <QDialog>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace orv {

class COverlayView;
class CVideoCap;
class TfrmMainApp;

// "Import Webcam Image" (template 326): a camera chosen from the machine's list is previewed over the
// dialog's upper part, and "Import" adds its current frame, scaled to 800 x 600, to the project's
// overlays as a snapshot, selected in the overlay editor that opened the dialog.
//
// The preview is drawn into a back buffer on a 50 ms timer and painted by one copy; the timer never
// waits on the camera. No camera opens until "Select Device", and closing the dialog lets its
// capture go (the camera closes when no other holder keeps it).
class CWebcamDlg : public QDialog {
public:
    static constexpr int kTemplateId = 326;
    static constexpr int kCameraListId = 1122;
    static constexpr int kSelectDeviceId = 1261;
    static constexpr int kPauseId = 1150;
    static constexpr int kImportId = 1257;
    static constexpr int kCancelId = 1258;
    static constexpr int kWidthUnits = 365;
    static constexpr int kHeightUnits = 219;
    static constexpr int kPreviewIntervalMs = 50;
    // The preview ends this many pixels above the "Import" button.
    static constexpr int kPreviewGap = 8;
    static constexpr int kSnapshotWidth = 800;
    static constexpr int kSnapshotHeight = 600;
    static constexpr const char* kTitle = "Import Webcam Image";
    static constexpr const char* kDeviceGoneText = "This device is no longer valid.";
    static constexpr const char* kPromptCaption = "Orvilant";

    CWebcamDlg(TfrmMainApp& project, COverlayView& view, QWidget* parent = nullptr);
    ~CWebcamDlg() override;
    CWebcamDlg(const CWebcamDlg&) = delete;
    CWebcamDlg& operator=(const CWebcamDlg&) = delete;

    // "Select Device": opens the selected camera in place of the one shown.
    void OnSelectDevice();
    // "Import": adds the current frame to the project's overlays and closes with OK.
    void OnImport();
    void done(int result) override;

    QWidget* GetControl(int id) const;
    QRect GetPreviewRect() const { return m_previewRect; }
    int GetPreviewTimerId() const { return m_timerId; }
    const QImage& GetPreview() const { return m_preview; }
    const std::shared_ptr<CVideoCap>& GetCapture() const { return m_capture; }
    const std::vector<std::string>& GetDevicePaths() const { return m_devicePaths; }
    TfrmMainApp& GetProject() const { return m_project; }
    COverlayView& GetOverlayView() const { return m_view; }

    // A blue-green-red frame scaled to exactly that size by bilinear interpolation (the aspect ratio is
    // not kept); rows packed, 3 bytes a pixel.
    static std::vector<uint8_t> ScaleBilinear(const QImage& frame, int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QRect DialogRect(int x, int y, int width, int height) const;
    void OnPreviewTimer();

    TfrmMainApp& m_project;
    COverlayView& m_view;
    std::vector<std::string> m_devicePaths;
    QImage m_preview;
    QRect m_previewRect;
    int m_timerId = 0;
    std::shared_ptr<CVideoCap> m_capture;
    bool m_bPaused = false;

    QComboBox* m_pCameras = nullptr;
    QPushButton* m_pSelectDevice = nullptr;
    QCheckBox* m_pPause = nullptr;
    QPushButton* m_pImport = nullptr;
    QPushButton* m_pCancel = nullptr;
};

} // namespace orv
