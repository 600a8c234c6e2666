// The project file over the real node model: a project made through the project window with nodes
// of every kind that carries a kind section, scans in them and overlays of every kind is saved,
// closed, opened again and saved again.

#include "project/QMediatorProjectFileModel.h"
#include "core/ByteCodec.h"
#include "core/QException.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "project/COverlayControl.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFile.h"
#include "project/QProxyNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/project/support/ByteBuilder.h"
#include "tests/project/support/FileModelMediator.h"
#include "tests/project/support/ProjectContainerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace orv::filemodeltest {
namespace {

using containertest::ProjectContainerTest;

std::unique_ptr<QNodeMediator> MakeFundamental() {
    return std::make_unique<LinkKeepingMediator>();
}

QScanDataRecord MakeRecord(int32_t id, uint16_t rows, uint16_t columns, bool zelt) {
    QScanDataRecord record;
    record.m_ScanId = id;
    record.m_Texts = {"user " + FormatC("%d", id), "analyser", "module",
                      "2026-12-10 02:40",          "head 7",   "last"};
    record.m_StartFrequency = 30.0F + static_cast<float>(id);
    record.m_StopFrequency = 1000.0F;
    record.m_CenterFrequency = 515.25F;
    record.m_ResolutionBandwidth = 0.125F;
    record.m_IsZeltData = zelt ? 1 : 0;
    record.m_ZeltLevel = zelt ? 1 : 0;
    record.m_ReferenceLevel = 47.5F;
    record.m_ValuesPerPoint = 4;
    record.m_PeakHold = 1;
    record.m_LevelOffset = -1.5F;
    record.m_Area.m_OverlayId = 21;
    record.m_Area.m_RotationCount = -1;
    record.m_Area.m_Left = 10;
    record.m_Area.m_Top = 20;
    record.m_Area.m_Right = 300;
    record.m_Area.m_Bottom = 400;
    record.m_Rows = rows;
    record.m_Columns = columns;
    return record;
}

void AddSpectral(QNodeMediator& mediator, int32_t id, bool zelt) {
    QSpectralScanAddition addition;
    addition.m_Record = MakeRecord(id, 3, 4, zelt);
    addition.m_Markers = {{0, 1}, {2, 3}};
    addition.m_HasPoints = true;
    for (uint16_t i = 0; i < 5; ++i) {
        if (zelt) {
            addition.m_ZeltPoints.push_back({static_cast<float>(i) * 1.5F - 20.0F,
                                             static_cast<uint16_t>(i % 3), static_cast<uint16_t>(i % 3 + 1),
                                             1, 0});
        } else {
            addition.m_MirtPoints.push_back({static_cast<int16_t>(i * 37 - 90), static_cast<uint16_t>(i % 3),
                                             static_cast<uint16_t>(3 - i % 3)});
        }
    }
    addition.m_MeasuredFrequencies = {{1, 100.5F}, {3, 200.25F}};
    ASSERT_TRUE(mediator.AddSpectralScanData(std::move(addition), false, false));
}

void AddSpatial(QNodeMediator& mediator, int32_t id, bool zelt) {
    QSpatialScanAddition addition;
    addition.m_Record = MakeRecord(id, 3, 4, zelt);
    if (zelt) {
        // Two 12-byte records: row, column, sub-row, sub-column, value.
        const uint8_t records[24] = {1, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0x20, 0x41,
                                     0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0xA0, 0xC0};
        addition.m_ZeltRecords.assign(std::begin(records), std::end(records));
    } else {
        for (int16_t i = 0; i < 12; ++i) {
            addition.m_Values.push_back(i % 5 == 0 ? CScanData::kNoValue : static_cast<int16_t>(i * 11 - 40));
        }
    }
    ASSERT_TRUE(mediator.AddSpatialScanData(std::move(addition), false, false));
}

// Three cells; a spectral/spatial scan gets its measured frequencies with the closing call.
void AddCells(QNodeMediator& mediator, int32_t id, bool zelt, bool handHeld) {
    for (uint32_t cell = 1; cell <= 3; ++cell) {
        QCellAddition addition;
        addition.m_CellIndex = cell;
        addition.m_CellCount = 3;
        addition.m_Record = MakeRecord(id, 3, 4, zelt);
        addition.m_CellWord1 = static_cast<uint16_t>(cell - 1);
        addition.m_CellWord2 = static_cast<uint16_t>(cell);
        addition.m_CellWord3 = static_cast<uint16_t>(-12);
        addition.m_CellValue = 250.0F;
        addition.m_HasValues = true;
        for (int i = 0; i < 4; ++i) {
            if (zelt) {
                addition.m_ZeltValues.push_back(static_cast<float>(i * static_cast<int>(cell)) - 3.25F);
            } else {
                addition.m_Values.push_back(static_cast<int16_t>(i * 10 - static_cast<int>(cell)));
            }
        }
        addition.m_ZeltWords = {static_cast<uint16_t>(cell - 1), static_cast<uint16_t>(cell), 1, 1};
        if (handHeld) {
            ASSERT_TRUE(mediator.AddHandHeldProbeScanData(std::move(addition), false));
        } else {
            ASSERT_TRUE(mediator.AddSpectralSpatialScanData(std::move(addition), false));
        }
    }
    if (!handHeld) {
        QCellAddition closing;
        closing.m_Record = MakeRecord(id, 3, 4, zelt);
        closing.m_MeasuredFrequencies = {{2, 330.0F}};
        ASSERT_TRUE(mediator.AddSpectralSpatialScanData(std::move(closing), false));
    }
}

std::string Hex(float value) {
    return FormatC("%a", static_cast<double>(value));
}

// The fields a scan holds of what the project file stores, written out from the scan data
// themselves, so that a mistake in the model's mapping in one direction shows.
std::string DescribeBase(const CScanData& scan, bool spatial) {
    std::string text = FormatC("id %u [", scan.m_ScanId) + scan.m_UserText + "|" + scan.m_AnalyzerText + "|" +
                       scan.m_ModuleText + "|" + scan.m_DateText + "|" + scan.m_ScanHeadText + "|" +
                       scan.m_ExtraText + "] ";
    if (!spatial) {
        text += Hex(scan.m_StartFrequency) + " " + Hex(scan.m_StopFrequency) + " ";
    }
    const CScanAreaRecord& area = scan.GetScanArea();
    text +=
        Hex(scan.m_CenterFrequency) + " " + Hex(scan.m_ResolutionBandwidth) + " " +
        Hex(scan.m_ReferenceLevel) + " " + Hex(scan.m_LevelOffset) +
        FormatC(" vpp %u hold %u zelt %u/%u grid %ux%u area %u %d %d %d %d %d", scan.m_ValuesPerPoint,
                scan.m_PeakHold, scan.m_IsZeltData, scan.m_ZeltLevel, scan.m_Rows, scan.m_Columns,
                area.m_OverlayId, area.m_RotationCount, area.m_Left, area.m_Top, area.m_Right, area.m_Bottom);
    return text;
}

std::string DescribeMeasured(const std::vector<QMeasuredFrequencyData::Entry>& entries) {
    std::string text = " measured";
    for (const auto& entry : entries) {
        text += FormatC(" %u:", entry.m_Index) + Hex(entry.m_Frequency);
    }
    return text;
}

std::string Describe(const CSpectralScanData& scan) {
    std::string text = DescribeBase(scan, false) + " cells";
    for (const auto& [row, column] : scan.m_ProbeCells) {
        text += FormatC(" %u,%u", row, column);
    }
    text += " points";
    for (const QSpectralPoint& point : scan.GetMirtPoints()) {
        text += FormatC(" %d@%u,%u", point.m_Amplitude, point.m_Row, point.m_Column);
    }
    for (const CFloatSpectralPoint& point : scan.GetFloatPoints()) {
        text += " " + Hex(point.m_Amplitude) +
                FormatC("@%u,%u,%u,%u", point.m_Row, point.m_Column, point.m_SubRow, point.m_SubColumn);
    }
    return text + DescribeMeasured(scan.m_MeasuredFrequencies);
}

std::string Describe(const CSpatialScanData& scan) {
    std::string text = DescribeBase(scan, true) + " values";
    for (int16_t value : scan.m_Values) {
        text += FormatC(" %d", value);
    }
    for (const CZeltSpatialRecord& record : scan.m_ZeltRecords) {
        text += FormatC(" %u,%u,%u,%u=", record.m_Row, record.m_Column, record.m_SubRow, record.m_SubColumn) +
                Hex(record.m_Value);
    }
    return text;
}

std::string Describe(const CSpectralSpatialScanData& scan) {
    std::string text = DescribeBase(scan, false) + " units";
    for (const auto& unit : scan.m_Units) {
        text += FormatC(" (%u,%u ", unit->m_Row, unit->m_Column) + Hex(unit->m_PeakFrequency) +
                FormatC(" %d w%u,%u,%u,%u:", static_cast<int>(unit->m_PeakLevel), unit->m_Words[0],
                        unit->m_Words[1], unit->m_Words[2], unit->m_Words[3]);
        for (int16_t value : unit->m_Amplitudes) {
            text += FormatC(" %d", value);
        }
        for (float value : unit->m_ZeltAmplitudes) {
            text += " " + Hex(value);
        }
        text += ")";
    }
    return text + DescribeMeasured(scan.m_MeasuredFrequencies);
}

std::string DescribeNode(QNodeMediator& mediator) {
    const uint16_t kind = mediator.GetEffectiveNode()->GetTypeID();
    std::string text = FormatC("%u %u ", kind, mediator.GetNodeID()) + mediator.GetName() + ":";
    for (int32_t id : mediator.GetScanIDs(kTypeSpectralScanNode)) {
        text += "\n  spectral " + Describe(*mediator.GetSpectralScanData(id));
    }
    for (int32_t id : mediator.GetScanIDs(kTypeSpatialScanNode)) {
        text += "\n  spatial " + Describe(*mediator.GetSpatialScanData(id));
    }
    for (int32_t id : mediator.GetScanIDs(kTypeSpectralSpatialScanNode)) {
        text += "\n  spectral/spatial " + Describe(*mediator.GetSpectralSpatialScanData(id));
    }
    for (int32_t id : mediator.GetScanIDs(kTypeHandHeldProbeScanNode)) {
        text += "\n  hand-held " + Describe(*mediator.GetHandHeldProbeScanData(id));
    }
    for (bool first : {true, false}) {
        CScanData* compared = mediator.GetComparedScan(first);
        if (auto* spectral = dynamic_cast<CSpectralScanData*>(compared)) {
            text += "\n  compared " + Describe(*spectral);
        } else if (auto* spatial = dynamic_cast<CSpatialScanData*>(compared)) {
            text += "\n  compared " + Describe(*spatial);
        } else {
            text += "\n  compared none";
        }
    }
    for (const auto& script : mediator.GetScriptDefinitions()) {
        text += "\n  script " + Hex(script.m_startFrequency) + " " + Hex(script.m_stopFrequency) + " " +
                Hex(script.m_value);
    }
    if (auto* fields = QMediatorProjectFileModel::FindFileFields(mediator)) {
        const QProjectNodeValues values = fields->GetNodeValues();
        text += FormatC("\n  values %u ", values.m_flag) + Hex(values.m_values[0]) + " " +
                Hex(values.m_values[1]) + " " + Hex(values.m_values[2]);
        text += "\n  report '" + fields->GetReportText() + "'";
    }
    for (const _ReportGeneratorDataBuffer& buffer : mediator.GetReportBuffers()) {
        text += FormatC("\n  group %d:", buffer.m_NodeId);
        for (int32_t scanID : buffer.m_ScanIds) {
            text += FormatC(" %d", scanID);
        }
    }
    if (auto* proxy = dynamic_cast<QProxyNodeMediator*>(&mediator)) {
        text += FormatC("\n  linked to %u", proxy->GetLinkedNodeID());
    }
    return text;
}

std::string DescribeProject(const QNodePairList& pairs) {
    std::string text;
    for (const QNodePair& pair : pairs) {
        text += DescribeNode(*pair.m_node) + FormatC("\n  parent %u\n", pair.m_parent->GetNodeID());
    }
    return text;
}

std::string DescribeOverlays(TfrmMainApp& app) {
    std::string text;
    for (const auto& control : app.GetOverlayControls().GetControls()) {
        text += FormatC("%u %u %u %zu %zu %zu %ux%ux%u;", control->GetSourceKind(), control->GetOverlayId(),
                        control->GetSourceFileSize(), control->GetDrawingBlob().size(),
                        control->GetPictureBytes().size(), control->GetPixels().size(),
                        control->GetPixelWidth(), control->GetPixelHeight(), control->GetBytesPerPixel());
    }
    return text;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class MediatorProjectFileTest : public ProjectContainerTest {
protected:
    std::unique_ptr<TfrmMainApp> MakeModelApp(bool noPreferences) {
        auto app = std::make_unique<TfrmMainApp>(m_frame, noPreferences,
                                                 std::make_shared<QFileSystemProjectStorageManagerFactory>(
                                                     std::make_shared<QProjectFile>(m_model)),
                                                 MakeFundamental);
        app->RegisterProjectTree(kWindow, &m_tree);
        return app;
    }

    std::string ProjectFile() const { return m_repository + "/Data/Untitled/Untitled"; }
    std::string LastPrompt() const { return m_prompt->Texts().empty() ? "" : m_prompt->Texts().back(); }

    QNodeMediator* Add(TfrmProjectView& view, QNodeMediator* parent, uint16_t kind) {
        return view.AddNode(parent != nullptr ? m_tree.Find(parent) : m_tree.GetRootItem(), CViewTree::kLast,
                            kind);
    }

    // A project with one node of every kind that has a kind section, scans of both data forms in the
    // scan kinds, a reference node linked to the spectral node and overlays of every kind.
    void BuildProject(TfrmMainApp& app) {
        TfrmProjectView& view = *app.GetOpenProject();
        QNodeMediator* module = Add(view, nullptr, kTypeModuleNode);
        QNodeMediator* spectral = Add(view, module, kTypeSpectralScanNode);
        AddSpectral(*spectral, 1, false);
        AddSpectral(*spectral, 2, true);
        QNodeMediator* spatial = Add(view, module, kTypeSpatialScanNode);
        AddSpatial(*spatial, 1, false);
        AddSpatial(*spatial, 2, true);
        QNodeMediator* cells = Add(view, module, kTypeSpectralSpatialScanNode);
        AddCells(*cells, 1, false, false);
        AddCells(*cells, 2, true, false);
        dynamic_cast<LinkKeepingMediator&>(*cells).SetNodeValues({1, {1.5F, -2.0F, 300.0F}});
        QNodeMediator* handHeld = Add(view, nullptr, kTypeHandHeldProbeScanNode);
        AddCells(*handHeld, 4, false, true);
        AddCells(*handHeld, 5, true, true);

        QNodeMediator* spectralComparison = Add(view, nullptr, kTypeSpectralComparisonNode);
        spectralComparison->SetComparedScan(true, spectral->GetSpectralScanData(1)->Clone());
        spectralComparison->SetComparedScan(false, spectral->GetSpectralScanData(2)->Clone());
        QNodeMediator* overlay = Add(view, nullptr, kTypeSpectralOverlayNode);
        overlay->SetComparedScan(true, spectral->GetSpectralScanData(2)->Clone());
        QNodeMediator* spatialComparison = Add(view, nullptr, kTypeSpatialComparisonNode);
        spatialComparison->SetComparedScan(true, spatial->GetSpatialScanData(1)->Clone());
        spatialComparison->SetComparedScan(false, spatial->GetSpatialScanData(1)->Clone());
        QNodeMediator* blindSpot = Add(view, nullptr, kTypeBlindSpotReductionNode);
        blindSpot->SetComparedScan(false, spatial->GetSpatialScanData(2)->Clone());

        QNodeMediator* scripting = Add(view, nullptr, kTypeSpectralSpatialScriptingModuleNode);
        scripting->GetScriptDefinitions().push_back({100.0F, 200.0F, 0.5F, "ignored"});
        scripting->GetScriptDefinitions().push_back({300.0F, 450.5F, 1.0F, ""});
        QNodeMediator* report = Add(view, nullptr, kTypeWordReportNode);
        report->SetReportBuffers({{static_cast<int32_t>(spectral->GetNodeID()), {2, 1}},
                                  {static_cast<int32_t>(handHeld->GetNodeID()), {}}});
        dynamic_cast<LinkKeepingMediator&>(*report).SetReportText("Report text");
        auto* reference =
            dynamic_cast<QProxyNodeMediator*>(Add(view, module, kTypeSpectralScanReferenceNode));
        ASSERT_NE(reference, nullptr);
        ASSERT_TRUE(reference->LinkToTarget(*spectral));
        Add(view, module, kTypeNoteNode);

        const std::vector<uint8_t> drawing = {0x2A, 1, 2, 3, 4, 5};
        app.AddPcbOverlayControl(drawing, 21, 500, false);
        const uint8_t picture[] = {0x89, 'P', 'N', 'G'};
        app.AddPictureOverlayControl(picture, 4, 22, 600, false);
        auto pixels = std::make_unique<COverlayControl>();
        pixels->SetSourceKind(COverlayControl::kPixelImage);
        pixels->SetOverlayId(23);
        const uint8_t image[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        pixels->SetPixels(image, 2, 2, 3);
        app.GetOverlayControls().Add(std::move(pixels), false);
    }

    QMediatorProjectFileModel m_model{MakeFundamental};
};

// A new project's spectral and spatial scan containers write their initial stored level range; once
// read back the containers hold none until they get scan data. So the first save of a new project
// is followed by one that differs there, and from then on every save is the same.
TEST_F(MediatorProjectFileTest, AProjectIsCreatedSavedClosedOpenedAndSavedAgainByteIdentical) {
    const int before = containertest::NodeOwningMediator::Alive();
    std::string outline;
    std::string project;
    std::string overlays;
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        BuildProject(*app);
        outline = m_tree.Outline();
        overlays = DescribeOverlays(*app);
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
        project = DescribeProject(app->GetOpenProject()->GetPairList());
        app->CloseProject();
    }
    EXPECT_EQ(containertest::NodeOwningMediator::Alive(), before);

    std::vector<std::vector<uint8_t>> saves;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto app = MakeModelApp(true);
        ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
        EXPECT_TRUE(m_prompt->Texts().empty()) << LastPrompt();
        EXPECT_EQ(m_tree.Outline(), outline);
        EXPECT_EQ(DescribeOverlays(*app), overlays);
        EXPECT_EQ(DescribeProject(app->GetOpenProject()->GetPairList()), project);

        // The reference node found its target again through the target's stored link list.
        QProxyNodeMediator* reference = nullptr;
        QNodeMediator* spectral = nullptr;
        for (const QNodePair& pair : app->GetOpenProject()->GetPairList()) {
            const uint16_t kind = pair.m_node->GetEffectiveNode()->GetTypeID();
            if (kind == kTypeSpectralScanReferenceNode) {
                reference = dynamic_cast<QProxyNodeMediator*>(pair.m_node);
            } else if (kind == kTypeSpectralScanNode) {
                spectral = pair.m_node;
            }
        }
        ASSERT_NE(reference, nullptr);
        ASSERT_NE(spectral, nullptr);
        EXPECT_EQ(reference->GetTarget(), spectral);
        EXPECT_EQ(dynamic_cast<LinkKeepingMediator&>(*spectral).GetLinkedProxies().count(reference), 1U);

        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
        saves.push_back(ReadBytes(ProjectFile()));
        app->CloseProject();
    }
    EXPECT_EQ(containertest::NodeOwningMediator::Alive(), before);
    ASSERT_EQ(saves.size(), 2U);
    const auto differ = std::mismatch(saves[0].begin(), saves[0].end(), saves[1].begin(), saves[1].end());
    EXPECT_TRUE(saves[1] == saves[0]) << "sizes " << saves[0].size() << " and " << saves[1].size()
                                      << ", first difference at byte " << (differ.first - saves[0].begin());
}

// Cut anywhere after its stored-file version, a file of every record kind is a corrupt project: the
// user is told, and no node made before the cut stays behind.
TEST_F(MediatorProjectFileTest, ATruncatedFileIsACorruptProjectAndLeavesNoNodesBehind) {
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        BuildProject(*app);
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
        app->CloseProject();
    }
    const std::vector<uint8_t> whole = ReadBytes(ProjectFile());
    const int before = containertest::NodeOwningMediator::Alive();
    for (size_t length = 4; length < whole.size(); length += 1 + length / 16) {
        SCOPED_TRACE(length);
        {
            std::ofstream file(ProjectFile(), std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(whole.data()), static_cast<std::streamsize>(length));
        }
        const size_t shown = m_prompt->Texts().size();
        auto app = MakeModelApp(true);
        EXPECT_FALSE(app->OpenProject(kWindow, ProjectFile(), nullptr));
        EXPECT_EQ(m_prompt->Texts().size(), shown + 1);
        EXPECT_EQ(LastPrompt(), kCorruptProjectMessage);
        EXPECT_EQ(app->GetOpenProject(), nullptr);
        app.reset();
        EXPECT_EQ(containertest::NodeOwningMediator::Alive(), before);
        EXPECT_EQ(m_tree.ItemCount(), 0U);
    }
}

TEST_F(MediatorProjectFileTest, TheFileCarriesTheScanFieldsInTheirFilePlaces) {
    auto app = MakeModelApp(false);
    ASSERT_TRUE(app->NewProject(kWindow, nullptr));
    QNodeMediator* spectral = Add(*app->GetOpenProject(), nullptr, kTypeSpectralScanNode);
    AddSpectral(*spectral, 3, false);
    const QProjectSpectralScanRecord record =
        QMediatorProjectFileModel::MakeSpectralRecord(*spectral->GetSpectralScanData(3));
    // Date, scan head, first (user) text, analyser, third text, last text.
    EXPECT_EQ(record.m_header.m_texts, (std::array<std::string, 6>{"2026-12-10 02:40", "head 7", "user 3",
                                                                   "analyser", "module", "last"}));
    EXPECT_EQ(record.m_header.m_area.m_variant, 0);
    EXPECT_EQ(record.m_header.m_area.m_word0, 21U);
    EXPECT_EQ(record.m_header.m_area.m_byte1, 0xFF);
    EXPECT_EQ(record.m_header.m_area.m_words1to4, (std::array<uint32_t, 4>{10, 20, 300, 400}));
    EXPECT_EQ(record.m_markerCount, 2U);
    EXPECT_EQ(record.m_markers, (std::vector<uint8_t>{0, 0, 1, 0, 2, 0, 3, 0}));
    EXPECT_EQ(record.m_pointCount, 5U);
    // The first Mirt point: amplitude -90, row 0, column 3.
    EXPECT_EQ(std::vector<uint8_t>(record.m_points.begin(), record.m_points.begin() + 6),
              (std::vector<uint8_t>{0xA6, 0xFF, 0, 0, 3, 0}));
    EXPECT_EQ(record.m_extraCount, 2);

    QNodeMediator* cells = Add(*app->GetOpenProject(), nullptr, kTypeSpectralSpatialScanNode);
    AddCells(*cells, 1, true, false);
    const QProjectSpectralSpatialScanRecord cellRecord =
        QMediatorProjectFileModel::MakeSpectralSpatialRecord(*cells->GetSpectralSpatialScanData(1));
    ASSERT_EQ(cellRecord.m_cells.size(), 3U);
    // Zelt cells: the four sub-cell words, then a float per value.
    EXPECT_EQ(cellRecord.m_cells[0].m_valueCount, 4U);
    EXPECT_EQ(cellRecord.m_cells[0].m_values.size(), 4U * 4U + 8U);
    EXPECT_EQ(cellRecord.m_extraCount, 1);
}

TEST_F(MediatorProjectFileTest, AComparedScanWithoutPointsIsAbsentAndTheRestLoads) {
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        TfrmProjectView& view = *app->GetOpenProject();
        QNodeMediator* comparison = Add(view, nullptr, kTypeSpectralComparisonNode);
        auto empty = std::make_unique<CSpectralScanData>();
        empty->m_ScanId = 4;
        comparison->SetComparedScan(true, std::move(empty));
        QNodeMediator* spectral = Add(view, nullptr, kTypeSpectralScanNode);
        AddSpectral(*spectral, 1, false);
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
        app->CloseProject();
    }
    auto app = MakeModelApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
    const QNodePairList& pairs = app->GetOpenProject()->GetPairList();
    ASSERT_EQ(pairs.size(), 4U);
    EXPECT_EQ(pairs[2].m_node->GetComparedScan(true), nullptr);
    EXPECT_EQ(pairs[3].m_node->GetScanIDs(kTypeSpectralScanNode), std::vector<int32_t>{1});
}

// A stitched scan is an ordinary spatial scan of its node once added: the stored form is the same,
// only its grid is larger than a scan head's.
TEST_F(MediatorProjectFileTest, AStitchedScanKeepsItsIdAndWholeGridThroughASaveAndAReopening) {
    std::vector<int16_t> values(116U * 168U);
    for (size_t at = 0; at < values.size(); ++at) {
        values[at] = at % 5 == 0 ? CScanData::kNoValue : static_cast<int16_t>(at % 2000 - 700);
    }
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        QNodeMediator* spatial = Add(*app->GetOpenProject(), nullptr, kTypeSpatialScanNode);
        for (int32_t id : {1, 2, 3}) {
            AddSpatial(*spatial, id, false);
        }
        ASSERT_TRUE(spatial->DeleteSpatialScanData(2));
        std::unique_ptr<CSpatialScanData> stitched = spatial->GetSpatialScanData(1)->Clone();
        stitched->SetProbeScanPatternSize(116, 168);
        stitched->m_Values = values;
        stitched->m_Prepared = 0;
        EXPECT_EQ(spatial->AddMadeSpatialScanData(std::move(stitched)), 4);
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
        app->CloseProject();
    }
    auto app = MakeModelApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
    QNodeMediator* spatial = nullptr;
    for (const QNodePair& pair : app->GetOpenProject()->GetPairList()) {
        if (pair.m_node->GetKind() == kTypeSpatialScanNode) {
            spatial = pair.m_node;
        }
    }
    ASSERT_NE(spatial, nullptr);
    EXPECT_EQ(spatial->GetScanIDs(kTypeSpatialScanNode), (std::vector<int32_t>{1, 3, 4}));
    const CSpatialScanData* scan = spatial->GetSpatialScanData(4);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_Rows, 116);
    EXPECT_EQ(scan->m_Columns, 168);
    EXPECT_EQ(scan->m_Values, values);
    app->CloseProject();
}

TEST_F(MediatorProjectFileTest, ASaveWhileAScanRunsIsRefusedAndKeepsThePreviousFile) {
    auto app = MakeModelApp(false);
    ASSERT_TRUE(app->NewProject(kWindow, nullptr));
    QNodeMediator* spectral = Add(*app->GetOpenProject(), nullptr, kTypeSpectralScanNode);
    AddSpectral(*spectral, 1, false);
    ASSERT_TRUE(app->SaveProject()) << LastPrompt();
    const std::vector<uint8_t> saved = ReadBytes(ProjectFile());

    AddSpectral(*spectral, 2, true);
    app->GetOpenProject()->MarkModified();
    dynamic_cast<LinkKeepingMediator&>(*spectral).scanning = true;
    EXPECT_FALSE(app->SaveProject());
    EXPECT_EQ(LastPrompt(), QProjectFile::kScanRunningMessage);
    EXPECT_TRUE(app->GetOpenProject()->IsModified());
    EXPECT_EQ(ReadBytes(ProjectFile()), saved);
    dynamic_cast<LinkKeepingMediator&>(*spectral).scanning = false;
}

// A report generator pasted from another keeps its report selection, in memory and through a save and
// a load.
TEST_F(MediatorProjectFileTest, APastedReportNodeKeepsItsSelectionAlsoAfterSavingAndLoading) {
    const std::vector<_ReportGeneratorDataBuffer> selection = {{42, {3, 1, 2}}, {43, {}}};
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        QNodeMediator* original = Add(*app->GetOpenProject(), nullptr, kTypeWordReportNode);
        original->SetReportBuffers(selection);
        QNodeMediator* pasted = Add(*app->GetOpenProject(), nullptr, kTypeWordReportNode);
        ASSERT_TRUE(pasted->CopyScanDataFrom(*original));
        EXPECT_EQ(pasted->GetReportBuffers(), selection);
        original->SetReportBuffers({});
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
    }
    auto app = MakeModelApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
    const QNodePairList& pairs = app->GetOpenProject()->GetPairList();
    ASSERT_EQ(pairs.size(), 4U);
    EXPECT_TRUE(pairs[2].m_node->GetReportBuffers().empty());
    EXPECT_EQ(pairs[3].m_node->GetReportBuffers(), selection);
}

// A stored scan whose ID is already listed gets the next free ID; the log names both IDs, and a report
// that named a scan by its stored ID names the same scan after the load.
TEST_F(MediatorProjectFileTest, RenumberedScansAreLoggedAndReportsKeepNamingTheirScans) {
    uint32_t spectralID = 0;
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        QNodeMediator* spectral = Add(*app->GetOpenProject(), nullptr, kTypeSpectralScanNode);
        spectralID = spectral->GetNodeID();
        // Another program left two scans with ID 5 in the list, then one with ID 6 (start 36 MHz).
        AddSpectral(*spectral, 5, false);
        AddSpectral(*spectral, 5, false);
        AddSpectral(*spectral, 6, false);
        QNodeMediator* report = Add(*app->GetOpenProject(), nullptr, kTypeWordReportNode);
        report->SetReportBuffers({{static_cast<int32_t>(spectralID), {6, 5}}});
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
    }
    std::vector<std::string> lines;
    InformationLog::Sink previous = InformationLog::Instance().SetSink(
        [&lines](uint8_t /*kind*/, const std::string& line) { lines.push_back(line); });
    auto app = MakeModelApp(true);
    const bool opened = app->OpenProject(kWindow, ProjectFile(), nullptr);
    InformationLog::Instance().SetSink(previous);
    ASSERT_TRUE(opened) << LastPrompt();

    const QNodePairList& pairs = app->GetOpenProject()->GetPairList();
    ASSERT_EQ(pairs.size(), 4U);
    QNodeMediator& spectral = *pairs[2].m_node;
    EXPECT_EQ(spectral.GetScanIDs(kTypeSpectralScanNode), (std::vector<int32_t>{5, 6, 7}));
    EXPECT_EQ(spectral.FindSpectralScanData(7)->m_StartFrequency, 36.0F);
    const std::vector<_ReportGeneratorDataBuffer> expected = {{static_cast<int32_t>(spectralID), {7, 5}}};
    EXPECT_EQ(pairs[3].m_node->GetReportBuffers(), expected);
    std::vector<std::string> renumbered;
    for (const std::string& line : lines) {
        if (line.find("already listed") != std::string::npos) {
            renumbered.push_back(line.substr(line.find("The scan")));
        }
    }
    const std::string name = spectral.GetName();
    EXPECT_EQ(renumbered,
              (std::vector<std::string>{"The scan 5 of the node \"" + name +
                                            "\" has an ID that is already listed; it is listed as scan 6.",
                                        "The scan 6 of the node \"" + name +
                                            "\" has an ID that is already listed; it is listed as scan 7."}));
}

// --- Files written by another program ---

using projectfiletest::ByteBuilder;

// Every field of a record is written with a value other than 0, so that a field the model drops or
// writes from somewhere else shows as a changed byte.
void PutForeignHeader(ByteBuilder& b, uint32_t id, bool spatial, uint8_t variant) {
    b.U32(id).Text16("2026-12-09 17:5" + FormatC("%u", id)).Text16("Head 12").Text16("user").Text16("SA 9");
    b.Text16("module").Text16("last");
    if (!spatial) {
        b.F32(30.5F).F32(999.75F);
    }
    b.F32(515.0F).F32(0.12F).F32(97.0F).U32(3).U8(1).F32(-1.5F).U8(0xA1).U8(0xA2);
    b.U8(variant).U32(0x01020304U + id);
    if (variant == 0) {
        b.U8(0xFD).F32(1.25F).F32(-2.5F).U32(11).U32(0xFFFFFF22U).U32(3000).U32(2400);
    } else {
        b.F32(3.0F).F32(-4.0F).F32(5.5F).F32(6.0F).U32(0x55667788U).U8(0xB2).U8(0xB3).U8(variant);
    }
}

void PutForeignTail(ByteBuilder& b) {
    b.U8(1).U8(2).U8(3).U8(0xF4).U8(5).U8(6).U16(0xBEEF).F32(0.25F).Fill(88, 0);
}

void PutForeignSpectral(ByteBuilder& b, uint32_t id, uint8_t zelt, uint8_t variant) {
    PutForeignHeader(b, id, false, variant);
    b.U16(3).U16(4).U8(zelt).U8(IsZeltFlag(zelt) ? 2 : 5);
    b.U32(2).U16(0).U16(1).U16(2).U16(3);
    b.U32(3);
    for (uint16_t i = 0; i < 3; ++i) {
        if (IsZeltFlag(zelt)) {
            b.F32(-20.5F + i).U16(i).U16(1).U16(1).U16(0);
        } else {
            b.U16(static_cast<uint16_t>(-90 + 37 * i)).U16(i).U16(3);
        }
    }
    b.U32(2).U32(1).F32(100.5F).U32(2).F32(200.25F);
    PutForeignTail(b);
}

void PutForeignSpatial(ByteBuilder& b, uint32_t id, uint8_t zelt, uint8_t variant) {
    PutForeignHeader(b, id, true, variant);
    b.U16(3).U16(4).U8(0xD1).U8(zelt).U8(IsZeltFlag(zelt) ? 1 : 4).U8(0xD2);
    if (IsZeltFlag(zelt)) {
        b.U32(24).U16(1).U16(2).U16(0).U16(1).F32(10.0F).U16(0).U16(3).U16(1).U16(1).F32(-5.0F);
    } else {
        for (uint16_t i = 0; i < 12; ++i) {
            b.U16(i % 5 == 0 ? 30000 : static_cast<uint16_t>(i * 11 - 40));
        }
    }
    PutForeignTail(b);
}

// Three cells whose third words are 0xFFFE, 0x9C40 and 100.
void PutForeignCells(ByteBuilder& b, uint32_t id, uint8_t zelt, uint8_t variant, bool handHeld) {
    PutForeignHeader(b, id, false, variant);
    b.U16(3).U16(4).U8(zelt).U8(IsZeltFlag(zelt) ? 1 : 6);
    if (!handHeld) {
        b.U8(0xC3).U32(1).U32(1).F32(330.0F);
    }
    PutForeignTail(b);
    const uint16_t thirdWords[3] = {0xFFFE, 0x9C40, 100};
    b.U32(3);
    for (uint16_t cell = 0; cell < 3; ++cell) {
        b.U16(cell).U16(static_cast<uint16_t>(cell + 1)).U16(thirdWords[cell]).F32(250.5F + cell).U32(2);
        if (IsZeltFlag(zelt)) {
            b.U16(cell).U16(static_cast<uint16_t>(cell + 1)).U16(1).U16(0).F32(-3.25F).F32(7.5F);
        } else {
            b.U16(static_cast<uint16_t>(-30 - cell)).U16(static_cast<uint16_t>(12 + cell));
        }
    }
}

std::vector<uint8_t> FrameOf(QProjectFileModel& model, QNodeMediator& mediator) {
    QCharCounterDataWriter counter;
    model.WriteNode(counter, mediator);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    model.WriteNode(writer, mediator);
    return bytes;
}

// A project file as another program writes it: the node frames come from a project of this program
// (saved and read once, so that they are in their settled form), the scan records are built by hand
// with every field set, Mirt and Zelt data of each record form and all three area variants.
TEST_F(MediatorProjectFileTest, AFileOfAnotherProgramLoadsAndSavesBackByteIdentical) {
    {
        auto app = MakeModelApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        for (uint16_t kind : {kTypeSpectralScanNode, kTypeSpatialScanNode, kTypeSpectralSpatialScanNode,
                              kTypeHandHeldProbeScanNode}) {
            Add(*app->GetOpenProject(), nullptr, kind);
        }
        ASSERT_TRUE(app->SaveProject()) << LastPrompt();
    }
    ByteBuilder file;
    {
        auto app = MakeModelApp(true);
        ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
        const std::vector<uint8_t> settled = ReadBytes(ProjectFile());
        // Stored-file version, program version, an empty overlay list, node count, next node id.
        file.m_bytes.assign(settled.begin(), settled.begin() + 24);
        const QNodePairList& pairs = app->GetOpenProject()->GetPairList();
        ASSERT_EQ(pairs.size(), 6U);
        for (size_t i = 0; i < pairs.size(); ++i) {
            QNodeMediator& node = *pairs[i].m_node;
            if (i > 0) {
                file.U32(node.GetNodeID()).U32(pairs[i].m_parent->GetNodeID());
            }
            const std::vector<uint8_t> frame = FrameOf(m_model, node);
            file.m_bytes.insert(file.m_bytes.end(), frame.begin(), frame.end());
            if (i == 0) {
                continue;
            }
            file.Fill(kNodeEntryReservedBytes, 0);
            switch (node.GetEffectiveNode()->GetTypeID()) {
            case kTypeSpectralScanNode:
                file.U32(3);
                PutForeignSpectral(file, 1, 0, 0);
                PutForeignSpectral(file, 2, 1, 1);
                PutForeignSpectral(file, 3, 0x80, 2); // a flag that reads as Mirt data
                break;
            case kTypeSpatialScanNode:
                file.U32(3);
                PutForeignSpatial(file, 1, 0xFF, 2);
                PutForeignSpatial(file, 2, 1, 0);
                PutForeignSpatial(file, 3, 1, 1);
                break;
            case kTypeSpectralSpatialScanNode:
                file.U8(1).F32(1.5F).F32(-2.0F).F32(300.0F).U32(2);
                PutForeignCells(file, 1, 0, 1, false);
                PutForeignCells(file, 2, 1, 2, false);
                break;
            case kTypeHandHeldProbeScanNode:
                file.U32(2);
                PutForeignCells(file, 1, 0x90, 0, true);
                PutForeignCells(file, 2, 1, 1, true);
                break;
            default:
                break;
            }
        }
    }
    {
        std::ofstream out(ProjectFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.m_bytes.data()),
                  static_cast<std::streamsize>(file.m_bytes.size()));
    }
    auto app = MakeModelApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr)) << LastPrompt();
    // Showing the scans builds their peaks; the stored cell words and values stay as they came.
    for (const QNodePair& pair : app->GetOpenProject()->GetPairList()) {
        for (int32_t id : pair.m_node->GetScanIDs(kTypeSpectralSpatialScanNode)) {
            ASSERT_NE(pair.m_node->GetSpectralSpatialScanData(id), nullptr);
        }
        for (int32_t id : pair.m_node->GetScanIDs(kTypeHandHeldProbeScanNode)) {
            ASSERT_NE(pair.m_node->GetHandHeldProbeScanData(id), nullptr);
        }
    }
    ASSERT_TRUE(app->SaveProject()) << LastPrompt();
    const std::vector<uint8_t> saved = ReadBytes(ProjectFile());
    const auto differ = std::mismatch(file.m_bytes.begin(), file.m_bytes.end(), saved.begin(), saved.end());
    EXPECT_TRUE(saved == file.m_bytes)
        << "sizes " << file.m_bytes.size() << " and " << saved.size() << ", first difference at byte "
        << (differ.first - file.m_bytes.begin());
}

// --- The model alone ---

class MediatorModelTest : public ::testing::Test {
protected:
    std::unique_ptr<QNodeMediator> MakeNode(uint16_t kind) {
        QNodeFactory factory(MakeFundamental);
        std::unique_ptr<QNodeMediator> mediator =
            factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, true);
        mediator->SetKind(kind);
        return mediator;
    }

    static QProjectSpectralScanRecord MirtRecord(uint32_t id, uint8_t zeltFlag) {
        QProjectSpectralScanRecord record;
        record.m_header.m_scanId = id;
        record.m_zeltFlag = zeltFlag;
        record.m_pointCount = 2;
        record.m_points = {0x10, 0, 1, 0, 2, 0, 0xF0, 0xFF, 3, 0, 4, 0};
        return record;
    }

    QMediatorProjectFileModel m_model{MakeFundamental};
};

TEST_F(MediatorModelTest, AStoredScanWhoseIdIsTakenIsListedUnderTheNextId) {
    auto spectral = MakeNode(kTypeSpectralScanNode);
    m_model.AddSpectralScan(*spectral, MirtRecord(5, 0));
    m_model.AddSpectralScan(*spectral, MirtRecord(5, 0));
    m_model.AddSpectralScan(*spectral, MirtRecord(2, 0));
    EXPECT_EQ(spectral->GetScanIDs(kTypeSpectralScanNode), (std::vector<int32_t>{5, 6, 2}));
}

TEST_F(MediatorModelTest, AZeltFlagTheFileReadsAsMirtDataKeepsThePointsAsMirtData) {
    auto spectral = MakeNode(kTypeSpectralScanNode);
    // 0x80 is negative taken as signed: the points are 6-byte Mirt points.
    m_model.AddSpectralScan(*spectral, MirtRecord(1, 0x80));
    CSpectralScanData* scan = spectral->GetSpectralScanData(1);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetPointFormat(), CSpectralScanData::kMirtPoints);
    ASSERT_EQ(scan->GetMirtPoints().size(), 2U);
    EXPECT_EQ(scan->GetMirtPoints()[1].m_Amplitude, -16);
    const QProjectSpectralScanRecord saved = QMediatorProjectFileModel::MakeSpectralRecord(*scan);
    EXPECT_EQ(saved.m_points, MirtRecord(1, 0).m_points);
    // The flag byte itself is stored back as it was read.
    EXPECT_EQ(saved.m_zeltFlag, 0x80);
}

TEST_F(MediatorModelTest, ANodeFrameWhoseSizeDisagreesWithItsBodyIsACorruptProject) {
    auto module = MakeNode(kTypeModuleNode);
    QNode& node = *module->GetEffectiveNode();
    QCharCounterDataWriter counter;
    node.Serialize(counter);
    std::vector<uint8_t> bytes(counter.m_count + 1);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    node.Serialize(writer);
    {
        QCharArrayDataReader reader(bytes.data(), counter.m_count);
        EXPECT_EQ(m_model.ReadNode(reader, nullptr, nullptr)->GetNodeID(), module->GetNodeID());
    }
    // The size field (after the marker and the type id) names one byte more than the body reads.
    const uint8_t* field = bytes.data() + 3;
    const uint32_t size = GetLE<uint32_t>(field) + 1;
    uint8_t* patch = bytes.data() + 3;
    PutLE<uint32_t>(patch, size);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    try {
        m_model.ReadNode(reader, nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const QException& error) {
        EXPECT_STREQ(error.what(), kCorruptProjectMessage);
    }
}

TEST_F(MediatorModelTest, LinksToUnknownIdsAreSkipped) {
    auto target = MakeNode(kTypeSpectralScanNode);
    auto reference = MakeNode(kTypeSpectralScanReferenceNode);
    auto other = MakeNode(kTypeModuleNode);
    auto& fields = dynamic_cast<LinkKeepingMediator&>(*target);
    fields.m_pendingLinks = {77, reference->GetNodeID(), other->GetNodeID()};
    const QNodeIdMap ids = {{reference->GetNodeID(), reference.get()}, {other->GetNodeID(), other.get()}};
    m_model.ResolveLinks(*target, ids);
    EXPECT_EQ(dynamic_cast<QProxyNodeMediator&>(*reference).GetTarget(), target.get());
    EXPECT_EQ(fields.GetLinkedProxies().size(), 1U);
    EXPECT_TRUE(fields.m_pendingLinks.empty());
    EXPECT_EQ(ids.size(), 2U);
    reference->Unlink();
}

} // namespace
} // namespace orv::filemodeltest
