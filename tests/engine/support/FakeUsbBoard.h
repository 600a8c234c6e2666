#pragma once

// A USB transport standing in for libusb with one scanner board behind it. It records every call and
// every transfer (endpoint, bytes, time-out) and answers like the board: echoes of the command
// letters, identity replies, "a" busy a set number of times during a completion poll. A script of
// faults bends single transfers (time-out, short or over-long reply, wrong byte) or unplugs the board
// from a given transfer on; plugging it back makes a new device, and handles opened before stay dead.
// Answers come at once: no test waits for a time-out.

#include "platform/usb/UsbTransport.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace orv::test {

class FakeUsbBoard final : public UsbTransport {
public:
    enum class CallKind : std::uint8_t { Count, Open, Transfer, Close };
    struct Call {
        CallKind kind;
        std::uint8_t endpoint = 0;       // transfers
        std::vector<std::uint8_t> bytes; // written, or the reply handed back
        std::uint32_t requested = 0;     // bytes asked for (reads) or offered (writes)
        std::uint32_t timeoutMs = 0;
    };
    enum class Fault : std::uint8_t {
        TimeOut,    // the transfer times out, nothing moved
        ShortReply, // the reply loses its last byte
        LongReply,  // the reply gains a byte
        WrongByte,  // the reply's first byte becomes '?'
        ShortWrite, // a write moves one byte fewer
    };

    FakeUsbBoard();
    ~FakeUsbBoard() override;

    int CountDevices(std::uint16_t vendorId, std::uint16_t productId) override;
    UsbOpenResult Open(std::uint16_t vendorId, std::uint16_t productId, int index) override;

    // The board model.
    void SetScannerId(std::int32_t id, std::uint8_t firstByte = '2');
    void SetFirmware(std::uint8_t major, std::uint8_t minor, std::uint8_t patch);
    void SetAdaptorEid(std::uint8_t high, std::uint8_t low);
    // Completion polls answered "a" this many times before the command's letter.
    void SetBusyPolls(int count);
    // The trigger's reply never comes.
    void SetTriggerSilent(bool silent);
    // The answer to the next completion poll after the busy ones, instead of the command's letter.
    void SetPollAnswer(std::uint8_t letter);
    void SetAccessDenied(bool denied);

    // Faults, by the 0-based number of the transfer over the fake's life.
    void AddFault(int transfer, Fault fault);
    // Every transfer from this one on (and every open and count) finds the board gone.
    void UnplugFromTransfer(int transfer);
    void Unplug();
    void PlugBack();

    std::vector<Call> Calls() const;
    // The transfers only, and the written bytes only.
    std::vector<Call> Transfers() const;
    std::vector<std::vector<std::uint8_t>> Writes() const;
    int TransferCount() const;
    void ClearCalls();

private:
    class Device;
    friend class Device;

    UsbTransferResult DoTransfer(int generation, std::uint8_t endpoint, std::span<std::uint8_t> data,
                                 std::uint32_t timeoutMs);
    void Closed(int generation);
    void Answer(const std::vector<std::uint8_t>& command); // queues the reply to a command
    bool IsAttachedLocked();

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::deque<std::vector<std::uint8_t>> m_replies;
    std::map<int, Fault> m_faults;
    int m_transfers = 0;
    int m_unplugFrom = -1;
    bool m_attached = true;
    int m_generation = 0;
    bool m_accessDenied = false;
    std::int32_t m_scannerId = 0;
    std::uint8_t m_typeFirstByte = '2';
    std::uint8_t m_firmware[3] = {1, 2, 3};
    std::uint8_t m_eid[2] = {4, 5};
    int m_busyPolls = 0;
    int m_busyLeft = 0;
    std::uint8_t m_pollLetter = 0; // the running command awaiting completion
    std::uint8_t m_pollAnswer = 0;
    bool m_triggerSilent = false;
};

} // namespace orv::test
