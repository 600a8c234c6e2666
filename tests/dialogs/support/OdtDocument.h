#pragma once

// A written OpenDocument text read back as another program reads it: the parts through unzip, the
// body of content.xml as paragraphs of text runs (with the text properties of their style) and
// pictures, in document order.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orv::testing {

struct OdtItem {
    QString text;
    // The picture's part ("Pictures/..."); empty for a text run.
    QString picture;
    // The text properties of the run's style ("fo:font-size" -> "16pt").
    std::map<QString, QString> font;
};

struct OdtParagraph {
    bool newPage = false;
    std::vector<OdtItem> items;
};

class OdtDocument {
public:
    // Empty when the file cannot be unpacked or its content.xml cannot be read.
    static std::optional<OdtDocument> Read(const std::string& path);

    QByteArray Part(const QString& name) const;
    const QByteArray& Content() const { return m_content; }
    const std::vector<OdtParagraph>& Paragraphs() const { return m_paragraphs; }
    // Paragraphs joined by "\n", or by "\f" before a paragraph on a new page; a picture as "[picture]".
    QString Text() const;
    // The pictures' parts in document order, decoded.
    std::vector<QImage> Pictures() const;
    // Every text run, in order.
    std::vector<OdtItem> Runs() const;

private:
    std::string m_path;
    QByteArray m_content;
    std::vector<OdtParagraph> m_paragraphs;
};

// The first run whose text is `text`; null when none is.
const OdtItem* FindRun(const std::vector<OdtItem>& runs, const QString& text);

} // namespace orv::testing
