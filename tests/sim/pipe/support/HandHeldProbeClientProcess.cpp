#include "tests/sim/pipe/support/HandHeldProbeClientProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orv::test {

HandHeldProbeClientProcess::HandHeldProbeClientProcess(const std::string& socketPath) {
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipes for the pipe client");
    }
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        throw std::runtime_error("pipes for the pipe client");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    char program[] = ORV_PIPE_CLIENT_SIMULATOR_PATH;
    std::string path = socketPath;
    char* argv[] = {program, path.data(), nullptr};
    const int result = posix_spawn(&m_pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    m_toProgram = toChild[1];
    m_fromProgram = fromChild[0];
    if (result != 0) {
        m_pid = -1;
        close(m_toProgram);
        close(m_fromProgram);
        throw std::runtime_error("cannot start " + std::string(program));
    }
    // A program that has gone must fail the write, not end the test with a signal.
    std::signal(SIGPIPE, SIG_IGN);
}

HandHeldProbeClientProcess::~HandHeldProbeClientProcess() {
    close(m_toProgram);
    close(m_fromProgram);
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string HandHeldProbeClientProcess::Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::vector<uint8_t> HandHeldProbeClientProcess::Message(uint16_t type, uint32_t totalLength,
                                                         const std::vector<uint8_t>& body) {
    std::vector<uint8_t> bytes(6 + body.size());
    std::memcpy(bytes.data(), &type, 2);
    std::memcpy(bytes.data() + 2, &totalLength, 4);
    std::copy(body.begin(), body.end(), bytes.begin() + 6);
    return bytes;
}

std::vector<uint8_t> HandHeldProbeClientProcess::Reply(int32_t result, uint32_t totalLength) {
    std::vector<uint8_t> body(4);
    std::memcpy(body.data(), &result, 4);
    if (totalLength > 10) {
        body.resize(totalLength - 6, 0);
    }
    return Message(1002, totalLength, body);
}

std::string HandHeldProbeClientProcess::NextLine(std::chrono::steady_clock::time_point until) {
    size_t end = 0;
    while ((end = m_received.find('\n')) == std::string::npos) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd waiting{m_fromProgram, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready == 0) {
            throw std::runtime_error("the pipe client did not answer in time");
        }
        if (ready < 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(m_fromProgram, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            throw std::runtime_error("the pipe client has gone");
        }
        m_received.append(buffer, static_cast<size_t>(got));
    }
    std::string line = m_received.substr(0, end);
    m_received.erase(0, end + 1);
    return line;
}

std::string HandHeldProbeClientProcess::WaitForLineStarting(const std::string& prefix,
                                                            std::chrono::milliseconds timeout) {
    for (auto it = m_lines.begin(); it != m_lines.end(); ++it) {
        if (it->rfind(prefix, 0) == 0) {
            std::string line = *it;
            m_lines.erase(it);
            return line;
        }
    }
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::string line = NextLine(until);
        if (line.rfind(prefix, 0) == 0) {
            return line;
        }
        m_lines.push_back(std::move(line));
    }
}

void HandHeldProbeClientProcess::Command(const std::string& line, std::chrono::milliseconds timeout) {
    const std::string text = line + "\n";
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t done = write(m_toProgram, text.data() + written, text.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            throw std::runtime_error("the pipe client has gone");
        }
        written += static_cast<size_t>(done);
    }
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::string answer = NextLine(until);
        if (answer == "OK") {
            return;
        }
        if (answer.rfind("ERR", 0) == 0) {
            throw std::runtime_error("the pipe client refused '" + line.substr(0, 40) + "': " + answer);
        }
        m_lines.push_back(std::move(answer));
    }
}

std::array<int32_t, 5> HandHeldProbeClientProcess::WaitForRequest(std::chrono::milliseconds timeout) {
    std::istringstream words(WaitForLineStarting("REQUEST", timeout).substr(7));
    std::array<int32_t, 5> values{};
    for (int32_t& value : values) {
        words >> value;
    }
    return values;
}

void HandHeldProbeClientProcess::WaitForReport(const std::string& report, std::chrono::milliseconds timeout) {
    WaitForLineStarting(report, timeout);
}

} // namespace orv::test
