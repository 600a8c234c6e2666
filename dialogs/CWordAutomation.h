#pragma once

// The report document of the word processor. The report is built here as a text document with a
// cursor at the insertion point and handed to the desktop's word processor as an OpenDocument text
// file; the system clipboard is never used: the picture a view rendered for the report waits in the
// report picture holder, and pasting takes it from there.
//
// A new document lives in memory until it is released: released with quitOnRelease cleared, it is
// written to a file of its own in the reports folder (the one file the program writes a report to,
// kept there because the word processor reads it after the program has let go of it) and shown on
// the desktop. Released with quitOnRelease set, it is dropped unwritten. A stored file opened with
// OpenDocument is shown as it is, never written.
//
// Results are S_OK and E_FAIL. User-interface thread only.

#include "project/QReportDocument.h"

#include <QTextCharFormat>
#include <QTextCursor>

#include <cstdint>
#include <memory>
#include <string>

class QTextDocument;

namespace orv {

class CWordAutomation : public QReportDocument {
public:
    CWordAutomation();
    ~CWordAutomation() override;

    // The reports folder: "Reports" in the per-user data folder.
    static std::string GetReportsFolder();

    // Readies the document side; the error text is filled only when it fails.
    int32_t Create(std::string& errorText);
    // A new, empty document, shown when it is released; Create first when it was not called.
    int32_t NewDocument(std::string& errorText);
    // A stored file, shown on the desktop when it is released and `visible` is set. Fails when the
    // file cannot be read.
    int32_t OpenDocument(const std::string& path, bool visible);
    // The text (Windows-1252) at the insertion point: "\n" starts a new paragraph, a form feed (12)
    // a new page. Only into a new document.
    int32_t TypeText(const std::string& text) override;
    // The font of the text typed after it. A size the word processor refuses (below 1 or above 1638
    // points) leaves the size as it was.
    int32_t SetFont(int32_t size, bool bold, uint32_t colour) override;
    // Inserts the picture waiting in the report picture holder at the insertion point, which leaves
    // the holder empty; E_FAIL when none waits.
    int32_t PasteAndFormat() override;
    // Lets go of the document (see above). A new document that cannot be written or shown is
    // reported in a "Warning" box; lastResult is then E_FAIL.
    void Release();

    bool GetQuitOnRelease() const { return m_bQuitOnRelease; }
    void SetQuitOnRelease(bool quit) { m_bQuitOnRelease = quit; }
    int32_t GetLastResult() const { return m_nLastResult; }
    bool HasDocument() const { return m_pDocument != nullptr || !m_strOpenedPath.empty(); }
    // The failure of the last OpenDocument or Release, in the "Error:  ..." form; empty when none.
    const std::string& GetErrorText() const { return m_strError; }
    // The file the last release wrote; empty when it wrote none.
    const std::string& GetWrittenPath() const { return m_strWrittenPath; }

private:
    void InsertParagraph(bool newPage);
    void InsertRun(const QString& run);
    // Writes the new document to a file of its own in the reports folder; false with the error text
    // set when it cannot.
    bool WriteDocument();
    bool ShowOnDesktop(const std::string& path);
    void DropDocument();

    bool m_bApplication = false;
    std::unique_ptr<QTextDocument> m_pDocument;
    QTextCursor m_cursor;
    QTextCharFormat m_charFormat;
    int32_t m_nPictures = 0;
    std::string m_strOpenedPath;
    bool m_bVisible = false;
    int32_t m_nLastResult = S_OK;
    bool m_bQuitOnRelease = false;
    std::string m_strError;
    std::string m_strWrittenPath;
};

} // namespace orv
