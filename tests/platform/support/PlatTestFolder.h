#pragma once

#include <string>

namespace orv::test {

// A fresh folder under the temp folder for one test, removed with everything in it afterwards.
class PlatTestFolder {
public:
    PlatTestFolder();
    ~PlatTestFolder();
    PlatTestFolder(const PlatTestFolder&) = delete;
    PlatTestFolder& operator=(const PlatTestFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    static void WriteText(const std::string& path, const std::string& text);
    static std::string ReadText(const std::string& path);

private:
    std::string m_path;
};

} // namespace orv::test
