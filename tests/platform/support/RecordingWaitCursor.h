#pragma once

// A wait cursor that records what it was told, installed for the life of the object (the previous
// one comes back at its end).

#include "platform/ui/WaitCursor.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::testing {

class RecordingWaitCursor {
public:
    RecordingWaitCursor() : m_cursor(std::make_shared<Recorder>()) {
        m_previous = InstallWaitCursor(m_cursor);
    }
    ~RecordingWaitCursor() { InstallWaitCursor(m_previous); }
    RecordingWaitCursor(const RecordingWaitCursor&) = delete;
    RecordingWaitCursor& operator=(const RecordingWaitCursor&) = delete;

    // "show" and "hide" in the order they came.
    std::vector<std::string> Events() const {
        std::lock_guard lock(m_cursor->mutex);
        return m_cursor->events;
    }
    bool IsShown() const {
        std::lock_guard lock(m_cursor->mutex);
        return m_cursor->shown;
    }

private:
    struct Recorder : WaitCursor {
        void Show() override {
            std::lock_guard lock(mutex);
            events.emplace_back("show");
            shown = true;
        }
        void Hide() override {
            std::lock_guard lock(mutex);
            events.emplace_back("hide");
            shown = false;
        }
        mutable std::mutex mutex;
        std::vector<std::string> events;
        bool shown = false;
    };

    std::shared_ptr<Recorder> m_cursor;
    std::shared_ptr<WaitCursor> m_previous;
};

} // namespace orv::testing
