#include "overlay/import/DetectDrawingFileType.h"

#include <gtest/gtest.h>

#include <string>

namespace orv {
namespace {

int32_t Detect(const std::string& text, uint32_t maxPerRead = 0xFFFFFFFFU) {
    ImportMemorySource source(text.data(), text.size(), maxPerRead);
    return DetectDrawingFileType(source);
}

TEST(DetectDrawingFileTypeTest, TestsOfTheFirstBlocks) {
    struct Case {
        std::string text;
        int32_t type;
    };
    const std::string filler(1000, 'a');
    const Case cases[] = {
        {"IN;SP1;PU0,0;", kDrawingFileHpgl},
        {"PD;", kDrawingFileHpgl},
        {"xSP2;", kDrawingFileHpgl},
        {"SP3;PA100,100;", kDrawingFileUnknown},
        {"%FSLAX24Y24*%", kDrawingFileGerber},
        {"%XYZ*%%MOIN*%", kDrawingFileGerber},
        {"%XYZ*%", kDrawingFileUnknown},
        {"%FSLAX24Y24%", kDrawingFileUnknown},
        {"PA100,100;", kDrawingFileUnknown},
        {"", kDrawingFileUnknown},
        {"%FSLAX24Y24*%\nIN;\n", kDrawingFileHpgl}, // the HPGL tests run first
        // A marker first in the fourth block, and one in the fifth that is never looked at.
        {filler + filler + filler + "%MOMM*%", kDrawingFileGerber},
        {filler + filler + filler + filler + "%MOMM*%", kDrawingFileUnknown},
        // A statement cut by a block boundary is not seen whole.
        {std::string(998, 'a') + "%MOIN*%", kDrawingFileUnknown},
        {std::string(999, 'a') + "IN;", kDrawingFileUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Detect(c.text), c.type) << c.text.substr(0, 40) << " (" << c.text.size() << " bytes)";
    }
}

TEST(DetectDrawingFileTypeTest, OnlyTheBytesEachReadGaveCount) {
    // A long file first, then a short one: nothing of the first is seen again.
    EXPECT_EQ(Detect(std::string(900, 'a') + "%FSLAX24Y24*%"), kDrawingFileGerber);
    EXPECT_EQ(Detect("%MO"), kDrawingFileUnknown);
    // Reads that give fewer bytes than asked: each is a block of its own, and a read of nothing ends.
    EXPECT_EQ(Detect("%MOIN*%", 3), kDrawingFileUnknown);
    EXPECT_EQ(Detect("ab%MOIN*%", 9), kDrawingFileGerber);
}

} // namespace
} // namespace orv
