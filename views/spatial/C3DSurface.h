#pragma once

// The geometry of the 3D view's scene, without OpenGL: the size of a grid cell in scene units, the
// area of cells the surface covers, and the surface's vertex buffer over the heat-map pixels of that
// area with the heights of its colour indices.
//
// The buffer holds one vertex per pixel centre and a border of vertices without value around the
// pixels (one before the first pixel, two after the last on each axis), so that the surface comes
// down to its base at its edges: (pixels across + 3) x (pixels down + 3) vertices. Pixel rows run
// from the grid's first row towards +y, pixel columns towards +x.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// An inclusive range of grid cells.
struct C3DCellRange {
    int32_t firstRow = 0;
    int32_t lastRow = -1;
    int32_t firstColumn = 0;
    int32_t lastColumn = -1;

    bool IsEmpty() const { return lastRow < firstRow || lastColumn < firstColumn; }
    int32_t Rows() const { return IsEmpty() ? 0 : lastRow - firstRow + 1; }
    int32_t Columns() const { return IsEmpty() ? 0 : lastColumn - firstColumn + 1; }
    bool operator==(const C3DCellRange& other) const = default;
};

struct C3DSurfaceVertex {
    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;
    uint8_t hasValue = 0;
    // The vertex stands on a pixel of the area (not on the border around it).
    uint8_t insideRange = 0;
    int32_t index = 0;
};

class C3DSurface {
public:
    static constexpr float kGridSpan = 2.2F;
    static constexpr float kHeightSpan = 0.6F;
    static constexpr float kBaseHeight = 0.05F;
    // A surface never holds more vertices than this: a very large map area draws fewer pixels per
    // cell rather than asking for a buffer it could not fill in time.
    static constexpr int64_t kVertexLimit = 4'000'000;

    // What the surface reads of one cell.
    struct Cell {
        uint8_t hasValue = 0;
        int32_t index = 0;
    };

    // 2.2 / max(columns, rows); 0 for a grid without a row or a column.
    static float CellSceneSize(int32_t columns, int32_t rows);
    // The zoom window clipped to the shown cells (rows 0 .. rows - 1, columns 0 .. columns - 1); all
    // shown cells when the two do not meet; empty when there is no shown cell.
    static C3DCellRange SurfaceArea(const C3DCellRange& zoom, int32_t rows, int32_t columns);
    // The heat map's whole pixels per cell (at least 1), fewer when the area's buffer would pass the
    // vertex limit.
    static int32_t PixelsPerCell(float mapCellSize, int32_t areaRows, int32_t areaColumns);
    // The buffer's vertex count for a pixel area, in 64 bits.
    static int64_t VertexCount(int64_t pixelsAcross, int64_t pixelsDown);

    // Rebuilds the buffer over `area`: `cells` holds its cells row by row; the grid's cell
    // (originRow, originColumn) starts at scene (0, 0) and a cell is `sceneCell` units wide. The
    // buffer's storage is kept while its size stays. An empty area, a cell list of another size or
    // no pixels leave an empty buffer. With `interpolate` a pixel's index is blended between the
    // centres of the cells around it, as the interpolated heat map colours its pixels; its value flag
    // stays its own cell's.
    void Build(const C3DCellRange& area, const std::vector<Cell>& cells, int32_t originRow,
               int32_t originColumn, int32_t pixelsPerCell, float sceneCell, bool interpolate = false);

    int32_t PixelsAcross() const { return m_across; }
    int32_t PixelsDown() const { return m_down; }
    // Vertices per buffer row: pixels across + 3 (0 when empty).
    int32_t Stride() const { return m_vertices.empty() ? 0 : m_across + 3; }
    int32_t Rows() const { return m_vertices.empty() ? 0 : m_down + 3; }
    const std::vector<C3DSurfaceVertex>& Vertices() const { return m_vertices; }
    const C3DSurfaceVertex& At(int32_t bufferRow, int32_t bufferColumn) const {
        return m_vertices[static_cast<size_t>(bufferRow) * static_cast<size_t>(Stride()) +
                          static_cast<size_t>(bufferColumn)];
    }
    // The highest colour index in the buffer, 1 when all are 0.
    int32_t HighestIndex() const { return m_highest; }
    static float Height(int32_t index, int32_t highest);
    // How often the buffer's storage was made anew.
    int32_t GetAllocationCount() const { return m_allocations; }

    // A quad is drawn unless all four of its corners lack a value.
    static bool IsQuadDrawn(const C3DSurfaceVertex& a, const C3DSurfaceVertex& b, const C3DSurfaceVertex& c,
                            const C3DSurfaceVertex& d) {
        return (a.hasValue | b.hasValue | c.hasValue | d.hasValue) != 0;
    }
    // Calls draw(a, b, c, d) for each drawn quad, its corners in the order (r, c), (r, c + 1),
    // (r + 1, c + 1), (r + 1, c), which goes round the pixel without crossing; answers the highest
    // height drawn, -1 when no quad was.
    template <class Draw> float ForEachQuad(Draw&& draw) const {
        float highest = -1.0F;
        const int32_t stride = Stride();
        const int32_t rows = Rows();
        for (int32_t r = 0; r + 1 < rows; ++r) {
            const C3DSurfaceVertex* top = &m_vertices[static_cast<size_t>(r) * static_cast<size_t>(stride)];
            const C3DSurfaceVertex* bottom = top + stride;
            for (int32_t c = 0; c + 1 < stride; ++c) {
                const C3DSurfaceVertex& a = top[c];
                const C3DSurfaceVertex& b = top[c + 1];
                const C3DSurfaceVertex& d = bottom[c + 1];
                const C3DSurfaceVertex& e = bottom[c];
                if (!IsQuadDrawn(a, b, d, e)) {
                    continue;
                }
                draw(a, b, d, e);
                const float ab = a.z > b.z ? a.z : b.z;
                const float de = d.z > e.z ? d.z : e.z;
                const float quad = ab > de ? ab : de;
                highest = quad > highest ? quad : highest;
            }
        }
        return highest;
    }

private:
    // Where each pixel of a row or column lies between two cell centres: the two cells and the
    // weight of the second.
    struct Blend {
        int32_t first = 0;
        int32_t second = 0;
        float weight = 0.0F;
    };
    static void MakeBlends(std::vector<Blend>& blends, int32_t pixels, int32_t cells, int32_t pixelsPerCell);

    std::vector<C3DSurfaceVertex> m_vertices;
    std::vector<Blend> m_columnBlends;
    std::vector<Blend> m_rowBlends;
    int32_t m_across = 0;
    int32_t m_down = 0;
    int32_t m_highest = 1;
    int32_t m_allocations = 0;
};

} // namespace orv
