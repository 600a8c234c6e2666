#include "tests/protocol/support/CommLayerFakes.h"

namespace orv::test {

std::vector<RecordingTarget::Received> RecordingTarget::Messages() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_messages;
}

std::vector<RecordingTarget::Received> RecordingTarget::MessagesWithId(uint32_t id) const {
    std::vector<Received> found;
    for (const Received& message : Messages()) {
        if (message.id == id) {
            found.push_back(message);
        }
    }
    return found;
}

void RecordingTarget::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_messages.clear();
}

int64_t RecordingTarget::HandleMessage(Message& message) {
    const int64_t answer = onMessage ? onMessage(message) : 0;
    std::lock_guard<std::mutex> lock(m_lock);
    m_messages.push_back({message.id, message.wParam, message.lParam});
    return answer;
}

FakeController::FakeController(MessageThread& thread) : target(thread) {
    target.onMessage = [](Message& message) -> int64_t {
        if (message.id == 33177) {
            delete reinterpret_cast<QScanProgressIndicator*>(message.wParam);
        }
        return 0;
    };
}

std::vector<std::string> FakeController::Calls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_calls;
}

bool FakeController::WaitForCalls(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_calls.size() >= count; });
}

QSetupScanCommand FakeController::LastSetupReply() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lastSetup;
}

void FakeController::Record(std::string call) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back(std::move(call));
    }
    m_changed.notify_all();
}

void FakeController::SendSetupScan(uint8_t flag) {
    if (onSetupStep) {
        onSetupStep();
    }
    Record("SendSetupScan " + std::to_string(flag));
}

bool FakeController::SetSpectrumAnalyzerDriver(QNodeMediator* /*context*/, int32_t driverId,
                                               int32_t analyzerId, QSettingsPage* /*page*/) {
    Record("SetSpectrumAnalyzerDriver " + std::to_string(driverId) + " " + std::to_string(analyzerId));
    return driverSent.load();
}

void FakeController::SetupScanCommandAck(QSetupScanCommand& reply) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_lastSetup = reply;
    }
    Record("Ack 1");
}

void FakeController::SetState(int32_t value) {
    state.store(value);
    Record("State " + std::to_string(value));
}

void FakeController::EndWorkflow(uint32_t reason) {
    if (onEndWorkflow) {
        onEndWorkflow();
    }
    Record("EndWorkflow " + std::to_string(reason));
}

void FakeController::SetManualDriver(int32_t analyzerId) {
    manualDriver.store(analyzerId);
    Record("ManualDriver " + std::to_string(analyzerId));
}

void FakeController::SendScanProgressIndicator(std::unique_ptr<QScanProgressIndicator> packet,
                                               std::stop_token stop) {
    // As the controller does: the packet rides with the send; the handler takes it, and when the
    // send answers nothing (stopped first) it is freed here.
    QScanProgressIndicator* raw = packet.release();
    const std::optional<int64_t> answer =
        target.Send(33177, reinterpret_cast<uint64_t>(raw), 0, std::move(stop));
    if (!answer) {
        delete raw;
        Record("ProgressIndicator dropped");
        return;
    }
    ++m_indicators;
    Record("ProgressIndicator");
}

} // namespace orv::test
