// Fuzz entry for the node body reader: whatever a project file holds where a node body belongs
// must end in a node or one of the system's own exceptions, never a crash, an overrun or an
// unbounded allocation. A body that reads writes back bytes that read and write the same again.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNode.h"
#include "project/QNodeFactory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// The first input byte picks the kind whose body follows.
constexpr std::array<uint16_t, 28> kKinds = {2000, 2001, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2010,
                                             2011, 2012, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2023,
                                             2024, 2025, 2026, 2027, 2028, 2029, 2030, 2033};

std::vector<uint8_t> Written(const orv::QNode& node) {
    orv::QCharCounterDataWriter counter;
    node.WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    orv::QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    node.WriteBody(writer);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    // Deleted nodes announce themselves on the debug output; keep the fuzzer's output readable.
    static const bool quiet = [] {
        SetDebugOutputSink([](std::string_view) {});
        return true;
    }();
    (void)quiet;
    if (size == 0) {
        return 0;
    }
    const uint16_t kind = kKinds[data[0] % kKinds.size()];
    const auto length = static_cast<uint32_t>(size - 1 > 0xFFFFFFFFU ? 0xFFFFFFFFU : size - 1);
    QNodeFactory factory;
    std::unique_ptr<QNode> node = factory.CreateNode(kind, false);
    QCharArrayDataReader reader(data + 1, length);
    try {
        node->ReadBody(reader);
    } catch (const QException&) {
        return 0;
    }
    const std::vector<uint8_t> first = Written(*node);
    if (first.size() != node->GetBodySize()) {
        __builtin_trap();
    }
    std::unique_ptr<QNode> again = factory.CreateNode(kind, false);
    QCharArrayDataReader rereader(first.data(), static_cast<uint32_t>(first.size()));
    again->ReadBody(rereader); // what the node wrote must read back
    if (rereader.GetRemaining() != 0 || Written(*again) != first) {
        __builtin_trap();
    }
    return 0;
}
