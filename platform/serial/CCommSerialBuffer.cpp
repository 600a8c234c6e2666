#include "platform/serial/CCommSerialBuffer.h"

#include <algorithm>
#include <cstring>

namespace orv {

CCommSerialBuffer::CCommSerialBuffer(std::size_t capacity) : m_ring(std::max<std::size_t>(capacity, 1)) {}

std::size_t CCommSerialBuffer::WaitForRoom(const std::stop_token& stop) {
    std::unique_lock lock(m_mutex);
    m_readerWaitsForRoom = true;
    m_roomFreed.wait(lock, stop, [this] { return m_size < m_ring.size(); });
    m_readerWaitsForRoom = false;
    if (stop.stop_requested()) {
        return 0;
    }
    return m_ring.size() - m_size;
}

void CCommSerialBuffer::Append(const uint8_t* bytes, std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        count = std::min(count, m_ring.size() - m_size);
        if (count == 0) {
            return;
        }
        const std::size_t capacity = m_ring.size();
        const std::size_t end = (m_first + m_size) % capacity;
        const std::size_t firstPart = std::min(count, capacity - end);
        std::memcpy(m_ring.data() + end, bytes, firstPart);
        std::memcpy(m_ring.data(), bytes + firstPart, count - firstPart);
        m_size += count;
        m_dataAvailable = true;
    }
    m_dataAvailableChanged.notify_all();
}

void CCommSerialBuffer::MarkEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_dataAvailableChanged.notify_all();
}

std::size_t CCommSerialBuffer::TakeLocked(uint8_t* out, std::size_t count) {
    const std::size_t taken = std::min(count, m_size);
    if (taken == 0) {
        return 0;
    }
    const std::size_t capacity = m_ring.size();
    const std::size_t firstPart = std::min(taken, capacity - m_first);
    std::memcpy(out, m_ring.data() + m_first, firstPart);
    std::memcpy(out + firstPart, m_ring.data(), taken - firstPart);
    m_first = (m_first + taken) % capacity;
    m_size -= taken;
    if (m_size == 0) {
        m_first = 0;
        m_dataAvailable = false;
    }
    if (m_readerWaitsForRoom) {
        m_roomFreed.notify_all();
    }
    return taken;
}

std::size_t CCommSerialBuffer::Take(uint8_t* out, std::size_t count,
                                    std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    std::size_t taken = TakeLocked(out, count);
    while (taken < count && !m_ended) {
        if (!m_dataAvailableChanged.wait_until(lock, deadline,
                                               [this] { return m_dataAvailable || m_ended; })) {
            break;
        }
        taken += TakeLocked(out + taken, count - taken);
    }
    return taken;
}

void CCommSerialBuffer::ClearLocked() {
    m_first = 0;
    m_size = 0;
    m_dataAvailable = false;
    if (m_readerWaitsForRoom) {
        m_roomFreed.notify_all();
    }
}

void CCommSerialBuffer::Clear() {
    std::lock_guard lock(m_mutex);
    ClearLocked();
}

void CCommSerialBuffer::Restart() {
    std::lock_guard lock(m_mutex);
    ClearLocked();
    m_ended = false;
}

std::size_t CCommSerialBuffer::Size() const {
    std::lock_guard lock(m_mutex);
    return m_size;
}

bool CCommSerialBuffer::IsDataAvailable() const {
    std::lock_guard lock(m_mutex);
    return m_dataAvailable;
}

bool CCommSerialBuffer::HasEnded() const {
    std::lock_guard lock(m_mutex);
    return m_ended;
}

} // namespace orv
