#pragma once

#include "scandata/QSpectralScanInterface.h"

#include <cstdint>

namespace orv {

// The difference of two spectra (A - B), shown through the spectral interface without storing
// anything. It reads the sources' stored levels, so it never touches the application-wide
// compensation switch (which other threads read while it is in use). The sources are not owned and
// must outlive it.
class QSpectralComparisonScan : public QSpectralScanInterface {
public:
    QSpectralComparisonScan(const QSpectralScanInterface& first, const QSpectralScanInterface& second)
        : m_First(&first), m_Second(&second) {}

    uint32_t GetPointCount() const override { return m_First->GetPointCount(); }
    // A's stored level minus B's, held to the 16-bit range; 0 where B has no such point.
    int16_t GetAmplitude(uint32_t index) const override;
    uint16_t GetPointWord1(uint32_t /*index*/) const override { return 0; }
    uint16_t GetPointWord2(uint32_t /*index*/) const override { return 0; }
    // The mean of the two sources' frequencies of the point.
    float GetFrequency(uint32_t index) const override;
    int16_t GetStoredAmplitude(uint32_t index) const override { return GetAmplitude(index); }

    const QSpectralScanInterface& GetFirst() const { return *m_First; }
    const QSpectralScanInterface& GetSecond() const { return *m_Second; }

private:
    const QSpectralScanInterface* m_First;
    const QSpectralScanInterface* m_Second;
};

} // namespace orv
