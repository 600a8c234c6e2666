#include "overlay/camera/CVideoFrameSource.h"

#include "overlay/camera/CCameraFrameSource.h"

#include <mutex>
#include <utility>

namespace orv {
namespace {

std::mutex& MakerMutex() {
    static std::mutex mutex;
    return mutex;
}

VideoFrameSourceMaker& InstalledMaker() {
    static VideoFrameSourceMaker maker;
    return maker;
}

} // namespace

VideoFrameSourceMaker InstallVideoFrameSourceMaker(VideoFrameSourceMaker maker) {
    const std::lock_guard<std::mutex> lock(MakerMutex());
    return std::exchange(InstalledMaker(), std::move(maker));
}

std::unique_ptr<CVideoFrameSource> MakeVideoFrameSource() {
    VideoFrameSourceMaker maker;
    {
        const std::lock_guard<std::mutex> lock(MakerMutex());
        maker = InstalledMaker();
    }
    if (maker) {
        return maker();
    }
    return std::make_unique<CCameraFrameSource>();
}

} // namespace orv
