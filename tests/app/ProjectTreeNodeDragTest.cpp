// Dragging nodes in the project tree with the mouse: where a drop is taken, the drop menu, and the
// copies and moves it makes (settings, scans, report links), including the refusals and a copy that
// fails half-way.

#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/PathUtilities.h"
#include "core/QDataWriter.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/log/InformationLog.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanMemoryBudget.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectTreeFixture.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace TreeCommand;
using testing::SpectralScan;

constexpr int32_t kStateReady = 2;
constexpr int32_t kStateScanning = 12;

// The measured values of a scan as the process dumps them: equal dumps are equal scans.
std::vector<uint8_t> BulkOf(const CScanData& scan) {
    QCharCounterDataWriter counter;
    scan.WriteBulk(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    scan.WriteBulk(writer);
    return bytes;
}

// Empties every scan file the process holds open (moved-out scans live in unnamed files of the temp
// folder), so that reading a moved-out scan back fails. Answers how many were emptied.
int EmptyMovedOutScanFiles() {
    const std::string folder = GetTempFolder();
    int emptied = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds)) {
            char target[4096] = {};
            const std::string link = std::string("/proc/self/fd/") + entry->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof(target) - 1);
            const std::string path(target, n > 0 ? static_cast<size_t>(n) : 0);
            if (path.rfind(folder, 0) == 0 && path.find(" (deleted)") != std::string::npos &&
                ::ftruncate(std::atoi(entry->d_name), 0) == 0) {
                ++emptied;
            }
        }
        ::closedir(fds);
    }
    return emptied;
}

class NodeDragTest : public testing::ProjectTreeFixture {
protected:
    NodeDragTest() {
        m_tree.SetMenuRunner([this](QMenu& menu, const QPoint&) {
            m_menus.push_back(menu.title().toStdString());
            return CViewTreeMenu::FindCommand(menu, m_choice);
        });
        m_frame.engine.SetState(kStateReady);
    }

    QWidget& Viewport() { return *m_tree.viewport(); }
    // Press on the item and move past the drag distance: the drag runs.
    void StartDrag(CTreeItem* from) {
        const QPoint at = CentreOf(from);
        testing::SendMouse(Viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        testing::SendMouse(Viewport(), QEvent::MouseMove,
                           at + QPoint(QApplication::startDragDistance() + 1, 0), Qt::NoButton,
                           Qt::LeftButton);
    }
    void MoveOver(CTreeItem* to) {
        testing::SendMouse(Viewport(), QEvent::MouseMove, CentreOf(to), Qt::NoButton, Qt::LeftButton);
    }
    void ReleaseOver(CTreeItem* to) {
        testing::SendMouse(Viewport(), QEvent::MouseButtonRelease, CentreOf(to), Qt::LeftButton,
                           Qt::NoButton);
    }
    // A whole drag and drop, the drop menu answered with `command`.
    void DragAndDrop(CTreeItem* from, CTreeItem* to, uint32_t command) {
        m_choice = command;
        StartDrag(from);
        MoveOver(to);
        ReleaseOver(to);
    }
    bool PictureShown() const {
        return m_tree.GetDragPicture() != nullptr && m_tree.GetDragPicture()->isVisible();
    }
    std::vector<CTreeItem*> Children(CTreeItem* record) {
        std::vector<CTreeItem*> children;
        for (CTreeItem* child = m_tree.GetFirstChildItem(record); child != nullptr;
             child = m_tree.GetNextSiblingItem(child)) {
            children.push_back(child);
        }
        return children;
    }
    std::string NameOf(CTreeItem* record) { return record->m_mediator->GetName(); }
    // A Spectral node named "Board A" with scans 1 and 2 (start frequency set on its options) and a
    // Spatial child "Hot spot".
    CTreeItem* AddBoard(CTreeItem* parent) {
        CTreeItem* board = Add(parent, kTypeSpectralScanNode, "Board A");
        board->m_mediator->GetScanOptions()->SetStartFrequency(123.5F);
        EXPECT_TRUE(board->m_mediator->AddSpectralScanData(SpectralScan(1), false, false));
        EXPECT_TRUE(board->m_mediator->AddSpectralScanData(SpectralScan(2), false, false));
        CTreeItem* spot = Add(board, kTypeSpatialScanNode, "Hot spot");
        spot->m_mediator->GetScanOptions()->SetCenterFrequency(433.92F);
        return board;
    }
    std::vector<std::string> Prompts() { return m_sandbox.Prompt().Texts(); }

    uint32_t m_choice = kCancelCopy;
    std::vector<std::string> m_menus;
};

// The pairs a drop takes: any node onto a Project or Module node, and these onto the scan nodes.
bool ExpectedAllowed(uint16_t target, uint16_t dragged) {
    static const std::map<uint16_t, std::set<uint16_t>> takes = {
        {kTypeSpectralScanNode,
         {kTypeSpatialScanNode, kTypeSpectralComparisonNode, kTypeSpectralOverlayNode, kTypeWordReportNode}},
        {kTypeSpatialScanNode,
         {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode, kTypeWordReportNode}},
        {kTypeSpectralSpatialScanNode, {kTypeSpatialScanNode, kTypeWordReportNode}},
        {kTypeHandHeldProbeScanNode, {kTypeSpatialScanNode, kTypeWordReportNode}},
    };
    if (target == kTypeProjectNode || target == kTypeModuleNode) {
        return true;
    }
    const auto found = takes.find(target);
    return found != takes.end() && found->second.count(dragged) != 0;
}

TEST_F(NodeDragTest, EveryTargetAgainstEveryDraggedKindHighlightsAndShowsThePictureOnlyWhereAllowed) {
    for (uint16_t target = 2000; target <= 2033; ++target) {
        for (uint16_t dragged = 2000; dragged <= 2033; ++dragged) {
            EXPECT_EQ(CViewTreeWidget::IsDropAllowed(target, dragged), ExpectedAllowed(target, dragged))
                << target << " <- " << dragged;
        }
    }
    BuildEveryKind();
    ShowTree();
    const size_t count = m_tree.GetRecords().GetCount();
    for (const auto& [draggedName, dragged] : m_nodes) {
        for (const auto& [targetName, target] : m_nodes) {
            if (dragged == target) {
                continue;
            }
            SCOPED_TRACE(draggedName + " onto " + targetName);
            StartDrag(dragged);
            MoveOver(target);
            ASSERT_TRUE(m_tree.IsDragging());
            EXPECT_EQ(m_tree.GetDraggedRecord(), dragged);
            EXPECT_EQ(m_tree.GetDraggedKind(), dragged->m_kind);
            EXPECT_EQ(m_tree.GetDropTargetRecord(), target);
            EXPECT_EQ(m_tree.GetDropHighlightRecord(), target);
            const bool allowed = ExpectedAllowed(target->m_kind, dragged->m_kind);
            EXPECT_EQ(m_tree.IsDropAllowedNow(), allowed);
            EXPECT_EQ(PictureShown(), allowed);
            if (target->m_item->childCount() > 0) {
                EXPECT_TRUE(target->m_item->isExpanded());
            }
            // Escape ends the drag; the release that follows drops nothing.
            QTest::keyClick(&m_tree, Qt::Key_Escape);
            EXPECT_FALSE(m_tree.IsDragging());
            EXPECT_EQ(m_tree.GetDropHighlightRecord(), nullptr);
            EXPECT_FALSE(PictureShown());
            ReleaseOver(target);
            EXPECT_FALSE(m_tree.IsDropPending());
        }
    }
    EXPECT_TRUE(m_menus.empty());
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);
}

TEST_F(NodeDragTest, TheDropTargetIsDrawnAsSelectedAndThePictureShowsTheDraggedItem) {
    CTreeItem* module = Add(Root(), kTypeModuleNode, "Bench");
    CTreeItem* board = Add(Root(), kTypeSpectralScanNode, "Board A");
    ShowTree();
    const QRect row = m_tree.visualItemRect(module->m_item);
    const QPoint inside(row.left() + row.width() - 3, row.center().y());
    const QColor before = testing::PixelAt(testing::Grab(Viewport()), inside.x(), inside.y());
    StartDrag(board);
    MoveOver(module);
    ASSERT_TRUE(PictureShown());
    // Just below and right of the cursor's tip.
    const QPoint fromCursor = m_tree.GetDragPicture()->pos() - Viewport().mapToGlobal(CentreOf(module));
    EXPECT_GT(fromCursor.x(), 0);
    EXPECT_GT(fromCursor.y(), 0);
    EXPECT_LT(fromCursor.manhattanLength(), 40);
    const QColor highlight = m_tree.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(testing::PixelAt(testing::Grab(Viewport()), inside.x(), inside.y()), highlight);
    EXPECT_NE(before, highlight);
    // The picture is the item's own: its icon and label, as high as its row, with dark text on white.
    const QImage picture = m_tree.GetDragPicture()->pixmap().toImage();
    EXPECT_EQ(picture.height(), m_tree.visualItemRect(board->m_item).height());
    EXPECT_GT(picture.width(), m_tree.iconSize().width() + m_tree.fontMetrics().horizontalAdvance("Board A"));
    EXPECT_LT(picture.width(), m_tree.visualItemRect(board->m_item).width());
    int dark = 0;
    for (int x = 0; x < picture.width(); ++x) {
        for (int y = 0; y < picture.height(); ++y) {
            dark += qGray(picture.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 20);
    ReleaseOver(module);
    EXPECT_EQ(m_tree.GetDropHighlightRecord(), nullptr);
    EXPECT_FALSE(PictureShown());
    EXPECT_EQ(m_menus, std::vector<std::string>{"Copy/Move Nodes"});
    EXPECT_NE(testing::PixelAt(testing::Grab(Viewport()), inside.x(), inside.y()), highlight);
}

TEST_F(NodeDragTest, DropsOnItselfOnAForbiddenTargetAndIntoItsOwnBranchChangeNothing) {
    CTreeItem* rack = Add(Root(), kTypeModuleNode, "Rack");
    CTreeItem* shelf = Add(rack, kTypeModuleNode, "Shelf");
    CTreeItem* board = AddBoard(Root());
    CTreeItem* spatial = Add(Root(), kTypeSpatialScanNode, "Other");
    ShowTree();
    const size_t count = m_tree.GetRecords().GetCount();
    m_choice = kCopyNodeWithSettingsAndData;

    // On itself: a Module takes drops, but not its own.
    DragAndDrop(rack, rack, kCopyNodeWithSettingsAndData);
    EXPECT_FALSE(m_tree.IsDragging());
    EXPECT_FALSE(m_tree.IsDropPending());
    EXPECT_TRUE(m_menus.empty());

    // A Spectral node onto a Spatial one: no menu; the target was opened all the same.
    spatial->m_item->setExpanded(false);
    DragAndDrop(board, spatial, kCopyNodeWithSettingsAndData);
    EXPECT_FALSE(m_tree.IsDropPending());
    EXPECT_TRUE(m_menus.empty());
    EXPECT_TRUE(Prompts().empty());

    // Into its own branch: the box, and no menu.
    DragAndDrop(rack, shelf, kCopyNodeWithSettingsAndData);
    EXPECT_FALSE(m_tree.IsDropPending());
    EXPECT_TRUE(m_menus.empty());
    const auto requests = m_sandbox.Prompt().Requests();
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].text, CViewTreeWidget::kDropIntoOwnBranchText);
    EXPECT_EQ(requests[0].caption, "");
    // Nor onto the dragged node's own child by the command's own route.
    EXPECT_FALSE(m_tree.CopyDraggedNode(kCopyNodeWithSettings));

    // While the report generator is open, a drop only gets that popup.
    m_app->SetReportGeneratorOpen(true);
    DragAndDrop(board, rack, kCopyNodeWithSettingsAndData);
    m_app->SetReportGeneratorOpen(false);
    EXPECT_EQ(m_menus,
              std::vector<std::string>{CViewTreeMenu::PopupName(CViewTreeMenu::kReportGeneratorPopup)});
    EXPECT_FALSE(m_tree.IsDropPending());

    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_EQ(Children(shelf).size(), 0U);
    EXPECT_EQ(Children(rack).size(), 1U);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);
}

TEST_F(NodeDragTest, CopyWithSettingsMakesTheSubtreeWithKindsNamesAndSettingsButNoScans) {
    CTreeItem* bench = Add(Root(), kTypeModuleNode, "Bench");
    CTreeItem* board = AddBoard(Root());
    ShowTree();
    DragAndDrop(board, bench, kCopyNodeWithSettings);
    EXPECT_EQ(m_menus, std::vector<std::string>{"Copy/Move Nodes"});
    ASSERT_EQ(Children(bench).size(), 1U);
    CTreeItem* copy = Children(bench)[0];
    EXPECT_EQ(copy->m_kind, kTypeSpectralScanNode);
    EXPECT_EQ(NameOf(copy), "Board A");
    EXPECT_EQ(copy->m_item->text(0).toStdString(), "Board A");
    EXPECT_FLOAT_EQ(copy->m_mediator->GetScanOptions()->GetStartFrequency(), 123.5F);
    EXPECT_TRUE(copy->m_mediator->IsSettingsCopied());
    EXPECT_EQ(copy->m_mediator->GetSettingsSourceID(), board->m_mediator->GetNodeID());
    EXPECT_EQ(copy->m_mediator->GetScanDataCount(), 0U);
    ASSERT_EQ(Children(copy).size(), 1U);
    CTreeItem* spot = Children(copy)[0];
    EXPECT_EQ(spot->m_kind, kTypeSpatialScanNode);
    EXPECT_EQ(NameOf(spot), "Hot spot");
    EXPECT_FLOAT_EQ(spot->m_mediator->GetScanOptions()->GetCenterFrequency(), 433.92F);
    // The source is as it was, and stays selected with its scans listed.
    EXPECT_EQ(board->m_mediator->GetScanDataCount(), 2U);
    EXPECT_EQ(Children(board).size(), 1U);
    EXPECT_FALSE(board->m_mediator->IsSettingsCopied());
    EXPECT_EQ(m_tree.GetSelectedTreeNode(), board);
    EXPECT_EQ(m_view.list.owner, board->m_mediator);
    EXPECT_EQ(m_view.list.rows.size(), 2U);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);
    EXPECT_TRUE(m_app->GetOpenProject()->IsModified());

    // Cancel in the menu copies nothing.
    DragAndDrop(board, bench, kCancelCopy);
    EXPECT_EQ(Children(bench).size(), 1U);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);
}

TEST_F(NodeDragTest, CopyWithDataKeepsTheScansByteForByteThroughASaveAndAReopen) {
    CTreeItem* board = AddBoard(Root());
    ShowTree();
    DragAndDrop(board, Root(), kCopyNodeWithSettingsAndData);
    ASSERT_EQ(Children(Root()).size(), 2U);
    CTreeItem* copy = Children(Root())[1];
    EXPECT_EQ(NameOf(copy), "Board A");
    ASSERT_EQ(copy->m_mediator->GetScanDataCount(), 2U);
    EXPECT_EQ(Children(copy).size(), 1U);
    std::map<int32_t, std::vector<uint8_t>> bulks;
    for (int32_t id : {1, 2}) {
        CSpectralScanData* original = board->m_mediator->GetSpectralScanData(id);
        CSpectralScanData* copied = copy->m_mediator->GetSpectralScanData(id);
        ASSERT_NE(original, nullptr);
        ASSERT_NE(copied, nullptr);
        EXPECT_NE(original, copied);
        bulks[id] = BulkOf(*original);
        EXPECT_EQ(BulkOf(*copied), bulks[id]);
    }
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);

    ASSERT_TRUE(m_app->SaveProject()) << (Prompts().empty() ? "" : Prompts().back());
    m_app->CloseProject();
    EXPECT_EQ(m_tree.GetRecords().GetCount(), 0U);
    ASSERT_TRUE(
        m_app->OpenProject(testing::kWindow, m_sandbox.Repository() + "/Data/Untitled/Untitled", &m_view))
        << (Prompts().empty() ? "" : Prompts().back());
    std::vector<CTreeItem*> boards = Children(Root());
    ASSERT_EQ(boards.size(), 2U);
    for (CTreeItem* reopened : boards) {
        SCOPED_TRACE(reopened->m_mediator->GetNodeID());
        EXPECT_EQ(NameOf(reopened), "Board A");
        EXPECT_FLOAT_EQ(reopened->m_mediator->GetScanOptions()->GetStartFrequency(), 123.5F);
        ASSERT_EQ(reopened->m_mediator->GetScanDataCount(), 2U);
        for (int32_t id : {1, 2}) {
            CSpectralScanData* scan = reopened->m_mediator->GetSpectralScanData(id);
            ASSERT_NE(scan, nullptr);
            EXPECT_EQ(BulkOf(*scan), bulks[id]);
        }
        ASSERT_EQ(Children(reopened).size(), 1U);
        EXPECT_EQ(NameOf(Children(reopened)[0]), "Hot spot");
    }
    EXPECT_NE(boards[0]->m_mediator->GetNodeID(), boards[1]->m_mediator->GetNodeID());
}

TEST_F(NodeDragTest, CopiedReportGeneratorsReportTheCopiesAndTheOriginalsKeepTheirLinks) {
    CTreeItem* board = AddBoard(Root());
    const int32_t boardId = static_cast<int32_t>(board->m_mediator->GetNodeID());
    CTreeItem* spot = Children(board)[0];
    const int32_t spotId = static_cast<int32_t>(spot->m_mediator->GetNodeID());
    CTreeItem* report = Add(board, kTypeWordReportNode, "Report");
    const std::vector<_ReportGeneratorDataBuffer> selection = {{boardId, {2, 1}}, {spotId, {}}, {999, {4}}};
    report->m_mediator->SetReportBuffers(selection);
    ShowTree();

    DragAndDrop(board, Root(), kCopyNodeWithSettingsAndData);
    ASSERT_EQ(Children(Root()).size(), 2U);
    CTreeItem* copy = Children(Root())[1];
    ASSERT_EQ(Children(copy).size(), 2U);
    CTreeItem* copiedSpot = Children(copy)[0];
    CTreeItem* copiedReport = Children(copy)[1];
    ASSERT_EQ(copiedReport->m_kind, kTypeWordReportNode);
    const std::vector<_ReportGeneratorDataBuffer> relinked = {
        {static_cast<int32_t>(copy->m_mediator->GetNodeID()), {2, 1}},
        {static_cast<int32_t>(copiedSpot->m_mediator->GetNodeID()), {}},
        {999, {4}}};
    EXPECT_EQ(copiedReport->m_mediator->GetReportBuffers(), relinked);
    EXPECT_EQ(report->m_mediator->GetReportBuffers(), selection);

    // A report generator dropped on a copy of the node it reports reports the copy.
    CTreeItem* loose = Add(Root(), kTypeWordReportNode, "Loose report");
    loose->m_mediator->SetReportBuffers({{boardId, {1}}});
    DragAndDrop(loose, copy, kCopyNodeWithSettingsAndData);
    ASSERT_EQ(Children(copy).size(), 3U);
    const std::vector<_ReportGeneratorDataBuffer> onCopy = {
        {static_cast<int32_t>(copy->m_mediator->GetNodeID()), {1}}};
    EXPECT_EQ(Children(copy)[2]->m_mediator->GetReportBuffers(), onCopy);
    EXPECT_EQ(loose->m_mediator->GetReportBuffers(),
              (std::vector<_ReportGeneratorDataBuffer>{{boardId, {1}}}));
}

TEST_F(NodeDragTest, AMoveIsRefusedWhileANodeOfTheBranchScansAndOtherwiseReplacesTheSource) {
    CTreeItem* rack = Add(Root(), kTypeModuleNode, "Rack");
    CTreeItem* board = AddBoard(rack);
    const int32_t boardId = static_cast<int32_t>(board->m_mediator->GetNodeID());
    CTreeItem* report = Add(rack, kTypeWordReportNode, "Report");
    report->m_mediator->SetReportBuffers({{boardId, {1}}});
    CTreeItem* bench = Add(Root(), kTypeModuleNode, "Bench");
    CTreeItem* projectReport = Add(Root(), kTypeWordReportNode, "Project report");
    projectReport->m_mediator->SetReportBuffers({{boardId, {2}}, {999, {}}});
    ShowTree();
    const size_t count = m_tree.GetRecords().GetCount();

    testing::NoWorkerScanHost host;
    QNodeMediator* scanning = board->m_mediator;
    EXPECT_FALSE(scanning->StartScanThread(host, 0));
    ASSERT_TRUE(scanning->IsScanning());
    m_frame.engine.SetState(kStateScanning);
    DragAndDrop(rack, bench, kMoveNode);
    ASSERT_FALSE(Prompts().empty());
    EXPECT_EQ(Prompts().back(), CViewTreeWidget::kScanRunningText);
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_TRUE(Children(bench).empty());
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);
    // A run being set up holds its node too, before any worker.
    scanning->StopWorker();
    scanning->SetScanInProgress(true);
    DragAndDrop(rack, bench, kMoveNode);
    EXPECT_EQ(Prompts().size(), 2U);
    EXPECT_TRUE(Children(bench).empty());
    scanning->SetScanInProgress(false);

    m_frame.engine.SetState(kStateReady);
    DragAndDrop(rack, bench, kMoveNode);
    EXPECT_EQ(Prompts().size(), 2U);
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    ASSERT_EQ(Children(Root()).size(), 2U);
    ASSERT_EQ(Children(bench).size(), 1U);
    CTreeItem* moved = Children(bench)[0];
    EXPECT_EQ(NameOf(moved), "Rack");
    ASSERT_EQ(Children(moved).size(), 2U);
    CTreeItem* movedBoard = Children(moved)[0];
    EXPECT_EQ(movedBoard->m_mediator->GetScanDataCount(), 2U);
    // The moved report reports the moved node, not the one that went.
    EXPECT_EQ(Children(moved)[1]->m_mediator->GetReportBuffers(),
              (std::vector<_ReportGeneratorDataBuffer>{
                  {static_cast<int32_t>(movedBoard->m_mediator->GetNodeID()), {1}}}));
    // So does a report elsewhere in the project.
    EXPECT_EQ(projectReport->m_mediator->GetReportBuffers(),
              (std::vector<_ReportGeneratorDataBuffer>{
                  {static_cast<int32_t>(movedBoard->m_mediator->GetNodeID()), {2}}, {999, {}}}));
    EXPECT_EQ(m_tree.GetSelectedTreeNode(), moved);
    EXPECT_EQ(m_tree.GetCurrentNode(), nullptr);
    EXPECT_EQ(m_view.list.owner, moved->m_mediator);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);
}

TEST_F(NodeDragTest, AFailedCopyLeavesBothBranchesAsTheyWereAndSaysWhy) {
    CTreeItem* rack = Add(Root(), kTypeModuleNode, "Rack");
    CTreeItem* bench = Add(Root(), kTypeModuleNode, "Bench");
    ShowTree();

    // No node container: nothing can be made.
    CTreeItem* board = AddBoard(rack);
    const size_t count = m_tree.GetRecords().GetCount();
    m_tree.SetProject(nullptr);
    DragAndDrop(rack, bench, kMoveNode);
    m_tree.SetProject(m_app.get());
    ASSERT_EQ(Prompts().size(), 1U);
    EXPECT_EQ(Prompts().back(), CViewTree::kNoNodeContainerText);
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_TRUE(Children(bench).empty());

    // The scans below the dragged node cannot be read back: the copy made so far goes again, and the
    // move keeps its source.
    struct BudgetScope {
        BudgetScope() { QScanMemoryBudget::SetBudgetBytesForTest(1); }
        ~BudgetScope() { QScanMemoryBudget::SetBudgetBytesForTest(0); }
    } tight;
    // More scans than the residency keeps whole as the ones used last.
    for (int32_t id = 3; id <= 16; ++id) {
        ASSERT_TRUE(board->m_mediator->AddSpectralScanData(SpectralScan(id), false, false));
    }
    ASSERT_GE(EmptyMovedOutScanFiles(), 1);
    InformationLog::Sink previous = InformationLog::Instance().SetSink([](uint8_t, const std::string&) {});
    for (uint32_t command : {kMoveNode, kCopyNodeWithSettingsAndData}) {
        SCOPED_TRACE(command);
        DragAndDrop(rack, bench, command);
        EXPECT_EQ(Prompts().back(), "The scan data of the node \"Board A\" could not be copied.");
        EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
        EXPECT_TRUE(Children(bench).empty());
        ASSERT_EQ(Children(rack).size(), 1U);
        EXPECT_EQ(Children(rack)[0], board);
        EXPECT_EQ(board->m_mediator->GetScanDataCount(), 16U);
    }
    InformationLog::Instance().SetSink(previous);
    EXPECT_EQ(Prompts().size(), 3U);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);
}

} // namespace
} // namespace orv
