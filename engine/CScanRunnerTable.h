#pragma once

// Which runner a go makes for the set-up's scan type. The runners of the scan types register their
// makers here at start-up. A scan type the engine knows (spectral 99, spatial 100, spectral/spatial
// 101, hand-held 112) whose runner is not registered ends at once with status 700 and a log line,
// so that no scan is reported done without data; any other type runs the base runner.

#include "engine/CEngineContext.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace orv {

class RunScan;

class CScanRunnerTable {
public:
    using Maker = std::function<std::unique_ptr<RunScan>(const CEngineContext&)>;

    static constexpr uint16_t kSpectral = 99;
    static constexpr uint16_t kSpatial = 100;
    static constexpr uint16_t kSpectralSpatial = 101;
    static constexpr uint16_t kHandHeld = 112;

    CScanRunnerTable() = default;
    CScanRunnerTable(const CScanRunnerTable&) = delete;
    CScanRunnerTable& operator=(const CScanRunnerTable&) = delete;

    void Register(uint16_t scanType, Maker maker);
    std::unique_ptr<RunScan> MakeRunner(uint16_t scanType, const CEngineContext& context) const;

private:
    mutable std::mutex m_lock;
    std::map<uint16_t, Maker> m_makers;
};

} // namespace orv
