#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNode.h"
#include "project/QNodeFactory.h"
#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The kind selector byte, then the body of a new node of that kind.
std::vector<uint8_t> NewNodeInput(uint8_t selector, uint16_t kind) {
    orv::QNodeFactory factory;
    std::unique_ptr<orv::QNode> node = factory.CreateNode(kind, true);
    node->SetName("seed");
    orv::QCharCounterDataWriter counter;
    node->WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count + 1);
    bytes[0] = selector;
    orv::QCharArrayDataWriter writer(bytes.data() + 1, counter.m_count);
    node->WriteBody(writer);
    return bytes;
}

} // namespace

TEST(NodeBodyFuzz, ReplayedInputsEndCleanly) {
    orv::DebugOutputCapture quiet;
    const std::vector<std::vector<uint8_t>> seeds{
        NewNodeInput(2, 2003),  // spectral
        NewNodeInput(4, 2005),  // spectral/spatial
        NewNodeInput(14, 2015), // current clamp
        NewNodeInput(9, 2010),  // spectral comparison
    };
    // The whole seeds read as they are, so the write-back check of the entry runs on them.
    const uint16_t kinds[] = {2003, 2005, 2015, 2010};
    for (size_t i = 0; i < seeds.size(); ++i) {
        orv::QNodeFactory factory;
        std::unique_ptr<orv::QNode> node = factory.CreateNode(kinds[i], false);
        orv::QCharArrayDataReader reader(seeds[i].data() + 1, static_cast<uint32_t>(seeds[i].size() - 1));
        EXPECT_NO_THROW(node->ReadBody(reader)) << kinds[i];
        EXPECT_EQ(reader.GetRemaining(), 0U) << kinds[i];
        EXPECT_EQ(node->GetName(), "seed");
    }
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 3000), 3000);
}
