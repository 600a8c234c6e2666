#include "tests/sim/scpi/ScpiSimulator.h"

#include <csignal>
#include <sys/prctl.h>

// The simulated analyser as a program of its own, started and ended by a test fixture.
int main() {
    // Ends with the test that started it, even when that test dies.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
    orv::sim::ScpiSimulator simulator;
    return simulator.Run();
}
