#pragma once

// The adapter over a USB serial port: 8 data bits, no parity, one stop bit. Reads and writes pass
// straight to the port with the caller's time-outs; a read also ends within a poll of the stop in
// force on its thread (LinkStop).

#include "engine/scanners/adapter/CAdapterTransport.h"
#include "platform/serial/CSerialComm.h"

#include <cstdint>
#include <string>

namespace orv {

class CAdapterSerialEngine final : public CAdapterTransport {
public:
    static constexpr uint32_t kDefaultSpeed = 115200;

    CAdapterSerialEngine() = default;
    ~CAdapterSerialEngine() override;

    // Closes what it holds first; an empty name, or a port that does not open, fails and is never
    // marked ready. On success both buffers are purged and the port is ready.
    bool Open(const std::string& portName, uint32_t speed);
    bool Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override;
    bool Read(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) override;
    uint32_t GetLongestWaitMs(uint32_t timeoutMs) const override { return timeoutMs; }
    void Close() override;

    bool IsReady() const { return m_serial.GetState() == CSerialComm::kStateReady; }
    const std::string& GetPortName() const { return m_portName; }
    uint32_t GetSpeed() const { return m_speed; }

private:
    CSerialComm m_serial;
    std::string m_portName;
    uint32_t m_speed = kDefaultSpeed;
};

} // namespace orv
