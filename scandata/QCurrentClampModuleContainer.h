#pragma once

#include "core/TypeIds.h"
#include "scandata/QCableScan.h"
#include "scandata/QScanContainer.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class QMeasuredFrequencyData;

// The clamp's compensation set-up as the scan workflow gave it: the table kind and the four table
// names, in the order SetSetupTexts takes them.
struct QClampSetupTexts {
    int32_t m_Kind = 0;
    std::string m_Name4;
    std::string m_Name1;
    std::string m_Name2;
    std::string m_Name3;

    bool operator==(const QClampSetupTexts&) const = default;
};

// The container of a current clamp module node: the clamp's set-up (four compensation-table names
// and two values), the measured frequencies its ambient children hand up, two cable records and
// the lists the scan workflow fills. The children read the set-up through QParentClampLink.
//
// Stored body: four 16-bit levels, point count, record size, a reserved 16-bit word, the two label
// maps, the frequency list, the cell table, the table kind (with the fourth name for kinds 1 and 2),
// the set-up flag and values and the first three names. Table names are written and read in the
// form the compensation store knows them by; a name read under an older alias is renamed and the
// user is told once per renamed name.
class QCurrentClampModuleContainer : public QScanContainer {
public:
    using CellRecord = std::array<uint32_t, 4>;

    static constexpr const char* kRenamedText =
        "This project has some current clamp module nodes' correction factors changed !";
    static constexpr const char* kRenamedCaption = "Warning";

    QCurrentClampModuleContainer();
    ~QCurrentClampModuleContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    // Counts are checked against the bytes left before anything is allocated; a failed read leaves
    // the container as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCurrentClampModuleContainer; }
    // The bytes WriteBody writes.
    uint32_t GetBodySize() const override;

    bool IsStale() const override { return !HasScanData() || m_HasNewData != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // With a frequency-point selection: the range of the workflow's range values (compensated ones
    // while spectral compensation is on), 2000 and -2000 when there are none. Without: the stored
    // raw or compensated pair as the compensation switch says.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpectralScanInterface* GetSpectralScan() override { return m_CableScan.get(); }
    // Starts with empty cable records (never none), so that a save right after the start works.
    void StartNewScan() override;
    // The clamp's data comes from the workflow, never from a transport container.
    void AddScanData(QTransportContainer& /*transport*/, bool /*mergeMaximum*/,
                     bool /*mergeAverage*/) override {}
    void ClearScanData() override;
    void MarkPending() { m_HasNewData = 1; }

    uint8_t GetSetupFlag() const { return m_SetupFlag; }
    void SetSetupFlag(uint8_t flag) { m_SetupFlag = flag; }
    void SetSetupTexts(int32_t kind, std::string name4, std::string name1, std::string name2,
                       std::string name3);
    QClampSetupTexts GetSetupTexts() const;
    void SetSetupRange(float first, float second) {
        m_SetupValue1 = first;
        m_SetupValue2 = second;
    }
    float GetSetupValue1() const { return m_SetupValue1; }
    float GetSetupValue2() const { return m_SetupValue2; }

    // The entry frequencies of an ambient child's signal table, in entry order.
    void SetFrequencyList(const QMeasuredFrequencyData& signals);
    void SetFrequencyList(std::vector<float> frequencies);
    const std::vector<float>& GetFrequencies() const { return m_Frequencies; }
    bool AreLevelsStale() const { return m_LevelsStale != 0; }
    void SetLevelsStale(bool stale) { m_LevelsStale = stale ? 1 : 0; }

    void SetLevels(int16_t rawLow, int16_t rawHigh, int16_t compensatedLow, int16_t compensatedHigh);
    void SetPointCount(uint32_t count, uint32_t recordSize) {
        m_PointCount = count;
        m_RecordSize = recordSize;
    }
    uint32_t GetPointCount() const { return m_PointCount; }
    uint32_t GetRecordSize() const { return m_RecordSize; }

    // The values whose range the views ask for with a frequency-point selection, and the two
    // compensated forms of them; `selector` picks the form (0 the first, otherwise the second).
    void SetRangeValues(std::vector<float> values, std::vector<float> compensatedA,
                        std::vector<float> compensatedB, uint8_t selector);

    std::map<uint32_t, std::string>& GetLabels1() { return m_Labels1; }
    std::map<uint32_t, std::string>& GetLabels2() { return m_Labels2; }
    std::map<uint32_t, std::vector<CellRecord>>& GetCellTable() { return m_CellTable; }
    QCableScan& GetCableScan() { return *m_CableScan; }
    QCableScan& GetSecondCableScan() { return *m_SecondCableScan; }

private:
    struct Names {
        std::string m_Name1;
        std::string m_Name2;
        std::string m_Name3;
        std::string m_Name4;
    };
    // The names as the compensation store knows them; `renamed` counts the names that changed.
    Names Normalised(const Names& names, int32_t kind, uint32_t* renamed) const;

    uint8_t m_HasNewData = 0;
    uint8_t m_Updated = 0;
    uint8_t m_LevelsStale = 0;
    int16_t m_RawLow = 0;
    int16_t m_CompensatedLow = 0;
    int16_t m_RawHigh = 1;
    int16_t m_CompensatedHigh = 0;
    uint32_t m_PointCount = 0;
    uint32_t m_RecordSize = 0;
    uint16_t m_Reserved16 = 0;
    std::unique_ptr<QCableScan> m_CableScan;
    std::unique_ptr<QCableScan> m_SecondCableScan;
    uint8_t m_SetupFlag = 0;
    Names m_Names;
    int32_t m_TableKind = 0;
    float m_SetupValue1 = 0.0f;
    float m_SetupValue2 = 0.0f;
    std::map<uint32_t, std::vector<CellRecord>> m_CellTable;
    std::vector<float> m_Frequencies;
    std::map<uint32_t, std::string> m_Labels1;
    std::map<uint32_t, std::string> m_Labels2;
    std::vector<float> m_RangeValues;
    std::vector<float> m_CompensatedValuesA;
    std::vector<float> m_CompensatedValuesB;
    uint8_t m_CompensatedSelector = 0;
};

} // namespace orv
