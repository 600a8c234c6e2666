#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orv {

// The largest settings or INI file read: far beyond any real one, small enough that a hostile file
// (a link to /dev/zero, a huge sparse file) is refused at once instead of exhausting memory.
constexpr uint64_t kMaxTextFileBytes = 16u * 1024u * 1024u;

// Why a file was not opened for reading.
enum class FileRefusal {
    kNone,
    kMissing,         // no such file: the only case in which a write may start from an empty file
    kCannotOpen,      // no permission, a read error, ...
    kNotARegularFile, // a FIFO, device, socket or folder: reading it could block or never end
    kTooLarge,        // beyond the limit the caller gave
};

// Opens a regular file for reading, never blocking on a FIFO or device (it is refused). Answers the
// descriptor (close-on-exec, blocking reads) and the file's size, or -1 with the reason.
int OpenRegularFileForReading(const std::string& path, uint64_t maxBytes, uint64_t* size,
                              FileRefusal* refusal);

// Whether a write may replace the file after this answer from a read: only a file read whole or
// one that does not exist.
inline bool MayWriteOver(FileRefusal refusal) {
    return refusal == FileRefusal::kNone || refusal == FileRefusal::kMissing;
}

// A sentence for a refusal, naming the file.
std::string DescribeFileRefusal(FileRefusal refusal, const std::string& path);

// The whole file as bytes; nullopt when it cannot be opened or read, is not a regular file, or holds
// more than maxBytes (the reason in *refusal when given).
// A file that was refused (anything but kMissing) must never be written over with what was built
// from nothing: the user's real content would be lost.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes = kMaxTextFileBytes,
                                         FileRefusal* refusal = nullptr);

// Flushes the folder's own entries (names created, renamed or removed in it) to disk, so that a
// rename into it survives a power loss. False when the folder cannot be opened or synced.
bool SyncFolder(const std::string& folder);

// Writes the bytes through an AtomicFileWriter: a failed write never destroys the last good copy.
// Missing parent folders are created. False on any failure (the temporary file is then removed).
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

} // namespace orv
