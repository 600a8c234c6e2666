// Fuzz entry for the option-body readers: the first byte picks a kind, the rest is its body. Any
// input must end in a result or one of the system's own exceptions; what was read must write a body
// that reads back to the same bytes.
#include "core/QAnalyzerOptions.h"
#include "core/QAntennaPositionScanOptions.h"
#include "core/QAntennaScanOptions.h"
#include "core/QAttenuatorOptions.h"
#include "core/QDescription.h"
#include "core/QDifferentRangeScanModuleOptions.h"
#include "core/QException.h"
#include "core/QFineScanTask.h"
#include "core/QFrequencyBucketList.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPattern.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using namespace orv;

std::unique_ptr<QSerializable> MakeKind(uint8_t selector) {
    switch (selector % 30) {
    case 0:
        return std::make_unique<QSpectralDisplayOptions>();
    case 1:
        return std::make_unique<QSpatialDisplayOptions>();
    case 2:
        return std::make_unique<QAnalyzerOptions>();
    case 3:
        return std::make_unique<QIPAddressOptions>();
    case 4:
        return std::make_unique<QSSSpatialViewOptions>(2, 3);
    case 5:
        return std::make_unique<QSSSpectralViewOptions>();
    case 6:
        return std::make_unique<QFrequencyBucketList>();
    case 7:
        return std::make_unique<QNoteOptions>();
    case 8:
        return std::make_unique<QAttenuatorOptions>();
    case 9:
        return std::make_unique<QSpectralScriptingDisplayOptions>();
    case 10:
        return std::make_unique<QCurrentClampModuleOptions>();
    case 11:
        return std::make_unique<QCableScanOptions>();
    case 12:
        return std::make_unique<QCablesSpectralViewOptions>();
    case 13:
        return std::make_unique<QSpectralStandLineOptions>();
    case 14:
        return std::make_unique<QAmplifierAntennuatorOptions>();
    case 15:
        return std::make_unique<QWordReportOptions>();
    case 16:
        return std::make_unique<QAmbientScanOptions>();
    case 17:
        return std::make_unique<QAntennaPositionScanOptions>();
    case 18:
        return std::make_unique<QAntennaScanOptions>();
    case 19:
        return std::make_unique<QNearFieldAmbientScanOptions>();
    case 20:
        return std::make_unique<QFarFieldAmbientScanOptions>();
    case 21:
        return std::make_unique<QAntennaScanModuleOptions>();
    case 22:
        return std::make_unique<QDifferentRangeScanModuleOptions>();
    case 23:
        return std::make_unique<QAutoSpatialsOptions>();
    case 24:
        return std::make_unique<QFineScanTask>();
    case 25:
        return std::make_unique<QScanOptions>();
    case 26:
        return std::make_unique<QDescription>();
    case 27:
        return std::make_unique<QProbeScanPatternOptions>(1, 29, 42);
    case 28:
        return std::make_unique<QProbeScanPattern>(2, 3);
    default:
        return std::make_unique<QOverlayOptions>();
    }
}

std::vector<uint8_t> Write(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.WriteBody(writer);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto length = static_cast<uint32_t>(size - 1 > 0xFFFFFFFFU ? 0xFFFFFFFFU : size - 1);
    auto object = MakeKind(data[0]);
    QCharArrayDataReader reader(data + 1, length);
    try {
        object->ReadBody(reader);
    } catch (const QException&) {
        return 0; // rejected input is the expected outcome for most of what a fuzzer makes
    }
    const std::vector<uint8_t> first = Write(*object);
    auto again = MakeKind(data[0]);
    QCharArrayDataReader back(first.data(), static_cast<uint32_t>(first.size()));
    again->ReadBody(back);
    if (back.GetRemaining() != 0 || Write(*again) != first) {
        __builtin_trap();
    }
    return 0;
}
