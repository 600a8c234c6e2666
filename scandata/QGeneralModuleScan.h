#pragma once

#include "core/TypeIds.h"
#include "scandata/QModuleSpectrum.h"

#include <cstdint>

namespace orv {

// The spectrum of an antenna or range module with the module's value.
// Body: 32-bit N, N 16-bit levels, 16-bit module value; 6 + 2N bytes.
class QGeneralModuleScan : public QModuleSpectrum {
public:
    explicit QGeneralModuleScan(uint32_t count = 0) : QModuleSpectrum(count) {}

    void WriteBody(QDataWriter& writer) const override { WriteLevelsAndModule(writer); }
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeGeneralModuleScan; }
    // The bytes WriteBody writes, whatever the module value.
    uint32_t GetBodySize() const override { return 6 + 2 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }
};

} // namespace orv
