#pragma once

namespace orv {

class CScanRunnerTable;

// Registers the runner of every scan type the engine runs.
void RegisterScanRunners(CScanRunnerTable& table);

} // namespace orv
