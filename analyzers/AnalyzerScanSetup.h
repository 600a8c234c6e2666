#pragma once

// What the analyser side reads of the engine's scan set-up. The analysers sit below the engine, so
// the set-up object implements this small interface and hands itself to the connection and the
// driver; tests give a fake.

#include <cstdint>
#include <stop_token>
#include <vector>

namespace orv {

class AnalyzerScanSetup {
public:
    virtual ~AnalyzerScanSetup() = default;

    // True once the program has begun its teardown: sessions are then left to the process's end.
    virtual bool IsTearingDown() const = 0;
    // The grid of probe cells and its table of active cells (one byte per cell, row by row).
    virtual int16_t GetGridRows() const = 0;
    virtual int16_t GetGridColumns() const = 0;
    virtual std::vector<uint8_t> GetActiveCells() const = 0;
    // Fires when the running scan is stopped or the program closes.
    virtual std::stop_token GetScanStopToken() const = 0;

    // The RBW of the applied set-up, MHz.
    virtual double GetAppliedRbw() const { return 0.0; }
    // The applied set-up's stop frequency (MHz) and scan type (100: a spatial scan).
    virtual float GetStopFrequency() const { return 0.0f; }
    virtual uint16_t GetScanType() const { return 0; }
    // While the user's manual timing is on, the drivers' timing tables give way to these values
    // (switch time and wait in ms, gate length in microseconds).
    virtual bool IsManualTimingOn() const { return false; }
    virtual int32_t GetManualSwitchTime() const { return 10; }
    virtual int32_t GetManualSwitchWait() const { return 10; }
    virtual int32_t GetManualGateLength() const { return 500; }
    // The pause before each completion poll of the USB scanner board, ms (not sent on the link).
    virtual uint32_t GetPollInterval() const { return 10; }
    // A driver reports why the set-up failed; the set-up keeps the code for the scan's caller (it is
    // a report, not a change of the set-up, hence callable on the const view the driver holds).
    virtual void SetFailureCode(int32_t /*code*/) const {}
};

} // namespace orv
