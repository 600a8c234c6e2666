#pragma once

// Scope guards the engine's device tests share: each puts back on destruction what it changed, so a
// failed assertion leaves neither a variable nor a folder behind for the next test.

#include <optional>
#include <string>

namespace orv::test {

// Sets an environment variable for the scope.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const std::string& value);
    ~EnvironmentValue();
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

// A fresh per-user folder under /tmp for the scope, removed with everything in it afterwards.
class TemporaryUserDataFolder {
public:
    explicit TemporaryUserDataFolder(const std::string& prefix);
    ~TemporaryUserDataFolder();
    TemporaryUserDataFolder(const TemporaryUserDataFolder&) = delete;
    TemporaryUserDataFolder& operator=(const TemporaryUserDataFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace orv::test
