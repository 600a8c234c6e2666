#pragma once

#include <cstddef>
#include <string>

namespace orv {

// Writes a file so that readers only ever see the old copy or the new one whole. The bytes go to a
// temporary file of its own in the target's folder (created exclusively, so two writers of one path
// never share it), which is flushed to disk and renamed over the target by Commit. Whatever ends
// without Commit (a failure, an exception, destruction) removes the temporary file and leaves the
// target as it was. Of two writers on one path, the later Commit wins whole.
//
// Temporary names start with kTempPrefix followed by the writing process's id, so that the
// leftovers of a process killed in mid-write are recognised: they are removed when their folder is
// next written by a writer of a later process.
class AtomicFileWriter {
public:
    static constexpr const char* kTempPrefix = ".orv-partial-";

    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file beside `path`; false (errno kept) when it cannot be made. With
    // createFolders, missing parent folders are made first.
    bool Open(const std::string& path, bool createFolders = false);
    // Appends the bytes; false when they could not all be written (the writer is then discarded).
    bool Write(const void* data, size_t count);
    // Flushes to disk, renames over the target and flushes the target's folder; false when any step
    // failed (before the rename the target is then unchanged and the temporary file gone; a failed
    // flush of the folder leaves the new file in place, but not known to be on disk). The writer is
    // closed either way.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

    bool IsOpen() const { return m_file >= 0; }
    const std::string& GetTempPath() const { return m_tempPath; }

    // Removes, from the folder, the temporary files of processes that no longer run.
    static void RemoveStaleTempFiles(const std::string& folder);

private:
    int m_file = -1;
    std::string m_path;
    std::string m_tempPath;
};

} // namespace orv
