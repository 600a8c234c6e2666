#pragma once

#include "platform/fs/AtomicFileWriter.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

namespace orv {

static_assert(std::endian::native == std::endian::little,
              "stored and wire formats are little-endian and written as raw host values");

// A byte sink. Every field of a stored or transmitted body goes through WriteToSink; the inline
// Write keeps a window onto the sink's own buffer so that small fields do not each cost a virtual
// call, and falls back to WriteToSink whenever the window is too small (which is also where the
// sink reports an overrun or a failed write).
class QDataWriter {
public:
    QDataWriter() = default;
    QDataWriter(const QDataWriter&) = delete;
    QDataWriter& operator=(const QDataWriter&) = delete;
    virtual ~QDataWriter();

    virtual void Open() {}
    virtual void Close() = 0;
    virtual void WriteToSink(const void* data, uint32_t count) = 0;

    void Write(const void* data, uint32_t count) {
        if (count <= static_cast<uint64_t>(m_windowEnd - m_windowPos) && count != 0) {
            std::memcpy(m_windowPos, data, count);
            m_windowPos += count;
        } else if (count != 0) {
            WriteToSink(data, count);
        }
    }

    // Room for count bytes in the sink's own buffer, which the caller fills at once; null when the
    // window is too small, and the caller then writes through Write. Lets a record be encoded in place
    // instead of being assembled on the stack and copied.
    uint8_t* Claim(uint32_t count) {
        if (m_windowPos == nullptr || count > static_cast<uint64_t>(m_windowEnd - m_windowPos)) {
            return nullptr;
        }
        uint8_t* place = m_windowPos;
        m_windowPos += count;
        return place;
    }

    template <typename T> void WriteRaw(T value) {
        static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>);
        Write(&value, sizeof(T));
    }
    void WriteU8(uint8_t v) { WriteRaw(v); }
    void WriteI8(int8_t v) { WriteRaw(v); }
    void WriteU16(uint16_t v) { WriteRaw(v); }
    void WriteI16(int16_t v) { WriteRaw(v); }
    void WriteU32(uint32_t v) { WriteRaw(v); }
    void WriteI32(int32_t v) { WriteRaw(v); }
    void WriteU64(uint64_t v) { WriteRaw(v); }
    void WriteI64(int64_t v) { WriteRaw(v); }
    void WriteF32(float v) { WriteRaw(v); }
    void WriteF64(double v) { WriteRaw(v); }
    // A flag is one byte, 0 or 1.
    void WriteFlag(bool v) { WriteU8(v ? 1 : 0); }

protected:
    uint8_t* m_windowPos = nullptr;
    uint8_t* m_windowEnd = nullptr;
};

// Adds up the bytes written and stores nothing: used to size a buffer before the real write.
class QCharCounterDataWriter : public QDataWriter {
public:
    void Close() override {}
    void WriteToSink(const void* data, uint32_t count) override;

    uint32_t m_count = 0;
};

// Writes into a caller's buffer of fixed size; never owns it.
class QCharArrayDataWriter : public QDataWriter {
public:
    QCharArrayDataWriter(void* buffer, uint32_t size);

    void Close() override {}
    void WriteToSink(const void* data, uint32_t count) override;

    uint32_t GetBytesWritten() const { return static_cast<uint32_t>(m_windowPos - m_buffer); }

private:
    uint8_t* m_buffer;
    uint32_t m_size;
};

// Writes a file through an AtomicFileWriter: the target is replaced only when Close succeeds, a
// failed or abandoned write never destroys the last good copy, and of two writers on one path the
// later Close wins whole. Destruction without Close discards the temporary file.
class QFileDataWriter : public QDataWriter {
public:
    explicit QFileDataWriter(std::string path);
    ~QFileDataWriter() override;

    void Close() override;
    void WriteToSink(const void* data, uint32_t count) override;

    const std::string& GetPath() const { return m_path; }

private:
    static constexpr uint32_t kBufferSize = 64 * 1024;

    void FlushBuffer();
    void WriteAll(const uint8_t* data, uint64_t count);
    [[noreturn]] void FailWrite();
    void Discard();

    AtomicFileWriter m_file;
    std::string m_path;
    std::unique_ptr<uint8_t[]> m_buffer;
};

// A text is its length as 4 bytes, then its bytes, without terminator.
void WriteString(QDataWriter& writer, const std::string& text);

} // namespace orv
