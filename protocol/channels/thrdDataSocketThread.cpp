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
    : QChannelThread("thrdDataSocketThread", QFrameCutter::ForScanData(), kReceiveBytes, kIdleWait),
      m_owner(owner) {}

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

void thrdDataSocketThread::HandleFrame(std::span<const uint8_t> frame, const std::stop_token& stop) {
    std::unique_ptr<QDataPacket> packet = DataPacketFromFrame(m_factory, frame, "thrdDataSocketThread");
    if (packet == nullptr) {
        return;
    }
    // A packet that handed its data over has been consumed.
    if (!packet->DeliverToHandler(m_owner)) {
        m_owner->HandleDataPacket(std::move(packet), stop);
    }
}

} // namespace orv
