#pragma once

#include <filesystem>
#include <string>

namespace orv::testing {

// A folder of its own under the temp folder, removed with its contents at the end of the test, that
// also stands in as the application folder while it lives (the previous one is put back).
class ApplicationFolderFixture {
public:
    ApplicationFolderFixture();
    ~ApplicationFolderFixture();
    ApplicationFolderFixture(const ApplicationFolderFixture&) = delete;
    ApplicationFolderFixture& operator=(const ApplicationFolderFixture&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Writes bytes exactly as given (a "\r\n" stays "\r\n"), making the folders on the way.
    void WriteFile(const std::filesystem::path& relative, const std::string& bytes) const;

private:
    std::filesystem::path m_path;
    std::string m_previousFolder;
};

// The text with every "\n" turned into "\r\n", as a file made on Windows holds it.
std::string ToCrLf(const std::string& text);

} // namespace orv::testing
