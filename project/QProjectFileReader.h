#pragma once

#include "core/QDataReader.h"

#include <cstdint>
#include <memory>

namespace orv {

// Reads a project file through another reader (the opened file, or a buffer) and reports every
// short read, in the project reader's own fields and in the node bodies alike, as a corrupt project
// ("Error#317"): a truncated file is a corrupt one, whatever field it ends in. Small fields are served
// from a buffer of its own; large blocks go straight through.
class QProjectFileReader : public QDataReader {
public:
    explicit QProjectFileReader(QDataReader& source);
    ~QProjectFileReader() override;

    void Close() override;
    void ReadFromSource(void* destination, uint32_t count) override;
    uint64_t GetRemaining() const override;
    bool Peek(void* destination, uint32_t count) override;
    [[noreturn]] void ThrowInsufficient() override;

private:
    static constexpr uint32_t kBufferSize = 64 * 1024;

    // Moves what is left to the front and tops the buffer up from the source.
    void Fill();

    QDataReader& m_source;
    std::unique_ptr<uint8_t[]> m_buffer;
};

} // namespace orv
