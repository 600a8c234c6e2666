#pragma once

// A millisecond stopwatch for timing the program's own work. It runs on the steady clock, which is
// always present: the "not supported" answers (-1 and 0.0) stay part of the interface for callers
// that test them, and never occur.

#include <chrono>
#include <cstdint>

namespace orv {

class CPerfStopwatch {
public:
    void Start();
    void Stop();
    // Whole milliseconds between Start and Stop; -1 until measured.
    int64_t GetElapsedMs() const { return m_elapsedMs; }
    double GetElapsedMsPrecise() const { return m_elapsedMsPrecise; }
    bool IsSupported() const { return true; }

private:
    std::chrono::steady_clock::time_point m_start{};
    bool m_started = false;
    int64_t m_elapsedMs = -1;
    double m_elapsedMsPrecise = 0.0;
};

} // namespace orv
