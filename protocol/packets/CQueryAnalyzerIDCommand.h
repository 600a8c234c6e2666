#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <string>
#include <utility>

namespace orv {

// Asks the engine for the connected analyser's identification text. Sent empty; the reply carries
// the text. Body: a signed 32-bit length L, then L bytes of text without terminator.
class CQueryAnalyzerIDCommand : public QCommand {
public:
    CQueryAnalyzerIDCommand() = default;
    explicit CQueryAnalyzerIDCommand(std::string text) : m_Text(std::move(text)) {}

    void WriteBody(QDataWriter& writer) const override;
    // A length of 0 or less leaves the text empty. A length beyond the bytes the source still holds
    // fails with the reader's exception before anything is allocated, and the text is kept. The
    // text ends at its first zero byte, as the engine's identification is a C string.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeQueryAnalyzerIDCommand; }
    uint32_t GetBodySize() const override;

    const std::string& GetText() const { return m_Text; }
    void SetText(std::string text) { m_Text = std::move(text); }

private:
    std::string m_Text;
};

} // namespace orv
