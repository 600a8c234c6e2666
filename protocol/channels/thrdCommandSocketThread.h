#pragma once

// The command channel's endpoint: writes serialised commands into the command pipe's engine-bound
// queue and, on its receive thread, cuts the engine's replies from the client-bound queue and hands
// each to the communication layer. Host and port are only recorded: the engine runs in-process and
// the pipe is the whole channel.

#include "protocol/channels/QChannelThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

namespace orv {

class CTransferPipe;
class QCommLayer;

class thrdCommandSocketThread final : public QChannelThread {
public:
    static constexpr std::size_t kReceiveBytes = 5120;
    static constexpr std::chrono::milliseconds kIdleWait{10};

    // `stopping` ends a send that waits for room when the layer stops.
    thrdCommandSocketThread(QCommLayer* owner, std::stop_token stopping);
    ~thrdCommandSocketThread() override;

    // Ends the receive thread (bounded; on the thread itself it only marks it to end).
    void Stop();

    // Writes the whole buffer to the engine, waiting for room while the pipe is full. False when
    // nothing could be sent whole: no pipe, the channel not connected (Send only), the layer
    // stopping while the pipe stays full, or a failing write. Nothing to send counts as sent.
    bool Send(const uint8_t* bytes, std::size_t length);
    bool SendUnchecked(const uint8_t* bytes, std::size_t length);

private:
    void HandleFrame(std::span<const uint8_t> frame, const std::stop_token& stop) override;

    QCommLayer* const m_owner;
    const std::stop_token m_stopping;
};

} // namespace orv
