#include "protocol/channels/thrdCommandSocketThread.h"

#include "engine/CTransferPipe.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "protocol/QCommLayer.h"

#include <exception>

namespace orv {

thrdCommandSocketThread::thrdCommandSocketThread(QCommLayer* owner, std::stop_token stopping)
    : QChannelThread("thrdCommandSocketThread", QFrameCutter::ForCommandReplies(), kReceiveBytes, kIdleWait),
      m_owner(owner), m_stopping(std::move(stopping)) {}

thrdCommandSocketThread::~thrdCommandSocketThread() {
    OutputDebugString("Deleting thrdCommandSocketThread object: Begin\n");
    DeleteEndpoint();
    OutputDebugString("Deleting thrdCommandSocketThread object: End\n");
}

void thrdCommandSocketThread::Stop() {
    OutputDebugString("thrdCommandSocketThread:: shutdown the command recv thread --- begin.\n");
    CloseEndpoint();
    OutputDebugString("thrdCommandSocketThread:: shutdown the command recv thread --- end.\n");
}

bool thrdCommandSocketThread::Send(const uint8_t* bytes, std::size_t length) {
    if (!IsConnected()) {
        return false;
    }
    return SendUnchecked(bytes, length);
}

bool thrdCommandSocketThread::SendUnchecked(const uint8_t* bytes, std::size_t length) {
    CTransferPipe* pipe = GetTransferPipe();
    if (pipe == nullptr) {
        return false;
    }
    try {
        std::size_t sent = 0;
        while (true) {
            sent += pipe->WriteToEngine(bytes + sent, length - sent);
            if (sent >= length) {
                return true;
            }
            if (m_stopping.stop_requested()) {
                return false;
            }
            // Room comes when the engine takes bytes; the wait ends early on that or on the stop.
            pipe->WaitForEngineRead(std::chrono::milliseconds(1), m_stopping);
        }
    } catch (const std::exception& error) {
        AddInformationMessage(1, std::string("thrdCommandSocketThread: sending failed: ") + error.what());
    }
    return false;
}

void thrdCommandSocketThread::HandleFrame(std::span<const uint8_t> frame, const std::stop_token& stop) {
    m_owner->HandleCommandReply(frame.data(), frame.size(), stop);
}

} // namespace orv
