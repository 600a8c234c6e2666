#include "core/QDataWriter.h"

#include "core/QException.h"

namespace orv {

QDataWriter::~QDataWriter() = default;

void QCharCounterDataWriter::WriteToSink(const void* /*data*/, uint32_t count) {
    m_count += count;
}

QCharArrayDataWriter::QCharArrayDataWriter(void* buffer, uint32_t size)
    : m_buffer(static_cast<uint8_t*>(buffer)), m_size(size) {
    m_windowPos = m_buffer;
    m_windowEnd = m_buffer == nullptr ? nullptr : m_buffer + size;
}

void QCharArrayDataWriter::WriteToSink(const void* data, uint32_t count) {
    const uint64_t used = static_cast<uint64_t>(m_windowPos - m_buffer);
    if (count > m_size - used) {
        throw QIOException(
            "QCharArrayDataWriter::WriteToSink: Writing requested number of bytes would overrun buffer.");
    }
    if (count != 0) {
        std::memcpy(m_windowPos, data, count);
        m_windowPos += count;
    }
}

QFileDataWriter::QFileDataWriter(std::string path) : m_path(std::move(path)) {
    if (!m_file.Open(m_path)) {
        throw QStorageLayerException("Error#330: Error creating file: " + m_path + ".");
    }
    m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
    m_windowPos = m_buffer.get();
    m_windowEnd = m_buffer.get() + kBufferSize;
}

QFileDataWriter::~QFileDataWriter() {
    Discard();
}

void QFileDataWriter::Discard() {
    m_file.Discard();
    m_windowPos = m_windowEnd = nullptr;
}

void QFileDataWriter::FailWrite() {
    Discard();
    throw QStorageLayerException("Error#331: Error writing to file: " + m_path + ".");
}

void QFileDataWriter::WriteAll(const uint8_t* data, uint64_t count) {
    if (!m_file.Write(data, count)) {
        FailWrite();
    }
}

void QFileDataWriter::FlushBuffer() {
    const auto pending = static_cast<uint64_t>(m_windowPos - m_buffer.get());
    m_windowPos = m_buffer.get();
    if (pending != 0) {
        WriteAll(m_buffer.get(), pending);
    }
}

void QFileDataWriter::WriteToSink(const void* data, uint32_t count) {
    if (!m_file.IsOpen()) {
        throw QStorageLayerException("Error#331: Error writing to file: " + m_path + ".");
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    FlushBuffer();
    if (count >= kBufferSize) {
        WriteAll(bytes, count);
    } else if (count != 0) {
        std::memcpy(m_windowPos, bytes, count);
        m_windowPos += count;
    }
}

void QFileDataWriter::Close() {
    if (!m_file.IsOpen()) {
        return;
    }
    FlushBuffer();
    m_windowPos = m_windowEnd = nullptr;
    if (!m_file.Commit()) {
        throw QStorageLayerException("Error#331: Error writing to file: " + m_path + ".");
    }
}

void WriteString(QDataWriter& writer, const std::string& text) {
    writer.WriteU32(static_cast<uint32_t>(text.size()));
    writer.Write(text.data(), static_cast<uint32_t>(text.size()));
}

} // namespace orv
