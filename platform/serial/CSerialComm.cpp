#include "platform/serial/CSerialComm.h"

#include "platform/serial/SerialLineSetup.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace orv {

namespace {

constexpr std::size_t kReadBlock = std::size_t{16} * 1024;

std::chrono::steady_clock::time_point DeadlineAfter(uint32_t timeoutMs) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

void SignalWake(int wakeFd) {
    if (wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t done = ::write(wakeFd, &one, sizeof one);
    }
}

} // namespace

CSerialComm::CSerialComm() = default;

CSerialComm::~CSerialComm() {
    Close();
}

bool CSerialComm::Open(const std::string& portName, uint32_t speed, int parity, int stopBitsCode,
                       int dataBits) {
    Close();
    CriticalSectionGuard guard(m_section);
    m_portName = portName;

    const int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    m_fd.store(fd);
    // A port held elsewhere fails here: the advisory lock even against root, the exclusive mode
    // against every other program.
    if (::isatty(fd) == 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 ||
        !ConfigureRawSerialLine(fd, speed, parity, stopBitsCode, dataBits)) {
        CloseDescriptors();
        return false;
    }
    // A pseudo-terminal has no modem lines and refuses the call; that is no failure.
    const int dtr = TIOCM_DTR;
    if (::ioctl(fd, TIOCMBIS, &dtr) != 0 && errno != ENOTTY && errno != EINVAL) {
        CloseDescriptors();
        return false;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        CloseDescriptors();
        return false;
    }
    m_wakeFd.store(wakeFd);

    m_buffer.Restart();
    m_lost.store(false);
    m_readerStarted.Clear();
    m_reader = std::jthread([this](const std::stop_token& stop) {
        m_readerStarted.Set();
        ReaderLoop(stop);
    });
    m_readerStarted.Wait();
    m_state.store(kStateOpened);
    return true;
}

void CSerialComm::ReaderLoop(const std::stop_token& stop) {
    const int fd = m_fd.load();
    const int wakeFd = m_wakeFd.load();
    uint8_t block[kReadBlock];
    pollfd waits[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    while (!stop.stop_requested()) {
        const std::size_t room = m_buffer.WaitForRoom(stop);
        if (room == 0) {
            return;
        }
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            MarkLost();
            return;
        }
        if (waits[1].revents != 0) {
            return;
        }
        const short events = waits[0].revents;
        if ((events & POLLIN) != 0) {
            const ssize_t got = ::read(fd, block, std::min(room, sizeof block));
            if (got > 0) {
                m_buffer.Append(block, static_cast<std::size_t>(got));
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            // 0 is a hung-up line; EIO a pulled-out adapter or a closed pseudo-terminal master.
            MarkLost();
            return;
        }
        if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            MarkLost();
            return;
        }
    }
}

void CSerialComm::MarkLost() {
    m_lost.store(true);
    m_buffer.MarkEnded();
}

void CSerialComm::CloseDescriptors() {
    const int fd = m_fd.exchange(-1);
    if (fd >= 0) {
        ::close(fd); // also gives up the advisory lock
    }
    const int wakeFd = m_wakeFd.exchange(-1);
    if (wakeFd >= 0) {
        ::close(wakeFd);
    }
}

void CSerialComm::Close() {
    // Wake the reader thread and a Write or Read in progress before taking the lock a Write holds.
    SignalWake(m_wakeFd.load());
    m_buffer.MarkEnded();
    CriticalSectionGuard guard(m_section);
    if (m_reader.joinable()) {
        m_reader.request_stop();
        m_reader.join();
    }
    CloseDescriptors();
    m_state.store(kStateClosed);
}

void CSerialComm::Purge() {
    CriticalSectionGuard guard(m_section);
    const int fd = m_fd.load();
    if (fd >= 0) {
        ::tcflush(fd, TCIOFLUSH);
    }
    m_buffer.Clear();
}

bool CSerialComm::Write(const uint8_t* bytes, uint32_t count, uint32_t& written, uint32_t timeoutMs) {
    written = 0;
    if (m_state.load() != kStateReady || m_lost.load()) {
        return false;
    }
    CriticalSectionGuard guard(m_section);
    const int fd = m_fd.load();
    const int wakeFd = m_wakeFd.load();
    if (fd < 0) {
        return false;
    }
    const auto deadline = DeadlineAfter(timeoutMs);
    while (written < count) {
        const ssize_t done = ::write(fd, bytes + written, count - written);
        if (done > 0) {
            written += static_cast<uint32_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0 && errno != EAGAIN) {
            MarkLost();
            return false;
        }
        int waitMs = -1;
        if (timeoutMs != 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            waitMs = static_cast<int>(left.count());
        }
        pollfd waits[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(waits, 2, waitMs) < 0 && errno != EINTR) {
            return false;
        }
        if (waits[1].revents != 0) {
            return false; // being closed
        }
        if ((waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            MarkLost();
            return false;
        }
    }
    return true;
}

bool CSerialComm::Read(uint8_t* buffer, uint32_t count, uint32_t& read, uint32_t timeoutMs) {
    read = 0;
    if (m_state.load() != kStateReady) {
        return false;
    }
    read = static_cast<uint32_t>(m_buffer.Take(buffer, count, DeadlineAfter(timeoutMs)));
    return read == count;
}

bool CSerialComm::ReadByte(uint8_t& byte) {
    uint32_t read = 0;
    return Read(&byte, 1, read, kReadByteTimeoutMs);
}

uint32_t CSerialComm::GetLineSpeed() const {
    const int fd = m_fd.load();
    return fd < 0 ? 0 : ReadSerialLineSpeed(fd);
}

} // namespace orv
