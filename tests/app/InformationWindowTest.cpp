#include "app/panes/CInformationMessages.h"
#include "app/panes/CMessageWnd.h"
#include "platform/fs/AppPaths.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/ScriptedPrompt.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace orv {
namespace {

using testing::ProcessEventsUntil;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

// The lines the window shows, with the colour of each.
struct ShownLine {
    std::string text;
    QColor colour;
};

std::vector<ShownLine> ShownLines(const CMessageWnd& window) {
    std::vector<ShownLine> lines;
    const QTextDocument& document = *window.document();
    for (QTextBlock block = document.begin(); block.isValid() && block != document.lastBlock();
         block = block.next()) {
        const QColor colour = block.begin() != block.end()
                                  ? block.begin().fragment().charFormat().foreground().color()
                                  : QColor();
        lines.push_back({block.text().toStdString(), colour});
    }
    return lines;
}

class InformationWindowTest : public testing::QtWidgetTest {
protected:
    InformationWindowTest() {
        folder = fs::temp_directory_path() / ("orv-info-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        SetUserDataFolderOverride(folder.string());
        log.SetClosing(false);
    }
    ~InformationWindowTest() override {
        log.SetSink({});
        log.CloseFile();
        log.SetClosing(false);
        log.SetClocks({}, {});
        SetUserDataFolderOverride({});
        fs::remove_all(folder);
    }

    void FlushAll(CMessageWnd& window) {
        ASSERT_TRUE(ProcessEventsUntil([&] { return window.GetPendingCount() == 0; }));
    }

    InformationLog& log = InformationLog::Instance();
    fs::path folder;
};

TEST_F(InformationWindowTest, EightThreadsLogTheirLinesWholeInFileOrderAndColouredByKind) {
    QMdiArea area;
    auto* window = new CInformationMessages();
    ASSERT_TRUE(window->Create(QRect(0, -20, 600, 300), &area));
    EXPECT_EQ(window->geometry().top(), -20);
    area.show();

    constexpr int kThreads = 8;
    constexpr int kLines = 10'000;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                const uint8_t kind = (t + i) % 2;
                AddInformationMessage(kind, "thread " + std::to_string(t) + " line " + std::to_string(i) +
                                                " kind " + std::to_string(kind));
            }
        });
    }
    // The flush timer runs while the threads log.
    ProcessEventsUntil([&] { return false; }, std::chrono::milliseconds(300));
    for (auto& worker : workers) {
        worker.join();
    }
    CMessageWnd& messages = window->GetMessageWnd();
    FlushAll(messages);

    const std::vector<std::string> fileLines = SplitLines(ReadFile(fs::path(log.GetFilePath())));
    const std::vector<ShownLine> shown = ShownLines(messages);
    ASSERT_EQ(fileLines.size(), size_t{kThreads * kLines});
    // The location line reaches the window only: the file was not open yet.
    ASSERT_EQ(shown.size(), fileLines.size() + 1);
    EXPECT_EQ(shown[0].text.rfind("Saving log to location: ", std::string::npos) != std::string::npos, true);
    EXPECT_NE(shown[0].text.find((folder / "log.txt").string()), std::string::npos);
    for (size_t i = 0; i < fileLines.size(); ++i) {
        const ShownLine& line = shown[i + 1];
        ASSERT_EQ(line.text, fileLines[i]) << "line " << i;
        const bool kindOne = line.text.ends_with("kind 1");
        ASSERT_EQ(line.colour, kindOne ? QColor(0, 100, 0) : QColor(0, 0, 255)) << line.text;
    }

    // Closing only hides the window; it keeps its lines.
    QPointer<CInformationMessages> kept = window;
    window->close();
    testing::FlushEvents();
    ASSERT_FALSE(kept.isNull());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ShownLines(messages).size(), shown.size());
    delete window;
}

TEST_F(InformationWindowTest, TheFirstLineAfterClearShowsZero) {
    int64_t ms = 0;
    log.SetClocks([&] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms += 500)); },
                  {});
    CInformationMessages window;
    ASSERT_TRUE(window.Create(QRect(0, 0, 400, 200), nullptr));
    AddInformationMessage(0, "first");
    AddInformationMessage(0, "second");
    window.GetMessageWnd().FlushPending();
    std::vector<ShownLine> shown = ShownLines(window.GetMessageWnd());
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[2].text.find("  500(ms) --- second"), std::string::npos) << shown[2].text;

    ScriptedPrompt* prompt = nullptr;
    auto scripted = std::make_shared<ScriptedPrompt>();
    prompt = scripted.get();
    ScopedPromptInstall install(scripted);
    prompt->Script(PromptAnswer::Ok);
    std::unique_ptr<QMenu> menu = window.GetMessageWnd().BuildContextMenu();
    menu->actions().at(1)->trigger(); // "C&lear"
    EXPECT_TRUE(ShownLines(window.GetMessageWnd()).empty());
    AddInformationMessage(0, "after");
    window.GetMessageWnd().FlushPending();
    shown = ShownLines(window.GetMessageWnd());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("  000(ms) --- after"), std::string::npos) << shown[0].text;
}

TEST_F(InformationWindowTest, TheContextMenuOffersCopyForASelectionAndConfirmsClearing) {
    CMessageWnd window(log);
    window.AppendLine(0, "a line to keep");
    auto texts = [](const QMenu& menu) {
        std::vector<std::string> result;
        for (const QAction* action : menu.actions()) {
            result.push_back(action->text().toStdString());
        }
        return result;
    };
    EXPECT_EQ(texts(*window.BuildContextMenu()), (std::vector<std::string>{"Save &To File", "C&lear"}));
    window.selectAll();
    EXPECT_EQ(texts(*window.BuildContextMenu()), (std::vector<std::string>{"Copy"}));

    QTextCursor cursor = window.textCursor();
    cursor.clearSelection();
    window.setTextCursor(cursor);
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    prompt->Script(PromptAnswer::Cancel);
    window.BuildContextMenu()->actions().at(1)->trigger();
    ASSERT_EQ(prompt->Requests().size(), 1u);
    EXPECT_EQ(prompt->Requests()[0].text, "Are you going to delete the content ?");
    EXPECT_EQ(prompt->Requests()[0].caption, "Delete");
    EXPECT_EQ(prompt->Requests()[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Information);
    EXPECT_EQ(ShownLines(window).size(), 1u); // Cancel keeps the text
}

TEST_F(InformationWindowTest, TheKeyboardOpensTheMenuAtTheTopLeftCorner) {
    CMessageWnd window(log);
    window.setGeometry(50, 60, 300, 200);
    window.show();
    QPoint openedAt;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            openedAt = popup->pos();
            popup->close();
        }
    });
    closer.start();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(100, 100),
                            window.viewport()->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(window.viewport(), &event);
    EXPECT_EQ(openedAt, window.viewport()->mapToGlobal(QPoint(5, 5)));
}

// A window whose save dialog answers from the test.
class AnsweredSaveWindow : public CMessageWnd {
public:
    using CMessageWnd::CMessageWnd;
    std::optional<std::string> answer;
    int asked = 0;

protected:
    std::optional<std::string> AskSavePath() override {
        ++asked;
        return answer;
    }
};

TEST_F(InformationWindowTest, SavingKeepsEveryLinesTextWithItsBreaks) {
    AnsweredSaveWindow window(log);
    window.answer = (folder / "saved.txt").string();
    window.SaveContentToFile(); // empty: nothing is asked or written
    EXPECT_EQ(window.asked, 0);
    EXPECT_FALSE(fs::exists(folder / "saved.txt"));

    const std::string longLine = "2026-12-10  06:30:00  000(ms) --- scanner connected";
    window.AppendLine(0, "");
    window.AppendLine(1, "ok");
    window.AppendLine(0, longLine);
    window.AppendLine(0, "0123456789");
    window.AppendLine(0, "01234567890");
    const std::string expected = "\r\n"
                                 "ok\r\n" +
                                 longLine + "\r\n \r\n" + "0123456789\r\n" + "01234567890\r\n \r\n";
    EXPECT_EQ(window.GetContentText(), expected);
    window.SaveContentToFile();
    EXPECT_EQ(window.asked, 1);
    EXPECT_EQ(ReadFile(folder / "saved.txt"), expected);

    // A folder in the file's place: the failure is reported.
    fs::create_directories(folder / "blocked.txt");
    window.answer = (folder / "blocked.txt").string();
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    window.SaveContentToFile();
    ASSERT_EQ(prompt->Requests().size(), 1u);
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
    EXPECT_NE(prompt->Requests()[0].text.find("blocked.txt"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder / "blocked.txt"));
}

TEST_F(InformationWindowTest, ANameTypedWithoutExtensionGetsTxt) {
    CMessageWnd window(log);
    window.AppendLine(0, "line");
    QTimer chooser;
    chooser.setInterval(5);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = dynamic_cast<QFileDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
                EXPECT_EQ(dialog->windowTitle(), QString("Save into a file"));
                dialog->selectFile(QString::fromStdString((folder / "report").string()));
                QMetaObject::invokeMethod(dialog, "accept"); // the dialog's OK
            }
        }
    });
    chooser.start();
    window.SaveContentToFile();
    EXPECT_EQ(ReadFile(folder / "report.txt"), "line\r\n");
}

TEST_F(InformationWindowTest, ALineLoggedWhileClosingReachesNeitherFileNorWindow) {
    CInformationMessages window;
    ASSERT_TRUE(window.Create(QRect(0, 0, 400, 200), nullptr));
    AddInformationMessage(0, "before closing");
    log.SetClosing(true);
    AddInformationMessage(0, "while closing");
    window.GetMessageWnd().FlushPending();
    const std::vector<ShownLine> shown = ShownLines(window.GetMessageWnd());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[1].text.find("before closing"), std::string::npos);
    const std::string file = ReadFile(fs::path(log.GetFilePath()));
    EXPECT_NE(file.find("before closing"), std::string::npos);
    EXPECT_EQ(file.find("while closing"), std::string::npos);
}

TEST_F(InformationWindowTest, TheWindowGoesWhileEightThreadsKeepLogging) {
    auto* window = new CInformationMessages();
    ASSERT_TRUE(window->Create(QRect(0, 0, 400, 200), nullptr));
    std::atomic<bool> stop{false};
    std::atomic<int64_t> logged{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&] {
            while (!stop) {
                AddInformationMessage(0, "busy");
                ++logged;
            }
        });
    }
    ASSERT_TRUE(ProcessEventsUntil([&] { return logged.load() > 20'000; }));
    delete window; // detaches first: the threads go on logging into the log alone
    const int64_t atDestruction = logged.load();
    ASSERT_TRUE(ProcessEventsUntil([&] { return logged.load() > atDestruction + 20'000; }));
    stop = true;
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_FALSE(static_cast<bool>(log.SetSink({})));
}

} // namespace
} // namespace orv
