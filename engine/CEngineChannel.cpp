#include "engine/CEngineChannel.h"

namespace orv {

CEngineChannel::~CEngineChannel() = default;

bool CEngineChannel::WriteAllToClient(const uint8_t* bytes, std::size_t length,
                                      std::chrono::milliseconds fullWait, const std::stop_token& stop) {
    std::size_t sent = 0;
    while (sent < length) {
        sent += WriteToClient(bytes + sent, length - sent);
        if (sent == length) {
            break;
        }
        if (stop.stop_requested()) {
            return false;
        }
        WaitForClientRead(fullWait, stop);
    }
    return true;
}

} // namespace orv
