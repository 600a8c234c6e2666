#include "analyzers/CInstrumentInfo.h"
#include "app/CDlgSearchForZeltp.h"
#include "app/CMainFrame.h"
#include "app/CSoundEffectPlayer.h"
#include "app/CStopScanWindow.h"
#include "app/controls/CMainToolBar.h"
#include "app/panes/CInformationMessages.h"
#include "core/QScanOptions.h"
#include "core/QScannerContext.h"
#include "core/TypeIds.h"
#include "platform/log/InformationLog.h"
#include "platform/sound/Sound.h"
#include "project/QNodeMediator.h"
#include "support/ProjectFrameFixture.h"

#include <QFile>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QTest>

#include <map>
#include <thread>

namespace orv {
namespace {

using testing::ProjectFrameFixture;

constexpr uint32_t kScan = CMainFrame::kScanCommand;
constexpr uint32_t kScanContinuously = CMainFrame::kScanContinuouslyCommand;
constexpr uint32_t kSettings = CMainFrame::kSettingsCommand;
constexpr uint32_t kAddCommands[] = {32809, 32810, 32811, 32778, 32899, 32908, 32818, 32906, 32940, 32943};

class MainFrameCommandsTest : public ProjectFrameFixture {
protected:
    // The add commands enabled now, as a set of ids.
    std::vector<uint32_t> EnabledAddCommands() {
        std::vector<uint32_t> enabled;
        for (const uint32_t id : kAddCommands) {
            if (m_frame->GetCommandTable().IsEnabled(id)) {
                enabled.push_back(id);
            }
        }
        return enabled;
    }
    bool Enabled(uint32_t id) { return m_frame->GetCommandTable().IsEnabled(id); }
    QNodeMediator* Selected(CChildFrame& frame) { return Tree(frame).GetSelectedTreeNode()->m_mediator; }
};

TEST_F(MainFrameCommandsTest, AddCommandsFollowTheSelectedKindAndAddUnderIt) {
    CChildFrame* frame = NewProject();
    CViewTreeWidget& tree = Tree(*frame);
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_EQ(tree.GetSelectedTreeNode()->m_kind, kTypeProjectNode);
    EXPECT_EQ(EnabledAddCommands(),
              (std::vector<uint32_t>{32809, 32810, 32811, 32778, 32899, 32908, 32818, 32906, 32940, 32943}));

    // Through the tree: the spectral node is added under the project and selected.
    frame->GetDocument().SetModifiedFlag(false);
    EXPECT_TRUE(m_frame->OnCommand(32809));
    ASSERT_EQ(tree.GetSelectedTreeNode()->m_kind, kTypeSpectralScanNode);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return frame->GetDocument().IsModified(); }));
    // Under a spectral node: a spatial node, a spectral comparison and overlay only.
    EXPECT_EQ(EnabledAddCommands(), (std::vector<uint32_t>{32810, 32908, 32818}));

    EXPECT_TRUE(m_frame->OnCommand(32810));
    ASSERT_EQ(tree.GetSelectedTreeNode()->m_kind, kTypeSpatialScanNode);
    // Under a spatial node no spatial node, but the spatial comparison and blind-spot reduction.
    EXPECT_EQ(EnabledAddCommands(), (std::vector<uint32_t>{32906, 32940}));

    // Through the project: the comparison goes under the selected spatial node, the project is
    // marked modified once it was added.
    QNodeMediator* spatial = Selected(*frame);
    frame->GetDocument().SetModifiedFlag(false);
    EXPECT_TRUE(m_frame->OnCommand(32906));
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return frame->GetDocument().IsModified(); }));
    std::vector<QNodeMediator*> children;
    tree.GetChildNodeMediators(static_cast<uint32_t>(spatial->GetNodeID()), children);
    ASSERT_EQ(children.size(), 1U);
    EXPECT_EQ(children[0]->GetKind(), kTypeSpatialComparisonNode);

    // Under a module node everything but the report node, which goes under the project only.
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(m_frame->OnCommand(32899));
    for (CTreeItem* item = tree.GetFirstChildItem(tree.GetRootItem()); item != nullptr;
         item = tree.GetNextSiblingItem(item)) {
        if (item->m_kind == kTypeModuleNode) {
            tree.SelectTreeNode(item);
        }
    }
    ASSERT_EQ(tree.GetSelectedTreeNode()->m_kind, kTypeModuleNode);
    EXPECT_EQ(EnabledAddCommands(),
              (std::vector<uint32_t>{32809, 32810, 32811, 32778, 32899, 32908, 32818, 32906, 32940}));
}

TEST_F(MainFrameCommandsTest, ScanCommandsFollowTheControllerStateAndTheInterleavedFlag) {
    CChildFrame* frame = NewProject();
    CViewTreeWidget& tree = Tree(*frame);
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(m_frame->OnCommand(32809));
    ASSERT_TRUE(m_frame->OnCommand(32810));
    QNodeMediator* spatial = Selected(*frame);

    struct Case {
        int32_t state;
        bool interleaved;
        bool scan;
        bool continuously;
    };
    const Case cases[] = {
        {0, false, false, false}, {2, false, true, true},   {12, false, false, false},
        {2, true, true, false},   {12, true, false, false}, {0, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.state) + (c.interleaved ? " interleaved" : ""));
        m_engine.state = c.state;
        spatial->GetScanOptions()->SetInterleavedScan(c.interleaved ? 1 : 0);
        EXPECT_EQ(Enabled(kScan), c.scan);
        EXPECT_EQ(Enabled(kScanContinuously), c.continuously);
        EXPECT_TRUE(Enabled(kSettings));
    }
    spatial->GetScanOptions()->SetInterleavedScan(0);

    // With the information window active every project command is disabled; the toggles are not.
    m_engine.state = 2;
    m_frame->GetMdiArea()->setActiveSubWindow(m_frame->GetInformationWindow());
    ASSERT_EQ(m_frame->GetActiveChildFrame(), nullptr);
    for (const uint32_t id : {kScan, kScanContinuously, kSettings, 32809u, 32810u, 32906u, 32943u}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    for (const uint32_t id : {32978u, 32988u, 32989u, 32990u, 101u}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    m_frame->GetMdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame->parentWidget()));
    ASSERT_EQ(m_frame->GetActiveChildFrame(), frame);

    // Scan runs a scan node once through the controller; the project node is refused with a box.
    EXPECT_TRUE(m_frame->OnCommand(kScan));
    ASSERT_EQ(m_engine.runs.size(), 1U);
    EXPECT_EQ(m_engine.runs[0].first, spatial);
    EXPECT_FALSE(m_engine.runs[0].second);
    EXPECT_TRUE(m_frame->OnCommand(kScanContinuously));
    ASSERT_EQ(m_engine.runs.size(), 2U);
    EXPECT_TRUE(m_engine.runs[1].second);
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(m_frame->OnCommand(kScan));
    EXPECT_EQ(m_engine.runs.size(), 2U);
    EXPECT_EQ(m_environment.GetPrompt().Texts().back(), CMainFrame::kNoScanForNodeText);
}

TEST_F(MainFrameCommandsTest, WindowTogglesShowAndHideWithTheirCheckMarks) {
    CInformationMessages* information = m_frame->GetInformationWindow();
    ASSERT_TRUE(information->isVisible());
    EXPECT_EQ(m_frame->IsCommandChecked(32978), std::optional<bool>(true));
    EXPECT_TRUE(m_frame->OnCommand(32978));
    EXPECT_FALSE(information->isVisible());
    EXPECT_EQ(m_frame->IsCommandChecked(32978), std::optional<bool>(false));
    EXPECT_TRUE(m_frame->OnCommand(32978));
    EXPECT_TRUE(information->isVisible());
    EXPECT_EQ(m_frame->GetMdiArea()->currentSubWindow(), information);

    // 32988, 32990 and 32989: the bars 129, 364 and 365.
    const std::map<uint32_t, size_t> bars = {{32988, 0}, {32990, 1}, {32989, 2}};
    for (const auto& [id, index] : bars) {
        CMainToolBar* bar = m_frame->GetToolBars()[index];
        ASSERT_TRUE(bar->isVisible());
        EXPECT_TRUE(m_frame->OnCommand(id));
        EXPECT_FALSE(bar->isVisible()) << id;
        EXPECT_EQ(m_frame->IsCommandChecked(id), std::optional<bool>(false));
        EXPECT_TRUE(m_frame->OnCommand(id));
        EXPECT_TRUE(bar->isVisible()) << id;
    }
    EXPECT_EQ(m_frame->IsCommandChecked(kScan), std::nullopt);
}

TEST_F(MainFrameCommandsTest, ScannerSearchAndDriverParametersMessages) {
    // 10038 runs the search dialog; a search from it lists two scanners and the second is picked.
    int dialogsSeen = 0;
    std::vector<std::string> rowsOnOpen;
    // Answers the dialog once it runs (the frame opens it when it handles the posted message).
    QTimer poll;
    bool pickNext = false;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<CDlgSearchForZeltp*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        poll.stop();
        ++dialogsSeen;
        rowsOnOpen = dialog->GetScannerIps();
        if (!pickNext) {
            dialog->reject();
            return;
        }
        dialog->SetSearchFunction([](std::vector<std::string>& addresses, std::vector<std::string>& ids) {
            addresses = {"10.1.1.1", "10.1.1.2"};
            ids = {"111", "222"};
        });
        dialog->SearchAgain();
        dialog->GetList().topLevelItem(1)->setSelected(true);
        dialog->Select();
    });
    auto answerDialog = [&](bool pick) {
        pickNext = pick;
        poll.start();
    };
    m_engine.state = 2;
    answerDialog(true);
    m_frame->Post(10038);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] {
        return m_frame->GetStatusMessage() ==
               "Trying to connect to the Scanner:  ID = 222;  IP = 10.1.1.2......";
    }));
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_TRUE(rowsOnOpen.empty());
    EXPECT_EQ(m_engine.state, 0);
    EXPECT_EQ(m_frame->GetChosenScannerAddress(), "10.1.1.2");
    // The next search opens with what the last one found; Cancel connects nothing new.
    answerDialog(false);
    m_frame->Post(10038);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return dialogsSeen == 2; }));
    EXPECT_EQ(rowsOnOpen, (std::vector<std::string>{"10.1.1.1", "10.1.1.2"}));
    EXPECT_FALSE(m_frame->GetCommandTable().IsEnabled(32944)) << "Find Scanner stays disabled in the menu";

    // The chosen scanner: its status text, the server address cleared, the controller back to 0.
    m_engine.state = 2;
    m_frame->ConnectToChosenScanner("192.168.1.20", "ZX-7");
    EXPECT_EQ(m_engine.state, 0);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] {
        return m_frame->GetStatusMessage() ==
               "Trying to connect to the Scanner:  ID = ZX-7;  IP = 192.168.1.20......";
    }));

    // Driver Parameters: one top-most window, raised again by a second command; its Cancel has the
    // frame destroy it (10044).
    ASSERT_TRUE(m_frame->GetCommandTable().Execute(32966));
    QPointer<QWidget> window = m_frame->GetDriverParametersWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Driver Parameters");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(m_frame->GetCommandTable().Execute(32966));
    EXPECT_EQ(m_frame->GetDriverParametersWindow(), window.data());
    QTest::mouseClick(window->findChild<QPushButton*>("2"), Qt::LeftButton);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return window == nullptr; }));
    EXPECT_EQ(m_frame->GetDriverParametersWindow(), nullptr);

    // About: the modal box over the frame.
    QString aboutTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            aboutTitle = modal->windowTitle();
            modal->close();
        }
    });
    ASSERT_TRUE(m_frame->GetCommandTable().Execute(57664));
    EXPECT_EQ(aboutTitle, "About Orvilant");
}

TEST_F(MainFrameCommandsTest, StatusTextNamesTheSelectedAnalyzerOfTheActiveProject) {
    CInstrumentInfo& info = GetInstrumentInfo();
    info.BuildSupportedAnalyzerTable();
    const int32_t previous = info.GetSelectedAnalyzerID();
    // Without a project and an analyser an empty status text says the program is ready.
    info.SetSelectedAnalyzerID(CInstrumentInfo::kNoAnalyzerSelected);
    info.SetStatusText({});
    m_frame->SetStatusMessage("before");
    m_frame->Post(10040);
    testing::FlushEvents();
    EXPECT_EQ(m_frame->GetStatusMessage(), CMainFrame::kReadyText);

    // A project's window built: its preferences name the analyser, also while none is selected.
    NewProject();
    EXPECT_EQ(m_frame->GetStatusMessage(), "  Selected Analyzer:  Unknown or no supported analyzer.");
    _SupportedAnalyzerInfo row;
    ASSERT_TRUE(info.FindAnalyzerByID(900, row));
    info.SetSelectedAnalyzerID(900);
    m_frame->Post(10040);
    testing::FlushEvents();
    EXPECT_EQ(m_frame->GetStatusMessage().toStdString(), "  Selected Analyzer:  " + row.m_DisplayName);
    info.SetSelectedAnalyzerID(123456);
    m_frame->Post(10040);
    testing::FlushEvents();
    EXPECT_EQ(m_frame->GetStatusMessage(), "  Selected Analyzer:  Unknown or no supported analyzer.");
    // A status text of its own goes first.
    m_frame->PostStatusText("Connecting...");
    testing::FlushEvents();
    EXPECT_EQ(m_frame->GetStatusMessage(), "Connecting...");
    info.SetStatusText({});
    info.SetSelectedAnalyzerID(previous);
}

TEST_F(MainFrameCommandsTest, CellTextsUseLabelsOrNumbers) {
    const QScannerContext& context = GetScannerContext();
    EXPECT_EQ(CMainFrame::FormatProbeCellText(3, 12, false), "Row = 3,  Col = 12");
    EXPECT_EQ(CMainFrame::FormatProbeCellText(3, 12, true),
              "Row = " + context.GetRowLabel(3).m_text + ",  Col = " + context.GetColumnLabel(12).m_text);
    // Beyond the label tables the number shows.
    EXPECT_EQ(CMainFrame::FormatProbeCellText(29, 42, true), "Row = 29,  Col = 42");
    EXPECT_EQ(CMainFrame::FormatProbeCellText(-1, 0, true),
              "Row = -1,  Col = " + context.GetColumnLabel(0).m_text);
}

TEST_F(MainFrameCommandsTest, TheStopWindowStopsOnceUntilShownAgain) {
    int scanStops = 0;
    int armStops = 0;
    CStopScanWindow window({[&] { ++scanStops; }, [&] { ++armStops; }});
    window.SetStoppedPause(std::chrono::milliseconds(0));
    window.ShowAtTopRight();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(CStopScanWindow::kWidth, CStopScanWindow::kHeight));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.pos(), QPoint(available.right() + 1 - window.width(), available.top()));

    testing::SendMouse(window, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    testing::SendMouse(window, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(scanStops, 1);
    EXPECT_EQ(armStops, 1);
    EXPECT_EQ(m_environment.GetPrompt().Texts(), std::vector<std::string>{CStopScanWindow::kStoppedText});

    // Closing does nothing; shown again it stops again.
    window.ShowAtTopRight();
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsStopped());
    window.EmergencyStop();
    EXPECT_EQ(scanStops, 2);
}

TEST_F(MainFrameCommandsTest, SoundsFromAnyThreadPlayTheProgramsWaveFiles) {
    CSoundEffectPlayer* player = m_frame->GetSoundPlayer();
    ASSERT_NE(player, nullptr);
    for (const int32_t id : {CSoundEffectPlayer::kDeviceConnectSound, CSoundEffectPlayer::kSetupSound,
                             CSoundEffectPlayer::kScanEndSound}) {
        const QString file = CSoundEffectPlayer::WaveFileOf(id);
        QFile wave(file);
        ASSERT_TRUE(wave.open(QIODevice::ReadOnly)) << file.toStdString();
        const QByteArray header = wave.read(12);
        EXPECT_TRUE(header.startsWith("RIFF") && header.endsWith("WAVE")) << file.toStdString();
        EXPECT_EQ(player->GetEffect(id)->source(), QUrl("qrc" + file));
    }
    std::thread worker([] {
        PlaySoundResource(CSoundEffectPlayer::kSetupSound);
        PlaySoundResource(CSoundEffectPlayer::kScanEndSound);
        PlaySoundResource(12345);
    });
    worker.join();
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] { return player->GetPlayCount(CSoundEffectPlayer::kScanEndSound) == 1; }));
    EXPECT_EQ(player->GetPlayCount(CSoundEffectPlayer::kSetupSound), 1U);

    // The devices-connected message plays its sound.
    m_frame->Post(10025);
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] { return player->GetPlayCount(CSoundEffectPlayer::kDeviceConnectSound) == 1; }));
}

} // namespace
} // namespace orv
