#pragma once

// The Dobot Magician arm carrying the Quorlyn probe over the 29 x 42 grid, reached through its serial
// link. The arm's settings live in the machine settings under kSettingsKey: "PortDescription" names
// the serial port to use; the motion parameters, where present, replace the arm's own at
// initialisation.
//
// Threads: moves, initialisation and the start and end of a homing come from the thread that holds the
// engine's device lock; Stop, Resume, ClearAlarms, GetPose and PollHoming may come from any thread at
// any time (the emergency stop, the pose poller, the wait for a homing), since they touch only the
// link, which serialises its exchanges, and atomic flags.

#include "engine/scanners/CBOTEngine.h"
#include "engine/scanners/CDobotMagician.h"
#include "platform/ui/Prompt.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace orv {

class CDOBOTEngine final : public CBOTEngine {
public:
    static constexpr const char* kSettingsKey = "SOFTWARE\\QZV Technologies\\SelectedEndEffector\\Dobot";
    static constexpr int32_t kGridRows = 29;
    static constexpr int32_t kGridColumns = 42;
    static constexpr float kCellPitch = 7.5F;
    static constexpr float kSafeHeight = 110.0F;
    static constexpr float kLowestHeight = -70.0F;
    static constexpr float kHomingX = 160.0F;
    static constexpr uint32_t kLinkSpeed = 115200;
    static constexpr int kStopAttempts = 5;
    static constexpr uint16_t kNoCell = 65535;
    static constexpr const char* kCalibrationCaption = "Quorlyn Calibration";
    static constexpr const char* kCalibrationText =
        "- The Quorlyn robotic arm is about to perform a calibration movement.\n- Please REMOVE any attached "
        "probes and make sure that the arm will not make contact with any surrounding objects.\n- Press OK "
        "to "
        "continue or Cancel to skip.";

    // `calibrated` 1: no calibration prompt at initialisation (the detection's arms).
    explicit CDOBOTEngine(uint8_t calibrated);
    ~CDOBOTEngine() override;

    bool Connect() override;
    bool Initialize() override;
    bool Reinitialize() override;
    void Disconnect() override;
    void Calibrate() override;
    void SetGridSize(int32_t rows, int32_t columns) override;
    bool ExecuteMove(float height, int32_t row, int32_t column, uint16_t stepWordA,
                     uint16_t stepWordB) override;
    uint8_t IsCellReachable(int32_t row, int32_t column) const override;
    int32_t GetMaxHeightForCell(int32_t row, int32_t column) const override;
    void GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const override;
    bool GetPose(ArmPose& pose) override;
    bool MoveToPose(float x, float y, float z, float r) override;
    float GetSafeHeight() const override;
    bool EnableTrigger() override;
    bool DisableTrigger() override;
    bool GetTriggeredPose(ArmPose& pose) override;
    void SetProbeHeight(float height) override;
    void Stop() override;
    bool IsStopped() const override;
    void Resume() override;
    void ClearAlarms() override;
    const ArmOriginRecord* GetOriginRecord() const override;
    std::optional<ArmHoming> BeginHoming() override;
    ArmHomingState PollHoming(const ArmHoming& homing) override;
    void EndHoming(ArmHomingState last) override;

    // The calibration question of Initialize and Calibrate, for a caller that asks it before taking
    // any lock.
    static PromptRequest CalibrationPrompt();

    // The token that answers the calibration prompt with Cancel when fired (the engine's stop).
    void SetStopTokenSource(std::function<std::stop_token()> source) {
        m_stopTokenSource = std::move(source);
    }

    float GetOriginX() const override { return m_originX; }
    float GetOriginY() const override { return m_originY; }
    float GetZOffset() const override { return m_zOffset; }
    const std::string& GetPortName() const { return m_portName; }
    uint8_t IsRailFitted() const { return m_railFitted; }
    uint8_t IsCalibrated() const { return m_calibrated; }
    int32_t GetGridRows() const { return m_gridRows; }
    int32_t GetGridColumns() const { return m_gridColumns; }
    // The pitch and sub-positions per cell side of the last move.
    float GetPitch() const { return m_pitch; }
    uint16_t GetSubCells() const { return m_subCells; }
    int16_t GetLastRow() const { return m_lastRow; }
    int16_t GetLastColumn() const { return m_lastColumn; }
    CDobotMagician& GetLink() { return m_link; }

private:
    // Reads every parameter set from the arm and writes back those the settings change.
    void ApplySettings();
    // The calibration prompt; true when the user agreed.
    bool AskCalibration() const;
    bool InitializeArm(bool offerCalibration);
    // Queues a point-to-point move to an absolute arm position; `wait` waits for its end.
    bool QueueMoveTo(float x, float y, float z, bool wait);
    bool ReadAlarmsClear();
    int32_t MaxHeightAt(float x, float y) const;

    const float m_originX = 64.0F;
    const float m_originY = -157.5F;
    const float m_zOffset = -120.0F;
    CDobotMagician m_link;
    std::atomic<uint8_t> m_stopped{0};
    // Counts stops, so a move learns that a stop and a resume came while it ran.
    std::atomic<uint32_t> m_stopCount{0};
    std::atomic<bool> m_lastMoveStopped{false};
    std::string m_portName;
    uint8_t m_railFitted = 0;
    ArmOriginRecord m_originRecord;
    int16_t m_probeHeight = 100;
    int16_t m_lastRow = -1;
    int16_t m_lastColumn = -1;
    uint8_t m_firstMove = 1;
    int32_t m_gridRows = kGridRows;
    int32_t m_gridColumns = kGridColumns;
    std::array<uint8_t, CDobotMagician::kAlarmBytes> m_alarms{};
    float m_pitch = kCellPitch;
    uint16_t m_subCells = 0;
    uint16_t m_subPositions = 0; // step word B of the last move
    uint8_t m_calibrated;
    std::function<std::stop_token()> m_stopTokenSource;
};

} // namespace orv
