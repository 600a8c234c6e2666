#pragma once

#include <cstdint>
#include <string>

namespace orv {

// The results of the report document's operations, with the values of the word processor's own.
inline constexpr int32_t S_OK = 0;
inline constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005U);

// The word-processor report document into which a node puts the picture of a scan. The picture
// was handed over by the view's copy operation just before.
class QReportDocument {
public:
    QReportDocument() = default;
    QReportDocument(const QReportDocument&) = delete;
    QReportDocument& operator=(const QReportDocument&) = delete;
    virtual ~QReportDocument();

    // Inserts the picture last copied at the document's selection.
    virtual int32_t PasteAndFormat() = 0;
    virtual int32_t TypeText(const std::string& text) = 0;
    // The font of the text typed after it: Arial, never italic; the colour with red in the low byte.
    virtual int32_t SetFont(int32_t size, bool bold, uint32_t colour) = 0;
};

} // namespace orv
