// Moves of the robot arm against its simulator with zero motion time, against the same number of bare
// link exchanges (pose reads) in the same run: the difference is what a move costs beyond the link.
// A move between two cells of one row at one height is five exchanges: clear the alarms, read the
// pose, queue the move, read the queue index once, read the alarms.

#include "engine/scanners/CDOBOTEngine.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kExchangesPerMove = 5;

struct ArmRig {
    orv::test::DobotSimulatorProcess simulator;
    orv::test::ArmSettingsFixture settings{simulator.PortName()};
    orv::CDOBOTEngine engine{0};

    bool Ready() {
        simulator.SetMotionMs(0);
        if (!engine.Connect() || !engine.Initialize()) {
            return false;
        }
        engine.SetProbeHeight(40.0F);
        return engine.ExecuteMove(40.0F, 5, 5, 0, 0);
    }
};

void BM_ArmMove(benchmark::State& state) {
    ArmRig rig;
    if (!rig.Ready()) {
        state.SkipWithError("the arm simulator did not come up");
        return;
    }
    int column = 5;
    for (auto _ : state) {
        column = column == 5 ? 6 : 5;
        if (!rig.engine.ExecuteMove(40.0F, 5, column, 0, 0)) {
            state.SkipWithError("move failed");
            break;
        }
    }
    state.counters["moves/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ArmMove)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_LinkExchangesOfOneMove(benchmark::State& state) {
    ArmRig rig;
    if (!rig.Ready()) {
        state.SkipWithError("the arm simulator did not come up");
        return;
    }
    orv::ArmPose pose;
    for (auto _ : state) {
        for (int i = 0; i < kExchangesPerMove; ++i) {
            if (!rig.engine.GetPose(pose)) {
                state.SkipWithError("pose read failed");
                return;
            }
        }
    }
    state.counters["moves/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LinkExchangesOfOneMove)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
