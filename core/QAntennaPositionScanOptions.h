#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Seven numbers of an antenna position scan node.
class QAntennaPositionScanOptions : public QOptions {
public:
    static constexpr uint32_t kStoredBodySize = 28;
    static constexpr uint32_t kReportedBodySize = 20;

    QAntennaPositionScanOptions() = default;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAntennaPositionScanOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    int32_t m_word1 = 0;
    int32_t m_word2 = 0;
    float m_value1 = 0.01F;
    int32_t m_word3 = 0;
    int32_t m_word4 = 0;
    float m_value2 = 5.0F;
    int32_t m_count = 10;
    uint8_t m_byte = 1;
};

} // namespace orv
