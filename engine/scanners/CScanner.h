#pragma once

// The driver of the hardware that carries or selects the near-field probes. The device manager makes
// one driver of each kind in turn and keeps the first that connects; the scan routines drive it only
// through the virtual operations below, which keep their order so that every driver lines up with
// the same table. Operations never throw: they return false and log the driver's own line.
//
// A driver is used by one thread at a time (the scan thread during a scan, the connection thread
// otherwise); the device manager's lock sees to that, so the driver itself holds no lock.

#include "analyzers/ProbeType.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace orv {

class CScanner {
public:
    using eProbeType = orv::eProbeType;

    // The largest row or column a switch frame carries (one byte each).
    static constexpr int32_t kMaxCellIndex = 255;

    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;
    virtual ~CScanner();

    virtual int32_t GetScannerID() const;
    virtual void SetSelectedScannerID(int32_t id);
    virtual bool Connect() = 0;
    virtual bool Disconnect() = 0;
    // Acts only while a reconnect is needed.
    virtual bool Reconnect() = 0;
    virtual bool BeginScan() = 0;
    virtual bool EndScan() = 0;
    virtual uint8_t GetSwitchMode() const = 0;
    virtual void SetSwitchMode(uint8_t mode) = 0;
    virtual bool SwitchToCellTimed(int32_t value) = 0;
    virtual bool SwitchToCell() = 0;
    // The identity reads leave their reply in the reply buffer, which the caller reads right after.
    virtual bool ReadScannerType() = 0;
    // Sends the first 4 bytes the reply buffer holds; fails when it holds fewer.
    virtual bool WriteScannerType() = 0;
    virtual bool Trigger(int16_t a, uint8_t b, uint8_t c, int16_t d) = 0;
    virtual bool StartingSwitch(int32_t x) = 0;
    virtual bool FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) = 0;
    virtual bool PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) = 0;
    virtual bool TriggerAndSwitches() = 0;
    virtual bool WriteScannerSize() = 0;
    virtual bool ReadAdaptorEID() = 0;
    virtual bool ReadFirmwareVersion() = 0;
    // Copies the active-cell map (one bit per cell, row-major, most significant bit first) into the
    // reply buffer, replacing what it held.
    virtual bool StorePatternData(std::span<const uint8_t> bytes);
    virtual void SetProbeHeight(uint16_t height) = 0;
    virtual bool SupportsMotors() const = 0;
    // What the reply buffer holds: the active-cell map after StorePatternData, or the last identity
    // reply when one came after it.
    virtual std::span<const uint8_t> GetProbeCellMap() const;
    // The scanner's 16-bit type word, set by the scanner-type preference page after a reconnect.
    virtual void SetScannerTypeValue(uint16_t value);

    eProbeType GetProbeType() const { return m_probeType; }
    bool IsReconnectNeeded() const { return m_reconnectNeeded != 0; }
    int32_t GetSelectedScannerID() const { return m_selectedScannerID; }
    uint16_t GetScannerTypeValue() const { return m_scannerTypeValue.load(); }
    std::span<const uint8_t> GetReplyBuffer() const { return m_replyBuffer; }

    // The current cell, written by the scan routines before a switch. A row or column that does not
    // fit the frame's byte is refused rather than sent truncated: the cell is then unsendable and
    // every switch fails until a valid cell is set.
    bool SetCell(int32_t row, int32_t column);
    uint8_t GetCellRow() const { return m_cellRow; }
    uint8_t GetCellColumn() const { return m_cellColumn; }
    bool HasSendableCell() const { return m_cellSendable; }
    void SetCellHeight(float height) { m_cellHeight = height; }
    float GetCellHeight() const { return m_cellHeight; }
    // The set-up's per-cell probe heights, rows x columns; the caller keeps them alive while the
    // driver may read them (for the length of the scan).
    void SetCellHeightTable(std::span<const int16_t> heights) { m_cellHeightTable = heights; }
    std::span<const int16_t> GetCellHeightTable() const { return m_cellHeightTable; }
    void SetStepWords(uint16_t a, uint16_t b) {
        m_stepWordA = a;
        m_stepWordB = b;
    }
    uint16_t GetStepWordA() const { return m_stepWordA; }
    uint16_t GetStepWordB() const { return m_stepWordB; }

protected:
    explicit CScanner(eProbeType probeType);

    void SetReconnectNeeded(bool needed) { m_reconnectNeeded = needed ? 1 : 0; }
    // Replaces the reply buffer with a reply just read.
    void StoreReply(std::span<const uint8_t> reply);
    // Takes the scanner ID from a stored 4-byte type reply (little-endian); false, the ID unchanged,
    // when the buffer holds anything shorter.
    bool TakeScannerIdFromReply();

    uint8_t m_switchMode = 0;

private:
    uint8_t m_reconnectNeeded = 1;
    uint8_t m_cellRow = 0;
    uint8_t m_cellColumn = 0;
    bool m_cellSendable = true;
    float m_cellHeight = 0.0F;
    std::span<const int16_t> m_cellHeightTable;
    uint16_t m_stepWordA = 0;
    uint16_t m_stepWordB = 0;
    std::vector<uint8_t> m_replyBuffer;
    // Written by the preference page's thread while the engine may use the driver.
    std::atomic<uint16_t> m_scannerTypeValue{0};
    const eProbeType m_probeType;
    int32_t m_scannerID = 0;
    int32_t m_selectedScannerID = 0;
};

} // namespace orv
