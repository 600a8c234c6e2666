#include "engine/scanners/adapter/CAdapterSerialEngine.h"

#include "engine/scanners/LinkStop.h"

namespace orv {

CAdapterSerialEngine::~CAdapterSerialEngine() {
    Close();
}

bool CAdapterSerialEngine::Open(const std::string& portName, uint32_t speed) {
    Close();
    m_portName = portName;
    m_speed = speed;
    if (portName.empty() || !m_serial.Open(portName, speed, 0, 1, 8)) {
        m_serial.Close();
        return false;
    }
    m_serial.Purge();
    m_serial.SetState(CSerialComm::kStateReady);
    return true;
}

bool CAdapterSerialEngine::Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) {
    uint32_t written = 0;
    return m_serial.Write(bytes, count, written, timeoutMs) && written == count;
}

bool CAdapterSerialEngine::Read(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    return LinkStop::ReadSerial(m_serial, buffer, count, timeoutMs);
}

void CAdapterSerialEngine::Close() {
    m_serial.Close();
}

} // namespace orv
