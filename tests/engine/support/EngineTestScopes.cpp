#include "tests/engine/support/EngineTestScopes.h"

#include "platform/fs/AppPaths.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace orv::test {

EnvironmentValue::EnvironmentValue(const char* name, const std::string& value) : m_name(name) {
    if (const char* previous = std::getenv(name)) {
        m_previous = previous;
    }
    setenv(name, value.c_str(), 1);
}

EnvironmentValue::~EnvironmentValue() {
    if (m_previous) {
        setenv(m_name, m_previous->c_str(), 1);
    } else {
        unsetenv(m_name);
    }
}

TemporaryUserDataFolder::TemporaryUserDataFolder(const std::string& prefix) {
    const std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder for " + prefix);
    }
    m_path = buffer.data();
    SetUserDataFolderOverride(m_path);
}

TemporaryUserDataFolder::~TemporaryUserDataFolder() {
    SetUserDataFolderOverride("");
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace orv::test
