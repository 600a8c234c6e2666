#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"

namespace orv::test {

SimulatedAnalyzerEngine::SimulatedAnalyzerEngine(const std::string& folderPrefix)
    : m_folder(folderPrefix), m_clockInstall(m_clock) {
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    SetNoAnalyzerSwitch(false);
}

void SimulatedAnalyzerEngine::Start(const std::string& identity, const std::string& commandSet,
                                    bool applySource) {
    m_sim.AddResource("A");
    m_sim.SetIdentity("A", identity);
    m_sim.SetCommandSet("A", commandSet);
    m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
    m_rig.CreateManager();
    if (applySource) {
        m_rig.manager->SetDriverChangeApplySource([this] { return m_applying; });
    }
    m_rig.StartEngine();
}

} // namespace orv::test
