// The robot arm as the tests see it: a program that makes a pseudo-terminal, prints
// "PTY <path>" on its standard output, and answers the arm's serial packets on it.
//
// It answers every command id the program uses (identification, rail, pose, alarms, homing,
// trigger, the parameter sets read and written, queued moves and queue control). Queued commands
// get rising indexes; the queue runs them one after the other, each taking the motion time, and
// the current index (id 246) reaches a command's index when it is done.
//
// The test drives it through its standard input, one command a line, each answered by "ok" (after
// any lines of data):
//   motion <ms>              time each queued command takes (default 20)
//   fault <kind> [arg]       spoils the next answer once: noise <n> (n bytes that hold no 0xAA
//                            before it), raw <hex> (these bytes before it), foreign (a packet of
//                            another id before it), foreign2 (two packets of other ids before it),
//                            bad-checksum (a copy with a wrong checksum before it), short (one
//                            parameter byte less), silence (no answer), hangup (half the answer,
//                            then the terminal is hung up)
//   alarm <index> <value>    sets an alarm byte (32 bytes are reported)
//   movealarm <index> <value> sets that alarm byte when the next queued command ends
//   trigger <value>          the trigger output state id 42 reports
//   packets                  every packet received so far, "P <hex>" a line
//   junk                     "junk <n>": bytes received outside any packet
//   queue                    "queue <current> <last> <running 0/1>"
//   clear                    forgets the packets and the junk count
//   quit
// It never opens anything but its own pseudo-terminal and its standard streams.

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using SteadyTime = std::chrono::steady_clock;

constexpr uint8_t kHeader = 0xAA;

Bytes BuildPacket(uint8_t id, uint8_t ctrl, const Bytes& parameters) {
    Bytes packet;
    packet.reserve(parameters.size() + 6);
    packet.push_back(kHeader);
    packet.push_back(kHeader);
    packet.push_back(static_cast<uint8_t>(parameters.size() + 2));
    packet.push_back(id);
    packet.push_back(ctrl);
    unsigned sum = id + ctrl;
    for (const uint8_t byte : parameters) {
        packet.push_back(byte);
        sum += byte;
    }
    packet.push_back(static_cast<uint8_t>((256 - sum % 256) % 256));
    return packet;
}

void PutFloat(Bytes& bytes, float value) {
    uint32_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
    }
}

void PutUInt64(Bytes& bytes, uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

float GetFloat(const Bytes& bytes, std::size_t offset) {
    uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) {
        raw |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    }
    float value = 0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

std::string Hex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

Bytes FromHex(const std::string& text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

struct QueuedCommand {
    uint64_t index = 0;
    std::array<float, 4> target{}; // x, y, z, r when done
    float rail = 0;
};

class Arm {
public:
    Arm() {
        m_floats[30] = {160, 0, 0, 0};
        m_floats[60] = {59.7F, 0, 0};
        m_floats[70] = {15, 15, 15, 30, 50, 50, 50, 50};
        m_floats[71] = {60, 60, 60, 60, 60, 60, 60, 60};
        m_floats[72] = {50, 50};
        m_floats[74] = {40, 40};
        m_floats[80] = {200, 200, 200, 200, 200, 200, 200, 200};
        m_floats[81] = {200, 200, 200, 200};
        m_floats[82] = {20, 100};
        m_floats[85] = {100, 100};
    }

    void SetMotion(int ms) { m_motion = std::chrono::milliseconds(ms); }
    std::array<uint8_t, 32>& Alarms() { return m_alarms; }
    void SetTriggerOutput(uint8_t value) { m_triggerOutput = value; }
    void SetMoveAlarm(std::size_t index, uint8_t value) {
        m_moveAlarmIndex = index;
        m_moveAlarmValue = value;
    }
    std::string QueueState() const {
        return "queue " + std::to_string(m_current) + " " + std::to_string(m_last) + " " +
               (m_running ? "1" : "0");
    }

    // The queue runs in real time: the head command ends one motion time after it began.
    void Advance() {
        const auto now = SteadyTime::now();
        while (m_running && !m_pending.empty()) {
            if (!m_headStarted) {
                m_headStart = now;
                m_headStarted = true;
            }
            if (now - m_headStart < m_motion) {
                return;
            }
            const QueuedCommand& done = m_pending.front();
            m_pose = done.target;
            m_current = done.index;
            if (m_moveAlarmIndex < m_alarms.size()) {
                m_alarms[m_moveAlarmIndex] = m_moveAlarmValue;
                m_moveAlarmIndex = m_alarms.size();
            }
            m_headStart += m_motion;
            m_pending.pop_front();
            m_headStarted = !m_pending.empty();
        }
    }

    // The answer's parameters; false for an id the arm does not know (it then stays silent).
    bool Answer(uint8_t id, uint8_t ctrl, const Bytes& parameters, Bytes& answer) {
        Advance();
        const bool write = (ctrl & 1) != 0;
        switch (id) {
        case 0:
            answer.assign({'D', 'M', 'S', 'I', 'M', '0', '0', '4', '2'});
            return true;
        case 1:
            answer.assign({'Q', 'u', 'o', 'r', 'l', 'y', 'n', 'S', 'i', 'm'});
            return true;
        case 2:
            answer.assign({3, 7, 1});
            return true;
        case 3:
            if (write) {
                if (!parameters.empty()) {
                    m_rail = parameters[0];
                }
            } else {
                answer.push_back(m_rail);
            }
            return true;
        case 10:
            for (const float value : m_pose) {
                PutFloat(answer, value);
            }
            PutFloat(answer, static_cast<float>(std::atan2(m_pose[1], m_pose[0]) * 180.0 / 3.14159265358979));
            PutFloat(answer, 10.0F);
            PutFloat(answer, 20.0F);
            PutFloat(answer, m_pose[3]);
            return true;
        case 20:
            if (write) {
                m_alarms.fill(0);
            } else {
                answer.assign(m_alarms.begin(), m_alarms.end());
            }
            return true;
        case 31:
            Enqueue({0, m_floats[30].size() == 4 ? std::array<float, 4>{m_floats[30][0], m_floats[30][1],
                                                                        m_floats[30][2], m_floats[30][3]}
                                                 : m_pose},
                    answer);
            return true;
        case 40:
        case 41:
            if (write && !parameters.empty()) {
                m_bytes[id] = parameters[0];
            }
            return true;
        case 42:
            answer.push_back(m_triggerOutput);
            return true;
        case 84:
        case 86: {
            QueuedCommand move;
            if (parameters.size() >= 17) {
                for (int i = 0; i < 4; ++i) {
                    move.target[i] = GetFloat(parameters, 1 + 4 * i);
                }
            }
            if (id == 86 && parameters.size() >= 21) {
                move.rail = GetFloat(parameters, 17);
            }
            Enqueue(move, answer);
            return true;
        }
        case 240:
            m_running = true;
            return true;
        case 242:
            m_running = false;
            m_headStarted = false;
            return true;
        case 245:
            m_pending.clear();
            m_headStarted = false;
            m_current = m_last;
            return true;
        case 246:
            PutUInt64(answer, m_current);
            return true;
        default:
            break;
        }
        const auto set = m_floats.find(id);
        if (set == m_floats.end()) {
            return false;
        }
        if (write) {
            if (parameters.size() == set->second.size() * 4) {
                for (std::size_t i = 0; i < set->second.size(); ++i) {
                    set->second[i] = GetFloat(parameters, 4 * i);
                }
            }
        } else {
            for (const float value : set->second) {
                PutFloat(answer, value);
            }
        }
        return true;
    }

private:
    void Enqueue(QueuedCommand command, Bytes& answer) {
        command.index = ++m_last;
        m_pending.push_back(command);
        PutUInt64(answer, command.index);
    }

    std::map<uint8_t, std::vector<float>> m_floats;
    std::map<uint8_t, uint8_t> m_bytes;
    std::array<float, 4> m_pose{200.0F, 0.0F, 50.0F, 0.0F};
    std::array<uint8_t, 32> m_alarms{};
    std::size_t m_moveAlarmIndex = 32; // none
    uint8_t m_moveAlarmValue = 0;
    uint8_t m_rail = 0;
    uint8_t m_triggerOutput = 0;
    std::deque<QueuedCommand> m_pending;
    uint64_t m_last = 0;
    uint64_t m_current = 0;
    bool m_running = true;
    bool m_headStarted = false;
    SteadyTime::time_point m_headStart;
    std::chrono::milliseconds m_motion{20};
};

class Simulator {
public:
    bool Start() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            return false;
        }
        char name[128] = {};
        if (::ptsname_r(m_master, name, sizeof name) != 0) {
            return false;
        }
        // Holding the terminal side open keeps the line up between the tests' opens and closes.
        m_terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        std::printf("PTY %s\n", name);
        std::fflush(stdout);
        return m_terminal >= 0;
    }

    int Run() {
        std::string control;
        for (;;) {
            pollfd waits[2] = {{0, POLLIN, 0}, {m_master, POLLIN, 0}};
            const int count = m_master >= 0 ? 2 : 1;
            if (::poll(waits, count, m_masterQuiet ? 5 : -1) < 0) {
                continue;
            }
            m_masterQuiet = false;
            if (waits[0].revents != 0) {
                char block[4096];
                const ssize_t got = ::read(0, block, sizeof block);
                if (got <= 0) {
                    return 0;
                }
                control.append(block, static_cast<std::size_t>(got));
                std::size_t end = 0;
                while ((end = control.find('\n')) != std::string::npos) {
                    const std::string line = control.substr(0, end);
                    control.erase(0, end + 1);
                    if (!Control(line)) {
                        return 0;
                    }
                }
            }
            if (count == 2 && (waits[1].revents & POLLIN) != 0) {
                uint8_t block[4096];
                const ssize_t got = ::read(m_master, block, sizeof block);
                if (got > 0) {
                    for (ssize_t i = 0; i < got; ++i) {
                        Take(block[i]);
                    }
                }
            } else if (count == 2 && waits[1].revents != 0) {
                m_masterQuiet = true; // nobody on the terminal side: look again shortly
            }
        }
    }

private:
    bool Control(const std::string& line) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "quit") {
            return false;
        }
        if (verb == "motion") {
            int ms = 0;
            words >> ms;
            m_arm.SetMotion(ms);
        } else if (verb == "fault") {
            words >> m_fault;
            m_faultArgument.clear();
            words >> m_faultArgument;
        } else if (verb == "alarm") {
            unsigned index = 0;
            unsigned value = 0;
            words >> index >> value;
            if (index < m_arm.Alarms().size()) {
                m_arm.Alarms()[index] = static_cast<uint8_t>(value);
            }
        } else if (verb == "movealarm") {
            unsigned index = 0;
            unsigned value = 0;
            words >> index >> value;
            m_arm.SetMoveAlarm(index, static_cast<uint8_t>(value));
        } else if (verb == "trigger") {
            unsigned value = 0;
            words >> value;
            m_arm.SetTriggerOutput(static_cast<uint8_t>(value));
        } else if (verb == "packets") {
            for (const Bytes& packet : m_packets) {
                std::printf("P %s\n", Hex(packet).c_str());
            }
        } else if (verb == "junk") {
            std::printf("junk %zu\n", m_junk);
        } else if (verb == "queue") {
            m_arm.Advance();
            std::printf("%s\n", m_arm.QueueState().c_str());
        } else if (verb == "clear") {
            m_packets.clear();
            m_junk = 0;
        }
        std::printf("ok\n");
        std::fflush(stdout);
        return true;
    }

    // The receiving side of the protocol: header, length, body; whatever fits no packet is junk.
    void Take(uint8_t byte) {
        m_partial.push_back(byte);
        while (!m_partial.empty()) {
            if (m_partial[0] != kHeader || (m_partial.size() >= 2 && m_partial[1] != kHeader) ||
                (m_partial.size() >= 3 && (m_partial[2] < 2 || m_partial[2] >= kHeader))) {
                m_partial.erase(m_partial.begin());
                ++m_junk;
                continue;
            }
            if (m_partial.size() < 3 || m_partial.size() < static_cast<std::size_t>(m_partial[2]) + 4) {
                return;
            }
            unsigned sum = 0;
            for (std::size_t i = 3; i < m_partial.size(); ++i) {
                sum += m_partial[i];
            }
            if (sum % 256 != 0) {
                m_partial.erase(m_partial.begin());
                ++m_junk;
                continue;
            }
            Bytes packet;
            packet.swap(m_partial);
            m_packets.push_back(packet);
            Respond(packet);
        }
    }

    void Send(const Bytes& bytes) {
        std::size_t done = 0;
        while (done < bytes.size() && m_master >= 0) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd wait{m_master, POLLOUT, 0};
                if (::poll(&wait, 1, 1000) <= 0) {
                    return;
                }
            }
        }
    }

    void Respond(const Bytes& request) {
        const uint8_t id = request[3];
        const uint8_t ctrl = request[4];
        const Bytes parameters(request.begin() + 5, request.end() - 1);
        Bytes answer;
        if (!m_arm.Answer(id, ctrl, parameters, answer)) {
            return;
        }
        Bytes reply = BuildPacket(id, ctrl, answer);
        const std::string fault = m_fault;
        m_fault.clear();
        const uint8_t foreignId = id == 10 ? 2 : 10;
        if (fault == "silence") {
            return;
        }
        if (fault == "noise") {
            const std::size_t count = std::strtoul(m_faultArgument.c_str(), nullptr, 10);
            Bytes noise(count);
            uint32_t state = 12345;
            for (uint8_t& byte : noise) {
                state = state * 1103515245U + 12345U;
                byte = static_cast<uint8_t>(state >> 16);
                if (byte == kHeader) {
                    byte = 0x55;
                }
            }
            Send(noise);
        } else if (fault == "raw") {
            Send(FromHex(m_faultArgument));
        } else if (fault == "foreign") {
            Send(BuildPacket(foreignId, 0, Bytes{1, 2, 3}));
        } else if (fault == "foreign2") {
            Send(BuildPacket(foreignId, 0, Bytes{1, 2, 3}));
            Send(BuildPacket(static_cast<uint8_t>(foreignId + 1), 0, answer));
        } else if (fault == "bad-checksum") {
            Bytes spoiled = reply;
            const std::size_t checksumAt = spoiled.size() - 1;
            spoiled.at(checksumAt) = static_cast<uint8_t>(spoiled.at(checksumAt) ^ 0x5A);
            Send(spoiled);
        } else if (fault == "short" && !answer.empty()) {
            answer.pop_back();
            reply = BuildPacket(id, ctrl, answer);
        } else if (fault == "hangup") {
            Send(Bytes(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2)));
            ::close(m_terminal);
            ::close(m_master);
            m_terminal = -1;
            m_master = -1;
            return;
        }
        Send(reply);
    }

    int m_master = -1;
    int m_terminal = -1;
    bool m_masterQuiet = false;
    Arm m_arm;
    Bytes m_partial;
    std::vector<Bytes> m_packets;
    std::size_t m_junk = 0;
    std::string m_fault;
    std::string m_faultArgument;
};

} // namespace

int main() {
    Simulator simulator;
    if (!simulator.Start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    return simulator.Run();
}
