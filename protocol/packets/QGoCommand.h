#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Starts the scan the engine was last set up for; the engine echoes the mode it took.
// Body: the continuous byte (1 = run until stopped, 0 = once).
class QGoCommand : public QCommand {
public:
    QGoCommand() = default;
    explicit QGoCommand(bool continuous) : m_Continuous(continuous ? 1 : 0) {}

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeGoCommand; }
    uint32_t GetBodySize() const override { return 1; }

    bool IsContinuous() const { return m_Continuous != 0; }
    // The byte as it travels: a reply keeps whatever value the engine sent.
    uint8_t GetContinuousFlag() const { return m_Continuous; }

private:
    uint8_t m_Continuous = 0;
};

} // namespace orv
