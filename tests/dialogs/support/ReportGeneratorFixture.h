#pragma once

// A real project window (tree, list, form view, the program's view frames and settings sheets) on a
// repository of the test's own, with a Report Generator node whose sheet the test opens as the tree
// does, and the report page driven by mouse events. Reports are written into a private user-data
// folder; the desktop opener records what it is asked to show.
//
// Header only: its users link the views, which the dialogs' support library does not.

#include "app/CReportPictureHolder.h"
#include "app/UiMessagePump.h"
#include "app/controls/CCustomListCtrl.h"
#include "app/controls/CCustomTreeCtrl.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "dialogs/CDesktopOpener.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPageReportGenerator.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "platform/fs/AppPaths.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QLabel>
#include <QMdiArea>
#include <QTest>
#include <QTreeWidget>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv::testing {

inline std::string ReportTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

class ReportGeneratorFixture : public QtWidgetTest {
protected:
    ReportGeneratorFixture()
        : m_sandbox(ReportTestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        CReportPictureHolder::Instance().Clear();
        CViewFrameMaker::Install();
        CSettingsSheetMaker::Install();
        m_area.resize(1400, 1000);
        m_area.show();
        m_project = NewWindow();
    }
    ~ReportGeneratorFixture() override {
        CFormViewFactory::SetFrameMaker({});
        CFormViewFactory::SetSettingsMaker({});
        CReportPictureHolder::Instance().Clear();
    }

    CChildFrame* NewWindow() {
        CChildFrame* window = m_windows.NewDocument();
        EXPECT_TRUE(ProcessEventsUntil([window] { return !window->GetView()->IsBuildPending(); }));
        window->parentWidget()->showMaximized();
        FlushEvents();
        return window;
    }

    CViewTreeWidget& Tree(CChildFrame* window = nullptr) {
        return *(window != nullptr ? window : m_project)->GetProjectPane()->GetTree();
    }
    TfrmMainApp& Project(CChildFrame* window = nullptr) {
        return *m_projects.FindProjectById((window != nullptr ? window : m_project)->GetProjectId());
    }
    QNodeMediator& AddNode(uint16_t kind, const std::string& name, QNodeMediator* parent = nullptr) {
        CTreeItem* item =
            parent != nullptr ? Tree().GetRecords().FindByMediator(parent) : Tree().GetRootItem();
        QNodeMediator* mediator = Project().GetOpenProject()->AddNode(item, CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        mediator->SetName(name);
        Tree().SetNodeItemText(mediator->GetNodeID(), name);
        return *mediator;
    }

    // Opens the report node's sheet as the tree's open command does; the page with its window.
    CPageReportGenerator& OpenReport(QNodeMediator& report, CChildFrame* window = nullptr) {
        Tree(window).SelectTreeNode(Tree(window).GetRecords().FindByMediator(&report));
        Tree(window).OpenReportGenerator();
        FlushEvents();
        auto* page = dynamic_cast<CPageReportGenerator*>(report.FindPage(QSettingsPageKind::ReportGenerator));
        EXPECT_NE(page, nullptr);
        EXPECT_TRUE(page != nullptr && page->HasWindow());
        return *page;
    }
    static CNodeOptionsSheet& Sheet(CPageReportGenerator& page) { return *page.GetSheet(); }

    // A left click in the middle of a part of an item's first column.
    static void ClickPart(QTreeWidget& view, QTreeWidgetItem* item, QStyle::SubElement part) {
        ASSERT_NE(item, nullptr);
        const QRect rect = CPageReportGenerator::ItemPartRect(view, *item, part);
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
        FlushEvents();
    }
    static void DoubleClickPart(QTreeWidget& view, QTreeWidgetItem* item, QStyle::SubElement part) {
        ASSERT_NE(item, nullptr);
        const QRect rect = CPageReportGenerator::ItemPartRect(view, *item, part);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rect.center());
        FlushEvents();
    }
    static void TickNode(CPageReportGenerator& page, QNodeMediator& node) {
        ClickPart(page.GetTree(), page.FindTreeItem(&node), QStyle::SE_ItemViewItemCheckIndicator);
    }
    static void SelectNode(CPageReportGenerator& page, QNodeMediator& node) {
        ClickPart(page.GetTree(), page.FindTreeItem(&node), QStyle::SE_ItemViewItemText);
    }
    static QTreeWidgetItem* Row(CPageReportGenerator& page, int32_t scanId) {
        QTreeWidget& list = page.GetList();
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            if (list.topLevelItem(i)->text(0) == QString::number(scanId)) {
                return list.topLevelItem(i);
            }
        }
        return nullptr;
    }
    static void TickScan(CPageReportGenerator& page, int32_t scanId) {
        ClickPart(page.GetList(), Row(page, scanId), QStyle::SE_ItemViewItemCheckIndicator);
    }
    static bool IsTicked(CPageReportGenerator& page, QNodeMediator& node) {
        const QTreeWidgetItem* item = page.FindTreeItem(&node);
        return item != nullptr && item->checkState(0) == Qt::Checked;
    }
    static std::vector<std::string> Rows(CPageReportGenerator& page) {
        std::vector<std::string> rows;
        QTreeWidget& list = page.GetList();
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = list.topLevelItem(i);
            rows.push_back(row->text(0).toStdString() + (row->checkState(0) == Qt::Checked ? "+" : ""));
        }
        return rows;
    }

    ScriptedPrompt& Prompt() { return m_sandbox.Prompt(); }
    std::string ReportsFolder() const { return m_data + "/Reports"; }

    // The user-data folder of the test, the first member and so the last to go: the project windows
    // still write into it as they close.
    struct DataFolder {
        DataFolder()
            : path((std::filesystem::temp_directory_path() /
                    ("orv-reportgen-" + std::to_string(::getpid()) + "-" + ReportTestName()))
                       .string()) {
            std::filesystem::remove_all(path);
            std::filesystem::create_directories(path);
            SetUserDataFolderOverride(path);
        }
        ~DataFolder() {
            SetUserDataFolderOverride({});
            std::error_code error;
            std::filesystem::permissions(path + "/Reports", std::filesystem::perms::owner_all, error);
            std::filesystem::remove_all(path, error);
        }
        DataFolder(const DataFolder&) = delete;
        DataFolder& operator=(const DataFolder&) = delete;
        std::string path;
    } m_dataFolder;
    const std::string& m_data = m_dataFolder.path;
    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    std::vector<QString> m_opened;
    bool m_desktopRefuses = false;
    ScopedDesktopOpenerInstall m_opener{[this](const QString& path) {
        m_opened.push_back(path);
        return !m_desktopRefuses;
    }};
};

} // namespace orv::testing
