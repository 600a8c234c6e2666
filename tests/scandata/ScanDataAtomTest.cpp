#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpectralDataAtom.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(CSpatialDataAtom, CellsAreMadeOnFirstWriteAndIndexesOutsideAreRefused) {
    CSpatialDataAtom atom(2, 3, 1);
    EXPECT_EQ(atom.GetSubRows(), 2U);
    float value = 1.0F;
    EXPECT_FALSE(atom.GetValue(1, 2, 0, 0, value));
    EXPECT_FALSE(atom.HasCell(1, 2));
    ASSERT_TRUE(atom.SetValue(1, 2, 1, 0, -7.5F));
    ASSERT_TRUE(atom.SetSecondValue(1, 2, 1, 0, 250.0F));
    EXPECT_TRUE(atom.HasCell(1, 2));
    ASSERT_TRUE(atom.GetValue(1, 2, 1, 0, value));
    EXPECT_EQ(value, -7.5F);
    ASSERT_TRUE(atom.GetSecondValue(1, 2, 1, 0, value));
    EXPECT_EQ(value, 250.0F);
    ASSERT_TRUE(atom.GetValue(1, 2, 0, 1, value)); // a sub-cell of a written cell not written yet
    EXPECT_EQ(value, CSpatialDataAtom::kNoValue);

    const int outside[][4] = {{2, 0, 0, 0}, {0, 3, 0, 0}, {-1, 0, 0, 0},
                              {0, 0, 2, 0}, {0, 0, 0, 2}, {0, 0, -1, 0}};
    for (const auto& at : outside) {
        EXPECT_FALSE(atom.SetValue(at[0], at[1], at[2], at[3], 1.0F));
        EXPECT_FALSE(atom.GetValue(at[0], at[1], at[2], at[3], value));
        EXPECT_FALSE(atom.HasCell(at[0], at[1]));
    }
}

TEST(CSpatialDataAtom, LevelsAndSizesOutsideTheLimitsHoldNothing) {
    for (const CSpatialDataAtom& atom : {CSpatialDataAtom(2, 2, -1), CSpatialDataAtom(2, 2, 8),
                                         CSpatialDataAtom(-4, 2, 0), CSpatialDataAtom(30000, 30000, 0)}) {
        CSpatialDataAtom copy = atom;
        EXPECT_FALSE(copy.SetValue(0, 0, 0, 0, 1.0F));
    }
    // The finest level the engine delivers: 128 sub-cells per side.
    CSpatialDataAtom finest(1, 1, 7);
    EXPECT_EQ(finest.GetSubRows(), 128U);
    EXPECT_TRUE(finest.SetValue(0, 0, 127, 127, 1.0F));
    EXPECT_FALSE(finest.SetValue(0, 0, 128, 0, 1.0F));
}

TEST(CSpectralDataAtom, PointsStartLowAndIgnoreIndexesBeyondTheEnd) {
    CSpectralDataAtom atom(2);
    EXPECT_EQ(atom.GetAmplitude(1), -100000.0F);
    atom.SetAmplitude(1, 4.5F);
    atom.SetRow(1, 7);
    atom.SetColumn(1, 8);
    atom.SetSubRow(1, 3);
    atom.SetSubColumn(1, 2);
    EXPECT_EQ(atom.GetAmplitude(1), 4.5F);
    EXPECT_EQ(atom.GetRow(1), 7);
    EXPECT_EQ(atom.GetColumn(1), 8);
    EXPECT_EQ(atom.GetSubRow(1), 3);
    EXPECT_EQ(atom.GetSubColumn(1), 2);
    atom.SetAmplitude(2, 9.0F);
    EXPECT_EQ(atom.GetAmplitude(2), -100000.0F);
    EXPECT_EQ(atom.GetRow(2), 0);
}

} // namespace
} // namespace orv
