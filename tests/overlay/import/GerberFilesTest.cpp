#include "overlay/import/DetectDrawingFileType.h"
#include "overlay/import/GerberConvert.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/overlay/import/support/DrawingDescription.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orv {
namespace {

// The small files beside this test, each worked out by hand.
TEST(GerberFilesTest, HandWrittenFilesDetectAsGerberAndImport) {
    struct Case {
        const char* file;
        const char* drawing;
    };
    const Case cases[] = {
        {"trailing_incremental.gbr", "M 100,100; L 200,100; L 200,-100"},
        {"apertures.gbr",
         "M 0,0; C 0,0 1 25 0,0; M 254,0; C 254,0 2 25 12,0; M 508,0; R 508,0 1 3 25x50 10,0 0; "
         "M 762,0; O 762,0 4 50x25 10,5; M 1016,0; PG 1016,0 1 1 2 76 6 0,0 0; "
         "M 1270,0; PG 1270,0 1 1 4 76 8 25,0 45"},
        // Counter-clockwise, clockwise, and one whose centre is its start (no arc, the move stays).
        {"arcs.gbr",
         "M 254,0; A -254,254 254,-254 0,254 254,0; M 0,254; A -254,254 254,-254 0,254 254,0; M 254,0; "
         "M 508,0"},
        {"macros.gbr",
         "M 0,0; E -5,15 25,-15; R 10,0 1 2 20x5 0,0 0; R 0,10 1 2 20x5 0,0 90; R 0,0 1 2 20x10 0,0 0; "
         "R 10,5 1 2 20x10 0,0 0; M 0,0; L 10,0; L 10,10; L 0,0; PG 0,0 1 0 3 11 6 0,0 0; "
         "MO 0,0 40 5 5 2 2 50 0; TH 0,10 40 30 5 90"},
        {"step_repeat.gbr", "SR 3,2 25,50; M 0,0; L 254,0; SR 1,1 0,0"},
        {"ignored_codes.gbr", "M 254,254; L 508,254"},
        // The macros come from the file beside it; what follows the include's last '%' is never read.
        {"include.gbr", "M 10,0; E 0,10 20,-10"},
    };
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    for (const Case& c : cases) {
        const std::string path = std::string(ORV_GERBER_TEST_DATA) + "/" + c.file;
        std::unique_ptr<ImportFileSource> detected = ImportFileSource::Open(path);
        ASSERT_NE(detected, nullptr) << path;
        EXPECT_EQ(DetectDrawingFileType(*detected), kDrawingFileGerber) << c.file;
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(path);
        EXPECT_EQ(test::Describe(GerberConvert(*source)), c.drawing) << c.file;
    }
    EXPECT_TRUE(prompt->Requests().empty());
}

} // namespace
} // namespace orv
