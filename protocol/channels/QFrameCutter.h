#pragma once

// Holds the bytes one channel endpoint has read and cuts whole frames from their front: the marker
// '*', u16 extra header, u16 type id, u32 body size N, N bytes (N + 9 in all, computed in 64 bits so
// no declared size can wrap). A frame longer than the channel allows, or bytes that do not begin with
// '*', can never become a frame: the cutter skips to the next '*' and writes one log line for each
// resynchronisation, so a later frame is never lost behind a broken one.
//
// Frames are handed out by an offset into the held bytes; Compact moves the rest to the front once
// per cycle, so a read holding many small frames costs one move, not one per frame.
//
// Two ways of holding bytes, one per channel:
//  - Bounded (command replies): the buffer never grows; when the held bytes and a new read would reach
//    the bound, everything held is discarded together with the read, as a reply that long cannot be
//    valid.
//  - Growing (scan data): the buffer doubles until the read fits (never beyond the largest frame
//    unless the read needs it), but since no frame may exceed the largest frame size and a broken one
//    is skipped as soon as its header shows, it never holds more than the largest frame plus one read.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orv {

class QFrameCutter {
public:
    static constexpr std::size_t kHeaderBytes = 9;
    static constexpr uint8_t kMarker = 0x2A;

    enum class Holding { Bounded, Growing };

    // `name` begins the log lines (the endpoint's name). `maxFrameBytes` is the largest whole frame
    // (header included) this channel accepts; `capacity` is the bound (Bounded) or the first size of
    // the buffer (Growing).
    QFrameCutter(std::string name, Holding holding, std::size_t capacity, uint64_t maxFrameBytes);

    // The command endpoint's: bounded at 51200 bytes, so a reply frame is at most 51199 bytes.
    static constexpr std::size_t kCommandBound = 51200;
    static QFrameCutter ForCommandReplies();
    // The data endpoint's: starts at 512000 bytes; a body above 64 MiB is a broken frame.
    static constexpr std::size_t kDataFirstCapacity = 512000;
    static constexpr uint64_t kDataMaxBody = uint64_t{64} << 20;
    static QFrameCutter ForScanData();

    // Takes one read. False when a bounded cutter had to discard everything (the read included).
    bool Append(const uint8_t* bytes, std::size_t n);

    // The next whole frame, or an empty span when none is complete. The span stays valid until the
    // next Append or Compact.
    std::span<const uint8_t> NextFrame();

    // Moves the bytes not yet handed out to the front of the buffer.
    void Compact();

    void Clear();

    std::size_t Held() const { return m_held - m_start; }
    std::size_t Capacity() const { return m_capacity; }
    uint64_t MaxFrameBytes() const { return m_maxFrameBytes; }
    // Bytes skipped or discarded since construction (for the channel's own diagnostics and tests).
    uint64_t DroppedBytes() const { return m_droppedBytes; }
    uint64_t Resynchronisations() const { return m_resyncs; }

private:
    // Drops bytes from the front up to the next '*' after the first held byte (all of them when none).
    void SkipToNextMarker(const char* why);
    void Grow(std::size_t needed);

    std::string m_name;
    Holding m_holding;
    std::unique_ptr<uint8_t[]> m_bytes;
    std::size_t m_capacity;
    uint64_t m_maxFrameBytes;
    std::size_t m_start = 0; // first byte not yet handed out
    std::size_t m_held = 0;  // end of the held bytes
    bool m_resyncing = false;
    uint64_t m_droppedBytes = 0;
    uint64_t m_resyncs = 0;
};

} // namespace orv
