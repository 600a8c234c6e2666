#pragma once

// The instrument of the analyser reply fuzz entries: one listening socket on loopback for the whole
// run, and a driver opened on it through the built-in VISA layer with a short time-out. The entry
// accepts the connection, sends its input and ends its side, so no read waits.

#include "platform/visa/BuiltinVisa.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {

class LoopbackListener {
public:
    LoopbackListener() {
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

    static const LoopbackListener& Instance() {
        static const LoopbackListener listener;
        return listener;
    }

private:
    int m_socket = -1;
    uint16_t m_port = 0;
};

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

} // namespace orv::test
