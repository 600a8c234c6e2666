#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

// The hand-held probe tracker of one camera: it follows the marker on the probe in the camera's
// picture. One tracker is shared by every node that uses the same camera device.
class CProbeVideoTrack {
public:
    virtual ~CProbeVideoTrack() = default;
    // Where the marker was last seen, in picture coordinates.
    virtual void GetMarkerPosition(float& x, float& y) const = 0;
    // Frames grabbed since the marker was last detected (0: seen in the latest frame).
    virtual uint32_t GetFramesSinceDetected() const = 0;
};

// Answers the shared tracker of a camera device path; empty when the camera cannot be opened.
using ProbeVideoTrackAcquirer = std::function<std::shared_ptr<CProbeVideoTrack>(const std::string& path)>;

// The camera side installs its acquirer at start-up (an empty function removes it). Until one is
// installed no camera can be opened.
void SetProbeVideoTrackAcquirer(ProbeVideoTrackAcquirer acquirer);
std::shared_ptr<CProbeVideoTrack> AcquireProbeVideoTrack(const std::string& path);

} // namespace orv
