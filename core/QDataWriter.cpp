#include "core/QDataWriter.h"

#include "core/QException.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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

namespace {

std::string TempPathBeside(const std::string& path) {
    return path + ".tmp-" + std::to_string(::getpid());
}

} // namespace

QFileDataWriter::QFileDataWriter(std::string path) : m_path(std::move(path)) {
    m_tempPath = TempPathBeside(m_path);
    m_file = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_file < 0) {
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
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
        ::unlink(m_tempPath.c_str());
    }
    m_windowPos = m_windowEnd = nullptr;
}

void QFileDataWriter::FailWrite() {
    Discard();
    throw QStorageLayerException("Error#331: Error writing to file: " + m_path + ".");
}

void QFileDataWriter::WriteAll(const uint8_t* data, uint64_t count) {
    while (count > 0) {
        const ssize_t n = ::write(m_file, data, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            FailWrite();
        }
        data += n;
        count -= static_cast<uint64_t>(n);
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
    if (m_file < 0) {
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
    if (m_file < 0) {
        return;
    }
    FlushBuffer();
    if (::fsync(m_file) != 0) {
        FailWrite();
    }
    const int fd = m_file;
    m_file = -1;
    m_windowPos = m_windowEnd = nullptr;
    if (::close(fd) != 0 || ::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        ::unlink(m_tempPath.c_str());
        throw QStorageLayerException("Error#331: Error writing to file: " + m_path + ".");
    }
}

void WriteString(QDataWriter& writer, const std::string& text) {
    writer.WriteU32(static_cast<uint32_t>(text.size()));
    writer.Write(text.data(), static_cast<uint32_t>(text.size()));
}

} // namespace orv
