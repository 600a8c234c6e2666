#include "analyzers/CInstrumentInfo.h"

#include "orv/Version.h"
#include "platform/fs/AppPaths.h"

#include <utility>

namespace orv {

CInstrumentInfo::CInstrumentInfo()
    : m_programVersion{static_cast<uint16_t>(version::kMajor), static_cast<uint16_t>(version::kMinor),
                       static_cast<uint16_t>(version::kPatch), static_cast<uint16_t>(version::kBuild)},
      // Set once, from the program's own folder (the current directory when that cannot be
      // found): the correction and compensation folders must not depend on where it was started.
      m_applicationFolder(GetExecutableFolder()) {}

std::string CInstrumentInfo::GetApplicationFolder() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_applicationFolder;
}

void CInstrumentInfo::SetApplicationFolder(std::string folder) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_applicationFolder = std::move(folder);
}

std::string CInstrumentInfo::GetScanHeadText() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_scanHeadText;
}

void CInstrumentInfo::SetScanHeadText(std::string text) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_scanHeadText = std::move(text);
}

CInstrumentInfo& GetInstrumentInfo() {
    static CInstrumentInfo info;
    return info;
}

} // namespace orv
