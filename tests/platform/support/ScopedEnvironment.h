#pragma once

#include <optional>
#include <string>

namespace orv::test {

// Sets (or, with nullopt, removes) one environment variable for the scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

} // namespace orv::test
