#pragma once

#include "core/QFineScanTask.h"
#include "core/TypeIds.h"
#include "scandata/QCableScan.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QScanContainer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// A peak of the container's peak lists: the peak's frequency and level, the value of the fine-scan
// task it was found in, the container's stored value, and (in memory only) the task's id.
struct QCableListPeak {
    float m_Frequency = 0.0f;
    float m_Amplitude = 0.0f; // tenths
    float m_TaskValue = 0.0f;
    uint32_t m_FourthValue = 0;
    uint32_t m_TaskId = 0;

    bool operator==(const QCableListPeak&) const = default;
};

// The container of a cable scan node. Each received spectrum becomes a cable record; the records
// of one fine-scan task are merged by maximum hold when asked, every task keeps one record in the
// list, and the reference spectrum is the maximum hold over them all. The peaks of every record go
// into a peak list sorted by frequency; the compensated levels use the tables named by the parent
// clamp module's set-up (kept here as QParentClampLink last read it).
//
// Stored body (node file): level range, stored word and value, plan-mode flag, the two peak lists,
// the plan mode, the plan itself unless its mode is 2, and the plan's value list. The cable records
// travel in the node's scan file (WriteCableScans, ReadCableScans).
class QCableScanContainer : public QScanContainer, public QParentClampClient {
public:
    // Two records belong to one task when their values differ by less than this.
    static constexpr double kSameReference = 0.000005;

    QCableScanContainer();
    ~QCableScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    // Counts are checked against the bytes left before anything is allocated; a failed read leaves
    // the container as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCableScanContainer; }
    // The bytes WriteBody writes.
    uint32_t GetBodySize() const override;

    bool IsStale() const override { return !HasScanData() || m_PendingFlag != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // Over the reference spectrum, compensated while spectral compensation is on; recomputed when
    // stale, kept otherwise.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    // The reference spectrum; null before any data.
    const QSpectralScanInterface* GetSpectralScan() override { return m_ReferenceScan.get(); }
    void StartNewScan() override;
    // Takes the received spectral record; with the merge switch on it is merged into the current
    // record once that holds data. The second switch is not used.
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
    // Drops the record of the current task, then rebuilds the reference and the peak list from the
    // records that remain.
    void ClearScanData() override;
    void MarkPending() { m_PendingFlag = 1; }
    QCableScan& GetCurrentScan() { return *m_CurrentScan; }

    // The node's scan file: the record count, each record's body, then the reference's point count
    // (0 without one) and, when there is one, its body. The reader replaces the records; it reads a
    // reference body only for a count of 1 or more (an empty one that follows is passed over).
    void WriteCableScans(QDataWriter& writer) const;
    void ReadCableScans(QDataReader& reader);

    QContainerNodeMediator* GetParentClampMediator(QContainerNodeMediator& own) override;
    void SetParentSetup(const QClampSetupTexts& texts) override;
    const QClampSetupTexts& GetParentSetup() const { return m_ParentSetup; }

    QFineScanPlan& GetFineScanPlan() { return m_FineScanPlan; }
    // The plan mode is the plan's first state word; in mode 2 the plan is not stored.
    uint32_t GetPlanMode() const { return m_FineScanPlan.m_state1; }
    uint8_t GetPlanFlag() const { return m_PlanFlag; }
    void SetPlanFlag(uint8_t flag) { m_PlanFlag = flag; }
    bool IsPlanModeIs2() const { return m_PlanModeIs2 != 0; }

    const std::vector<QCableListPeak>& GetPeakListA() const { return m_PeakListA; }
    const std::vector<QCableListPeak>& GetPeakListB() const { return m_PeakListB; }
    size_t GetCableScanCount() const { return m_CableScans.size(); }
    const QCableScan& GetCableScan(size_t index) const { return *m_CableScans.at(index); }
    const QCableScan* GetReferenceScan() const { return m_ReferenceScan.get(); }
    uint32_t GetPointCount() const { return m_PointCount; }
    uint16_t GetStoredWord() const { return m_StoredWord; }
    void SetStoredWord(uint16_t word) { m_StoredWord = word; }
    uint32_t GetStoredValue() const { return m_StoredValue; }
    void SetStoredValue(uint32_t value) { m_StoredValue = value; }

    // Compensated levels of the reference and of the peaks of list A, computed on demand.
    const std::vector<float>& GetCompensatedSpectrum();
    const std::vector<float>& GetCompensatedPeaks();

private:
    bool HoldsInList(const QCableScan* record) const;
    // Lets go of the current record, freeing it unless the list holds it, and holds `next`.
    void ReplaceCurrent(std::unique_ptr<QCableScan> next);
    void ProcessPeaks();
    // The id of the plan's current task, adding it (and noting its value) when it is new.
    uint32_t TaskIdOfCurrent();
    // The id of the first task whose first value is that value; 0 when none.
    uint32_t TaskIdOfValue(float value) const;
    void AppendPeaks(const QCableScan& record, float taskValue, uint32_t taskId);
    void SortPeakList();
    void RebuildReference();
    void ComputeCompensation();

    uint32_t m_PointCount = 0;
    uint8_t m_PendingFlag = 0;
    uint8_t m_Updated = 0;
    uint16_t m_StoredWord = 0;
    uint32_t m_StoredValue = 0;
    float m_LevelLow = 0.0f;
    float m_LevelHigh = 0.0f;
    // The current record: owned by m_OwnedCurrent until peak processing appends it to the list,
    // which owns it from then on.
    QCableScan* m_CurrentScan = nullptr;
    std::unique_ptr<QCableScan> m_OwnedCurrent;
    std::unique_ptr<QCableScan> m_ReferenceScan;
    std::vector<QCableListPeak> m_PeakListA;
    std::vector<QCableListPeak> m_PeakListB;
    std::vector<std::unique_ptr<QCableScan>> m_CableScans;
    uint8_t m_CompensationDone = 0;
    std::vector<float> m_CompensatedPeaks;
    std::vector<float> m_CompensatedSpectrum;
    QFineScanPlan m_FineScanPlan;
    uint8_t m_PlanFlag = 0;
    uint8_t m_PlanModeIs2 = 0;
    uint8_t m_ParentPending = 1;
    QContainerNodeMediator* m_ParentMediator = nullptr;
    QClampSetupTexts m_ParentSetup;
};

} // namespace orv
