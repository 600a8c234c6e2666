#include "dialogs/ScanDescriptionGrid.h"

#include "app/QtConversions.h"
#include "core/QProbeScanPattern.h"

#include <QPainter>

#include <algorithm>

namespace orv {

void ScanDescriptionGrid::Layout(QPoint origin, int32_t patternRows, int32_t patternColumns) {
    m_origin = origin;
    m_rows = std::clamp(patternRows, 0, kRows);
    m_columns = std::clamp(patternColumns, 0, kColumns);
    m_probesOn = 0;
    m_probesOff = 0;
    for (int32_t row = 0; row < kRows; ++row) {
        for (int32_t column = 0; column < kColumns; ++column) {
            Cell& cell = m_cells[Index(row, column)];
            cell.m_rect =
                QRect(origin.x() + column * kCellSize, origin.y() + row * kCellSize, kCellSize, kCellSize);
            cell.m_on = false;
        }
    }
}

void ScanDescriptionGrid::Fill(const QProbeScanPattern& pattern) {
    const int32_t rows = pattern.GetRows();
    const int32_t columns = pattern.GetColumns();
    m_probesOn = 0;
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const bool on = pattern.IsProbeOn(row, column);
            m_probesOn += on ? 1 : 0;
            if (row < m_rows && column < m_columns) {
                m_cells[Index(row, column)].m_on = on;
            }
        }
    }
    m_probesOff = rows * columns - m_probesOn;
}

bool ScanDescriptionGrid::IsOn(int32_t row, int32_t column) const {
    if (row < 0 || column < 0 || row >= kRows || column >= kColumns) {
        return false;
    }
    return m_cells[Index(row, column)].m_on;
}

std::optional<ScanDescriptionGrid::CellIndex> ScanDescriptionGrid::HitTest(QPoint point) const {
    if (m_rows < 1 || m_columns < 1 || !GetRect().contains(point)) {
        return std::nullopt;
    }
    // The last row (column) whose top (left) edge is at or before the point.
    int32_t low = 0;
    int32_t high = m_rows - 1;
    while (low < high) {
        const int32_t middle = (low + high + 1) / 2;
        if (GetCell(middle, 0).m_rect.top() <= point.y()) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    const int32_t row = low;
    low = 0;
    high = m_columns - 1;
    while (low < high) {
        const int32_t middle = (low + high + 1) / 2;
        if (GetCell(0, middle).m_rect.left() <= point.x()) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return CellIndex{row, low};
}

QImage ScanDescriptionGrid::Render() const {
    const QRect rect = GetRect();
    if (rect.isEmpty()) {
        return {};
    }
    QImage image(rect.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QColor band = ColorRefToQColor(kBandColour);
    for (int32_t row = 0; row < m_rows; ++row) {
        if (row % 5 == 0) {
            painter.fillRect(QRect(0, row * kCellSize, rect.width(), kCellSize), band);
        }
    }
    for (int32_t column = 0; column < m_columns; ++column) {
        if (column % 5 == 0) {
            painter.fillRect(QRect(column * kCellSize, 0, kCellSize, rect.height()), band);
        }
    }
    const QColor measured = QColor::fromRgba(kMeasuredArgb);
    for (int32_t row = 0; row < m_rows; ++row) {
        for (int32_t column = 0; column < m_columns; ++column) {
            if (IsOn(row, column)) {
                painter.fillRect(GetCell(row, column).m_rect.translated(-m_origin), measured);
            }
        }
    }
    painter.setPen(QPen(ColorRefToQColor(kBorderColour), 0));
    for (int32_t row = 1; row < m_rows; ++row) {
        painter.drawLine(0, row * kCellSize, rect.width() - 1, row * kCellSize);
    }
    for (int32_t column = 1; column < m_columns; ++column) {
        painter.drawLine(column * kCellSize, 0, column * kCellSize, rect.height() - 1);
    }
    painter.setPen(QPen(ColorRefToQColor(kFrameColour), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, rect.width() - 1, rect.height() - 1));
    return image;
}

} // namespace orv
