#pragma once

// An in-process engine behind a command pipe, as the client sees it: the set-up, the device manager
// it makes and the command engine answering the frames written into the pipe. The tests that drive
// analyser drivers through the command pipe build the engine from this one rig, so a change in how
// the engine is wired reaches all of them.

#include "engine/CDeviceManager.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketCommandEngine.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv::test {

// The driver command (id 4) binding driver `code`.
Bytes DriverCommand(uint32_t code);

// Field offsets after the grids (from SetupTail), shared by the set-up command and its reply.
constexpr std::size_t kRbw = 5;
constexpr std::size_t kCentre = 9;
constexpr std::size_t kSpan = 17;
constexpr std::size_t kBuckets = 37;
constexpr std::size_t kSweepTime = 41;
constexpr std::size_t kFailureCode = 60;

// The body of a set-up command (scan type 99, a 2 x 3 grid) asking the analyser for this RBW, centre
// and span.
Bytes AnalyzerSetupBody(float rbw, float centre, float span);

class EngineCommandRig {
public:
    EngineCommandRig() = default;
    // The engine goes first: it points at everything else here.
    ~EngineCommandRig();
    EngineCommandRig(const EngineCommandRig&) = delete;
    EngineCommandRig& operator=(const EngineCommandRig&) = delete;

    // Kept apart from construction: the fixture makes the manager once its environment and
    // simulated instruments are in place.
    void CreateManager();
    void StartEngine();

    // Writes the frame, lets the engine answer everything it has, and returns the replies.
    std::vector<ReplyFrame> Exchange(const Bytes& bytes);

    CTransferPipe pipe;
    CTransferPipe dataPipe;
    SetupScan setup;
    ScanStopFlag stopFlag;
    CSocketDataEngine data;
    CScanRunnerTable runners;
    CDeviceManager* manager = nullptr;
    std::unique_ptr<CSocketCommandEngine> engine;
    Bytes pending;
};

} // namespace orv::test
