#include "tests/platform/support/ScopedEnvironment.h"

#include <cstdlib>

namespace orv::test {

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : m_name(std::move(name)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_previous = previous;
    }
    if (value) {
        setenv(m_name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_previous) {
        setenv(m_name.c_str(), m_previous->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

} // namespace orv::test
