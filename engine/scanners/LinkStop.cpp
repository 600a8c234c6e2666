#include "engine/scanners/LinkStop.h"

#include "platform/serial/CSerialComm.h"

#include <utility>

namespace orv {

namespace {

thread_local LinkStop* t_innermost = nullptr;

} // namespace

LinkStop::LinkStop(std::stop_token stop) : m_outer(t_innermost) {
    if (!stop.stop_requested()) {
        m_stop = std::move(stop);
    }
    t_innermost = this;
}

LinkStop::~LinkStop() {
    t_innermost = m_outer;
}

bool LinkStop::Requested() {
    for (const LinkStop* stop = t_innermost; stop != nullptr; stop = stop->m_outer) {
        if (stop->m_stop.stop_requested()) {
            return true;
        }
    }
    return false;
}

bool LinkStop::ReadSerial(CSerialComm& serial, uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    uint32_t taken = 0;
    return Wait(timeoutMs, [&](uint32_t sliceMs) {
        uint32_t got = 0;
        serial.Read(buffer + taken, count - taken, got, sliceMs);
        taken += got;
        if (taken == count) {
            return Poll::kDone;
        }
        const bool ended =
            serial.GetState() != CSerialComm::kStateReady || serial.IsLost() || serial.HasInputEnded();
        return ended ? Poll::kFailed : Poll::kPending;
    });
}

} // namespace orv
