#pragma once

// The receive buffer of a serial port: the port's reader thread appends what arrived, the port's
// owner takes it out. One lock guards the bytes; the data-available signal is raised once per block
// appended and falls when the buffer is emptied.
//
// The buffer is bounded: when it is full the reader thread waits for room rather than drop a byte.
// Once the port has ended (lost, or being closed) no more bytes come: what is in the buffer can still
// be taken, and a taker waiting for more is woken and gets only that.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <vector>

namespace orv {

class CCommSerialBuffer {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{256} * 1024;

    explicit CCommSerialBuffer(std::size_t capacity = kDefaultCapacity);
    CCommSerialBuffer(const CCommSerialBuffer&) = delete;
    CCommSerialBuffer& operator=(const CCommSerialBuffer&) = delete;

    // Reader side. Waits until there is room for a byte; the room, or 0 when `stop` was requested.
    std::size_t WaitForRoom(const std::stop_token& stop);
    // Appends `count` bytes (at most the room WaitForRoom gave) and raises the data-available signal.
    void Append(const uint8_t* bytes, std::size_t count);
    // No more bytes will come until Restart.
    void MarkEnded();

    // Owner side. Takes up to `count` bytes into `out`, waiting until `deadline` for more while fewer
    // have come and the port has not ended; returns how many were taken.
    std::size_t Take(uint8_t* out, std::size_t count, std::chrono::steady_clock::time_point deadline);
    // Drops what is buffered.
    void Clear();
    // Empty and expecting bytes again (a port opened anew).
    void Restart();

    std::size_t Size() const;
    bool IsDataAvailable() const;
    bool HasEnded() const;

private:
    std::size_t TakeLocked(uint8_t* out, std::size_t count); // under m_mutex
    void ClearLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_dataAvailableChanged;
    std::condition_variable_any m_roomFreed;
    std::vector<uint8_t> m_ring;
    std::size_t m_first = 0; // index of the oldest byte in m_ring
    std::size_t m_size = 0;
    bool m_dataAvailable = false;
    bool m_ended = false;
    bool m_readerWaitsForRoom = false;
};

} // namespace orv
