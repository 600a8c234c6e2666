#include "platform/ini/IniFile.h"

#include "tests/platform/support/PlatTestFolder.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::PlatTestFolder;

const char kIni[] = "; Orvilant settings\r\n"
                    "[Orvilant server Info]\r\n"
                    "  Orvilant server IP  =  192.168.0.5  \r\n"
                    "Orvilant server port=5005\r\n"
                    "Orvilant server port=9999\r\n"
                    "[ORVILANT INFO]\r\n"
                    "Spectrum Analyzer Detecting=:SENS:FREQ;*OPC?\r\n"
                    "Quoted=\"  spaced  \"\r\n"
                    "Empty=\r\n"
                    ";Commented=1\r\n"
                    "no equals sign\r\n"
                    "[Orvilant Info]\r\n"
                    "Scanner Detecting=second section is never read\r\n"
                    "Only In Second=found?\r\n";

TEST(IniFile, ReadsAsTheProfileFunctionsDo) {
    const IniFile ini(kIni);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Orvilant server Info", "Orvilant server IP", "192.168.0.5"},
        {"orvilant SERVER info", "ORVILANT SERVER PORT", "5005"}, // first match, any case
        {"Orvilant Info", "Spectrum Analyzer Detecting", ":SENS:FREQ;*OPC?"},
        {"Orvilant Info", "Quoted", "  spaced  "},
        {"Orvilant Info", "Empty", ""},
        {"Orvilant Info", "Commented", "default"},
        {"Orvilant Info", "Scanner Detecting", "default"}, // only the first matching section counts
        {"Orvilant Info", "Only In Second", "default"},
        {"No Such Section", "Orvilant server IP", "default"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.GetString(c.section, c.key, "default"), c.expected) << c.section << " / " << c.key;
    }
}

TEST(IniFile, WritingKeepsOtherLinesAndLineEnds) {
    PlatTestFolder folder;
    const std::string path = folder.File("Orvilant.ini");
    EXPECT_EQ(GetPrivateProfileString("Orvilant Info", "Scanner Detecting", "default", path), "default");
    PlatTestFolder::WriteText(path, kIni);
    ASSERT_TRUE(WritePrivateProfileString("orvilant server info", "orvilant server port", "6006", path));
    ASSERT_TRUE(WritePrivateProfileString("Orvilant Info", "Scanner Detecting", "USB", path));
    ASSERT_TRUE(WritePrivateProfileString("New Section", "Key", "v;1", path));
    EXPECT_EQ(GetPrivateProfileString("Orvilant server Info", "Orvilant server port", "default", path),
              "6006");
    EXPECT_EQ(GetPrivateProfileString("Orvilant Info", "Scanner Detecting", "default", path), "USB");
    EXPECT_EQ(GetPrivateProfileString("New Section", "Key", "default", path), "v;1");
    const std::string text = PlatTestFolder::ReadText(path);
    EXPECT_NE(text.find("Orvilant server port=9999\r\n"), std::string::npos);
    EXPECT_NE(
        text.find("Empty=\r\nScanner Detecting=USB\r\n;Commented=1\r\nno equals sign\r\n[Orvilant Info]"),
        std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("[New Section]\r\nKey=v;1\r\n")) << text;
}

TEST(IniFile, WritingANewFileUsesLineFeeds) {
    PlatTestFolder folder;
    const std::string path = folder.File("sub/new.ini");
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "V", path));
    EXPECT_EQ(PlatTestFolder::ReadText(path), "[S]\nK=V\n");
}

} // namespace
} // namespace orv
