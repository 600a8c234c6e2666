#pragma once

// The engine's side of one byte channel to the client: what the command and data endpoints read and
// write. The in-process transfer pipe implements it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stop_token>

namespace orv {

class CEngineChannel {
public:
    CEngineChannel() = default;
    CEngineChannel(const CEngineChannel&) = delete;
    CEngineChannel& operator=(const CEngineChannel&) = delete;
    virtual ~CEngineChannel();

    // Takes what fits of `n` bytes for the client; returns the count taken (0 when full).
    virtual std::size_t WriteToClient(const uint8_t* bytes, std::size_t n) = 0;
    // Takes all `n` bytes for the client, or none when they do not fit now (false). A frame written so
    // is never cut by a stop, and the client is woken once for it.
    virtual bool WriteWholeToClient(const uint8_t* bytes, std::size_t n) = 0;
    // The most bytes the client-bound direction can hold.
    virtual std::size_t ClientBoundCapacity() const = 0;
    // Takes up to `n` bytes the client wrote, from the front; 0 when there are none.
    virtual std::size_t ReadFromClient(uint8_t* buffer, std::size_t n) = 0;
    // Waits until the client has read something (room may have been made), at most `timeout`; false
    // on time-out or stop.
    virtual bool WaitForClientRead(std::chrono::milliseconds timeout, std::stop_token stop) = 0;
    // Waits until the client has written something, at most `timeout`; false on time-out or stop.
    virtual bool WaitForClientBytes(std::chrono::milliseconds timeout, std::stop_token stop) = 0;

    // Hands all `length` bytes to the client, waiting up to `fullWait` at a time for room while the
    // channel is full; false when `stop` comes first (the bytes taken so far stay sent).
    bool WriteAllToClient(const uint8_t* bytes, std::size_t length, std::chrono::milliseconds fullWait,
                          const std::stop_token& stop);
    // Hands a whole frame to the client. A frame the channel can hold waits for room for all of it
    // and is then written at once, so `begin` (besides `stop`) can end the wait without leaving part
    // of a frame behind; a longer one is written as room comes, and `begin` ends only the wait before
    // its first byte. False when a token ended it (nothing of the frame was written when `begin` did).
    bool WriteFrameToClient(const uint8_t* bytes, std::size_t length, std::chrono::milliseconds fullWait,
                            const std::stop_token& stop, const std::stop_token& begin);
};

} // namespace orv
