#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

std::vector<uint8_t> BulkOf(const CScanData& scan) {
    QCharCounterDataWriter counter;
    scan.WriteBulk(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    scan.WriteBulk(writer);
    return bytes;
}

void Pattern(CScanData& scan, uint16_t height) {
    scan.SetProbeScanPatternSize(3, 4);
    scan.m_ProbeScanPattern.SetProbeAndHeightAt(1, 2, 1, height);
}

std::unique_ptr<CScanData> SpatialMirt(int16_t base) {
    auto scan = std::make_unique<CSpatialScanData>();
    Pattern(*scan, 150);
    scan->m_Values = {base, CScanData::kNoValue, static_cast<int16_t>(base + 7)};
    return scan;
}

std::unique_ptr<CScanData> SpatialZelt(int16_t base) {
    auto scan = std::make_unique<CSpatialScanData>();
    Pattern(*scan, 160);
    scan->m_FloatValues = {1.5F, static_cast<float>(base)};
    scan->m_ZeltRecords = {{1, 2, 0, 1, 3.25F}, {2, 0, 1, 1, static_cast<float>(base)}};
    return scan;
}

template <class T> std::unique_ptr<CScanData> Cells(int16_t base) {
    auto scan = std::make_unique<T>();
    Pattern(*scan, 170);
    for (uint16_t cell = 0; cell < 3; ++cell) {
        auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
        unit->m_Row = cell;
        unit->m_Column = 2;
        unit->m_PeakLevel = -4.5F;
        unit->m_PeakFrequency = 120.0F;
        unit->m_CellWord3 = 0xFFFB;
        unit->m_CellValue = 1.5F;
        unit->m_Amplitudes = {base, static_cast<int16_t>(base + cell)};
        unit->m_Words = {cell, 2, 1, 0};
        unit->m_ZeltAmplitudes = {0.5F};
        unit->m_Word1 = 7;
        unit->m_Word2 = 9;
        scan->m_Units.push_back(std::move(unit));
    }
    scan->SetMeasuredFrequencies({{0, 100.5F}, {1, 101.0F}});
    return scan;
}

std::unique_ptr<CScanData> Spectral(int16_t base) {
    auto scan = std::make_unique<CSpectralScanData>();
    scan->SetProbeScanPattern({{1, 2}});
    scan->SetMirtPoints({{base, 1, 2}, {static_cast<int16_t>(base + 1), 0, 3}});
    scan->SetMeasuredFrequencies({{1, 150.0F}});
    return scan;
}

// Header texts longer than a short text's inline room, and a filled description.
void WithTexts(CScanData& scan, const std::string& id) {
    scan.m_DateText = "2026-12-11,  17:00:" + id;
    scan.m_UserText = "board " + id + ", top side";
    scan.m_AnalyzerText = "Placeholder Analyzer " + id;
    scan.m_ModuleText = "Scanner Module " + id;
    scan.m_ScanHeadText = "Scan Head " + id + ", wide band";
    scan.m_ExtraText = "extra text " + id + " past sixteen";
    scan.m_DescriptionTexts.SetText(13, "Sweeps Per Cell of scan " + id);
}

struct BulkCase {
    const char* name;
    std::function<std::unique_ptr<CScanData>(int16_t)> make;
};

class ScanBulkTest : public ::testing::TestWithParam<BulkCase> {};

// The bulk of each kind comes back as it was after the scan gave it up, and a short or damaged dump
// is refused with the scan left as it was.
TEST_P(ScanBulkTest, ComesBackWholeAndRefusesAShortDump) {
    const std::unique_ptr<CScanData> scan = GetParam().make(40);
    WithTexts(*scan, "40");
    const std::vector<uint8_t> bulk = BulkOf(*scan);
    const uint64_t bytes = scan->GetBulkBytes();
    EXPECT_GT(bytes, 0U);

    scan->ReleaseBulk();
    EXPECT_NE(BulkOf(*scan), bulk);
    EXPECT_LT(scan->GetBulkBytes(), bytes);
    EXPECT_EQ(scan->m_ProbeScanPattern.GetChoiceGrid().GetCells().capacity(), 0U);
    // What a list row shows stays; the other header texts and the description go with the bulk.
    EXPECT_EQ(scan->m_DateText, "2026-12-11,  17:00:40");
    EXPECT_EQ(scan->m_UserText, "board 40, top side");
    for (const std::string* text :
         {&scan->m_AnalyzerText, &scan->m_ModuleText, &scan->m_ScanHeadText, &scan->m_ExtraText}) {
        EXPECT_TRUE(text->empty()) << *text;
        EXPECT_LE(text->capacity(), std::string().capacity());
    }
    EXPECT_TRUE(scan->m_DescriptionTexts.IsEmpty());
    QCharArrayDataReader reader(bulk.data(), static_cast<uint32_t>(bulk.size()));
    scan->ReadBulk(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
    EXPECT_EQ(BulkOf(*scan), bulk);
    EXPECT_EQ(scan->m_Prepared, 0);
    EXPECT_EQ(scan->m_AnalyzerText, "Placeholder Analyzer 40");
    EXPECT_EQ(scan->m_ExtraText, "extra text 40 past sixteen");

    const std::unique_ptr<CScanData> other = GetParam().make(90);
    WithTexts(*other, "90");
    const std::vector<uint8_t> kept = BulkOf(*other);
    for (size_t cut : {size_t{0}, size_t{3}, size_t{9}, bulk.size() / 2, bulk.size() - 1}) {
        QCharArrayDataReader shortReader(bulk.data(), static_cast<uint32_t>(cut));
        EXPECT_THROW(other->ReadBulk(shortReader), QIOException) << cut;
        EXPECT_EQ(BulkOf(*other), kept) << cut;
    }
    // A count far beyond the dump is refused before anything is allocated.
    std::vector<uint8_t> huge = bulk;
    huge[0] = huge[1] = huge[2] = huge[3] = 0xFF;
    QCharArrayDataReader hugeReader(huge.data(), static_cast<uint32_t>(huge.size()));
    EXPECT_THROW(other->ReadBulk(hugeReader), QIOException);
    EXPECT_EQ(BulkOf(*other), kept);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScanBulkTest,
                         ::testing::Values(BulkCase{"Spectral", Spectral},
                                           BulkCase{"SpatialMirt", SpatialMirt},
                                           BulkCase{"SpatialZelt", SpatialZelt},
                                           BulkCase{"SpectralSpatial", Cells<CSpectralSpatialScanData>},
                                           BulkCase{"HandHeld", Cells<CHandHeldProbeScanData>}),
                         [](const ::testing::TestParamInfo<BulkCase>& info) {
                             return std::string(info.param.name);
                         });

// The correction grid of a spatial scan is made only when its factors are loaded: a scan that was
// never compensated holds none.
TEST(ScanBulk, CorrectionGridsAreHeldOnlyOnceLoaded) {
    CSpatialScanData spatial;
    CSpectralSpatialScanData cells;
    EXPECT_LT(sizeof(spatial), 4096U);
    EXPECT_LT(sizeof(cells), 4096U);
    EXPECT_EQ(spatial.GetFactor(1, 1), 0.0F);
    int32_t out = 0;
    EXPECT_FALSE(spatial.GetCompensatedCellValue(55, 1, 1, out)); // no mediator: no factors
    EXPECT_EQ(out, 55);
    EXPECT_TRUE(spatial.m_CorrectionFactors.empty());
}

} // namespace
} // namespace orv::test
