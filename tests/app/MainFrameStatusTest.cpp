#include "analyzers/CInstrumentInfo.h"
#include "app/CConnectionLink.h"
#include "app/CConnectionThread.h"
#include "app/CMainFrame.h"
#include "app/CStopScanFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProgressInStatus.h"
#include "app/panes/CInformationMessages.h"
#include "app/panes/CWndMainNotification.h"
#include "protocol/CMainFrameLink.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QMdiArea>

#include <cmath>
#include <limits>

namespace orv {
namespace {

using testing::MainFrameTestEnvironment;

class IdleLink final : public CConnectionLink {
public:
    int32_t GetState() const override { return 0; }
    void SetState(int32_t) override {}
    bool CreateDriverConnection() override { return true; }
    void QueueCommand(uint16_t, uint8_t, uint32_t) override {}
    bool IsCommandQueueEmpty() const override { return true; }
    void SignalCommandEvent() override {}
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
};

// Records whether the emergency-stop window stands shown.
class RecordingStopFrame final : public CStopScanFrame {
public:
    explicit RecordingStopFrame(int& shown) : m_shown(shown) {}
    void EmergencyStop() override {}
    void ShowAtTopRight() override { m_shown = 1; }
    void Hide() override { m_shown = 0; }

private:
    int& m_shown;
};

class MainFrameStatusTest : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        CMainFrame::Options options;
        options.pipePath = m_environment.PipePath();
        options.makeIcmpPing = false;
        options.makeConnectionLink = [](CEngineObjects&, CMainFrame&) {
            return std::make_unique<IdleLink>();
        };
        m_frame = std::make_unique<CMainFrame>(std::move(options));
        ASSERT_TRUE(m_frame->OnCreate());
        // No connection thread: the displays alone are under test.
        m_frame->SetConnectionDevices(nullptr);
        m_frame->resize(1000, 700);
        m_frame->show();
        testing::FlushEvents();
        m_frame->OnTimer(CMainFrame::kTimerFirstLayout);
        ASSERT_NE(m_frame->GetProgressControl(), nullptr);
        m_frame->SetStopScanFrame(std::make_unique<RecordingStopFrame>(m_stopShown));
    }
    void TearDown() override {
        m_frame.reset();
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        GetInstrumentInfo().SetStatusText({});
        GetInstrumentInfo().SetSelectedAnalyzerID(CInstrumentInfo::kNoAnalyzerSelected);
    }

    QString Pane(int pane) const { return m_frame->GetMainStatusBar()->GetPaneText(pane); }
    CProgressInStatus& Progress() const { return *m_frame->GetProgressControl(); }

    MainFrameTestEnvironment m_environment;
    std::unique_ptr<CMainFrame> m_frame;
    int m_stopShown = -1; // -1: never touched
};

TEST_F(MainFrameStatusTest, ScanStatusCodesShowTheirTextProgressColourAndStopWindow) {
    struct Case {
        int32_t code;
        const char* text;
        int32_t position;
        int stopShown; // with the robot arm; -1 unchanged
    };
    const Case cases[] = {
        {-100, " ", 0, -1},
        {-7, "Setting SA ...... Aborted", 0, -1},
        {-6, "Setting SA ...... Failed", 0, -1},
        {-5, "Setting the SA ......  ", 0, -1},
        {-4, "Scan ...... Terminated", 0, 0},
        {-3, "Scan ...... Aborted", 0, 0},
        {-2, "Scanning ...... ", 0, 1},
        {-1, "Scan ...... Completed", 0, 0},
        {0, "Scanning ......  00 %", 0, -1},
        {55, "Scanning ......  55 %", 55, -1},
        {100, "Scanning ......  100 %", 100, -1},
        {150, "Scanning ......  150 %", 150, -1},
    };
    for (const eProbeType probe : {eProbeType::RobotArm, eProbeType::NoScanner}) {
        GetInstrumentInfo().SetProbeType(probe);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.code);
            m_stopShown = -1;
            Progress().SetBarColour(0x123456);
            m_frame->ShowScanStatus(c.code);
            EXPECT_EQ(Pane(1), c.text);
            EXPECT_EQ(Progress().GetPos(), c.position);
            EXPECT_EQ(Progress().GetBarColour(), QColor(0, 0, 200));
            EXPECT_EQ(m_stopShown, probe == eProbeType::RobotArm ? c.stopShown : -1);
        }
    }
    // 100 fills the bar, a code beyond the range fills nothing.
    m_frame->ShowScanStatus(100);
    EXPECT_EQ(Progress().GetFilledWidth(), Progress().GetInnerRect().width());
    m_frame->ShowScanStatus(150);
    EXPECT_LT(Progress().GetFilledWidth(), 0);
}

TEST_F(MainFrameStatusTest, SetUpPeakDetectionAndFractionProgress) {
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgAnalyzerSetupProgress, 0, 40));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Progress().GetPos() == 40; }));
    EXPECT_EQ(Pane(1), "Setting the SA ......  40 %");
    EXPECT_EQ(Progress().GetBarColour(), QColor(245, 128, 37));
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgAnalyzerSetupProgress, 0, 100));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Progress().GetPos() == 100; }));
    EXPECT_EQ(Progress().GetBarColour(), QColor(225, 255, 225));
    EXPECT_EQ(Pane(1), "Setting the SA ......  40 %");

    GetInstrumentInfo().SetProbeType(eProbeType::RobotArm);
    m_frame->ShowPeakDetectionProgress(40);
    EXPECT_EQ(Pane(1), "Detecting Peaks...... 40 %");
    EXPECT_EQ(Progress().GetPos(), 40);
    EXPECT_EQ(Progress().GetBarColour(), QColor(160, 160, 0));
    EXPECT_EQ(m_stopShown, -1);
    m_frame->ShowPeakDetectionProgress(100);
    EXPECT_EQ(Pane(1), "Scan ...... Completed");
    EXPECT_EQ(Progress().GetPos(), 0);
    EXPECT_EQ(Progress().GetBarColour(), QColor(225, 255, 225));
    EXPECT_EQ(m_stopShown, 0);

    m_frame->ShowScanningProgressFraction(37.5);
    EXPECT_EQ(Pane(1), "Scanning ......  37.50 %");
    EXPECT_EQ(Progress().GetPos(), 37);
    EXPECT_EQ(Progress().GetBarColour(), QColor(0, 0, 200));
    m_frame->ShowScanningProgressFraction(std::nan(""));
    EXPECT_EQ(Pane(1), "Scanning ......  0.00  %");
    EXPECT_EQ(Progress().GetPos(), 0);
    m_frame->ShowScanningProgressFraction(1e300);
    EXPECT_EQ(Progress().GetPos(), std::numeric_limits<int32_t>::max());

    m_frame->ShowScanningProgress(7);
    EXPECT_EQ(Pane(1), "Scanning  ......  07 %");
    EXPECT_EQ(Progress().GetPos(), 7);
    m_frame->ShowScanningProgress(120);
    EXPECT_EQ(Pane(1), "Scanning  ......  120 %");
    EXPECT_EQ(Progress().GetPos(), 100);
}

TEST_F(MainFrameStatusTest, PostedScanStatusAndStatusTextReachTheirPanes) {
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgScanStatus, 0, -4));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(1) == "Scan ...... Terminated"; }));

    // The frame as the controller reaches it posts the text through the instrument state.
    m_frame->GetFrameLink().PostStatusText("Scanner found");
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(0) == "Scanner found"; }));
    EXPECT_EQ(m_frame->GetStatusMessage(), "Scanner found");
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgScanStatus, 0, -1));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(1) == "Scan ...... Completed"; }));
}

TEST_F(MainFrameStatusTest, AStatusTextClearedWithoutAProjectReplacesTheIdentityQuery) {
    GetInstrumentInfo().SetStatusText(CConnectionThread::kQueryingIdText);
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgStatusTextChanged));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(0) == CConnectionThread::kQueryingIdText; }));

    // Cleared before any analyser is selected: the program is ready.
    GetInstrumentInfo().SetStatusText({});
    ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgStatusTextChanged));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(0) == CMainFrame::kReadyText; }));

    // The engine link selects the analyser on its own thread, after the text was cleared: the next
    // idle names it.
    const _SupportedAnalyzerInfo row = GetInstrumentInfo().GetSupportedAnalyzers().front();
    GetInstrumentInfo().SetSelectedAnalyzerID(row.m_AnalyzerID);
    m_frame->ShowStatusMessage();
    EXPECT_EQ(Pane(0).toStdString(), "  Selected Analyzer:  " + row.m_DisplayName);

    // A text of the devices again replaces it, and is kept at idle.
    m_frame->GetFrameLink().PostStatusText(CConnectionThread::kQueryingIdText);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return Pane(0) == CConnectionThread::kQueryingIdText; }));
    m_frame->ShowStatusMessage();
    EXPECT_EQ(Pane(0), CConnectionThread::kQueryingIdText);
}

TEST_F(MainFrameStatusTest, TheInformationWindowLiesInTheLaidOutClientAlsoAfterTheToggle) {
    // The frame was made before it was shown and laid out (a client of a few pixels then).
    CInformationMessages* information = m_frame->GetInformationWindow();
    ASSERT_NE(information, nullptr);
    const QRect client = m_frame->GetMdiArea()->viewport()->rect();
    ASSERT_GT(client.height(), 400);
    auto expectInside = [&](const char* when) {
        const QRect placed = information->geometry();
        EXPECT_TRUE(information->isVisible()) << when;
        EXPECT_TRUE(client.contains(placed)) << when;
        EXPECT_GE(placed.height(), client.height() / 4) << when;
        EXPECT_GE(placed.width(), client.width() / 2) << when;
        // The lower third, 50 pixels up.
        EXPECT_EQ(placed.top(), 2 * (client.height() / 3) - 50) << when;
    };
    expectInside("at the first show");

    // View, Information Window: off, then on again after the user had moved it away.
    ASSERT_TRUE(m_frame->OnCommand(CMainFrame::kInformationWindowCommand));
    EXPECT_FALSE(information->isVisible());
    information->move(-500, -500);
    ASSERT_TRUE(m_frame->OnCommand(CMainFrame::kInformationWindowCommand));
    expectInside("after the toggle");
    EXPECT_EQ(m_frame->IsCommandChecked(CMainFrame::kInformationWindowCommand), std::optional<bool>(true));

    // A window the user moved stays where the user put it when the client changes.
    information->move(7, 11);
    m_frame->resize(1100, 760);
    testing::FlushEvents();
    EXPECT_EQ(information->pos(), QPoint(7, 11));
}

TEST_F(MainFrameStatusTest, DevicesConnectedSetsTheBackgroundAndNotifiesByProbeType) {
    struct Case {
        eProbeType probe;
        const char* notice;
    };
    const Case cases[] = {{eProbeType::NoScanner, "Connected to Spectrum Analyzer. (Handheld mode only)"},
                          {eProbeType::RobotArm, "Connected to Scanner and Spectrum Analyzer."}};
    CWndMainNotification* notices = m_frame->GetNotificationWindow();
    ASSERT_NE(notices, nullptr);
    size_t count = 0;
    for (const Case& c : cases) {
        GetInstrumentInfo().SetProbeType(c.probe);
        ASSERT_TRUE(m_frame->Post(CMainFrameLink::kMsgAnalyzerConnected));
        ++count;
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return notices->GetNoticeCount() == count; }));
        EXPECT_EQ(notices->GetNoticeTexts().back(), c.notice);
    }
    EXPECT_EQ(Progress().GetBackgroundColour(), QColor(225, 255, 225));
}

} // namespace
} // namespace orv
