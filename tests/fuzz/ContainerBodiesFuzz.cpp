// Fuzz entry for the readers of the snapshot, container and set-up bodies: any input must end in a
// result or one of the system's own exceptions, never a crash, an overrun or an unbounded
// allocation. The first byte picks the reader.
#include "core/QException.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTerminator.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    if (size == 0) {
        return 0;
    }
    const auto length = static_cast<uint32_t>(size - 1 > 0xFFFFFFFFU ? 0xFFFFFFFFU : size - 1);
    QCharArrayDataReader reader(data + 1, length);
    try {
        switch (data[0] % 6) {
        case 0: {
            QSSSpectralSnapshot snapshot;
            snapshot.ReadBody(reader);
            break;
        }
        case 1: {
            QSSSpatialSnapshot snapshot;
            snapshot.ReadBody(reader);
            break;
        }
        case 2: {
            QSetupScanCommand command;
            command.SetHasExtension((data[0] & 0x80) != 0);
            command.ReadBody(reader);
            break;
        }
        case 3: {
            QSpectralSpatialScanContainer container;
            container.ReadBody(reader);
            break;
        }
        case 4: {
            QSpatialScanContainer container;
            container.ReadBody(reader);
            break;
        }
        default: {
            QTerminator end;
            end.Deserialize(reader);
            break;
        }
        }
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }
    return 0;
}
