#include "views/spatial/C3DSpatialView.h"

#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "project/QNodeMediator.h"
#include "scandata/CScanData.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/SpatialOverlayFields.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <string>

namespace orv {
namespace {

constexpr int kWheelNotch = 120;
constexpr float kClearGrey = 0.97F;

uint32_t MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    flags |= (buttons & Qt::LeftButton) != 0 ? CSpatialView::kMouseLeft : 0U;
    flags |= (buttons & Qt::RightButton) != 0 ? CSpatialView::kMouseRight : 0U;
    flags |= (modifiers & Qt::ShiftModifier) != 0 ? CSpatialView::kMouseShift : 0U;
    flags |= (modifiers & Qt::ControlModifier) != 0 ? CSpatialView::kMouseControl : 0U;
    return flags;
}

// The leading number of a GL_VERSION text ("4.5 (Compatibility Profile) Mesa ..."), 0 when none.
double ParseVersion(const char* text) {
    if (text == nullptr) {
        return 0.0;
    }
    double version = 0.0;
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, version);
    return result.ec == std::errc() ? version : 0.0;
}

// A pushed model-view matrix, popped however the frame ends.
class ModelViewScope {
public:
    ModelViewScope() { glPushMatrix(); }
    ~ModelViewScope() { glPopMatrix(); }
    ModelViewScope(const ModelViewScope&) = delete;
    ModelViewScope& operator=(const ModelViewScope&) = delete;
};

} // namespace

class C3DSpatialView::ShownScan {
public:
    explicit ShownScan(CSpatialView& view) : m_view(view) {
        if (view.m_pScanData != nullptr) {
            m_scan = view.m_pScanData;
            return;
        }
        bool dropHint = false;
        m_scan = view.PickScanData(dropHint);
        m_picked = true;
    }
    ~ShownScan() {
        if (m_picked) {
            m_view.ForgetScanPointers();
        }
    }
    ShownScan(const ShownScan&) = delete;
    ShownScan& operator=(const ShownScan&) = delete;
    CScanData* Get() const { return m_scan; }

private:
    CSpatialView& m_view;
    CScanData* m_scan = nullptr;
    bool m_picked = false;
};

int64_t C3DSpatialView::Target::HandleMessage(Message& message) {
    m_view.m_received.push_back(message.id);
    if (message.id == kRedrawMessage) {
        m_view.OnRedrawMessage();
    } else if (message.id == kStartTimerMessage) {
        m_view.OnStartTimerMessage();
    }
    return 0;
}

C3DSpatialView::C3DSpatialView(MessageThread& thread, QWidget* parent)
    : CGLEnabledView(parent), m_target(thread, *this) {
    setObjectName(QString::number(kControlId));
    // The ball picks its constraint axis from the pointer's moves without a button too.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kStartTimerMilliseconds);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(kStartTimerId); });
    hide();
}

C3DSpatialView::~C3DSpatialView() {
    m_timer.stop();
    DeleteTexture();
}

void C3DSpatialView::DeleteTexture() {
    if (m_nTexture == 0 || !HasContext()) {
        m_nTexture = 0;
        return;
    }
    makeCurrent();
    glDeleteTextures(1, &m_nTexture);
    m_nTexture = 0;
    doneCurrent();
}

void C3DSpatialView::ReleaseSceneResources() {
    // The context goes with the texture in it: a new context makes the texture again.
    if (m_nTexture != 0) {
        glDeleteTextures(1, &m_nTexture);
        m_nTexture = 0;
    }
    m_bTextureDirty = 1;
}

// --- The scene ---

void C3DSpatialView::InitScene() {
    glEnable(GL_DEPTH_TEST);
    glClearColor(kClearGrey, kClearGrey, kClearGrey, 1.0F);
    glClearDepth(1.0);
    const GLfloat diffuse[] = {1.0F, 1.0F, 1.0F, 1.0F};
    const GLfloat ambient[] = {0.3F, 0.3F, 0.3F, 1.0F};
    const GLfloat position[] = {1.0F, 1.0F, 1.0F, 0.0F};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    const double version = ParseVersion(reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    if (version > 0.0) {
        m_glVersion = version;
    }
    BuildBitmapFont("Arial", 14, false, false);
}

void C3DSpatialView::ResizeScene(int width, int height) {
    m_ball.SetWindowSize(static_cast<float>(width), static_cast<float>(height));
    CGLEnabledView::ResizeScene(width, height);
}

void C3DSpatialView::DrawScene() {
    CSpatialView* view = m_pSpatialView;
    if (view == nullptr) {
        return;
    }
    try {
        const ShownScan scan(*view);
        if (scan.Get() == nullptr) {
            return;
        }
        ++m_nFrames;
        m_fDrawnPlaneOpacity = -1.0F;
        glMatrixMode(GL_MODELVIEW);
        {
            const ModelViewScope turned;
            const RotationMatrix rotation = m_ball.GetCurrentMatrix();
            glMultMatrixf(rotation.data());
            const ModelViewScope placed;
            ClearSizeChanged();
            DrawGridAndSurface(*view);
            DrawPicturePlane(*view);
        }
        glViewport(0, 0, GetViewportWidth(), GetViewportHeight());
    } catch (const std::exception& failure) {
        OutputDebugString(FormatC("C3DSpatialView: frame: %s\n", failure.what()));
    }
}

bool C3DSpatialView::BuildSurface() {
    CSpatialView* view = m_pSpatialView;
    if (view == nullptr) {
        return false;
    }
    const ShownScan scan(*view);
    return scan.Get() != nullptr && BuildSurface(*view);
}

bool C3DSpatialView::BuildSurface(CSpatialView& view) {
    const int32_t columns = view.m_nShownColumns;
    const int32_t rows = view.m_nShownRows;
    const float sceneCell = C3DSurface::CellSceneSize(columns, rows);
    if (!(sceneCell > 0.0F)) {
        m_pVertices.Build({}, {}, 0, 0, 1, 0.0F);
        return false;
    }
    const C3DCellRange zoom{view.m_nZoomFirstRow, view.m_nZoomLastRow, view.m_nZoomFirstColumn,
                            view.m_nZoomLastColumn};
    const C3DCellRange area = C3DSurface::SurfaceArea(zoom, std::min(view.m_nRowCount, kGridRows),
                                                      std::min(view.m_nColumnCount, kGridColumns));
    m_areaCells.clear();
    for (int32_t r = area.firstRow; r <= area.lastRow; ++r) {
        for (int32_t c = area.firstColumn; c <= area.lastColumn; ++c) {
            const CSpatialCell& cell = view.GetCell(r, c);
            m_areaCells.push_back({cell.m_HasData, cell.m_ColourIndex});
        }
    }
    const int32_t pixels = C3DSurface::PixelsPerCell(view.m_fCellSize, area.Rows(), area.Columns());
    // The interpolated map's pixels blend between cell centres; the surface follows them.
    const QSpatialDisplayOptions* options = view.NodeOptions();
    const bool interpolate = options != nullptr && options->Interpolates();
    m_pVertices.Build(area, m_areaCells, view.m_nZoomFirstRow, view.m_nZoomFirstColumn, pixels, sceneCell,
                      interpolate);
    return true;
}

void C3DSpatialView::DrawLabel(float x, float y, float z, const std::string& text) {
    const uint32_t base = GetFontListBase();
    if (base == 0 || text.empty()) {
        return;
    }
    glRasterPos3f(x, y, z);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
}

void C3DSpatialView::DrawGridAndSurface(CSpatialView& view) {
    const int32_t columns = view.m_nShownColumns;
    const int32_t rows = view.m_nShownRows;
    const float s = C3DSurface::CellSceneSize(columns, rows);
    if (!(s > 0.0F)) {
        return; // no grid, no surface
    }
    glTranslatef(-static_cast<float>(columns - 1) * s / 2.0F, -static_cast<float>(rows - 1) * s / 2.0F,
                 -0.5F);
    const float w = static_cast<float>(columns) * s;
    const float h = static_cast<float>(rows) * s;
    const float e = h / 4.0F;

    glColor3f(0.2F, 0.5F, 0.8F);
    glBegin(GL_LINES);
    for (int32_t i = 0; i <= columns; ++i) {
        glVertex3f(static_cast<float>(i) * s, 0.0F, 0.0F);
        glVertex3f(static_cast<float>(i) * s, h, 0.0F);
    }
    for (int32_t j = 0; j <= rows; ++j) {
        glVertex3f(0.0F, static_cast<float>(j) * s, 0.0F);
        glVertex3f(w, static_cast<float>(j) * s, 0.0F);
    }
    glEnd();

    glEnable(GL_LINE_SMOOTH);
    glColor3f(0.0F, 0.0F, 0.0F);
    glBegin(GL_LINES);
    glVertex3f(0.0F, h, 0.0F);
    glVertex3f(w + e, h, 0.0F);
    glVertex3f(0.0F, h, 0.0F);
    glVertex3f(0.0F, -e, 0.0F);
    glVertex3f(0.0F, h, 0.0F);
    glVertex3f(0.0F, h, 3.0F * e);
    glEnd();
    glDisable(GL_LINE_SMOOTH);
    m_planeCorners = {{{0.0F, 0.0F}, {w, 0.0F}, {w, h}, {0.0F, h}}};

    DrawLabel(w + e + e / 10.0F, h, 0.0F, "Col");
    DrawLabel(0.0F, -e - e / 10.0F, 0.0F, "Row");
    DrawLabel(0.0F, h, 3.0F * e, "Amp");
    const QSpatialDisplayOptions* preferences = view.PreferenceOptions();
    const bool scannerLabels = preferences != nullptr && preferences->UsesScannerLabels();
    const QScannerContext* context = scannerLabels ? &GetScannerContext() : nullptr;
    for (int32_t i = 0; i < columns; i += 5) {
        const int32_t column = view.m_nZoomFirstColumn + i;
        std::string text;
        if (context == nullptr) {
            text = FormatC("%3d", column);
        } else if (column >= 0 && column < context->GetColumnLabelCount()) {
            text = context->GetColumnLabel(column).m_text;
        }
        DrawLabel((static_cast<float>(i) + 0.25F) * s, h + e / 5.0F, 0.0F, text);
    }
    for (int32_t j = 0; j < rows; j += 5) {
        const int32_t row = view.m_nZoomFirstRow + j;
        std::string text;
        if (context == nullptr) {
            text = FormatC("%3d", row);
        } else if (row >= 0 && row < context->GetRowLabelCount()) {
            text = context->GetRowLabel(row).m_text;
        }
        DrawLabel(-e / 2.0F, (static_cast<float>(j) + 0.5F) * s, 0.0F, text);
    }

    if (!BuildSurface(view)) {
        return;
    }
    // The palette of every heat-map display is the Preferences node's; the node's own serves a view
    // without one.
    const QSpatialDisplayOptions* options = preferences != nullptr ? preferences : view.NodeOptions();
    const QColourPalette* palette =
        GetColourPaletteManager().Find(options != nullptr ? options->GetPaletteId() : -10);
    const int32_t highest = m_pVertices.HighestIndex();
    m_colours.resize(static_cast<size_t>(highest) + 1);
    for (int32_t i = 0; i <= highest; ++i) {
        auto& colour = m_colours[static_cast<size_t>(i)];
        if (palette != nullptr) {
            colour = {static_cast<float>(palette->GetRed(i)) / 255.0F,
                      static_cast<float>(palette->GetGreen(i)) / 255.0F,
                      static_cast<float>(palette->GetBlue(i)) / 255.0F};
        } else {
            colour = {1.0F, 1.0F, 1.0F};
        }
    }
    const std::array<float, 3>* colours = m_colours.data();
    const float drawn =
        m_pVertices.ForEachQuad([colours](const C3DSurfaceVertex& a, const C3DSurfaceVertex& b,
                                          const C3DSurfaceVertex& c, const C3DSurfaceVertex& d) {
            glBegin(GL_POLYGON);
            for (const C3DSurfaceVertex* v : {&a, &b, &c, &d}) {
                const std::array<float, 3>& colour = colours[v->index];
                glColor4f(colour[0], colour[1], colour[2], kSurfaceAlpha);
                glVertex3f(v->x, v->y, v->z);
            }
            glEnd();
        });
    if (drawn >= 0.0F) {
        m_fMaxHeight = drawn;
    }
}

void C3DSpatialView::DrawPicturePlane(CSpatialView& view) {
    const bool tracking = m_pMediator != nullptr && m_pMediator->HasProbeVideoTrack();
    const QSpatialDisplayOptions* options = view.NodeOptions();
    const bool shown =
        tracking || (options != nullptr && options->ShowsOverlay() && view.HasOverlayPicture());
    if (!shown) {
        return;
    }
    RefreshTexture(view, tracking);
    const float alpha = tracking ? kTrackingOpacity : static_cast<float>(m_nPlaneOpacity) / 100.0F;
    glColor4f(1.0F, 1.0F, 1.0F, alpha);
    if (m_nTexture == 0) {
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, m_nTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (m_nPlaneHeight == -1) {
        // On the surface's highest point (within the wheel's range, and on the floor before any
        // surface was drawn).
        m_nPlaneHeight = std::clamp(static_cast<int32_t>(std::trunc(m_fMaxHeight * 100.0F)), 0, 100);
    }
    const float z = static_cast<float>(m_nPlaneHeight) / 100.0F;
    const std::array<std::array<float, 2>, 4> texture = {
        {{0.0F, 0.0F}, {1.0F, 0.0F}, {1.0F, 1.0F}, {0.0F, 1.0F}}};
    glBegin(GL_QUADS);
    for (size_t i = 0; i < 4; ++i) {
        glTexCoord2f(texture[i][0], texture[i][1]);
        glVertex3f(m_planeCorners[i][0], m_planeCorners[i][1], z);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    m_fDrawnPlaneOpacity = alpha;
}

void C3DSpatialView::RefreshTexture(CSpatialView& view, bool tracking) {
    if (!tracking && m_bTextureDirty == 0) {
        return;
    }
    const CriticalSectionGuard lock(GetLock());
    if (m_nTexture != 0) {
        glDeleteTextures(1, &m_nTexture);
        m_nTexture = 0;
    }
    bool compose = tracking;
    if (!compose) {
        const QSpatialDisplayOptions* options = view.NodeOptions();
        if (options != nullptr && options->ShowsOverlay() && view.m_pScanData != nullptr) {
            const SpatialOverlayFields fields = SpatialOverlayFields::Read(
                *view.m_pScanData, m_pMediator != nullptr ? m_pMediator->GetOverlayOptions() : nullptr);
            compose = view.FindOverlayControl(fields.m_overlayId) != nullptr;
        }
    }
    if (compose) {
        // Only what this composition makes is uploaded, never a layer left from an earlier one.
        view.m_textureLayer = QImage();
        view.ComposeLayers(true);
        const QImage& layer = view.GetTextureLayer();
        if (!layer.isNull()) {
            GLint largest = 0;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
            QImage rgb = layer.convertToFormat(QImage::Format_RGB888);
            if (largest > 0 && (rgb.width() > largest || rgb.height() > largest)) {
                // A larger texture would be refused with an OpenGL error, which stops every GL view.
                rgb = rgb.scaled(std::min(rgb.width(), largest), std::min(rgb.height(), largest),
                                 Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            glGenTextures(1, &m_nTexture);
            if (m_nTexture == 0) {
                const auto* text = reinterpret_cast<const char*>(gluErrorString(glGetError()));
                AddInformationMessage(0, text != nullptr ? text : "unknown error");
            } else {
                glBindTexture(GL_TEXTURE_2D, m_nTexture);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                GLint alignment = 4;
                glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
                // QImage rows start on 4-byte boundaries.
                glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
                glTexImage2D(GL_TEXTURE_2D, 0, 3, rgb.width(), rgb.height(), 0, GL_RGB, GL_UNSIGNED_BYTE,
                             rgb.constBits());
                glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
                ++m_nTextureUploads;
                if (m_bVersionLogged == 0) {
                    AddInformationMessage(0, FormatC("OpenGL Version:  %f", m_glVersion));
                    m_bVersionLogged = 1;
                }
            }
        }
    }
    m_bTextureDirty = 0;
}

// --- Messages ---

void C3DSpatialView::OnRedrawMessage() {
    const CriticalSectionGuard lock(GetLock());
    RenderFrame();
}

void C3DSpatialView::OnStartTimerMessage() {
    m_nTimerId = kStartTimerId;
    m_timer.start();
}

void C3DSpatialView::OnTimer(int timerId) {
    if (timerId != kStartTimerId) {
        return;
    }
    m_bTextureDirty = 1;
    RenderFrame();
    m_timer.stop();
    m_nTimerId = 0;
}

bool C3DSpatialView::PreTranslateMessage(const QKeyEvent& event) {
    const bool down = event.type() == QEvent::KeyPress;
    if (event.key() == Qt::Key_Control) {
        m_bCtrlDown = down ? 1 : 0;
    } else if (event.key() == Qt::Key_Shift) {
        m_bShiftDown = down ? 1 : 0;
    }
    return false;
}

bool C3DSpatialView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (PreTranslateMessage(*static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return CGLEnabledView::event(event);
}

// --- Pointer ---

void C3DSpatialView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (m_pSpatialView != nullptr) {
            m_pSpatialView->SelectOwnNodeInProjectPane();
        }
        const Qt::KeyboardModifiers modifiers = event->modifiers();
        const int32_t mode = (modifiers & Qt::ControlModifier) != 0 ? CBallController::kCameraAxes
                             : (modifiers & Qt::ShiftModifier) != 0 ? CBallController::kObjectAxes
                                                                    : CBallController::kFree;
        const QPoint at = event->position().toPoint();
        m_ball.BeginDrag(at.x(), at.y(), mode);
        // Qt sends the moves and the release to the pressed widget until the button goes up.
        m_bCaptured = true;
    }
    // The owner behind the view takes no pointer event of the scene.
    event->accept();
}

void C3DSpatialView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_ball.MouseMove(at.x(), at.y());
    if (m_bCaptured) {
        RenderFrame();
    }
    // The owner behind the view takes no pointer event of the scene.
    event->accept();
}

void C3DSpatialView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_ball.EndDrag();
        m_bCaptured = false;
    } else if (event->button() == Qt::RightButton && m_pSpatialView != nullptr) {
        const QPoint at = event->position().toPoint();
        const uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
        try {
            m_pSpatialView->ShowContextMenu(flags, at.x(), at.y() + kMenuDrop);
        } catch (const std::exception& failure) {
            OutputDebugString(FormatC("C3DSpatialView: context menu: %s\n", failure.what()));
        }
        m_pSpatialView->ForgetScanPointers();
    }
    // The owner behind the view takes no pointer event of the scene.
    event->accept();
}

void C3DSpatialView::wheelEvent(QWheelEvent* event) {
    m_nWheelRest += event->angleDelta().y();
    const int32_t steps = m_nWheelRest / kWheelNotch;
    m_nWheelRest -= steps * kWheelNotch;
    if (steps != 0 && m_pSpatialView != nullptr) {
        const ShownScan scan(*m_pSpatialView);
        if (scan.Get() != nullptr) {
            const Qt::KeyboardModifiers modifiers = event->modifiers();
            StepWheel(steps, (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) != 0);
        }
    }
    event->accept();
}

void C3DSpatialView::StepWheel(int32_t steps, bool movesHeight) {
    int32_t& value = movesHeight ? m_nPlaneHeight : m_nPlaneOpacity;
    value = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(value) + steps, 0, 100));
    RenderFrame();
}

} // namespace orv
