#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include "tests/sim/scpi/ControlText.h"
#include "tests/sim/scpi/ScpiSimulator.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orv::test {

ScpiSimulatorProcess::ScpiSimulatorProcess() {
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipes for the simulator");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    char program[] = ORV_SCPI_SIMULATOR_PATH;
    char* argv[] = {program, nullptr};
    const int result = posix_spawn(&m_pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    m_toSimulator = toChild[1];
    m_fromSimulator = fromChild[0];
    if (result != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + std::string(program));
    }
    // A simulator that has gone must fail the write, not end the test with a signal.
    std::signal(SIGPIPE, SIG_IGN);
}

ScpiSimulatorProcess::~ScpiSimulatorProcess() {
    close(m_toSimulator);
    close(m_fromSimulator);
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

std::vector<std::string> ScpiSimulatorProcess::Request(const std::vector<std::string>& fields,
                                                       std::chrono::milliseconds timeout) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        line += (i == 0 ? "" : "\t") + sim::EscapeField(fields[i]);
    }
    line += "\n";
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t done = write(m_toSimulator, line.data() + written, line.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            throw std::runtime_error("the simulator has gone");
        }
        written += static_cast<size_t>(done);
    }
    const auto until = std::chrono::steady_clock::now() + timeout;
    size_t end = std::string::npos;
    while ((end = m_received.find('\n')) == std::string::npos) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd waiting{m_fromSimulator, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready == 0) {
            throw std::runtime_error("the simulator did not answer " + fields[0]);
        }
        if (ready < 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t got = read(m_fromSimulator, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            throw std::runtime_error("the simulator has gone");
        }
        m_received.append(buffer, static_cast<size_t>(got));
    }
    std::vector<std::string> answer = sim::SplitControlLine(std::string_view(m_received).substr(0, end));
    m_received.erase(0, end + 1);
    if (answer.empty() || answer[0] != "OK") {
        throw std::runtime_error("the simulator refused " + fields[0] + ": " +
                                 (answer.size() > 1 ? answer[1] : ""));
    }
    answer.erase(answer.begin());
    return answer;
}

uint16_t ScpiSimulatorProcess::AddResource(const std::string& name) {
    const std::vector<std::string> answer = Request({"ADD", name});
    const uint16_t port = static_cast<uint16_t>(std::stoi(answer.at(0)));
    m_ports[name] = port;
    return port;
}

uint16_t ScpiSimulatorProcess::AddIpv6Resource(const std::string& name) {
    const std::vector<std::string> answer = Request({"ADD6", name});
    const uint16_t port = static_cast<uint16_t>(std::stoi(answer.at(0)));
    m_ports[name] = port;
    m_ipv6.insert(name);
    return port;
}

std::string ScpiSimulatorProcess::ResourceName(const std::string& name) const {
    const char* host = m_ipv6.count(name) != 0 ? "[::1]" : "127.0.0.1";
    return "TCPIP0::" + std::string(host) + "::" + std::to_string(m_ports.at(name)) + "::SOCKET";
}

void ScpiSimulatorProcess::SetIdentity(const std::string& name, const std::string& identity) {
    Request({"IDN", name, identity});
}

void ScpiSimulatorProcess::SetMode(const std::string& name, const std::string& mode) {
    Request({"MODE", name, mode});
}

void ScpiSimulatorProcess::SetReply(const std::string& name, const std::string& command,
                                    const std::string& bytes) {
    Request({"REPLY", name, command, bytes});
}

void ScpiSimulatorProcess::SetBlockReply(const std::string& name, const std::string& command, size_t length) {
    Request({"BLOCK", name, command, std::to_string(length)});
}

void ScpiSimulatorProcess::SetFillReply(const std::string& name, const std::string& command, size_t length) {
    Request({"FILL", name, command, std::to_string(length)});
}

void ScpiSimulatorProcess::SetDropOn(const std::string& name, const std::string& command) {
    Request({"DROP", name, command});
}

void ScpiSimulatorProcess::SetReplySequence(const std::string& name, const std::string& command,
                                            const std::vector<std::string>& replies) {
    std::vector<std::string> fields{"SEQUENCE", name, command};
    fields.insert(fields.end(), replies.begin(), replies.end());
    Request(fields);
}

void ScpiSimulatorProcess::SetCommandSet(const std::string& name, const std::string& set) {
    Request({"COMMANDSET", name, set});
}

void ScpiSimulatorProcess::SetReplyInPieces(const std::string& name, const std::string& command, int ms) {
    Request({"PIECES", name, command, std::to_string(ms)});
}

void ScpiSimulatorProcess::SetReplyTrickle(const std::string& name, const std::string& command, int ms) {
    Request({"TRICKLE", name, command, std::to_string(ms)});
}

void ScpiSimulatorProcess::SetDropAfterReply(const std::string& name, const std::string& command) {
    Request({"DROPAFTER", name, command});
}

void ScpiSimulatorProcess::SetRefused(const std::string& name, const std::string& command) {
    Request({"REFUSE", name, command});
}

void ScpiSimulatorProcess::SetDelay(const std::string& name, const std::string& command, int ms) {
    Request({"DELAY", name, command, std::to_string(ms)});
}

void ScpiSimulatorProcess::SetErrorCount(const std::string& name, int count) {
    Request({"ERRORS", name, std::to_string(count)});
}

void ScpiSimulatorProcess::SetOperationTime(const std::string& name, int ms) {
    Request({"OPC", name, std::to_string(ms)});
}

void ScpiSimulatorProcess::DropConnections(const std::string& name) {
    Request({"KICK", name});
}

std::vector<std::string> ScpiSimulatorProcess::Commands(const std::string& name) {
    return Request({"LOG", name});
}

std::vector<std::string> ScpiSimulatorProcess::WaitForCommands(const std::string& name, size_t count,
                                                               std::chrono::milliseconds timeout) {
    Request({"WAIT", name, std::to_string(count), std::to_string(timeout.count())},
            timeout + std::chrono::seconds(10));
    return Commands(name);
}

void ScpiSimulatorProcess::ClearCommands(const std::string& name) {
    Request({"CLEAR", name});
}

std::string ScpiSimulatorProcess::BlockPattern(size_t length) {
    return sim::ScpiSimulator::BlockPattern(length);
}

} // namespace orv::test
