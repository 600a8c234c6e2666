#pragma once

// The 3D view of a spatial view's scan: the heat map as a coloured height field over the scan grid,
// with grid lines, three labelled axes and, when the node shows its overlay or tracks a hand-held
// probe by camera, a picture plane that carries the view's composed layers as a texture. A drag
// turns the scene through the trackball; the wheel moves the picture plane (with Control or Shift)
// or changes its opacity.
//
// The spatial view makes it as a hidden child and shows it in place of the map. It draws only while
// its owner shows a scan, and reads the owner's cells, zoom window and layers as the last map
// drawing left them.

#include "platform/msg/MessageTarget.h"
#include "views/spatial/C3DSurface.h"
#include "views/spatial/CGLEnabledView.h"
#include "views/trackball/CBallController.h"

#include <QTimer>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QKeyEvent;

namespace orv {

class CSpatialView;
class QNodeMediator;

class C3DSpatialView : public CGLEnabledView {
public:
    static constexpr uint32_t kRedrawMessage = 10022;
    static constexpr uint32_t kStartTimerMessage = 10036;
    static constexpr int kControlId = 60648;
    static constexpr int kStartTimerId = 1;
    static constexpr int kStartTimerMilliseconds = 1;
    // The context menu opens this far below the pointer.
    static constexpr int kMenuDrop = 50;
    static constexpr int32_t kStartOpacity = 75;
    static constexpr float kTrackingOpacity = 0.75F;
    static constexpr float kSurfaceAlpha = 0.9F;

    C3DSpatialView(MessageThread& thread, QWidget* parent);
    ~C3DSpatialView() override;
    C3DSpatialView(const C3DSpatialView&) = delete;
    C3DSpatialView& operator=(const C3DSpatialView&) = delete;

    void SetOwner(CSpatialView* owner) { m_pSpatialView = owner; }
    void SetMediator(QNodeMediator* mediator) { m_pMediator = mediator; }
    QNodeMediator* GetMediator() const { return m_pMediator; }
    MessageTarget& GetMessageTarget() { return m_target; }
    // The message numbers received, in order.
    const std::vector<uint32_t>& GetReceived() const { return m_received; }
    // The OpenGL version of the view's context as a number (2.0 until a context reports its own).
    double GetOpenGLVersion() const { return m_glVersion; }
    void SetOpenGLVersion(double version) { m_glVersion = version; }

    // --- The scene (the base's operations) ---
    void InitScene() override;
    void ResizeScene(int width, int height) override;
    void DrawScene() override;

    // --- Messages ---
    // 10022: one frame; 10036: the one-shot start timer.
    void OnRedrawMessage();
    void OnStartTimerMessage();
    // Timer 1: the texture made again and one frame drawn; the timer ends.
    void OnTimer(int timerId);
    bool IsStartTimerRunning() const { return m_nTimerId != 0; }

    // Key down and up of Control and Shift kept as the modifier state; false: the event goes on.
    bool PreTranslateMessage(const QKeyEvent& event);

    // Makes the surface's vertex buffer from the owner's cells as a frame would (no OpenGL); false
    // when the owner shows no scan.
    bool BuildSurface();

    // --- State the tests read ---
    int32_t GetPlaneOpacity() const { return m_nPlaneOpacity; }
    int32_t GetPlaneHeight() const { return m_nPlaneHeight; }
    float GetMaxHeight() const { return m_fMaxHeight; }
    uint32_t GetTexture() const { return m_nTexture; }
    int32_t GetTextureUploadCount() const { return m_nTextureUploads; }
    bool IsTextureDirty() const { return m_bTextureDirty != 0; }
    bool IsControlDown() const { return m_bCtrlDown != 0; }
    bool IsShiftDown() const { return m_bShiftDown != 0; }
    bool IsCaptured() const { return m_bCaptured; }
    const C3DSurface& GetSurface() const { return m_pVertices; }
    const CBallController& GetBall() const { return m_ball; }
    const std::array<std::array<float, 2>, 4>& GetPlaneCorners() const { return m_planeCorners; }
    // The opacity the last frame drew the plane with, -1 when it drew none.
    float GetDrawnPlaneOpacity() const { return m_fDrawnPlaneOpacity; }
    int32_t GetFrameCount() const { return m_nFrames; }

protected:
    void ReleaseSceneResources() override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    class Target : public MessageTarget {
    public:
        Target(MessageThread& thread, C3DSpatialView& view) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        C3DSpatialView& m_view;
    };

    // The owner's shown scan for the length of a frame or an event (picked when the owner holds
    // none, and forgotten again after).
    class ShownScan;

    bool BuildSurface(CSpatialView& view);
    void DrawGridAndSurface(CSpatialView& view);
    void DrawLabel(float x, float y, float z, const std::string& text);
    void DrawPicturePlane(CSpatialView& view);
    void RefreshTexture(CSpatialView& view, bool tracking);
    void DeleteTexture();
    void StepWheel(int32_t steps, bool movesHeight);

    QNodeMediator* m_pMediator = nullptr;
    CSpatialView* m_pSpatialView = nullptr;
    std::array<std::array<float, 2>, 4> m_planeCorners{};
    uint32_t m_nTexture = 0;
    int32_t m_nPlaneOpacity = kStartOpacity;
    int32_t m_nPlaneHeight = -1;
    uint8_t m_bCtrlDown = 0;
    uint8_t m_bShiftDown = 0;
    int32_t m_nTimerId = 0;
    float m_fMaxHeight = -1.0F;
    C3DSurface m_pVertices;
    CBallController m_ball;

    bool m_bCaptured = false;
    // Wheel angle not yet making a whole notch.
    int32_t m_nWheelRest = 0;
    double m_glVersion = 2.0;
    int32_t m_nTextureUploads = 0;
    float m_fDrawnPlaneOpacity = -1.0F;
    int32_t m_nFrames = 0;
    std::vector<std::array<float, 3>> m_colours;
    std::vector<C3DSurface::Cell> m_areaCells;
    QTimer m_timer;
    std::vector<uint32_t> m_received;
    Target m_target;
};

} // namespace orv
