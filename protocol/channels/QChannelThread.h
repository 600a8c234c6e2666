#pragma once

// The receive thread of one channel endpoint: started and stopped by the communication layer, always
// joined. A stop requests the thread's stop token (ending its waits and any prompt it shows) and
// waits a bounded time for it to leave; a thread that will not leave stays unjoined and makes the
// next start fail with a log line, rather than hanging the caller. A stop asked on the thread itself
// (the workflow ends from a reply handler) only marks it to leave; the next start joins it first.
// It also holds what every endpoint records about its channel (host, port, pipe, connected flag)
// and the receive loop (read the engine's bytes, cut them into frames, hand each frame to the
// endpoint), so the command and data endpoints open, receive, close and go away the same way.

#include "platform/sync/Event.h"
#include "protocol/channels/QFrameCutter.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>
#include <thread>

namespace orv {

class CTransferPipe;

class QChannelThread {
public:
    static constexpr std::chrono::milliseconds kJoinBound{5000};

    // The endpoint reads up to `receiveBytes` at a time, cuts with `cutter` and, with nothing to
    // read, waits up to `idleWait` for the engine's next bytes.
    QChannelThread(std::string name, QFrameCutter cutter, std::size_t receiveBytes,
                   std::chrono::milliseconds idleWait);
    QChannelThread(const QChannelThread&) = delete;
    QChannelThread& operator=(const QChannelThread&) = delete;
    // Derived endpoints call JoinForGood in their own destructor, before their members go.
    virtual ~QChannelThread();

    // On a receive thread, that thread's stop token (a box shown there ends when the channel stops);
    // elsewhere a token that can never be requested.
    static std::stop_token CurrentStopToken();

    bool IsRunFlagSet() const { return m_run.load() != 0; }
    // 1 while the thread function runs.
    int32_t GetActiveCount() const { return m_active.load(); }
    const std::string& GetName() const { return m_name; }

    // The pipe outlives the endpoint (the main frame makes it first and deletes it last).
    void SetTransferPipe(CTransferPipe* pipe) { m_pipe.store(pipe); }
    CTransferPipe* GetTransferPipe() const { return m_pipe.load(); }

    // Host and port are only recorded: the engine runs in-process and the pipe is the whole channel.
    void Connect(const std::string& host, int32_t port);
    std::string GetHost() const;
    int32_t GetPort() const { return m_port.load(); }

    // Sets the connected and run flags and starts the receive thread.
    bool Start();
    bool IsConnected() const { return m_connected.load() != 0; }

protected:
    // Drops the socket and the connected flag, then ends the receive thread (see StopThread).
    void CloseEndpoint();
    // For the endpoint's destructor: the thread uses the endpoint's members, so it is joined before
    // they go.
    void DeleteEndpoint();

    // False (with a log line) when an earlier thread is still running and does not leave in time.
    bool StartThread();
    // Requests the stop and waits (bounded) for the thread to leave; on the thread itself only
    // requests it.
    void StopThread();
    // Stops and joins without a bound: the endpoint is going away and its thread uses its members.
    void JoinForGood();

    // One whole frame of the channel, on the receive thread; an exception it throws is logged and
    // the loop goes on with the next frame.
    virtual void HandleFrame(std::span<const uint8_t> frame, const std::stop_token& stop) = 0;
    bool KeepRunning(const std::stop_token& stop) const {
        return m_run.load() != 0 && !stop.stop_requested();
    }

private:
    // The thread's loop; leaves when the stop token is requested or the run flag is cleared.
    void Run(const std::stop_token& stop);
    // Under m_control: joins a thread that has left; false when one is still running.
    bool ReapLocked(std::unique_lock<std::mutex>& control);

    const std::string m_name;
    // Owned by the receive thread while it runs.
    QFrameCutter m_cutter;
    const std::size_t m_receiveBytes;
    std::unique_ptr<uint8_t[]> m_receive;
    const std::chrono::milliseconds m_idleWait;
    std::mutex m_control; // the thread object
    std::jthread m_thread;
    std::atomic<std::thread::id> m_threadId{};
    std::atomic<uint8_t> m_run{1};
    std::atomic<int32_t> m_active{0};
    Event m_left{Event::Reset::Manual, true};

    mutable std::mutex m_hostLock;
    std::string m_host;
    std::atomic<int32_t> m_port{0};
    std::atomic<int32_t> m_socket{-1}; // kept for a network form of the channel; never opened here
    std::atomic<CTransferPipe*> m_pipe{nullptr};
    std::atomic<uint8_t> m_connected{0};
};

} // namespace orv
