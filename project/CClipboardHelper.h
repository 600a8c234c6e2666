#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// The clipboard formats that one kind of copied object travels in: its own format and the plain-text
// one beside it. The window side puts the object on the clipboard under these names and asks a drag
// for them; the answer of its last question is kept here.
class CClipboardHelper {
public:
    using FormatPair = std::pair<std::string, std::string>;

    explicit CClipboardHelper(int reserved = 0);

    // Registers a format under its own name together with the alternative format ("CF_TEXT"); an
    // empty name is refused (false, nothing registered). A name given twice is registered twice.
    bool AddFormat(const std::string& name, const std::string& alternative);
    const std::vector<FormatPair>& GetFormats() const { return m_formats; }

    // The answer of the last availability question.
    bool GetAnyFormatAvailable() const { return m_anyFormatAvailable != 0; }
    void SetAnyFormatAvailable(bool available) { m_anyFormatAvailable = available ? 1 : 0; }

private:
    int32_t m_anyFormatAvailable = 0;
    std::vector<FormatPair> m_formats;
};

} // namespace orv
