#pragma once

// The scanner board attached directly by USB. Each operation writes one short unframed command (its
// letter, its parameters as little-endian numbers and, when it has parameters, a one-byte sum of all
// bytes before it) and reads a one-byte echo or a short reply. Long operations (the switch-and-trigger
// commands) are followed by a completion poll: "a" is written until the board stops answering "a"
// (busy) and answers the command's own letter. The poll and the trigger's waits for an answer end on
// the scan's stop.
//
// A transfer that fails, or moves fewer bytes than the command or the reply, means the link is gone:
// the operation fails and a reconnect is needed. A wrong reply byte fails the operation only.
// Numbers that do not fit their field are never sent truncated: the operation fails unsent.

#include "engine/scanners/CScanner.h"
#include "engine/scanners/CUSBEngine.h"
#include "engine/scanners/ScannerSetup.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>

namespace orv {

class CScannerBoard : public CScanner {
public:
    using SetupSource = std::function<ScannerSetup()>;

    static constexpr int kMaxChunk = 60;
    static constexpr int kMaxPolls = 3000;
    static constexpr int32_t kSlowPollModelCode = 29;
    static constexpr uint32_t kSlowPollIntervalMs = 100;

    CScannerBoard();
    ~CScannerBoard() override;

    // The set-up the commands read; without one, an empty set-up with the default poll interval.
    void SetSetupSource(SetupSource source) { m_setupSource = std::move(source); }

    bool Connect() override;
    bool Disconnect() override;
    bool Reconnect() override;
    bool BeginScan() override;
    bool EndScan() override;
    uint8_t GetSwitchMode() const override;
    void SetSwitchMode(uint8_t mode) override;
    bool SwitchToCellTimed(int32_t value) override;
    bool SwitchToCell() override;
    bool ReadScannerType() override;
    bool WriteScannerType() override;
    bool Trigger(int16_t a, uint8_t b, uint8_t c, int16_t d) override;
    bool StartingSwitch(int32_t x) override;
    bool FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) override;
    bool PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) override;
    bool TriggerAndSwitches() override;
    bool WriteScannerSize() override;
    bool ReadAdaptorEID() override;
    bool ReadFirmwareVersion() override;
    void SetProbeHeight(uint16_t height) override;
    bool SupportsMotors() const override;

    // The counts moved by the last write and the last read.
    uint32_t GetBytesWritten() const { return m_bytesWritten; }
    uint32_t GetBytesRead() const { return m_bytesRead; }

private:
    ScannerSetup CurrentSetup() const;
    bool Send(std::span<const uint8_t> command, uint32_t timeoutMs);
    bool Receive(std::span<uint8_t> reply, uint32_t timeoutMs);
    // Sends, waits `waitMs` when not 0, reads a one-byte reply that must be `letter`.
    bool SendAndExpectEcho(std::span<const uint8_t> command, uint32_t writeTimeoutMs, uint32_t waitMs,
                           uint32_t readTimeoutMs);
    // Sends a command with a reply of `reply.size()` bytes after the 50 ms wait.
    bool SendAndRead(uint8_t letter, std::span<uint8_t> reply);
    bool UploadPattern();
    bool SendAndPoll(std::span<const uint8_t> command, uint32_t writeTimeoutMs, uint32_t pollIntervalMs,
                     const std::stop_token& stop);

    CUSBEngine m_engine;
    SetupSource m_setupSource;
    uint32_t m_bytesWritten = 0;
    uint32_t m_bytesRead = 0;
};

} // namespace orv
