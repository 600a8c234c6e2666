#include "project/QCellDataFile.h"

#include "core/ByteCodec.h"
#include "core/QDataReader.h"
#include "core/QException.h"
#include "platform/fs/FileIo.h"
#include "project/QProjectLayout.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orv {

namespace {

constexpr uint64_t kFileHeadSize = 16;  // version, rows, columns, record count
constexpr uint64_t kRecordHeadSize = 8; // row, column, point count

[[noreturn]] void Fail(const char* what, const std::string& path) {
    throw QStorageLayerException(std::string(what) + path + ".");
}

[[noreturn]] void FailCorrupt() {
    throw QStorageLayerException("Error#317: Invalid or corrupt project.");
}

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    // Closes now and tells whether the close succeeded.
    bool Close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

class Mapping {
public:
    Mapping(int fd, size_t size, int protection, int flags)
        : m_size(size), m_address(::mmap(nullptr, size, protection, flags, fd, 0)) {}
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ~Mapping() {
        if (IsValid()) {
            ::munmap(m_address, m_size);
        }
    }
    bool IsValid() const { return m_address != MAP_FAILED; }
    uint8_t* GetBytes() const { return static_cast<uint8_t*>(m_address); }

private:
    size_t m_size;
    void* m_address;
};

// Removes the half-written file unless the write got through.
class PartialFile {
public:
    explicit PartialFile(std::string path) : m_path(std::move(path)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() {
        if (!m_kept) {
            std::remove(m_path.c_str());
        }
    }
    void Keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

} // namespace

void QCellDataFile::Write(const std::string& path, const QSpectralSpatialScanContainer& container) {
    const uint32_t rows = container.GetGridRows();
    const uint32_t columns = container.GetGridColumns();
    uint64_t size = kFileHeadSize;
    uint32_t count = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            if (const QSSCellRecord* record = container.GetCellRecord(r, c)) {
                if (record->m_Amplitudes.size() > std::numeric_limits<uint32_t>::max()) {
                    Fail("Error#331: Error writing to file: ", path);
                }
                size += kRecordHeadSize + 2 * static_cast<uint64_t>(record->m_Amplitudes.size());
                ++count;
            }
        }
    }

    // The new content goes beside the old file and replaces it only once it is on disk.
    const std::string partialPath = path + ".new";
    FileHandle file(::open(partialPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        Fail("Error#330: Error creating file: ", path);
    }
    PartialFile partial(partialPath);
    // Reserving the blocks up front turns a full disk into an error here instead of a fault while
    // the mapping is filled.
    if (::posix_fallocate(file.Get(), 0, static_cast<off_t>(size)) != 0) {
        Fail("Error#331: Error writing to file: ", path);
    }
    {
        Mapping mapping(file.Get(), static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED);
        if (!mapping.IsValid()) {
            Fail("Error#331: Error writing to file: ", path);
        }
        uint8_t* cursor = mapping.GetBytes();
        PutLE<uint32_t>(cursor, kStoredFileHeaderVersion);
        PutLE<uint32_t>(cursor, rows);
        PutLE<uint32_t>(cursor, columns);
        PutLE<uint32_t>(cursor, count);
        for (uint32_t r = 0; r < rows; ++r) {
            for (uint32_t c = 0; c < columns; ++c) {
                const QSSCellRecord* record = container.GetCellRecord(r, c);
                if (record == nullptr) {
                    continue;
                }
                PutLE<uint16_t>(cursor, record->m_Row);
                PutLE<uint16_t>(cursor, record->m_Column);
                PutLE<uint32_t>(cursor, static_cast<uint32_t>(record->m_Amplitudes.size()));
                for (int16_t amplitude : record->m_Amplitudes) {
                    PutLE<int16_t>(cursor, amplitude);
                }
            }
        }
        if (::msync(mapping.GetBytes(), static_cast<size_t>(size), MS_SYNC) != 0) {
            Fail("Error#331: Error writing to file: ", path);
        }
    }
    if (!file.Close()) {
        Fail("Error#331: Error writing to file: ", path);
    }
    if (std::rename(partialPath.c_str(), path.c_str()) != 0) {
        Fail("Error#330: Error creating file: ", path);
    }
    partial.Keep();
}

uint32_t QCellDataFile::Read(const std::string& path, QSpectralSpatialScanContainer& container) {
    uint64_t size = 0;
    FileHandle file(OpenRegularFileForReading(path, std::numeric_limits<uint64_t>::max(), &size, nullptr));
    if (file.Get() < 0) {
        Fail("Error#311: Error opening file: ", path);
    }
    if (size < kFileHeadSize || size > std::numeric_limits<uint32_t>::max()) {
        FailCorrupt();
    }
    Mapping mapping(file.Get(), static_cast<size_t>(size), PROT_READ, MAP_PRIVATE);
    if (!mapping.IsValid()) {
        Fail("Error#312: Error reading from file: ", path);
    }

    struct Placed {
        uint32_t row;
        uint32_t column;
        std::unique_ptr<QSSCellRecord> record;
    };
    std::vector<Placed> placed;
    const uint32_t rows = container.GetGridRows();
    const uint32_t columns = container.GetGridColumns();
    try {
        QCharArrayDataReader reader(mapping.GetBytes(), static_cast<uint32_t>(size));
        reader.ReadU32(); // the stored-file version: the layout has not changed since 11
        const uint32_t fileRows = reader.ReadU32();
        const uint32_t fileColumns = reader.ReadU32();
        const uint32_t count = reader.ReadU32();
        if (fileRows != rows || fileColumns != columns) {
            FailCorrupt();
        }
        reader.RequireRemaining(static_cast<uint64_t>(count) * kRecordHeadSize);
        std::vector<uint8_t> seen(static_cast<size_t>(rows) * columns, 0);
        placed.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            auto record = std::make_unique<QSSCellRecord>();
            record->m_Row = reader.ReadU16();
            record->m_Column = reader.ReadU16();
            const uint32_t points = reader.ReadU32();
            if (record->m_Row >= rows || record->m_Column >= columns) {
                FailCorrupt();
            }
            uint8_t& cellSeen = seen[static_cast<size_t>(record->m_Row) * columns + record->m_Column];
            if (cellSeen != 0) {
                FailCorrupt();
            }
            cellSeen = 1;
            reader.RequireRemaining(2 * static_cast<uint64_t>(points));
            record->m_Amplitudes.resize(points);
            reader.Read(record->m_Amplitudes.data(), 2 * points); // the host is little-endian
            const uint32_t row = record->m_Row;
            const uint32_t column = record->m_Column;
            placed.push_back({row, column, std::move(record)});
        }
        if (reader.GetRemaining() != 0) {
            FailCorrupt();
        }
    } catch (const QIOException&) {
        FailCorrupt();
    }

    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            container.SetCellRecord(r, c, nullptr);
        }
    }
    for (Placed& entry : placed) {
        container.SetCellRecord(entry.row, entry.column, std::move(entry.record));
    }
    return static_cast<uint32_t>(placed.size());
}

} // namespace orv
