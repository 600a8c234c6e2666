// The hand-held probe cells (10101) as the scan thread asks them: the outside program's answers over
// the pipe, the dialog's answers, the position query, and a stop that ends a waiting prompt so the
// scan thread can be joined.

#include "app/CDlgHandHeldProbe.h"
#include "app/CMainFrame.h"
#include "engine/CEngineObjects.h"
#include "engine/runners/HandHeldProbeScan.h"
#include "project/QNodeMediator.h"
#include "project/QScanThread.h"
#include "protocol/pipe/CNamedPipeIncomingClient.h"
#include "protocol/pipe/CNamedPipeListenerManager.h"
#include "support/ProjectFrameFixture.h"
#include "tests/sim/pipe/support/HandHeldProbeClientProcess.h"

#include <QApplication>

#include <future>
#include <thread>

namespace orv {
namespace {

using testing::ProjectFrameFixture;

// Marks a mediator as the scanning one without a worker of its own.
class NoWorkerHost final : public QScanThreadHost {
public:
    Event& GetScanEvent() override { return m_event; }
    std::unique_ptr<QScanThread> CreateScanThread(int32_t, Event&, int64_t, QNodeMediator&) override {
        return {};
    }

private:
    Event m_event{Event::Reset::Manual};
};

class ProbeCellTest : public ProjectFrameFixture {
protected:
    // Sends 10101 from a thread of its own, as the scan thread does, and waits on this thread.
    std::optional<int64_t> SendFromScanThread(uint64_t wParam, int64_t lParam) {
        std::promise<std::optional<int64_t>> promise;
        std::future<std::optional<int64_t>> answer = promise.get_future();
        std::thread scan(
            [&] { promise.set_value(m_frame->Send(CMainFrame::kHandHeldProbeCellMessage, wParam, lParam)); });
        const bool answered = testing::ProcessEventsUntil(
            [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            std::chrono::seconds(20));
        scan.join();
        EXPECT_TRUE(answered);
        return answered ? answer.get() : std::nullopt;
    }

    // Answers the next hand-held probe dialog with `answer` once it shows, recording its text.
    void AnswerDialogWith(int answer) {
        auto* timer = new QTimer(m_frame.get());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, timer, answer] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = dynamic_cast<CDlgHandHeldProbe*>(widget);
                if (dialog != nullptr && dialog->isVisible()) {
                    m_dialogTexts.push_back(dialog->GetCellText().toStdString());
                    dialog->done(answer);
                    timer->deleteLater();
                    timer->stop();
                    return;
                }
            }
        });
        timer->start();
    }

    std::vector<std::string> m_dialogTexts;
};

TEST_F(ProbeCellTest, DialogAnswersGiveGoSkipAndStopWithTheCellText) {
    struct Case {
        int answer;
        int64_t result;
        int stopMarks;
    };
    const Case cases[] = {{1, 0, 0}, {2, -1, 0}, {3, -2, 1}, {7, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        AnswerDialogWith(c.answer);
        EXPECT_EQ(SendFromScanThread(4, 17), std::optional<int64_t>(c.result));
        EXPECT_EQ(m_link->stopMarks.load(), c.stopMarks);
    }
    EXPECT_EQ(m_dialogTexts, std::vector<std::string>(4, "Row = 4,  Col = 17"));

    // Five values behind wParam when lParam is -1: row and column are the second and third.
    const std::array<int32_t, 5> values = {9, 2, 5, 0, 0};
    AnswerDialogWith(1);
    EXPECT_EQ(SendFromScanThread(static_cast<uint64_t>(reinterpret_cast<intptr_t>(values.data())), -1),
              std::optional<int64_t>(0));
    EXPECT_EQ(m_dialogTexts.back(), "Row = 2,  Col = 5");
}

TEST_F(ProbeCellTest, TheScanningProjectsLabelPreferenceLettersTheCell) {
    CChildFrame* frame = NewProject();
    CViewTreeWidget& tree = Tree(*frame);
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(m_frame->OnCommand(32778));
    QNodeMediator* handHeld = tree.GetSelectedTreeNode()->m_mediator;
    QNodeMediator* preferences = handHeld->GetPreferencesMediator();
    ASSERT_NE(preferences, nullptr);
    preferences->GetSpatialDisplayOptions()->m_flag5 = 1;
    NoWorkerHost host;
    handHeld->StartScanThread(host, 0);
    ASSERT_EQ(QNodeMediator::GetScanningMediator(), handHeld);

    AnswerDialogWith(1);
    EXPECT_EQ(SendFromScanThread(4, 17), std::optional<int64_t>(0));
    EXPECT_EQ(m_dialogTexts.back(), CMainFrame::FormatProbeCellText(4, 17, true));

    // The position query: the node holds no tracker, so nothing is tracked at (0, 0).
    HandHeldProbePosition position{0.5F, 0.25F, 1};
    EXPECT_EQ(SendFromScanThread(static_cast<uint64_t>(HandHeldProbeScan::kPositionRequest),
                                 static_cast<int64_t>(reinterpret_cast<intptr_t>(&position))),
              std::optional<int64_t>(0));
    EXPECT_EQ(position.xFraction, 0.0F);
    EXPECT_EQ(position.yFraction, 0.0F);
    EXPECT_EQ(position.valid, 0);
    handHeld->StopWorker();
}

TEST_F(ProbeCellTest, WithoutAScanThePositionQueryAnswersNothingTracked) {
    ASSERT_EQ(QNodeMediator::GetScanningMediator(), nullptr);
    HandHeldProbePosition position{0.75F, 0.5F, 1};
    EXPECT_EQ(SendFromScanThread(static_cast<uint64_t>(HandHeldProbeScan::kPositionRequest),
                                 static_cast<int64_t>(reinterpret_cast<intptr_t>(&position))),
              std::optional<int64_t>(0));
    EXPECT_EQ(position.xFraction, 0.0F);
    EXPECT_EQ(position.yFraction, 0.0F);
    EXPECT_EQ(position.valid, 0);
}

TEST_F(ProbeCellTest, AStopWhileTheDialogWaitsEndsItAndTheScanThreadJoins) {
    ScanStopFlag& stop = m_frame->GetEngineObjects()->GetStopFlag();
    stop.BeginScan();
    // The stop comes while the dialog is up; nobody answers it.
    auto* timer = new QTimer(m_frame.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [&stop, timer] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (dynamic_cast<CDlgHandHeldProbe*>(widget) != nullptr && widget->isVisible()) {
                stop.RequestStop();
                timer->stop();
            }
        }
    });
    timer->start();
    EXPECT_EQ(SendFromScanThread(1, 1), std::optional<int64_t>(-2));
    EXPECT_EQ(m_link->stopMarks.load(), 1);
    // A request that comes after the stop does not show the dialog at all.
    EXPECT_EQ(SendFromScanThread(1, 2), std::optional<int64_t>(-2));
    stop.Clear();
}

TEST_F(ProbeCellTest, ThePipeClientsAnswersGoSkipAndStop) {
    // The frame starts its listener on a thread of its own: the program connects once it listens.
    ASSERT_NE(m_frame->GetPipeListener(), nullptr);
    ASSERT_EQ(m_frame->GetPipeListener()->WaitUntilSettled(std::chrono::seconds(5)),
              CNamedPipeListenerManager::State::Listening);
    test::HandHeldProbeClientProcess program(m_environment.PipePath());
    program.Connect();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return m_frame->GetPipeClient() != nullptr; }));
    EXPECT_EQ(m_frame->GetPipeMode(), 1);

    program.ReplyWith(0);
    EXPECT_EQ(SendFromScanThread(6, 8), std::optional<int64_t>(0));
    EXPECT_EQ(program.WaitForRequest(), (std::array<int32_t, 5>{0, 6, 8, 0, 0}));
    program.ReplyWith(-1);
    EXPECT_EQ(SendFromScanThread(6, 9), std::optional<int64_t>(-1));
    program.WaitForRequest();
    EXPECT_EQ(m_link->stopMarks.load(), 0);
    // Any other answer stops too.
    program.ReplyWith(7);
    EXPECT_EQ(SendFromScanThread(6, 10), std::optional<int64_t>(-2));
    program.WaitForRequest();
    EXPECT_EQ(m_link->stopMarks.load(), 1);
    // No answer within the (shortened) window.
    m_frame->SetPipeAnswerWindow(std::chrono::milliseconds(200));
    program.LeaveUnanswered();
    EXPECT_EQ(SendFromScanThread(6, 11), std::optional<int64_t>(-2));
    EXPECT_EQ(m_link->stopMarks.load(), 2);

    // The program goes: no pipe mode, the dialog asks again.
    program.HangUp();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return m_frame->GetPipeClient() == nullptr; }));
    EXPECT_EQ(m_frame->GetPipeMode(), 0);
    AnswerDialogWith(2);
    EXPECT_EQ(SendFromScanThread(6, 12), std::optional<int64_t>(-1));
}

} // namespace
} // namespace orv
