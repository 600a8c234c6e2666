#pragma once

// A pseudo-terminal for serial-port tests: the port under test opens the terminal side (Path()); the
// test plays the device on the controlling side. Hangup closes that side, as a device that goes away.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv::test {

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& Path() const { return m_path; }
    int DeviceSide() const { return m_master; }

    // Writes every byte (waiting while the terminal's queue is full).
    void Write(const std::vector<uint8_t>& bytes);
    void Write(const std::string& text) { Write(std::vector<uint8_t>(text.begin(), text.end())); }
    // Reads until `count` bytes came or `timeout` passed.
    std::vector<uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout);
    void Hangup();

private:
    int m_master = -1;
    std::string m_path;
};

// Polls `condition` until it holds or `timeout` passes (for states no event reports, such as bytes
// a reader thread has taken in); the result is the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace orv::test
