// A megabyte through a pseudo-terminal into a serial port's receive buffer, taken out one byte at a
// time (as the arm's packet hunt does) and in blocks, against plain reads of the same bytes from the
// terminal in the same run. Process CPU time counts every thread: the device side writing, the
// port's reader thread and the taker.

#include "platform/serial/CSerialComm.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

class Pty {
public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
            ::ptsname_r(m_master, name, sizeof name) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        m_path = name;
    }
    ~Pty() { ::close(m_master); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& Path() const { return m_path; }

    void WriteAll(const std::vector<uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                return;
            }
        }
    }

private:
    int m_master = -1;
    std::string m_path;
};

std::vector<uint8_t> Payload() {
    std::vector<uint8_t> bytes(kMegabyte);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    return bytes;
}

enum class Taker { ReadByte, Read };

void ThroughPort(benchmark::State& state, Taker taker) {
    const std::vector<uint8_t> payload = Payload();
    std::vector<uint8_t> received(kMegabyte);
    const auto block = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Pty pty;
        orv::CSerialComm port;
        if (!port.Open(pty.Path(), 115200, 0, 1, 8)) {
            state.SkipWithError("open failed");
            return;
        }
        port.SetState(orv::CSerialComm::kStateReady);
        state.ResumeTiming();
        std::jthread device([&] { pty.WriteAll(payload); });
        std::size_t taken = 0;
        while (taken < kMegabyte) {
            if (taker == Taker::ReadByte) {
                if (!port.ReadByte(received[taken])) {
                    break;
                }
                ++taken;
            } else {
                uint32_t read = 0;
                const auto want = static_cast<uint32_t>(std::min<std::size_t>(block, kMegabyte - taken));
                if (!port.Read(received.data() + taken, want, read, 1000)) {
                    break;
                }
                taken += read;
            }
        }
        device.join();
        state.PauseTiming();
        if (taken != kMegabyte || received != payload) {
            state.SkipWithError("bytes lost");
        }
        port.Close();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMegabyte));
}

void BM_PortReadByte(benchmark::State& state) {
    ThroughPort(state, Taker::ReadByte);
}
void BM_PortRead(benchmark::State& state) {
    ThroughPort(state, Taker::Read);
}

// The same bytes read straight from the terminal side, in blocks, with no thread or buffer between.
void BM_PlainTerminalReads(benchmark::State& state) {
    const std::vector<uint8_t> payload = Payload();
    std::vector<uint8_t> received(kMegabyte);
    for (auto _ : state) {
        state.PauseTiming();
        Pty pty;
        const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios line{};
        ::tcgetattr(fd, &line);
        ::cfmakeraw(&line);
        ::tcsetattr(fd, TCSANOW, &line);
        state.ResumeTiming();
        std::jthread device([&] { pty.WriteAll(payload); });
        std::size_t taken = 0;
        while (taken < kMegabyte) {
            const ssize_t n = ::read(fd, received.data() + taken, kMegabyte - taken);
            if (n <= 0) {
                break;
            }
            taken += static_cast<std::size_t>(n);
        }
        device.join();
        state.PauseTiming();
        if (taken != kMegabyte || received != payload) {
            state.SkipWithError("bytes lost");
        }
        ::close(fd);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMegabyte));
}

} // namespace

BENCHMARK(BM_PlainTerminalReads)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortReadByte)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortRead)
    ->Arg(32)
    ->Arg(4096)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
