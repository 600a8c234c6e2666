// The scan-data description dialog over a real project window (tree, scan-data list, nodes of the
// real factory): the scan it shows for each node kind, the grid with its counts, bands, numbers and
// hover label, the parameter list, Apply and the list row, patterns larger than the cell table, real
// board drawings imported, moved and turned in the overlay editor the dialog opens, a turned, mirrored
// picture handed over as the editor hands it, and the convert command.

#include "app/CDlgScanDataDescription.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CScanDataDescriptionDialog.h"
#include "dialogs/ScanParameterTable.h"
#include "overlay/COverlayImportFileChooser.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/import/DetectDrawingFileType.h"
#include "platform/CLocale.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/core/support/DrawingFixtures.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QMdiArea>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTransform>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::ProjectSandbox;
using testing::TestMainFrame;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

constexpr int16_t kNoValue = 30000;

QScanDataRecord Record(int32_t id, uint16_t rows, uint16_t columns, const std::string& user) {
    QScanDataRecord record;
    record.m_ScanId = id;
    record.m_Rows = rows;
    record.m_Columns = columns;
    record.m_Texts = {user, "Analyzer A", "1.2.3 / FW 7", "2026-12-11,  10:00:00", "Board Scanner,  29 x 42",
                      ""};
    record.m_StartFrequency = 100.0F;
    record.m_StopFrequency = 200.0F;
    record.m_CenterFrequency = 150.0F;
    record.m_ResolutionBandwidth = 0.12F;
    record.m_ReferenceLevel = 50.0F;
    return record;
}

QSpectralScanAddition Spectrum(int32_t id, const std::string& user) {
    QSpectralScanAddition addition;
    addition.m_Record = Record(id, 4, 4, user);
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {QSpectralPoint{400, 0, 0}, QSpectralPoint{600, 1, 1}};
    addition.m_Markers = {{0, 0}, {1, 1}};
    return addition;
}

// A spatial grid whose cells in `measured` (row-major indexes) hold a value.
QSpatialScanAddition Grid(int32_t id, uint16_t rows, uint16_t columns, const std::set<int>& measured,
                          const std::string& user) {
    QSpatialScanAddition addition;
    addition.m_Record = Record(id, rows, columns, user);
    addition.m_Values.assign(static_cast<size_t>(rows) * columns, kNoValue);
    for (int index : measured) {
        addition.m_Values[static_cast<size_t>(index)] = 500;
    }
    return addition;
}

std::set<int> FirstCells(int count, int every = 1) {
    std::set<int> cells;
    for (int index = 0; static_cast<int>(cells.size()) < count; index += every) {
        cells.insert(index);
    }
    return cells;
}

std::unique_ptr<CScanData> SpectralCopy(int32_t id, const std::string& user) {
    auto scan = std::make_unique<CSpectralScanData>();
    scan->m_ScanId = static_cast<uint32_t>(id);
    scan->m_UserText = user;
    scan->m_StartFrequency = 10.0F;
    scan->m_StopFrequency = 20.0F;
    return scan;
}

std::unique_ptr<CScanData> SpatialCopy(int32_t id, const std::string& user) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->m_ScanId = static_cast<uint32_t>(id);
    scan->m_UserText = user;
    scan->m_CenterFrequency = 300.0F;
    return scan;
}

QColor Blend(QColor under, uint32_t argb) {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(under);
    QPainter painter(&pixel);
    painter.fillRect(QRect(0, 0, 1, 1), QColor::fromRgba(argb));
    painter.end();
    return pixel.pixelColor(0, 0);
}

bool Near(QColor actual, QColor expected, int tolerance = 3) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

bool IsRed(QColor colour) {
    return colour.red() > 150 && colour.green() < 110 && colour.blue() < 110;
}

std::string Value(const std::vector<ScanParameterRow>& rows, const std::string& name) {
    for (const ScanParameterRow& row : rows) {
        if (row.m_name == name) {
            return row.m_value;
        }
    }
    return "<absent>";
}

class ScanDataDescriptionDialogTest : public testing::QtWidgetTest {
protected:
    ScanDataDescriptionDialogTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        testing::FlushEvents();
    }
    ~ScanDataDescriptionDialogTest() override { CDlgScanDataDescription::InstallMaker({}); }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    CViewList& List() { return *m_project->GetProjectPane()->GetList(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    ScriptedPrompt& Prompt() { return m_sandbox.Prompt(); }
    QNodeMediator& AddNode(uint16_t kind, QNodeMediator* parent = nullptr) {
        CTreeItem* item =
            parent != nullptr ? Tree().GetRecords().FindByMediator(parent) : Tree().GetRootItem();
        QNodeMediator* mediator = Project().GetOpenProject()->AddNode(item, CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    // Shows the node's scans in the scan-data list.
    void ListScans(QNodeMediator& node) {
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&node));
        node.FillScanDataList(node.GetKind());
        testing::FlushEvents();
    }
    QNodeMediator& SpatialNode(QSpatialScanAddition addition) {
        QNodeMediator& node = AddNode(kTypeSpatialScanNode);
        EXPECT_TRUE(node.AddSpatialScanData(std::move(addition), false, false));
        return node;
    }
    std::unique_ptr<CScanDataDescriptionDialog> Open(QNodeMediator& node, int32_t scanId,
                                                     int32_t source = 0) {
        auto dialog = std::make_unique<CScanDataDescriptionDialog>(node, scanId, source, nullptr);
        dialog->show();
        testing::FlushEvents();
        return dialog;
    }
    // A mouse move over the dialog, painted.
    static void MoveMouse(QWidget& dialog, QPoint point) {
        testing::SendMouse(dialog, QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton);
        testing::Grab(dialog);
    }
    void ClearModified() {
        testing::FlushEvents();
        m_project->GetDocument().SetModifiedFlag(false);
    }
    bool IsModified() {
        testing::FlushEvents();
        return m_project->GetDocument().IsModified();
    }
    // The dialog's pixel at the grid's cell (row, column), `dx`, `dy` into it.
    static QColor CellPixel(const QImage& grab, const CScanDataDescriptionDialog& dialog, int row, int column,
                            int dx = 4, int dy = 4) {
        const QRect cell = dialog.GetGrid().GetCell(row, column).m_rect;
        return testing::PixelAt(grab, cell.left() + dx, cell.top() + dy);
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
};

// --- The scan shown ---

TEST_F(ScanDataDescriptionDialogTest, TheScanShownFollowsTheNodeKindAndTheSourceIndex) {
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
    ASSERT_TRUE(spectral.AddSpectralScanData(Spectrum(1, "first spectrum"), false, false));
    ASSERT_TRUE(spectral.AddSpectralScanData(Spectrum(2, "second spectrum"), false, false));
    QNodeMediator& spatial = SpatialNode(Grid(4, 3, 3, {0, 4}, "a map"));
    QNodeMediator& compareSpectral = AddNode(kTypeSpectralComparisonNode);
    ASSERT_TRUE(compareSpectral.SetComparedScan(true, SpectralCopy(7, "spectral reference")));
    ASSERT_TRUE(compareSpectral.SetComparedScan(false, SpectralCopy(8, "spectral test")));
    QNodeMediator& compareSpatial = AddNode(kTypeSpatialComparisonNode);
    ASSERT_TRUE(compareSpatial.SetComparedScan(true, SpatialCopy(5, "spatial reference")));
    ASSERT_TRUE(compareSpatial.SetComparedScan(false, SpatialCopy(6, "spatial test")));
    QNodeMediator& composite = AddNode(kTypeSpectralSpatialUserCompositeNode);
    QNodeMediator& note = AddNode(kTypeNoteNode);
    QNodeMediator& blindSpot = AddNode(kTypeBlindSpotReductionNode);
    ASSERT_TRUE(blindSpot.SetComparedScan(true, SpatialCopy(1, "lower pass")));
    ASSERT_TRUE(blindSpot.SetComparedScan(false, SpatialCopy(2, "upper pass")));
    QNodeMediator& overlay = AddNode(kTypeSpectralOverlayNode);
    ASSERT_TRUE(overlay.SetComparedScan(true, SpectralCopy(3, "overlay reference")));
    // A spectral/spatial scan of one cell, and a user composite linked to it.
    QNodeMediator& spectralSpatial = AddNode(kTypeSpectralSpatialScanNode);
    QCellAddition cell;
    cell.m_CellIndex = 1;
    cell.m_CellCount = 1;
    cell.m_Record = Record(12, 2, 2, "cell spectra");
    cell.m_CellWord1 = 1;
    cell.m_CellWord2 = 1;
    cell.m_HasValues = true;
    cell.m_Values = {400, 500};
    ASSERT_TRUE(spectralSpatial.AddSpectralSpatialScanData(std::move(cell), false));
    QNodeMediator& linked = AddNode(kTypeSpectralSpatialUserCompositeNode, &spectralSpatial);
    linked.SetLinkedScanID(12);

    struct Case {
        QNodeMediator* node;
        int32_t scanId;
        int32_t source;
        const char* user; // nullptr: no scan
    };
    const Case cases[] = {
        {&spectral, 2, 0, "second spectrum"},
        {&spatial, 4, 0, "a map"},
        // The list's rows name the sources: 1 the reference, 0 the test.
        {&compareSpectral, 1, 1, "spectral reference"},
        {&compareSpectral, 0, 0, "spectral test"},
        {&compareSpatial, 1, 1, "spatial reference"},
        {&compareSpatial, 0, 0, "spatial test"},
        {&blindSpot, 1, 1, "lower pass"},
        {&blindSpot, 0, 0, "upper pass"},
        {&overlay, 1, 1, "overlay reference"},
        {&overlay, 0, 0, nullptr},
        {&spectralSpatial, 12, 0, "cell spectra"},
        {&linked, 12, 0, "cell spectra"},
        // A user composite linked to nothing, and a kind without scans.
        {&composite, 3, 0, nullptr},
        {&note, 9, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.node->GetKind() << " source " << c.source);
        auto dialog = Open(*c.node, c.scanId, c.source);
        EXPECT_EQ(dialog->windowTitle().toStdString(),
                  "Scan Data Description --- Node: " + c.node->GetName() +
                      FormatC(",   Scan ID: %d", c.scanId));
        EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(dialog->GetControl(CScanDataDescriptionDialog::kConvertButton)->isHidden());
        if (c.user == nullptr) {
            EXPECT_FALSE(dialog->HasScan());
            EXPECT_TRUE(dialog->GetParameterRows().empty());
            EXPECT_EQ(dialog->GetParameterList()->topLevelItemCount(), 0);
            EXPECT_TRUE(dialog->GetGrid().GetRect().isEmpty());
            continue;
        }
        EXPECT_TRUE(dialog->HasScan());
        EXPECT_EQ(Value(dialog->GetParameterRows(), "User"), c.user);
        EXPECT_EQ(dialog->GetDescriptionEdit()->toPlainText().toStdString(), c.user);
    }
}

// --- The grid ---

TEST_F(ScanDataDescriptionDialogTest, TheGridCountsItsCellsShadesEveryFifthBandAndNumbersIt) {
    // 37 measured cells of 10 x 12, every third one.
    QNodeMediator& node = SpatialNode(Grid(1, 10, 12, FirstCells(37, 3), "counted"));
    auto dialog = Open(node, 1);
    const ScanDescriptionGrid& grid = dialog->GetGrid();
    EXPECT_EQ(grid.GetRect(), QRect(27, 75, 12 * 8, 10 * 8));
    EXPECT_EQ(FormatC(CScanDataDescriptionDialog::kProbesFormat, grid.GetProbesOn(), grid.GetProbesOff()),
              "Probes On:  37;     Probes Off:  83");

    const QImage grab = testing::Grab(*dialog);
    const QColor white(Qt::white);
    const QColor band = ColorRefToQColor(ScanDescriptionGrid::kBandColour);
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 12; ++column) {
            const bool measured = (row * 12 + column) % 3 == 0 && row * 12 + column < 111;
            const bool banded = row % 5 == 0 || column % 5 == 0;
            const QColor under = banded ? band : white;
            const QColor expected = measured ? Blend(under, ScanDescriptionGrid::kMeasuredArgb) : under;
            ASSERT_TRUE(Near(CellPixel(grab, *dialog, row, column), expected)) << row << ", " << column;
            EXPECT_EQ(dialog->IsOverlayCellMarked(row, column), measured);
        }
    }
    // The cell borders and the frame.
    EXPECT_TRUE(
        Near(CellPixel(grab, *dialog, 3, 3, 0, 4), ColorRefToQColor(ScanDescriptionGrid::kBorderColour)));
    EXPECT_TRUE(Near(testing::PixelAt(grab, 27, 80), ColorRefToQColor(ScanDescriptionGrid::kFrameColour)));

    // Red numbers above columns 0, 5 and 10 and left of rows 0 and 5, none above column 2.
    auto redIn = [&grab](QRect box) {
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                if (IsRed(testing::PixelAt(grab, x, y))) {
                    return true;
                }
            }
        }
        return false;
    };
    for (int column : {0, 5, 10}) {
        const int x = 27 + column * 8;
        EXPECT_TRUE(redIn(QRect(x, 75 - 18, 14, 16))) << column;
        EXPECT_TRUE(redIn(QRect(x, 75 + 80 + 6, 14, 16))) << column;
    }
    EXPECT_FALSE(redIn(QRect(27 + 2 * 8, 75 - 18, 8, 16)));
    for (int row : {0, 5}) {
        EXPECT_TRUE(redIn(QRect(27 - 20, 75 + row * 8, 14, 8))) << row;
        EXPECT_TRUE(redIn(QRect(27 + 96 + 8, 75 + row * 8, 14, 8))) << row;
    }
}

TEST_F(ScanDataDescriptionDialogTest, TheHoverLabelNamesTheCellInNumbersOrLetters) {
    QNodeMediator& node = SpatialNode(Grid(1, 10, 42, {2 * 42 + 3}, "hover"));
    auto dialog = Open(node, 1);
    const QRect cell = dialog->GetGrid().GetCell(2, 3).m_rect;
    MoveMouse(*dialog, cell.center());
    EXPECT_EQ(dialog->GetHoverText(), " Row: 2 ,  Col: 3 ");
    EXPECT_EQ(dialog->GetHoverRect(), QRect(cell.center().x() + 10, cell.center().y() - 12, 125, 25));
    const QImage grab = testing::Grab(*dialog);
    EXPECT_TRUE(
        Near(testing::PixelAt(grab, dialog->GetHoverRect().left() + 2, dialog->GetHoverRect().top() + 2),
             ColorRefToQColor(CScanDataDescriptionDialog::kMeasuredLabelBackground)));

    // Near the right edge the label goes left of the mouse; the first row moves it down.
    const QRect corner = dialog->GetGrid().GetCell(0, 41).m_rect;
    MoveMouse(*dialog, corner.center());
    EXPECT_EQ(dialog->GetHoverRect(), QRect(corner.center().x() - 135, corner.center().y() - 2, 125, 25));

    // Lettered columns count the rows from 1.
    QNodeMediator* preferences = node.GetPreferencesMediator();
    ASSERT_NE(preferences, nullptr);
    preferences->GetSpatialDisplayOptions()->SetUsesScannerLabels(true);
    MoveMouse(*dialog, cell.center());
    EXPECT_EQ(dialog->GetHoverText(), " Row: 3 ,  Col: " + GetScannerContext().GetColumnLabel(3).m_text);
    preferences->GetSpatialDisplayOptions()->SetUsesScannerLabels(false);

    // Leaving the grid hides it.
    MoveMouse(*dialog, QPoint(5, 5));
    EXPECT_EQ(dialog->GetHoverText(), "");
}

TEST_F(ScanDataDescriptionDialogTest, PatternsLargerThanTheTableShowItsPartAndCountTheWholePattern) {
    struct Case {
        uint16_t rows;
        uint16_t columns;
        int shownRows;
        int shownColumns;
    };
    for (const Case c : {Case{32, 40, 29, 40}, Case{40, 50, 29, 42}}) {
        const int cells = c.rows * c.columns;
        // Every cell measured but the last one.
        QNodeMediator& node = SpatialNode(Grid(1, c.rows, c.columns, FirstCells(cells - 1), "large"));
        auto dialog = Open(node, 1);
        EXPECT_EQ(dialog->GetGrid().GetRows(), c.shownRows);
        EXPECT_EQ(dialog->GetGrid().GetColumns(), c.shownColumns);
        EXPECT_EQ(dialog->GetGrid().GetProbesOn(), cells - 1);
        EXPECT_EQ(dialog->GetGrid().GetProbesOff(), 1);
        EXPECT_TRUE(dialog->IsOverlayCellMarked(28, c.shownColumns - 1));
        EXPECT_FALSE(dialog->IsOverlayCellMarked(29, 0));
        EXPECT_EQ(dialog->GetGridImage().size(), QSize(c.shownColumns * 8, c.shownRows * 8));
        // The hover label of the last shown cell, whatever lies beyond it.
        const QRect last = dialog->GetGrid().GetCell(c.shownRows - 1, c.shownColumns - 1).m_rect;
        MoveMouse(*dialog, last.center());
        EXPECT_EQ(dialog->GetHoverText(),
                  FormatC(" Row: %-2d,  Col: %-2d", c.shownRows - 1, c.shownColumns - 1));
    }
}

// --- Parameters ---

TEST_F(ScanDataDescriptionDialogTest, TheParameterListShowsTheScanInTheCLocale) {
    QSpatialScanAddition addition = Grid(1, 3, 3, {0}, "engineer");
    addition.m_Record.m_TailValue = -10.0F;
    addition.m_Record.m_TailBytes = {1, 0, 1, 0, 0, 0};
    addition.m_Record.m_TailWord = 20;
    addition.m_Record.m_PeakHold = 1;
    QNodeMediator& node = SpatialNode(addition);
    auto dialog = Open(node, 1);
    const std::vector<ScanParameterRow>& rows = dialog->GetParameterRows();
    std::vector<std::string> names(rows.size());
    std::transform(rows.begin(), rows.end(), names.begin(),
                   [](const ScanParameterRow& row) { return row.m_name; });
    EXPECT_EQ(names, (std::vector<std::string>{
                         "User", "Scan Date", "Scanner Module", "Orvilant and Firmware Version", "Analyzer",
                         "Center Frequency", "Bandwidth Resolution", "Reference Level", "Level Range",
                         "Peak Hold", "Compensated", "Internal Analyzer Pre-Amp", "Amplification Value",
                         "Analyzer Tracking Generation", "RF Input Coupling", "Scan Averaging"}));
    EXPECT_EQ(Value(rows, "Center Frequency"), "150.0000    MHz");
    EXPECT_EQ(Value(rows, "Bandwidth Resolution"), "0.120000    MHz");
    EXPECT_EQ(Value(rows, "Reference Level"), "50.00    dBuV");
    EXPECT_EQ(Value(rows, "Amplification Value"), "10.0  dB");
    EXPECT_EQ(Value(rows, "Internal Analyzer Pre-Amp"), "On;    20 dB");
    EXPECT_EQ(Value(rows, "Peak Hold"), "On");
    // The list shows the same rows, the first one in view.
    QTreeWidget& list = *dialog->GetParameterList();
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(rows.size()));
    EXPECT_EQ(list.headerItem()->text(0).toStdString(), "Parameters");
    EXPECT_EQ(list.columnWidth(0), 165);
    EXPECT_EQ(list.columnWidth(1), 480);
    EXPECT_EQ(list.topLevelItem(11)->text(1).toStdString(), rows[11].m_value);
    EXPECT_EQ(list.verticalScrollBar()->value(), 0);
    EXPECT_EQ(list.font().family().toStdString(), "Arial");
}

TEST(ScanParameterTableTest, FrequencyRowsUnitsAndFrontEndsFollowTheScan) {
    CSpectralScanData scan;
    scan.m_StartFrequency = 30.5F;
    scan.m_StopFrequency = 1000.0F;
    scan.m_MinLevelShown = -20.5F;
    scan.m_MaxLevelShown = 42.25F;
    // Points, never commas, whatever the user's locale.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        const std::vector<ScanParameterRow> spectral =
            BuildScanParameterRows(scan, kTypeSpectralScanNode, false, 1);
        EXPECT_EQ(Value(spectral, "Start Frequency"), "30.5000     MHz") << locale;
        EXPECT_EQ(Value(spectral, "Stop Frequency"), "1000.0000   MHz") << locale;
        EXPECT_EQ(Value(spectral, "Center Frequency"), "<absent>");
    }
    std::setlocale(LC_ALL, previous.c_str());

    struct Unit {
        bool compensated;
        uint32_t code;
        const char* text;
    };
    for (const Unit unit : {Unit{true, 1, "dBuA/m"}, Unit{false, 1, "dBuV"}, Unit{false, 2, "dBm"}}) {
        const std::vector<ScanParameterRow> rows =
            BuildScanParameterRows(scan, kTypeSpectralScanNode, unit.compensated, unit.code);
        EXPECT_EQ(Value(rows, "Level Range"), std::string("-20.50   to  42.25    ") + unit.text);
        EXPECT_EQ(Value(rows, "Compensated"), unit.compensated ? "On" : "Off");
    }

    // The scanner's front end: the tail's bytes read by it, unknown values as numbers, the
    // attenuation only with the external bypass on.
    scan.m_SettingsBytes = {1, 0};
    scan.m_TailValue = 6.0F;
    struct FrontEnd {
        std::array<uint8_t, 6> tail;
        uint16_t word;
        std::vector<ScanParameterRow> rows;
    };
    const FrontEnd frontEnds[] = {
        {{0, 0, 0, 2, 3, 0},
         250,
         {{"Internal Pre-Amp", "On --- High gain"},
          {"Noise Reduction", "On --- Level 3"},
          {"Noise Threshold", "250"},
          {"Internal Attenuator", "Off"},
          {"External RF Bypass", "Off"}}},
        {{0, 0, 0, 7, 9, 3},
         0,
         {{"Internal Pre-Amp", "7"},
          {"Noise Reduction", "9"},
          {"Noise Threshold", "0"},
          {"Internal Attenuator", "On"},
          {"External RF Bypass", "On"},
          {"Attenuator Value", "6.0   dB"}}},
    };
    for (const FrontEnd& frontEnd : frontEnds) {
        scan.m_TailBytes = frontEnd.tail;
        scan.m_TailWord = frontEnd.word;
        const std::vector<ScanParameterRow> rows =
            BuildScanParameterRows(scan, kTypeSpectralScanNode, false, 1);
        ASSERT_GE(rows.size(), frontEnd.rows.size());
        EXPECT_EQ(
            std::vector<ScanParameterRow>(rows.end() - static_cast<long>(frontEnd.rows.size()), rows.end()),
            frontEnd.rows);
    }
    // The analyser's front end: pre-amplifier without a gain, AC coupling.
    scan.m_SettingsBytes = {0, 1};
    scan.m_TailBytes = {1, 1, 0, 0, 0, 0};
    scan.m_TailWord = 0;
    const std::vector<ScanParameterRow> analyser =
        BuildScanParameterRows(scan, kTypeSpectralScanNode, false, 1);
    EXPECT_EQ(Value(analyser, "Internal Analyzer Pre-Amp"), "On");
    EXPECT_EQ(Value(analyser, "Attenuator Value"), "6.0   dB");
    EXPECT_EQ(Value(analyser, "Analyzer Tracking Generation"), "On");
    EXPECT_EQ(Value(analyser, "RF Input Coupling"), "AC");
    EXPECT_EQ(Value(analyser, "Scan Averaging"), "On");
}

// --- Apply ---

TEST_F(ScanDataDescriptionDialogTest, ApplyStoresDescriptionAndPlacementUpdatesTheRowAndMarksTheProject) {
    QNodeMediator& node = SpatialNode(Grid(3, 5, 5, {0}, "old words"));
    ListScans(node);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    ASSERT_TRUE(Project().AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(png.constData()),
                                                   static_cast<uint32_t>(png.size()), 77, 4242, false));
    ClearModified();
    auto dialog = Open(node, 3);
    auto* apply = dynamic_cast<QPushButton*>(dialog->GetControl(CScanDataDescriptionDialog::kApplyButton));
    EXPECT_FALSE(apply->isEnabled());
    dialog->GetDescriptionEdit()->setPlainText(QStringLiteral("near the clock, 3.3 V"));
    EXPECT_TRUE(apply->isEnabled());

    // A picture placement comes back from the editor.
    COverlayPlacement placement;
    placement.m_overlayId = 77;
    placement.m_pictureLeft = 0.25F;
    placement.m_pictureTop = 0.5F;
    placement.m_pictureWidth = 0.125F;
    placement.m_pictureHeight = 0.0625F;
    placement.m_pictureQuarterTurns = -1;
    placement.m_opacity = 80;
    dialog->WriteOverlayPlacement(placement, false);
    dialog->OnOverlayPlacementApplied();
    EXPECT_FALSE(IsModified());

    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_FALSE(apply->isEnabled());
    CSpatialScanData& scan = *node.GetSpatialScanData(3);
    EXPECT_EQ(scan.m_UserText, "near the clock, 3.3 V");
    EXPECT_EQ(List().GetDescriptionById(3), "near the clock, 3.3 V");
    EXPECT_TRUE(IsModified());
    const CScanAreaRecord& area = scan.GetScanArea();
    EXPECT_EQ(area.m_OverlayId, 77U);
    EXPECT_EQ(area.m_Variant, COverlayControl::kPictureFile);
    EXPECT_EQ(area.m_OtherValues, (std::array<float, 4>{0.25F, 0.5F, 0.125F, 0.0625F}));
    EXPECT_EQ(area.m_OtherWord, 80U);
    EXPECT_EQ(area.m_RotationCount, -1);
    EXPECT_EQ(static_cast<int8_t>(area.m_OtherBytes[2]), -1);

    // Cancel after Apply keeps it; a new dialog reads it back.
    dialog->GetDescriptionEdit()->setPlainText(QStringLiteral("never stored"));
    dialog->reject();
    EXPECT_EQ(scan.m_UserText, "near the clock, 3.3 V");
    auto again = Open(node, 3);
    EXPECT_EQ(again->GetDescriptionEdit()->toPlainText().toStdString(), "near the clock, 3.3 V");
    EXPECT_EQ(again->GetPlacement().m_overlayId, 77U);
    EXPECT_EQ(again->GetPlacement().m_pictureQuarterTurns, -1);
    EXPECT_EQ(again->GetPlacement().m_opacity, 80);
}

TEST_F(ScanDataDescriptionDialogTest, ATwoScanNodeUpdatesTheRowOfItsSourceAndANodeWithoutAListKeepsTheText) {
    QNodeMediator& compare = AddNode(kTypeSpatialComparisonNode);
    ASSERT_TRUE(compare.SetComparedScan(true, SpatialCopy(5, "reference words")));
    ASSERT_TRUE(compare.SetComparedScan(false, SpatialCopy(6, "test words")));
    ListScans(compare);
    auto dialog = Open(compare, 1, 1);
    dialog->GetDescriptionEdit()->setPlainText(QStringLiteral("the board before the fix"));
    ASSERT_TRUE(dialog->Apply());
    EXPECT_EQ(compare.GetComparedScan(true)->m_UserText, "the board before the fix");
    EXPECT_EQ(compare.GetComparedScan(false)->m_UserText, "test words");
    EXPECT_EQ(List().GetDescriptionById(1), "the board before the fix");
    EXPECT_EQ(List().GetDescriptionById(0), "test words");

    // The list shows another node: the dialog opens with the scan's own text and stores it anyway.
    QNodeMediator& node = SpatialNode(Grid(2, 3, 3, {0}, "own words"));
    ClearModified();
    auto unlisted = Open(node, 2);
    EXPECT_EQ(unlisted->GetDescriptionEdit()->toPlainText().toStdString(), "own words");
    unlisted->GetDescriptionEdit()->setPlainText(QStringLiteral("typed words"));
    unlisted->accept();
    EXPECT_EQ(unlisted->result(), QDialog::Accepted);
    EXPECT_EQ(node.GetSpatialScanData(2)->m_UserText, "typed words");
    EXPECT_TRUE(IsModified());
    EXPECT_EQ(List().GetDescriptionById(1), "the board before the fix");
}

TEST_F(ScanDataDescriptionDialogTest, ADescriptionTooLongForTheFileIsRefusedWithABoxAndNothingStored) {
    QNodeMediator& node = SpatialNode(Grid(1, 3, 3, {0}, "short"));
    ListScans(node);
    ClearModified();
    auto dialog = Open(node, 1);
    COverlayPlacement placement;
    placement.m_overlayId = 12;
    dialog->WriteOverlayPlacement(placement, false);
    // Numbers typed are only text: nothing here is parsed.
    dialog->GetDescriptionEdit()->setPlainText(QString(65536, QLatin1Char('7')));
    dialog->accept();
    EXPECT_EQ(Prompt().Texts(),
              std::vector<std::string>{CScanDataDescriptionDialog::kDescriptionTooLongText});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->GetControl(CScanDataDescriptionDialog::kApplyButton)->isEnabled());
    EXPECT_EQ(node.GetSpatialScanData(1)->m_UserText, "short");
    EXPECT_EQ(node.GetSpatialScanData(1)->GetScanArea().m_OverlayId, 0U);
    EXPECT_FALSE(IsModified());
    // The longest text the file keeps is stored.
    dialog->GetDescriptionEdit()->setPlainText(QString(65535, QLatin1Char('7')));
    EXPECT_TRUE(dialog->Apply());
    EXPECT_EQ(node.GetSpatialScanData(1)->m_UserText.size(), 65535U);
}

// --- Overlays ---

// The file the user picks in the editor's import dialog.
class NamedImportFile : public COverlayImportFileChooser {
public:
    std::optional<std::string> ChooseOpenFile(const COverlayImportFileRequest& /*request*/,
                                              QWidget* /*parent*/) override {
        return path;
    }
    std::string path;
};

class ScanDataDescriptionOverlayTest : public ScanDataDescriptionDialogTest {
public:
    ScanDataDescriptionOverlayTest() { m_previousChooser = COverlayImportFileChooser::Install(m_chooser); }
    ~ScanDataDescriptionOverlayTest() override { COverlayImportFileChooser::Install(m_previousChooser); }

protected:
    // A full 29 x 42 scan with a diagonal of measured cells.
    QNodeMediator& FullGridNode() {
        std::set<int> diagonal;
        for (int row = 0; row < 29; ++row) {
            diagonal.insert(row * 42 + row);
        }
        return SpatialNode(Grid(1, 29, 42, diagonal, "board"));
    }
    // The editor the dialog's "Overlay Editor" button opens, shown and laid out.
    static COverlayView& OpenEditor(CScanDataDescriptionDialog& dialog) {
        QTest::mouseClick(
            dynamic_cast<QPushButton*>(dialog.GetControl(CScanDataDescriptionDialog::kOverlayEditorButton)),
            Qt::LeftButton);
        testing::FlushEvents();
        EXPECT_NE(dialog.GetOverlayFrame(), nullptr);
        COverlayView& editor = *dialog.GetOverlayFrame()->GetOverlayView();
        EXPECT_TRUE(
            testing::ProcessEventsUntil([&] { return editor.IsInitialised() && editor.GetScale() > 0.0F; }));
        testing::Grab(editor);
        return editor;
    }
    // Drags the selected overlay by `by` pixels of the editor with the left button, in steps, and lets
    // the editor paint the move.
    static void Drag(COverlayView& editor, QPoint by) {
        const QPoint start = editor.GetPictureRect().center();
        QTest::mousePress(&editor, Qt::LeftButton, Qt::NoModifier, start);
        for (int step = 1; step <= 4; ++step) {
            testing::SendMouse(editor, QEvent::MouseMove, start + by * step / 4, Qt::NoButton,
                               Qt::LeftButton);
            testing::Grab(editor);
        }
        QTest::mouseRelease(&editor, Qt::LeftButton, Qt::NoModifier, start + by);
        testing::Grab(editor);
    }
    // The grid as the dialog shows it on its face.
    static QImage ShownGrid(CScanDataDescriptionDialog& dialog) {
        return testing::Grab(dialog).copy(dialog.GetGrid().GetRect());
    }

    std::shared_ptr<NamedImportFile> m_chooser = std::make_shared<NamedImportFile>();
    std::shared_ptr<COverlayImportFileChooser> m_previousChooser;

    // Where the placement puts the drawing on the grid image: the extent's share of the 2992 x 2395
    // drawing units the 42 x 29 grid spans.
    static QRect PlacedRect(const COverlayPlacement& placement) {
        const int64_t width = std::llabs(static_cast<int64_t>(placement.m_extentX2) - placement.m_extentX1);
        const int64_t height = std::llabs(static_cast<int64_t>(placement.m_extentY2) - placement.m_extentY1);
        return {static_cast<int>(std::lround(placement.m_originX * 336.0)),
                static_cast<int>(std::lround(placement.m_originY * 232.0)),
                static_cast<int>(336 * (width * 40 / 42) / 2992),
                static_cast<int>(232 * (height * 32 / 29) / 2395)};
    }
    // Pixels outside `placed` in none of the grid's own colours.
    static int StrayPixels(const QImage& grid, const QRect& placed) {
        const std::vector<QColor> gridColours = {
            QColor(Qt::white),
            ColorRefToQColor(ScanDescriptionGrid::kBandColour),
            Blend(Qt::white, ScanDescriptionGrid::kMeasuredArgb),
            Blend(ColorRefToQColor(ScanDescriptionGrid::kBandColour), ScanDescriptionGrid::kMeasuredArgb),
            ColorRefToQColor(ScanDescriptionGrid::kBorderColour),
            ColorRefToQColor(ScanDescriptionGrid::kFrameColour)};
        int stray = 0;
        for (int y = 0; y < grid.height(); ++y) {
            for (int x = 0; x < grid.width(); ++x) {
                const QColor colour = grid.pixelColor(x, y);
                if (!placed.contains(x, y) &&
                    std::none_of(gridColours.begin(), gridColours.end(),
                                 [&](const QColor& expected) { return Near(colour, expected); })) {
                    ++stray;
                }
            }
        }
        return stray;
    }
    static int DarkPixels(const QImage& grid, const QRect& placed) {
        int dark = 0;
        for (int y = placed.top(); y <= placed.bottom(); ++y) {
            for (int x = placed.left(); x <= placed.right(); ++x) {
                dark += grid.pixelColor(x, y).lightness() < 60 ? 1 : 0;
            }
        }
        return dark;
    }
    // The placed rectangle framed, the drawing dark inside the frame, and outside it only the grid's
    // own colours.
    static void ExpectDrawingInside(const QImage& grid, const QRect& placed) {
        EXPECT_EQ(DarkPixels(grid, QRect(placed.topLeft(), QSize(placed.width(), 1))), placed.width());
        EXPECT_EQ(DarkPixels(grid, QRect(placed.topLeft(), QSize(1, placed.height()))), placed.height());
        EXPECT_GT(DarkPixels(grid, placed.adjusted(1, 1, -1, -1)), 40);
        EXPECT_EQ(StrayPixels(grid, placed), 0);
    }
    // The share of the dark pixels inside `after`'s frame that lie within a pixel of a dark pixel of
    // `before` turned a quarter clockwise (the dialog's cells are as wide as they are high to a pixel in
    // 300, so a turned drawing keeps its shape).
    static double TurnedMatch(const QImage& before, const QImage& after) {
        const QImage turned =
            before.copy(before.rect().adjusted(1, 1, -1, -1)).transformed(QTransform().rotate(90));
        const QImage inner = after.copy(after.rect().adjusted(1, 1, -1, -1));
        int dark = 0;
        int matched = 0;
        for (int y = 0; y < inner.height(); ++y) {
            for (int x = 0; x < inner.width(); ++x) {
                if (inner.pixelColor(x, y).lightness() >= 60) {
                    continue;
                }
                ++dark;
                bool near = false;
                for (int v = std::max(0, y - 1); v <= std::min(turned.height() - 1, y + 1) && !near; ++v) {
                    for (int u = std::max(0, x - 1); u <= std::min(turned.width() - 1, x + 1) && !near; ++u) {
                        near = turned.pixelColor(u, v).lightness() < 60;
                    }
                }
                matched += near ? 1 : 0;
            }
        }
        return dark == 0 ? 0.0 : static_cast<double>(matched) / dark;
    }
};

// A board of gerbv's examples and a plot of hp2xx's test files, as Debian installs them, imported in
// the editor the dialog opens, dragged with the mouse and applied; then turned a quarter clockwise and
// applied with OK. The dialog shows each placement as the editor hands it over, and its own Apply
// stores the last one with the scan.
TEST_F(ScanDataDescriptionOverlayTest, RealBoardDrawingsPlacedInTheEditorLandInsideTheirPlacement) {
    struct Case {
        const char* path;
        int32_t type;
        // Where the drawing is dragged to, as fractions of the editor's grid.
        float x;
        float y;
    };
    const Case cases[] = {
        {"/usr/share/doc/gerbv/examples/dan/top.gbx", kDrawingFileGerber, 0.05F, 0.1F},
        {"/usr/share/doc/hp2xx/hp-tests/colors.hp", kDrawingFileHpgl, 0.2F, 0.15F},
    };
    QNodeMediator& node = FullGridNode();
    for (const Case& c : cases) {
        if (!std::filesystem::exists(c.path)) {
            GTEST_SKIP() << c.path << " is not installed (scripts/deps.sh --tests)";
        }
        SCOPED_TRACE(c.path);
        CSpatialScanData& scan = *node.GetSpatialScanData(1);
        const uint32_t storedBefore = scan.GetScanArea().m_OverlayId;
        auto dialog = Open(node, 1);
        auto* show =
            dynamic_cast<QCheckBox*>(dialog->GetControl(CScanDataDescriptionDialog::kShowOverlayCheck));
        auto* apply =
            dynamic_cast<QPushButton*>(dialog->GetControl(CScanDataDescriptionDialog::kApplyButton));
        show->setChecked(false);
        COverlayView& editor = OpenEditor(*dialog);
        QPointer<COverlayViewFrame> frame = dialog->GetOverlayFrame();

        // Imported through the editor's menu command, which selects it at the grid's top-left.
        m_chooser->path = c.path;
        editor.OnCommand(OverlayCommand::kImport);
        testing::Grab(editor);
        const uint32_t id = editor.GetSelectedOverlayId();
        ASSERT_NE(id, 0U);
        ASSERT_EQ(Project().FindOverlayControl(id)->GetSourceKind(), COverlayControl::kPcbDrawing);
        const QRect grid = editor.GetAreaRect();
        Drag(editor, QPoint(static_cast<int>(std::lround(c.x * grid.width())),
                            static_cast<int>(std::lround(c.y * grid.height()))));
        const COverlayPlacement dragged = editor.GetPlacement();
        EXPECT_NEAR(dragged.m_originX, c.x, 0.01F);
        EXPECT_NEAR(dragged.m_originY, c.y, 0.01F);
        EXPECT_FALSE(apply->isEnabled());
        QTest::mouseClick(editor.GetButton(COverlayView::kApplyId), Qt::LeftButton);
        testing::FlushEvents();

        // The dialog takes the placement, shows it (the box ticked again) and offers its own Apply.
        EXPECT_EQ(dialog->GetPlacement().m_overlayId, id);
        EXPECT_EQ(dialog->GetPlacement().m_originX, dragged.m_originX);
        EXPECT_EQ(dialog->GetPlacement().m_originY, dragged.m_originY);
        EXPECT_EQ(dialog->GetPlacement().m_opacity, COverlayView::kAppliedDrawingOpacity);
        EXPECT_TRUE(show->isChecked());
        EXPECT_TRUE(apply->isEnabled());
        const QRect placed = PlacedRect(dialog->GetPlacement());
        SCOPED_TRACE(::testing::Message()
                     << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height());
        ASSERT_TRUE(QRect(0, 0, 336, 232).contains(placed));
        const QImage upright = ShownGrid(*dialog);
        ExpectDrawingInside(upright, placed);

        // Turned a quarter clockwise and applied with OK, which closes the editor.
        editor.OnCommand(OverlayCommand::kRotateClockwise);
        testing::Grab(editor);
        const COverlayPlacement turned = editor.GetPlacement();
        QTest::mouseClick(editor.GetButton(COverlayView::kOkId), Qt::LeftButton);
        EXPECT_TRUE(testing::ProcessEventsUntil([&] { return frame.isNull(); }));
        testing::FlushEvents();
        EXPECT_EQ(dialog->GetPlacement().m_drawingQuarterTurns, -1);
        EXPECT_EQ(
            std::vector<int32_t>({dialog->GetPlacement().m_extentX1, dialog->GetPlacement().m_extentY1,
                                  dialog->GetPlacement().m_extentX2, dialog->GetPlacement().m_extentY2}),
            std::vector<int32_t>(
                {turned.m_extentX1, turned.m_extentY1, turned.m_extentX2, turned.m_extentY2}));
        const QRect placedTurned = PlacedRect(dialog->GetPlacement());
        EXPECT_EQ(placedTurned.topLeft(), placed.topLeft());
        EXPECT_NEAR(placedTurned.width(), placed.height(), 2);
        EXPECT_NEAR(placedTurned.height(), placed.width(), 2);
        ASSERT_TRUE(QRect(0, 0, 336, 232).contains(placedTurned));
        const QImage shown = ShownGrid(*dialog);
        ExpectDrawingInside(shown, placedTurned);
        // The board's own turn: mirrored or turned the other way it matches far less (0.75, 0.5).
        EXPECT_GT(TurnedMatch(upright.copy(placed), shown.copy(placedTurned)), 0.95);

        // Nothing is stored before the dialog's own Apply; then the scan keeps the placement and the
        // next dialog shows the same.
        EXPECT_EQ(scan.GetScanArea().m_OverlayId, storedBefore);
        ClearModified();
        QTest::mouseClick(apply, Qt::LeftButton);
        EXPECT_TRUE(IsModified());
        const CScanAreaRecord& area = scan.GetScanArea();
        EXPECT_EQ(area.m_OverlayId, id);
        EXPECT_EQ(area.m_Variant, COverlayControl::kPcbDrawing);
        EXPECT_EQ(area.m_RotationCount, -1);
        EXPECT_EQ(area.m_Values, (std::array<float, 2>{dragged.m_originX, dragged.m_originY}));
        EXPECT_EQ(std::vector<int32_t>({area.m_Left, area.m_Top, area.m_Right, area.m_Bottom}),
                  std::vector<int32_t>(
                      {turned.m_extentX1, turned.m_extentY1, turned.m_extentX2, turned.m_extentY2}));
        auto again = Open(node, 1);
        EXPECT_EQ(again->GetPlacement(), dialog->GetPlacement());
        EXPECT_EQ(ShownGrid(*again), shown);

#ifdef ORV_SCREENSHOT_DIR
        if (c.type == kDrawingFileGerber) {
            QDir().mkpath(QStringLiteral(ORV_SCREENSHOT_DIR));
            testing::Grab(*again).save(
                QStringLiteral(ORV_SCREENSHOT_DIR "/scan_data_description_gerber.png"));
        }
#endif
    }
}

TEST_F(ScanDataDescriptionOverlayTest, APictureIsTurnedAndMirroredAsItsPlacementSays) {
    QNodeMediator& node = FullGridNode();
    auto dialog = Open(node, 1);
    // Left half red, right half blue.
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(QRect(0, 0, 10, 10), Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    ASSERT_TRUE(Project().AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(png.constData()),
                                                   static_cast<uint32_t>(png.size()), 90, 5151, false));
    struct Case {
        int8_t turns;
        uint8_t mirrorHorizontal;
        uint8_t mirrorVertical;
        QColor top;
        QColor bottom;
        QColor left;
        QColor right;
    };
    const Case cases[] = {
        {0, 0, 0, Qt::red, Qt::red, Qt::red, Qt::blue},
        {0, 1, 0, Qt::blue, Qt::blue, Qt::blue, Qt::red},
        // A clockwise turn puts the left half on top; mirrored upside down it goes to the bottom.
        {1, 0, 0, Qt::red, Qt::blue, Qt::red, Qt::red},
        {1, 0, 1, Qt::blue, Qt::red, Qt::blue, Qt::blue},
        // -1 is three turns: the left half at the bottom.
        {-1, 0, 0, Qt::blue, Qt::red, Qt::blue, Qt::blue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << int{c.turns} << " " << int{c.mirrorHorizontal} << int{c.mirrorVertical});
        COverlayPlacement placement;
        placement.m_overlayId = 90;
        placement.m_pictureLeft = 0.25F;
        placement.m_pictureTop = 0.25F;
        placement.m_pictureWidth = 0.5F;
        placement.m_pictureHeight = 0.5F;
        placement.m_pictureQuarterTurns = c.turns;
        placement.m_mirrorHorizontal = c.mirrorHorizontal;
        placement.m_mirrorVertical = c.mirrorVertical;
        placement.m_opacity = 100;
        // As the editor's Apply hands it over.
        dialog->WriteOverlayPlacement(placement, false);
        dialog->GetOverlayOwnerTarget()->Post(CScanDataDescriptionDialog::kPlacementChangedMessage, 1);
        dialog->OnOverlayPlacementApplied();
        testing::FlushEvents();
        const QImage& grid = dialog->GetGridImage();
        // The picture covers (84, 58) to (252, 174) of the 336 x 232 grid.
        EXPECT_TRUE(Near(grid.pixelColor(130, 62), c.top));
        EXPECT_TRUE(Near(grid.pixelColor(130, 170), c.bottom));
        EXPECT_TRUE(Near(grid.pixelColor(88, 70), c.left));
        EXPECT_TRUE(Near(grid.pixelColor(248, 70), c.right));
        // Around it the grid.
        EXPECT_TRUE(Near(grid.pixelColor(76, 100), QColor(Qt::white)));
    }
}

TEST_F(ScanDataDescriptionOverlayTest, TheOverlayEditorWorksForTheDialogAndGoesWithIt) {
    QNodeMediator& node = FullGridNode();
    auto dialog = Open(node, 1);
    dynamic_cast<QCheckBox*>(dialog->GetControl(CScanDataDescriptionDialog::kShowOverlayCheck))
        ->setChecked(false);
    QTest::mouseClick(
        dynamic_cast<QPushButton*>(dialog->GetControl(CScanDataDescriptionDialog::kOverlayEditorButton)),
        Qt::LeftButton);
    testing::FlushEvents();
    QPointer<COverlayViewFrame> frame = dialog->GetOverlayFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame->windowTitle().toStdString(), "Overlay View");
    EXPECT_EQ(frame->GetOwner(), dialog.get());
    EXPECT_EQ(frame->GetOverlayView()->GetOwner(), dialog.get());
    EXPECT_TRUE(dynamic_cast<QCheckBox*>(dialog->GetControl(CScanDataDescriptionDialog::kShowOverlayCheck))
                    ->isChecked());
    // A second press brings the same window up.
    dialog->OpenOverlayEditor();
    EXPECT_EQ(dialog->GetOverlayFrame(), frame.data());

    // The editor's grid marks the dialog's measured cells.
    EXPECT_TRUE(dialog->IsOverlayCellMarked(4, 4));
    EXPECT_FALSE(dialog->IsOverlayCellMarked(4, 5));

    // The select-picture notice selects the overlay in the editor.
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    ASSERT_TRUE(Project().AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(png.constData()),
                                                   static_cast<uint32_t>(png.size()), 31, 3131, false));
    dialog->Post(CScanDataDescriptionDialog::kSelectOverlayPictureMessage, 31);
    testing::FlushEvents();
    EXPECT_EQ(frame->GetOverlayView()->GetSelectedOverlayId(), 31U);

    // It goes when the dialog closes, and with the dialog.
    dialog->reject();
    testing::FlushEvents();
    EXPECT_TRUE(frame.isNull());
    dialog->OpenOverlayEditor();
    frame = dialog->GetOverlayFrame();
    ASSERT_FALSE(frame.isNull());
    dialog.reset();
    testing::FlushEvents();
    EXPECT_TRUE(frame.isNull());
}

// --- Convert ---

TEST_F(ScanDataDescriptionDialogTest, TheHiddenConvertCommandMakesTheScanTheNodesSettings) {
    QSpatialScanAddition addition = Grid(1, 4, 6, {0, 7, 23}, "source");
    addition.m_Record.m_CenterFrequency = 433.92F;
    addition.m_Record.m_ResolutionBandwidth = 0.03F;
    addition.m_Record.m_ReferenceLevel = 70.0F;
    addition.m_Record.m_PeakHold = 1;
    addition.m_Record.m_SettingsBytes = {0, 1};
    addition.m_Record.m_Area.m_OverlayId = 66;
    addition.m_Record.m_Area.m_Values = {0.5F, 0.25F};
    addition.m_Record.m_Area.m_Right = 900;
    QNodeMediator& node = SpatialNode(addition);
    ClearModified();
    auto dialog = Open(node, 1);
    auto* convert =
        dynamic_cast<QPushButton*>(dialog->GetControl(CScanDataDescriptionDialog::kConvertButton));
    EXPECT_TRUE(convert->isHidden());
    convert->click();
    const QScanOptions& options = *node.GetScanOptions();
    EXPECT_FLOAT_EQ(options.GetCenterFrequency(), 433.92F);
    EXPECT_FLOAT_EQ(options.GetRBW(), 0.03F);
    EXPECT_FLOAT_EQ(options.GetReferenceLevel(), 70.0F);
    EXPECT_TRUE(options.IsPeakHold());
    EXPECT_TRUE(options.GetSetupSwitch1());
    EXPECT_TRUE(options.IsAveraging());
    const QProbeScanPattern& pattern = node.GetSecondProbePatternOptions()->GetPattern();
    EXPECT_EQ(pattern.GetRows(), 4);
    EXPECT_EQ(pattern.GetColumns(), 6);
    EXPECT_EQ(pattern.GetProbeOnCount(), 3U);
    EXPECT_TRUE(pattern.IsProbeOn(1, 1));
    const QOverlayOptions& overlay = *node.GetOverlayOptions();
    EXPECT_EQ(overlay.m_overlayId, 66);
    EXPECT_FLOAT_EQ(overlay.m_placementA, 0.5F);
    EXPECT_EQ(overlay.m_placement.c, 900);
    EXPECT_TRUE(IsModified());

    // Without a scan the command does nothing.
    QNodeMediator& note = AddNode(kTypeNoteNode);
    ClearModified();
    auto empty = Open(note, 1);
    dynamic_cast<QPushButton*>(empty->GetControl(CScanDataDescriptionDialog::kConvertButton))->click();
    EXPECT_FALSE(IsModified());
}

// --- Opened through the seam ---

TEST_F(ScanDataDescriptionDialogTest, TheListAndTheViewsOpenItThroughTheInstalledMaker) {
    CScanDataDescriptionDialog::Install();
    QNodeMediator& node = SpatialNode(Grid(1, 3, 3, {0}, "seam"));
    std::string title;
    QTimer::singleShot(0, [&title] {
        if (auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = shown->windowTitle().toStdString();
            shown->reject();
        }
    });
    EXPECT_FALSE(CDlgScanDataDescription::Run(node, 1, 0, nullptr));
    EXPECT_EQ(title, "Scan Data Description --- Node: " + node.GetName() + ",   Scan ID: 1");
}

} // namespace
} // namespace orv
