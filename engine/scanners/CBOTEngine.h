#pragma once

// The motion side of a robot-arm scanner: it carries one probe from cell to cell of the scan grid. The
// arm scanner (CScannerBot) drives every movement through these operations, which keep their order so
// that each arm kind lines up with the same table.

#include <cstdint>
#include <optional>

namespace orv {

struct ArmPose {
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    float jointAngle[4] = {0, 0, 0, 0};
};

// The grid origin's offsets from the arm's own origin, in millimetres.
struct ArmOriginRecord {
    float xOffset = 0;
    float yOffset = 0;
};

// A homing under way: the queue index the arm reaches when it is done, and the stops counted when it
// was queued (a stop since then ends it unfinished).
struct ArmHoming {
    uint64_t queueIndex = 0;
    uint32_t stopsAtStart = 0;
};

// Where a homing stands: still moving, done, failed (the link, or a stop of the arm), or no longer
// waited for (the caller's stop).
enum class ArmHomingState { Moving, Done, Failed, Abandoned };

class CBOTEngine {
public:
    CBOTEngine() = default;
    CBOTEngine(const CBOTEngine&) = delete;
    CBOTEngine& operator=(const CBOTEngine&) = delete;
    virtual ~CBOTEngine();

    // Finds the arm's port; the port is closed again afterwards.
    virtual bool Connect() = 0;
    // Opens the port found, sets the arm up and, until it is calibrated, offers the calibration.
    virtual bool Initialize() = 0;
    // The same after a lost link, for the reconnect under the device lock: never asks and never homes.
    virtual bool Reinitialize() { return Initialize(); }
    virtual void Disconnect() = 0;
    // The homing movement, after the user agreed to it.
    virtual void Calibrate() = 0;
    virtual void SetGridSize(int32_t rows, int32_t columns) = 0;
    // Carries the probe to the cell (or to a sub-position of it) at `height` above the z offset.
    virtual bool ExecuteMove(float height, int32_t row, int32_t column, uint16_t stepWordA,
                             uint16_t stepWordB) = 0;
    virtual uint8_t IsCellReachable(int32_t row, int32_t column) const = 0;
    virtual int32_t GetMaxHeightForCell(int32_t row, int32_t column) const = 0;
    // The grid cell under an arm position; 65535 for a position before the grid's origin (or not a
    // number), the last row or column for one beyond the grid.
    virtual void GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const = 0;
    virtual bool GetPose(ArmPose& pose) = 0;
    // A point-to-point move, waited for; false when it did not end or raised an alarm.
    virtual bool MoveToPose(float x, float y, float z, float r) = 0;
    virtual float GetSafeHeight() const = 0;
    virtual bool EnableTrigger() = 0;
    virtual bool DisableTrigger() = 0;
    virtual bool GetTriggeredPose(ArmPose& pose) = 0;
    virtual void SetProbeHeight(float height) = 0;
    // Freezes the arm: its queue is force-stopped and moves are refused until Resume.
    virtual void Stop() = 0;
    // Also true after a move that a stop cut short, until the next move or Resume.
    virtual bool IsStopped() const = 0;
    virtual void Resume() = 0;
    virtual void ClearAlarms() = 0;
    virtual const ArmOriginRecord* GetOriginRecord() const = 0;

    // The arm's geometry, which the scanner reports to the pages: where the grid's row 0 and column 0
    // edges lie, and the z offset added to every probe height.
    virtual float GetOriginX() const = 0;
    virtual float GetOriginY() const = 0;
    virtual float GetZOffset() const = 0;

    // The homing of Calibrate without its prompt (the caller asked first), in parts, so that no lock
    // is held while the arm moves: BeginHoming queues it, each part brief; PollHoming asks the queue
    // once; EndHoming clears the queue and logs a homing that failed or never ended (`last` Moving).
    // An arm kind without them cannot be homed so.
    virtual std::optional<ArmHoming> BeginHoming() { return std::nullopt; }
    virtual ArmHomingState PollHoming(const ArmHoming& /*homing*/) { return ArmHomingState::Failed; }
    virtual void EndHoming(ArmHomingState /*last*/) {}
};

} // namespace orv
