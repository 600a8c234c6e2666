#pragma once

// The stop that the scanners' serial and network links look at while they wait for bytes. An operation
// on a scanner (a move of the arm, a walk, an exchange with the adapter, a connect) puts the stop it
// answers to in force on its own thread for as long as it runs; the links cut every wait into polls of
// at most kPollMs and give up between two polls once that stop was requested. A peer that trickles
// bytes, or says nothing, then holds the operation for one poll after a Stop, not for its time-outs.
//
// Only a stop that comes while the operation runs ends it: an operation begun after its stop was
// requested (the scan's closing exchanges, the arm's force-stop after a Stop Scan) is deliberate and
// runs to its own bound. Operations nest: a wait ends when any stop in force on the thread fired after
// its operation began.
//
// The stop is per thread because a link is shared: the arm's emergency stop and pose reads come from
// other threads than the scan's, and must go through whatever ended the scan.

#include <chrono>
#include <cstdint>
#include <stop_token>

namespace orv {

class CSerialComm;

class LinkStop {
public:
    static constexpr uint32_t kPollMs = 20;

    // What one poll of a wait came to.
    enum class Poll { kDone, kFailed, kPending };

    // Puts `stop` in force on this thread until this object goes (made and dropped on one thread,
    // innermost first).
    explicit LinkStop(std::stop_token stop);
    ~LinkStop();
    LinkStop(const LinkStop&) = delete;
    LinkStop& operator=(const LinkStop&) = delete;

    // Whether a stop in force on this thread fired after its operation began.
    static bool Requested();

    // Calls `poll(ms)`, each time with at most kPollMs and never more than is left of `timeoutMs`,
    // until it answers kDone or kFailed, the time is up or Requested(). True only for kDone. The
    // links' time-outs are real time: they wait on devices, which no test clock can hurry.
    template <class PollOnce> static bool Wait(uint32_t timeoutMs, PollOnce&& poll) {
        using SteadyClock = std::chrono::steady_clock;
        const SteadyClock::time_point deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
            const auto slice = static_cast<uint32_t>(left <= 0 ? 0 : left < kPollMs ? left : kPollMs);
            const Poll result = poll(slice);
            if (result != Poll::kPending) {
                return result == Poll::kDone;
            }
            if (slice == 0 || Requested()) {
                return false;
            }
        }
    }

    // Takes `count` bytes from a ready serial port within `timeoutMs`, as Wait does; false when they
    // did not all come (the port was lost or closed, the time is up or the stop came).
    static bool ReadSerial(CSerialComm& serial, uint8_t* buffer, uint32_t count, uint32_t timeoutMs);

private:
    // Empty when the stop had fired already: this operation does not watch it.
    std::stop_token m_stop;
    LinkStop* m_outer;
};

} // namespace orv
