#include "tests/dialogs/support/OdtDocument.h"

#include <QProcess>
#include <QXmlStreamReader>

namespace orv::testing {
namespace {

struct Style {
    bool newPage = false;
    std::map<QString, QString> font;
};

} // namespace

std::optional<OdtDocument> OdtDocument::Read(const std::string& path) {
    OdtDocument document;
    document.m_path = path;
    document.m_content = document.Part(QStringLiteral("content.xml"));
    if (document.m_content.isEmpty()) {
        return std::nullopt;
    }
    std::map<QString, Style> styles;
    QString styleName;
    std::vector<QString> spans;
    QXmlStreamReader xml(document.m_content);
    auto add = [&](const QString& text) {
        if (document.m_paragraphs.empty()) {
            return;
        }
        OdtItem item;
        item.text = text;
        if (!spans.empty()) {
            item.font = styles[spans.back()].font;
        }
        // The writer cuts a run at runs of spaces: one run of one font reads as one text.
        std::vector<OdtItem>& items = document.m_paragraphs.back().items;
        if (!items.empty() && items.back().picture.isEmpty() && items.back().font == item.font) {
            items.back().text += text;
        } else {
            items.push_back(std::move(item));
        }
    };
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.qualifiedName();
            const QXmlStreamAttributes attributes = xml.attributes();
            if (name == u"style:style") {
                styleName = attributes.value(QStringLiteral("style:name")).toString();
            } else if (name == u"style:paragraph-properties") {
                styles[styleName].newPage = attributes.value(QStringLiteral("fo:break-before")) == u"page";
            } else if (name == u"style:text-properties") {
                for (const QXmlStreamAttribute& attribute : attributes) {
                    styles[styleName].font[attribute.qualifiedName().toString()] =
                        attribute.value().toString();
                }
            } else if (name == u"text:p") {
                OdtParagraph paragraph;
                paragraph.newPage =
                    styles[attributes.value(QStringLiteral("text:style-name")).toString()].newPage;
                document.m_paragraphs.push_back(std::move(paragraph));
            } else if (name == u"text:span") {
                spans.push_back(attributes.value(QStringLiteral("text:style-name")).toString());
            } else if (name == u"text:s") {
                const QStringView count = attributes.value(QStringLiteral("text:c"));
                add(QString(count.isEmpty() ? 1 : count.toInt(), QLatin1Char(' ')));
            } else if (name == u"text:tab") {
                add(QStringLiteral("\t"));
            } else if (name == u"draw:image" && !document.m_paragraphs.empty()) {
                OdtItem item;
                item.picture = attributes.value(QStringLiteral("xlink:href")).toString();
                document.m_paragraphs.back().items.push_back(std::move(item));
            }
        } else if (xml.isEndElement() && xml.qualifiedName() == u"text:span") {
            spans.pop_back();
        } else if (xml.isCharacters() && !spans.empty() && !xml.text().contains(QLatin1Char('\n'))) {
            // (Text with a line feed is the writer's indentation: typed line feeds end paragraphs.)
            add(xml.text().toString());
        }
    }
    if (xml.hasError()) {
        return std::nullopt;
    }
    return document;
}

QByteArray OdtDocument::Part(const QString& name) const {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), QString::fromStdString(m_path), name});
    if (!unzip.waitForFinished(30000) || unzip.exitStatus() != QProcess::NormalExit ||
        unzip.exitCode() != 0) {
        return {};
    }
    return unzip.readAllStandardOutput();
}

QString OdtDocument::Text() const {
    QString text;
    for (size_t i = 0; i < m_paragraphs.size(); ++i) {
        if (i > 0) {
            text += m_paragraphs[i].newPage ? QStringLiteral("\f") : QStringLiteral("\n");
        }
        for (const OdtItem& item : m_paragraphs[i].items) {
            text += item.picture.isEmpty() ? item.text : QStringLiteral("[picture]");
        }
    }
    return text;
}

std::vector<QImage> OdtDocument::Pictures() const {
    std::vector<QImage> pictures;
    for (const OdtParagraph& paragraph : m_paragraphs) {
        for (const OdtItem& item : paragraph.items) {
            if (!item.picture.isEmpty()) {
                pictures.push_back(QImage::fromData(Part(item.picture)));
            }
        }
    }
    return pictures;
}

std::vector<OdtItem> OdtDocument::Runs() const {
    std::vector<OdtItem> runs;
    for (const OdtParagraph& paragraph : m_paragraphs) {
        for (const OdtItem& item : paragraph.items) {
            if (item.picture.isEmpty()) {
                runs.push_back(item);
            }
        }
    }
    return runs;
}

const OdtItem* FindRun(const std::vector<OdtItem>& runs, const QString& text) {
    for (const OdtItem& item : runs) {
        if (item.text == text) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace orv::testing
