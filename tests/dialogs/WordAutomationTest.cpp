// The report document: fonts, paragraphs, pages and pictures as the written OpenDocument file holds
// them, the pictures taken from the report picture holder, and what release writes and shows. The
// desktop opener is always the test's: no application is started.

#include "app/CReportPictureHolder.h"
#include "app/project/CChildFrame.h"
#include "core/TypeIds.h"
#include "dialogs/CDesktopOpener.h"
#include "dialogs/CReportFileOpener.h"
#include "dialogs/CWordAutomation.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QMediatorFileFields.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "tests/app/support/ProjectFrameFixture.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/dialogs/support/OdtDocument.h"
#include "tests/dialogs/support/ScopedFolderModesHold.h"

#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::testing {
namespace {

namespace fs = std::filesystem;

bool FolderTakesFiles(const std::string& folder) {
    const std::string probe = folder + "/probe";
    const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    ::unlink(probe.c_str());
    return true;
}

QImage Chart(QColor background, int width = 60, int height = 39) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawLine(0, height - 1, width - 1, 0);
    return image;
}

bool SamePixels(const QImage& a, const QImage& b) {
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

class WordAutomationTest : public QtWidgetTest {
protected:
    WordAutomationTest() {
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        SetUserDataFolderOverride(m_root);
        CReportPictureHolder::Instance().Clear();
    }
    ~WordAutomationTest() override {
        SetUserDataFolderOverride({});
        CReportPictureHolder::Instance().Clear();
        std::error_code error;
        fs::permissions(m_root + "/Reports", fs::perms::owner_all, error);
        fs::remove_all(m_root, error);
    }

    // Released with quitOnRelease cleared, and read back.
    OdtDocument Written(CWordAutomation& automation) {
        automation.SetQuitOnRelease(false);
        automation.Release();
        EXPECT_EQ(automation.GetLastResult(), S_OK) << automation.GetErrorText();
        std::optional<OdtDocument> document = OdtDocument::Read(automation.GetWrittenPath());
        EXPECT_TRUE(document.has_value()) << automation.GetWrittenPath();
        return document.value_or(OdtDocument());
    }

    std::vector<std::string> ReportFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_root + "/Reports", error)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::string m_root = (fs::temp_directory_path() / ("orv-report-" + std::to_string(::getpid()))).string();
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    std::vector<QString> m_opened;
    ScopedDesktopOpenerInstall m_opener{[this](const QString& path) {
        m_opened.push_back(path);
        return true;
    }};
};

TEST_F(WordAutomationTest, TextTypedAfterSetFontIsArialOfItsSizeWeightAndColourNeverItalic) {
    struct Row {
        int32_t size;
        bool bold;
        uint32_t colour;
        const char* text;
        const char* points;
        const char* weight; // empty: regular
        const char* rgb;
    };
    // Colours have red in the low byte; a size the word processor refuses keeps the one before.
    const std::vector<Row> rows = {
        {16, true, 0x000000, "Bold black", "16pt", "bold", "#000000"},
        {12, false, 0xFF0000, "Regular blue", "12pt", "", "#0000ff"},
        {11, false, 0x0000FF, "Red", "11pt", "", "#ff0000"},
        {0, true, 0x00FF00, "Refused size", "11pt", "bold", "#00ff00"},
    };
    CWordAutomation automation;
    std::string error;
    ASSERT_EQ(automation.NewDocument(error), S_OK);
    for (const Row& row : rows) {
        EXPECT_EQ(automation.SetFont(row.size, row.bold, row.colour), S_OK);
        EXPECT_EQ(automation.TypeText(std::string(row.text) + "\n"), S_OK);
    }
    const OdtDocument document = Written(automation);
    const std::vector<OdtItem> runs = document.Runs();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const OdtItem* run = FindRun(runs, QString::fromLatin1(row.text));
        ASSERT_NE(run, nullptr) << document.Content().toStdString();
        auto font = [&](const char* key) {
            const auto found = run->font.find(QString::fromLatin1(key));
            return found == run->font.end() ? std::string() : found->second.toStdString();
        };
        EXPECT_EQ(font("fo:font-family"), "Arial");
        EXPECT_EQ(font("fo:font-size"), row.points);
        EXPECT_EQ(font("fo:font-weight"), row.weight);
        EXPECT_EQ(font("fo:color"), row.rgb);
        EXPECT_NE(font("fo:font-style"), "italic");
    }
}

TEST_F(WordAutomationTest, WithoutADocumentNothingIsTypedPastedOrSetAndTheHolderKeepsItsPicture) {
    const std::string stored = m_root + "/stored.odt";
    std::ofstream(stored) << "stored";
    struct Row {
        const char* what;
        std::function<void(CWordAutomation&)> prepare;
    };
    const std::vector<Row> rows = {
        {"fresh", [](CWordAutomation&) {}},
        {"created only",
         [](CWordAutomation& a) {
             std::string error;
             a.Create(error);
         }},
        // A stored file is shown as it is: nothing is typed into it.
        {"stored file opened", [&](CWordAutomation& a) { a.OpenDocument(stored, true); }},
        {"released", [](CWordAutomation& a) {
             std::string error;
             a.NewDocument(error);
             a.SetQuitOnRelease(true);
             a.Release();
         }}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CWordAutomation automation;
        row.prepare(automation);
        CReportPictureHolder::Instance().Put(Chart(Qt::green), 160, 0);
        EXPECT_EQ(automation.TypeText("text"), E_FAIL);
        EXPECT_EQ(automation.SetFont(16, true, 0), E_FAIL);
        EXPECT_EQ(automation.PasteAndFormat(), E_FAIL);
        EXPECT_EQ(automation.GetLastResult(), E_FAIL);
        EXPECT_TRUE(CReportPictureHolder::Instance().HasPicture());
    }
    EXPECT_TRUE(m_opened.empty());
    EXPECT_TRUE(ReportFiles().empty());
}

TEST_F(WordAutomationTest, NewDocumentCreatesItselfAndTypedTextKeepsItsBreaksAndCodePage) {
    CWordAutomation automation;
    std::string error = "untouched";
    ASSERT_EQ(automation.NewDocument(error), S_OK);
    EXPECT_EQ(error, "untouched");
    EXPECT_TRUE(automation.HasDocument());
    // 28 blanks, paragraphs, a page, Windows-1252 letters, a CR LF pair, a lone CR, and control
    // characters that have no place in the text.
    EXPECT_EQ(automation.TypeText("                            Orvilant Report\n\n"), S_OK);
    EXPECT_EQ(automation.TypeText("Caf\xE9 \x80 5\tdB\r\nNext\rLast\x01\x1F\f"), S_OK);
    EXPECT_EQ(automation.TypeText("Page two"), S_OK);
    const OdtDocument document = Written(automation);
    EXPECT_EQ(document.Text().toStdString(), "                            Orvilant Report\n\n"
                                             "Caf\u00E9 \u20AC 5\tdB\nNext\nLast\fPage two");
}

TEST_F(WordAutomationTest, PasteInsertsTheHoldersPictureOnceAndNeverAnOldOne) {
    CWordAutomation automation;
    std::string error;
    ASSERT_EQ(automation.NewDocument(error), S_OK);
    const QImage first = Chart(QColor(0x12, 0x80, 0xE0), 600, 390);
    const QImage second = Chart(QColor(0xE1, 0xFF, 0xE1), 599, 455);
    CReportPictureHolder::Instance().Put(first, 160, 0);
    EXPECT_EQ(automation.PasteAndFormat(), S_OK);
    EXPECT_FALSE(CReportPictureHolder::Instance().HasPicture());
    // A render that handed nothing over: the picture before is not inserted again.
    EXPECT_EQ(automation.PasteAndFormat(), E_FAIL);
    EXPECT_EQ(automation.TypeText("\n\n"), S_OK);
    CReportPictureHolder::Instance().Put(second, 160, 0);
    EXPECT_EQ(automation.PasteAndFormat(), S_OK);
    EXPECT_EQ(automation.TypeText("after"), S_OK);

    const OdtDocument document = Written(automation);
    EXPECT_EQ(document.Text().toStdString(), "[picture]\n\n[picture]after");
    const std::vector<QImage> pictures = document.Pictures();
    ASSERT_EQ(pictures.size(), 2U);
    EXPECT_TRUE(SamePixels(pictures[0], first));
    EXPECT_TRUE(SamePixels(pictures[1], second));
}

TEST_F(WordAutomationTest, ReleaseWritesAFileOfItsOwnAndShowsItOnlyWithQuitOnReleaseCleared) {
    const QRegularExpression name(
        QStringLiteral("^Orvilant Report \\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2}( \\(\\d+\\))?\\.odt$"));
    std::vector<std::string> written;
    for (const bool quit : {true, false, false}) {
        SCOPED_TRACE(quit);
        CWordAutomation automation;
        std::string error;
        ASSERT_EQ(automation.NewDocument(error), S_OK);
        automation.TypeText("Report");
        automation.SetQuitOnRelease(quit);
        const size_t opened = m_opened.size();
        automation.Release();
        EXPECT_EQ(automation.GetLastResult(), S_OK);
        EXPECT_FALSE(automation.HasDocument());
        if (quit) {
            EXPECT_TRUE(automation.GetWrittenPath().empty());
            EXPECT_EQ(m_opened.size(), opened);
            continue;
        }
        const fs::path path = automation.GetWrittenPath();
        EXPECT_EQ(path.parent_path().string(), m_root + "/Reports");
        EXPECT_TRUE(name.match(QString::fromStdString(path.filename().string())).hasMatch()) << path;
        ASSERT_EQ(m_opened.size(), opened + 1);
        EXPECT_EQ(m_opened.back().toStdString(), path.string());
        written.push_back(path.filename().string());
    }
    // Two reports, two files, even within one second.
    std::sort(written.begin(), written.end());
    std::vector<std::string> files = ReportFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, written);
    EXPECT_NE(written.front(), written.back());
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(WordAutomationTest, AFailedWriteOrShowIsAWarningWithTheErrorAndLeavesNoFile) {
    const std::string reports = m_root + "/Reports";
    struct Row {
        const char* what;
        std::function<void()> prepare;
        const char* error; // the error text up to the file's name
        bool shown;        // the desktop was asked
    };
    bool desktopRefuses = false;
    ScopedDesktopOpenerInstall opener([&](const QString& path) {
        m_opened.push_back(path);
        return !desktopRefuses;
    });
    const std::vector<Row> rows = {
        {"read-only reports folder",
         [&] {
             fs::create_directories(reports);
             fs::permissions(reports, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
         },
         "Error:  Failed in writing the report document '", false},
        {"reports folder is a file",
         [&] {
             fs::permissions(reports, fs::perms::owner_all);
             fs::remove_all(reports);
             std::ofstream(reports) << "not a folder";
         },
         "Error:  Failed in making the reports folder '", false},
        {"desktop refuses",
         [&] {
             fs::remove_all(reports);
             desktopRefuses = true;
         },
         "Error:  Failed in opening the report document '", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.prepare();
        ScopedFolderModesHold modes;
        if (fs::is_directory(reports) && FolderTakesFiles(reports)) {
            ADD_FAILURE() << "the folder's mode does not hold for this user";
            continue;
        }
        CWordAutomation automation;
        std::string error;
        ASSERT_EQ(automation.NewDocument(error), S_OK);
        automation.TypeText("Report");
        const size_t boxes = m_prompt->Requests().size();
        const size_t opened = m_opened.size();
        automation.SetQuitOnRelease(false);
        automation.Release();
        EXPECT_EQ(automation.GetLastResult(), E_FAIL);
        EXPECT_EQ(automation.GetErrorText().rfind(row.error, 0), 0U) << automation.GetErrorText();
        const std::vector<PromptRequest> requests = m_prompt->Requests();
        ASSERT_EQ(requests.size(), boxes + 1);
        EXPECT_EQ(requests.back().text,
                  "There is a problem when writing the report document.\n" + automation.GetErrorText());
        EXPECT_EQ(requests.back().caption, "Warning");
        EXPECT_EQ(m_opened.size(), opened + (row.shown ? 1 : 0));
        if (!row.shown) {
            EXPECT_TRUE(automation.GetWrittenPath().empty());
            EXPECT_TRUE(fs::is_regular_file(reports) || ReportFiles().empty());
        }
    }
}

TEST_F(WordAutomationTest, AStoredFileIsShownAsItIsWhenReleasedVisible) {
    const std::string stored = m_root + "/stored report.odt";
    std::ofstream(stored) << "stored";
    struct Row {
        const char* what;
        std::string path;
        bool visible;
        bool quit;
        int32_t openResult;
        bool shown;
    };
    const std::vector<Row> rows = {
        {"visible", stored, true, false, S_OK, true},
        {"hidden", stored, false, false, S_OK, false},
        {"quit on release", stored, true, true, S_OK, false},
        {"missing", m_root + "/missing.odt", true, false, E_FAIL, false},
        {"a folder", m_root, true, false, E_FAIL, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CWordAutomation automation;
        m_opened.clear();
        EXPECT_EQ(automation.OpenDocument(row.path, row.visible), row.openResult);
        EXPECT_EQ(automation.GetErrorText().empty(), row.openResult == S_OK) << automation.GetErrorText();
        automation.SetQuitOnRelease(row.quit);
        automation.Release();
        EXPECT_EQ(m_opened.size(), row.shown ? 1U : 0U);
        if (row.shown) {
            EXPECT_EQ(m_opened.front().toStdString(), stored);
        }
    }
    std::string content;
    std::getline(std::ifstream(stored), content);
    EXPECT_EQ(content, "stored");
    EXPECT_TRUE(ReportFiles().empty());
    EXPECT_TRUE(m_prompt->Requests().empty());
}

// The View of a Report Generator node in a real project window, with the program's report file
// opener.
class ReportNodeViewTest : public ProjectFrameFixture {
protected:
    ReportNodeViewTest() { CReportFileOpener::Install(); }
    ~ReportNodeViewTest() override { CFormViewFactory::SetReportFileOpener({}); }

    std::vector<QString> m_opened;
    bool m_desktopRefuses = false;
    ScopedDesktopOpenerInstall m_opener{[this](const QString& path) {
        m_opened.push_back(path);
        return !m_desktopRefuses;
    }};
};

TEST_F(ReportNodeViewTest, TheViewOpensTheStoredFileOrTellsWhyNot) {
    CChildFrame* frame = NewProject();
    ASSERT_NE(frame, nullptr);
    CViewTreeWidget& tree = Tree(*frame);
    tree.SelectTreeNode(tree.GetRootItem());
    QNodeMediator* report = frame->GetProject()->AddNodeToSelected(kTypeWordReportNode);
    ASSERT_NE(report, nullptr);
    QMediatorFileFields* fields = QMediatorProjectFileModel::FindFileFields(*report);
    ASSERT_NE(fields, nullptr);
    const std::string stored = m_environment.Root() + "/Board report.odt";
    std::ofstream(stored) << "stored";

    struct Row {
        const char* what;
        std::string path;
        bool refuses;
        const char* box; // null: none
    };
    const std::vector<Row> rows = {
        {"stored file", stored, false, nullptr},
        {"missing file", m_environment.Root() + "/gone.odt", false, "The report file can't be found."},
        {"no file named", "", false, "The report file can't be found."},
        {"desktop refuses", stored, true, "There is a problem with MS Word when initializing."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fields->SetReportText(row.path);
        m_desktopRefuses = row.refuses;
        m_opened.clear();
        const size_t boxes = m_environment.GetPrompt().Requests().size();
        report->ViewNode();
        const std::vector<PromptRequest> requests = m_environment.GetPrompt().Requests();
        if (row.box == nullptr) {
            EXPECT_EQ(requests.size(), boxes);
        } else {
            ASSERT_EQ(requests.size(), boxes + 1);
            EXPECT_EQ(requests.back().text, row.box);
            EXPECT_EQ(requests.back().caption, "Warning");
        }
        const bool asked = row.box == nullptr || row.refuses;
        ASSERT_EQ(m_opened.size(), asked ? 1U : 0U);
        if (asked) {
            EXPECT_EQ(m_opened.front().toStdString(), stored);
        }
    }
}

} // namespace
} // namespace orv::testing
