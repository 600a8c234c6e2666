#include "project/CClipboardHelper.h"

namespace orv {

CClipboardHelper::CClipboardHelper(int /*reserved*/) {}

void CClipboardHelper::AddFormat(const std::string& name, const std::string& alternative) {
    m_formats.emplace_back(name, alternative);
}

} // namespace orv
