// Fuzz entry for the frame and string readers: any input must end in a result or one of the
// system's own exceptions, never a crash, an overrun or an unbounded allocation.
#include "core/serializable.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    QCharArrayDataReader reader(data, length);
    try {
        while (reader.GetRemaining() > 0) {
            QPacketHeader header;
            header.Deserialize(reader);
            if (header.GetTypeID() == kTypeStopCalibrationCommand) {
                continue;
            }
            const uint64_t before = reader.GetRemaining();
            std::string text;
            ReadString(reader, text);
            if (text.size() + 4 != before - reader.GetRemaining()) {
                __builtin_trap(); // a string must consume exactly its length field and its bytes
            }
            QNodeHeader node;
            node.Deserialize(reader);
            QStopCalibrationCommand command;
            command.Deserialize(reader);
        }
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }
    return 0;
}
