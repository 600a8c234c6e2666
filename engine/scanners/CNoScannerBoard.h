#pragma once

// The driver used when no scanner is present (the hand-held probe). It does no I/O: once connected it
// answers every switch and trigger at once and reports the fixed identity of "no scanner" (ID 255,
// adaptor EID 0.0, firmware 0.0.0), so the scan routines run unchanged without hardware.

#include "engine/scanners/CScanner.h"

namespace orv {

class CNoScannerBoard : public CScanner {
public:
    // The scanner ID the driver reports.
    static constexpr int32_t kNoScannerID = 255;

    CNoScannerBoard();
    ~CNoScannerBoard() override;

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

    bool IsAnswering() const { return m_answering != 0; }
    uint32_t GetBytesWritten() const { return m_bytesWritten; }
    uint32_t GetBytesRead() const { return m_bytesRead; }

private:
    uint32_t m_bytesWritten = 0;
    uint32_t m_bytesRead = 0;
    uint8_t m_answering = 0;
};

} // namespace orv
