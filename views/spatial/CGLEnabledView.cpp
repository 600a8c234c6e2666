#include "views/spatial/CGLEnabledView.h"

#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QResizeEvent>
#include <QSurfaceFormat>

#include <GL/gl.h>
#include <GL/glu.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

namespace orv {
namespace {

// Set while a frame renders; left set after an OpenGL error, which stops every GL view for good.
std::atomic<bool> g_renderingGuard{false};
std::atomic<int64_t> g_liveLists{0};

QSurfaceFormat ViewFormat() {
    // The fixed-function scene needs a compatibility profile. 32 depth bits are asked; Mesa offers 24,
    // which serve as well.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(32);
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

// One glyph as the bottom-up, most-significant-bit-first rows that glBitmap takes.
std::vector<GLubyte> GlyphBits(const QImage& glyph) {
    const int width = glyph.width();
    const int height = glyph.height();
    const int rowBytes = (width + 7) / 8;
    std::vector<GLubyte> bits(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const int row = height - 1 - y;
        for (int x = 0; x < width; ++x) {
            if (qAlpha(glyph.pixel(x, y)) > 127) {
                bits[static_cast<size_t>(row) * static_cast<size_t>(rowBytes) + static_cast<size_t>(x / 8)] |=
                    static_cast<GLubyte>(0x80U >> (x % 8));
            }
        }
    }
    return bits;
}

} // namespace

// The OpenGL surface over the whole view; its three steps run the view's.
class CGLEnabledView::Surface : public QOpenGLWidget {
public:
    explicit Surface(CGLEnabledView& view) : QOpenGLWidget(&view), m_view(view) {
        setFormat(ViewFormat());
        // The frame a RenderFrame drew stays in the framebuffer until Qt puts it on the screen.
        setUpdateBehavior(QOpenGLWidget::PartialUpdate);
        setAttribute(Qt::WA_OpaquePaintEvent);
        // The view takes the pointer: its cursor and mouse handling are the derived view's.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void initializeGL() override { m_view.InitializeContext(); }
    void resizeGL(int width, int height) override { m_view.ResizeContext(width, height); }
    void paintGL() override {
        if (m_view.m_bFrameRendered != 0) {
            // RenderFrame has just drawn it.
            m_view.m_bFrameRendered = 0;
            return;
        }
        m_view.PaintFrame();
    }

private:
    CGLEnabledView& m_view;
};

CGLEnabledView::CGLEnabledView(QWidget* parent) : QWidget(parent), m_hCursor(Qt::SizeAllCursor) {
    setCursor(m_hCursor);
    // The scene paints every pixel: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (IsOpenGLAvailable()) {
        m_pSurface = new Surface(*this);
        m_pSurface->setGeometry(rect());
    }
}

bool CGLEnabledView::IsOpenGLAvailable() {
    static const bool available = [] {
        QOpenGLContext probe;
        probe.setFormat(ViewFormat());
        return probe.create() && probe.isValid();
    }();
    return available;
}

void CGLEnabledView::makeCurrent() {
    if (m_pSurface != nullptr) {
        m_pSurface->makeCurrent();
    }
}

void CGLEnabledView::doneCurrent() {
    if (m_pSurface != nullptr) {
        m_pSurface->doneCurrent();
    }
}

namespace {

// Makes the view's context current for a scope unless it already is (inside the paint cycle and
// the scene's set-up it is), and gives it up again only if the scope made it.
class CurrentContextScope {
public:
    CurrentContextScope(const std::function<void()>& make, std::function<void()> done,
                        QOpenGLContext* context)
        : m_done(std::move(done)) {
        if (context != nullptr && QOpenGLContext::currentContext() != context) {
            make();
            m_made = true;
        }
    }
    ~CurrentContextScope() {
        if (m_made) {
            m_done();
        }
    }
    CurrentContextScope(const CurrentContextScope&) = delete;
    CurrentContextScope& operator=(const CurrentContextScope&) = delete;

private:
    std::function<void()> m_done;
    bool m_made = false;
};

} // namespace

CGLEnabledView::~CGLEnabledView() {
    ReleaseContextResources();
}

bool CGLEnabledView::IsRenderingGuardSet() {
    return g_renderingGuard.load();
}

int64_t CGLEnabledView::GetLiveListCount() {
    return g_liveLists.load();
}

void CGLEnabledView::ResetRenderingGuardForTest() {
    g_renderingGuard.store(false);
}

void CGLEnabledView::InitScene() {
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.0F, 0.0F, 0.0F, 1.0F);
    glClearDepth(1.0);
}

void CGLEnabledView::ResizeScene(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, m_dAspect, 0.1, 10.0);
    glTranslatef(0.0F, 0.0F, -4.0F);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void CGLEnabledView::DrawScene() {}

void CGLEnabledView::GetVideoMode(int& colours, int& depth, int& doubleBuffer) const {
    colours = 2;
    depth = 0;
    doubleBuffer = 1;
}

void CGLEnabledView::InitializeContext() {
    m_bFrameRendered = 0;
    QOpenGLContext* current = m_pSurface != nullptr ? m_pSurface->context() : nullptr;
    if (current == nullptr || !current->isValid()) {
        ReportContextFailureOnce();
        return;
    }
    if (m_hRC != current) {
        m_hRC = current;
        // Qt makes a new context when the widget moves to another window: the lists go with the old
        // one, and the scene is set up again on the new one.
        connect(current, &QOpenGLContext::aboutToBeDestroyed, this, [this] { ReleaseContextResources(); });
    }
    InitScene();
}

void CGLEnabledView::resizeEvent(QResizeEvent* event) {
    const QSize size = event->size();
    if (size.width() != m_nWidth || size.height() != m_nHeight) {
        m_nWidth = size.width();
        m_nHeight = size.height();
        m_bSizeChanged = 1;
    }
    QWidget::resizeEvent(event);
    if (m_pSurface != nullptr) {
        m_pSurface->setGeometry(rect());
    }
}

void CGLEnabledView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // What the scene shows may have changed while it was hidden.
    m_bFrameRendered = 0;
    // The surface makes its context with its first non-empty size once shown; none by the time the
    // show has been handled means no OpenGL for this view.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible() && !size().isEmpty() && (m_pSurface == nullptr || !m_pSurface->isValid())) {
                ReportContextFailureOnce();
            }
        },
        Qt::QueuedConnection);
}

void CGLEnabledView::ResizeContext(int width, int height) {
    // A new size is a new framebuffer: the next paint draws.
    m_bFrameRendered = 0;
    if (width <= 0 || height <= 0) {
        return;
    }
    CriticalSectionGuard lock(m_cs);
    m_nViewportWidth = width;
    m_nViewportHeight = height;
    m_dAspect = static_cast<double>(width) / static_cast<double>(height);
    ResizeScene(width, height);
}

void CGLEnabledView::PaintFrame() {
    CriticalSectionGuard lock(m_cs);
    bool idle = false;
    if (!g_renderingGuard.compare_exchange_strong(idle, true)) {
        // Another view renders, or an earlier error stopped every view.
        return;
    }
    // Errors left by the compositor are not the scene's.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawScene();
    const GLenum error = glGetError();
    m_nLastError = static_cast<int>(error);
    if (error != GL_NO_ERROR) {
        ShowGLError(error);
        return; // the guard stays set
    }
    g_renderingGuard.store(false);
}

void CGLEnabledView::ShowGLError(unsigned int error) {
    const auto* name = reinterpret_cast<const char*>(gluErrorString(error));
    char text[256];
    std::snprintf(text, sizeof text, "GLEnabledView:\n\tAn OpenGL error occurred: %s\n",
                  name != nullptr ? name : "unknown error");
    // Shown after the frame, not from inside the paint event.
    std::string message(text);
    QMetaObject::invokeMethod(
        this, [message] { ShowPrompt(message, "", PromptButtons::Ok, PromptIcon::Warning); },
        Qt::QueuedConnection);
}

void CGLEnabledView::ReportContextFailureOnce() {
    if (m_contextFailureShown) {
        return;
    }
    m_contextFailureShown = true;
    const char* text = m_pSurface == nullptr || m_pSurface->context() == nullptr
                           ? "ChoosePixelFormat failed"
                           : "SetPixelFormat failed (no OpenGL compatible video mode)";
    std::string message(text);
    QMetaObject::invokeMethod(
        this, [message] { ShowPrompt(message, "", PromptButtons::Ok, PromptIcon::None); },
        Qt::QueuedConnection);
}

void CGLEnabledView::RenderFrame() {
    if (m_pSurface == nullptr) {
        return;
    }
    if (!m_pSurface->isValid() || !isVisible()) {
        // Qt makes the context and draws when it shows the surface.
        m_pSurface->update();
        return;
    }
    // Drawn now, whatever Qt's repaint would put off while the screen still shows the last frame;
    // Qt then puts the frame on the screen without drawing it again.
    m_pSurface->makeCurrent();
    PaintFrame();
    m_pSurface->doneCurrent();
    m_bFrameRendered = 1;
    m_pSurface->update();
}

void CGLEnabledView::FinishRendering() {
    if (m_pSurface == nullptr || !m_pSurface->isValid()) {
        return;
    }
    const CurrentContextScope current([this] { makeCurrent(); }, [this] { doneCurrent(); }, m_hRC);
    glFinish();
}

QImage CGLEnabledView::GrabFrame() {
    if (m_pSurface == nullptr || !m_pSurface->isValid()) {
        return {};
    }
    // A frame of the scene as it is now.
    m_bFrameRendered = 0;
    return m_pSurface->grabFramebuffer();
}

void CGLEnabledView::CopyToDC(QPainter& target, int /*left*/, int top, int width, int height) {
    m_bKeepCurrent = 1;
    const WaitCursorGuard wait;
    // Renders a frame into the widget's framebuffer and reads it back.
    const QImage frame = GrabFrame();
    if (!frame.isNull()) {
        target.drawImage(QRect(2, top, width, height), frame);
    }
    m_bKeepCurrent = 0;
}

bool CGLEnabledView::BuildBitmapFont(const std::string& face, int height, bool bold, bool italic) {
    if (m_hRC == nullptr) {
        return false;
    }
    const CurrentContextScope current([this] { makeCurrent(); }, [this] { doneCurrent(); }, m_hRC);
    DeleteFontLists();

    QFont font(QString::fromStdString(face));
    font.setPixelSize(height > 0 ? height : 1);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    const QFontMetrics metrics(font);

    const GLuint base = glGenLists(m_nFontListCount);
    if (base == 0) {
        m_nFontListBase = 0;
        return false;
    }
    g_liveLists += m_nFontListCount;

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int glyphHeight = metrics.height();
    for (int c = 0; c <= 126; ++c) {
        const int advance = c < 32 ? 0 : metrics.horizontalAdvance(QChar(c));
        std::vector<GLubyte> bits;
        if (advance > 0) {
            QImage glyph(advance, glyphHeight, QImage::Format_ARGB32);
            glyph.fill(Qt::transparent);
            QPainter painter(&glyph);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(0, metrics.ascent(), QString(QChar(c)));
            painter.end();
            bits = GlyphBits(glyph);
        }
        glNewList(base + static_cast<GLuint>(c), GL_COMPILE);
        // A character without a glyph (the control characters) gets an empty list: Mesa refuses an
        // empty bitmap in a list as out of memory.
        if (!bits.empty()) {
            glBitmap(advance, glyphHeight, 0.0F, static_cast<GLfloat>(metrics.descent()),
                     static_cast<GLfloat>(advance), 0.0F, bits.data());
        }
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    if (glGetError() != GL_NO_ERROR) {
        glDeleteLists(base, m_nFontListCount);
        g_liveLists -= m_nFontListCount;
        m_nFontListBase = 0;
        return false;
    }
    m_nFontListBase = base;
    return true;
}

void CGLEnabledView::DeleteFontLists() {
    if (m_nFontListBase != 0) {
        glDeleteLists(m_nFontListBase, m_nFontListCount);
        g_liveLists -= m_nFontListCount;
        m_nFontListBase = 0;
    }
}

uint32_t CGLEnabledView::BeginDisplayList() {
    if (m_hRC == nullptr || m_bRecordingList != 0) {
        return 0;
    }
    uint32_t* slot = nullptr;
    for (uint32_t& list : m_displayLists) {
        if (list == 0) {
            slot = &list;
            break;
        }
    }
    if (slot == nullptr) {
        return 0; // all twenty slots taken: nothing is recorded
    }
    if (QOpenGLContext::currentContext() != m_hRC) {
        makeCurrent();
        m_bMadeCurrent = 1;
    }
    const GLuint list = glGenLists(1);
    if (list == 0) {
        if (m_bMadeCurrent != 0) {
            doneCurrent();
            m_bMadeCurrent = 0;
        }
        return 0;
    }
    ++g_liveLists;
    *slot = list;
    glNewList(list, GL_COMPILE);
    m_bRecordingList = 1;
    return list;
}

void CGLEnabledView::EndDisplayList() {
    if (m_bRecordingList == 0) {
        return;
    }
    glEndList();
    m_bRecordingList = 0;
    if (m_bMadeCurrent != 0) {
        doneCurrent();
        m_bMadeCurrent = 0;
    }
}

void CGLEnabledView::ReleaseContextResources() {
    if (m_hRC == nullptr) {
        return;
    }
    CriticalSectionGuard lock(m_cs);
    makeCurrent();
    ReleaseSceneResources();
    if (m_bRecordingList != 0) {
        glEndList();
        m_bRecordingList = 0;
        m_bMadeCurrent = 0;
    }
    for (uint32_t& list : m_displayLists) {
        if (list != 0) {
            glDeleteLists(list, 1);
            --g_liveLists;
            list = 0;
        }
    }
    DeleteFontLists();
    doneCurrent();
    disconnect(m_hRC, nullptr, this, nullptr);
    m_hRC = nullptr;
}

} // namespace orv
