#pragma once

#include "platform/visa/BuiltinVisa.h"

#include <cstdint>
#include <string>

namespace orv::bench {

// A driver whose session is a built-in VISA socket session to a loopback responder; closes its
// resource manager (and so the session) when it goes.
template <class Driver> class LoopbackVisaDriver : public Driver {
public:
    LoopbackVisaDriver() = default;
    LoopbackVisaDriver(const LoopbackVisaDriver&) = delete;
    LoopbackVisaDriver& operator=(const LoopbackVisaDriver&) = delete;
    ~LoopbackVisaDriver() override {
        if (this->m_resourceManager != visa::kNoSession) {
            this->m_vi.viClose(this->m_resourceManager);
        }
    }

protected:
    bool OpenLoopbackSession(uint16_t port) {
        this->m_vi = visa::BuiltinVisaEntryPoints();
        this->m_vi.viOpenDefaultRM(&this->m_resourceManager);
        const std::string name = "TCPIP0::127.0.0.1::" + std::to_string(port) + "::SOCKET";
        return this->m_vi.viOpen(this->m_resourceManager, name.c_str(), 0, 0, &this->m_session) >= 0;
    }
};

} // namespace orv::bench
