#pragma once

// The worker that moves the received scan data of a running scan from the communication layer's
// transport queue into the scanning node. It wakes on the layer's data event, or every 20 ms, and
// hands every transport container queued by then, oldest first, to the node's mediator; it reports
// a scan error (or the end record) and its own end to the state controller. It only posts: it never waits for
// the user-interface thread, so that thread may stop and join it at any time.

#include "project/QScanThread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stop_token>
#include <thread>

namespace orv {

class Event;
class QCommLayer;
class QUIBBStateController;

class thScanThread final : public QScanThread {
public:
    static constexpr std::chrono::milliseconds kPollPeriod{20};

    // `value` is the mediator's run value (not read); `dataEvent` the layer's data event.
    thScanThread(int32_t value, Event& dataEvent, QUIBBStateController& controller, QCommLayer& layer,
                 QNodeMediator& mediator);
    // Clears the run flag, ends the wait and joins the thread.
    ~thScanThread() override;
    thScanThread(const thScanThread&) = delete;
    thScanThread& operator=(const thScanThread&) = delete;

    bool Start() override;
    // The thread leaves at its next wake; containers still queued stay in the layer's queue.
    void RequestStop();
    // RequestStop with the run flag cleared.
    void SignalEvent() override;

    bool HasError() const { return m_bError.load() != 0; }
    bool IsActive() const { return m_nActive.load() != 0; }
    // How often the loop woke (data, stop or the poll period): the tests count polls by it.
    uint64_t GetWakeCount() const { return m_nWakes.load(); }

private:
    void Run(std::stop_token stop);
    // False when no container was queued.
    bool HandOver();

    std::atomic<uint8_t> m_bError{0};
    Event& m_DataEvent;
    std::stop_source m_Stop;
    QNodeMediator& m_Mediator;
    QUIBBStateController& m_Controller;
    std::atomic<uint8_t> m_bRun{1};
    std::atomic<int32_t> m_nActive{0};
    QCommLayer& m_CommLayer;
    std::atomic<uint64_t> m_nWakes{0};
    std::jthread m_Thread;
};

} // namespace orv
