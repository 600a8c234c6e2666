#pragma once

// The receive thread of one channel endpoint: started and stopped by the communication layer, always
// joined. A stop requests the thread's stop token (ending its waits and any prompt it shows) and
// waits a bounded time for it to leave; a thread that will not leave stays unjoined and makes the
// next start fail with a log line, rather than hanging the caller. A stop asked on the thread itself
// (the workflow ends from a reply handler) only marks it to leave; the next start joins it first.

#include "platform/sync/Event.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace orv {

class QChannelThread {
public:
    static constexpr std::chrono::milliseconds kJoinBound{5000};

    explicit QChannelThread(std::string name);
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

protected:
    // False (with a log line) when an earlier thread is still running and does not leave in time.
    bool StartThread();
    // Requests the stop and waits (bounded) for the thread to leave; on the thread itself only
    // requests it.
    void StopThread();
    // Stops and joins without a bound: the endpoint is going away and its thread uses its members.
    void JoinForGood();

    // The thread's loop; leaves when the stop token is requested or the run flag is cleared.
    virtual void Run(std::stop_token stop) = 0;
    bool KeepRunning(const std::stop_token& stop) const {
        return m_run.load() != 0 && !stop.stop_requested();
    }

private:
    // Under m_control: joins a thread that has left; false when one is still running.
    bool ReapLocked(std::unique_lock<std::mutex>& control);

    const std::string m_name;
    std::mutex m_control; // the thread object
    std::jthread m_thread;
    std::atomic<std::thread::id> m_threadId{};
    std::atomic<uint8_t> m_run{1};
    std::atomic<int32_t> m_active{0};
    Event m_left{Event::Reset::Manual, true};
};

} // namespace orv
