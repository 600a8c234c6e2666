#include "core/QException.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/ScriptedPrompt.h"
#include "platform/ui/WaitCursor.h"
#include "project/QExportFileChooser.h"
#include "project/QExportTextSink.h"
#include "project/QScanDataExportCommand.h"
#include "project/QSpatialScanDataExporter.h"
#include "project/QSpectralScanDataExporter.h"
#include "scandata/CSpatialScanData.h"
#include "tests/project/support/ExportFixture.h"
#include "tests/project/support/FileSizeLimit.h"
#include "tests/scandata/support/ScanDataFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace orv::test {
namespace {

using orv::testing::LogCapture;

const std::vector<std::string> kFixedHeader = {
    "PCBNFFF-DVT",        "QZV-TRELLOBOX",      "Sample:QZV-Nov1",          "NF Field:H",
    "RowCount: 2",        "ColumnCount: 3",     "RowSpacing(mm):7.5",       "ColSpacing(mm):7.5",
    "PCBSizeX(mm): 50.1", "PCBSizeY(mm): 60.2", "Scanplane Spacing(mm): 2", "PCB Layers:6",
    "Data Format: Normal"};

struct SubRecord {
    int16_t row;
    int16_t column;
    int16_t subRow;
    int16_t subColumn;
    float value;
};

std::vector<uint8_t> RecordBytes(const std::vector<SubRecord>& records) {
    std::vector<uint8_t> bytes;
    for (const SubRecord& record : records) {
        uint8_t raw[12];
        std::memcpy(raw, &record.row, 2);
        std::memcpy(raw + 2, &record.column, 2);
        std::memcpy(raw + 4, &record.subRow, 2);
        std::memcpy(raw + 6, &record.subColumn, 2);
        std::memcpy(raw + 8, &record.value, 4);
        bytes.insert(bytes.end(), raw, raw + 12);
    }
    return bytes;
}

struct Cell {
    std::array<uint16_t, 4> words;
    std::vector<int16_t> levels;
    std::vector<float> values;
};

class SpatialScanExportTest : public ::testing::Test {
protected:
    std::unique_ptr<QNodeMediator> Spatial(std::vector<int16_t> values,
                                           std::array<uint8_t, 2> bytes = {0, 0}) {
        std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpatialScanNode);
        node->SetLabel("Board A");
        QSpatialScanAddition addition;
        addition.m_Record = ExportFixture::Record(1);
        addition.m_Record.m_SpatialBytes = bytes;
        addition.m_Values = std::move(values);
        EXPECT_TRUE(node->AddSpatialScanData(std::move(addition), false, false));
        return node;
    }

    std::unique_ptr<QNodeMediator> SubCellSpatial(uint16_t rows, uint16_t columns, uint8_t level,
                                                  const std::vector<SubRecord>& records,
                                                  std::array<uint8_t, 2> bytes = {0, 0}) {
        std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpatialScanNode);
        node->SetLabel("Board A");
        QSpatialScanAddition addition;
        addition.m_Record = ExportFixture::Record(1);
        addition.m_Record.m_Rows = rows;
        addition.m_Record.m_Columns = columns;
        addition.m_Record.m_IsZeltData = 1;
        addition.m_Record.m_ZeltLevel = level;
        addition.m_Record.m_SpatialBytes = bytes;
        addition.m_ZeltRecords = RecordBytes(records);
        EXPECT_TRUE(node->AddSpatialScanData(std::move(addition), false, false));
        return node;
    }

    std::unique_ptr<QNodeMediator> Cells(uint16_t kind, const std::vector<Cell>& cells, bool subCells = false,
                                         uint8_t level = 0, float attenuation = 0.0F) {
        std::unique_ptr<QNodeMediator> node = m_fixture.Make(kind);
        node->SetLabel("Board A");
        for (uint32_t k = 0; k < cells.size(); ++k) {
            QCellAddition cell;
            cell.m_Record = ExportFixture::Record(1);
            cell.m_Record.m_TailValue = attenuation;
            cell.m_Record.m_ResolutionBandwidth = 0.5F;
            cell.m_Record.m_IsZeltData = subCells ? 1 : 0;
            cell.m_Record.m_ZeltLevel = level;
            cell.m_CellIndex = k + 1;
            cell.m_CellCount = static_cast<uint32_t>(cells.size());
            cell.m_CellWord1 = cells[k].words[0];
            cell.m_CellWord2 = cells[k].words[1];
            cell.m_HasValues = true;
            cell.m_Values = cells[k].levels;
            cell.m_ZeltWords = cells[k].words;
            cell.m_ZeltValues = cells[k].values;
            const bool added = kind == kTypeHandHeldProbeScanNode
                                   ? node->AddHandHeldProbeScanData(std::move(cell), false)
                                   : node->AddSpectralSpatialScanData(std::move(cell), false);
            EXPECT_TRUE(added);
        }
        return node;
    }

    std::string Export(QNodeMediator& node, int32_t scanID = 1) {
        QSpatialScanDataExporter exporter;
        return m_fixture.Export(exporter, node, scanID);
    }

    ExportFixture m_fixture;
};

TEST_F(SpatialScanExportTest, AnOrdinarySpatialScanWritesEveryCellTheUnselectedOneAsZero) {
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 30000, 6});
    EXPECT_EQ(
        Export(*node),
        CrLf(CommonExportHeader("0.10 to 0.60", "5 cells") +
             std::vector<std::string>{
                 "AmplitudeUnits: dBuV", "ExportType: Spatial", "RowCount: 2", "ColumnCount: 3",
                 "Interleaved Spatial Scan: No", "Data:", "    Row, Column,    Frequency, Amplitude",
                 "      0,      0,   200.000000,       0.1", "      0,      1,   200.000000,       0.2",
                 "      0,      2,   200.000000,       0.3", "      1,      0,   200.000000,       0.4",
                 "      1,      1,     0.000000,       0.0", "      1,      2,   200.000000,       0.6"}));
}

TEST_F(SpatialScanExportTest, AStitchedScanOfTheWholeCanvasWritesEveryCellOfItsGrid) {
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 5, 6});
    std::unique_ptr<CSpatialScanData> stitched = node->GetSpatialScanData(1)->Clone();
    stitched->SetProbeScanPatternSize(116, 168);
    stitched->m_Values.assign(116U * 168U, 123);
    stitched->m_Values[0] = CScanData::kNoValue;
    stitched->m_Prepared = 0;
    const int32_t scanID = node->AddMadeSpatialScanData(std::move(stitched));
    const std::string text = Export(*node, scanID);
    EXPECT_NE(text.find("RowCount: 116\r\nColumnCount: 168\r\n"), std::string::npos);
    EXPECT_NE(text.find("      0,      0,     0.000000,       0.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("     64,    100,   200.000000,      12.3\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("    115,    167,   200.000000,      12.3\r\n"))
        << text.substr(text.size() - 200);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              static_cast<std::ptrdiff_t>(std::count(text.begin(), text.find("Data:") + text.begin(), '\n') +
                                          2 + 116 * 168));
}

TEST_F(SpatialScanExportTest, TheSpatialSwitchCompensatesEachCellWithItsFactor) {
    orv::testing::ScanCorrectionFolder folder;
    QSpectralDisplayOptions* spectral = m_fixture.Preferences().GetSpectralDisplayOptions();
    spectral->m_modeD = 0;
    spectral->m_text = orv::testing::ScanCorrectionFolder::kHead;
    m_fixture.Preferences().GetSpatialDisplayOptions()->m_flag8 = 1;
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 30000, 6});
    const std::string text = Export(*node);
    // At 200 MHz cell k of the head has factor 2.0 + 0.1 k: 1 becomes 21, 6 (cell 5) becomes 31.
    EXPECT_NE(text.find("      0,      0,   200.000000,       2.1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("      1,      2,   200.000000,       3.1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("      1,      1,     0.000000,       0.0\r\n"), std::string::npos) << text;
}

TEST_F(SpatialScanExportTest, APlusModelSpatialScanWritesTheSubCellsOfSelectedCells) {
    // Cell (0, 1) holds no record: unselected, no lines. Sub-cell (1, 0) no record filled: 0.
    std::unique_ptr<QNodeMediator> node =
        SubCellSpatial(1, 2, 1, {{0, 0, 0, 0, 10.0F}, {0, 0, 1, 1, 20.5F}, {0, 0, 0, 1, -5.0F}}, {0, 1});
    const std::string text = Export(*node);
    EXPECT_TRUE(text.ends_with(
        CrLf({"ExportType: Spatial", "RowCount: 1", "ColumnCount: 2", "Interleaved Spatial Scan: Yes",
              "Data:", "    Row, Column, SubRow,SubColumn,    Frequency, Amplitude",
              "      0,      0,      0,        0,   200.000000,      1.00",
              "      0,      0,      0,        1,   200.000000,     -0.50",
              "      0,      0,      1,        0,   200.000000,      0.00",
              "      0,      0,      1,        1,   200.000000,      2.00"})))
        << text;
    EXPECT_NE(text.find("LevelRange: -0.50 to 2.05\r\n"), std::string::npos) << text;
}

TEST_F(SpatialScanExportTest, TheInterleavedLineFollowsTheMarkerOfTheScansForm) {
    struct Case {
        bool subCells;
        std::array<uint8_t, 2> bytes;
        const char* line;
    };
    for (const Case& c : {Case{false, {1, 0}, "Yes"}, Case{false, {0, 1}, "No"}, Case{true, {0, 1}, "Yes"},
                          Case{true, {1, 0}, "No"}}) {
        SCOPED_TRACE(::testing::Message() << c.subCells << int(c.bytes[0]) << int(c.bytes[1]));
        std::unique_ptr<QNodeMediator> node = c.subCells
                                                  ? SubCellSpatial(1, 1, 0, {{0, 0, 0, 0, 1.0F}}, c.bytes)
                                                  : Spatial({1, 2, 3, 4, 5, 6}, c.bytes);
        EXPECT_NE(Export(*node).find(std::string("Interleaved Spatial Scan: ") + c.line + "\r\n"),
                  std::string::npos);
    }
}

TEST_F(SpatialScanExportTest, AnOrdinaryFieldDataExportWritesABlockPerFrequencyPoint) {
    std::unique_ptr<QNodeMediator> node =
        Cells(kTypeSpectralSpatialScanNode, {{{0, 0, 0, 0}, {10, 20}, {}}, {{1, 2, 0, 0}, {30, -40}, {}}},
              false, 0, 2.7F);
    const std::string columns = "Row#,Col#,   Frequency(MHz),Hx-dBuA/m,Hy-dBuA/m,Hx-deg,Hy-deg";
    EXPECT_EQ(Export(*node),
              CrLf(kFixedHeader + std::vector<std::string>{
                                      columns, "0,0,   100.000000,    3.000", "0,1,   0.000000,    0.000",
                                      "0,2,   0.000000,    0.000", "1,0,   0.000000,    0.000",
                                      "1,1,   0.000000,    0.000", "1,2,   100.000000,    5.000", columns,
                                      "0,0,   300.000000,    4.000", "0,1,   0.000000,    0.000",
                                      "0,2,   0.000000,    0.000", "1,0,   0.000000,    0.000",
                                      "1,1,   0.000000,    0.000", "1,2,   300.000000,    -2.000"}));
}

TEST_F(SpatialScanExportTest, PlusModelFieldDataAtLevelsZeroAndOne) {
    const std::string columns = "Row,Column,SubRow,SubColumn,Hx-dBuA/m,Hy-dBuA/m,Hx-deg,Hy-deg";
    std::unique_ptr<QNodeMediator> level0 =
        Cells(kTypeSpectralSpatialScanNode,
              {{{0, 0, 0, 0}, {}, {1.0F, 2.0F}}, {{1, 2, 0, 0}, {}, {3.0F, 4.0F}}}, true, 0);
    EXPECT_EQ(Export(*level0),
              CrLf(kFixedHeader + std::vector<std::string>{
                                      "Number of Selected Probes 2", "Level 1",
                                      "Number of Sub-Probes per Selected Probe 1", "Total Number of Scans 2",
                                      "RBW 0.5", "Start Frequency 100", "Stop Frequency 300",
                                      "Number of Frequency Buckets per Scan 2", "Attenuation 0", "",
                                      "100.000000 == Frequency (MHz),  Bin #1 of 2 Frequency bins total",
                                      columns, "0,0,0,0,0.100000", "1,2,0,0,0.300000",
                                      "100.500000 == Frequency (MHz),  Bin #2 of 2 Frequency bins total",
                                      columns, "0,0,0,0,0.200000", "1,2,0,0,0.400000"}));

    std::unique_ptr<QNodeMediator> level1 =
        Cells(kTypeSpectralSpatialScanNode, {{{0, 0, 0, 0}, {}, {5.0F}}, {{0, 0, 1, 1}, {}, {7.0F}}}, true, 1,
              3.9F);
    const std::string text = Export(*level1);
    EXPECT_TRUE(text.ends_with(
        CrLf({"Number of Selected Probes 1", "Level 2", "Number of Sub-Probes per Selected Probe 4",
              "Total Number of Scans 2", "RBW 0.5", "Start Frequency 100", "Stop Frequency 300",
              "Number of Frequency Buckets per Scan 1", "Attenuation 3", "",
              "100.000000 == Frequency (MHz),  Bin #1 of 1 Frequency bins total", columns, "0,0,0,0,3.500000",
              "0,0,0,1,0.000000", "0,0,1,0,0.000000", "0,0,1,1,3.700000"})))
        << text;
}

TEST_F(SpatialScanExportTest, AHandHeldScanExportedSpatiallyWritesOnlyTheFieldData) {
    std::unique_ptr<QNodeMediator> node =
        Cells(kTypeHandHeldProbeScanNode, {{{0, 0, 0, 0}, {10}, {}}, {{1, 2, 0, 0}, {30}, {}}});
    const std::string text = Export(*node);
    EXPECT_TRUE(text.starts_with("PCBNFFF-DVT\r\n")) << text;
    EXPECT_EQ(text.find("NodeName"), std::string::npos);
    EXPECT_EQ(text.find("ExportType"), std::string::npos);
}

TEST_F(SpatialScanExportTest, CorruptScanDataIsWrittenOnlyWithinItsTables) {
    LogCapture log;
    // Records outside the grid and a sub-row past 2 at level 1 are skipped and logged.
    std::unique_ptr<QNodeMediator> outside = SubCellSpatial(
        1, 1, 1, {{0, 0, 0, 0, 10.0F}, {5, 0, 0, 0, 1.0F}, {0, 0, 2, 0, 2.0F}, {-1, 0, 0, 0, 3.0F}});
    const std::string text = Export(*outside);
    EXPECT_TRUE(text.ends_with(CrLf({"      0,      0,      0,        0,   200.000000,      1.00",
                                     "      0,      0,      0,        1,   200.000000,      0.00",
                                     "      0,      0,      1,        0,   200.000000,      0.00",
                                     "      0,      0,      1,        1,   200.000000,      0.00"})))
        << text;
    EXPECT_EQ(log.Count("Export: 3 sub-cell records outside the scan's grid were not exported."), 1);

    // An empty record buffer: nothing selected, the column line only.
    std::unique_ptr<QNodeMediator> empty = SubCellSpatial(2, 2, 1, {});
    EXPECT_TRUE(Export(*empty).ends_with(
        CrLf({"Data:", "    Row, Column, SubRow,SubColumn,    Frequency, Amplitude"})));

    // Levels no record carries fail the export before anything replaces the file.
    for (uint8_t level : {uint8_t{0xFF}, uint8_t{30}}) {
        SCOPED_TRACE(int(level));
        std::unique_ptr<QNodeMediator> spatial = SubCellSpatial(1, 1, level, {{0, 0, 0, 0, 1.0F}});
        EXPECT_THROW(Export(*spatial), QException);
        std::unique_ptr<QNodeMediator> cells =
            Cells(kTypeSpectralSpatialScanNode, {{{0, 0, 0, 0}, {}, {1.0F}}}, true, level);
        EXPECT_THROW(Export(*cells), QException);
    }

    // A cell in row 64 lies outside the field-data table; a record with fewer values than points
    // gives way to the earlier record that has the point.
    std::unique_ptr<QNodeMediator> rows =
        Cells(kTypeSpectralSpatialScanNode,
              {{{0, 0, 0, 0}, {10, 20}, {}}, {{64, 0, 0, 0}, {50, 60}, {}}, {{0, 0, 0, 0}, {70}, {}}});
    const std::string field = Export(*rows);
    EXPECT_NE(field.find("0,0,   100.000000,    7.000\r\n"), std::string::npos) << field;
    EXPECT_NE(field.find("0,0,   300.000000,    2.000\r\n"), std::string::npos) << field;
    EXPECT_EQ(log.Count("Export: 1 cell records outside the scan's grid were not exported."), 1);
}

// --- The export command ---

class ScriptedChooser final : public QExportFileChooser {
public:
    std::optional<std::string> ChooseSaveFile(const QExportFileRequest& request) override {
        m_requests.push_back(request);
        return m_answer;
    }
    std::optional<std::string> m_answer;
    std::vector<QExportFileRequest> m_requests;
};

class CountingCursor final : public WaitCursor {
public:
    void Show() override { ++m_shown; }
    void Hide() override { ++m_hidden; }
    int m_shown = 0;
    int m_hidden = 0;
};

class ExportCommandTest : public SpatialScanExportTest {
protected:
    ExportCommandTest()
        : m_prompt(std::make_shared<ScriptedPrompt>()), m_promptInstall(m_prompt),
          m_chooser(std::make_shared<ScriptedChooser>()), m_cursor(std::make_shared<CountingCursor>()) {
        m_previousChooser = InstallExportFileChooser(m_chooser);
        m_previousCursor = InstallWaitCursor(m_cursor);
    }
    ~ExportCommandTest() override {
        InstallExportFileChooser(m_previousChooser);
        InstallWaitCursor(m_previousCursor);
    }

    std::shared_ptr<ScriptedPrompt> m_prompt;
    ScopedPromptInstall m_promptInstall;
    std::shared_ptr<ScriptedChooser> m_chooser;
    std::shared_ptr<CountingCursor> m_cursor;
    std::shared_ptr<QExportFileChooser> m_previousChooser;
    std::shared_ptr<WaitCursor> m_previousCursor;
};

TEST_F(ExportCommandTest, CancellingWritesAndShowsNothing) {
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 5, 6});
    node->ExportSpatial();
    ASSERT_EQ(m_chooser->m_requests.size(), 1U);
    const QExportFileRequest& request = m_chooser->m_requests[0];
    EXPECT_EQ(request.m_Title, "Export Scan Data");
    EXPECT_EQ(request.m_Filter, "Orvilant Projects Export File(*.txt)|*.txt|");
    EXPECT_EQ(request.m_DefaultExtension, "txt");
    EXPECT_EQ(request.m_InitialName, "");
    EXPECT_TRUE(request.m_ConfirmOverwrite);
    EXPECT_TRUE(m_fixture.Listing().empty());
    EXPECT_TRUE(m_prompt->Requests().empty());
    EXPECT_EQ(m_cursor->m_shown, 0);
    EXPECT_EQ(GetWaitCursorCount(), 0U);
}

TEST_F(ExportCommandTest, IdZeroExportsTheNewestScanUnderOneWaitCursorCount) {
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 5, 6});
    QSpatialScanAddition second;
    second.m_Record = ExportFixture::Record(2);
    second.m_Record.m_Texts[3] = "2026-12-11,  08:00:00";
    second.m_Values = {7, 7, 7, 7, 7, 7};
    ASSERT_TRUE(node->AddSpatialScanData(std::move(second), false, false));
    m_chooser->m_answer = m_fixture.Path("newest.txt");
    node->ExportSpatial();
    const std::string text = ExportFixture::ReadFile(m_fixture.Path("newest.txt"));
    EXPECT_NE(text.find("Date: 2026-12-11,  08:00:00\r\n"), std::string::npos) << text;
    EXPECT_EQ(m_cursor->m_shown, 1);
    EXPECT_EQ(m_cursor->m_hidden, 1);
    EXPECT_EQ(GetWaitCursorCount(), 0U);
    EXPECT_TRUE(m_prompt->Requests().empty());

    // An ID given: that scan.
    m_chooser->m_answer = m_fixture.Path("first.txt");
    node->ExportSpectralTo(1);
    EXPECT_NE(ExportFixture::ReadFile(m_fixture.Path("first.txt")).find("Date: 2026-12-10,  07:01:02\r\n"),
              std::string::npos);
}

TEST_F(ExportCommandTest, WithoutAScanOfItsKindTheUserIsToldAndNoDialogOpens) {
    std::unique_ptr<QNodeMediator> empty = m_fixture.Make(kTypeSpatialScanNode);
    std::unique_ptr<QNodeMediator> comparison = m_fixture.Make(kTypeSpectralComparisonNode);
    std::unique_ptr<QNodeMediator> spectral = m_fixture.Make(kTypeSpectralScanNode);
    QSpectralScanAddition addition;
    addition.m_Record = ExportFixture::Record(1);
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {{1, 0, 0}};
    ASSERT_TRUE(spectral->AddSpectralScanData(std::move(addition), false, false));
    std::unique_ptr<QNodeMediator> spatial = Spatial({1, 2, 3, 4, 5, 6});

    empty->ExportSpatial();
    comparison->ExportSpectral();
    spectral->ExportSpatial(); // a spectral scan has no spatial export
    spatial->ExportSpatialTo(9);
    EXPECT_TRUE(m_chooser->m_requests.empty());
    const std::vector<PromptRequest> requests = m_prompt->Requests();
    ASSERT_EQ(requests.size(), 4U);
    for (const PromptRequest& request : requests) {
        EXPECT_EQ(request.text, "There is no scan data to export.");
        EXPECT_EQ(request.caption, "Export Scan Data");
        EXPECT_EQ(request.icon, PromptIcon::Information);
    }
    EXPECT_EQ(GetWaitCursorCount(), 0U);
}

TEST_F(ExportCommandTest, AFailedExportKeepsTheEarlierFileAndShowsTheFailure) {
    std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpatialScanNode);
    QSpatialScanAddition addition;
    addition.m_Record = ExportFixture::Record(1);
    addition.m_Record.m_Rows = 60;
    addition.m_Record.m_Columns = 60;
    addition.m_Values.assign(3600, 5);
    ASSERT_TRUE(node->AddSpatialScanData(std::move(addition), false, false));
    const std::string path = m_fixture.Path("kept.txt");
    {
        std::ofstream earlier(path, std::ios::binary);
        earlier << "earlier export";
    }
    m_chooser->m_answer = path;
    {
        FileSizeLimit limit(50000);
        node->ExportSpatial();
    }
    EXPECT_EQ(ExportFixture::ReadFile(path), "earlier export");
    EXPECT_EQ(m_fixture.Listing(), std::vector<std::string>{"kept.txt"});
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    const PromptRequest request = m_prompt->Requests()[0];
    EXPECT_TRUE(request.text.starts_with("The scan data could not be exported to this file."))
        << request.text;
    EXPECT_NE(request.text.find("Error#331"), std::string::npos) << request.text;
    EXPECT_EQ(request.caption, "Export Scan Data");
    EXPECT_EQ(request.icon, PromptIcon::Warning);
    EXPECT_EQ(GetWaitCursorCount(), 0U);

    // A file that cannot be created.
    m_chooser->m_answer = m_fixture.Path("no-such-folder/export.txt");
    node->ExportSpatial();
    ASSERT_EQ(m_prompt->Requests().size(), 2U);
    EXPECT_NE(m_prompt->Requests()[1].text.find("Error#330"), std::string::npos);
    EXPECT_EQ(GetWaitCursorCount(), 0U);
}

class ThrowingExporter final : public QSpectralScanDataExporter {
public:
    explicit ThrowingExporter(int& alive) : m_alive(alive) { ++m_alive; }
    ~ThrowingExporter() override { --m_alive; }
    void WriteKindHeader(QNodeMediator& /*mediator*/, QExportTextSink& /*sink*/, int32_t /*scanID*/,
                         uint32_t /*reserved*/) override {
        throw std::runtime_error("exporter failed");
    }

private:
    int& m_alive;
};

TEST_F(ExportCommandTest, AThrowingExporterLeavesNoFileAndTheCursorRestored) {
    std::unique_ptr<QNodeMediator> node = Spatial({1, 2, 3, 4, 5, 6});
    m_chooser->m_answer = m_fixture.Path("thrown.txt");
    int alive = 0;
    {
        ThrowingExporter exporter(alive);
        RunScanDataExport(*node, exporter, 0, false);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
    EXPECT_TRUE(m_fixture.Listing().empty());
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_NE(m_prompt->Requests()[0].text.find("exporter failed"), std::string::npos);
    EXPECT_EQ(m_cursor->m_shown, 1);
    EXPECT_EQ(m_cursor->m_hidden, 1);
    EXPECT_EQ(GetWaitCursorCount(), 0U);
}

TEST_F(ExportCommandTest, TheAllPeaksGuardRestoresTheOptionAlsoWhenTheExportThrows) {
    std::unique_ptr<QNodeMediator> node = m_fixture.Make(kTypeSpectralScanNode);
    try {
        QExportAllPeaksGuard guard(*node);
        EXPECT_TRUE(node->GetScanOptions()->IsExportAllPeaks());
        throw std::runtime_error("stop");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(node->GetScanOptions()->IsExportAllPeaks());
}

} // namespace
} // namespace orv::test
