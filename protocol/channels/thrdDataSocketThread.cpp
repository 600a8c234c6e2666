#include "protocol/channels/thrdDataSocketThread.h"

#include "engine/CTransferPipe.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "protocol/QCommLayer.h"
#include "protocol/channels/DataPacketFromFrame.h"

#include <exception>

namespace orv {

thrdDataSocketThread::thrdDataSocketThread(QCommLayer* owner)
    : QChannelThread("thrdDataSocketThread"), m_owner(owner), m_cutter(QFrameCutter::ForScanData()),
      m_receive(std::make_unique<uint8_t[]>(kReceiveBytes)) {}

thrdDataSocketThread::~thrdDataSocketThread() {
    OutputDebugString("Deleting thrdDataSocketThread object: Begin\n");
    DeleteEndpoint();
    OutputDebugString("Deleting thrdDataSocketThread object: End\n");
}

void thrdDataSocketThread::Stop() {
    OutputDebugString("thrdDataSocketThread:: CloseSocket()\n");
    CloseEndpoint();
    OutputDebugString("thrdDataSocketThread:: shutdown the recv thread.\n");
}

void thrdDataSocketThread::Run(std::stop_token stop) {
    OutputDebugString("thrdDataSocketThread:: startup the recv thread.\n");
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
        m_cutter.Append(m_receive.get(), read);
        for (auto frame = m_cutter.NextFrame(); !frame.empty() && KeepRunning(stop);
             frame = m_cutter.NextFrame()) {
            std::unique_ptr<QDataPacket> packet =
                DataPacketFromFrame(m_factory, frame, "thrdDataSocketThread");
            if (packet == nullptr) {
                continue;
            }
            try {
                // A packet that handed its data over has been consumed.
                if (!packet->DeliverToHandler(m_owner)) {
                    m_owner->HandleDataPacket(std::move(packet), stop);
                }
            } catch (const std::exception& error) {
                AddInformationMessage(
                    1,
                    std::string("thrdDataSocketThread: a data packet could not be handled: ") + error.what());
            }
        }
        m_cutter.Compact();
    }
}

} // namespace orv
