#include "platform/ui/ScriptedPrompt.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CGLEnabledView.h"

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

// Qt's offscreen platform gives no usable OpenGL context: the view must still be made, shown,
// resized and destroyed without a fault, stay blank and say so at most once.
TEST(GLEnabledViewOffscreenTest, WithoutOpenGLTheViewLivesQuietlyAndReportsAtMostOnce) {
    testing::EnsureTestApplication();
    auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    {
        QWidget window;
        window.resize(300, 200);
        window.show();
        testing::FlushEvents();
        CGLEnabledView view(&window);
        view.resize(200, 150);
        view.show();
        testing::FlushEvents();
        view.resize(0, 0);
        view.resize(300, 100);
        view.RenderFrame();
        view.hide();
        view.show();
        testing::FlushEvents();
        EXPECT_EQ(view.GetStoredWidth(), 300);
        if (!view.HasContext()) {
            EXPECT_EQ(view.BeginDisplayList(), 0u);
            EXPECT_FALSE(view.BuildBitmapFont("Arial", 14, false, false));
        }
    }
    testing::FlushEvents();
    EXPECT_LE(prompt->Requests().size(), 1u);
    for (const std::string& text : prompt->Texts()) {
        EXPECT_TRUE(text == "ChoosePixelFormat failed" ||
                    text == "SetPixelFormat failed (no OpenGL compatible video mode)")
            << text;
    }
}

} // namespace
} // namespace orv
