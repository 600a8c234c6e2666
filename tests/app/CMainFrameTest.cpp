#include "app/CMainFrame.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/AppResources.h"
#include "app/CAppProfile.h"
#include "app/CConnectionLink.h"
#include "app/CConnectionThread.h"
#include "app/CProjectDocument.h"
#include "app/CStopScanFrame.h"
#include "app/CWindowsDialog.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProgressInStatus.h"
#include "app/panes/CInformationMessages.h"
#include "app/panes/CWndCommunication.h"
#include "app/panes/CWndMainNotification.h"
#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"
#include "protocol/pipe/CNamedPipeListenerManager.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPointer>

#include <condition_variable>
#include <filesystem>
#include <set>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using testing::MainFrameTestEnvironment;

class StateLink final : public CConnectionLink {
public:
    int32_t GetState() const override { return m_state.load(); }
    void SetState(int32_t state) override { m_state = state; }
    bool CreateDriverConnection() override { return true; }
    void QueueCommand(uint16_t, uint8_t, uint32_t) override {}
    bool IsCommandQueueEmpty() const override { return true; }
    void SignalCommandEvent() override {}
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
    std::atomic<int32_t> m_state{0};
};

// A project window: answers the save prompt as scripted.
class FakeProjectWindow final : public QMdiSubWindow, public CProjectDocumentWindow {
public:
    FakeProjectWindow(std::string path, bool save) : m_path(std::move(path)), m_save(save) {}
    bool HasActiveDocument() const override { return true; }
    bool SaveModified() override {
        ++m_asked;
        return m_save;
    }
    void SetModifiedFlag(bool modified) override { m_modified = modified; }
    std::string GetPathName() const override { return m_path; }
    uint32_t GetProjectId() const override { return 1; }
    std::string m_path;
    bool m_save;
    int m_asked = 0;
    bool m_modified = true;
};

class CountingStopFrame final : public CStopScanFrame {
public:
    explicit CountingStopFrame(int& stops) : m_stops(stops) {}
    void EmergencyStop() override { ++m_stops; }
    void ShowAtTopRight() override {}
    void Hide() override {}

private:
    int& m_stops;
};

class RelayCountingFrame final : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    int m_relays = 0;

protected:
    void RelayoutViewFrames() override { ++m_relays; }
};

class MainFrameTest : public testing::QtWidgetTest {
protected:
    CMainFrame::Options FrameOptions() {
        CMainFrame::Options options;
        options.pipePath = m_environment.PipePath();
        options.makeIcmpPing = false;
        options.makeConnectionLink = [this](CEngineObjects&, CMainFrame&) {
            auto made = std::make_unique<StateLink>();
            m_link = made.get();
            return made;
        };
        return options;
    }

    MainFrameTestEnvironment m_environment;
    StateLink* m_link = nullptr;
};

TEST_F(MainFrameTest, WhileAScanRunsClosingIsRefusedAndNothingChanges) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    CAppProfile::WriteString("Settings", "LastDocName", "/kept.ovp");
    auto* project = new FakeProjectWindow("/p.ovp", true);
    frame.GetMdiArea()->addSubWindow(project);
    // Every state in which a run may be using the project's nodes, the set-up among them.
    for (const int32_t state : {3, 7, 8, 12, 13, 14}) {
        SCOPED_TRACE(state);
        m_link->m_state = state;
        const std::size_t prompts = m_environment.GetPrompt().Texts().size();
        QCloseEvent close;
        QApplication::sendEvent(&frame, &close);
        EXPECT_FALSE(close.isAccepted());
        ASSERT_EQ(m_environment.GetPrompt().Texts().size(), prompts + 1);
        EXPECT_EQ(m_environment.GetPrompt().Texts().back(), "The scan is in progress, stop the scan first!");
        EXPECT_EQ(m_environment.GetPrompt().Requests().back().caption, "Warning");
        EXPECT_EQ(project->m_asked, 0);
        EXPECT_FALSE(frame.IsClosing());
        EXPECT_EQ(CAppProfile::GetString("Settings", "LastDocName"), "/kept.ovp");
    }
    m_link->m_state = 0;
}

TEST_F(MainFrameTest, CancelInASavePromptKeepsTheFrameAndTheLog) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    CAppProfile::WriteString("Settings", "LastDocName", "/kept.ovp");
    auto* first = new FakeProjectWindow("/first.ovp", true);
    auto* second = new FakeProjectWindow("/second.ovp", false);
    frame.GetMdiArea()->addSubWindow(first);
    frame.GetMdiArea()->addSubWindow(second);

    QCloseEvent close;
    QApplication::sendEvent(&frame, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(first->m_asked, 1);
    EXPECT_EQ(second->m_asked, 1);
    EXPECT_FALSE(frame.IsClosing());
    EXPECT_FALSE(InformationLog::Instance().IsClosing());
    EXPECT_EQ(CAppProfile::GetString("Settings", "LastDocName"), "/kept.ovp");

    second->m_save = true;
    EXPECT_TRUE(frame.OnClose());
    EXPECT_FALSE(second->m_modified);
    EXPECT_EQ(CAppProfile::GetString("Settings", "LastDocName"), "/second.ovp");
}

TEST_F(MainFrameTest, WithNoProjectTheLastDocumentIsWrittenEmpty) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    CAppProfile::WriteString("Settings", "LastDocName", "/old.ovp");
    EXPECT_TRUE(frame.OnClose());
    EXPECT_TRUE(frame.IsClosing());
    EXPECT_EQ(CAppProfile::GetString("Settings", "LastDocName", "missing"), "");
}

TEST_F(MainFrameTest, TheChildWalkSkipsTheInformationWindow) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    auto* first = new FakeProjectWindow("/a.ovp", true);
    auto* second = new FakeProjectWindow("/b.ovp", true);
    frame.GetMdiArea()->addSubWindow(first);
    frame.GetMdiArea()->addSubWindow(second);
    frame.ResetMDIChildWalk();
    EXPECT_EQ(frame.GetNextMDIChild(), first);
    EXPECT_EQ(frame.GetNextMDIChild(), second);
    EXPECT_EQ(frame.GetNextMDIChild(), nullptr);
}

TEST_F(MainFrameTest, CtrlEnterStopsTheArmOnlyForProbeTypeTwo) {
    CMainFrame frame(FrameOptions());
    int stops = 0;
    frame.SetStopScanFrame(std::make_unique<CountingStopFrame>(stops));
    for (const eProbeType type : {eProbeType::NoScanner, eProbeType::UsbScannerBoard, eProbeType::RobotArm,
                                  eProbeType::ExternalAdapter}) {
        GetInstrumentInfo().SetProbeType(type);
        QKeyEvent ctrlEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QApplication::sendEvent(&frame, &ctrlEnter);
        QKeyEvent plainEnter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&frame, &plainEnter);
    }
    EXPECT_EQ(stops, 1);
    GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
}

TEST_F(MainFrameTest, TheFirstLayoutPlacesTheProgressBehindTheMeasuredTextAndStartsTheThreadOnce) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    frame.resize(1000, 700);
    frame.show();
    testing::FlushEvents();
    frame.OnTimer(CMainFrame::kTimerFirstLayout);
    CConnectionThread* thread = frame.GetConnectionThread();
    ASSERT_NE(thread, nullptr);
    frame.OnTimer(CMainFrame::kTimerFirstLayout);
    EXPECT_EQ(frame.GetConnectionThread(), thread);
    EXPECT_FALSE(frame.IsTimerActive(CMainFrame::kTimerFirstLayout));

    CProgressInStatus* progress = frame.GetProgressControl();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetLower(), 0);
    EXPECT_EQ(progress->GetUpper(), 100);
    EXPECT_EQ(progress->GetBarColour(), QColor(0, 0, 200));
    const int width =
        QFontMetrics(frame.GetMainStatusBar()->font()).horizontalAdvance("1122334455667788991122");
    const auto offset = [&] {
        return progress->geometry().left() -
               frame.GetMainStatusBar()->GetPane(1)->mapTo(frame.GetMainStatusBar(), QPoint(0, 0)).x();
    };
    EXPECT_EQ(offset(), width + 2);
    EXPECT_EQ(frame.GetMainStatusBar()->GetPaneText(1), " ");
    ASSERT_NE(frame.GetNotificationWindow(), nullptr);
    ASSERT_NE(frame.GetCommunicationWindow(), nullptr);
    EXPECT_EQ(frame.GetCommunicationWindow()->windowTitle(), "Orvilant_Communication_Window");

    frame.resize(1300, 800);
    testing::FlushEvents();
    EXPECT_EQ(offset(), width + 2);
    frame.Teardown();
    EXPECT_TRUE(frame.AllThreadsEnded());
}

TEST_F(MainFrameTest, MovesRelayTheViewFramesOnce800MsAfterTheLastMoveOnlyAfterStartUpSettled) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    RelayCountingFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    const auto move = [&] {
        QMoveEvent event(QPoint(10, 10), QPoint(0, 0));
        QApplication::sendEvent(&frame, &event);
    };
    const auto tick = [&](std::chrono::milliseconds elapsed) {
        clock.Advance(elapsed);
        frame.OnTimer(CMainFrame::kTimerRelayout);
    };
    move();
    for (int i = 0; i < 30; ++i) {
        tick(100ms);
    }
    EXPECT_EQ(frame.m_relays, 0);
    frame.OnTimer(CMainFrame::kTimerSettled);
    EXPECT_TRUE(frame.IsStartupSettled());
    move();
    tick(500ms);
    move();
    tick(700ms);
    EXPECT_EQ(frame.m_relays, 0);
    tick(200ms);
    EXPECT_EQ(frame.m_relays, 1);
    for (int i = 0; i < 20; ++i) {
        tick(100ms);
    }
    EXPECT_EQ(frame.m_relays, 1);
}

} // namespace
} // namespace orv

namespace orv {
namespace {

QMenu* FindMenu(QMainWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QAction* FindItem(QMenu& menu, uint32_t id) {
    for (QAction* action : menu.actions()) {
        if (action->data().toUInt() == id) {
            return action;
        }
    }
    return nullptr;
}

TEST_F(MainFrameTest, MenusComeFromTheCommandTable) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    CAppProfile::AddToRecentFileList("/older.ovp");
    CAppProfile::AddToRecentFileList("/newer.ovp");
    bool opened = false;
    frame.GetCommandTable().SetHandler(CMainFrame::kFirstRecentFileCommand, [&] { opened = true; });

    QMenu* file = FindMenu(frame, "&File");
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    QAction* first = FindItem(*file, CMainFrame::kFirstRecentFileCommand);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), "&1 /newer.ovp");
    ASSERT_NE(FindItem(*file, CMainFrame::kFirstRecentFileCommand + 1), nullptr);
    first->trigger();
    EXPECT_TRUE(opened);
    // Showing the menu again does not repeat the list.
    emit file->aboutToShow();
    size_t recent = 0;
    for (QAction* action : file->actions()) {
        recent += action->data().toUInt() >= CMainFrame::kFirstRecentFileCommand &&
                  action->data().toUInt() < CMainFrame::kFirstRecentFileCommand + 16;
    }
    EXPECT_EQ(recent, 2U);

    QMenu* help = FindMenu(frame, "&Help");
    ASSERT_NE(help, nullptr);
    ASSERT_NE(FindItem(*help, 32913), nullptr);
    emit help->aboutToShow();
    // The manual's rule takes its item away; Find Scanner stays grey, as it always was.
    EXPECT_EQ(FindItem(*help, 32913), nullptr);
    ASSERT_NE(FindItem(*help, 57664), nullptr);
    EXPECT_TRUE(FindItem(*help, 57664)->isEnabled());
    ASSERT_NE(FindItem(*help, 32944), nullptr);
    EXPECT_FALSE(FindItem(*help, 32944)->isEnabled());
    QMenu* window = FindMenu(frame, "&Window");
    ASSERT_NE(window, nullptr);
    emit window->aboutToShow();
    EXPECT_TRUE(FindItem(*window, 131)->isEnabled());
}

TEST_F(MainFrameTest, EveryToolBarButtonIsAPictureWithATipAndAllFitAt1120Pixels) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    frame.resize(1120, 700);
    frame.show();
    testing::FlushEvents();
    std::set<size_t> pictures;
    std::vector<uint32_t> commands;
    for (CMainToolBar* bar : frame.GetToolBars()) {
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        for (QAction* action : bar->actions()) {
            const uint32_t id = action->data().value<uint32_t>();
            commands.push_back(id);
            const QImage picture = action->icon().pixmap(16, 16).toImage();
            ASSERT_EQ(picture.size(), QSize(16, 16)) << id;
            int painted = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    painted += qAlpha(picture.pixel(x, y)) > 128 ? 1 : 0;
                }
            }
            EXPECT_GT(painted, 30) << id;
            pictures.insert(qHashBits(picture.constBits(), static_cast<size_t>(picture.sizeInBytes())));
            EXPECT_EQ(action->toolTip(), frame.GetCommandTable().GetCaption(id).remove('&')) << id;
            EXPECT_FALSE(action->toolTip().isEmpty()) << id;
            // Shown on the bar, not folded behind its overflow button.
            QWidget* button = bar->widgetForAction(action);
            ASSERT_NE(button, nullptr) << id;
            EXPECT_TRUE(button->isVisible()) << id;
        }
    }
    EXPECT_EQ(commands, (std::vector<uint32_t>{57648, 57601, 57603, 32893, 32890, 1011, 32892, 32809, 32810,
                                               32811, 32778, 32899, 32908, 32818, 32906, 32943}));
    // A picture of its own for every command.
    EXPECT_EQ(pictures.size(), commands.size());
    // The menu items show the same pictures.
    QMenu* file = FindMenu(frame, "&File");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(FindItem(*file, 57601)->icon().isNull());
    // The information window shows the program's icon.
    const QImage icon = ProgramIcon().pixmap(32, 32).toImage();
    EXPECT_EQ(frame.GetInformationWindow()->windowIcon().pixmap(32, 32).toImage(), icon);
}

TEST_F(MainFrameTest, TheStatusTextMessageShowsANonEmptyTextInPaneZero) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    GetInstrumentInfo().SetStatusText("Detecting, connecting to Scanner Board and Spectrum Analyzer......");
    frame.Post(10040);
    testing::FlushEvents();
    EXPECT_EQ(frame.GetMainStatusBar()->GetPaneText(0),
              "Detecting, connecting to Scanner Board and Spectrum Analyzer......");
    // An unregistered number answers 0.
    EXPECT_EQ(frame.Send(12345), std::optional<int64_t>(0));
}

TEST_F(MainFrameTest, ThePipeListenerRunsFromCreationToTeardown) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    CNamedPipeListenerManager* listener = frame.GetPipeListener();
    ASSERT_NE(listener, nullptr);
    EXPECT_EQ(listener->WaitUntilSettled(5s), CNamedPipeListenerManager::State::Listening);
    EXPECT_EQ(listener->GetPath(), m_environment.PipePath());
    EXPECT_EQ(frame.GetPipeMode(), 0);
    frame.Send(10041, 1);
    EXPECT_EQ(frame.GetPipeMode(), 1);
    frame.Send(10041, 0);
    EXPECT_EQ(frame.GetPipeMode(), 0);
    frame.Teardown();
    EXPECT_EQ(frame.GetPipeListener(), nullptr);
    EXPECT_TRUE(frame.AllThreadsEnded());
    EXPECT_FALSE(std::filesystem::exists(m_environment.PipePath()));
}

TEST_F(MainFrameTest, TheWindowsDialogListsTheSubWindowsToActivateOrClose) {
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    auto* first = new FakeProjectWindow("/a.ovp", true);
    first->setWindowTitle("Project - 1");
    auto* second = new FakeProjectWindow("/b.ovp", true);
    second->setWindowTitle("Project - 2");
    frame.GetMdiArea()->addSubWindow(first);
    frame.GetMdiArea()->addSubWindow(second);
    frame.show();
    first->show();
    second->show();
    CWindowsDialog dialog(frame.GetMdiArea(), &frame);
    ASSERT_EQ(dialog.GetList()->count(), 3);
    EXPECT_EQ(dialog.GetList()->item(0)->text(), "Information Messages");
    EXPECT_EQ(dialog.GetList()->item(1)->text(), "Project - 1");
    dialog.GetList()->setCurrentRow(1);
    dialog.ActivateSelected();
    EXPECT_EQ(frame.GetMdiArea()->activeSubWindow(), first);
    QPointer<QMdiSubWindow> closed(second);
    second->setAttribute(Qt::WA_DeleteOnClose);
    dialog.GetList()->setCurrentRow(2);
    dialog.CloseSelected();
    testing::FlushEvents();
    EXPECT_TRUE(closed.isNull());
    EXPECT_EQ(dialog.GetList()->count(), 2);
}

} // namespace
} // namespace orv
