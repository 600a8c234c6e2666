#pragma once

#include "platform/fs/FileIo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// Where an importer reads a drawing from: an open file, or bytes in memory.
class ImportSource {
public:
    ImportSource() = default;
    ImportSource(const ImportSource&) = delete;
    ImportSource& operator=(const ImportSource&) = delete;
    virtual ~ImportSource();

    // Reads up to max bytes into destination; 0 at the end (or on a read error, which ends the
    // drawing as the end of the file does).
    virtual uint32_t ReadSome(uint8_t* destination, uint32_t max) = 0;
    // The folder that names in the drawing are relative to; empty for memory.
    virtual std::string Folder() const { return {}; }
    // Bytes handed out so far.
    uint64_t BytesRead() const { return m_bytesRead; }

protected:
    uint64_t m_bytesRead = 0;
};

// Bytes held by the caller. A read hands out at most `maxPerRead` bytes, so tests can cut the input
// where they like.
class ImportMemorySource : public ImportSource {
public:
    ImportMemorySource(const void* data, uint64_t size, uint32_t maxPerRead = 0xFFFFFFFFU);
    explicit ImportMemorySource(const std::string& text) : ImportMemorySource(text.data(), text.size()) {}
    // The bytes must outlive the source.
    explicit ImportMemorySource(std::string&& text) = delete;

    uint32_t ReadSome(uint8_t* destination, uint32_t max) override;

private:
    const uint8_t* m_data;
    uint64_t m_size;
    uint64_t m_position = 0;
    uint32_t m_maxPerRead;
};

// A regular file opened for reading; a FIFO, device, socket or folder is refused (reading it could
// block or never end).
class ImportFileSource : public ImportSource {
public:
    // Null with the reason when the file is not opened.
    static std::unique_ptr<ImportFileSource> Open(const std::string& path, FileRefusal* refusal = nullptr);
    ~ImportFileSource() override;

    // Fills the whole request unless the file ends first.
    uint32_t ReadSome(uint8_t* destination, uint32_t max) override;
    std::string Folder() const override { return m_folder; }

private:
    ImportFileSource(int descriptor, std::string folder)
        : m_descriptor(descriptor), m_folder(std::move(folder)) {}

    int m_descriptor;
    std::string m_folder;
};

} // namespace orv
