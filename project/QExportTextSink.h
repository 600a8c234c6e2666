#pragma once

// The text file a scan-data export writes: numbers are formatted in the C locale whatever the
// user's locale is, every line feed reaches the file as CR LF (the line end the tools that read
// these files take), and the file replaces the chosen one only once the whole export was written,
// flushed and closed (a temporary file beside it until then).

#include "core/QDataWriter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

class QExportTextSink {
public:
    // Throws QStorageLayerException when the temporary file cannot be created.
    explicit QExportTextSink(const std::string& path);
    // Without Close the temporary file is removed and an earlier file stays as it was.
    ~QExportTextSink();
    QExportTextSink(const QExportTextSink&) = delete;
    QExportTextSink& operator=(const QExportTextSink&) = delete;

    // The text as it is, line feeds as CR LF.
    QExportTextSink& Text(std::string_view text);
    // Right-aligned in a field of `width` characters (a line feed counts as one); longer texts are
    // written whole.
    QExportTextSink& Text(std::string_view text, int width);
    QExportTextSink& Int(int64_t value, int width = 0);
    // Fixed-point with `precision` decimals.
    QExportTextSink& Fixed(double value, int precision, int width = 0);
    // A stream's default notation: six significant digits, no trailing zeros.
    QExportTextSink& General(double value);

    // Bytes as they are, for a line already built with its CR LF (the hot loops of large exports).
    QExportTextSink& Raw(const char* bytes, size_t count) {
        m_writer.Write(bytes, static_cast<uint32_t>(count));
        return *this;
    }

    // Flushes and replaces the chosen file; throws QStorageLayerException when that fails.
    void Close();
    bool IsClosed() const { return m_closed; }
    const std::string& GetPath() const { return m_writer.GetPath(); }

private:
    void Padded(const char* text, size_t length, int width);
    void Pad(int count);

    QFileDataWriter m_writer;
    bool m_closed = false;
};

// One data line built in place and handed to the sink whole (QExportTextSink::Raw): the same
// formats as the sink's, without a call into the sink per field. A field that no longer fits the
// line's room is left out (no data line comes near it).
class QExportLine {
public:
    QExportLine& Text(std::string_view text, int width = 0);
    QExportLine& Int(int64_t value, int width = 0);
    QExportLine& Fixed(double value, int precision, int width = 0);
    // CR LF.
    QExportLine& End();
    const char* Data() const { return m_buffer; }
    size_t Size() const { return m_length; }

private:
    void Place(const char* text, size_t length, int width);

    char m_buffer[320];
    size_t m_length = 0;
};

inline QExportTextSink& operator<<(QExportTextSink& sink, const QExportLine& line) {
    return sink.Raw(line.Data(), line.Size());
}

// A header value on one line: each CR and LF becomes a blank, then blanks are trimmed from both
// ends.
std::string OneLineHeaderText(std::string_view text);

} // namespace orv
