#pragma once

// The data channel's endpoint: on its receive thread it cuts the engine's data frames from the data
// pipe's client-bound queue, builds each into its packet with the endpoint's own factory, offers the
// packet to its own hand-over to the communication layer and gives the layer every packet that did
// not hand itself over.

#include "protocol/channels/QChannelThread.h"
#include "protocol/channels/QFrameCutter.h"
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

    void SetTransferPipe(CTransferPipe* pipe) { m_pipe.store(pipe); }
    CTransferPipe* GetTransferPipe() const { return m_pipe.load(); }

    void Connect(const std::string& host, int32_t port);
    std::string GetHost() const;
    int32_t GetPort() const { return m_port.load(); }

    bool Start();
    void Stop();
    bool IsConnected() const { return m_connected.load() != 0; }

private:
    void Run(std::stop_token stop) override;

    QCommLayer* const m_owner;
    mutable std::mutex m_hostLock;
    std::string m_host;
    std::atomic<int32_t> m_port{0};
    std::atomic<int32_t> m_socket{-1};
    QPacketFactory m_factory;
    std::atomic<CTransferPipe*> m_pipe{nullptr};
    std::atomic<uint8_t> m_connected{0};
    // Owned by the receive thread while it runs.
    QFrameCutter m_cutter;
    std::unique_ptr<uint8_t[]> m_receive;
};

} // namespace orv
