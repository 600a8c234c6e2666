#include "project/QProjectFileReader.h"

#include "project/QProjectFileFormat.h"

#include <algorithm>
#include <cstring>

namespace orv {

QProjectFileReader::QProjectFileReader(QDataReader& source)
    : m_source(source), m_buffer(std::make_unique_for_overwrite<uint8_t[]>(kBufferSize)) {
    m_windowPos = m_windowEnd = m_buffer.get();
    SetStoredFileVersion(source.GetStoredFileVersion());
}

QProjectFileReader::~QProjectFileReader() = default;

void QProjectFileReader::Close() {
    m_windowPos = m_windowEnd = m_buffer.get();
    m_source.Close();
}

uint64_t QProjectFileReader::GetRemaining() const {
    return static_cast<uint64_t>(m_windowEnd - m_windowPos) + m_source.GetRemaining();
}

void QProjectFileReader::ThrowInsufficient() {
    ThrowCorruptProject();
}

void QProjectFileReader::Fill() {
    const auto kept = static_cast<uint32_t>(m_windowEnd - m_windowPos);
    std::memmove(m_buffer.get(), m_windowPos, kept);
    m_windowPos = m_buffer.get();
    m_windowEnd = m_buffer.get() + kept;
    const uint64_t room = kBufferSize - kept;
    const uint64_t take = std::min(room, m_source.GetRemaining());
    if (take > 0) {
        m_source.Read(const_cast<uint8_t*>(m_windowEnd), static_cast<uint32_t>(take));
        m_windowEnd += take;
    }
}

void QProjectFileReader::ReadFromSource(void* destination, uint32_t count) {
    if (count > GetRemaining()) {
        ThrowInsufficient();
    }
    auto* out = static_cast<uint8_t*>(destination);
    const auto buffered = static_cast<uint32_t>(m_windowEnd - m_windowPos);
    const uint32_t first = std::min(buffered, count);
    std::memcpy(out, m_windowPos, first);
    m_windowPos += first;
    out += first;
    count -= first;
    if (count == 0) {
        return;
    }
    if (count >= kBufferSize / 2) {
        m_source.Read(out, count);
        return;
    }
    Fill();
    std::memcpy(out, m_windowPos, count);
    m_windowPos += count;
}

bool QProjectFileReader::Peek(void* destination, uint32_t count) {
    if (count > kBufferSize || count > GetRemaining()) {
        return false;
    }
    if (static_cast<uint32_t>(m_windowEnd - m_windowPos) < count) {
        Fill();
    }
    std::memcpy(destination, m_windowPos, count);
    return true;
}

} // namespace orv
