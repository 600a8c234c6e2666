#pragma once

// What every SCPI analyser driver shares beyond the interface: the after-write patterns with their
// flag rules, the guarded reads, the bounded poll, the read that survives time-outs, and the block
// reads. Commands are built with FormatC by the caller and always sent as data ("%s"), so a '%' in a
// command or in a value read back is never taken as a conversion.

#include "analyzers/CSpectrumAnalyzer.h"

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace orv {

class CScpiSpectrumAnalyzer : public CSpectrumAnalyzer {
public:
    // Time-outs in a row before the user is asked whether to keep waiting for a reply.
    static constexpr int32_t kTimeoutsBeforeAsking = 5;
    // The shortest bound of a poll; a slow sweep extends it to twice the sweep time.
    static constexpr int64_t kMinimumPollBoundMs = 35000;
    static constexpr std::chrono::milliseconds kDefaultPollPause{1};

    // The bound's floor; tests lower it so that a bound passes in a few reads.
    void SetMinimumPollBoundMs(int64_t ms) { m_minimumPollBoundMs = ms; }
    void SetLastSweepTimeMs(int64_t ms) { m_lastSweepTimeMs = ms; }
    int64_t GetPollBoundMs() const;

    // Milliseconds from a sweep time in seconds, rounded up only beyond the float's error.
    static int32_t SweepSecondsToMs(double seconds);

protected:
    // Sent; only a failed write fails (command-valid cleared).
    bool SendStatusOnly(const std::string& command);
    // Sent, then CheckStatus and the instrument-error flag; any failure clears command-valid.
    bool SendVerified(const std::string& command);
    // Each in turn; the first failure ends it.
    bool SendVerifiedAll(std::initializer_list<std::string> commands);
    // The check after a write alone: CheckStatus true and no instrument error.
    bool PassesErrorCheck();

    // Drops what is left of the reply just scanned (its line end, an error text after the number), so
    // that it never answers the next query; the last status is kept.
    void DropRestOfReply();

    // Query-valid set, the query sent, the reply read in the format, then the error check; any
    // failure clears query-valid. `value` keeps what was read (0 when nothing was).
    bool QueryInt(const std::string& query, int32_t& value);
    bool QueryDouble(const std::string& query, double& value);
    // A whole number beyond 32 bits (frequencies in Hz), read as "%lld".
    bool QueryInt64(const std::string& query, int64_t& value);

    // Whether a number read back can be an analyser's setting: finite, and not one of SCPI's
    // not-a-number and infinity markers (9.91E+37, +-9.9E+37) or beyond them. Everything below them
    // also fits the 32-bit float the interface returns.
    static bool IsPossibleReading(double value);

    // How a frequency is read back in Hz: as a real number ("%lf") or as a whole number ("%lld").
    enum class HzForm { Real, Whole };
    // A frequency read back in Hz and returned in MHz; on failure the value as read (0 when nothing
    // usable was read), query-valid cleared.
    float QueryMhz(const std::string& query, HzForm form = HzForm::Real);

    // What a sweep-time read gives when it fails: 0, the seconds as read cut to a whole number, or
    // the seconds converted as on success.
    enum class SweepTimeOnFailure { Zero, SecondsAsRead, Converted };
    // A sweep time read back in seconds ("%lf"), returned in whole milliseconds (rounded up when not
    // whole) and kept as the last sweep time for the poll's bound. A time that is negative or does not
    // fit the milliseconds fails like an impossible reading.
    int32_t ReadSweepTimeFrom(const std::string& query,
                              SweepTimeOnFailure onFailure = SweepTimeOnFailure::SecondsAsRead);

    // Reads "%d" replies until one is 1, pausing between reads through the clock. The query is sent
    // once (`resendEachRound` false: the instrument answers when done) or again after each reply that
    // is not yet the value (`resendEachRound` true). It is never sent again while its reply is
    // outstanding: a read that times out goes on waiting for the reply already asked for, so that no
    // reply is left over to answer a later query. One that fails otherwise ends the poll at once.
    // When the bound passes the user is asked: OK waits one more bound, Cancel or the scan's stop
    // fails. However the poll ends, what is left of the reply stream is dropped. A failure clears
    // command-valid and is logged.
    bool PollUntilOne(const std::string& query, bool resendEachRound,
                      std::chrono::milliseconds pause = kDefaultPollPause);
    // The same poll, waiting for `expected` in place of 1.
    bool PollUntilValue(const std::string& query, bool resendEachRound, int32_t expected,
                        std::chrono::milliseconds pause = kDefaultPollPause);

    // After a poll, however it ended: drops what has arrived; a reply still outstanding is awaited
    // for kQuietMs and, when it comes later, dropped before the next query is read.
    void DrainPollReplies(bool replyOutstanding);

    // The RBW of the applied set-up (MHz; the requested one before a set-up is given).
    double AppliedRbw() const;
    // The shared narrow-RBW test: the model's threshold reaches the applied RBW.
    bool IsAppliedRbwNarrow() const { return m_narrowRbwThreshold >= AppliedRbw(); }
    // The shared input coupling: ":INP:COUP DC;" or ":INP:COUP AC;" with the DC-coupled flag, no
    // read-back; true.
    bool SendInputCoupling(bool dc);

    // Reads `count` bytes, going on where a timed-out read stopped; after kTimeoutsBeforeAsking
    // time-outs (with or without bytes) the user is asked while the read goes on (OK: as many more,
    // Cancel: fail); the scan's stop fails it at the next time-out. Ends at the termination character
    // when it is enabled. `received` is what arrived either way.
    bool ReadRetryingTimeouts(unsigned char* buffer, uint32_t count, uint32_t& received);

    // Opens `resource` through the default resource manager into the session and sets flush-on-access
    // on it. With a `logName` the three lines "Start to open connection to spectrum analyzer::  <name>",
    // then "Failed in opening connection to spectrum analyzer:: <name>" or "Completed in opening
    // connection to analyzer:: <name>" are logged. True when the open and the attribute succeeded.
    bool OpenSession(const std::string& resource, const char* logName);

    // The REAL,32 little-endian trace of `count` values after its query went out: the block read
    // with exactly 4 x count bytes allowed, then (when `verify`) CheckStatus; a block that is not one,
    // is shorter or longer, or an instrument error gives the kept trace (KeepPreviousTrace). Values
    // come only from bytes that arrived, each plus `offset` (107 turns dBm into dBuV).
    const float* ReadReal32Trace(int32_t count, bool verify, float offset = 0.0f);

    // The receive buffer of the block reads, kept between reads.
    std::vector<unsigned char>& RawBlock() { return m_rawBlock; }

    // viScanf "%#b": `count` holds the capacity going in and the bytes stored coming out.
    bool ScanBlock(unsigned char* buffer, int32_t& count);
    // A "#" block read raw with the termination character off (restored on every path): the length
    // judged against `capacity` before any data is read, the data read whole, the line feed after
    // it consumed. `length` is the bytes stored (those that arrived, on failure). A block longer than
    // `capacity` is read past and dropped (until its end or the first time-out), so that it never
    // answers the next query. With a `headTimeoutMs`, the "#" is awaited that long (an instrument that
    // answers only when its sweep is done) and the session's time-out is restored once it came.
    bool ReadRawBlock(unsigned char* buffer, size_t capacity, size_t& length, uint32_t headTimeoutMs = 0);
    // Exactly `count` raw bytes, termination character off and restored; `received` as it arrived.
    bool ReadRawCount(unsigned char* buffer, size_t count, size_t& received);

private:
    // Switches the termination character off and back on when it goes.
    class TermCharOff;

    bool ReadRawCountUnguarded(unsigned char* buffer, size_t count, size_t& received);
    // Reads and drops `count` bytes and the line feed after them; ends at the first failed read.
    void DropBytes(size_t count);
    // A reply whose length cannot be known: what arrives is dropped until nothing has come for
    // kQuietMs (or kMostDroppedBytes went), so that none of it answers the next query.
    void DropUntilQuiet();
    static constexpr uint32_t kQuietMs = 100;
    static constexpr size_t kMostDroppedBytes = size_t{1} << 26;
    // One number read back with viScanf `format`; `value` stays zero unless the read succeeded.
    template <typename Number> bool QueryNumber(const std::string& query, const char* format, Number& value);
    bool FailCommand(const std::string& why);
    // A poll's reply that had not come when the poll ended: dropped before the next number is read.
    void DropLateReply();

    std::vector<unsigned char> m_rawBlock; // kept between reads: no allocation per trace
    int64_t m_minimumPollBoundMs = kMinimumPollBoundMs;
    int64_t m_lastSweepTimeMs = 0;
    bool m_lateReplyOutstanding = false;
};

} // namespace orv
