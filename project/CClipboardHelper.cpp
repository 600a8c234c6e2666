#include "project/CClipboardHelper.h"

namespace orv {

CClipboardHelper::CClipboardHelper(int /*reserved*/) {}

bool CClipboardHelper::AddFormat(const std::string& name, const std::string& alternative) {
    if (name.empty()) {
        return false;
    }
    m_formats.emplace_back(name, alternative);
    return true;
}

} // namespace orv
