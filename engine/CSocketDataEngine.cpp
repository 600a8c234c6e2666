#include "engine/CSocketDataEngine.h"

#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

namespace orv {

namespace {
constexpr std::chrono::milliseconds kPollInterval{10};
}

CSocketDataEngine::CSocketDataEngine() = default;

CSocketDataEngine::~CSocketDataEngine() {
    Shutdown();
}

bool CSocketDataEngine::Start() {
    if (m_thread.joinable()) {
        return true;
    }
    m_received.Clear();
    // Receiving from the start on, not from whenever the new thread first runs: callers ask right
    // after starting it.
    m_receiving.store(true);
    m_thread = std::jthread([this]() { ReceiveLoop(m_shutdown.get_token()); });
    return true;
}

void CSocketDataEngine::Shutdown() {
    m_shutdown.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CSocketDataEngine::Send(const uint8_t* bytes, std::size_t length, const std::stop_token& scanStop) {
    const std::lock_guard guard(m_sendLock);
    if (m_channel == nullptr) {
        AddInformationMessage(1, "sending packet failed.");
        return false;
    }
    const std::stop_token shutdown = m_shutdown.get_token();
    if (!m_channel->WriteFrameToClient(bytes, length, kFullQueueWait, shutdown, scanStop)) {
        if (shutdown.stop_requested()) {
            AddInformationMessage(1, "sending packet failed.");
        }
        return false;
    }
    return true;
}

bool CSocketDataEngine::TrySend(const uint8_t* bytes, std::size_t length) {
    const std::unique_lock guard(m_sendLock, std::try_to_lock);
    return guard.owns_lock() && m_channel != nullptr && m_channel->WriteWholeToClient(bytes, length);
}

void CSocketDataEngine::ReceiveLoop(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        if (!m_enabled.load() || m_channel == nullptr) {
            ClockSleep(kPollInterval, stop);
            continue;
        }
        uint8_t* target = m_received.PrepareAppend();
        const std::size_t room = std::min(kReadBytes, m_received.FreeSpace());
        const std::size_t read = m_channel->ReadFromClient(target, room);
        m_received.Commit(read);
        for (;;) {
            const CFrameAccumulator::Step step = m_received.Next();
            if (step == CFrameAccumulator::Step::NeedMore) {
                break;
            }
            if (step == CFrameAccumulator::Step::Frame) {
                m_received.ConsumeFrame();
                m_droppedFrames.fetch_add(1);
            }
        }
        if (read == 0) {
            m_channel->WaitForClientBytes(kPollInterval, stop);
        }
    }
    m_receiving.store(false);
}

} // namespace orv
