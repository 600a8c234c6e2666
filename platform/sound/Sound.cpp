#include "platform/sound/Sound.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

std::mutex& PlayerLock() {
    static std::mutex lock;
    return lock;
}

SoundPlayer& Player() {
    static SoundPlayer player;
    return player;
}

} // namespace

void PlaySoundResource(int32_t resourceId) {
    SoundPlayer player;
    {
        std::lock_guard<std::mutex> lock(PlayerLock());
        player = Player();
    }
    if (player) {
        player(resourceId);
    }
}

ScopedSoundPlayer::ScopedSoundPlayer(SoundPlayer player) {
    std::lock_guard<std::mutex> lock(PlayerLock());
    m_previous = std::exchange(Player(), std::move(player));
}

ScopedSoundPlayer::~ScopedSoundPlayer() {
    std::lock_guard<std::mutex> lock(PlayerLock());
    Player() = std::move(m_previous);
}

} // namespace orv
