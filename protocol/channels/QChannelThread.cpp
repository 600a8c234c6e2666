#include "protocol/channels/QChannelThread.h"

#include "platform/log/InformationLog.h"

#include <utility>

namespace orv {

namespace {

thread_local std::stop_token t_channelStop;

} // namespace

std::stop_token QChannelThread::CurrentStopToken() {
    return t_channelStop;
}

QChannelThread::QChannelThread(std::string name) : m_name(std::move(name)) {}

QChannelThread::~QChannelThread() = default;

bool QChannelThread::ReapLocked(std::unique_lock<std::mutex>& control) {
    if (!m_thread.joinable()) {
        return true;
    }
    m_thread.request_stop();
    control.unlock();
    const bool left = m_left.Wait(kJoinBound);
    control.lock();
    if (!left) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return true;
}

bool QChannelThread::StartThread() {
    std::unique_lock<std::mutex> control(m_control);
    if (!ReapLocked(control)) {
        AddInformationMessage(
            1, m_name + ": the previous receive thread has not ended; the channel is not started.");
        return false;
    }
    m_run.store(1);
    m_left.Clear();
    m_active.store(1);
    m_thread = std::jthread([this](std::stop_token stop) {
        m_threadId.store(std::this_thread::get_id());
        t_channelStop = stop;
        Run(std::move(stop));
        m_threadId.store(std::thread::id{});
        m_active.store(0);
        m_left.Set();
    });
    return true;
}

void QChannelThread::StopThread() {
    m_run.store(0);
    if (m_threadId.load() == std::this_thread::get_id()) {
        // Asked from the thread's own loop: it leaves when the handler returns.
        std::lock_guard<std::mutex> control(m_control);
        m_thread.request_stop();
        return;
    }
    std::unique_lock<std::mutex> control(m_control);
    if (!ReapLocked(control)) {
        AddInformationMessage(1, m_name + ": the receive thread did not end in time.");
    }
}

void QChannelThread::Connect(const std::string& host, int32_t port) {
    std::lock_guard<std::mutex> lock(m_hostLock);
    m_host = host;
    m_port.store(port);
}

std::string QChannelThread::GetHost() const {
    std::lock_guard<std::mutex> lock(m_hostLock);
    return m_host;
}

bool QChannelThread::Start() {
    m_connected.store(1);
    if (!StartThread()) {
        m_connected.store(0);
        return false;
    }
    return true;
}

void QChannelThread::CloseEndpoint() {
    m_socket.store(-1);
    m_connected.store(0);
    StopThread();
}

void QChannelThread::DeleteEndpoint() {
    JoinForGood();
    m_socket.store(-1);
}

void QChannelThread::JoinForGood() {
    m_run.store(0);
    std::lock_guard<std::mutex> control(m_control);
    if (m_thread.joinable()) {
        m_thread.request_stop();
        if (m_threadId.load() == std::this_thread::get_id()) {
            // An endpoint deleted from its own thread: joining would deadlock, so the thread is let go
            // and leaves at once (its run flag is clear).
            m_thread.detach();
            return;
        }
        m_thread.join();
    }
}

} // namespace orv
