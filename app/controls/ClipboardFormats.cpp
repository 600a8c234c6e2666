#include "app/controls/ClipboardFormats.h"

#include "project/CClipboardHelper.h"

#include <QMimeData>

namespace orv {

QString ClipboardFormatMimeType(const std::string& format) {
    if (format == "CF_TEXT") {
        return QStringLiteral("text/plain");
    }
    return QStringLiteral("application/x-orvilant-") + QString::fromLatin1(format.c_str()).toLower();
}

bool OffersClipboardFormat(const QMimeData& data, const CClipboardHelper& helper) {
    for (const CClipboardHelper::FormatPair& pair : helper.GetFormats()) {
        if (data.hasFormat(ClipboardFormatMimeType(pair.first)) ||
            data.hasFormat(ClipboardFormatMimeType(pair.second))) {
            return true;
        }
    }
    return false;
}

} // namespace orv
