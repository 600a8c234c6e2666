#include "protocol/packets/CQueryAnalyzerIDCommand.h"

#include "core/QException.h"

#include <cstring>
#include <limits>

namespace orv {

namespace {

// The length field is signed: a text longer than it can say cannot be sent.
uint32_t WireLength(const std::string& text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - 4) {
        throw QIOException("CQueryAnalyzerIDCommand: identification text too long to send.");
    }
    return static_cast<uint32_t>(text.size());
}

} // namespace

uint32_t CQueryAnalyzerIDCommand::GetBodySize() const {
    return WireLength(m_Text) + 4;
}

void CQueryAnalyzerIDCommand::WriteBody(QDataWriter& writer) const {
    const uint32_t length = WireLength(m_Text);
    writer.WriteI32(static_cast<int32_t>(length));
    writer.Write(m_Text.data(), length);
}

void CQueryAnalyzerIDCommand::ReadBody(QDataReader& reader) {
    const int32_t length = reader.ReadI32();
    if (length <= 0) {
        m_Text.clear();
        return;
    }
    reader.RequireRemaining(static_cast<uint32_t>(length));
    std::string text(static_cast<size_t>(length), '\0');
    reader.Read(text.data(), static_cast<uint32_t>(length));
    text.resize(std::strlen(text.c_str()));
    m_Text = std::move(text);
}

} // namespace orv
