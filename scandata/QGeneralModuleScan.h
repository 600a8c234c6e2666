#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"
#include "scandata/QSpectralScanInterface.h"

#include <cstdint>
#include <vector>

namespace orv {

// The spectrum of an antenna or range module with the module's value.
// Body: 32-bit N, N 16-bit levels, 16-bit module value; 6 + 2N bytes.
class QGeneralModuleScan : public QDataPacket, public QSpectralScanInterface {
public:
    explicit QGeneralModuleScan(uint32_t count = 0);

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeGeneralModuleScan; }
    // The bytes WriteBody writes, whatever the module value.
    uint32_t GetBodySize() const override { return 6 + 2 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    virtual void SetAmplitude(uint32_t index, int16_t amplitude);
    virtual void SetPointWord1(uint32_t /*index*/, uint16_t /*row*/) {}
    virtual void SetPointWord2(uint32_t /*index*/, uint16_t /*column*/) {}
    virtual bool HasData() const { return m_PointCount > 0; }

    uint32_t GetPointCount() const override { return m_PointCount; }
    // As stored; 0 outside the points.
    int16_t GetAmplitude(uint32_t index) const override;
    uint16_t GetPointWord1(uint32_t /*index*/) const override { return 0; }
    uint16_t GetPointWord2(uint32_t /*index*/) const override { return 0; }
    float GetFrequency(uint32_t /*index*/) const override { return 0.0f; }

    uint16_t GetModuleValue() const { return m_ModuleValue; }
    void SetModuleValue(uint16_t value) { m_ModuleValue = value; }

private:
    uint32_t m_PointCount = 0;
    std::vector<int16_t> m_Amplitudes;
    uint16_t m_ModuleValue = 0;
};

} // namespace orv
