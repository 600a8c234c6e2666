#include "app/panes/CNodeImageList.h"

#include "core/TypeIds.h"

#include <QPainter>
#include <QPixmap>

namespace orv {
namespace {

// Each picture: a coloured tile with a mark of its family.
struct Look {
    QRgb tile;
    int mark; // 0 bars (spectrum), 1 grid (spatial), 2 both, 3 probe, 4 two tiles, 5 folder, 6 page
};

constexpr Look kLooks[CNodeImageList::kImageCount] = {
    {0xFF2E5C8A, 5}, // project
    {0xFF1F7A3A, 0}, // spectral
    {0xFFB04A1C, 1}, // spatial
    {0xFF6A3FA0, 2}, // spectral/spatial
    {0xFF8A6D1F, 3}, // hand-held probe
    {0xFF1F7A3A, 4}, // spectral comparison
    {0xFF3A8A7A, 4}, // spectral overlay
    {0xFFB04A1C, 4}, // spatial comparison
    {0xFF7A1F4A, 1}, // blind-spot reduction
    {0xFF5A5A5A, 5}, // module
    {0xFF2E5C8A, 6}, // report generator
    {0xFF6A3FA0, 0}, // scripting
};

QPixmap Draw(const Look& look) {
    QPixmap pixmap(CNodeImageList::kImageSize, CNodeImageList::kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(look.tile));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    painter.setBrush(Qt::white);
    switch (look.mark) {
    case 0:
        for (int i = 0; i < 4; ++i) {
            const int height = (i % 2 == 0) ? 9 - i : 5 + i;
            painter.drawRect(3 + i * 3, 13 - height, 2, height);
        }
        break;
    case 1:
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                painter.drawRect(3 + column * 4, 3 + row * 4, 3, 3);
            }
        }
        break;
    case 2:
        painter.drawRect(3, 3, 4, 4);
        painter.drawRect(9, 3, 4, 4);
        painter.drawRect(3, 9, 2, 4);
        painter.drawRect(6, 7, 2, 6);
        painter.drawRect(9, 10, 2, 3);
        painter.drawRect(12, 8, 1, 5);
        break;
    case 3:
        painter.drawRect(7, 2, 2, 9);
        painter.drawEllipse(QRectF(5, 10, 6, 4));
        break;
    case 4:
        painter.drawRect(3, 4, 4, 8);
        painter.drawRect(9, 4, 4, 8);
        break;
    case 5:
        painter.drawRect(3, 5, 10, 7);
        painter.drawRect(3, 4, 4, 1);
        break;
    default:
        painter.drawRect(4, 3, 8, 10);
        painter.setBrush(QColor::fromRgba(look.tile));
        painter.drawRect(5, 5, 6, 1);
        painter.drawRect(5, 8, 6, 1);
        painter.drawRect(5, 11, 4, 1);
        break;
    }
    return pixmap;
}

} // namespace

CNodeImageList::CNodeImageList() {
    m_icons.reserve(kImageCount);
    for (const Look& look : kLooks) {
        m_icons.emplace_back(Draw(look));
    }
}

const CNodeImageList& CNodeImageList::Instance() {
    static const CNodeImageList instance;
    return instance;
}

int32_t CNodeImageList::ImageOfKind(uint16_t kind) {
    switch (kind) {
    case kTypeProjectNode:
        return 0;
    case kTypeSpectralScanNode:
        return 1;
    case kTypeSpatialScanNode:
        return 2;
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
        return 3;
    case kTypeHandHeldProbeScanNode:
        return 4;
    case kTypeSpectralComparisonNode:
        return 5;
    case kTypeSpectralOverlayNode:
        return 6;
    case kTypeSpatialComparisonNode:
        return 7;
    case kTypeBlindSpotReductionNode:
        return 8;
    case kTypeModuleNode:
        return 9;
    case kTypeWordReportNode:
        return 10;
    case kTypeSpectralSpatialScriptingModuleNode:
        return 11;
    default:
        return -1;
    }
}

QIcon CNodeImageList::Icon(int32_t index) const {
    return index >= 0 && index < kImageCount ? m_icons[static_cast<size_t>(index)] : QIcon();
}

} // namespace orv
