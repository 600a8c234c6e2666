#include "views/spatial/CSelectedFrequencyList.h"

#include <QFont>

namespace orv {

CSelectedFrequencyList::CSelectedFrequencyList(QWidget* parent) : QWidget(parent) {
    QFont listFont(QStringLiteral("Arial"));
    listFont.setPixelSize(12);
    listFont.setWeight(QFont::Normal);
    listFont.setStyleHint(QFont::SansSerif);
    setFont(listFont);
    setObjectName(QString::number(kControlId));
}

void CSelectedFrequencyList::SetOwner(CSpatialView* view, QViewFrame* frame) {
    m_pOwnerView = view;
    m_pOwnerFrame = frame;
}

} // namespace orv
