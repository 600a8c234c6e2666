#pragma once

#include "core/QPacket.h"
#include "scandata/QSpectralScanInterface.h"

#include <cstdint>
#include <vector>

namespace orv {

// The levels of a spectrum measured through a module, with the module's value: the common part of
// the general-module and cable records. The points carry no cell and no frequency of their own.
// Both bodies begin with 32-bit N, N 16-bit levels, 16-bit module value.
class QModuleSpectrum : public QDataPacket, public QSpectralScanInterface {
public:
    virtual void SetAmplitude(uint32_t index, int16_t amplitude);
    virtual void SetPointWord1(uint32_t /*index*/, uint16_t /*row*/) {}
    virtual void SetPointWord2(uint32_t /*index*/, uint16_t /*column*/) {}
    virtual bool HasData() const { return m_PointCount > 0; }

    uint32_t GetPointCount() const override { return m_PointCount; }
    // As stored; 0 outside the points.
    int16_t GetAmplitude(uint32_t index) const override;
    // Module spectra are never compensated.
    int16_t GetStoredAmplitude(uint32_t index) const override { return QModuleSpectrum::GetAmplitude(index); }
    uint16_t GetPointWord1(uint32_t /*index*/) const override { return 0; }
    uint16_t GetPointWord2(uint32_t /*index*/) const override { return 0; }
    float GetFrequency(uint32_t /*index*/) const override { return 0.0f; }

    uint16_t GetModuleValue() const { return m_ModuleValue; }
    void SetModuleValue(uint16_t value) { m_ModuleValue = value; }

protected:
    explicit QModuleSpectrum(uint32_t count);

    struct LevelsAndModule {
        std::vector<int16_t> m_Levels;
        uint16_t m_ModuleValue = 0;
    };

    void WriteLevelsAndModule(QDataWriter& writer) const;
    // A count beyond the bytes that remain throws before anything is allocated.
    static LevelsAndModule ReadLevelsAndModule(QDataReader& reader);
    // Takes what a complete read produced; nothing can fail from here on.
    void Assign(LevelsAndModule& read);

    uint32_t m_PointCount = 0;
    std::vector<int16_t> m_Amplitudes;
    uint16_t m_ModuleValue = 0;
};

} // namespace orv
