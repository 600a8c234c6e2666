#include "overlay/import/ImportSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unistd.h>

namespace orv {

ImportSource::~ImportSource() = default;

ImportMemorySource::ImportMemorySource(const void* data, uint64_t size, uint32_t maxPerRead)
    : m_data(static_cast<const uint8_t*>(data)), m_size(size),
      m_maxPerRead(std::max<uint32_t>(maxPerRead, 1)) {}

uint32_t ImportMemorySource::ReadSome(uint8_t* destination, uint32_t max) {
    const uint64_t left = m_size - m_position;
    const auto count = static_cast<uint32_t>(std::min<uint64_t>({left, max, m_maxPerRead}));
    if (count != 0) {
        std::memcpy(destination, m_data + m_position, count);
        m_position += count;
        m_bytesRead += count;
    }
    return count;
}

std::unique_ptr<ImportFileSource> ImportFileSource::Open(const std::string& path, FileRefusal* refusal) {
    uint64_t size = 0;
    FileRefusal reason = FileRefusal::kNone;
    // A drawing is read in small chunks and never held whole, so no size limit applies here.
    const int descriptor =
        OpenRegularFileForReading(path, std::numeric_limits<uint64_t>::max(), &size, &reason);
    if (refusal != nullptr) {
        *refusal = reason;
    }
    if (descriptor < 0) {
        return nullptr;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return std::unique_ptr<ImportFileSource>(new ImportFileSource(descriptor, folder));
}

ImportFileSource::~ImportFileSource() {
    ::close(m_descriptor);
}

uint32_t ImportFileSource::ReadSome(uint8_t* destination, uint32_t max) {
    uint32_t total = 0;
    while (total < max) {
        const ssize_t got = ::read(m_descriptor, destination + total, max - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += static_cast<uint32_t>(got);
    }
    m_bytesRead += total;
    return total;
}

} // namespace orv
