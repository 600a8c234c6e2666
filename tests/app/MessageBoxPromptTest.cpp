#include "app/MessageBoxPrompt.h"

#include "app/UiMessagePump.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::ProcessEventsUntil;

QMessageBox* VisibleBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = dynamic_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// Calls `onBox` once, from the event loop (also the nested loop of a modal box), when a box shows.
class BoxWatcher {
public:
    explicit BoxWatcher(std::function<void(QMessageBox&)> onBox) : m_onBox(std::move(onBox)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QMessageBox* box = VisibleBox(); box != nullptr && !m_seen) {
                m_seen = true;
                m_onBox(*box);
            }
        });
        m_timer.start();
    }
    bool Seen() const { return m_seen; }

private:
    std::function<void(QMessageBox&)> m_onBox;
    QTimer m_timer;
    bool m_seen = false;
};

// Counts the boxes that were ever shown.
class ShowCounter : public QObject {
public:
    ShowCounter() { QApplication::instance()->installEventFilter(this); }
    ~ShowCounter() override { QApplication::instance()->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && dynamic_cast<QMessageBox*>(watched) != nullptr) {
            ++shown;
        }
        return false;
    }
};

class MessageBoxPromptTest : public testing::QtWidgetTest {
protected:
    MessageBoxPromptTest() { EnsureTestApplication(); }
    ~MessageBoxPromptTest() override { MessageBoxPrompt::SetOwnerWindow(nullptr); }

    MessageBoxPrompt prompt;
};

struct AskedBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onUiThread = false;
    QWidget* owner = nullptr;
};

AskedBox Describe(QMessageBox& box) {
    return {box.windowTitle(),
            box.text(),
            box.icon(),
            box.standardButtons(),
            QThread::currentThread() == QCoreApplication::instance()->thread(),
            box.parentWidget()};
}

TEST_F(MessageBoxPromptTest, AskedFromAWorkerTheBoxShowsOnTheUiThreadAndTheClickedButtonComesBack) {
    QWidget mainWindow;
    MessageBoxPrompt::SetOwnerWindow(&mainWindow);
    AskedBox asked;
    BoxWatcher watcher([&](QMessageBox& box) {
        asked = Describe(box);
        QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
    });
    std::atomic<bool> done{false};
    PromptAnswer answer = PromptAnswer::Ok;
    std::thread worker([&] {
        answer = prompt.Ask(
            {"Delete the node \x93Probe 1\x94?", "Delete", PromptButtons::YesNoCancel, PromptIcon::Question},
            {}, PromptAnswer::Cancel);
        done = true;
    });
    const bool finished = ProcessEventsUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(answer, PromptAnswer::No);
    EXPECT_EQ(asked.title, QString("Delete"));
    EXPECT_EQ(asked.text, QString::fromUtf8("Delete the node “Probe 1”?"));
    EXPECT_EQ(asked.icon, QMessageBox::Question);
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(asked.onUiThread);
    EXPECT_EQ(asked.owner, &mainWindow);
}

TEST_F(MessageBoxPromptTest, AStopWithdrawsTheShownBoxAndAnswersTheCallersValue) {
    std::stop_source stop;
    BoxWatcher watcher([&](QMessageBox& /*box*/) { std::thread([&] { stop.request_stop(); }).join(); });
    std::atomic<bool> done{false};
    PromptAnswer answer = PromptAnswer::No;
    std::thread worker([&] {
        answer = prompt.Ask({"Scan again?", "Warning", PromptButtons::YesNo, PromptIcon::Warning},
                            stop.get_token(), PromptAnswer::Yes);
        done = true;
    });
    // The asker is released and the box goes, both within the bound.
    const bool withdrawn = ProcessEventsUntil([&] { return done.load() && VisibleBox() == nullptr; });
    worker.join();
    ASSERT_TRUE(withdrawn);
    EXPECT_TRUE(watcher.Seen());
    EXPECT_EQ(answer, PromptAnswer::Yes);
}

TEST_F(MessageBoxPromptTest, AStopBeforeTheBoxAppearedNeverShowsIt) {
    ShowCounter counter;
    // A box that shows by mistake is counted and closed, so the fault fails the test instead of
    // leaving it waiting in the box's own event loop.
    BoxWatcher closeStray([](QMessageBox& box) { box.reject(); });
    struct Case {
        const char* name;
        bool stopBeforeAsking;
    };
    for (const Case c : {Case{"stopped before asking", true}, Case{"stopped while queued", false}}) {
        SCOPED_TRACE(c.name);
        std::stop_source stop;
        if (c.stopBeforeAsking) {
            stop.request_stop();
        }
        std::atomic<bool> done{false};
        PromptAnswer answer = PromptAnswer::Ok;
        std::thread worker([&] {
            answer = prompt.Ask({"Text", "Caption", PromptButtons::OkCancel, PromptIcon::Error},
                                stop.get_token(), PromptAnswer::Retry);
            done = true;
        });
        if (!c.stopBeforeAsking) {
            // Not running the loop: the request waits in the queue until the stop comes.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (GetUiMessageThread().GetPendingCount() == 0 &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
            ASSERT_EQ(GetUiMessageThread().GetPendingCount(), 1u);
            stop.request_stop();
        }
        worker.join();
        EXPECT_EQ(answer, PromptAnswer::Retry);
        // The loop now reaches the request: it is dropped unshown.
        ASSERT_TRUE(ProcessEventsUntil([] { return GetUiMessageThread().GetPendingCount() == 0; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.shown, 0);
        EXPECT_EQ(VisibleBox(), nullptr);
    }
}

TEST_F(MessageBoxPromptTest, AskedOnTheUiThreadTheBoxIsModalAtOnce) {
    struct Case {
        PromptButtons buttons;
        std::function<void(QMessageBox&)> act;
        PromptAnswer expected;
    };
    const Case cases[] = {
        {PromptButtons::RetryCancel,
         [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Retry), Qt::LeftButton); },
         PromptAnswer::Retry},
        // Escape answers as a closed box does.
        {PromptButtons::YesNo, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
         PromptAnswer::No},
        {PromptButtons::AbortRetryIgnore, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
         PromptAnswer::Abort},
    };
    for (const Case& c : cases) {
        bool modal = false;
        BoxWatcher watcher([&](QMessageBox& box) {
            modal = box.isModal() && QApplication::activeModalWidget() == &box;
            c.act(box);
        });
        const PromptAnswer answer =
            prompt.Ask({"Text", "Caption", c.buttons, PromptIcon::None}, {}, PromptAnswer::Ok);
        EXPECT_TRUE(watcher.Seen());
        EXPECT_TRUE(modal);
        EXPECT_EQ(answer, c.expected);
    }
}

TEST_F(MessageBoxPromptTest, AStopOnTheUiThreadClosesTheModalBox) {
    std::stop_source stop;
    BoxWatcher watcher([&](QMessageBox& /*box*/) { stop.request_stop(); });
    const PromptAnswer answer = prompt.Ask({"Text", "Caption", PromptButtons::YesNo, PromptIcon::None},
                                           stop.get_token(), PromptAnswer::Yes);
    EXPECT_TRUE(watcher.Seen());
    EXPECT_EQ(answer, PromptAnswer::Yes);
    EXPECT_EQ(VisibleBox(), nullptr);
}

} // namespace
} // namespace orv
