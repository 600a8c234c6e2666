#pragma once

// The marker dictionaries the probe tracker detects with. Family 1 is the probes' own printed
// family, read from "probe_markers.yml" beside the executable (the program ships none: the user or
// the installer puts the file there); family 2 is OpenCV's AprilTag 16h5 family.

#include <opencv2/aruco/dictionary.hpp>

#include <string>

namespace orv {

// The name of the family-1 file in the executable's folder.
inline constexpr const char* kProbeMarkerDictionaryFileName = "probe_markers.yml";

// Reads "probe_markers.yml" in the folder as an OpenCV file storage whose root node is a marker
// dictionary. A missing, unreadable, oversized, malformed or inconsistent file (marker strings
// that are not markersize x markersize bits) gives nullptr and one log line naming the file and
// saying that only family 2 is tracked; it is never half read.
cv::Ptr<cv::aruco::Dictionary> LoadProbeMarkerDictionary(const std::string& folder);

// Both families, each made once per process on first use (thread-safe; several trackers may start
// at once) and shared by every tracker. The family-1 entry is nullptr when its file could not be
// read.
struct ProbeMarkerDictionaries {
    cv::Ptr<cv::aruco::Dictionary> m_family1;
    cv::Ptr<cv::aruco::Dictionary> m_family2;
};
ProbeMarkerDictionaries SharedProbeMarkerDictionaries();

} // namespace orv
