#pragma once

// A connection that finds an analyser and holds the open link to it; a driver borrows the link.

#include <chrono>
#include <cstdint>
#include <string>

namespace orv {

class CSAConnection {
public:
    CSAConnection() = default;
    virtual ~CSAConnection() = default;
    CSAConnection(const CSAConnection&) = delete;
    CSAConnection& operator=(const CSAConnection&) = delete;

    virtual std::string QueryIdentity() = 0;
    virtual bool CheckStatus() { return true; }
    virtual bool DetectAndConnect() = 0;
    virtual bool SetupConnection(const std::string& /*resource*/) { return false; }

    // The timing of one reading: the spectral/spatial runner notes when a reading starts and stores
    // how long it took. On wherever a steady clock exists, which is everywhere this program runs.
    // Used by the scan thread only, while it holds the devices.
    bool IsTimingEnabled() const { return m_timingEnabled; }
    void SetTimingEnabled(bool on) { m_timingEnabled = on; }
    void SetReadingStart(std::chrono::steady_clock::time_point start) { m_readingStart = start; }
    std::chrono::steady_clock::time_point GetReadingStart() const { return m_readingStart; }
    void SetReadingMilliseconds(double milliseconds) { m_readingMilliseconds = milliseconds; }
    double GetReadingMilliseconds() const { return m_readingMilliseconds; }

protected:
    std::string m_text;
    int32_t m_value = -1;

private:
    bool m_timingEnabled = true;
    std::chrono::steady_clock::time_point m_readingStart{};
    double m_readingMilliseconds = 0.0;
};

} // namespace orv
