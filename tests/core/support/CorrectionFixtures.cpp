#include "tests/core/support/CorrectionFixtures.h"

#include "analyzers/CInstrumentInfo.h"

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace orv::testing {

namespace fs = std::filesystem;

ApplicationFolderFixture::ApplicationFolderFixture() {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             ("orv-corr-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
    m_previousFolder = GetInstrumentInfo().GetApplicationFolder();
    GetInstrumentInfo().SetApplicationFolder(m_path.string());
}

ApplicationFolderFixture::~ApplicationFolderFixture() {
    GetInstrumentInfo().SetApplicationFolder(m_previousFolder);
    std::error_code error;
    fs::remove_all(m_path, error);
}

void ApplicationFolderFixture::WriteFile(const fs::path& relative, const std::string& bytes) const {
    const fs::path path = m_path / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write fixture " + path.string());
    }
}

std::string ToCrLf(const std::string& text) {
    std::string result;
    result.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

} // namespace orv::testing
