#include "core/QException.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QExportTextSink.h"
#include "project/QSpectralScanDataExporter.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/project/support/ExportFixture.h"
#include "tests/project/support/FileSizeLimit.h"
#include "tests/scandata/support/ScanDataFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <locale>

namespace orv::test {
namespace {

using orv::testing::LogCapture;
using orv::testing::ScanCorrectionFolder;

// The common header of the fixture's scans, then the spectral kind header.
std::vector<std::string> Header(const std::string& range, const std::string& points, const std::string& unit,
                                bool compensated = false) {
    return CommonExportHeader(range, points, compensated) +
           std::vector<std::string>{"AmplitudeUnits: " + unit, "ExportType: Spectral"};
}

const std::string kColumns = "    Row, Column,    Frequency, Amplitude";

class SpectralScanExportTest : public ::testing::Test {
protected:
    std::unique_ptr<QNodeMediator> Spectral(float attenuation,
                                            std::vector<QMeasuredFrequencyData::Entry> peaks = {}) {
        std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpectralScanNode);
        node->SetLabel("  Board A ");
        QSpectralScanAddition addition;
        addition.m_Record = ExportFixture::Record(1);
        addition.m_Record.m_TailValue = attenuation;
        addition.m_Markers = {{0, 1}, {1, 2}};
        addition.m_HasPoints = true;
        addition.m_MirtPoints = {{-50, 0, 1}, {123, 1, 2}, {456, 1, 0}};
        addition.m_MeasuredFrequencies = std::move(peaks);
        EXPECT_TRUE(node->AddSpectralScanData(std::move(addition), false, false));
        return node;
    }

    std::string Export(QNodeMediator& node, int32_t scanID = 1) {
        QSpectralScanDataExporter exporter;
        return m_fixture.Export(exporter, node, scanID);
    }

    ExportFixture m_fixture;
};

TEST_F(SpectralScanExportTest, ASpectralScanInDbuvAndInDbmWithAttenuation) {
    std::unique_ptr<QNodeMediator> node = Spectral(0.0F);
    EXPECT_EQ(Export(*node),
              CrLf(Header("-5.00 to 45.60", "2 cells, 3 points", "dBuV") +
                   std::vector<std::string>{"", kColumns, "      0,      1,   100.000000,      -5.0",
                                            "      1,      2,   200.000000,      12.3",
                                            "      1,      0,   300.000000,      45.6"}));

    std::unique_ptr<QNodeMediator> dbm = Spectral(2.5F);
    dbm->GetSpectralDisplayOptions()->m_modeA = 2;
    EXPECT_EQ(Export(*dbm),
              CrLf(Header("-109.50 to -58.90", "2 cells, 3 points", "dBm") +
                   std::vector<std::string>{"", kColumns, "      0,      1,   100.000000,    -109.5",
                                            "      1,      2,   200.000000,     -92.2",
                                            "      1,      0,   300.000000,     -58.9"}));
}

TEST_F(SpectralScanExportTest, AllPeaksInListOrderWithTheirStoredFrequencies) {
    std::unique_ptr<QNodeMediator> node = Spectral(0.0F, {{2, 299.5F}, {0, 101.25F}, {7, 250.0F}});
    node->GetScanOptions()->SetExportAllPeaks(true);
    // A peak past the stored points: amplitude 0 at row and column 0.
    EXPECT_EQ(Export(*node), CrLf(Header("-5.00 to 45.60", "2 cells, 3 points", "dBuV") +
                                  std::vector<std::string>{"", "          All Peaks Data", "", kColumns,
                                                           "      1,      0,   299.500000,      45.6",
                                                           "      0,      1,   101.250000,      -5.0",
                                                           "      0,      0,   250.000000,       0.0"}));
}

TEST_F(SpectralScanExportTest, AnEmptyPeakListOrAScanWithoutPointsGivesTheColumnLineOnly) {
    std::unique_ptr<QNodeMediator> node = Spectral(0.0F);
    node->GetScanOptions()->SetExportAllPeaks(true);
    const std::string text = Export(*node);
    EXPECT_TRUE(text.ends_with(CrLf({"ExportType: Spectral", "", "          All Peaks Data", "", kColumns})));

    std::unique_ptr<QNodeMediator> empty = m_fixture.Make(kTypeSpectralScanNode);
    empty->SetLabel("Board A");
    QSpectralScanAddition addition;
    addition.m_Record = ExportFixture::Record(1);
    addition.m_HasPoints = true;
    ASSERT_TRUE(empty->AddSpectralScanData(std::move(addition), false, false));
    EXPECT_TRUE(Export(*empty).ends_with(CrLf({"ExportType: Spectral", "", kColumns})));
}

TEST_F(SpectralScanExportTest, APlusModelSpectralScanExportsItsMaximumRecords) {
    std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpectralScanNode);
    node->SetLabel("Board A");
    QSpectralScanAddition addition;
    addition.m_Record = ExportFixture::Record(1);
    addition.m_Record.m_IsZeltData = 1;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 101.0F;
    addition.m_Record.m_ResolutionBandwidth = 0.5F;
    addition.m_HasPoints = true;
    addition.m_ZeltPoints = {{12.5F, 2, 1, 0, 0}, {-30.25F, 0, 0, 1, 1}, {100.0F, 1, 1, 0, 1}};
    ASSERT_TRUE(node->AddSpectralScanData(std::move(addition), false, false));
    const std::string text = Export(*node);
    EXPECT_TRUE(text.ends_with(
        CrLf({"ExportType: Spectral", "", kColumns, "      2,      1,   100.000000,       1.2",
              "      0,      0,   100.500000,      -3.0", "      1,      1,   101.000000,      10.0"})))
        << text;
}

TEST_F(SpectralScanExportTest, SpectralSpatialAndHandHeldScansExportTheirMaxHoldSpectrum) {
    for (uint16_t kind : {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode}) {
        SCOPED_TRACE(kind);
        std::unique_ptr<QNodeMediator> node = m_fixture.Make(kind);
        node->SetLabel("Board A");
        const std::vector<std::pair<std::pair<uint16_t, uint16_t>, std::vector<int16_t>>> cells = {
            {{0, 0}, {10, 50, -20}}, {{1, 2}, {30, 40, -10}}};
        for (uint32_t k = 0; k < cells.size(); ++k) {
            QCellAddition cell;
            cell.m_Record = ExportFixture::Record(1);
            cell.m_CellIndex = k + 1;
            cell.m_CellCount = 2;
            cell.m_CellWord1 = cells[k].first.first;
            cell.m_CellWord2 = cells[k].first.second;
            cell.m_HasValues = true;
            cell.m_Values = cells[k].second;
            if (kind == kTypeHandHeldProbeScanNode) {
                ASSERT_TRUE(node->AddHandHeldProbeScanData(std::move(cell), false));
            } else {
                ASSERT_TRUE(node->AddSpectralSpatialScanData(std::move(cell), false));
            }
        }
        const std::vector<std::string> header = Header("-1.00 to 5.00", "2 cells, 3 points", "dBuV");
        EXPECT_EQ(Export(*node), CrLf(header + std::vector<std::string>{
                                                   "", kColumns, "      1,      2,   100.000000,     3.000",
                                                   "      0,      0,   200.000000,     5.000",
                                                   "      1,      2,   300.000000,    -1.000"}));
        // Peak lines: the peak's point at start + point x step, one decimal.
        CSpectralSpatialScanData* scan = kind == kTypeHandHeldProbeScanNode
                                             ? node->FindHandHeldProbeScanData(1)
                                             : node->FindSpectralSpatialScanData(1);
        ASSERT_NE(scan, nullptr);
        scan->SetMeasuredFrequencies({{1, 201.0F}, {5, 250.0F}});
        node->GetScanOptions()->SetExportAllPeaks(true);
        EXPECT_EQ(Export(*node),
                  CrLf(header + std::vector<std::string>{"", "          All Peaks Data", "", kColumns,
                                                         "      0,      0,   200.000000,       5.0",
                                                         "      0,      0,   600.000000,       0.0"}));
    }
}

TEST_F(SpectralScanExportTest, APlusModelSpectralSpatialScanTakesTheFirstStrongestSubCell) {
    std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpectralSpatialScanNode);
    node->SetLabel("Board A");
    struct Cell {
        std::array<uint16_t, 4> words;
        std::vector<float> values;
    };
    const std::vector<Cell> cells = {{{0, 0, 0, 0}, {5.0F, 7.0F, -1000000.0F}},
                                     {{1, 2, 0, 0}, {9.0F, 7.0F, -1000000.0F}}};
    for (uint32_t k = 0; k < cells.size(); ++k) {
        QCellAddition cell;
        cell.m_Record = ExportFixture::Record(1);
        cell.m_Record.m_IsZeltData = 1;
        cell.m_Record.m_ZeltLevel = 0;
        cell.m_Record.m_ResolutionBandwidth = 0.5F;
        cell.m_CellIndex = k + 1;
        cell.m_CellCount = 2;
        cell.m_CellWord1 = cells[k].words[0];
        cell.m_CellWord2 = cells[k].words[1];
        cell.m_HasValues = true;
        cell.m_ZeltWords = cells[k].words;
        cell.m_ZeltValues = cells[k].values;
        ASSERT_TRUE(node->AddSpectralSpatialScanData(std::move(cell), false));
    }
    const std::string text = Export(*node);
    EXPECT_TRUE(text.ends_with(CrLf({"ExportType: Spectral", "", "Zelt+ level: 1",
                                     "    Row, Column, SubRow, SubCol,    Frequency,    Amplitude",
                                     "      1,      2,      0,      0,   100.000000,     0.900000",
                                     "      0,      0,      0,      0,   100.500000,     0.700000",
                                     "      0,      0,      0,      0,   101.000000,     0.000000"})))
        << text;
}

TEST_F(SpectralScanExportTest, CompensationSwitchAndCorrectionDataDecideTheUnitAndTheValues) {
    ScanCorrectionFolder folder;
    QSpectralDisplayOptions* preferences = m_fixture.Preferences().GetSpectralDisplayOptions();
    preferences->m_modeD = 0;
    struct Case {
        const char* name;
        bool switchOn;
        const char* setName;
        bool compensated;
    };
    for (const Case& c : {Case{"on with data", true, ScanCorrectionFolder::kHead, true},
                          Case{"on without data", true, "NoSuchHead", false},
                          Case{"off", false, ScanCorrectionFolder::kHead, false}}) {
        SCOPED_TRACE(c.name);
        preferences->m_switch4 = c.switchOn ? 1 : 0;
        preferences->m_text = c.setName;
        std::unique_ptr<QNodeMediator> node = Spectral(0.0F);
        node->GetSpectralDisplayOptions()->m_modeA = 2;
        const std::string text = Export(*node);
        EXPECT_NE(text.find(c.compensated
                                ? "Data Compensation: Compensated Data\r\nAmplitudeUnits: dBuA/m\r\n"
                                : "Data Compensation: Uncompensated Data\r\nAmplitudeUnits: dBm\r\n"),
                  std::string::npos)
            << text;
        // Point 0 lies at 100 MHz in cell 1 of the head: factor 1.1 raises -50 by 11 (converted as dBm).
        EXPECT_NE(text.find(c.compensated ? "      0,      1,   100.000000,    -110.9\r\n"
                                          : "      0,      1,   100.000000,    -112.0\r\n"),
                  std::string::npos)
            << text;
    }
}

TEST_F(SpectralScanExportTest, HeaderLinesAreTrimmedAndKeptOnOneLine) {
    const std::string path = m_fixture.Path("header.txt");
    {
        QExportTextSink sink(path);
        QScanDataExporter::WriteHeaderLine("  Key\t", "  value  ", sink);
        QScanDataExporter::WriteHeaderLine("Empty", "", sink);
        QScanDataExporter::WriteHeaderLine("Note", "first\r\nsecond\nthird ", sink);
        sink.Close();
    }
    EXPECT_EQ(ExportFixture::ReadFile(path), CrLf({"Key: value", "Empty: ", "Note: first  second third"}));
}

TEST_F(SpectralScanExportTest, TheUsersLocaleChangesNoByte) {
    std::unique_ptr<QNodeMediator> node = Spectral(2.5F);
    const std::string plain = Export(*node);
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const std::string german = Export(*node);
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(german, plain);
    EXPECT_NE(plain.find("LevelRange: -2.50 to 48.10"), std::string::npos);
}

TEST_F(SpectralScanExportTest, AWriteThatFailsPartWayKeepsTheEarlierFileAndLogsNoTime) {
    std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpectralScanNode);
    QSpectralScanAddition addition;
    addition.m_Record = ExportFixture::Record(1);
    addition.m_HasPoints = true;
    addition.m_MirtPoints.assign(200000, QSpectralPoint{100, 1, 1});
    ASSERT_TRUE(node->AddSpectralScanData(std::move(addition), false, false));
    const std::string path = m_fixture.Path("export.txt");
    {
        std::ofstream earlier(path, std::ios::binary);
        earlier << "earlier export";
    }
    LogCapture log;
    {
        FileSizeLimit limit(100000);
        QSpectralScanDataExporter exporter;
        QExportTextSink sink(path);
        EXPECT_THROW(exporter.ExportScan(*node, sink, 1, path), QException);
    }
    EXPECT_EQ(ExportFixture::ReadFile(path), "earlier export");
    EXPECT_EQ(m_fixture.Listing(), std::vector<std::string>{"export.txt"});
    EXPECT_EQ(log.Count("Time Taken in exporting = 0"), 0);
    for (const std::string& line : log.Lines()) {
        EXPECT_EQ(line.find("Time Taken in exporting"), std::string::npos) << line;
    }

    // A whole run logs its time.
    Export(*node);
    bool logged = false;
    for (const std::string& line : log.Lines()) {
        logged = logged || line.find("Time Taken in exporting = ") != std::string::npos;
    }
    EXPECT_TRUE(logged);
}

} // namespace
} // namespace orv::test
