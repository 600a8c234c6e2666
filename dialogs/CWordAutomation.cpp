#include "dialogs/CWordAutomation.h"

#include "app/CReportPictureHolder.h"
#include "app/QtConversions.h"
#include "dialogs/CDesktopOpener.h"
#include "platform/CLocale.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/Prompt.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextImageFormat>
#include <QUrl>

#include <ctime>
#include <filesystem>
#include <system_error>

namespace orv {
namespace {

constexpr int32_t kSmallestFontSize = 1;
constexpr int32_t kLargestFontSize = 1638;
// Names tried for one second's report before giving up: "... hh-mm-ss.odt", then " (2)" and on.
constexpr int kNameTries = 100;

QString FileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// "Orvilant Report YYYY-MM-DD hh-mm-ss", local time.
std::string ReportName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatC("Orvilant Report %04d-%02d-%02d %02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                   local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

} // namespace

CWordAutomation::CWordAutomation() = default;

CWordAutomation::~CWordAutomation() = default;

std::string CWordAutomation::GetReportsFolder() {
    return GetUserDataFolder() + "/Reports";
}

int32_t CWordAutomation::Create(std::string& /*errorText*/) {
    m_bApplication = true;
    m_nLastResult = S_OK;
    return m_nLastResult;
}

int32_t CWordAutomation::NewDocument(std::string& /*errorText*/) {
    if (!m_bApplication) {
        // Its text would stay with Create, as the word processor's own start kept it.
        std::string createText;
        if (Create(createText) != S_OK) {
            return m_nLastResult;
        }
    }
    DropDocument();
    m_pDocument = std::make_unique<QTextDocument>();
    m_cursor = QTextCursor(m_pDocument.get());
    m_bVisible = true;
    m_nLastResult = S_OK;
    return m_nLastResult;
}

int32_t CWordAutomation::OpenDocument(const std::string& path, bool visible) {
    if (!m_bApplication) {
        std::string createText;
        Create(createText);
    }
    DropDocument();
    m_strError.clear();
    const QFileInfo file(FileName(path));
    if (path.empty() || !file.isFile() || !file.isReadable()) {
        m_strError = "Error:  Failed in opening the document '" + path + "'.";
        m_nLastResult = E_FAIL;
        return m_nLastResult;
    }
    m_strOpenedPath = path;
    m_bVisible = visible;
    m_nLastResult = S_OK;
    return m_nLastResult;
}

int32_t CWordAutomation::TypeText(const std::string& text) {
    if (m_pDocument == nullptr) {
        m_nLastResult = E_FAIL;
        return m_nLastResult;
    }
    const QString converted = CodePageToQString(text);
    QString run;
    for (qsizetype i = 0; i < converted.size(); ++i) {
        const QChar c = converted.at(i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(12)) {
            InsertRun(run);
            run.clear();
            // A carriage return before a line feed ends the one paragraph.
            if (c == QLatin1Char('\r') && i + 1 < converted.size() &&
                converted.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            InsertParagraph(c == QChar(12));
        } else if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            // Other control characters have no place in the document's text (nor in its XML).
            continue;
        } else {
            run.append(c);
        }
    }
    InsertRun(run);
    m_nLastResult = S_OK;
    return m_nLastResult;
}

int32_t CWordAutomation::SetFont(int32_t size, bool bold, uint32_t colour) {
    if (m_pDocument == nullptr) {
        m_nLastResult = E_FAIL;
        return m_nLastResult;
    }
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Arial")});
    // The OpenDocument writer reads the family from the single-family property only.
    format.setProperty(QTextFormat::FontFamily, QStringLiteral("Arial"));
    if (size >= kSmallestFontSize && size <= kLargestFontSize) {
        format.setFontPointSize(size);
    } else if (m_charFormat.hasProperty(QTextFormat::FontPointSize)) {
        format.setFontPointSize(m_charFormat.fontPointSize());
    }
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(false);
    format.setForeground(ColorRefToQColor(colour));
    m_charFormat = format;
    m_nLastResult = S_OK;
    return m_nLastResult;
}

int32_t CWordAutomation::PasteAndFormat() {
    if (m_pDocument == nullptr) {
        m_nLastResult = E_FAIL;
        return m_nLastResult;
    }
    CReportPictureHolder::Picture picture = CReportPictureHolder::Instance().Take();
    if (picture.image.isNull()) {
        m_nLastResult = E_FAIL;
        return m_nLastResult;
    }
    ++m_nPictures;
    const QString name = QStringLiteral("orvilant-picture:%1").arg(m_nPictures);
    m_pDocument->addResource(QTextDocument::ImageResource, QUrl(name), picture.image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(picture.image.width());
    format.setHeight(picture.image.height());
    // Written without loss: the picture in the file is the view's own, pixel for pixel.
    format.setQuality(100);
    m_cursor.insertImage(format);
    m_nLastResult = S_OK;
    return m_nLastResult;
}

void CWordAutomation::Release() {
    m_strError.clear();
    m_strWrittenPath.clear();
    m_nLastResult = S_OK;
    if (!m_bQuitOnRelease) {
        if (m_pDocument != nullptr) {
            if (!WriteDocument() || !ShowOnDesktop(m_strWrittenPath)) {
                m_nLastResult = E_FAIL;
                ShowPrompt("There is a problem when writing the report document.\n" + m_strError, "Warning",
                           PromptButtons::Ok, PromptIcon::None);
            }
        } else if (!m_strOpenedPath.empty() && m_bVisible && !ShowOnDesktop(m_strOpenedPath)) {
            // The opener of a stored file tells its user itself.
            m_nLastResult = E_FAIL;
        }
    }
    DropDocument();
    m_bApplication = false;
}

void CWordAutomation::InsertParagraph(bool newPage) {
    QTextBlockFormat block;
    if (newPage) {
        block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    }
    m_cursor.insertBlock(block, m_charFormat);
}

void CWordAutomation::InsertRun(const QString& run) {
    if (!run.isEmpty()) {
        m_cursor.insertText(run, m_charFormat);
    }
}

bool CWordAutomation::WriteDocument() {
    const std::string folder = GetReportsFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        m_strError = "Error:  Failed in making the reports folder '" + folder + "'.";
        return false;
    }
    const std::string name = ReportName();
    for (int attempt = 1; attempt <= kNameTries; ++attempt) {
        const std::string path =
            folder + "/" + name + (attempt == 1 ? std::string() : FormatC(" (%d)", attempt)) + ".odt";
        QFile file(FileName(path));
        if (file.exists()) {
            continue;
        }
        // Never over another file: a report written in the same second keeps its own.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists()) {
                continue;
            }
            m_strError = "Error:  Failed in writing the report document '" + path + "'.";
            return false;
        }
        QTextDocumentWriter writer(&file, "ODF");
        const bool written = writer.write(m_pDocument.get()) && file.flush();
        file.close();
        if (!written || file.error() != QFileDevice::NoError) {
            file.remove();
            m_strError = "Error:  Failed in writing the report document '" + path + "'.";
            return false;
        }
        m_strWrittenPath = path;
        return true;
    }
    m_strError = "Error:  Failed in writing the report document '" + folder + "/" + name + ".odt'.";
    return false;
}

bool CWordAutomation::ShowOnDesktop(const std::string& path) {
    if (CDesktopOpener::Open(FileName(path))) {
        return true;
    }
    m_strError = "Error:  Failed in opening the report document '" + path + "' on the desktop.";
    return false;
}

void CWordAutomation::DropDocument() {
    m_cursor = QTextCursor();
    m_pDocument.reset();
    m_charFormat = QTextCharFormat();
    m_nPictures = 0;
    m_strOpenedPath.clear();
    m_bVisible = false;
}

} // namespace orv
