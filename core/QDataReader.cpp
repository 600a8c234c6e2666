#include "core/QDataReader.h"

#include "core/QException.h"
#include "platform/fs/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

QDataReader::~QDataReader() = default;

bool QDataReader::ConsumeMarker(int32_t marker) {
    int32_t next = 0;
    if (!Peek(&next, sizeof next) || next != marker) {
        return false;
    }
    Read(&next, sizeof next);
    return true;
}

QCharArrayDataReader::QCharArrayDataReader(const void* buffer, uint32_t size)
    : m_buffer(static_cast<const uint8_t*>(buffer)), m_size(size) {
    m_windowPos = m_buffer;
    m_windowEnd = m_buffer == nullptr ? nullptr : m_buffer + m_size;
}

void QCharArrayDataReader::ThrowInsufficient() {
    throw QIOException("QCharArrayDataReader::ReadFromSource: Insufficient number of bytes remaining in "
                       "buffer for desired read.");
}

void QCharArrayDataReader::ReadFromSource(void* destination, uint32_t count) {
    if (static_cast<uint64_t>(m_windowEnd - m_windowPos) < count) {
        ThrowInsufficient();
    }
    if (count != 0) {
        std::memcpy(destination, m_windowPos, count);
        m_windowPos += count;
    }
}

bool QCharArrayDataReader::Peek(void* destination, uint32_t count) {
    if (static_cast<uint64_t>(m_windowEnd - m_windowPos) < count) {
        return false;
    }
    if (count != 0) {
        std::memcpy(destination, m_windowPos, count);
    }
    return true;
}

QFileDataReader::QFileDataReader(std::string path) : m_path(std::move(path)) {
    // A FIFO or device in place of a stored file must fail at once instead of blocking the open.
    m_file = OpenRegularFileForReading(m_path, std::numeric_limits<uint64_t>::max(), &m_fileSize, nullptr);
    if (m_file < 0) {
        throw QStorageLayerException("Error#311: Error opening file: " + m_path + ".");
    }
    m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
    m_windowPos = m_windowEnd = m_buffer.get();
}

QFileDataReader::~QFileDataReader() {
    CloseFile();
}

void QFileDataReader::Close() {
    CloseFile();
}

void QFileDataReader::CloseFile() {
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
    m_windowPos = m_windowEnd = m_buffer.get();
}

void QFileDataReader::ThrowInsufficient() {
    FailRead();
}

void QFileDataReader::FailRead() {
    CloseFile();
    throw QStorageLayerException("Error#312: Error reading from file: " + m_path + ".");
}

uint64_t QFileDataReader::GetRemaining() const {
    if (m_file < 0) {
        return 0;
    }
    const uint64_t buffered = static_cast<uint64_t>(m_windowEnd - m_windowPos);
    return buffered + (m_fileSize > m_fileOffset ? m_fileSize - m_fileOffset : 0);
}

bool QFileDataReader::Refill() {
    const auto kept = static_cast<size_t>(m_windowEnd - m_windowPos);
    std::memmove(m_buffer.get(), m_windowPos, kept);
    m_windowPos = m_buffer.get();
    m_windowEnd = m_buffer.get() + kept;
    while (m_windowEnd < m_buffer.get() + kBufferSize) {
        const ssize_t n = ::read(m_file, const_cast<uint8_t*>(m_windowEnd),
                                 static_cast<size_t>(m_buffer.get() + kBufferSize - m_windowEnd));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        m_windowEnd += n;
        m_fileOffset += static_cast<uint64_t>(n);
    }
    return true;
}

void QFileDataReader::ReadFromSource(void* destination, uint32_t count) {
    if (m_file < 0) {
        FailRead();
    }
    auto* out = static_cast<uint8_t*>(destination);
    uint64_t wanted = count;
    while (wanted > 0) {
        const auto available = static_cast<uint64_t>(m_windowEnd - m_windowPos);
        if (available == 0) {
            if (wanted >= kBufferSize) {
                // Large blocks go straight to the caller without a copy through the buffer.
                const ssize_t n = ::read(m_file, out, wanted);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    FailRead();
                }
                m_fileOffset += static_cast<uint64_t>(n);
                out += n;
                wanted -= static_cast<uint64_t>(n);
                continue;
            }
            if (!Refill() || m_windowEnd == m_windowPos) {
                FailRead();
            }
            continue;
        }
        const uint64_t take = available < wanted ? available : wanted;
        std::memcpy(out, m_windowPos, take);
        m_windowPos += take;
        out += take;
        wanted -= take;
    }
}

bool QFileDataReader::Peek(void* destination, uint32_t count) {
    if (m_file < 0 || count > kBufferSize) {
        return false;
    }
    if (static_cast<uint64_t>(m_windowEnd - m_windowPos) < count && !Refill()) {
        return false;
    }
    if (static_cast<uint64_t>(m_windowEnd - m_windowPos) < count) {
        return false;
    }
    if (count != 0) {
        std::memcpy(destination, m_windowPos, count);
    }
    return true;
}

void ReadString(QDataReader& reader, std::string& text) {
    const uint32_t length = reader.ReadU32();
    text.clear();
    reader.RequireRemaining(length);
    text.resize(length);
    reader.Read(text.data(), length);
}

} // namespace orv
