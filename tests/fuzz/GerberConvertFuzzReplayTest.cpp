#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(GerberConvertFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes("%FSLAX24Y24*%%MOIN*%%ADD10C,0.1X0.05*%%ADD11R,0.1X0.2*%%ADD12O,0.2X0.1*%%ADD13P,0.3X6X45*%\n"
              "D10*X0Y0D03*D11*X10000Y0D03*D12*X20000D03*D13*Y10000D03*\nG01X0Y0D02*X5000Y5000D01*\n"
              "G03X0Y10000I-5000J0D01*G02X5000Y5000I0J-5000D01*%SRX2Y2I0.5J0.5*%X1Y1D02*%SR*%M02*"),
        Bytes("%FSTIX23Y23*%%MOMM*%%AMM*$3=$1x2*1,1,$3,1,0*20,1,0.5,0,0,2,0,0*21,1,2,1,0,0,0*22,1,2,1,0,0,0*"
              "4,1,3,0,0,1,0,1,1,0,0,0*5,1,6,0,0,2,0*6,0,0,4,0.5,0.5,2,0.2,5,0*7,1,0,4,3,0.5,90*%"
              "%ADD20M,1.5*%D20*X1Y1D03*G91*X1D01*G54*X2Y2D01*%LPC*%%XY*%"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
