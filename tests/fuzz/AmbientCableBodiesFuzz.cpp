// Fuzz entry for the stored bodies of the ambient, clamp, cable and antenna containers and the
// cable scan file: any input must end in a result or one of the system's own exceptions, never a
// crash, an overrun or an unbounded allocation, and a rejected body must leave the container as it
// was.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QAntennaPositionScanContainer.h"
#include "scandata/QAntennaScanContainer.h"
#include "scandata/QAntennaScanModuleContainer.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QDifferentRangeScanModuleContainer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace orv;

std::vector<uint8_t> Written(const std::function<void(QDataWriter&)>& write) {
    QCharCounterDataWriter counter;
    write(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    write(writer);
    return bytes;
}

// Reads the input into the object; when the read is refused, what the object writes must not have
// changed.
void ReadOrKeep(const uint8_t* data, uint32_t size, const std::function<void(QDataWriter&)>& write,
                const std::function<void(QDataReader&)>& read) {
    const std::vector<uint8_t> before = Written(write);
    QCharArrayDataReader reader(data, size);
    try {
        read(reader);
    } catch (const QException&) {
        if (Written(write) != before) {
            __builtin_trap();
        }
        return;
    }
    // A body that was taken must write without fault.
    (void)Written(write);
}

template <typename Kind> void Body(const uint8_t* data, uint32_t size) {
    Kind container;
    ReadOrKeep(
        data, size, [&container](QDataWriter& w) { container.WriteBody(w); },
        [&container](QDataReader& r) { container.ReadBody(r); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const auto length = static_cast<uint32_t>(size - 1 > 0xFFFFFFFEU ? 0xFFFFFFFEU : size - 1);
    const uint8_t* body = data + 1;
    switch (data[0] % 8) {
    case 0:
        Body<QCurrentClampModuleContainer>(body, length);
        break;
    case 1:
        Body<QCableScanContainer>(body, length);
        break;
    case 2: {
        QCableScanContainer cable;
        ReadOrKeep(
            body, length, [&cable](QDataWriter& w) { cable.WriteCableScans(w); },
            [&cable](QDataReader& r) { cable.ReadCableScans(r); });
        break;
    }
    case 3:
        Body<QAntennaScanModuleContainer>(body, length);
        break;
    case 4:
        Body<QAntennaScanContainer>(body, length);
        break;
    case 5:
        Body<QDifferentRangeScanModuleContainer>(body, length);
        break;
    case 6:
        Body<QAmbientScanContainer>(body, length);
        break;
    default:
        Body<QAntennaPositionScanContainer>(body, length);
        break;
    }
    return 0;
}
