#pragma once

#include "core/TypeIds.h"
#include "scandata/QAmbientFamilyScanContainer.h"
#include "scandata/QParentClampLink.h"

#include <vector>

namespace orv {

// The container of an ambient scan node, a child of a current clamp module node. It detects the
// ambient signals of its spectrum once and hands their frequencies up to the clamp container, and
// corrects its levels with the clamp's current-transformer and ambient compensation tables.
//
// The clamp is reached only through QParentClampLink, never under this container's lock: the
// detected frequencies wait here until the link hands them up, and the clamp's set-up is kept as
// the link last read it (empty names, so no tables, until then).
class QAmbientScanContainer : public QAmbientFamilyScanContainer, public QParentClampClient {
public:
    static constexpr uint32_t kSignalEntries = 30;

    QAmbientScanContainer();
    uint16_t GetTypeID() const override { return kTypeAmbientScanContainer; }

    // Over the corrected levels while spectral compensation is on, else the stored ones, widening the
    // current range (which new data sets to 0 and 0, so the range always holds 0).
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;

    QContainerNodeMediator* GetParentClampMediator(QContainerNodeMediator& own) override;
    std::optional<std::vector<float>> TakeFrequencyHandUp() override;
    void SetParentSetup(const QClampSetupTexts& texts) override;

    const QMeasuredFrequencyData& GetSweepFrequencies() const { return m_SweepFrequencies; }
    const std::vector<float>& GetCorrectedLevels() const { return m_CorrectedLevels; }
    const QClampSetupTexts& GetParentSetup() const { return m_ParentSetup; }
    // The corrected level of every point: the stored level plus ten times the current-transformer
    // and ambient table values at the point's frequency.
    void BuildCorrections();

protected:
    std::unique_ptr<QSpectralFamilyScan> MakeRecord(uint32_t count) const override;
    void CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const override;
    void AfterScanData() override;

private:
    std::vector<float> m_CorrectedLevels;
    uint8_t m_ParentPending = 1;
    QContainerNodeMediator* m_ParentMediator = nullptr;
    uint8_t m_HandUpPending = 0;
    QClampSetupTexts m_ParentSetup;
};

} // namespace orv
