#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orv {

// The clipboard formats that one kind of copied object travels in: its own format and the plain-text
// one beside it. The window side puts the object on the clipboard under these names.
class CClipboardHelper {
public:
    using FormatPair = std::pair<std::string, std::string>;

    explicit CClipboardHelper(int reserved = 0);

    // Registers a format under its own name together with the alternative format ("CF_TEXT").
    void AddFormat(const std::string& name, const std::string& alternative);
    const std::vector<FormatPair>& GetFormats() const { return m_formats; }

private:
    std::vector<FormatPair> m_formats;
};

} // namespace orv
