#pragma once

// What the fake device libraries share: a journal of every call with its arguments, and the
// statuses scripted per function, answered one per call in order (0 once a list runs out).

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace orv::sim {

struct FakeCall {
    std::string name;
    std::vector<double> arguments;
};

class FakeCallScript {
public:
    void Reset() {
        const std::lock_guard guard(m_lock);
        m_calls.clear();
        m_statuses.clear();
    }
    void Script(const std::string& function, const std::vector<int32_t>& statuses) {
        const std::lock_guard guard(m_lock);
        m_statuses[function] = std::deque<int32_t>(statuses.begin(), statuses.end());
    }
    // Records the call and answers its next scripted status.
    int32_t Call(const std::string& name, std::vector<double> arguments = {}) {
        const std::lock_guard guard(m_lock);
        m_calls.push_back({name, std::move(arguments)});
        std::deque<int32_t>& statuses = m_statuses[name];
        if (statuses.empty()) {
            return 0;
        }
        const int32_t status = statuses.front();
        statuses.pop_front();
        return status;
    }
    std::vector<FakeCall> Calls() const {
        const std::lock_guard guard(m_lock);
        return m_calls;
    }
    std::vector<std::string> Names() const {
        const std::lock_guard guard(m_lock);
        std::vector<std::string> names;
        names.reserve(m_calls.size());
        for (const FakeCall& call : m_calls) {
            names.push_back(call.name);
        }
        return names;
    }
    void ClearCalls() {
        const std::lock_guard guard(m_lock);
        m_calls.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<FakeCall> m_calls;
    std::map<std::string, std::deque<int32_t>> m_statuses;
};

} // namespace orv::sim
