#pragma once

// A serial port with its own reader thread. Open sets the line up and starts the thread, which waits
// on the port and appends whatever arrives to the receive buffer; Read and ReadByte take from that
// buffer, Write writes straight to the port.
//
// States: 1 closed, 2 opened, 3 ready. The owner purges the port and then marks it ready; Read,
// ReadByte and Write work only when it is ready.
//
// The port is held exclusively: the terminal's exclusive mode keeps other programs out, and an
// advisory lock on the device keeps out other instances of this program even when run as root (root
// passes the exclusive mode by).
//
// A port that is lost (the other end hung up, or a USB adapter pulled out) stays lost until it is
// closed: the bytes that arrived before remain readable, after them every Read, ReadByte and Write
// fails at once, so the owner notices without sitting out its time-outs. Close wakes a waiting Read,
// which then fails.
//
// Time-outs here are real time: they wait on the device, which no test clock can hurry.

#include "platform/serial/CCommSerialBuffer.h"
#include "platform/sync/CriticalSection.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace orv {

class CSerialComm {
public:
    static constexpr int kStateClosed = 1;
    static constexpr int kStateOpened = 2;
    static constexpr int kStateReady = 3;

    static constexpr uint32_t kReadByteTimeoutMs = 1000;

    CSerialComm();
    ~CSerialComm();
    CSerialComm(const CSerialComm&) = delete;
    CSerialComm& operator=(const CSerialComm&) = delete;

    // Opens `portName` (the device path) for reading and writing, not as controlling terminal, with
    // the line settings of ConfigureRawSerialLine and DTR on, and starts the reader thread. A port
    // already open here is closed first. On failure the port stays closed and the result is false.
    bool Open(const std::string& portName, uint32_t speed, int parity, int stopBitsCode, int dataBits);
    // Stops and joins the reader thread and closes the port; state 1.
    void Close();
    // Drops what waits to be sent and what was received, in the port and in the receive buffer.
    void Purge();

    // Writes every byte within `timeoutMs` (0: no limit); `written` tells how many went out.
    bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written, uint32_t timeoutMs);
    // Takes `count` bytes, waiting up to `timeoutMs` for them; false when fewer came (`read` tells how
    // many were taken all the same).
    bool Read(uint8_t* buffer, uint32_t count, uint32_t& read, uint32_t timeoutMs);
    // One byte, waiting up to kReadByteTimeoutMs.
    bool ReadByte(uint8_t& byte);

    int GetState() const { return m_state.load(); }
    void SetState(int state) { m_state.store(state); }
    bool IsLost() const { return m_lost.load(); }
    // No more bytes will come: the port was lost or is being closed (what was received can still be
    // read).
    bool HasInputEnded() const { return m_buffer.HasEnded(); }
    const std::string& GetPortName() const { return m_portName; }
    // Bytes waiting in the receive buffer.
    std::size_t GetReceivedCount() const { return m_buffer.Size(); }
    // The line's speed as the system has it (0 when closed).
    uint32_t GetLineSpeed() const;

private:
    void ReaderLoop(const std::stop_token& stop);
    void MarkLost();
    void CloseDescriptors(); // under m_section

    CriticalSection m_section; // Open, Close, Purge and Write
    std::atomic<int> m_state{kStateClosed};
    std::atomic<bool> m_lost{false};
    std::atomic<int> m_fd{-1};
    std::atomic<int> m_wakeFd{-1}; // an eventfd: signalled once, on Close, it stays readable
    std::string m_portName;
    CCommSerialBuffer m_buffer;
    // A member, not a local of Open: Set may still be waking the waiter when Wait returns.
    Event m_readerStarted{Event::Reset::Manual};
    std::jthread m_reader;
};

} // namespace orv
