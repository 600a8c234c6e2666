#pragma once

// Starts the robot-arm simulator (tests/sim/dobot) as a child process, learns its pseudo-terminal
// and drives it through its control lines. Also switches the system's half of the serial port
// search off for the rest of the test program, so that nothing in the engine tests ever reaches a
// real port.

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orv::test {

class DobotSimulatorProcess {
public:
    DobotSimulatorProcess();
    ~DobotSimulatorProcess();
    DobotSimulatorProcess(const DobotSimulatorProcess&) = delete;
    DobotSimulatorProcess& operator=(const DobotSimulatorProcess&) = delete;

    // The terminal side of the simulator's pseudo-terminal: the port name to open.
    const std::string& PortName() const { return m_portName; }

    // Sends one control line; the data lines of the answer (without the final "ok").
    std::vector<std::string> Control(const std::string& line);

    void SetMotionMs(int ms) { Control("motion " + std::to_string(ms)); }
    void Fault(const std::string& kind) { Control("fault " + kind); }
    // Every packet the simulator received, whole, in order.
    std::vector<std::vector<uint8_t>> Packets();
    // Bytes it received that belonged to no packet.
    std::size_t Junk();
    void ClearRecord() { Control("clear"); }

private:
    std::string ReadLine(std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_toSimulator = -1;
    int m_fromSimulator = -1;
    std::string m_pending;
    std::string m_portName;
};

} // namespace orv::test
