#pragma once

// The program's short sounds, by resource number (375: a set-up sent or acknowledged, 376: a scan
// ended). The model asks for a sound and goes on at once; the window side installs the player that
// plays the program's own wave files, and tests install one that records. Without a player nothing
// is heard.

#include <cstdint>
#include <functional>

namespace orv {

using SoundPlayer = std::function<void(int32_t resourceId)>;

// Asynchronous: the player must not wait for the sound to end.
void PlaySoundResource(int32_t resourceId);

// Installs a player for the process while the object lives and puts the previous one back after.
class ScopedSoundPlayer {
public:
    explicit ScopedSoundPlayer(SoundPlayer player);
    ~ScopedSoundPlayer();
    ScopedSoundPlayer(const ScopedSoundPlayer&) = delete;
    ScopedSoundPlayer& operator=(const ScopedSoundPlayer&) = delete;

private:
    SoundPlayer m_previous;
};

} // namespace orv
