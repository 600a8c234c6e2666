#pragma once

// The engine's two-byte stop flag: byte 0 is the stop request (set by the stop command), byte 1 the
// acknowledgement (set by the runner that saw the request). Each scan also gets a stop token, which
// the stop command and the engine's shutdown fire, so that waits of the scan (a box asking whether to
// keep waiting, a pause) end at once instead of running their time out.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace orv {

class ScanStopFlag {
public:
    ScanStopFlag() = default;
    ScanStopFlag(const ScanStopFlag&) = delete;
    ScanStopFlag& operator=(const ScanStopFlag&) = delete;

    uint8_t GetStopRequest() const { return m_stopRequest.load(); }
    void SetStopRequest(uint8_t value) { m_stopRequest.store(value); }
    uint8_t GetStopAcknowledged() const { return m_stopAcknowledged.load(); }
    void SetStopAcknowledged(uint8_t value) { m_stopAcknowledged.store(value); }

    // Both bytes back to 0.
    void Clear();

    // The stop command: request = 1, acknowledged = 0, and the running scan's token fires.
    void RequestStop();
    // A new scan: both bytes 0 and a fresh token, so a stop sent earlier cannot end it.
    void BeginScan();
    // The engine ends: the token fires and stays fired, whatever scan begins after.
    void FireForShutdown();
    // The token of the current scan.
    std::stop_token GetStopToken() const;

private:
    std::atomic<uint8_t> m_stopRequest{0};
    std::atomic<uint8_t> m_stopAcknowledged{0};
    mutable std::mutex m_tokenLock;
    std::stop_source m_scanStop;
    bool m_shutdown = false;
};

} // namespace orv
