#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "platform/fs/AppPaths.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <bit>
#include <cstdint>

#include <cstdlib>
#include <filesystem>
#include <stdlib.h>

namespace orv::test {

AnalyzerEnvironmentValue::AnalyzerEnvironmentValue(const char* name, const std::optional<std::string>& value)
    : m_name(name) {
    if (const char* previous = std::getenv(name)) {
        m_previous = previous;
    }
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

AnalyzerEnvironmentValue::~AnalyzerEnvironmentValue() {
    if (m_previous) {
        setenv(m_name, m_previous->c_str(), 1);
    } else {
        unsetenv(m_name);
    }
}

AnalyzerLogLines::AnalyzerLogLines() {
    m_previous = InformationLog::Instance().SetSink(
        [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
}

AnalyzerLogLines::~AnalyzerLogLines() {
    InformationLog::Instance().SetSink(m_previous);
}

std::vector<std::string> AnalyzerLogLines::Texts() const {
    std::vector<std::string> texts;
    for (const std::string& line : m_lines) {
        const size_t mark = line.find(" --- ");
        texts.push_back(mark == std::string::npos ? line : line.substr(mark + 5));
    }
    return texts;
}

bool AnalyzerLogLines::Has(const std::string& text) const {
    for (const std::string& t : Texts()) {
        if (t == text) {
            return true;
        }
    }
    return false;
}

AnalyzerSimulatorBench::AnalyzerSimulatorBench()
    : m_clockInstall(m_clock), m_libraries("ORV_VISA_LIBRARIES", std::string()) {
    char pattern[] = "/tmp/orv-analyzer-test-XXXXXX";
    m_folder = mkdtemp(pattern);
    SetUserDataFolderOverride(m_folder);
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    SetNoAnalyzerSwitch(false);
}

AnalyzerSimulatorBench::~AnalyzerSimulatorBench() {
    SetNoAnalyzerSwitch(false);
    SetUserDataFolderOverride("");
    std::filesystem::remove_all(m_folder);
}

void AnalyzerSimulatorBench::AddResources(const std::vector<std::pair<std::string, std::string>>& resources) {
    std::string list;
    for (const auto& [name, identity] : resources) {
        m_sim.AddResource(name);
        m_sim.SetIdentity(name, identity);
        list += m_sim.ResourceName(name) + ";";
    }
    m_resources.emplace("ORV_VISA_RESOURCES", list);
}

ScopedLogErrors::ScopedLogErrors(bool on) : m_previous(IsLogAnalyzerErrorsSwitchSet()) {
    SetLogAnalyzerErrorsSwitch(on);
}

ScopedLogErrors::~ScopedLogErrors() {
    SetLogAnalyzerErrorsSwitch(m_previous);
}

std::vector<float> SimulatedTrace(int points, float offset) {
    std::vector<float> values(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i) {
        values[static_cast<size_t>(i)] = sim::SimulatedAnalyzerState::TraceValue(i) + offset;
    }
    return values;
}

std::string LittleEndian(const std::vector<float>& values) {
    std::string bytes;
    for (const float v : values) {
        const auto word = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>(word >> (8 * i)));
        }
    }
    return bytes;
}

std::string Block(const std::string& data) {
    const std::string length = std::to_string(data.size());
    return "#" + std::to_string(length.size()) + length + data + "\n";
}

std::vector<std::string> SentCommands(CSpectrumAnalyzer& driver, ScpiSimulatorProcess& sim,
                                      const std::string& resource) {
    driver.QueryIdentity();
    std::vector<std::string> all = sim.WaitForCommands(resource, 1);
    for (int round = 0; round < 200 && (all.empty() || all.back() != "*IDN?"); ++round) {
        all = sim.WaitForCommands(resource, all.size() + 1);
    }
    if (!all.empty()) {
        all.pop_back();
    }
    sim.ClearCommands(resource);
    return all;
}

} // namespace orv::test
