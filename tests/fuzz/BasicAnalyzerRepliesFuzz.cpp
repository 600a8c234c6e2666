// Fuzz entry for the basic analysers' (N9320B, N9324C) reply readers: whatever an instrument sends in
// answer to the trace query, the error query, the pre-amplifier query or a level query must end in a
// result without a crash or a read past a buffer, and a trace given back holds its 461 values. The
// instrument is a loopback connection that sends the input and then ends its side, so no read waits.
#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"
#include "platform/visa/BuiltinVisa.h"

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace orv;

// One listening socket on loopback for the whole run.
class Listener {
public:
    Listener() {
        m_socket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_socket < 0 || bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_socket, 4) != 0 ||
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::abort();
        }
        m_port = ntohs(address.sin_port);
    }
    int Socket() const { return m_socket; }
    uint16_t Port() const { return m_port; }

private:
    int m_socket = -1;
    uint16_t m_port = 0;
};

const Listener& TheListener() {
    static const Listener listener;
    return listener;
}

template <class Driver> class LoopbackDriver : public Driver {
public:
    LoopbackDriver() = default;
    LoopbackDriver(const LoopbackDriver&) = delete;
    LoopbackDriver& operator=(const LoopbackDriver&) = delete;
    ~LoopbackDriver() override {
        if (this->m_resourceManager != visa::kNoSession) {
            this->m_vi.viClose(this->m_resourceManager);
        }
    }
    bool Open(uint16_t port) {
        this->m_vi = visa::BuiltinVisaEntryPoints();
        this->m_vi.viOpenDefaultRM(&this->m_resourceManager);
        const std::string name = "TCPIP0::127.0.0.1::" + std::to_string(port) + "::SOCKET";
        if (this->m_vi.viOpen(this->m_resourceManager, name.c_str(), 0, 0, &this->m_session) < 0) {
            return false;
        }
        this->m_vi.viSetAttribute(this->m_session, visa::kAttrReadBufferMode, 1);
        this->m_vi.viSetAttribute(this->m_session, visa::kAttrTimeoutValue, 20);
        return true;
    }
};

template <class Driver> void Answer(const uint8_t* data, size_t size, uint8_t choice) {
    LoopbackDriver<Driver> driver;
    if (!driver.Open(TheListener().Port())) {
        return;
    }
    const int instrument = accept4(TheListener().Socket(), nullptr, nullptr, SOCK_CLOEXEC);
    if (instrument < 0) {
        return;
    }
    if (write(instrument, data, size) == static_cast<ssize_t>(size)) {
        shutdown(instrument, SHUT_WR);
        SetLogAnalyzerErrorsSwitch((choice & 8) != 0);
        switch ((choice >> 1) & 3) {
        case 0: {
            const float* trace = driver.QueryScan();
            if (trace != nullptr) {
                volatile float last = trace[CSpectrumAnalyzerN9320B::kSweepPoints - 1];
                (void)last;
            }
            break;
        }
        case 1:
            driver.CheckStatus();
            break;
        case 2:
            driver.SetPreAmp(true);
            break;
        default:
            driver.ReadReferenceLevel();
            driver.ReadMarkerFrequency(1);
            break;
        }
        SetLogAnalyzerErrorsSwitch(false);
        if (driver.GetSweepPointCount() != CSpectrumAnalyzerN9320B::kSweepPoints) {
            std::abort();
        }
    }
    close(instrument);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // More than a socket's buffer could block the write before the driver reads.
    if (size == 0 || size > 8192) {
        return 0;
    }
    const uint8_t choice = data[0];
    if ((choice & 1) != 0) {
        Answer<CSpectrumAnalyzerN9324C>(data + 1, size - 1, choice);
    } else {
        Answer<CSpectrumAnalyzerN9320B>(data + 1, size - 1, choice);
    }
    return 0;
}
