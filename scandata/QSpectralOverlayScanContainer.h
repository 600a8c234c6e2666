#pragma once

#include "core/TypeIds.h"
#include "scandata/QComparisonScanContainer.h"

#include <cstdint>

namespace orv {

// The container of a spectral overlay node: both sources' spectra drawn over each other. It builds
// nothing of its own and hands the sources' records out.
class QSpectralOverlayScanContainer : public QComparisonScanContainer {
public:
    explicit QSpectralOverlayScanContainer(QComparisonOwner* owner);
    ~QSpectralOverlayScanContainer() override;

    uint16_t GetTypeID() const override { return kTypeSpectralOverlayScanContainer; }
    QMeasuredFrequencyData& GetMeasuredFrequencyData() override;
    // Either source has data, and the two can be compared.
    bool HasScanData() const override;
    // The lower of the two sources' low ends and the higher of their high ends.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    // The second source's spectrum when it has data.
    const QSpectralScanInterface* GetSpectralScan() override;
    // The first source's spectrum when it has data; the cells are not looked at.
    const QSpectralScanInterface* GetSpectralScanForCells(const QProbeScanPattern& cells) override;
    const QProbeScanPattern& GetProbeScanPattern() const override { return m_NoPattern; }

    bool CheckCompatibility(bool showMessages) override { return CheckSpectralRules(showMessages); }
    // Each source that has a spectrum makes its scan head the project's current one and is
    // corrected when it is not yet; then each such source estimates its noise floor.
    void CorrectSpectralSources(float startFrequency, float stopFrequency) override;
    void CorrectSpatialSources() override {}
};

} // namespace orv
