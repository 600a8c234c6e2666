#pragma once

// The robot-arm scanner: one near-field probe carried by the arm from cell to cell of the grid
// instead of probes switched in and out. Every movement goes to the arm engine; the triggers and the
// identity that concern the measurement go to an inner no-scanner board, which always answers.
//
// A move that a stop cut short, or that the arm refused because it was stopped, switched nothing: the
// switch fails with no reconnect needed, so the scan ends instead of measuring a cell the probe never
// reached. The scan's stop also ends an exchange with the arm that a move or a walk waits in, within a
// poll of the link (LinkStop).

#include "engine/scanners/CBOTEngine.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "engine/scanners/CScanner.h"
#include "engine/scanners/ScannerSetup.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace orv {

class CScannerBot : public CScanner {
public:
    using SetupSource = std::function<ScannerSetup()>;

    static constexpr int32_t kBotScannerID = 200;
    static constexpr int32_t kExtraTriggers = 40;

    // `prompting` 1: the calibration is offered at initialisation (a scanner connected for use); 0:
    // never (a scanner made only to see whether an arm answers).
    explicit CScannerBot(uint8_t prompting);
    // Tests: an arm engine of their own.
    explicit CScannerBot(std::unique_ptr<CBOTEngine> engine);
    ~CScannerBot() override;

    // The set-up the walks and the prompt read; without one, an empty set-up.
    void SetSetupSource(SetupSource source);

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
    bool StorePatternData(std::span<const uint8_t> bytes) override;
    void SetProbeHeight(uint16_t height) override;
    bool SupportsMotors() const override;

    // The arm for the settings pages and the main frame. The device manager calls them under its
    // rules (see CDeviceManager): the alarm clearing, the stop and the pose reads may come from any
    // thread, the others only from the holder of the device lock.
    bool ClearArmAlarms();
    bool ResetArmQueue();
    bool StopArm();
    float GetGridOriginX() const;
    float GetGridOriginY() const;
    void GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const;
    // z relative to the arm's z offset.
    bool GetArmPose(float& x, float& y, float& z, float& r);
    float GetDefaultProbeHeight() const;
    int32_t GetMaxHeightForCell(int32_t row, int32_t column) const;
    uint8_t GetCellMoveFlag(int32_t row, int32_t column) const;
    // z relative to the arm's z offset.
    bool MoveArmTo(float x, float y, float z, float r);
    void HomeArm();
    // HomeArm in parts, for a caller that asked the question itself and holds no lock while the arm
    // moves (CBOTEngine's BeginHoming, PollHoming, EndHoming); the poll may come from any thread.
    std::optional<ArmHoming> BeginHoming();
    ArmHomingState PollHoming(const ArmHoming& homing);
    void EndHoming(ArmHomingState last);

    // The probes page's move to one cell: the target, a flag byte it passes along, and the move.
    void SetTargetCell(uint16_t row, uint16_t column, float height, uint16_t wordA, uint16_t wordB);
    void SetTargetFlag(uint8_t flag) { m_targetFlag = flag; }
    uint8_t GetTargetFlag() const { return m_targetFlag; }
    // Moves to the target when the scanner is connected; a failed move sets reconnect needed.
    bool MoveToTarget();

    void SetTriggerWithDwell(uint8_t flag) { m_triggerWithDwell = flag; }
    CBOTEngine* GetEngine() const { return m_engine.get(); }

private:
    ScannerSetup CurrentSetup() const;
    // The move of one cell during a switch or a walk. False when it failed (reconnect needed, logged)
    // or when a stop cut it (no reconnect needed).
    bool MoveProbe(float height, int32_t row, int32_t column);
    // Whether the walk must end: a stop request or a stopped arm (reconnect needed then cleared).
    bool WalkStopped(const ScannerSetup& setup);
    // The waits and the trigger after each move of a walk.
    void TriggerAfterMove(const ScannerSetup& setup);
    void CloseWalk(int32_t x, int32_t count);
    float CellHeight(int32_t row, int32_t column) const;
    // The walk of the two switch-and-trigger operations over the kept pattern: bits from `first` to
    // `last` (inclusive).
    bool WalkPattern(int64_t first, int64_t last, int32_t x, bool closeWithTriggers);
    void Pause(int64_t milliseconds, const ScannerSetup& setup) const;

    std::unique_ptr<CNoScannerBoard> m_board;
    std::unique_ptr<CBOTEngine> m_engine;
    SetupSource m_setupSource;
    uint8_t m_triggerWithDwell = 0;
    uint16_t m_armRows = 0;
    uint16_t m_armColumns = 0;
    std::vector<uint8_t> m_pattern;
    uint16_t m_targetRow = 0;
    uint16_t m_targetColumn = 0;
    float m_targetHeight = 0;
    uint16_t m_targetWordA = 0;
    uint16_t m_targetWordB = 0;
    uint8_t m_targetFlag = 0;
};

} // namespace orv
