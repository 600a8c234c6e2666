#pragma once

#include <string>

namespace orv {

// The word-processor report document into which a node puts the picture of a scan. The picture
// was handed over by the view's copy operation just before.
class QReportDocument {
public:
    QReportDocument() = default;
    QReportDocument(const QReportDocument&) = delete;
    QReportDocument& operator=(const QReportDocument&) = delete;
    virtual ~QReportDocument();

    // Inserts the picture last copied at the document's selection.
    virtual void PasteAndFormat() = 0;
    virtual void TypeText(const std::string& text) = 0;
};

} // namespace orv
