#pragma once

// The in-process link between the client's communication layer and the engine: two byte queues of
// 307200 bytes, one towards the engine (commands or whatever the client sends) and one towards the
// client (replies, text packets, scan data). Each direction has its own lock and is written by one
// thread and read by another. A write takes what fits and returns the count taken; a read takes from
// the front. Each queue is a ring, so reads of any size cost only the bytes they copy.
//
// Each direction also signals its reader when bytes arrive and its writer when bytes were taken, so
// neither side has to poll blindly (the waits go through the platform clock).

#include "engine/CEngineChannel.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace orv {

class CTransferPipe final : public CEngineChannel {
public:
    static constexpr std::size_t kQueueBytes = 307200;

    CTransferPipe();
    ~CTransferPipe() override;

    // Client side.
    std::size_t WriteToEngine(const uint8_t* bytes, std::size_t n);
    std::size_t ReadFromEngine(uint8_t* buffer, std::size_t n);
    bool WaitForEngineBytes(std::chrono::milliseconds timeout, std::stop_token stop = {});
    bool WaitForEngineRead(std::chrono::milliseconds timeout, std::stop_token stop = {});

    // Engine side.
    std::size_t WriteToClient(const uint8_t* bytes, std::size_t n) override;
    bool WriteWholeToClient(const uint8_t* bytes, std::size_t n) override;
    std::size_t ClientBoundCapacity() const override { return kQueueBytes; }
    std::size_t ReadFromClient(uint8_t* buffer, std::size_t n) override;
    bool WaitForClientRead(std::chrono::milliseconds timeout, std::stop_token stop) override;
    bool WaitForClientBytes(std::chrono::milliseconds timeout, std::stop_token stop) override;

    // Bytes held in each direction.
    std::size_t EngineBoundFill() const { return m_toEngine.fill.load(std::memory_order_acquire); }
    std::size_t ClientBoundFill() const { return m_toClient.fill.load(std::memory_order_acquire); }

private:
    struct Queue {
        Queue();
        std::size_t Write(const uint8_t* bytes, std::size_t n);
        // All `n` bytes or none.
        bool WriteWhole(const uint8_t* bytes, std::size_t n);
        std::size_t Read(uint8_t* buffer, std::size_t n);

        std::mutex lock;
        std::unique_ptr<uint8_t[]> bytes;
        std::size_t head = 0; // index of the first byte held
        // Read without the lock by the empty test; changed only under it.
        std::atomic<std::size_t> fill{0};
        Event arrived{Event::Reset::Auto};
        Event taken{Event::Reset::Auto};
    };

    Queue m_toEngine;
    Queue m_toClient;
};

} // namespace orv
