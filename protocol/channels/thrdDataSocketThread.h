#pragma once

// The data channel's endpoint: on its receive thread it cuts the engine's data frames from the data
// pipe's client-bound queue, builds each into its packet with the endpoint's own factory, offers the
// packet to its own hand-over to the communication layer and gives the layer every packet that did
// not hand itself over.

#include "protocol/channels/QChannelThread.h"
#include "protocol/packets/QPacketFactory.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

namespace orv {

class CTransferPipe;
class QCommLayer;

class thrdDataSocketThread final : public QChannelThread {
public:
    static constexpr std::size_t kReceiveBytes = 307200;
    static constexpr std::chrono::milliseconds kIdleWait{5};

    explicit thrdDataSocketThread(QCommLayer* owner);
    ~thrdDataSocketThread() override;

    void Stop();

private:
    void HandleFrame(std::span<const uint8_t> frame, const std::stop_token& stop) override;

    QCommLayer* const m_owner;
    QPacketFactory m_factory;
};

} // namespace orv
