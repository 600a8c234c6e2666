#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "platform/fs/AppPaths.h"

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

} // namespace orv::test
