#pragma once

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "scandata/QCachedLevelRange.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QSpatialScanInterface.h"

#include <cstdint>
#include <memory>

namespace orv {

// The container of a spatial comparison node: the difference of two heat maps over the cells both
// sources scanned. The common pattern, the result and its level range are built on first use and
// dropped at release.
class QSpatialComparisonScanContainer : public QComparisonScanContainer {
public:
    explicit QSpatialComparisonScanContainer(QComparisonOwner* owner);
    ~QSpatialComparisonScanContainer() override;

    uint16_t GetTypeID() const override { return kTypeSpatialComparisonScanContainer; }
    // Both sources have data, their centre frequencies agree and the common pattern has a cell.
    bool HasScanData() const override;
    // Over the cells of the common pattern that hold a value; 0 and 0 without data or without such
    // a cell.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpatialScanInterface* GetSpatialScan() override;
    // The common pattern: the smaller of the two sources' pattern sizes, a cell on where it is on in
    // both sources' patterns and lies inside both sources' heat maps; every height 100.
    const QProbeScanPattern& GetProbeScanPattern() const override;

    void ReleaseSources() override;
    bool CheckCompatibility(bool showMessages) override { return CheckCentreFrequencyRule(showMessages); }
    void CorrectSpectralSources(float /*startFrequency*/, float /*stopFrequency*/) override {}
    // Each source's heat map not corrected yet is corrected over a copy of the source's pattern.
    void CorrectSpatialSources() override;

    bool IsRangeComputed() const { return m_LevelRange.IsComputed(); }

protected:
    // The record that combines the two heat maps over the common pattern.
    virtual std::unique_ptr<QSpatialScanInterface> MakeResult(const QSpatialScanInterface& first,
                                                              const QSpatialScanInterface& second,
                                                              const QProbeScanPattern& pattern) const;

private:
    const QProbeScanPattern& CommonPattern();

    QCachedLevelRange m_LevelRange;
    std::unique_ptr<QProbeScanPattern> m_CommonPattern;
    std::unique_ptr<QSpatialScanInterface> m_Result;
};

} // namespace orv
