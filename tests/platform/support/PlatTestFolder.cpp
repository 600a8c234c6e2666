#include "tests/platform/support/PlatTestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace orv::test {

PlatTestFolder::PlatTestFolder() {
    const std::string pattern = (std::filesystem::temp_directory_path() / "orv-plat-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot make a test folder");
    }
    m_path = buffer.data();
}

PlatTestFolder::~PlatTestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void PlatTestFolder::WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string PlatTestFolder::ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace orv::test
