#include "overlay/import/HPGLConvert.h"
#include "core/QException.h"
#include "overlay/import/DetectDrawingFileType.h"
#include "tests/overlay/import/support/DrawingDescription.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace orv {
namespace {

using test::Describe;

std::string Convert(const std::string& text, uint32_t maxPerRead = 0xFFFFFFFFU) {
    ImportMemorySource source(text.data(), text.size(), maxPerRead);
    return Describe(HPGLConvert(source));
}

// One encoded-polyline number in 8-bit mode (base 64, the sign in the lowest bit).
std::string Encoded(int value) {
    uint32_t number = static_cast<uint32_t>(value < 0 ? -2 * value + 1 : 2 * value);
    std::string text;
    while (number >= 64) {
        text.push_back(static_cast<char>(63 + number % 64));
        number /= 64;
    }
    text.push_back(static_cast<char>(191 + number));
    return text;
}

struct Case {
    std::string text;
    std::string drawing;
};

void ExpectDrawings(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.text), c.drawing) << c.text;
        // Cut into reads of three bytes: a statement across the reader's refills reads the same.
        EXPECT_EQ(Convert(c.text, 3), c.drawing) << "in pieces: " << c.text;
    }
}

TEST(HPGLConvertTest, PenAndPlotStatements) {
    std::string steps = "PD;PR";
    for (int i = 0; i < 400; ++i) {
        steps += "1,0,";
    }
    steps += "0,4;";
    ExpectDrawings({
        {"IN;SP1;PU0,0;PD400,0,400,400;", "M 0,0; L 100,0; L 100,100"},
        {"PU100,100;PR;PD40,40;", "M 25,25; L 35,35"},
        {"PU400,400;CI40;", "M 100,100; E 90,90 110,110"}, // the circle leaves the position alone
        {"IN;SP1;CI40;", ""},                              // no drawing statement
        {"ZZZPD4,4;", "L 1,1"},                            // stepped over one character at a time
        {"PA-1,5;PD;", "M 0,1"},                           // -1 is a number like any other
        {"PD4,4,8;", "L 1,1"},                             // a lone x is dropped
        {"PU0,0;PD40,40,80", "M 0,0; L 10,10"},            // cut inside its last statement
        {"PD40,40;PU80,80", "L 10,10"},                    // ... a trailing move goes
        {"PD40,40;PU80,80;", "L 10,10"},
        {"pd40,40;PD4,4;", "L 1,1"}, // mnemonics are upper case
        {"PA131068,0;PD;", "M 32767,0"},
        {"PA131072,0;PD;", ""}, // beyond a drawing's 16 bits
        {"PD;PA10,10;PA;SP1;IW0,0,1,1;LT;PW0.35;PD20,20;", "L 2,2; L 5,5"},
        {"DT$;LBPD40,40$PD4,4;", "L 1,1"},
        {"LBPD40,40\x03PD4,4;", "L 1,1"},
        {"COPD40,40;PD4,4;", "L 1,1"},
        {"SP1,2,3,4,5,6,7,8,9,10,11,12;PD4,4;", "L 1,1"}, // beyond ten numbers: read to the ';'
    });
    // 400 relative steps of one plotter unit add up to 100 output units.
    const std::string drawing = Convert(steps);
    EXPECT_EQ(drawing.substr(drawing.rfind(';') + 2), "L 100,1");
}

TEST(HPGLConvertTest, InputPointsAndScaling) {
    ExpectDrawings({
        {"IP0,0,1000,1000;SC0,1000,0,1000;PD400,400;", "L 100,100"},
        {"IP0,0,1000,1000;SC0,500,0,500;PD400,400;", "L 200,200"},
        // The window's origin lands on P1, whose plotter units are a quarter of an output unit.
        {"IP400,0,1400,1000;SC0,1000,0,1000;PD0,0;", "L 100,0"},
        {"IP-200,0,800,1000;SC0,1000,0,1000;PD1000,1000;", "L 250,250"},
        {"IP;SC0,1000,0,1000;PD1000,1000;", "L 2562,1949"}, // the default P1 and P2 ...
        {"SC0,1000,0,1000;SC;PD400,400;", "L 100,100"},     // ... and no scaling
        {"IP100;PD0,0;", ""},
        {"IP0,0,100;PD0,0;", ""},
        {"SC0,0,0,100;PD0,0;", ""},
        {"SC0,100,0;PD0,0;", ""},
    });
}

TEST(HPGLConvertTest, Arcs) {
    const std::string box = "A -100,-100 100,100 ";
    ExpectDrawings({
        {"PU400,0;AA0,0,90;PD;", "M 100,0; " + box + "0,100 100,0; M 0,100"},
        {"PU400,0;AA0,0,180;PD;", "M 100,0; " + box + "-100,0 100,0; M -100,0"},
        {"PU400,0;AA0,0,-90;PD;", "M 100,0; " + box + "100,0 0,-100; M 0,-100"},
        {"PU400,0;AR-400,0,90;PD;", "M 100,0; " + box + "0,100 100,0; M 0,100"},
        {"PU400,0;AR-400,0,-180;PD;", "M 100,0; " + box + "100,0 -100,0; M -100,0"},
        {"PU400,0;AA0,0,0;PD;", "M 100,0"},
        {"PU400,0;AA;PD;", ""},
        {"PU400,0;AA0,0;PD;", ""},
        {"PU400,0;CI;PD;", ""},
    });
}

TEST(HPGLConvertTest, EncodedPolylines) {
    const std::string a = Encoded(20);
    const std::string b = Encoded(-20);
    ExpectDrawings({
        {"PE" + a + a + ";", "L 5,5"},
        {"PE<" + a + a + a + b + ";", "M 5,5; L 10,0"},
        {"PE" + Encoded(40) + Encoded(-40) + Encoded(4000) + Encoded(0) + ";", "L 10,-10; L 1010,-10"},
        {"PU400,400;PE" + a + a + "=" + Encoded(40) + Encoded(-40) + a + a + ";",
         "M 100,100; L 105,105; L 10,-10; L 15,-5"},
        {"PE:1" + a + a + ";", "L 5,5"},
        {"PE" + a + a + ">" + a + a + ";PE" + a + a + ";", "L 5,5"},  // nothing after ">" is drawn
        {"PE" + a + a + "7" + a + a + ";PE" + a + a + ";", "L 5,5"},  // nor after "7"
        {"PE" + std::string(6, '?') + "\xBF" + a + a + ";", "L 5,5"}, // seven digits are dropped
        {"PE" + a + a + a, "L 5,5"},                                  // cut inside: the point is kept
    });
}

TEST(HPGLConvertTest, HostileInputsEndInNothingWithoutAFault) {
    std::mt19937 random(11);
    std::string noise(200000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string inputs[] = {
        "PE" + std::string(1000000, 'A'),
        "PD" + std::string(1000000, '1') + ",0;",
        std::string(1000000, ';'),
        "IP0,0,999999999,999999999;SC0,1,0,1;PD1,1;",
        "IP-999999999,-999999999,999999999,999999999;PD1,1;SC0,1,0,1;PD1,1;",
        "SC5,5,5,5;PD1,1;",
        "PU131068,131068;CI32767;",
        "PU0,0;AA999999999,999999999,1;",
        "PD;" + std::string(1000000, '\xFE'),
    };
    for (const std::string& input : inputs) {
        EXPECT_EQ(Convert(input), "") << input.substr(0, 40);
    }
    Convert(noise); // anything, but cleanly
    // A 10 MB label without its terminator ends the file; what came before it stays.
    EXPECT_EQ(Convert("PD0,0;LB" + std::string(10 << 20, 'x')), "L 0,0");
}

TEST(HPGLConvertTest, HandWrittenFilesDetectAndImport) {
    const struct {
        const char* file;
        const char* drawing;
    } files[] = {
        {"plotter.plt", "M 0,0; L 100,0; L 100,100; L 200,0; E 190,-10 210,10; M 200,100; "
                        "A 100,100 300,300 300,200 200,100; M 300,200; L 200,200"},
        {"scaled.plt", "M 0,0; L 1000,0; L 1000,1000; L 500,500; E 400,400 600,600; M 0,0; L 100,100"},
        {"encoded.plt", "M 100,100; L 105,105; M 100,100; L 110,110; L 10,-10; L 15,-5"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        const std::string path = std::string(ORV_HPGL_TEST_DATA) + "/" + f.file;
        std::unique_ptr<ImportFileSource> detect = ImportFileSource::Open(path);
        ASSERT_NE(detect, nullptr);
        EXPECT_EQ(DetectDrawingFileType(*detect), kDrawingFileHpgl);
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(path);
        EXPECT_EQ(Describe(HPGLConvert(*source)), f.drawing);
    }
    std::unique_ptr<ImportFileSource> parameters =
        ImportFileSource::Open(std::string(ORV_HPGL_TEST_DATA) + "/parameters_only.plt");
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(DetectDrawingFileType(*parameters), kDrawingFileUnknown);
}

} // namespace
} // namespace orv
