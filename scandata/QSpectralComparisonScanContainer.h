#pragma once

#include "core/TypeIds.h"
#include "scandata/QCachedLevelRange.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QSpectralComparisonScan.h"

#include <cstdint>
#include <memory>

namespace orv {

// The container of a spectral comparison node: the difference of the first source's spectrum and
// the second's. The result and its level range are built on first use and dropped at release.
class QSpectralComparisonScanContainer : public QComparisonScanContainer {
public:
    explicit QSpectralComparisonScanContainer(QComparisonOwner* owner);
    ~QSpectralComparisonScanContainer() override;

    uint16_t GetTypeID() const override { return kTypeSpectralComparisonScanContainer; }
    // Both sources have data and can be compared.
    bool HasScanData() const override;
    // Lowest and highest level of the difference; 0 and 0 without data or over an empty result.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpectralScanInterface* GetSpectralScan() override;
    const QProbeScanPattern& GetProbeScanPattern() const override { return m_NoPattern; }

    void ReleaseSources() override;
    bool CheckCompatibility(bool showMessages) override { return CheckSpectralRules(showMessages); }
    // Corrects each source not corrected yet (first, then second), then estimates both noise
    // floors, the first's first.
    void CorrectSpectralSources(float startFrequency, float stopFrequency) override;
    void CorrectSpatialSources() override {}

    bool IsRangeComputed() const { return m_LevelRange.IsComputed(); }

private:
    QCachedLevelRange m_LevelRange;
    std::unique_ptr<QSpectralComparisonScan> m_Result;
};

} // namespace orv
