#pragma once

// Starts the hand-held probe pipe's outside program (tests/sim/pipe) as a child process for one test
// and ends it by its process id when the fixture goes. Every call is bounded in time; a refused
// control line, a time-out or a vanished program throws std::runtime_error, which fails the test.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orv::test {

class HandHeldProbeClientProcess {
public:
    explicit HandHeldProbeClientProcess(const std::string& socketPath);
    ~HandHeldProbeClientProcess();
    HandHeldProbeClientProcess(const HandHeldProbeClientProcess&) = delete;
    HandHeldProbeClientProcess& operator=(const HandHeldProbeClientProcess&) = delete;

    void Connect() { Command("connect"); }
    void ReplyWith(int32_t result) { Command("reply " + std::to_string(result)); }
    void ReplySplit(int32_t result, size_t firstPart) {
        Command("split " + std::to_string(result) + " " + std::to_string(firstPart));
    }
    void WriteRest() { Command("rest"); }
    void LeaveUnanswered() { Command("none"); }
    void AnswerWith(const std::vector<uint8_t>& bytes) { Command("answer " + Hex(bytes)); }
    void WriteNow(const std::vector<uint8_t>& bytes) { Command("raw " + Hex(bytes)); }
    void WriteGarbage(size_t count, unsigned seed) {
        Command("garbage " + std::to_string(count) + " " + std::to_string(seed));
    }
    void HangUp() { Command("hangup"); }

    // Sends one control line and waits for its "OK".
    void Command(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the next request the program received and answers its five values.
    std::array<int32_t, 5> WaitForRequest(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for a report line ("PARTIAL", "CLOSED").
    void WaitForReport(const std::string& report,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Message bytes as the pipe carries them: type, total length, then the body.
    static std::vector<uint8_t> Message(uint16_t type, uint32_t totalLength,
                                        const std::vector<uint8_t>& body = {});
    static std::vector<uint8_t> Reply(int32_t result, uint32_t totalLength = 10);

    pid_t GetProcessId() const { return m_pid; }

private:
    static std::string Hex(const std::vector<uint8_t>& bytes);
    std::string NextLine(std::chrono::steady_clock::time_point until);
    std::string WaitForLineStarting(const std::string& prefix, std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_toProgram = -1;
    int m_fromProgram = -1;
    std::string m_received;
    std::deque<std::string> m_lines;
};

} // namespace orv::test
