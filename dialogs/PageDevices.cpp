#include "dialogs/PageDevices.h"

#include "app/CMainFrame.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"

#include <mutex>
#include <utility>

namespace orv {
namespace {

std::mutex g_sourceMutex;
std::function<CDeviceManager*()> g_source;

} // namespace

CDeviceManager* GetPageDeviceManager() {
    {
        const std::lock_guard lock(g_sourceMutex);
        if (g_source) {
            return g_source();
        }
    }
    CMainFrame* frame = CMainFrame::GetMainFrame();
    if (frame == nullptr || frame->GetEngineObjects() == nullptr) {
        return nullptr;
    }
    return frame->GetEngineObjects()->GetSetupScan().GetDeviceManager();
}

void SetPageDeviceManagerSource(std::function<CDeviceManager*()> source) {
    const std::lock_guard lock(g_sourceMutex);
    g_source = std::move(source);
}

} // namespace orv
