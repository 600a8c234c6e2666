#pragma once

#include <QFont>
#include <QString>

namespace orv {

// Lines of the text no wider than `width` pixels in the font, broken between words where it can
// (the tool-tips of the project tree and the scan-data list).
QString WrapToWidth(const QString& text, const QFont& font, int width);

} // namespace orv
