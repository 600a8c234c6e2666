// The 3D view's geometry without OpenGL: the grid's scene size, the surface's area, its vertex
// buffer (border, positions, heights) and which quads it draws.

#include "views/spatial/C3DSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace orv {
namespace {

using Cell = C3DSurface::Cell;

TEST(Surface3DTest, TheGridSpans22UnitsAlongItsLongerSideAndNothingWithoutRowsOrColumns) {
    struct Row {
        int32_t columns;
        int32_t rows;
        float across;
        float down;
    };
    for (const Row& row : {Row{10, 5, 2.2F, 1.1F}, Row{5, 10, 1.1F, 2.2F}, Row{6, 6, 2.2F, 2.2F},
                           Row{42, 29, 2.2F, 29.0F * 2.2F / 42.0F}, Row{0, 5, 0.0F, 0.0F},
                           Row{5, 0, 0.0F, 0.0F}, Row{-3, 4, 0.0F, 0.0F}}) {
        const float s = C3DSurface::CellSceneSize(row.columns, row.rows);
        EXPECT_NEAR(s * static_cast<float>(row.columns > 0 ? row.columns : 0), row.across, 1e-5F)
            << row.columns << " x " << row.rows;
        EXPECT_NEAR(s * static_cast<float>(row.rows > 0 ? row.rows : 0), row.down, 1e-5F)
            << row.columns << " x " << row.rows;
    }
}

TEST(Surface3DTest, TheAreaIsTheZoomWindowClippedToTheShownCellsOrAllOfThemWhenTheyMiss) {
    struct Row {
        const char* name;
        C3DCellRange zoom;
        int32_t rows;
        int32_t columns;
        C3DCellRange area;
    };
    const Row rows[] = {
        {"inside", {1, 2, 3, 5}, 29, 42, {1, 2, 3, 5}},
        {"over the edge", {20, 40, 30, 60}, 29, 42, {20, 28, 30, 41}},
        {"beyond the grid", {30, 40, 50, 60}, 29, 42, {0, 28, 0, 41}},
        {"empty window", {3, 2, 0, 4}, 5, 5, {0, 4, 0, 4}},
        {"no rows", {0, 3, 0, 3}, 0, 5, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(C3DSurface::SurfaceArea(row.zoom, row.rows, row.columns), row.area) << row.name;
    }
    EXPECT_TRUE(C3DSurface::SurfaceArea({0, 3, 0, 3}, 0, 5).IsEmpty());
}

TEST(Surface3DTest, PixelsPerCellAreTheMapsWholePixelsWithinTheVertexLimit) {
    EXPECT_EQ(C3DSurface::PixelsPerCell(20.7F, 10, 10), 20);
    EXPECT_EQ(C3DSurface::PixelsPerCell(0.4F, 10, 10), 1);
    EXPECT_EQ(C3DSurface::PixelsPerCell(std::numeric_limits<float>::quiet_NaN(), 10, 10), 1);
    for (const float cell : {5000.0F, std::numeric_limits<float>::infinity(), 3.0e38F}) {
        const int32_t k = C3DSurface::PixelsPerCell(cell, 29, 42);
        EXPECT_GE(k, 1);
        EXPECT_LE(C3DSurface::VertexCount(42LL * k, 29LL * k), C3DSurface::kVertexLimit) << cell;
    }
    // Computed in 64 bits: no wrap for the largest areas.
    EXPECT_EQ(C3DSurface::VertexCount(100000, 100000), 100003LL * 100003LL);
}

// A 2-row x 3-column area, 2 pixels a cell, in a grid whose first shown cell is one column to the
// left of the area.
class SurfaceBuild : public ::testing::Test {
protected:
    static constexpr float kCell = 0.5F;
    void Build(std::vector<Cell> cells) { surface.Build({4, 5, 2, 4}, cells, 4, 1, 2, kCell); }
    C3DSurface surface;
};

TEST_F(SurfaceBuild, ThePixelsGetTheirCellsValuesInsideABorderWithoutValue) {
    Build({{1, 2}, {0, 7}, {1, 4}, {1, 0}, {1, 1}, {0, 0}});
    ASSERT_EQ(surface.PixelsAcross(), 6);
    ASSERT_EQ(surface.PixelsDown(), 4);
    ASSERT_EQ(surface.Stride(), 9);
    ASSERT_EQ(surface.Rows(), 7);
    ASSERT_EQ(surface.Vertices().size(), 63u);
    EXPECT_EQ(surface.HighestIndex(), 4) << "a cell without value does not count";

    // Pixel (px, py) is buffer (py + 1, px + 1); cells two pixels wide, starting one cell (0.5)
    // right of the grid's first column.
    const C3DSurfaceVertex& first = surface.At(1, 1);
    EXPECT_FLOAT_EQ(first.x, 0.5F + 0.125F);
    EXPECT_FLOAT_EQ(first.y, 0.125F);
    EXPECT_EQ(first.hasValue, 1);
    EXPECT_EQ(first.insideRange, 1);
    EXPECT_EQ(first.index, 2);
    EXPECT_FLOAT_EQ(first.z, 0.6F * 2.0F / 4.0F + 0.05F);
    // Cell (4, 3) has no value: its pixels stand at the base with index 0.
    for (const auto& [row, column] : {std::pair{1, 3}, std::pair{2, 4}}) {
        const C3DSurfaceVertex& v = surface.At(row, column);
        EXPECT_EQ(v.hasValue, 0);
        EXPECT_EQ(v.insideRange, 1);
        EXPECT_EQ(v.index, 0);
        EXPECT_FLOAT_EQ(v.z, 0.05F);
    }
    // Second row of cells: pixel rows 2 and 3, towards +y.
    EXPECT_EQ(surface.At(3, 1).index, 0);
    EXPECT_EQ(surface.At(3, 1).hasValue, 1);
    EXPECT_EQ(surface.At(4, 3).index, 1);
    EXPECT_FLOAT_EQ(surface.At(4, 3).y, 3.5F * 0.25F);
    // The border: one vertex before, two after, on both axes, without value, at the base.
    for (int32_t r = 0; r < surface.Rows(); ++r) {
        for (int32_t c = 0; c < surface.Stride(); ++c) {
            const bool border = r == 0 || c == 0 || r >= 5 || c >= 7;
            const C3DSurfaceVertex& v = surface.At(r, c);
            EXPECT_EQ(v.insideRange, border ? 0 : 1) << r << "," << c;
            if (border) {
                EXPECT_EQ(v.hasValue, 0);
                EXPECT_FLOAT_EQ(v.z, 0.05F);
            }
        }
    }
    EXPECT_FLOAT_EQ(surface.At(0, 0).x, 0.5F - 0.125F);
    EXPECT_FLOAT_EQ(surface.At(6, 8).y, 5.5F * 0.25F);
}

TEST_F(SurfaceBuild, HeightsFollowTheHighestIndexWhichIsOneWhenAllAreZero) {
    Build({{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}});
    EXPECT_EQ(surface.HighestIndex(), 1);
    EXPECT_FLOAT_EQ(surface.At(2, 2).z, 0.05F);
    EXPECT_FLOAT_EQ(surface.ForEachQuad([](auto&&...) {}), 0.05F);

    Build({{1, 10}, {1, 5}, {1, 0}, {1, 10}, {1, 3}, {1, 7}});
    EXPECT_EQ(surface.HighestIndex(), 10);
    for (const auto& [column, index] : {std::pair{1, 10}, std::pair{3, 5}, std::pair{5, 0}}) {
        EXPECT_FLOAT_EQ(surface.At(1, column).z, 0.6F * static_cast<float>(index) / 10.0F + 0.05F);
    }
    EXPECT_FLOAT_EQ(surface.ForEachQuad([](auto&&...) {}), 0.65F) << "the highest height drawn";
}

TEST_F(SurfaceBuild, AQuadIsSkippedOnlyWhenAllFourCornersLackAValue) {
    // Only cell (5, 3) has a value: its 2 x 2 pixels touch 3 x 3 quads.
    Build({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 6}, {0, 0}});
    std::vector<std::array<const C3DSurfaceVertex*, 4>> quads;
    const float highest = surface.ForEachQuad([&](const C3DSurfaceVertex& a, const C3DSurfaceVertex& b,
                                                  const C3DSurfaceVertex& c, const C3DSurfaceVertex& d) {
        quads.push_back({&a, &b, &c, &d});
    });
    ASSERT_EQ(quads.size(), 9u);
    EXPECT_FLOAT_EQ(highest, 0.65F);
    for (const auto& quad : quads) {
        EXPECT_TRUE(C3DSurface::IsQuadDrawn(*quad[0], *quad[1], *quad[2], *quad[3]));
        // (r, c), (r, c + 1), (r + 1, c + 1), (r + 1, c): round the pixel, never across it.
        EXPECT_FLOAT_EQ(quad[0]->y, quad[1]->y);
        EXPECT_FLOAT_EQ(quad[2]->y, quad[3]->y);
        EXPECT_FLOAT_EQ(quad[1]->x, quad[2]->x);
        EXPECT_FLOAT_EQ(quad[0]->x, quad[3]->x);
        EXPECT_LT(quad[0]->x, quad[1]->x);
        EXPECT_LT(quad[1]->y, quad[2]->y);
    }
    Build(std::vector<Cell>(6));
    EXPECT_FLOAT_EQ(surface.ForEachQuad([](auto&&...) { FAIL() << "nothing has a value"; }), -1.0F);
}

TEST_F(SurfaceBuild, AnInterpolatedSurfaceBlendsIndicesBetweenCellCentresAndKeepsEachPixelsValueFlag) {
    // One row: indices 0, 10 and (without value) 8, at 4 pixels a cell.
    surface.Build({0, 0, 0, 2}, {{1, 0}, {1, 10}, {0, 8}}, 0, 0, 4, kCell, true);
    std::vector<int32_t> indices;
    std::vector<uint8_t> values;
    for (int32_t column = 1; column <= 12; ++column) {
        indices.push_back(surface.At(1, column).index);
        values.push_back(surface.At(1, column).hasValue);
    }
    // Flat before the first centre, 2.5 a pixel up to the second centre, then down towards the
    // cell without value, which blends as 0; its own pixels have no value and index 0.
    EXPECT_EQ(indices, (std::vector<int32_t>{0, 0, 1, 4, 6, 9, 9, 6, 0, 0, 0, 0}));
    EXPECT_EQ(values, (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(surface.HighestIndex(), 10);
    // Two rows blend along both axes: pixels a quarter of a cell past the first centre and short of
    // the last, on both axes.
    surface.Build({0, 1, 0, 1}, {{1, 0}, {1, 20}, {1, 20}, {1, 40}}, 0, 0, 2, kCell, true);
    EXPECT_EQ(surface.At(2, 2).index, 10);
    EXPECT_EQ(surface.At(3, 3).index, 30);
}

TEST_F(SurfaceBuild, NoRowsOrAMismatchedCellListDrawNothingAndTheBufferIsReusedWhileItsSizeStays) {
    Build(std::vector<Cell>(6, {1, 3}));
    Build(std::vector<Cell>(6, {1, 5}));
    EXPECT_EQ(surface.GetAllocationCount(), 1);
    surface.Build({0, 0, 0, 2}, std::vector<Cell>(3, {1, 1}), 0, 0, 2, kCell);
    EXPECT_EQ(surface.GetAllocationCount(), 2);

    int drawn = 0;
    surface.Build({}, {}, 0, 0, 2, kCell);
    EXPECT_TRUE(surface.Vertices().empty());
    surface.ForEachQuad([&](auto&&...) { ++drawn; });
    surface.Build({0, 1, 0, 1}, std::vector<Cell>(3, {1, 1}), 0, 0, 2, kCell);
    EXPECT_TRUE(surface.Vertices().empty()) << "four cells expected, three given";
    surface.Build({0, 1, 0, 1}, std::vector<Cell>(4, {1, 1}), 0, 0, 2, 0.0F);
    EXPECT_TRUE(surface.Vertices().empty()) << "a grid without size";
    surface.ForEachQuad([&](auto&&...) { ++drawn; });
    EXPECT_EQ(drawn, 0);
}

} // namespace
} // namespace orv
