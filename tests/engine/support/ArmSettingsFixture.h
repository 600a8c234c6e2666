#pragma once

// The settings a robot-arm test runs with: a machine file holding the arm's key (its
// "PortDescription" and the given further value lines) and a user file naming the simulator's
// pseudo-terminal in the port-path setting under that description. The settings store reads them for
// the scope and goes back to its previous files after.

#include <string>
#include <vector>

namespace orv::test {

class ArmSettingsFixture {
public:
    static constexpr const char* kDescription = "Quorlyn Test Arm";

    // `values`: lines of the arm's key in the settings file form, e.g. "\"xBias\"=sz:\"1.5\"".
    ArmSettingsFixture(const std::string& portPath, const std::vector<std::string>& values = {});
    ~ArmSettingsFixture();
    ArmSettingsFixture(const ArmSettingsFixture&) = delete;
    ArmSettingsFixture& operator=(const ArmSettingsFixture&) = delete;

private:
    std::string m_folder;
    std::string m_previousMachine;
    std::string m_previousUser;
};

} // namespace orv::test
