#pragma once

// The base of the views that draw a fixed-function OpenGL scene. It owns the widget's context and
// runs the paint cycle: clear, let the derived view draw, report a GL error. Derived views supply the
// scene through four virtual operations, record their display lists in twenty slots the base frees,
// and draw text through a bitmap font of 128 display lists.
//
// One guard is shared by every GL view: while a frame renders no other starts, and after an OpenGL
// error it stays set, so no GL view draws again (the error is shown once).
//
// The scene is drawn on an OpenGL surface that fills the view. The surface is made only where the
// platform can give an OpenGL context: Qt's own OpenGL widget brings down the whole window on a
// platform without one, and the view must then stay blank and say so.

#include "platform/sync/CriticalSection.h"

#include <QCursor>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

class QOpenGLContext;
class QPainter;

namespace orv {

class CGLEnabledView : public QWidget {
public:
    explicit CGLEnabledView(QWidget* parent = nullptr);
    ~CGLEnabledView() override;
    CGLEnabledView(const CGLEnabledView&) = delete;
    CGLEnabledView& operator=(const CGLEnabledView&) = delete;

    static constexpr int kDisplayListSlots = 20;
    static constexpr int kFontListCount = 128;

    // The scene. Defaults: depth test, black, depth 1.0; viewport and a 40-degree perspective from
    // 0.1 to 10.0 seen from 4 units away; nothing; 2 colours, depth 0, double buffer.
    virtual void InitScene();
    virtual void ResizeScene(int width, int height);
    virtual void DrawScene();
    virtual void GetVideoMode(int& colours, int& depth, int& doubleBuffer) const;

    // Renders one frame now (the redraw of the derived view and its owner); a view not shown draws
    // when it is.
    void RenderFrame();
    // Waits until the context has drawn all it was given (for timing a frame).
    void FinishRendering();
    // Renders a frame and answers it as a picture of the view's size (null without OpenGL).
    QImage GrabFrame();
    // Renders a frame and draws it into `target`, stretched to `width` x `height` at (2, top): the
    // left edge is always 2, whatever `left` says.
    void CopyToDC(QPainter& target, int left, int top, int width, int height);
    // Builds the 128 lists of a bitmap font of the face, pixel height, weight 700 or 400 and slant;
    // characters 0 to 126 are filled. On failure no lists are left and the base is 0.
    bool BuildBitmapFont(const std::string& face, int height, bool bold, bool italic);
    uint32_t GetFontListBase() const { return m_nFontListBase; }

    // Records a display list into the first free slot: answers its list id, or 0 (nothing recorded)
    // when all twenty slots are taken or there is no context.
    uint32_t BeginDisplayList();
    void EndDisplayList();
    const std::array<uint32_t, kDisplayListSlots>& GetDisplayLists() const { return m_displayLists; }

    int GetLastError() const { return m_nLastError; }
    int GetViewportWidth() const { return m_nViewportWidth; }
    int GetViewportHeight() const { return m_nViewportHeight; }
    int GetStoredWidth() const { return m_nWidth; }
    int GetStoredHeight() const { return m_nHeight; }
    double GetAspect() const { return m_dAspect; }
    bool IsSizeChanged() const { return m_bSizeChanged != 0; }
    void ClearSizeChanged() { m_bSizeChanged = 0; }
    bool HasContext() const { return m_hRC != nullptr; }
    // Whether this platform can give an OpenGL context at all (asked once per program).
    static bool IsOpenGLAvailable();

    // Display and font lists of all GL views made and not yet released, to see that none is left.
    static int64_t GetLiveListCount();

    // The guard shared by all GL views; a test may clear it after an error it provoked.
    static bool IsRenderingGuardSet();
    static void ResetRenderingGuardForTest();

protected:
    // With the context current before it goes (the view's end, or Qt replacing the context): the
    // derived view frees what it made on it besides the lists. Not called from the base's destructor.
    virtual void ReleaseSceneResources() {}
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void makeCurrent();
    void doneCurrent();

    CriticalSection& GetLock() { return m_cs; }
    uint8_t m_bTextureDirty = 1;
    uint8_t m_bVersionLogged = 0;

private:
    class Surface;
    friend class Surface;

    // The surface's three steps, with its context current.
    void InitializeContext();
    void ResizeContext(int width, int height);
    void PaintFrame();
    void ReleaseContextResources();
    void DeleteFontLists();
    void ReportContextFailureOnce();
    void ShowGLError(unsigned int error);

    int m_nWidth = 10;
    int m_nHeight = 10;
    int m_bSizeChanged = 1;
    CriticalSection m_cs;
    uint8_t m_bKeepCurrent = 0;
    int m_nLastError = 0;
    int m_nViewportWidth = 0;
    int m_nViewportHeight = 0;
    double m_dAspect = 1.0;
    int m_nFontListCount = kFontListCount;
    QOpenGLContext* m_hRC = nullptr;
    QCursor m_hCursor;
    std::array<uint32_t, kDisplayListSlots> m_displayLists{};
    int m_bRecordingList = 0;
    int m_bMadeCurrent = 0;
    uint32_t m_nFontListBase = 0;

    Surface* m_pSurface = nullptr;
    // The framebuffer holds a frame RenderFrame drew that the screen has not shown yet.
    uint8_t m_bFrameRendered = 0;
    bool m_contextFailureShown = false;
};

} // namespace orv
