#pragma once

// What the connection thread needs to check that a network analyser's host still answers: prepare
// once, ping the host, and the reason of the last failed ping for the log line.

#include <cstdint>
#include <stop_token>
#include <string>

namespace orv {

// The answer to one echo: the replying address (IPv4, network byte order, as it stands in the
// packet; 0 for an IPv6 host) and the round-trip time.
struct IcmpEchoReplyRecord {
    uint32_t address = 0;
    uint32_t roundTripMs = 0;
};

class AnalyzerPing {
public:
    virtual ~AnalyzerPing() = default;
    // Whether pings can be sent at all. The first call decides; later calls repeat its answer.
    virtual bool Initialize() = 0;
    // True when `host` answered the echo; `reply` is filled only then. A reason that belongs to the
    // host text or the system goes to `error`; one that belongs to the echo to GetLastError.
    virtual bool Ping(const std::string& host, IcmpEchoReplyRecord& reply, std::string& error,
                      std::stop_token stop = {}) = 0;
    virtual int32_t GetLastError() const = 0;
};

} // namespace orv
