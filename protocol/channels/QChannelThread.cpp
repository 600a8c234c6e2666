#include "protocol/channels/QChannelThread.h"

#include "engine/CTransferPipe.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"

#include <exception>
#include <utility>

namespace orv {

namespace {

thread_local std::stop_token t_channelStop;

} // namespace

std::stop_token QChannelThread::CurrentStopToken() {
    return t_channelStop;
}

QChannelThread::QChannelThread(std::string name, QFrameCutter cutter, std::size_t receiveBytes,
                               std::chrono::milliseconds idleWait)
    : m_name(std::move(name)), m_cutter(std::move(cutter)), m_receiveBytes(receiveBytes),
      m_receive(std::make_unique_for_overwrite<uint8_t[]>(receiveBytes)), m_idleWait(idleWait) {}

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
        Run(stop);
        m_threadId.store(std::thread::id{});
        m_active.store(0);
        m_left.Set();
    });
    return true;
}

void QChannelThread::Run(const std::stop_token& stop) {
    OutputDebugString(m_name + ":: startup the recv thread.\n");
    // Bytes of an earlier connection are never the front of this one's frames.
    m_cutter.Clear();
    while (KeepRunning(stop)) {
        CTransferPipe* pipe = GetTransferPipe();
        if (pipe == nullptr) {
            ClockSleep(m_idleWait, stop);
            continue;
        }
        const std::size_t read = pipe->ReadFromEngine(m_receive.get(), m_receiveBytes);
        if (read == 0) {
            pipe->WaitForEngineBytes(m_idleWait, stop);
            continue;
        }
        if (!m_cutter.Append(m_receive.get(), read)) {
            continue;
        }
        for (auto frame = m_cutter.NextFrame(); !frame.empty() && KeepRunning(stop);
             frame = m_cutter.NextFrame()) {
            try {
                HandleFrame(frame, stop);
            } catch (const std::exception& error) {
                AddInformationMessage(1, m_name + ": a frame could not be handled: " + error.what());
            }
        }
        m_cutter.Compact();
    }
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
