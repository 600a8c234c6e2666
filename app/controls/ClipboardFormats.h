#pragma once

// The program's clipboard and drag-and-drop formats as MIME types: a registered format name becomes
// "application/x-orvilant-" and the name in lower case ("MySpatialCompare" gives
// "application/x-orvilant-myspatialcompare"), and the text format "CF_TEXT" is "text/plain".

#include <QString>

#include <string>

class QMimeData;

namespace orv {

class CClipboardHelper;

QString ClipboardFormatMimeType(const std::string& format);
// Whether the data offers one of the helper's formats (a pair's own format or its alternative).
bool OffersClipboardFormat(const QMimeData& data, const CClipboardHelper& helper);

} // namespace orv
