#include "overlay/camera/markers/ProbeMarkerDictionaries.h"

#include "platform/fs/AppPaths.h"
#include "platform/fs/FileIo.h"
#include "platform/log/InformationLog.h"

#include <opencv2/core/persistence.hpp>

#include <cstdint>
#include <optional>

namespace orv {

namespace {

// A dictionary of the largest sensible size (1024 markers of 8 x 8 bits) is about 100 KB as text.
constexpr uint64_t kMaxDictionaryFileBytes = uint64_t{1024} * 1024;
constexpr int kMaxMarkers = 1024;
constexpr int kMinMarkerSize = 2;
constexpr int kMaxMarkerSize = 8;
// OpenCV's predefined dictionary number 17.
constexpr int kAprilTag16h5 = 17;

// Why the root node cannot be a dictionary; empty when it can. OpenCV's own reader trusts the
// marker strings to hold exactly markersize x markersize bits and writes past its buffer when they
// hold more, so every field is checked before it runs.
std::string CheckDictionaryNode(const cv::FileNode& root) {
    if (!root.isMap()) {
        return "it holds no dictionary";
    }
    const cv::FileNode count = root["nmarkers"];
    const cv::FileNode size = root["markersize"];
    if (!count.isInt() || !size.isInt()) {
        return "nmarkers or markersize is missing or not a whole number";
    }
    const int markers = static_cast<int>(count);
    const int markerSize = static_cast<int>(size);
    if (markers < 1 || markers > kMaxMarkers) {
        return "nmarkers is out of range";
    }
    if (markerSize < kMinMarkerSize || markerSize > kMaxMarkerSize) {
        return "markersize is out of range";
    }
    const cv::FileNode correction = root["maxCorrectionBits"];
    if (!correction.empty() && (!correction.isInt() || static_cast<int>(correction) < 0)) {
        return "maxCorrectionBits is not a whole number of zero or more";
    }
    const size_t bits = static_cast<size_t>(markerSize) * static_cast<size_t>(markerSize);
    for (int i = 0; i < markers; ++i) {
        const std::string key = "marker_" + std::to_string(i);
        const cv::FileNode marker = root[key];
        if (!marker.isString()) {
            return key + " is missing";
        }
        const std::string text = static_cast<std::string>(marker);
        if (text.size() != bits || text.find_first_not_of("01") != std::string::npos) {
            return key + " is not " + std::to_string(bits) + " bits";
        }
    }
    return {};
}

void LogUnreadDictionary(const std::string& why) {
    AddInformationMessage(0, "Probe marker dictionary not loaded (" + why +
                                 "); only AprilTag 16h5 probe markers are tracked");
}

} // namespace

cv::Ptr<cv::aruco::Dictionary> LoadProbeMarkerDictionary(const std::string& folder) {
    const std::string path = folder + "/" + kProbeMarkerDictionaryFileName;
    FileRefusal refusal = FileRefusal::kNone;
    const std::optional<std::string> text = ReadWholeFile(path, kMaxDictionaryFileBytes, &refusal);
    if (!text) {
        LogUnreadDictionary(DescribeFileRefusal(refusal, path));
        return nullptr;
    }
    if (text->find_first_not_of(" \t\r\n") == std::string::npos) {
        LogUnreadDictionary(path + " is empty");
        return nullptr;
    }
    try {
        const cv::FileStorage storage(*text, cv::FileStorage::READ | cv::FileStorage::MEMORY);
        if (!storage.isOpened()) {
            LogUnreadDictionary(path + " is not an OpenCV file storage");
            return nullptr;
        }
        const cv::FileNode root = storage.root();
        const std::string why = CheckDictionaryNode(root);
        if (!why.empty()) {
            LogUnreadDictionary(path + ": " + why);
            return nullptr;
        }
        auto dictionary = cv::makePtr<cv::aruco::Dictionary>();
        if (!dictionary->readDictionary(root)) {
            LogUnreadDictionary(path + " holds no dictionary");
            return nullptr;
        }
        return dictionary;
    } catch (const cv::Exception&) {
        LogUnreadDictionary(path + " is not an OpenCV file storage");
        return nullptr;
    }
}

ProbeMarkerDictionaries SharedProbeMarkerDictionaries() {
    // Function statics: each is made once, by the first caller, while concurrent callers wait.
    static const cv::Ptr<cv::aruco::Dictionary> family1 = LoadProbeMarkerDictionary(GetExecutableFolder());
    static const cv::Ptr<cv::aruco::Dictionary> family2 = cv::aruco::getPredefinedDictionary(kAprilTag16h5);
    return {family1, family2};
}

} // namespace orv
