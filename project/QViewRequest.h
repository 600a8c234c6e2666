#pragma once

#include "core/QProbeScanPattern.h"
#include "project/QStateChangeListener.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class QNodeMediator;

// A node's answer to "which view should show me": a record the view that asked takes over. Only
// the kinds that offer a view make one; the base node answers with none.
class QViewRequest {
public:
    QViewRequest() = default;
    QViewRequest(const QViewRequest&) = delete;
    QViewRequest& operator=(const QViewRequest&) = delete;
    virtual ~QViewRequest();
};

// Asks the note view to show the note of the node behind the mediator.
class QNoteViewRequest : public QViewRequest {
public:
    // The first value is not used; callers pass 0.
    QNoteViewRequest(uint32_t unused, QNodeMediator* mediator);

    QNodeMediator* GetMediator() const { return m_pMediator; }

    // Null when the record cannot be allocated.
    static std::unique_ptr<QViewRequest> Create(QNodeMediator* mediator);

private:
    QNodeMediator* m_pMediator;
};

// Asks for the overlay view; the view finds the overlay by itself, so the record carries nothing.
class QOverlayViewRequest : public QViewRequest {
public:
    QOverlayViewRequest(uint32_t unused, QNodeMediator* mediator);

    // Null when the record cannot be allocated.
    static std::unique_ptr<QViewRequest> Create(QNodeMediator* mediator);
};

// What a spectral view is opened with: its state listener (pointing back at this record), a text and
// the frequency range shown first (MHz).
class QSpectralViewRequest : public QViewRequest {
public:
    static constexpr float kDefaultStartFrequency = 10.0F;
    static constexpr float kDefaultStopFrequency = 100.0F;

    QSpectralViewRequest() : m_listener(this) {}

    QStateChangeListener& GetListener() { return m_listener; }
    const QStateChangeListenerProxy<QSpectralViewRequest>& GetListenerProxy() const { return m_listener; }
    // The last state the listener received (0 before any).
    void OnStateChange(uint32_t state) { m_nLastState = state; }
    uint32_t GetLastState() const { return m_nLastState; }

    std::string m_text;
    float m_startFrequency = kDefaultStartFrequency;
    float m_stopFrequency = kDefaultStopFrequency;

private:
    QStateChangeListenerProxy<QSpectralViewRequest> m_listener;
    uint32_t m_nLastState = 0;
};

// What a spatial view is opened with: cleared header words, a 64 x 64 probe pattern and its state
// listener (pointing back at this record).
class QSpatialViewRequest : public QViewRequest {
public:
    static constexpr uint16_t kPatternSize = 64;

    QSpatialViewRequest() : m_pattern(kPatternSize, kPatternSize), m_listener(this) {}

    QStateChangeListener& GetListener() { return m_listener; }
    const QStateChangeListenerProxy<QSpatialViewRequest>& GetListenerProxy() const { return m_listener; }
    void OnStateChange(uint32_t state) { m_nLastState = state; }
    uint32_t GetLastState() const { return m_nLastState; }

    std::array<uint32_t, 4> m_header{};
    QProbeScanPattern m_pattern;

private:
    QStateChangeListenerProxy<QSpatialViewRequest> m_listener;
    uint32_t m_nLastState = 0;
};

} // namespace orv
