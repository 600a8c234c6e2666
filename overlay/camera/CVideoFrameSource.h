#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QVideoSink;

namespace orv {

// What a source reports of its device; each may come from any thread, at any time while the source
// lives, and only records the event (the capture thread acts on it at its next read).
struct VideoSourceEvents {
    // The device is open and delivering (again).
    std::function<void()> m_opened;
    // The device reported an error.
    std::function<void()> m_failed;
    // The device stopped delivering.
    std::function<void()> m_stopped;
};

// Where a capture's frames come from: the camera of a device index writing into the capture's video
// sink. The program's source is the Qt camera (CCameraFrameSource); a test installs a source of its
// own that pushes frames into the same sink, so the capture runs its own code either way.
//
// A capture makes its source on its capture thread, starts it there, and hands it to a release thread
// that deletes it (which closes the device) once the capture has ended.
class CVideoFrameSource {
public:
    virtual ~CVideoFrameSource() = default;
    // Capture thread: opens the device of that index (its position in the device list) and lets its
    // frames into `sink`. Failing to open is reported through `events`.
    virtual void Start(int32_t deviceIndex, QVideoSink& sink, VideoSourceEvents events) = 0;
    // Capture thread, as it ends: the source's Qt objects leave the thread so that the release thread
    // may delete them.
    virtual void LeaveThread() {}
    // Capture thread, after Start: sets a device property (the capture's property numbers: 39 the
    // auto-focus switch, 28 the focus). A device without it ignores it; false then.
    virtual bool SetProperty(int32_t /*property*/, double /*value*/) { return false; }
};

// Makes the sources of new captures: the Qt camera's unless a test installed a maker. Installs the
// maker (empty: the camera's) and returns the previous one.
using VideoFrameSourceMaker = std::function<std::unique_ptr<CVideoFrameSource>()>;
VideoFrameSourceMaker InstallVideoFrameSourceMaker(VideoFrameSourceMaker maker);
std::unique_ptr<CVideoFrameSource> MakeVideoFrameSource();

} // namespace orv
