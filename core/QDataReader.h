#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

namespace orv {

// The stored-file version of bodies that are not read from a versioned file.
inline constexpr uint32_t kCurrentStoredFileVersion = 11;

// A byte source. Like the writer, the inline Read serves small fields from a window onto the
// source's buffer and otherwise calls ReadFromSource, which reports a short source.
//
// Every count read from a body must be checked with RequireRemaining (or GetRemaining) before it
// sizes an allocation: a corrupt length then fails with the reader's own exception instead of
// allocating.
class QDataReader {
public:
    QDataReader() = default;
    QDataReader(const QDataReader&) = delete;
    QDataReader& operator=(const QDataReader&) = delete;
    virtual ~QDataReader();

    virtual void Close() = 0;
    virtual intptr_t GetSourceInfo() const { return -1; }
    virtual void ReadFromSource(void* destination, uint32_t count) = 0;

    // Bytes still to be read from the source.
    virtual uint64_t GetRemaining() const = 0;
    // Copies the next bytes without consuming them; false (and nothing copied) when fewer remain.
    virtual bool Peek(void* destination, uint32_t count) = 0;
    // Throws this reader's own short-read exception.
    [[noreturn]] virtual void ThrowInsufficient() = 0;

    void RequireRemaining(uint64_t bytes) {
        if (bytes > GetRemaining()) {
            ThrowInsufficient();
        }
    }

    void Read(void* destination, uint32_t count) {
        if (count <= static_cast<uint64_t>(m_windowEnd - m_windowPos) && count != 0) {
            std::memcpy(destination, m_windowPos, count);
            m_windowPos += count;
        } else if (count != 0) {
            ReadFromSource(destination, count);
        }
    }

    // The next count bytes in the source's own buffer, consumed; null (and nothing consumed) when the
    // window holds fewer, and the caller then reads through Read. Lets a record be decoded in place.
    const uint8_t* Take(uint32_t count) {
        if (m_windowPos == nullptr || count > static_cast<uint64_t>(m_windowEnd - m_windowPos)) {
            return nullptr;
        }
        const uint8_t* place = m_windowPos;
        m_windowPos += count;
        return place;
    }

    template <typename T> T ReadRaw() {
        static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>);
        T value;
        Read(&value, sizeof(T));
        return value;
    }
    uint8_t ReadU8() { return ReadRaw<uint8_t>(); }
    int8_t ReadI8() { return ReadRaw<int8_t>(); }
    uint16_t ReadU16() { return ReadRaw<uint16_t>(); }
    int16_t ReadI16() { return ReadRaw<int16_t>(); }
    uint32_t ReadU32() { return ReadRaw<uint32_t>(); }
    int32_t ReadI32() { return ReadRaw<int32_t>(); }
    uint64_t ReadU64() { return ReadRaw<uint64_t>(); }
    int64_t ReadI64() { return ReadRaw<int64_t>(); }
    float ReadF32() { return ReadRaw<float>(); }
    double ReadF64() { return ReadRaw<double>(); }
    // A flag byte: any non-zero value reads as set.
    bool ReadFlag() { return ReadU8() != 0; }

    // Later-added fields of some bodies are announced by a 32-bit marker. Consumes the marker and
    // answers true when the next four bytes hold it; otherwise consumes nothing (an older body).
    bool ConsumeMarker(int32_t marker);

    // The stored-file version of the file being read: the opener of a stored file sets it from the
    // file's first four bytes; memory readers keep the current version.
    uint32_t GetStoredFileVersion() const { return m_storedFileVersion; }
    void SetStoredFileVersion(uint32_t version) { m_storedFileVersion = version; }

protected:
    const uint8_t* m_windowPos = nullptr;
    const uint8_t* m_windowEnd = nullptr;
    uint32_t m_storedFileVersion = kCurrentStoredFileVersion;
};

// Reads a caller's buffer; never owns it.
class QCharArrayDataReader : public QDataReader {
public:
    QCharArrayDataReader(const void* buffer, uint32_t size);

    void Close() override {}
    void ReadFromSource(void* destination, uint32_t count) override;
    uint64_t GetRemaining() const override { return static_cast<uint64_t>(m_windowEnd - m_windowPos); }
    bool Peek(void* destination, uint32_t count) override;
    [[noreturn]] void ThrowInsufficient() override;

    uint32_t GetBytesRead() const { return static_cast<uint32_t>(m_windowPos - m_buffer); }

private:
    const uint8_t* m_buffer;
    uint32_t m_size;
};

// Reads a file through a buffer of its own.
class QFileDataReader : public QDataReader {
public:
    explicit QFileDataReader(std::string path);
    ~QFileDataReader() override;

    void Close() override;
    intptr_t GetSourceInfo() const override { return m_file; }
    void ReadFromSource(void* destination, uint32_t count) override;
    uint64_t GetRemaining() const override;
    bool Peek(void* destination, uint32_t count) override;
    [[noreturn]] void ThrowInsufficient() override;

    const std::string& GetPath() const { return m_path; }

private:
    static constexpr uint32_t kBufferSize = 64 * 1024;

    // Moves what is left in the window to the front of the buffer and reads more behind it.
    // Returns false on a read error.
    bool Refill();
    [[noreturn]] void FailRead();
    void CloseFile();

    int m_file = -1;
    std::string m_path;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_fileSize = 0;
    uint64_t m_fileOffset = 0; // bytes taken from the file into the buffer so far
};

// Reads a 4-byte length and that many bytes. A length beyond what the source holds fails with the
// reader's own exception before anything is allocated; the text is then empty.
void ReadString(QDataReader& reader, std::string& text);

} // namespace orv
