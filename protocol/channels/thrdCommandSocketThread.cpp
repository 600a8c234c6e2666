#include "protocol/channels/thrdCommandSocketThread.h"

#include "engine/CTransferPipe.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "protocol/QCommLayer.h"

#include <exception>

namespace orv {

thrdCommandSocketThread::thrdCommandSocketThread(QCommLayer* owner, std::stop_token stopping)
    : QChannelThread("thrdCommandSocketThread"), m_owner(owner), m_stopping(std::move(stopping)),
      m_cutter(QFrameCutter::ForCommandReplies()), m_receive(std::make_unique<uint8_t[]>(kReceiveBytes)) {}

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

void thrdCommandSocketThread::Run(std::stop_token stop) {
    OutputDebugString("thrdCommandSocketThread:: startup the recv thread.\n");
    // Bytes of an earlier connection are never the front of this one's replies.
    m_cutter.Clear();
    while (KeepRunning(stop)) {
        CTransferPipe* pipe = GetTransferPipe();
        if (pipe == nullptr) {
            ClockSleep(kIdleWait, stop);
            continue;
        }
        const std::size_t read = pipe->ReadFromEngine(m_receive.get(), kReceiveBytes);
        if (read == 0) {
            pipe->WaitForEngineBytes(kIdleWait, stop);
            continue;
        }
        if (!m_cutter.Append(m_receive.get(), read)) {
            continue;
        }
        for (auto frame = m_cutter.NextFrame(); !frame.empty() && KeepRunning(stop);
             frame = m_cutter.NextFrame()) {
            try {
                m_owner->HandleCommandReply(frame.data(), frame.size(), stop);
            } catch (const std::exception& error) {
                AddInformationMessage(
                    1, std::string("thrdCommandSocketThread: a reply could not be handled: ") + error.what());
            }
        }
        m_cutter.Compact();
    }
}

} // namespace orv
