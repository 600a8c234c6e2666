#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// A 1 x 1 set-up command in the engine's layout: 3 x 1 + 98 bytes of body, stop frequency 200.
std::vector<uint8_t> EngineSetupFrame() {
    std::vector<uint8_t> frame{0x2A, 0, 0, 1, 0, 101, 0, 0, 0, 100, 0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 9, 0};
    frame.resize(9 + 101, 0);
    const size_t stopFrequency = 9 + 13 + 25;
    frame[stopFrequency + 2] = 0x48;
    frame[stopFrequency + 3] = 0x43;
    return frame;
}

} // namespace

TEST(PacketFactoryFuzz, ReplayedInputsEndCleanly) {
    std::vector<std::vector<uint8_t>> seeds{
        // kind 12 (spatial record): a 1 x 2 body at level 1
        {12, 0, 1, 1, 1, 1, 0, 2, 0, 0, 0, 0, 0, 5, 0, 9, 0, 8, 0},
        // go, stop and a driver reply as frames
        {0x2A, 0, 0,  2, 0, 1, 0, 0, 0, 1, 0x2A, 0, 0, 3, 0, 0, 0, 0, 0, 0x2A, 0, 0,
         4,    0, 16, 0, 0, 0, 7, 0, 0, 0, 1,    0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0},
        // an identification of 5 bytes, a scan head reply of 41, a command error
        {0x2A, 0, 0, 0xA3, 0x0F, 9,  0, 0, 0, 5,    0, 0, 0,    'F', 'S', 'V', ',', '1', 0x2A, 0, 0, 5,
         0,    4, 0, 0,    0,    41, 0, 0, 0, 0x2A, 0, 0, 0x97, 0,   4,   0,   0,   0,   0xBD, 2, 0, 0},
        // kind 10 (identification) with a length beyond the body
        {10, 0xFF, 0xFF, 0xFF, 0x7F, 'A'},
        // terminator, calibration progress, scan error, progress record
        {0x2A, 0, 0,  103, 0, 4, 0, 0,    0, 0xFE, 0xFF, 0xFF, 0xFF, 0x2A, 0, 0, 104, 0, 8, 0, 0,    0, 0,
         0,    0, 0,  50,  0, 0, 0, 0x2A, 0, 0,    150,  0,    4,    0,    0, 0, 9,   0, 0, 0, 0x2A, 0, 0,
         105,  0, 15, 0,   0, 0, 1, 0,    2, 0,    3,    0,    1,    0,    1, 0, 0,   4, 0, 5, 0},
    };
    seeds.push_back(EngineSetupFrame());
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
