#pragma once

// Shared fixtures of the analyser tests: environment values, the information log's lines, a fake
// scan set-up, the simulator with the built-in VISA layer listing its resources, the simulated
// analyser's trace in its wire forms, and the commands a driver sent.

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace orv::test {

class AnalyzerEnvironmentValue {
public:
    AnalyzerEnvironmentValue(const char* name, const std::optional<std::string>& value);
    ~AnalyzerEnvironmentValue();
    AnalyzerEnvironmentValue(const AnalyzerEnvironmentValue&) = delete;
    AnalyzerEnvironmentValue& operator=(const AnalyzerEnvironmentValue&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

class AnalyzerLogLines {
public:
    AnalyzerLogLines();
    ~AnalyzerLogLines();
    AnalyzerLogLines(const AnalyzerLogLines&) = delete;
    AnalyzerLogLines& operator=(const AnalyzerLogLines&) = delete;

    // The texts of the lines, without their time stamps.
    std::vector<std::string> Texts() const;
    bool Has(const std::string& text) const;

private:
    InformationLog::Sink m_previous;
    std::vector<std::string> m_lines;
};

// "-LogSAErrors" for the scope.
class ScopedLogErrors {
public:
    explicit ScopedLogErrors(bool on);
    ~ScopedLogErrors();
    ScopedLogErrors(const ScopedLogErrors&) = delete;
    ScopedLogErrors& operator=(const ScopedLogErrors&) = delete;

private:
    bool m_previous;
};

// The trace the simulated analyser holds, every value raised by `offset`.
std::vector<float> SimulatedTrace(int points, float offset = 0.0f);
// The values as REAL,32 in little-endian byte order.
std::string LittleEndian(const std::vector<float>& values);
// `data` as a definite-length block ("#<digits><length>") with its closing line feed.
std::string Block(const std::string& data);

class FakeAnalyzerScanSetup : public AnalyzerScanSetup {
public:
    bool IsTearingDown() const override { return m_tearingDown; }
    int16_t GetGridRows() const override { return m_rows; }
    int16_t GetGridColumns() const override { return m_columns; }
    std::vector<uint8_t> GetActiveCells() const override { return m_cells; }
    std::stop_token GetScanStopToken() const override { return m_stop.get_token(); }
    double GetAppliedRbw() const override { return m_appliedRbw; }
    float GetStopFrequency() const override { return m_stopFrequency; }
    uint16_t GetScanType() const override { return m_scanType; }
    bool IsManualTimingOn() const override { return m_manualTiming; }
    int32_t GetManualSwitchTime() const override { return m_manualSwitchTime; }
    int32_t GetManualSwitchWait() const override { return m_manualSwitchWait; }
    int32_t GetManualGateLength() const override { return m_manualGateLength; }
    void SetFailureCode(int32_t code) const override { m_failureCode = code; }

    bool m_tearingDown = false;
    int16_t m_rows = 0;
    int16_t m_columns = 0;
    std::vector<uint8_t> m_cells;
    std::stop_source m_stop;
    double m_appliedRbw = 0.0;
    float m_stopFrequency = 1000.0f;
    uint16_t m_scanType = 0;
    bool m_manualTiming = false;
    int32_t m_manualSwitchTime = 10;
    int32_t m_manualSwitchWait = 10;
    int32_t m_manualGateLength = 500;
    mutable int32_t m_failureCode = 0;
};

// The simulator, the built-in VISA layer (no vendor library) listing the resources added here, a
// per-user folder of its own, the analyser table built, "-NoSA" off, and a fake clock installed.
class AnalyzerSimulatorBench {
public:
    AnalyzerSimulatorBench();
    ~AnalyzerSimulatorBench();
    AnalyzerSimulatorBench(const AnalyzerSimulatorBench&) = delete;
    AnalyzerSimulatorBench& operator=(const AnalyzerSimulatorBench&) = delete;

    // Adds resources (name, identity) and lists them, in this order, for the VISA search.
    void AddResources(const std::vector<std::pair<std::string, std::string>>& resources);
    std::string Name(const std::string& resource) const { return m_sim.ResourceName(resource); }

    FakeClock m_clock;
    ScpiSimulatorProcess m_sim;

private:
    ScopedClockInstall m_clockInstall;
    AnalyzerEnvironmentValue m_libraries;
    std::optional<AnalyzerEnvironmentValue> m_resources;
    std::string m_folder;
};

// The commands the simulator's `resource` received since the last call, which are then cleared: the
// driver's identity query goes last as a marker that shows that all of them have arrived.
std::vector<std::string> SentCommands(CSpectrumAnalyzer& driver, ScpiSimulatorProcess& sim,
                                      const std::string& resource = "A");

} // namespace orv::test
