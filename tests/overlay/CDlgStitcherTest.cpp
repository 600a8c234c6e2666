#include "overlay/CDlgStitcher.h"

#include "app/CStitchDialogMaker.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "project/QScanDataRecord.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/project/support/MediatorFakes.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

namespace orv {
namespace {

class StitchNode : public test::TestMediator {
public:
    using TestMediator::TestMediator;
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &spatialDisplay; }
    QSpatialDisplayOptions spatialDisplay;
};

// A scan of the node: plain values, or (with records) multi-level data of a level.
struct ScanSpec {
    uint16_t rows = 0;
    uint16_t columns = 0;
    std::vector<int16_t> values;
    uint8_t level = 0;
    std::vector<CZeltSpatialRecord> records;
};

ScanSpec Plain(uint16_t rows, uint16_t columns, std::vector<int16_t> values) {
    ScanSpec spec;
    spec.rows = rows;
    spec.columns = columns;
    spec.values = std::move(values);
    return spec;
}

ScanSpec MultiLevel(uint16_t rows, uint16_t columns, uint8_t level, std::vector<CZeltSpatialRecord> records) {
    ScanSpec spec;
    spec.rows = rows;
    spec.columns = columns;
    spec.level = level;
    spec.records = std::move(records);
    return spec;
}

std::vector<int16_t> Counting(int count, int16_t base) {
    std::vector<int16_t> values(static_cast<size_t>(count));
    std::iota(values.begin(), values.end(), base);
    return values;
}

_StitchPlacement Placed(int32_t index, int32_t x, int32_t y, int32_t rotation = 0) {
    _StitchPlacement slot;
    slot.m_X = x;
    slot.m_Y = y;
    slot.m_Rotation = rotation;
    slot.m_ScanIndex = index;
    slot.m_Used = true;
    return slot;
}

class CDlgStitcherTest : public testing::QtWidgetTest {
protected:
    CDlgStitcherTest() : m_factory(m_thread), m_window(m_thread) {
        QStitchLayout::Forget();
        m_node.Wire(&m_factory, &m_window, &m_tree, &m_list, &m_container);
    }
    ~CDlgStitcherTest() override { QStitchLayout::Forget(); }

    void AddScan(int32_t id, const ScanSpec& spec) {
        QSpatialScanAddition addition;
        addition.m_Record.m_ScanId = id;
        addition.m_Record.m_Rows = spec.rows;
        addition.m_Record.m_Columns = spec.columns;
        addition.m_Record.m_CenterFrequency = 150.0F;
        addition.m_Record.m_Texts = {"user", "analyser", "module", "date", "head", ""};
        addition.m_Record.m_ZeltLevel = spec.level;
        addition.m_Values = spec.values;
        if (!spec.records.empty()) {
            addition.m_Record.m_IsZeltData = 1;
            for (const CZeltSpatialRecord& record : spec.records) {
                uint8_t bytes[CSpatialScanData::kRecordBytes];
                std::memcpy(bytes, &record.m_Row, 2);
                std::memcpy(bytes + 2, &record.m_Column, 2);
                std::memcpy(bytes + 4, &record.m_SubRow, 2);
                std::memcpy(bytes + 6, &record.m_SubColumn, 2);
                std::memcpy(bytes + 8, &record.m_Value, 4);
                addition.m_ZeltRecords.insert(addition.m_ZeltRecords.end(), bytes, bytes + sizeof(bytes));
            }
        }
        ASSERT_TRUE(m_node.AddSpatialScanData(std::move(addition), false, false));
    }
    // Scans 1 .. count of 29 x 42 cells, all at the scan's ID.
    void AddHeadScans(int32_t count) {
        for (int32_t id = 1; id <= count; ++id) {
            AddScan(id, Plain(29, 42, std::vector<int16_t>(29 * 42, static_cast<int16_t>(id))));
        }
    }

    std::unique_ptr<CDlgStitcher> Open() {
        auto dialog = std::make_unique<CDlgStitcher>(m_node);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    // A pixel of the dialog inside a canvas cell.
    static QPoint CellPixel(int32_t x, int32_t y) {
        return {kStitchCanvasLeft + kStitchCellPixels * x + 1, kStitchCanvasTop + kStitchCellPixels * y + 1};
    }
    static const _StitchPlacement& Slot(int slot) {
        return QStitchLayout::Table()[static_cast<size_t>(slot)];
    }
    // Whether the canvas shows a placed scan's fill in the cell (not the canvas's white).
    static bool Painted(const CDlgStitcher& dialog, int32_t x, int32_t y) {
        return dialog.GetCanvas().pixel(kStitchCellPixels * x + 2, kStitchCellPixels * y + 2) != 0xFFFFFFFF;
    }
    static std::vector<std::string> Items(QComboBox& list) {
        std::vector<std::string> items;
        for (int i = 0; i < list.count(); ++i) {
            items.push_back(list.itemText(i).toStdString());
        }
        return items;
    }
    static void Drag(CDlgStitcher& dialog, QPoint from, const std::vector<QPoint>& moves) {
        QTest::mousePress(&dialog, Qt::LeftButton, {}, from);
        for (const QPoint& to : moves) {
            QTest::mouseMove(&dialog, to);
        }
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, moves.empty() ? from : moves.back());
    }
    static void ClickOk(CDlgStitcher& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
    }

    MessageThread m_thread;
    test::FakeViewFactory m_factory;
    test::FakeProjectWindow m_window;
    test::FakeProjectTree m_tree;
    test::FakeScanDataList m_list;
    test::FakeNodeContainer m_container;
    StitchNode m_node{kTypeSpatialScanNode, "Board"};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST_F(CDlgStitcherTest, TheFirstOpeningShowsThePresetAndAnUnusedSlotIsNeitherPaintedNorHitNorCounted) {
    AddHeadScans(3);
    AddScan(4, Plain(10, 20, std::vector<int16_t>(200, 7)));
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Stitch Scan Data");
    for (int i = 0; i < kStitchSlotCount; ++i) {
        QComboBox& list = dialog->GetList(i);
        EXPECT_EQ(list.objectName().toStdString(), std::to_string(1122 + i));
        EXPECT_EQ(Items(list), (std::vector<std::string>{"None", "#1", "#2", "#3", "#4"}));
        EXPECT_EQ(list.currentIndex(), i < 2 ? i + 1 : 0) << i;
        EXPECT_EQ(Slot(i).m_X, 8 * i);
        EXPECT_EQ(Slot(i).m_Used, i < 2);
    }
    EXPECT_NE(dialog->findChild<QPushButton*>("1283"), nullptr);
    EXPECT_EQ(CDlgStitcher::SlotLabel(Slot(1)), "SCAN #2 (0deg)");

    // Slot 2 (at 16, 16) shows "None": cell (55, 42) lies in it alone.
    EXPECT_TRUE(Painted(*dialog, 49, 36));
    EXPECT_FALSE(Painted(*dialog, 55, 42));
    Drag(*dialog, CellPixel(55, 42), {CellPixel(60, 50)});
    EXPECT_EQ(Slot(2).m_X, 16);
    EXPECT_EQ(Slot(1).m_X, 8);

    // Choosing a scan takes its grid; choosing "None" frees the slot.
    dialog->GetList(5).setCurrentIndex(4);
    EXPECT_TRUE(Slot(5).m_Used);
    EXPECT_EQ(Slot(5).m_ScanIndex, 3);
    EXPECT_EQ(Slot(5).m_Rows, 10);
    EXPECT_EQ(Slot(5).m_Columns, 20);
    EXPECT_TRUE(Painted(*dialog, 59, 49));
    EXPECT_FALSE(Painted(*dialog, 60, 49));
    dialog->GetList(5).setCurrentIndex(0);
    EXPECT_FALSE(Slot(5).m_Used);
    EXPECT_FALSE(Painted(*dialog, 59, 49));

    // Stitched: slots 0 and 1 only, (0, 0) to (50, 37).
    ClickOk(*dialog);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const CSpatialScanData* stitched = m_node.GetSpatialScanData(5);
    ASSERT_NE(stitched, nullptr);
    EXPECT_EQ(stitched->m_Rows, 37);
    EXPECT_EQ(stitched->m_Columns, 50);
}

TEST_F(CDlgStitcherTest, DragsMoveInWholeCellsKeepTheirRemaindersAndStayOnTheCanvas) {
    AddHeadScans(2);
    auto dialog = Open();
    // Slot 1 (8, 8) lies over slot 0 and is found first.
    const QPoint start = CellPixel(20, 20);
    QTest::mousePress(dialog.get(), Qt::LeftButton, {}, start);
    EXPECT_EQ(dialog->GetDrag().m_Slot, 1);
    QTest::mouseMove(dialog.get(), start + QPoint(3, 3));
    EXPECT_EQ(Slot(1).m_X, 8);
    EXPECT_EQ(Slot(1).m_Y, 8);
    QTest::mouseMove(dialog.get(), start + QPoint(6, -3));
    EXPECT_EQ(Slot(1).m_X, 9);
    EXPECT_EQ(Slot(1).m_Y, 8);
    QTest::mouseMove(dialog.get(), start + QPoint(9, 2));
    EXPECT_EQ(Slot(1).m_X, 10);
    QTest::mouseRelease(dialog.get(), Qt::LeftButton, {}, start + QPoint(9, 2));
    EXPECT_EQ(dialog->GetDrag().m_Slot, -1);
    QTest::mouseMove(dialog.get(), start + QPoint(40, 40));
    EXPECT_EQ(Slot(1).m_X, 10);

    // Right and bottom edges by the shown size, then left and top.
    Drag(*dialog, CellPixel(11, 9), {CellPixel(11 + 200, 9 + 150)});
    EXPECT_EQ(Slot(1).m_X, 168 - 42);
    EXPECT_EQ(Slot(1).m_Y, 116 - 29);
    EXPECT_TRUE(Painted(*dialog, 167, 115));
    // (A null point would be taken for the dialog's centre.)
    Drag(*dialog, CellPixel(127, 88), {QPoint(1, 1)});
    EXPECT_EQ(Slot(1).m_X, 0);
    EXPECT_EQ(Slot(1).m_Y, 0);
    // A turned scan is kept on the canvas by its turned size.
    QTest::mouseClick(dialog.get(), Qt::RightButton, {}, CellPixel(1, 1));
    Drag(*dialog, CellPixel(1, 1), {CellPixel(180, 130)});
    EXPECT_EQ(Slot(1).m_X, 168 - 29);
    EXPECT_EQ(Slot(1).m_Y, 116 - 42);
}

TEST_F(CDlgStitcherTest, FourRightClicksTurnAScanBackToZeroDegrees) {
    AddHeadScans(2);
    auto dialog = Open();
    const std::vector<std::string> labels = {"SCAN #1 (90deg)", "SCAN #1 (180deg)", "SCAN #1 (270deg)",
                                             "SCAN #1 (0deg)"};
    EXPECT_TRUE(Painted(*dialog, 35, 1));
    for (size_t turn = 0; turn < labels.size(); ++turn) {
        QTest::mouseClick(dialog.get(), Qt::RightButton, {}, CellPixel(1, 1));
        EXPECT_EQ(CDlgStitcher::SlotLabel(Slot(0)), labels[turn]);
        // Turned, the scan is 29 cells wide and 42 high.
        EXPECT_EQ(Painted(*dialog, 35, 1), turn % 2 == 1) << turn;
        EXPECT_EQ(Painted(*dialog, 1, 40), turn % 2 == 0) << turn;
    }
    // While dragging, the dragged slot turns whatever lies under the pointer.
    QTest::mousePress(dialog.get(), Qt::LeftButton, {}, CellPixel(20, 20));
    QTest::mouseClick(dialog.get(), Qt::RightButton, {}, CellPixel(1, 1));
    EXPECT_EQ(Slot(1).m_Rotation, 1);
    EXPECT_EQ(Slot(0).m_Rotation, 0);
}

TEST_F(CDlgStitcherTest, TheLayoutOutlivesTheDialogAndAScanThatIsGoneFreesItsSlot) {
    AddHeadScans(3);
    {
        auto dialog = Open();
        dialog->GetList(4).setCurrentIndex(3);
        Drag(*dialog, CellPixel(33, 33), {CellPixel(33 + 10, 33 + 5)});
        QTest::mouseClick(dialog->findChild<QPushButton*>("2"), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
    {
        auto dialog = Open();
        EXPECT_EQ(dialog->GetList(4).currentIndex(), 3);
        EXPECT_EQ(Slot(4).m_X, 42);
        EXPECT_EQ(Slot(4).m_Y, 37);
        EXPECT_TRUE(Painted(*dialog, 42 + 41, 37 + 28));
        dialog->reject();
    }
    // Scan #3 is deleted: its slot is freed at the next opening, the others keep theirs.
    ASSERT_TRUE(m_node.DeleteSpatialScanData(3));
    auto dialog = Open();
    EXPECT_EQ(dialog->GetList(4).currentIndex(), 0);
    EXPECT_EQ(dialog->GetList(4).count(), 3);
    EXPECT_FALSE(Slot(4).m_Used);
    EXPECT_TRUE(Slot(1).m_Used);
    EXPECT_FALSE(Painted(*dialog, 42 + 41, 37 + 28));
}

struct OkCase {
    const char* name = "";
    std::vector<ScanSpec> scans;
    // The slots used, by slot number; the others are unused.
    std::vector<std::pair<int, _StitchPlacement>> placements;
    // A scan deleted while the dialog is open (0: none).
    int32_t deletedWhileOpen = 0;
    const char* prompt = nullptr;
    uint16_t rows = 0;
    uint16_t columns = 0;
    std::vector<int16_t> values;
};

// The case's name in place of its bytes.
void PrintTo(const OkCase& c, std::ostream* out) {
    *out << c.name;
}

class CDlgStitcherOkTest : public CDlgStitcherTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(CDlgStitcherOkTest, Stitch) {
    const OkCase& c = GetParam();
    for (size_t i = 0; i < c.scans.size(); ++i) {
        AddScan(static_cast<int32_t>(i + 1), c.scans[i]);
    }
    StitchPlacements& table = QStitchLayout::Table();
    table = {};
    for (const auto& [slot, placement] : c.placements) {
        table[static_cast<size_t>(slot)] = placement;
    }
    auto dialog = Open();
    if (c.deletedWhileOpen != 0) {
        ASSERT_TRUE(m_node.DeleteSpatialScanData(c.deletedWhileOpen));
    }
    const std::vector<int32_t> before = m_node.GetScanIDs(kTypeSpatialScanNode);
    m_container.listCalls.clear();
    ClickOk(*dialog);
    m_thread.Pump();
    if (c.prompt != nullptr) {
        EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{c.prompt});
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(m_node.GetScanIDs(kTypeSpatialScanNode), before);
        EXPECT_TRUE(m_node.notifications.empty());
        EXPECT_TRUE(m_window.target.received.empty());
        return;
    }
    EXPECT_TRUE(m_prompt->Texts().empty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const std::vector<int32_t> after = m_node.GetScanIDs(kTypeSpatialScanNode);
    ASSERT_EQ(after.size(), before.size() + 1);
    const int32_t id = after.back();
    EXPECT_EQ(id, static_cast<int32_t>(c.scans.size()) + 1);
    ASSERT_EQ(m_container.listCalls.size(), 1U);
    EXPECT_EQ(m_container.listCalls[0].scanID, static_cast<uint32_t>(id));
    EXPECT_EQ(m_node.notifications, std::vector<uint16_t>{kTypeSpatialScanNode});
    EXPECT_EQ(m_window.target.Ids(), std::vector<uint32_t>{NodeMessage::kProjectModified});
    const CSpatialScanData* stitched = m_node.GetSpatialScanData(id);
    ASSERT_NE(stitched, nullptr);
    EXPECT_EQ(stitched->m_Rows, c.rows);
    EXPECT_EQ(stitched->m_Columns, c.columns);
    EXPECT_EQ(stitched->m_Values, c.values);
    EXPECT_EQ(stitched->m_IsZeltData, 0);
    EXPECT_TRUE(stitched->m_ZeltRecords.empty());
    EXPECT_EQ(stitched->m_TextValue, static_cast<uint32_t>(before.size() + 1));
    ASSERT_NE(stitched->m_SpatialSnapshot, nullptr);
    EXPECT_EQ(stitched->m_SpatialSnapshot->GetRowCount(), c.rows);
    EXPECT_EQ(stitched->m_SpatialSnapshot->GetColumnCount(), c.columns);
}

std::vector<int16_t> SideBySide() {
    std::vector<int16_t> values;
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 40; ++c) {
            values.push_back(static_cast<int16_t>(c < 20 ? r * 20 + c : 1000 + r * 20 + c - 20));
        }
    }
    return values;
}

constexpr int16_t kNo = CScanData::kNoValue;

OkCase Refused(const char* name, std::vector<ScanSpec> scans,
               std::vector<std::pair<int, _StitchPlacement>> placements, int32_t deletedWhileOpen,
               const char* prompt) {
    OkCase c;
    c.name = name;
    c.scans = std::move(scans);
    c.placements = std::move(placements);
    c.deletedWhileOpen = deletedWhileOpen;
    c.prompt = prompt;
    return c;
}

OkCase Stitched(const char* name, std::vector<ScanSpec> scans,
                std::vector<std::pair<int, _StitchPlacement>> placements, uint16_t rows, uint16_t columns,
                std::vector<int16_t> values) {
    OkCase c;
    c.name = name;
    c.scans = std::move(scans);
    c.placements = std::move(placements);
    c.rows = rows;
    c.columns = columns;
    c.values = std::move(values);
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CDlgStitcherOkTest,
    ::testing::Values(
        Refused("NoSlotUsed", {Plain(2, 3, Counting(6, 0))}, {}, 0, CDlgStitcher::kNothingToStitchText),
        Refused("FirstScanGone", {Plain(2, 3, Counting(6, 0)), Plain(2, 3, Counting(6, 0))},
                {{1, Placed(1, 0, 0)}, {2, Placed(0, 5, 5)}}, 2, CDlgStitcher::kNothingToStitchText),
        Refused("HigherLevel", {Plain(2, 3, Counting(6, 0)), MultiLevel(2, 2, 1, {{0, 0, 1, 1, 12.0F}})},
                {{0, Placed(0, 0, 0)}, {3, Placed(1, 10, 0)}}, 0, CDlgStitcher::kHigherLevelText),
        Stitched("SideBySide", {Plain(10, 20, Counting(200, 0)), Plain(10, 20, Counting(200, 1000))},
                 {{0, Placed(0, 0, 0)}, {1, Placed(1, 20, 0)}}, 10, 40, SideBySide()),
        Stitched("TurnedOnce", {Plain(2, 3, Counting(6, 0))}, {{2, Placed(0, 4, 9, 1)}}, 3, 2,
                 {3, 0, 4, 1, 5, 2}),
        Stitched("OverlapTakesTheLaterSlotAndUncoveredCellsHoldNoValue",
                 {Plain(2, 2, {1, 2, 3, 4}), Plain(2, 2, {5, 6, 7, kNo})},
                 {{0, Placed(1, 1, 1)}, {4, Placed(0, 0, 0)}}, 3, 3, {1, 2, kNo, 3, 4, 6, kNo, 7, kNo}),
        Stitched("ALevelZeroMultiLevelScanGivesItsCellsAsItsMapShowsThem",
                 {MultiLevel(1, 2, 0, {{0, 1, 0, 0, 25.7F}})}, {{0, Placed(0, 0, 0)}}, 1, 2, {kNo, 25})),
    [](const ::testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST_F(CDlgStitcherTest, TheListsStitchRunsTheDialogOnceItsMakerIsInstalled) {
    AddHeadScans(2);
    CDlgStitcher::InstallMaker();
    bool accepted = false;
    QTimer::singleShot(0, [] {
        auto* dialog = dynamic_cast<CDlgStitcher*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
    });
    accepted = CStitchDialogMaker::Run(m_node, nullptr);
    CStitchDialogMaker::Install({});
    EXPECT_TRUE(accepted);
    EXPECT_EQ(m_node.GetScanIDs(kTypeSpatialScanNode), (std::vector<int32_t>{1, 2, 3}));
}

} // namespace
} // namespace orv
