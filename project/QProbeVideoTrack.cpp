#include "project/QProbeVideoTrack.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

std::mutex& AcquirerMutex() {
    static std::mutex mutex;
    return mutex;
}

ProbeVideoTrackAcquirer& Acquirer() {
    static ProbeVideoTrackAcquirer acquirer;
    return acquirer;
}

} // namespace

void SetProbeVideoTrackAcquirer(ProbeVideoTrackAcquirer acquirer) {
    std::lock_guard<std::mutex> lock(AcquirerMutex());
    Acquirer() = std::move(acquirer);
}

std::shared_ptr<CProbeVideoTrack> AcquireProbeVideoTrack(const std::string& path) {
    ProbeVideoTrackAcquirer acquirer;
    {
        std::lock_guard<std::mutex> lock(AcquirerMutex());
        acquirer = Acquirer();
    }
    // Opening a camera may take a while: not under the lock.
    return acquirer ? acquirer(path) : nullptr;
}

} // namespace orv
