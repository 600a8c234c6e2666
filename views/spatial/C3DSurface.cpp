#include "views/spatial/C3DSurface.h"

#include <algorithm>
#include <cmath>

namespace orv {

float C3DSurface::CellSceneSize(int32_t columns, int32_t rows) {
    if (columns <= 0 || rows <= 0) {
        return 0.0F;
    }
    return kGridSpan / static_cast<float>(std::max(columns, rows));
}

C3DCellRange C3DSurface::SurfaceArea(const C3DCellRange& zoom, int32_t rows, int32_t columns) {
    if (rows <= 0 || columns <= 0) {
        return {};
    }
    const C3DCellRange shown{0, rows - 1, 0, columns - 1};
    const C3DCellRange clipped{std::max(zoom.firstRow, shown.firstRow), std::min(zoom.lastRow, shown.lastRow),
                               std::max(zoom.firstColumn, shown.firstColumn),
                               std::min(zoom.lastColumn, shown.lastColumn)};
    return clipped.IsEmpty() ? shown : clipped;
}

int64_t C3DSurface::VertexCount(int64_t pixelsAcross, int64_t pixelsDown) {
    if (pixelsAcross <= 0 || pixelsDown <= 0) {
        return 0;
    }
    return (pixelsAcross + 3) * (pixelsDown + 3);
}

int32_t C3DSurface::PixelsPerCell(float mapCellSize, int32_t areaRows, int32_t areaColumns) {
    if (areaRows <= 0 || areaColumns <= 0) {
        return 1;
    }
    // Whole pixels of the map's cell, as the heat map lays them; NaN and huge sizes go to the limit.
    int64_t pixels = std::isfinite(mapCellSize) && mapCellSize >= 1.0F
                         ? static_cast<int64_t>(std::min(mapCellSize, 1.0e6F))
                         : 1;
    while (pixels > 1 && VertexCount(pixels * areaColumns, pixels * areaRows) > kVertexLimit) {
        // A square root step first, then one pixel at a time.
        const auto fit = static_cast<int64_t>(
            std::sqrt(static_cast<double>(kVertexLimit) / (static_cast<double>(areaRows) * areaColumns)));
        pixels = fit < pixels ? std::max<int64_t>(fit, 1) : pixels - 1;
    }
    return static_cast<int32_t>(pixels);
}

float C3DSurface::Height(int32_t index, int32_t highest) {
    return kHeightSpan * static_cast<float>(index) / static_cast<float>(highest > 0 ? highest : 1) +
           kBaseHeight;
}

void C3DSurface::MakeBlends(std::vector<Blend>& blends, int32_t pixels, int32_t cells,
                            int32_t pixelsPerCell) {
    blends.resize(static_cast<size_t>(pixels));
    for (int32_t p = 0; p < pixels; ++p) {
        // The pixel's centre in cells, counted from the first cell's centre.
        const float at = (static_cast<float>(p) + 0.5F) / static_cast<float>(pixelsPerCell) - 0.5F;
        Blend& blend = blends[static_cast<size_t>(p)];
        if (at <= 0.0F || cells == 1) {
            blend = {0, 0, 0.0F};
        } else if (at >= static_cast<float>(cells - 1)) {
            blend = {cells - 1, cells - 1, 0.0F};
        } else {
            const auto first = static_cast<int32_t>(at);
            blend = {first, first + 1, at - static_cast<float>(first)};
        }
    }
}

void C3DSurface::Build(const C3DCellRange& area, const std::vector<Cell>& cells, int32_t originRow,
                       int32_t originColumn, int32_t pixelsPerCell, float sceneCell, bool interpolate) {
    const int32_t areaRows = area.Rows();
    const int32_t areaColumns = area.Columns();
    const int32_t k = std::max(pixelsPerCell, 1);
    const int64_t across = static_cast<int64_t>(areaColumns) * k;
    const int64_t down = static_cast<int64_t>(areaRows) * k;
    const int64_t count = VertexCount(across, down);
    if (area.IsEmpty() || cells.size() != static_cast<size_t>(areaRows) * static_cast<size_t>(areaColumns) ||
        count <= 0 || count > kVertexLimit || !(sceneCell > 0.0F)) {
        m_vertices.clear();
        m_across = 0;
        m_down = 0;
        m_highest = 1;
        return;
    }
    m_across = static_cast<int32_t>(across);
    m_down = static_cast<int32_t>(down);
    if (m_vertices.size() != static_cast<size_t>(count)) {
        // The storage stays while the size does; only its content is made again every frame.
        m_vertices = std::vector<C3DSurfaceVertex>(static_cast<size_t>(count));
        ++m_allocations;
    }

    int32_t highest = 0;
    for (const Cell& cell : cells) {
        if (cell.hasValue != 0) {
            highest = std::max(highest, cell.index);
        }
    }
    m_highest = highest > 0 ? highest : 1;

    const int32_t stride = m_across + 3;
    const float step = sceneCell / static_cast<float>(k);
    const float x0 = static_cast<float>(area.firstColumn - originColumn) * sceneCell;
    const float y0 = static_cast<float>(area.firstRow - originRow) * sceneCell;
    const float base = Height(0, m_highest);
    // Heights of the indices, each computed once.
    std::vector<float> heights(static_cast<size_t>(m_highest) + 1);
    for (int32_t i = 0; i <= m_highest; ++i) {
        heights[static_cast<size_t>(i)] = Height(i, m_highest);
    }
    if (interpolate) {
        MakeBlends(m_columnBlends, m_across, areaColumns, k);
        MakeBlends(m_rowBlends, m_down, areaRows, k);
    }
    // The blended index of pixel (px, py): the two cell rows blended along the row, then together.
    auto blended = [&](int32_t px, int32_t py) {
        const Blend& row = m_rowBlends[static_cast<size_t>(py)];
        const Blend& column = m_columnBlends[static_cast<size_t>(px)];
        // A cell without value blends as index 0, as on the interpolated map.
        auto index = [&](int32_t r, int32_t c) {
            const Cell& cell =
                cells[static_cast<size_t>(r) * static_cast<size_t>(areaColumns) + static_cast<size_t>(c)];
            return cell.hasValue != 0 ? static_cast<float>(cell.index) : 0.0F;
        };
        const float top = index(row.first, column.first) +
                          (index(row.first, column.second) - index(row.first, column.first)) * column.weight;
        const float bottom =
            index(row.second, column.first) +
            (index(row.second, column.second) - index(row.second, column.first)) * column.weight;
        const float value = top + (bottom - top) * row.weight + 0.5F;
        return std::clamp(static_cast<int32_t>(std::isfinite(value) ? value : 0.0F), 0, m_highest);
    };
    for (int32_t by = 0; by < m_down + 3; ++by) {
        const int32_t py = by - 1;
        const bool rowInside = py >= 0 && py < m_down;
        const float y = y0 + (static_cast<float>(py) + 0.5F) * step;
        const Cell* cellRow =
            rowInside ? &cells[static_cast<size_t>(py / k) * static_cast<size_t>(areaColumns)] : nullptr;
        C3DSurfaceVertex* out = &m_vertices[static_cast<size_t>(by) * static_cast<size_t>(stride)];
        for (int32_t bx = 0; bx < stride; ++bx) {
            const int32_t px = bx - 1;
            C3DSurfaceVertex& v = out[bx];
            v.x = x0 + (static_cast<float>(px) + 0.5F) * step;
            v.y = y;
            if (rowInside && px >= 0 && px < m_across) {
                const Cell& cell = cellRow[px / k];
                v.hasValue = cell.hasValue != 0 ? 1 : 0;
                v.insideRange = 1;
                if (v.hasValue == 0) {
                    v.index = 0;
                } else {
                    v.index = interpolate ? blended(px, py) : std::clamp(cell.index, 0, m_highest);
                }
                v.z = heights[static_cast<size_t>(v.index)];
            } else {
                v.hasValue = 0;
                v.insideRange = 0;
                v.index = 0;
                v.z = base;
            }
        }
    }
}

} // namespace orv
