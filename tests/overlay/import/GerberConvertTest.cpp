#include "overlay/import/GerberConvert.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/overlay/import/support/DrawingDescription.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>

namespace orv {
namespace {

using test::ConvertGerberText;
using test::Describe;

constexpr const char* kInches = "%FSLAX24Y24*%%MOIN*%";

class GerberConvertTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(GerberConvertTest, StatementsAndUnits) {
    struct Case {
        std::string text;
        const char* drawing;
    };
    const std::string in = kInches;
    const Case cases[] = {
        {in + "X10000Y20000D02*", "M 254,508"},
        {"%FSTAX24Y24*%%MOIN*%X1Y0D02*", "M 2540,0"}, // X1 is 100000
        {"%MOMM*%%FSLAX33Y33*%X1000Y0D01*", "L 10,0"},
        {in + "%ADD11C,0.5*%D11*X0Y0D03*", "M 0,0; C 0,0 1 127 0,0"},
        {in + "%ADD10C,0.5*%D10*X0Y0D03*", "M 0,0; C 0,0 1 127 0,0"}, // D10 flashes like any aperture
        {in + "X0Y0D03*", "M 0,0"},                                   // no aperture selected
        {in + "%ADD12R,0.1X0.2*%D12*X0Y0D03*", "M 0,0; R 0,0 1 2 25x50 0,0 0"},
        {in + "%SRX3Y2I0.1J0.2*%", "SR 3,2 25,50"},
        {in + "X0Y0D02*M02*X10000Y10000D01*", "M 0,0"},
        {in + "X0Y0D02*M00*X10000Y10000D01*", "M 0,0"},
        {in + "X0Y0D02M02*X10000Y10000D01*", "M 0,0"},
        {in + "G1X10000Y10000D01*", "L 254,254"},           // a one-digit G keeps its coordinates
        {"%FSLAX24Y24*%G70*G70*X10000Y0D02*", "M 254,0"},   // the unit factor enters once
        {"%FSLAX24Y24*%%MOMM*%G70*X10000Y0D02*", "M 10,0"}, // the first unit statement holds
        {"%FSLAX24Y24*%%ADD11C,0.5*%D11*X10000Y0D03*", "M 254,0; C 254,0 1 127 0,0"}, // no units: inches
        {in + "G91*X10000Y0D02*X10000D01*Y-10000D01*", "M 254,0; L 508,0; L 508,-254"},
        {in + "X10000Y0D02*G91*G54*X5000Y0D01*", "M 254,0; L 127,0"}, // after G54 absolute once
        {in + "G04 X99999Y99999D01*X0Y0D02*", "M 0,0"},
        {in + "%SFA2B0.5*%X10000Y10000D02*", "M 508,127"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(ConvertGerberText(c.text)), c.drawing) << c.text;
    }
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(GerberConvertTest, TrailingZeroModeBelongsToOneImport) {
    EXPECT_EQ(Describe(ConvertGerberText("%FSTAX24Y24*%%MOIN*%X10000Y0D02*")), "M 2540,0");
    EXPECT_EQ(Describe(ConvertGerberText("%FSLAX24Y24*%%MOIN*%X10000Y0D02*")), "M 254,0");
    EXPECT_EQ(Describe(ConvertGerberText("%FSAX24Y24*%%MOIN*%X10000Y0D02*")), "M 254,0");
}

TEST_F(GerberConvertTest, InvalidParameterCodeIsShownAndGivesNothing) {
    EXPECT_EQ(Describe(ConvertGerberText(std::string(kInches) + "X0Y0D02*%XY*%X10000Y0D01*")), "");
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_EQ(m_prompt->Requests()[0].caption, "Invalid Command in Coverting Gerber Format File 1");
    EXPECT_EQ(m_prompt->Requests()[0].text, "%XY\n");
}

TEST_F(GerberConvertTest, HostileFilesGiveNothingOrTheirBox) {
    test::PlatTestFolder folder;
    const std::string fifo = folder.File("pipe.gbr");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder.File("folder.gbr"));
    const std::string self = folder.File("self.gbr");
    test::PlatTestFolder::WriteText(self, std::string(kInches) + "%IFself.gbr*%X0Y0D02*");

    std::string manyFlashes = std::string(kInches) + "%AMBIG*";
    for (int i = 0; i < 40; ++i) {
        manyFlashes += "1,1,0.01,0,0*";
    }
    manyFlashes += "%%ADD10BIG*%D10*";
    for (int i = 0; i < 1000000; ++i) {
        manyFlashes += "X0D03*";
    }
    const std::string tenMegabytes(size_t{10} * 1000 * 1000, 'L');
    std::string noise(100000, '\0');
    std::mt19937 random(86);
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }

    struct Case {
        const char* name;
        std::string text;
        const char* box; // caption of the box shown, or none
    };
    const Case cases[] = {
        {"9-digit coordinate beyond 16 bits", std::string(kInches) + "X999999999Y0D02*", nullptr},
        {"10-digit coordinate", std::string(kInches) + "X1234567890Y0D02*", nullptr},
        {"coordinate that pads beyond 64 bits", "%FSTAX99Y99*%X999999999D02*", nullptr},
        {"10^6 flashes of a macro aperture", manyFlashes, nullptr},
        {"2,048-character macro body", std::string(kInches) + "%AMLONG*" + std::string(2048, '1') + "*%",
         nullptr},
        {"include of a folder", std::string(kInches) + "%IF" + folder.File("folder.gbr") + "*%",
         "Error in Opening File"},
        {"include of a FIFO", std::string(kInches) + "%IF" + fifo + "*%", "Error in Opening File"},
        {"include of itself", std::string(kInches) + "%IF" + self + "*%X0Y0D02*", nullptr},
        {"zero bytes", "", nullptr},
        {"parameter statement without '*' to the end of 10 MB", "%FS" + tenMegabytes, nullptr},
        {"comment without '*' to the end of 10 MB", "G04 " + tenMegabytes, nullptr},
        {"long aperture name", std::string(kInches) + "%ADD10" + std::string(51, 'N') + "*%", nullptr},
        {"long step", std::string(kInches) + "%SRX2I" + std::string(20, '1') + "*%", nullptr},
        {"step beyond 16 bits", std::string(kInches) + "%SRX2I200*%", nullptr},
    };
    for (const Case& c : cases) {
        const size_t before = m_prompt->Requests().size();
        EXPECT_EQ(Describe(ConvertGerberText(c.text)), "") << c.name;
        const auto requests = m_prompt->Requests();
        ASSERT_EQ(requests.size(), before + (c.box != nullptr ? 1U : 0U)) << c.name;
        if (c.box != nullptr) {
            EXPECT_EQ(requests.back().caption, c.box) << c.name;
            EXPECT_EQ(requests.back().text.rfind("Can't open the file: ", 0), 0U) << c.name;
        }
    }
    // Noise draws whatever it happens to spell, within the same bounds; it must only end cleanly.
    (void)ConvertGerberText(noise);
}

} // namespace
} // namespace orv
