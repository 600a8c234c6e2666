#pragma once

// The adapter over TCP: a non-blocking stream socket with no delay on small writes. A read takes a
// whole count of bytes or none: it waits on the socket until all have come (a frame split over
// segments is whole in the end), for a budget of counter + (counter - 1) + ... + 1 ms (the counter
// being the caller's time-out, at most kMaxReadCounter), or until the stop in force on its thread
// (LinkStop), looked at between waits of at most one poll. The end of the stream or a socket error
// closes the socket and fails at once. Writes never raise SIGPIPE.

#include "engine/scanners/adapter/CAdapterTransport.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace orv {

class CAdapterTCPEngine final : public CAdapterTransport {
public:
    static constexpr uint32_t kConnectWaitMs = 1000;
    static constexpr int kReceiveBuffer = 65536;
    static constexpr uint32_t kMaxReadCounter = 100;

    CAdapterTCPEngine() = default;
    ~CAdapterTCPEngine() override;

    // Closes an open socket first; false (socket closed) when the adapter does not accept within
    // kConnectWaitMs or refuses.
    bool Connect(const std::string& address, uint16_t port);
    bool Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override;
    // `timeoutMs` is the counter of the budget above.
    bool Read(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) override;
    uint32_t GetLongestWaitMs(uint32_t timeoutMs) const override {
        const uint32_t counter = timeoutMs < kMaxReadCounter ? timeoutMs : kMaxReadCounter;
        return counter * (counter + 1) / 2;
    }
    void Close() override;

    bool IsOpen() const { return m_socket.load() >= 0; }
    const std::string& GetAddress() const { return m_address; }
    uint16_t GetPort() const { return m_port; }

private:
    std::string m_address;
    uint16_t m_port = 0;
    std::atomic<int> m_socket{-1};
};

} // namespace orv
