#include "platform/debug/DebugOutput.h"
#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
std::vector<std::vector<uint8_t>> ProjectFileModelFuzzSeeds();

TEST(ProjectFileModelFuzz, ReplayedInputsEndCleanly) {
    // Every node made and freed says so on the debug output; none of it matters here.
    const orv::DebugOutputSink previous = orv::SetDebugOutputSink([](std::string_view /*text*/) {});
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, ProjectFileModelFuzzSeeds(), 3000), 3000);
    orv::SetDebugOutputSink(previous);
}
