#include "tests/platform/support/PseudoTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

namespace orv::test {

PseudoTerminal::PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        throw std::runtime_error("no pseudo-terminal name");
    }
    m_path = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    Hangup();
}

void PseudoTerminal::Hangup() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PseudoTerminal::Write(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd wait{m_master, POLLOUT, 0};
            ::poll(&wait, 1, 1000);
        } else {
            return;
        }
    }
}

std::vector<uint8_t> PseudoTerminal::Read(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count && m_master >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd wait{m_master, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        uint8_t block[4096];
        const ssize_t n = ::read(m_master, block, std::min(sizeof block, count - bytes.size()));
        if (n > 0) {
            bytes.insert(bytes.end(), block, block + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    return bytes;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::yield();
    }
    return true;
}

} // namespace orv::test
