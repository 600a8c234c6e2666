#include "app/controls/WrapToWidth.h"

#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

namespace orv {

QString WrapToWidth(const QString& text, const QFont& font, int width) {
    QString wrapped;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QTextLayout layout(paragraphs[p], font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (!wrapped.isEmpty() || p > 0) {
                wrapped += QLatin1Char('\n');
            }
            wrapped += paragraphs[p].mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    return wrapped;
}

} // namespace orv
