// The OpenGL view base on a real X server (Xvfb) with Mesa's software renderer: a derived view's
// scene copied into a picture, the resize rule, an OpenGL error stopping every GL view after one box,
// display and font lists released whenever Qt replaces the context, and text drawn by the font lists.

#include "platform/ui/ScriptedPrompt.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CGLEnabledView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orv {
namespace {

using testing::FlushEvents;
using testing::PixelAt;

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);

// A scene of two flat halves, red left and blue right, over the whole viewport; it can raise an
// OpenGL error, record display lists and draw a text with the bitmap font.
class TestGLView : public CGLEnabledView {
public:
    using CGLEnabledView::CGLEnabledView;

    int initCalls = 0;
    int resizeCalls = 0;
    int drawCalls = 0;
    bool raiseError = false;
    int listsToRecord = 0;
    bool withFont = false;
    std::string text;

    void InitScene() override {
        CGLEnabledView::InitScene();
        ++initCalls;
        glClearColor(1.0F, 1.0F, 1.0F, 1.0F);
        for (int i = 0; i < listsToRecord; ++i) {
            if (BeginDisplayList() != 0) {
                glBegin(GL_POINTS);
                glVertex2f(0.0F, 0.0F);
                glEnd();
                EndDisplayList();
            }
        }
        if (withFont) {
            BuildBitmapFont("Arial", 24, true, false);
        }
    }
    void ResizeScene(int width, int height) override {
        ++resizeCalls;
        CGLEnabledView::ResizeScene(width, height);
    }
    void DrawScene() override {
        ++drawCalls;
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        if (text.empty()) {
            glBegin(GL_QUADS);
            glColor3f(1.0F, 0.0F, 0.0F);
            glVertex2f(-1.0F, -1.0F);
            glVertex2f(0.0F, -1.0F);
            glVertex2f(0.0F, 1.0F);
            glVertex2f(-1.0F, 1.0F);
            glColor3f(0.0F, 0.0F, 1.0F);
            glVertex2f(0.0F, -1.0F);
            glVertex2f(1.0F, -1.0F);
            glVertex2f(1.0F, 1.0F);
            glVertex2f(0.0F, 1.0F);
            glEnd();
        } else {
            // The raster position at the middle of the left edge's first fifth.
            glColor3f(0.0F, 0.0F, 0.0F);
            glRasterPos2f(-0.6F, -0.2F);
            glListBase(GetFontListBase());
            glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
        }
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        if (raiseError) {
            glEnable(0xFFFF); // GL_INVALID_ENUM
        }
    }
};

class GLEnabledViewXvfb : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CGLEnabledView::ResetRenderingGuardForTest();
    }
    void TearDown() override { CGLEnabledView::ResetRenderingGuardForTest(); }

    static std::unique_ptr<TestGLView> ShownView(int width, int height) {
        auto view = std::make_unique<TestGLView>();
        view->resize(width, height);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        FlushEvents();
        return view;
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
};

TEST_F(GLEnabledViewXvfb, CopyToDCDrawsTheSceneScaledFromTheLeftEdgeTwo) {
    auto view = ShownView(320, 160);
    ASSERT_TRUE(view->HasContext());
    EXPECT_EQ(view->initCalls, 1);

    QImage target(200, 100, QImage::Format_RGB32);
    target.fill(kWhite);
    {
        QPainter painter(&target);
        view->CopyToDC(painter, 50, 0, 200, 100);
    }
    struct Point {
        int x;
        QColor colour;
    };
    // The 200-pixel copy starts at x = 2 (the left argument is not used): red up to about 101.
    for (const Point& p : {Point{0, kWhite}, Point{1, kWhite}, Point{3, kRed}, Point{60, kRed},
                           Point{98, kRed}, Point{106, kBlue}, Point{150, kBlue}, Point{199, kBlue}}) {
        for (int y : {2, 50, 97}) {
            EXPECT_EQ(PixelAt(target, p.x, y), p.colour) << p.x << "," << y;
        }
    }
    EXPECT_EQ(view->GetLastError(), 0);
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(GLEnabledViewXvfb, AZeroHeightResizeIsStoredButSetsNoScene) {
    auto view = ShownView(200, 100);
    EXPECT_EQ(view->GetViewportWidth(), 200);
    EXPECT_DOUBLE_EQ(view->GetAspect(), 2.0);
    const int resizes = view->resizeCalls;
    ASSERT_GE(resizes, 1);
    view->ClearSizeChanged();

    view->resize(200, 0);
    FlushEvents();
    EXPECT_EQ(view->GetStoredHeight(), 0);
    EXPECT_TRUE(view->IsSizeChanged());
    EXPECT_EQ(view->resizeCalls, resizes);
    EXPECT_EQ(view->GetViewportHeight(), 100) << "the viewport keeps the last positive size";

    view->resize(300, 100);
    FlushEvents();
    EXPECT_EQ(view->resizeCalls, resizes + 1);
    EXPECT_DOUBLE_EQ(view->GetAspect(), 3.0);
}

TEST_F(GLEnabledViewXvfb, AnOpenGLErrorShowsOneBoxAndNoGLViewDrawsAgain) {
    auto failing = ShownView(120, 80);
    auto other = ShownView(120, 80);
    failing->raiseError = true;
    const int otherDraws = other->drawCalls;

    failing->RenderFrame();
    EXPECT_EQ(failing->GetLastError(), GL_INVALID_ENUM);
    EXPECT_TRUE(prompt->Requests().empty()) << "never shown from inside the paint event";
    FlushEvents();
    ASSERT_EQ(prompt->Texts(),
              std::vector<std::string>{"GLEnabledView:\n\tAn OpenGL error occurred: invalid enumerant\n"});
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(CGLEnabledView::IsRenderingGuardSet());

    const int failingDraws = failing->drawCalls;
    other->RenderFrame();
    failing->RenderFrame();
    other->resize(140, 90);
    FlushEvents();
    EXPECT_EQ(other->drawCalls, otherDraws);
    EXPECT_EQ(failing->drawCalls, failingDraws);
    EXPECT_EQ(prompt->Requests().size(), 1u);
}

TEST_F(GLEnabledViewXvfb, ANewContextGetsTheSceneAgainAndNoListIsLeftBehind) {
    QWidget first;
    QWidget second;
    first.resize(200, 150);
    second.resize(200, 150);
    first.show();
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));

    const int64_t before = CGLEnabledView::GetLiveListCount();
    auto* view = new TestGLView(&first);
    view->listsToRecord = 2;
    view->withFont = true;
    view->setGeometry(0, 0, 120, 100);
    view->show();
    FlushEvents();
    view->RenderFrame();
    ASSERT_TRUE(view->HasContext());
    ASSERT_NE(view->GetFontListBase(), 0u);
    for (int i = 0; i < 25; ++i) {
        view->setParent(i % 2 == 0 ? &second : &first);
        view->show();
        FlushEvents();
        view->RenderFrame();
    }
    EXPECT_GT(view->initCalls, 1) << "Qt gave the view a new context";
    EXPECT_NE(view->GetFontListBase(), 0u) << "the font is made again on the new context";
    EXPECT_EQ(CGLEnabledView::GetLiveListCount() - before, 2 + CGLEnabledView::kFontListCount)
        << "only the live context's lists remain";
    delete view;
    EXPECT_EQ(CGLEnabledView::GetLiveListCount(), before);
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(GLEnabledViewXvfb, ATwentyFirstRecordingRecordsNothingAndDestructionReleasesAll) {
    const int64_t before = CGLEnabledView::GetLiveListCount();
    auto view = std::make_unique<TestGLView>();
    view->listsToRecord = CGLEnabledView::kDisplayListSlots;
    view->resize(100, 100);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    FlushEvents();
    const auto lists = view->GetDisplayLists();
    for (uint32_t list : lists) {
        EXPECT_NE(list, 0u);
    }
    EXPECT_EQ(view->BeginDisplayList(), 0u);
    view->EndDisplayList();
    EXPECT_EQ(view->GetDisplayLists(), lists);
    EXPECT_EQ(CGLEnabledView::GetLiveListCount() - before, CGLEnabledView::kDisplayListSlots);
    view->RenderFrame();
    EXPECT_EQ(view->GetLastError(), 0);
    view.reset();
    EXPECT_EQ(CGLEnabledView::GetLiveListCount(), before);
}

TEST_F(GLEnabledViewXvfb, TheFontListsDrawTextRightOfTheRasterPosition) {
    auto view = std::make_unique<TestGLView>();
    view->withFont = true;
    view->text = "HIH";
    view->resize(200, 100);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    FlushEvents();
    ASSERT_NE(view->GetFontListBase(), 0u);
    const QImage frame = view->GrabFrame();
    ASSERT_FALSE(frame.isNull());
    // Raster position x = -0.6 of [-1, 1] over 200 pixels: column 40.
    const int rasterX = 40;
    int darkRight = 0;
    int darkLeft = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (qGray(frame.pixel(x, y)) < 100) {
                (x >= rasterX - 1 ? darkRight : darkLeft)++;
            }
        }
    }
    EXPECT_GT(darkRight, 40) << "the three letters are drawn";
    EXPECT_EQ(darkLeft, 0);
    EXPECT_EQ(view->GetLastError(), 0);
}

} // namespace
} // namespace orv
