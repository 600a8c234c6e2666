// The report generator's page in a real project window, driven by mouse clicks: which nodes it shows,
// the tick rules of nodes and scans, the list per node kind, apply and pruning, the project's
// report-page flag, the double clicks, and what a report that cannot be written or a sheet left
// while a report is built leave behind.

#include "app/project/CHalvionDoc.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "tests/dialogs/support/OdtDocument.h"
#include "tests/dialogs/support/ReportGeneratorFixture.h"
#include "tests/dialogs/support/ScopedFolderModesHold.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orv::testing {
namespace {

namespace fs = std::filesystem;
using Records = std::vector<_ReportGeneratorDataBuffer>;

class PageReportGeneratorTest : public ReportGeneratorFixture {
protected:
    PageReportGeneratorTest()
        : bench(AddNode(kTypeModuleNode, "Bench")), boardA(AddNode(kTypeSpectralScanNode, "Board A", &bench)),
          boardB(AddNode(kTypeSpectralScanNode, "Board B", &bench)),
          map(AddNode(kTypeSpatialScanNode, "Map", &boardB)),
          compareSpatial(AddNode(kTypeSpatialComparisonNode, "Compare Spatial")),
          compareSpectral(AddNode(kTypeSpectralComparisonNode, "Compare Spectral")),
          note(AddNode(kTypeNoteNode, "Note")),
          script(AddNode(kTypeSpectralSpatialScriptingModuleNode, "Script")),
          report(AddNode(kTypeWordReportNode, "Report")),
          belowReport(AddNode(kTypeSpectralScanNode, "Below report", &report)) {
        AddSpectralScans(boardA, 3);
        AddSpectralScans(boardB, 2);
        auto reference = std::make_unique<CSpatialScanData>();
        reference->m_ScanId = 5;
        reference->m_DateText = "reference date";
        EXPECT_TRUE(compareSpatial.SetComparedScan(true, std::move(reference)));
        for (QNodeMediator* node :
             {&bench, &boardA, &boardB, &map, &compareSpatial, &compareSpectral, &note, &script}) {
            treeOrder.push_back(static_cast<int32_t>(node->GetNodeID()));
        }
    }

    static void AddSpectralScans(QNodeMediator& node, int32_t count) {
        for (int32_t id = 1; id <= count; ++id) {
            ASSERT_TRUE(node.AddSpectralScanData(test::MirtSpectrum(id, {400, 600, 500}), false, false));
            node.GetSpectralScanData(id)->m_UserText = node.GetName() + " scan " + std::to_string(id);
            node.GetSpectralScanData(id)->m_DateText = "2026-12-0" + std::to_string(id);
        }
    }
    static _ReportGeneratorDataBuffer Record(QNodeMediator& node, std::vector<int32_t> ids = {}) {
        return {static_cast<int32_t>(node.GetNodeID()), std::move(ids)};
    }
    // The records of a selection in tree order (the order ticks add them is the page's own).
    Records Sorted(Records records) const {
        auto rank = [&](const _ReportGeneratorDataBuffer& record) {
            return std::find(treeOrder.begin(), treeOrder.end(), record.m_NodeId) - treeOrder.begin();
        };
        std::sort(records.begin(), records.end(),
                  [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
        return records;
    }

    QNodeMediator& bench;
    QNodeMediator& boardA;
    QNodeMediator& boardB;
    QNodeMediator& map;
    QNodeMediator& compareSpatial;
    QNodeMediator& compareSpectral;
    QNodeMediator& note;
    QNodeMediator& script;
    QNodeMediator& report;
    QNodeMediator& belowReport;
    // The node IDs in tree order, kept apart from the mediators, which a test may delete.
    std::vector<int32_t> treeOrder;
};

TEST_F(PageReportGeneratorTest, TheTreeShowsTheProjectInItsOrderWithoutTheReportNodeAndWhatLiesBelowIt) {
    CPageReportGenerator& page = OpenReport(report);
    QTreeWidget& tree = page.GetTree();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    const QTreeWidgetItem* root = tree.topLevelItem(0);
    std::vector<std::string> children;
    children.reserve(static_cast<size_t>(root->childCount()));
    for (int i = 0; i < root->childCount(); ++i) {
        children.push_back(root->child(i)->text(0).toStdString());
    }
    EXPECT_EQ(children,
              (std::vector<std::string>{"Bench", "Compare Spatial", "Compare Spectral", "Note", "Script"}));
    ASSERT_EQ(root->child(0)->childCount(), 2);
    EXPECT_EQ(root->child(0)->child(1)->text(0), "Board B");
    EXPECT_EQ(page.FindTreeItem(&report), nullptr);
    EXPECT_EQ(page.FindTreeItem(&belowReport), nullptr);
    EXPECT_TRUE(root->child(0)->isExpanded());
    // The root is selected and is the current node; nothing is ticked, so the list is off.
    EXPECT_EQ(tree.currentItem(), root);
    EXPECT_EQ(page.GetCurrentNode(), CPageReportGenerator::MediatorOf(root));
    EXPECT_FALSE(page.GetList().isEnabled());
    EXPECT_TRUE(page.GetStatusLabel().isHidden());
    QStringList headers;
    for (int i = 0; i < page.GetList().columnCount(); ++i) {
        headers << page.GetList().headerItem()->text(i);
    }
    EXPECT_EQ(headers, (QStringList{"ID", "Scan Date", "Description"}));
    EXPECT_EQ(CPageReportGenerator::ImageOfKind(kTypeModuleNode), 9);
    EXPECT_EQ(CPageReportGenerator::ImageOfKind(kTypeSpectralSpatialScriptingModuleNode), 11);
    EXPECT_EQ(CPageReportGenerator::ImageOfKind(kTypeNoteNode), 0);
}

TEST_F(PageReportGeneratorTest, TicksOfNodesAndScansMakeTheRecordsAndAncestorsAreTickedForDisplayOnly) {
    CPageReportGenerator& page = OpenReport(report);
    QNodeMediator* root = CPageReportGenerator::MediatorOf(page.GetTree().topLevelItem(0));
    struct Step {
        const char* what;
        std::function<void()> act;
        Records records;
        std::vector<QNodeMediator*> ticked; // boxes shown ticked
        std::vector<std::string> rows;      // the list after the step ("+": ticked)
        bool listEnabled;
    };
    const std::vector<Step> steps = {
        {"tick the module: its subtree gets empty records, the root's box is ticked",
         [&] { TickNode(page, bench); },
         {Record(bench), Record(boardA), Record(boardB), Record(map)},
         {root, &bench, &boardA, &boardB, &map},
         {},
         true},
        {"select Board A: its scans, newest first",
         [&] { SelectNode(page, boardA); },
         {Record(bench), Record(boardA), Record(boardB), Record(map)},
         {root, &bench, &boardA, &boardB, &map},
         {"3", "2", "1"},
         true},
        {"tick scans 2 then 3",
         [&] {
             TickScan(page, 2);
             TickScan(page, 3);
         },
         {Record(bench), Record(boardA, {2, 3}), Record(boardB), Record(map)},
         {root, &bench, &boardA, &boardB, &map},
         {"3+", "2+", "1"},
         true},
        {"untick scan 2",
         [&] { TickScan(page, 2); },
         {Record(bench), Record(boardA, {3}), Record(boardB), Record(map)},
         {root, &bench, &boardA, &boardB, &map},
         {"3+", "2", "1"},
         true},
        {"untick the module: the subtree's records go, the root stays ticked for display",
         [&] { TickNode(page, bench); },
         {},
         {root},
         {},
         false},
        {"tick Board A again: an empty scan list, the ancestors' boxes ticked",
         [&] { TickNode(page, boardA); },
         {Record(boardA)},
         {root, &bench, &boardA},
         {"3", "2", "1"},
         true},
        {"tick scans 3 and 1",
         [&] {
             TickScan(page, 3);
             TickScan(page, 1);
         },
         {Record(boardA, {3, 1})},
         {root, &bench, &boardA},
         {"3+", "2", "1+"},
         true},
        {"a scan of a node ticked for display only does not stay ticked",
         [&] {
             TickNode(page, map);
             SelectNode(page, boardB);
             TickScan(page, 2);
         },
         {Record(boardA, {3, 1}), Record(map)},
         {root, &bench, &boardA, &boardB, &map},
         {"2", "1"},
         true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(Sorted(page.GetSelection()), Sorted(step.records));
        std::vector<QNodeMediator*> ticked;
        for (QTreeWidgetItemIterator it(&page.GetTree()); *it != nullptr; ++it) {
            if ((*it)->checkState(0) == Qt::Checked) {
                ticked.push_back(CPageReportGenerator::MediatorOf(*it));
            }
        }
        EXPECT_EQ(ticked, step.ticked);
        EXPECT_EQ(Rows(page), step.rows);
        EXPECT_EQ(page.GetList().isEnabled(), step.listEnabled);
    }
    EXPECT_TRUE(page.IsChanged());
    EXPECT_TRUE(Sheet(page).GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
    // Nothing reaches the node before apply.
    EXPECT_TRUE(report.GetReportBuffers().empty());
}

TEST_F(PageReportGeneratorTest, NodesWithoutScansOfTheirOwnEmptyTheListWhichIsOnOnlyForATickedNode) {
    CPageReportGenerator& page = OpenReport(report);
    struct Row {
        QNodeMediator* node;
        bool tick;
        std::vector<std::string> rows;
        bool enabled;
    };
    const std::vector<Row> rows = {
        {&boardA, false, {"3", "2", "1"}, false},
        {&compareSpectral, false, {}, false},
        {&boardA, true, {"3", "2", "1"}, true},
        {&compareSpectral, true, {}, true},
        {&boardB, true, {"2", "1"}, true},
        {&note, false, {}, false},
        {&script, true, {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.node->GetName());
        if (row.tick) {
            TickNode(page, *row.node);
        } else {
            SelectNode(page, *row.node);
        }
        EXPECT_EQ(page.GetCurrentNode(), row.node);
        EXPECT_EQ(Rows(page), row.rows);
        EXPECT_EQ(page.GetList().isEnabled(), row.enabled);
    }
}

TEST_F(PageReportGeneratorTest, ApplyStoresACopyAndReopeningShowsTheRecordsPrunedUntilTheNextChangedApply) {
    {
        CPageReportGenerator& page = OpenReport(report);
        TickNode(page, boardA);
        TickScan(page, 3);
        TickScan(page, 1);
        TickNode(page, boardB);
        TickNode(page, compareSpatial);
        ASSERT_TRUE(Sheet(page).PressOK());
    }
    FlushEvents();
    const Records stored = {Record(boardA, {3, 1}), Record(boardB), Record(map), Record(compareSpatial)};
    ASSERT_EQ(Sorted(report.GetReportBuffers()), Sorted(stored));
    EXPECT_FALSE(Project().IsReportGeneratorOpen());

    // A scan and a node go while the sheet is closed.
    ASSERT_TRUE(boardA.DeleteSpectralScanData(1));
    ASSERT_TRUE(Project().GetOpenProject()->DeleteNode(Tree().GetRecords().FindByMediator(&boardB)));
    const Records pruned = {Record(boardA, {3}), Record(compareSpatial)};

    struct Row {
        const char* what;
        std::function<void(CPageReportGenerator&)> close;
        Records storedAfter;
        bool projectModified;
    };
    const std::vector<Row> rows = {
        {"cancel", [](CPageReportGenerator& page) { Sheet(page).PressCancel(); }, stored, false},
        {"OK without a change", [](CPageReportGenerator& page) { ASSERT_TRUE(Sheet(page).PressOK()); },
         stored, false},
        {"OK after a change",
         [this](CPageReportGenerator& page) {
             TickNode(page, script);
             TickNode(page, script);
             ASSERT_TRUE(Sheet(page).PressOK());
         },
         pruned, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        m_project->GetDocument().SetModifiedFlag(false);
        CPageReportGenerator& page = OpenReport(report);
        EXPECT_TRUE(Project().IsReportGeneratorOpen());
        EXPECT_EQ(Sorted(page.GetSelection()), Sorted(pruned));
        EXPECT_FALSE(page.IsChanged());
        // The root and the module show their own records (none), not the ticks below them.
        EXPECT_FALSE(IsTicked(page, bench));
        EXPECT_FALSE(page.GetTree().topLevelItem(0)->checkState(0) == Qt::Checked);
        EXPECT_TRUE(IsTicked(page, boardA));
        SelectNode(page, boardA);
        EXPECT_EQ(Rows(page), (std::vector<std::string>{"3+", "2"}));
        row.close(page);
        FlushEvents();
        EXPECT_EQ(Sorted(report.GetReportBuffers()), Sorted(row.storedAfter));
        EXPECT_EQ(m_project->GetDocument().IsModified(), row.projectModified);
        EXPECT_FALSE(Project().IsReportGeneratorOpen());
    }
}

TEST_F(PageReportGeneratorTest, TheFlagIsTheReportNodesOwnProjectsAndTheTreeRaisesTheOpenSheet) {
    CPageReportGenerator& page = OpenReport(report);
    CNodeOptionsSheet& sheet = Sheet(page);
    EXPECT_TRUE(sheet.IsModeless());
    EXPECT_TRUE(sheet.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // Another project window becomes the active one while the sheet is open.
    CChildFrame* other = NewWindow();
    ASSERT_NE(&Project(other), &Project());
    EXPECT_TRUE(Project().IsReportGeneratorOpen());
    EXPECT_FALSE(Project(other).IsReportGeneratorOpen());

    // Opening it again raises the same sheet, and its page takes the keyboard.
    m_area.setFocus();
    Tree().OpenReportGenerator();
    EXPECT_TRUE(ProcessEventsUntil([&] { return page.GetTree().hasFocus(); }));
    EXPECT_EQ(report.FindPage(QSettingsPageKind::ReportGenerator), &page);

    sheet.PressCancel();
    FlushEvents();
    EXPECT_FALSE(Project().IsReportGeneratorOpen());
    EXPECT_FALSE(Project(other).IsReportGeneratorOpen());
}

TEST_F(PageReportGeneratorTest, DoubleClicksOpenTheNodeOrTheScanAndSelectItInTheProjectTree) {
    CPageReportGenerator& page = OpenReport(report);
    ASSERT_EQ(boardA.GetSpectralView(), nullptr);
    DoubleClickPart(page.GetTree(), page.FindTreeItem(&boardA), QStyle::SE_ItemViewItemText);
    EXPECT_NE(boardA.GetSpectralView(), nullptr);
    EXPECT_EQ(boardA.GetDisplayedSpectralScanID(), 3);
    EXPECT_EQ(Tree().GetSelectedTreeNode(), Tree().GetRecords().FindByMediator(&boardA));
    EXPECT_EQ(page.GetCurrentNode(), &boardA);

    DoubleClickPart(page.GetList(), Row(page, 1), QStyle::SE_ItemViewItemText);
    EXPECT_EQ(boardA.GetDisplayedSpectralScanID(), 1);

    // A double click on a check box is two ticks, not an open.
    DoubleClickPart(page.GetTree(), page.FindTreeItem(&boardB), QStyle::SE_ItemViewItemCheckIndicator);
    EXPECT_EQ(boardB.GetSpectralView(), nullptr);
}

TEST_F(PageReportGeneratorTest, ANodeThatLeavesTheProjectWhileThePageIsOpenIsPassedOver) {
    report.SetReportBuffers({Record(boardB, {1}), Record(map)});
    CPageReportGenerator& page = OpenReport(report);
    QTreeWidgetItem* gone = page.FindTreeItem(&map);
    ASSERT_NE(gone, nullptr);
    // As a spectral/spatial scan that ends makes its sub-nodes anew.
    ASSERT_TRUE(Project().GetOpenProject()->DeleteNode(Tree().GetRecords().FindByMediator(&map)));
    ClickPart(page.GetTree(), gone, QStyle::SE_ItemViewItemText);
    EXPECT_EQ(page.GetCurrentNode(), nullptr);
    EXPECT_TRUE(Rows(page).empty());
    ClickPart(page.GetTree(), gone, QStyle::SE_ItemViewItemCheckIndicator);
    EXPECT_EQ(page.GetSelection().size(), 2U);
    QTest::mouseClick(&page.GetGenerateButton(), Qt::LeftButton);
    FlushEvents();
    ASSERT_EQ(m_opened.size(), 1U);
    const std::optional<OdtDocument> written = OdtDocument::Read(m_opened.front().toStdString());
    ASSERT_TRUE(written.has_value());
    EXPECT_NE(written->Text().indexOf("Node:   Board B"), -1) << written->Text().toStdString();
    EXPECT_EQ(written->Pictures().size(), 1U);
}

TEST_F(PageReportGeneratorTest, AReportThatCannotBeWrittenLeavesTheSheetOpenWithItsSelection) {
    report.SetReportBuffers({Record(boardA, {2})});
    CPageReportGenerator& page = OpenReport(report);
    SelectNode(page, boardA);
    TickScan(page, 3);
    const Records working = page.GetSelection();
    fs::create_directories(ReportsFolder());
    fs::permissions(ReportsFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    {
        ScopedFolderModesHold modes;
        QTest::mouseClick(&page.GetGenerateButton(), Qt::LeftButton);
        FlushEvents();
    }
    const std::vector<PromptRequest> boxes = Prompt().Requests();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes.front().caption, "Warning");
    EXPECT_EQ(boxes.front().text.rfind("There is a problem when writing the report document.\n", 0), 0U)
        << boxes.front().text;
    EXPECT_TRUE(m_opened.empty());
    EXPECT_TRUE(Sheet(page).isVisible());
    EXPECT_TRUE(Sheet(page).HasWindow());
    EXPECT_FALSE(page.IsHoldingDocument());
    EXPECT_EQ(page.GetSelection(), working);
    EXPECT_EQ(report.GetReportBuffers(), (Records{Record(boardA, {2})}));
    EXPECT_TRUE(Project().IsReportGeneratorOpen());
}

TEST_F(PageReportGeneratorTest, ASheetLeftWhileTheReportIsBuiltLetsGoOfTheDocumentOnce) {
    struct Row {
        const char* what;
        int button;
        Records storedAfter;
    };
    const std::vector<Row> rows = {
        {"Cancel", CNodeOptionsSheet::kCancelId, {}},
        {"OK", CNodeOptionsSheet::kOkId, {Record(boardA, {2})}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        report.SetReportBuffers({});
        m_opened.clear();
        CPageReportGenerator& page = OpenReport(report);
        SelectNode(page, boardA);
        TickNode(page, boardA);
        TickScan(page, 2);
        // The user leaves the sheet while the chart's view is being made.
        const CFormViewFactory::FrameMaker frames = CFormViewFactory::GetFrameMaker();
        bool pressed = false;
        CFormViewFactory::SetFrameMaker([&](const QFrameRequest& request, CHalvionView& view) {
            if (!pressed) {
                pressed = true;
                EXPECT_TRUE(page.IsHoldingDocument());
                Sheet(page).GetButton(row.button)->click();
            }
            return frames(request, view);
        });
        QTest::mouseClick(&page.GetGenerateButton(), Qt::LeftButton);
        FlushEvents();
        CFormViewFactory::SetFrameMaker(frames);
        EXPECT_TRUE(pressed);
        EXPECT_FALSE(page.IsHoldingDocument());
        EXPECT_FALSE(Sheet(page).isVisible());
        // The document as far as it got is written and shown, once.
        ASSERT_EQ(m_opened.size(), 1U);
        const std::optional<OdtDocument> written = OdtDocument::Read(m_opened.front().toStdString());
        ASSERT_TRUE(written.has_value());
        EXPECT_NE(written->Text().indexOf("Orvilant Report"), -1);
        EXPECT_EQ(report.GetReportBuffers(), row.storedAfter);
        EXPECT_FALSE(Project().IsReportGeneratorOpen());
        EXPECT_TRUE(Prompt().Requests().empty());
        // The view opened for the picture goes again.
        boardA.DestroyNodeSettings();
        FlushEvents();
    }
}

} // namespace
} // namespace orv::testing
