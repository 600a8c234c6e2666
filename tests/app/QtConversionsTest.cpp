#include "app/QtConversions.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(QtConversions, ColourValuesKeepRedInTheLowByte) {
    struct Case {
        uint32_t colorRef;
        int red, green, blue;
    };
    const Case cases[] = {
        {0xFF0000, 0, 0, 255},     {0x0000FF, 255, 0, 0},       {0x2580F5, 245, 128, 37},
        {0xE8E8E8, 232, 232, 232}, {0xFFFFFFFF, 255, 255, 255}, {0x00000000, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const QColor colour = ColorRefToQColor(c.colorRef);
        EXPECT_EQ(colour.red(), c.red) << std::hex << c.colorRef;
        EXPECT_EQ(colour.green(), c.green) << std::hex << c.colorRef;
        EXPECT_EQ(colour.blue(), c.blue) << std::hex << c.colorRef;
        EXPECT_EQ(colour.alpha(), 255);
        EXPECT_EQ(QColorToColorRef(colour), c.colorRef & 0xFFFFFFu);
    }
    EXPECT_EQ(MakeColorRef(245, 128, 37), 0x2580F5u);
}

TEST(QtConversions, EveryByteSurvivesTheWayThereAndBack) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const QString text = CodePageToQString(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(QStringToCodePage(text), all);
}

TEST(QtConversions, CodePageCharactersMapToTheirUnicodeOnes) {
    EXPECT_EQ(CodePageToQString("\x80 100 \xB5V, 20\xB0"), QString::fromUtf8("€ 100 µV, 20°"));
    EXPECT_EQ(CodePageToQString("\x93quoted\x94 \x85"), QString::fromUtf8("“quoted” …"));
    EXPECT_EQ(QStringToCodePage(QString::fromUtf8("dB\u00B5V \u20AC")), "dB\xB5V \x80");
    // Outside the code page: one '?' per character, also for one outside the 16-bit plane.
    EXPECT_EQ(QStringToCodePage(QString::fromUtf8("a\u4E2Db\U0001F600c")), "a?b?c");
}

} // namespace
} // namespace orv
