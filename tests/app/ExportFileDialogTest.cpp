#include "app/ExportFileDialog.h"
#include "app/QtWaitCursor.h"
#include "platform/ui/WaitCursor.h"
#include "project/QScanDataExportCommand.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using testing::EnsureTestApplication;
using testing::ProcessEventsUntil;

QExportFileRequest ExportRequest() {
    QExportFileRequest request;
    request.m_Title = kExportCaption;
    request.m_Filter = kExportFilter;
    request.m_DefaultExtension = "txt";
    return request;
}

template <class T> T* Visible() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = dynamic_cast<T*>(widget); found != nullptr && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

QLineEdit* NameField(QFileDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// Runs `steps` in order from the event loop (also the nested loops of modal dialogs), each once its
// condition holds.
class Script {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    explicit Script(std::vector<Step> steps) : m_steps(std::move(steps)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_next < m_steps.size() && m_steps[m_next].ready()) {
                m_steps[m_next++].act();
            }
        });
        m_timer.start();
    }
    size_t Done() const { return m_next; }

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
};

Script::Step TypeAndAccept(const QString& name) {
    return {[] {
                QFileDialog* dialog = Visible<QFileDialog>();
                return dialog != nullptr && Visible<QMessageBox>() == nullptr;
            },
            [name] {
                QFileDialog* dialog = Visible<QFileDialog>();
                NameField(*dialog)->setText(name);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }};
}

class ExportFileDialogTest : public ::testing::Test {
protected:
    ExportFileDialogTest() {
        EnsureTestApplication();
        m_folder = fs::temp_directory_path() / ("orv-dialog-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        fs::current_path(m_folder);
    }
    ~ExportFileDialogTest() override {
        std::error_code error;
        fs::current_path(fs::temp_directory_path(), error);
        fs::remove_all(m_folder, error);
    }

    fs::path m_folder;
};

TEST_F(ExportFileDialogTest, TheDialogShowsTheTitleTheFilterAndAnEmptyName) {
    std::unique_ptr<QFileDialog> dialog = ExportFileDialog::MakeDialog(ExportRequest());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Export Scan Data"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Orvilant Projects Export File(*.txt)")});
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("txt"));
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    ASSERT_NE(NameField(*dialog), nullptr);
    EXPECT_TRUE(NameField(*dialog)->text().isEmpty());
}

TEST_F(ExportFileDialogTest, AChosenNameGainsTheExtensionAndCancelChoosesNothing) {
    ExportFileDialog chooser;
    {
        Script script({TypeAndAccept(QString::fromStdString((m_folder / "result").string()))});
        const std::optional<std::string> path = chooser.ChooseSaveFile(ExportRequest());
        ASSERT_TRUE(path.has_value());
        EXPECT_EQ(*path, (m_folder / "result.txt").string());
    }
    Script cancel(
        {{[] { return Visible<QFileDialog>() != nullptr; }, [] { Visible<QFileDialog>()->reject(); }}});
    EXPECT_FALSE(chooser.ChooseSaveFile(ExportRequest()).has_value());
}

TEST_F(ExportFileDialogTest, AnExistingFileIsReplacedOnlyAfterAYesAndNoReturnsToTheDialog) {
    { std::ofstream(m_folder / "old.txt") << "kept"; }
    const QString old = QString::fromStdString((m_folder / "old.txt").string());
    bool askedTwice = false;
    Script script({TypeAndAccept(old),
                   {[] { return Visible<QMessageBox>() != nullptr; },
                    [] {
                        QMetaObject::invokeMethod(Visible<QMessageBox>()->button(QMessageBox::No), "click",
                                                  Qt::QueuedConnection);
                    }},
                   // Still choosing after "No": the same dialog, asked again for the same file.
                   TypeAndAccept(old),
                   {[] { return Visible<QMessageBox>() != nullptr; },
                    [&askedTwice] {
                        askedTwice = true;
                        QMetaObject::invokeMethod(Visible<QMessageBox>()->button(QMessageBox::Yes), "click",
                                                  Qt::QueuedConnection);
                    }}});
    const std::optional<std::string> path = ExportFileDialog().ChooseSaveFile(ExportRequest());
    EXPECT_TRUE(askedTwice);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, old.toStdString());
}

TEST_F(ExportFileDialogTest, APathOf1023CharactersIsAccepted) {
    fs::path folder = m_folder;
    while (folder.string().size() < 1023 - 110) {
        folder /= std::string(100, 'd');
    }
    fs::create_directories(folder);
    const std::string name(1023 - folder.string().size() - 1 - 4, 'n');
    const std::string expected = (folder / (name + ".txt")).string();
    ASSERT_EQ(expected.size(), 1023U);
    Script script({TypeAndAccept(QString::fromStdString(expected))});
    const std::optional<std::string> path = ExportFileDialog().ChooseSaveFile(ExportRequest());
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, expected);
}

TEST_F(ExportFileDialogTest, TheWaitCursorIsRestoredAfterTheLastEndFromAnyThread) {
    auto cursor = std::make_shared<QtWaitCursor>();
    std::shared_ptr<WaitCursor> previous = InstallWaitCursor(cursor);
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // From the user-interface thread: at once.
    BeginWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // A worker's begin and end while the user-interface thread holds its own count.
    std::thread worker([] {
        BeginWaitCursor();
        EndWaitCursor();
    });
    worker.join();
    EndWaitCursor();
    // The worker's requests arrive after the user-interface thread's end and change nothing.
    EXPECT_TRUE(ProcessEventsUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
    testing::FlushEvents();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(cursor->IsApplied());

    // Begun by a worker, shown once its request arrives, ended by another worker.
    std::thread first([] { BeginWaitCursor(); });
    first.join();
    EXPECT_TRUE(ProcessEventsUntil([&cursor] { return cursor->IsApplied(); }));
    std::thread second([] { EndWaitCursor(); });
    second.join();
    EXPECT_TRUE(ProcessEventsUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));

    // Begun by a worker and ended by the user-interface thread before the worker's request
    // arrived: the late request finds nothing wanted.
    std::thread late([] { BeginWaitCursor(); });
    late.join();
    EndWaitCursor();
    testing::FlushEvents();
    EXPECT_EQ(GetWaitCursorCount(), 0U);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(cursor->IsApplied());
    InstallWaitCursor(previous);
}

} // namespace
} // namespace orv
