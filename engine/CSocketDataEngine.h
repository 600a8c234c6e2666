#pragma once

// The engine's data side: sends the scan packets (results, progress, terminators) to the client over
// the data channel, and on its own thread reads and drops whatever the client writes there (whole
// frames; stray bytes up to the next frame marker; frames too long for its bounded buffer by their
// length).

#include "engine/CEngineChannel.h"
#include "engine/CFrameAccumulator.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

namespace orv {

class CSocketDataEngine {
public:
    static constexpr std::size_t kReceiveBufferBytes = 20480;
    static constexpr std::size_t kReadBytes = 5120;
    // The longest single wait for the client to make room.
    static constexpr std::chrono::milliseconds kFullQueueWait{200};

    CSocketDataEngine();
    ~CSocketDataEngine();
    CSocketDataEngine(const CSocketDataEngine&) = delete;
    CSocketDataEngine& operator=(const CSocketDataEngine&) = delete;

    void SetChannel(CEngineChannel* channel) { m_channel = channel; }
    // Starts the receive thread; true.
    bool Start();
    // Ends the receive thread and every wait of Send (which then fails); called by the destructor.
    void Shutdown();

    // Sends the whole frame: what does not fit waits until the client reads. False (logged "sending
    // packet failed.") when there is no channel or the engine shuts down first; false, unlogged, when
    // `scanStop` ends the wait before the frame began (nothing of it is then sent).
    bool Send(const uint8_t* bytes, std::size_t length, const std::stop_token& scanStop = {});
    // Sends the whole frame only if that needs no wait (the channel has room and no other send is
    // under way); false, sending nothing, otherwise. For callers holding the device lock.
    bool TrySend(const uint8_t* bytes, std::size_t length);

    void SetEnabled(bool enabled) { m_enabled.store(enabled); }
    // Frames the receive side has dropped whole (for tests and diagnostics).
    uint64_t DroppedFrames() const { return m_droppedFrames.load(); }
    bool IsReceiving() const { return m_receiving.load(); }

private:
    void ReceiveLoop(const std::stop_token& stop);

    CEngineChannel* m_channel = nullptr;
    std::atomic<bool> m_enabled{true};
    std::atomic<bool> m_receiving{false};
    std::atomic<uint64_t> m_droppedFrames{0};
    std::stop_source m_shutdown;
    std::mutex m_sendLock;
    CFrameAccumulator m_received{kReceiveBufferBytes};
    std::jthread m_thread;
};

} // namespace orv
