#include "engine/CEngineChannel.h"

#include <algorithm>

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

bool CEngineChannel::WriteFrameToClient(const uint8_t* bytes, std::size_t length,
                                        std::chrono::milliseconds fullWait, const std::stop_token& stop,
                                        const std::stop_token& begin) {
    const std::size_t first = std::min(length, ClientBoundCapacity());
    if (WriteWholeToClient(bytes, first)) {
        // The fast road: no token, no wait.
        return first == length || WriteAllToClient(bytes + first, length - first, fullWait, stop);
    }
    // The waits end on either token: one source fired by both.
    std::stop_source either;
    const std::stop_callback onStop(stop, [&either] { either.request_stop(); });
    const std::stop_callback onBegin(begin, [&either] { either.request_stop(); });
    while (!WriteWholeToClient(bytes, first)) {
        if (either.stop_requested()) {
            return false;
        }
        WaitForClientRead(fullWait, either.get_token());
    }
    return first == length || WriteAllToClient(bytes + first, length - first, fullWait, stop);
}

} // namespace orv
