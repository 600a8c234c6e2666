#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Asks the engine to reset the connected analyser. Body: one 32-bit value, 0 when sent and echoed
// by the engine.
class QResetSpectrumAnalyzerCommand : public QCommand {
public:
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeResetSpectrumAnalyzerCommand; }
    uint32_t GetBodySize() const override { return 4; }

    int32_t GetValue() const { return m_Value; }
    void SetValue(int32_t value) { m_Value = value; }

private:
    int32_t m_Value = 0;
};

} // namespace orv
