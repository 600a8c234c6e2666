#pragma once

// The environment of the tests that drive an analyser driver through the command pipe: the simulated
// analyser "A" listed to the built-in VISA layer (no vendor library), a per-user folder of its own, a
// fake clock, the log captured, the analyser table built with "-NoSA" off, and the engine rig.

#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineCommandRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <optional>
#include <string>

namespace orv::test {

class SimulatedAnalyzerEngine {
public:
    explicit SimulatedAnalyzerEngine(const std::string& folderPrefix);
    SimulatedAnalyzerEngine(const SimulatedAnalyzerEngine&) = delete;
    SimulatedAnalyzerEngine& operator=(const SimulatedAnalyzerEngine&) = delete;

    // Lists "A" with `identity`, answering `commandSet`, makes the device manager and starts the
    // engine. With `applySource` the manager takes a driver change as applied while `m_applying` is
    // set; without it the manager keeps its own source.
    void Start(const std::string& identity, const std::string& commandSet, bool applySource);

    std::vector<ReplyFrame> Exchange(const Bytes& bytes) { return m_rig.Exchange(bytes); }

    TemporaryUserDataFolder m_folder;
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<EnvironmentValue> m_resources;
    ScpiSimulatorProcess m_sim;
    LogCapture m_log;
    bool m_applying = false;
    // Last: the engine goes first, it points at everything else here.
    EngineCommandRig m_rig;
};

} // namespace orv::test
