#include "engine/runners/ScanRunners.h"

#include "engine/CScanRunnerTable.h"
#include "engine/runners/HandHeldProbeScan.h"
#include "engine/runners/SpatialScan.h"
#include "engine/runners/SpectralScan.h"
#include "engine/runners/SpectralSpatialScan.h"

namespace orv {

namespace {

template <typename Runner> CScanRunnerTable::Maker MakerOf() {
    return [](const CEngineContext& context) -> std::unique_ptr<RunScan> {
        return std::make_unique<Runner>(context);
    };
}

} // namespace

void RegisterScanRunners(CScanRunnerTable& table) {
    table.Register(CScanRunnerTable::kSpectral, MakerOf<SpectralScan>());
    table.Register(CScanRunnerTable::kSpatial, MakerOf<SpatialScan>());
    table.Register(CScanRunnerTable::kSpectralSpatial, MakerOf<SpectralSpatialScan>());
    table.Register(CScanRunnerTable::kHandHeld, MakerOf<HandHeldProbeScan>());
}

} // namespace orv
