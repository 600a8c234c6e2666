#include "app/CSoundEffectPlayer.h"

#include "app/AppResources.h"

#include <QCoreApplication>
#include <QEvent>
#include <QUrl>

namespace orv {

namespace {

QEvent::Type PlayEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class PlayEvent final : public QEvent {
public:
    explicit PlayEvent(int32_t soundId) : QEvent(PlayEventType()), m_soundId(soundId) {}
    int32_t GetSoundId() const { return m_soundId; }

private:
    int32_t m_soundId;
};

} // namespace

const char* CSoundEffectPlayer::WaveFileOf(int32_t soundId) {
    switch (soundId) {
    case kDeviceConnectSound:
        return kSoundDeviceConnect;
    case kSetupSound:
        return kSoundSetup;
    case kScanEndSound:
        return kSoundScanEnd;
    default:
        return "";
    }
}

CSoundEffectPlayer::CSoundEffectPlayer() : m_mailbox(std::make_shared<Mailbox>()) {
    m_mailbox->receiver = this;
    m_installed = std::make_unique<ScopedSoundPlayer>([mailbox = m_mailbox](int32_t soundId) {
        // Held while posting, so the receiver cannot go between the test and the post.
        std::lock_guard guard(mailbox->lock);
        if (mailbox->receiver != nullptr) {
            QCoreApplication::postEvent(mailbox->receiver, new PlayEvent(soundId));
        }
    });
}

CSoundEffectPlayer::~CSoundEffectPlayer() {
    m_installed.reset();
    std::lock_guard guard(m_mailbox->lock);
    m_mailbox->receiver = nullptr;
}

void CSoundEffectPlayer::LoadEffects() {
    if (!m_effects.empty()) {
        return;
    }
    EnsureAppResources();
    for (const int32_t id : {kDeviceConnectSound, kSetupSound, kScanEndSound}) {
        auto* effect = new QSoundEffect(this);
        effect->setSource(QUrl(QString("qrc") + WaveFileOf(id)));
        m_effects[id] = effect;
    }
}

void CSoundEffectPlayer::Play(int32_t soundId) {
    LoadEffects();
    const auto found = m_effects.find(soundId);
    if (found == m_effects.end()) {
        return;
    }
    ++m_playCounts[soundId];
    // Without a sound device the effect reports an error and stays silent; nothing waits for it.
    found->second->play();
}

uint32_t CSoundEffectPlayer::GetPlayCount(int32_t soundId) const {
    const auto found = m_playCounts.find(soundId);
    return found != m_playCounts.end() ? found->second : 0;
}

const QSoundEffect* CSoundEffectPlayer::GetEffect(int32_t soundId) {
    LoadEffects();
    const auto found = m_effects.find(soundId);
    return found != m_effects.end() ? found->second : nullptr;
}

bool CSoundEffectPlayer::event(QEvent* event) {
    if (event->type() == PlayEventType()) {
        Play(static_cast<PlayEvent*>(event)->GetSoundId());
        return true;
    }
    return QObject::event(event);
}

} // namespace orv
