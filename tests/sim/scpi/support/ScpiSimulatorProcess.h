#pragma once

// Starts the simulated SCPI analyser (tests/sim/scpi) as a child process for one test and ends it by
// its process id when the fixture goes. Every call waits for the simulator's answer, bounded in
// time; a refused control line throws std::runtime_error, which fails the test.

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orv::test {

class ScpiSimulatorProcess {
public:
    ScpiSimulatorProcess();
    ~ScpiSimulatorProcess();
    ScpiSimulatorProcess(const ScpiSimulatorProcess&) = delete;
    ScpiSimulatorProcess& operator=(const ScpiSimulatorProcess&) = delete;

    // A new resource on a port the system chose; its VISA name is ResourceName(name).
    uint16_t AddResource(const std::string& name);
    std::string ResourceName(const std::string& name) const;
    // A new resource on the IPv6 loopback address; its VISA name is "TCPIP0::[::1]::<port>::SOCKET".
    uint16_t AddIpv6Resource(const std::string& name);

    void SetIdentity(const std::string& name, const std::string& identity);
    void SetMode(const std::string& name, const std::string& mode);
    // The exact bytes sent back for the command (no line feed is added; empty: no reply).
    void SetReply(const std::string& name, const std::string& command, const std::string& bytes);
    // An IEEE 488.2 block of `length` bytes of BlockPattern, then a line feed.
    void SetBlockReply(const std::string& name, const std::string& command, size_t length);
    // `length` bytes 'A' without a line feed.
    void SetFillReply(const std::string& name, const std::string& command, size_t length);
    void SetDropOn(const std::string& name, const std::string& command);
    // The command's replies in this order, the last one repeated from then on.
    void SetReplySequence(const std::string& name, const std::string& command,
                          const std::vector<std::string>& replies);
    // The resource answers a command set ("generic", "xseries", "rs", "fieldfox") over a simulated state;
    // unknown commands queue -113 "Undefined header".
    void SetCommandSet(const std::string& name, const std::string& set);
    // The command queues an instrument error, as an analyser does with a command it does not know.
    void SetRefused(const std::string& name, const std::string& command);
    void SetDelay(const std::string& name, const std::string& command, int ms);
    // The reply in two halves, the second `ms` after the first.
    void SetReplyInPieces(const std::string& name, const std::string& command, int ms);
    // Each byte of the command's reply `ms` after the one before.
    void SetReplyTrickle(const std::string& name, const std::string& command, int ms);
    // The connection closes right after the reply.
    void SetDropAfterReply(const std::string& name, const std::string& command);
    // The error queue holds `count` errors -100 (at most 10, the last then -350 "Queue overflow").
    void SetErrorCount(const std::string& name, int count);
    // The operation a "*OPC?" waits for takes `ms`: the "*OPC?" is answered once, with "1", that long
    // after it arrived (0 at first).
    void SetOperationTime(const std::string& name, int ms);
    // An operation that does not end while a test runs.
    static constexpr int kNeverDoneMs = 1 << 30;
    void DropConnections(const std::string& name);

    // The commands received so far, in order, without their line feeds.
    std::vector<std::string> Commands(const std::string& name);
    // Waits until at least `count` commands have arrived (or the time is up) and returns them all.
    std::vector<std::string> WaitForCommands(const std::string& name, size_t count,
                                             std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void ClearCommands(const std::string& name);

    pid_t GetProcessId() const { return m_pid; }

    static std::string BlockPattern(size_t length);

private:
    // Sends one control line and returns the answer's fields after "OK".
    std::vector<std::string> Request(const std::vector<std::string>& fields,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

    pid_t m_pid = -1;
    int m_toSimulator = -1;
    int m_fromSimulator = -1;
    std::string m_received;
    std::map<std::string, uint16_t> m_ports;
    std::set<std::string> m_ipv6;
};

} // namespace orv::test
