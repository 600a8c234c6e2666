#include "core/QDescription.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPattern.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// A whole body of a fresh object behind its selector, so that mutations start from a valid body.
std::vector<uint8_t> SeedOf(uint8_t selector, const orv::QSerializable& object) {
    orv::QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> seed(counter.m_count + 1U);
    seed[0] = selector;
    orv::QCharArrayDataWriter writer(seed.data() + 1, static_cast<uint32_t>(counter.m_count));
    object.WriteBody(writer);
    return seed;
}

} // namespace

TEST(OptionBodiesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        {6, 3, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0, 7, 0, 0, 0},
        {8, 0x9C, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 1, 0, 0, 0},
        {12, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0},
        {22, 1, 0, 20, 0, 0, 0, 0, 0, 0x40, 0x40, 1, 25, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xA0, 0x40, 0, 0, 0, 0},
        {18, 0, 0, 0, 0},
        SeedOf(25, orv::QScanOptions()),
        SeedOf(26, orv::QDescription()),
        SeedOf(27, orv::QProbeScanPatternOptions(1, 2, 3)),
        SeedOf(28, orv::QProbeScanPattern(2, 3)),
        SeedOf(29, orv::QOverlayOptions()),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 40000), 40000);
}
