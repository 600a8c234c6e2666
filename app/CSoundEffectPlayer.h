#pragma once

// The program's player of its short sounds: the wave files compiled into the program, one sound
// effect each, played on the user-interface thread. While it lives it is the process's player, so
// any thread may ask for a sound and goes on at once; the request crosses to this thread as an event.
// The main frame makes one.

#include "platform/sound/Sound.h"

#include <QObject>
#include <QSoundEffect>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace orv {

class CSoundEffectPlayer final : public QObject {
public:
    // The devices-connected sound ("DeviceConnect"), besides the run's resources 375 and 376.
    static constexpr int32_t kDeviceConnectSound = 1;
    static constexpr int32_t kSetupSound = 375;
    static constexpr int32_t kScanEndSound = 376;

    // The wave file of a sound, empty for an unknown one.
    static const char* WaveFileOf(int32_t soundId);

    CSoundEffectPlayer();
    ~CSoundEffectPlayer() override;
    CSoundEffectPlayer(const CSoundEffectPlayer&) = delete;
    CSoundEffectPlayer& operator=(const CSoundEffectPlayer&) = delete;

    // On this object's thread: starts the sound (an unknown one is ignored).
    void Play(int32_t soundId);
    // Makes the sound effects and has their wave files loaded. Done at the first sound at the
    // latest: making them starts the sound system, which the program's window does not wait for.
    void LoadEffects();
    // The sounds started so far, in order (what was asked, whether or not a sound device exists).
    uint32_t GetPlayCount(int32_t soundId) const;
    // The effect of a sound (made now when it was not yet); null for an unknown one.
    const QSoundEffect* GetEffect(int32_t soundId);

protected:
    bool event(QEvent* event) override;

private:
    // Shared with the process-wide player function, which other threads may still run while this
    // object goes.
    struct Mailbox {
        std::mutex lock;
        CSoundEffectPlayer* receiver = nullptr;
    };

    std::shared_ptr<Mailbox> m_mailbox;
    std::map<int32_t, QSoundEffect*> m_effects;
    std::map<int32_t, uint32_t> m_playCounts;
    std::unique_ptr<ScopedSoundPlayer> m_installed;
};

} // namespace orv
