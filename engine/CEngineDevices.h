#pragma once

// What the engine's command endpoint and scan thread ask of the devices: the attached scanner and
// the analyser with its connection. The device manager implements it; until a device is attached
// the engine holds none and answers as the commands do without that device.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class CSpectrumAnalyzer;
class SetupScan;

// Receives the progress lines of the analyser set-up (text packets to the client).
class CSetupStepReporter {
public:
    CSetupStepReporter() = default;
    CSetupStepReporter(const CSetupStepReporter&) = delete;
    CSetupStepReporter& operator=(const CSetupStepReporter&) = delete;
    virtual ~CSetupStepReporter();

    virtual bool SendSetupStep(uint16_t step, uint16_t stepCount, std::string_view text) = 0;
};

// The analyser's own record of what the last set-up applied, returned in the set-up reply.
struct AnalyzerSetupState {
    uint8_t preAmpOn = 0;       // as the analyser's pre-amplifier switch recorded it
    int32_t preAmpReadBack = 0; // the low byte of the value read back, sign-extended; 0 when not read
    uint8_t dcCoupled = 0;      // as the analyser's input-coupling switch recorded it
};

class CEngineDevices {
public:
    CEngineDevices() = default;
    CEngineDevices(const CEngineDevices&) = delete;
    CEngineDevices& operator=(const CEngineDevices&) = delete;
    virtual ~CEngineDevices();

    // Scanner.
    virtual bool HasScanner() const = 0;
    // Reconnects the scanner when it is marked as needing it; otherwise nothing.
    virtual void ReconnectScannerIfNeeded() = 0;
    // The scanner's reply bytes to each query; false when the query failed.
    virtual bool ReadScannerType(std::vector<uint8_t>& reply) = 0;
    virtual bool ReadAdaptorEID(std::vector<uint8_t>& reply) = 0;
    virtual bool ReadFirmwareVersion(std::vector<uint8_t>& reply) = 0;
    // Sets the scanner's cell row and column and switches to that cell.
    virtual bool SwitchToCell(uint16_t row, uint16_t column) = 0;
    virtual bool BeginScan() = 0;
    virtual bool EndScan() = 0;

    // Analyser. Makes the driver for the model code in words[0]; on failure the previous driver may
    // be restored, and words[0] then names the code in use.
    virtual bool SetAnalyzerDriver(std::array<uint32_t, 4>& words) = 0;
    virtual CSpectrumAnalyzer* GetAnalyzer() const = 0;
    // The analyser set-up sequence over the set-up just applied.
    virtual bool SetupInstrument(SetupScan& setup, CSetupStepReporter& reporter) = 0;
    virtual AnalyzerSetupState GetAnalyzerSetupState() const = 0;
    // The identity text of the analyser connection; empty without a connection.
    virtual std::optional<std::string> QueryAnalyzerIdentity() = 0;
    // The analyser's hook at the end of a scan or on a stop.
    virtual void AnalyzerExtraHook() = 0;

    // The scan thread holds the devices from its start to its end; meanwhile no connect or driver
    // change replaces them.
    virtual void SetScanRunning(bool running) = 0;
};

} // namespace orv
