#pragma once

// Settings files for the external adapter's tests: the simulators' pseudo-terminals named as serial
// ports with their descriptions and, when asked, the adapter's serial speed, read by the settings store
// for the scope.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

class AdapterPortSettings {
public:
    // Each port is listed with its description, in order.
    struct Port {
        std::string path;
        std::string description;
    };
    explicit AdapterPortSettings(const std::vector<Port>& ports,
                                 std::optional<uint32_t> baudrate = std::nullopt);
    ~AdapterPortSettings();
    AdapterPortSettings(const AdapterPortSettings&) = delete;
    AdapterPortSettings& operator=(const AdapterPortSettings&) = delete;

private:
    std::string m_folder;
    std::string m_previousMachine;
    std::string m_previousUser;
};

} // namespace orv::test
