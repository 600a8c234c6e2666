// Fuzz entry for the scan-record readers: a stream of frames, each read by the record kind its type
// id names. Any input must end in records or one of the system's own exceptions, never a crash, an
// overrun or an unbounded allocation; a record that reads must write back exactly what it read.
#include "core/serializable.h"
#include "scandata/QAmbientScan.h"
#include "scandata/QAntennaPositionScan.h"
#include "scandata/QCableScan.h"
#include "scandata/QFarFieldAmbientScan.h"
#include "scandata/QGeneralModuleScan.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QNearFieldAmbientScan.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<orv::QDataPacket> MakeRecord(uint16_t typeId) {
    using namespace orv;
    switch (typeId) {
    case kTypeSpectralScan:
        return std::make_unique<QSpectralScan>();
    case kTypeSpatialScan:
        return std::make_unique<QSpatialScan>();
    case kTypeSpectralSpatialScanComponent:
        return std::make_unique<QSpectralSpatialScanComponent>();
    case kTypeMeasuredFrequencyData:
        return std::make_unique<QMeasuredFrequencyData>();
    case kTypeScanProgressIndicator:
        return std::make_unique<QScanProgressIndicator>();
    case kTypeCableScan:
        return std::make_unique<QCableScan>();
    case kTypeAmbientScan:
        return std::make_unique<QAmbientScan>();
    case kTypeGeneralModuleScan:
        return std::make_unique<QGeneralModuleScan>();
    case kTypeAntennaPositionScan:
        return std::make_unique<QAntennaPositionScan>();
    case kTypeNearFieldAmbientScan:
        return std::make_unique<QNearFieldAmbientScan>();
    case kTypeFarFieldAmbientScan:
        return std::make_unique<QFarFieldAmbientScan>();
    case kTypeHandHeldProbeScan:
        return std::make_unique<QHandHeldProbeScan>();
    default:
        return nullptr;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    QCharArrayDataReader reader(data, length);
    try {
        while (reader.GetRemaining() >= 9) {
            uint8_t header[9];
            reader.Peek(header, sizeof header);
            uint16_t typeId = 0;
            std::memcpy(&typeId, header + 3, sizeof typeId);
            std::unique_ptr<QDataPacket> record = MakeRecord(typeId);
            if (record == nullptr) {
                return 0;
            }
            const uint32_t start = reader.GetBytesRead();
            record->Deserialize(reader);
            const uint32_t consumed = reader.GetBytesRead() - start;
            // A record writes back the bytes it read; the header is left aside, as its size field
            // plays no part in reading.
            if (record->GetSerializedSize() != consumed) {
                __builtin_trap();
            }
            std::vector<uint8_t> out(record->GetSerializedSize());
            QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
            record->Serialize(writer);
            if (std::memcmp(out.data() + 9, data + start + 9, consumed - 9) != 0) {
                __builtin_trap();
            }
        }
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }
    return 0;
}
