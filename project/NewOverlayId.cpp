#include "project/NewOverlayId.h"

#include "project/QOverlayControlList.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>
#include <vector>

namespace orv {
namespace {

constexpr uint32_t kNoOverlay = 0;
constexpr uint32_t kNoneSigned = 0xFFFFFFFFU;
// Far more than a random draw ever needs among the few overlays of a project.
constexpr int kMaxDraws = 1000;

uint32_t DrawPseudoRandomId() {
    static std::mutex guard;
    static std::minstd_rand generator(std::random_device{}());
    const std::lock_guard<std::mutex> lock(guard);
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    return static_cast<uint32_t>(generator()) + static_cast<uint32_t>(ticks);
}

} // namespace

uint32_t MakeNewOverlayId(const QOverlayControlList& overlays, const std::function<uint32_t()>& draw) {
    std::vector<uint32_t> taken;
    taken.reserve(overlays.GetControls().size());
    for (const auto& control : overlays.GetControls()) {
        taken.push_back(control->GetOverlayId());
    }
    std::sort(taken.begin(), taken.end());
    const auto free = [&taken](uint32_t id) {
        return id != kNoOverlay && id != kNoneSigned && !std::binary_search(taken.begin(), taken.end(), id);
    };
    for (int i = 0; i < kMaxDraws; ++i) {
        const uint32_t id = draw ? draw() : DrawPseudoRandomId();
        if (free(id)) {
            return id;
        }
    }
    // A list can never hold every ID, so a free one lies within its size + 1 of 1.
    uint32_t id = 1;
    while (!free(id)) {
        ++id;
    }
    return id;
}

} // namespace orv
