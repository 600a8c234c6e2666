// The composite spectra of spectral/spatial data: the update rules, plain and interleaved matching
// of the selected positions, the exclude switch, units of another length, and the drop at the end.

#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

namespace orv {
namespace {

struct Cell {
    uint16_t row;
    uint16_t column;
    std::vector<int16_t> levels;
};

void AddMirt(CSpectralSpatialScanData& data, const Cell& cell) {
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Row = cell.row;
    unit->m_Column = cell.column;
    unit->m_Amplitudes = cell.levels;
    data.m_Units.push_back(std::move(unit));
}

void AddZelt(CSpectralSpatialScanData& data, std::array<uint16_t, 4> words, std::vector<float> levels) {
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Row = words[0];
    unit->m_Column = words[1];
    unit->m_Words = words;
    unit->m_ZeltAmplitudes = std::move(levels);
    data.m_Units.push_back(std::move(unit));
}

struct Built {
    std::vector<float> full;
    std::vector<std::pair<int, int>> fullCells;
    bool hasUser = false;
    std::vector<float> user;
    std::vector<std::pair<int, int>> userCells;
};

Built Build(CSpectralSpatialScanData& data, std::vector<CScanPoint> selected, bool exclude, bool lastWins) {
    std::recursive_mutex lock;
    QCompositeSpectra composites(data, std::move(selected), exclude, lastWins);
    composites.AddUnits(lock);
    Built built;
    if (data.m_FullComposite != nullptr) {
        for (uint32_t i = 0; i < data.m_FullComposite->GetPointCount(); ++i) {
            built.full.push_back(data.m_FullComposite->GetAmplitude(i));
            built.fullCells.emplace_back(data.m_FullComposite->GetRow(i), data.m_FullComposite->GetColumn(i));
        }
    }
    if (data.m_UserComposite != nullptr) {
        built.hasUser = true;
        for (uint32_t i = 0; i < data.m_UserComposite->GetPointCount(); ++i) {
            built.user.push_back(data.m_UserComposite->GetAmplitude(i));
            built.userCells.emplace_back(data.m_UserComposite->GetRow(i), data.m_UserComposite->GetColumn(i));
        }
    }
    return built;
}

using Cells = std::vector<std::pair<int, int>>;

// Three cells of three points: (0, 0) and (0, 1) tie at point 0; (1, 0) is highest at point 2.
void ThreeCells(CSpectralSpatialScanData& data) {
    AddMirt(data, {0, 0, {500, 100, 200}});
    AddMirt(data, {0, 1, {500, 300, 100}});
    AddMirt(data, {1, 0, {400, 200, 600}});
}

struct RuleCase {
    const char* name;
    std::vector<CScanPoint> selected;
    bool exclude;
    bool lastWins;
    std::vector<float> full;
    Cells fullCells;
    bool hasUser;
    std::vector<float> user;
    Cells userCells;
};

TEST(CompositeSpectraTest, UpdateRulesSelectionAndExclude) {
    const std::vector<RuleCase> cases{
        // Equal peaks keep the first cell in list order.
        {"max, nothing selected", {}, false, false, {500, 300, 600}, {{0, 0}, {0, 1}, {1, 0}}, false, {}, {}},
        {"max, two selected",
         {{0, 0}, {0, 1}},
         false,
         false,
         {500, 300, 600},
         {{0, 0}, {0, 1}, {1, 0}},
         true,
         {500, 300, 200},
         {{0, 0}, {0, 1}, {0, 0}}},
        // The user composite tab: the last selected unit in list order, not the maximum.
        {"last wins, two selected",
         {{0, 1}, {0, 0}},
         false,
         true,
         {400, 200, 600},
         {{1, 0}, {1, 0}, {1, 0}},
         true,
         {500, 300, 100},
         {{0, 1}, {0, 1}, {0, 1}}},
        {"exclude on, nothing selected",
         {},
         true,
         false,
         {500, 300, 600},
         {{0, 0}, {0, 1}, {1, 0}},
         true,
         {500, 300, 600},
         {{0, 0}, {0, 1}, {1, 0}}},
        {"exclude on, one selected",
         {{1, 0}},
         true,
         false,
         {500, 300, 600},
         {{0, 0}, {0, 1}, {1, 0}},
         true,
         {500, 300, 200},
         {{0, 0}, {0, 1}, {0, 0}}},
        {"selected cell not measured",
         {{5, 5}},
         false,
         false,
         {500, 300, 600},
         {{0, 0}, {0, 1}, {1, 0}},
         false,
         {},
         {}},
    };
    for (const RuleCase& row : cases) {
        SCOPED_TRACE(row.name);
        CSpectralSpatialScanData data;
        ThreeCells(data);
        const Built built = Build(data, row.selected, row.exclude, row.lastWins);
        EXPECT_EQ(built.full, row.full);
        EXPECT_EQ(built.fullCells, row.fullCells);
        EXPECT_EQ(built.hasUser, row.hasUser);
        EXPECT_EQ(built.user, row.user);
        EXPECT_EQ(built.userCells, row.userCells);
        for (const auto& unit : data.m_Units) {
            EXPECT_EQ(unit->m_Processed, 1);
        }
    }
}

TEST(CompositeSpectraTest, HandHeldDataTakesTheLastUnit) {
    CHandHeldProbeScanData data;
    ThreeCells(data);
    // A hand-held probe is built with every value replacing the one before.
    const Built built = Build(data, {}, false, true);
    EXPECT_EQ(built.full, (std::vector<float>{400, 200, 600}));
    EXPECT_EQ(built.fullCells, (Cells{{1, 0}, {1, 0}, {1, 0}}));
}

TEST(CompositeSpectraTest, InterleavedPositionsMatchSubCells) {
    CSpectralSpatialScanData data;
    data.m_IsZeltData = 1;
    data.m_ZeltLevel = 2;
    AddZelt(data, {2, 1, 1, 2}, {10.5F, 20.0F});
    AddZelt(data, {2, 1, 1, 1}, {30.0F, 5.0F});
    AddZelt(data, {1, 2, 2, 1}, {40.0F, 1.0F});
    // (9, 6) = row 2 sub-row 1, column 1 sub-column 2; (6, 9) is the transposed cell.
    QCompositeSpectra composites(data, {{9, 6}}, false, false);
    EXPECT_TRUE(composites.IsSelected(*data.m_Units[0]));
    EXPECT_FALSE(composites.IsSelected(*data.m_Units[1]));
    EXPECT_FALSE(composites.IsSelected(*data.m_Units[2]));
    std::recursive_mutex lock;
    EXPECT_EQ(composites.AddUnits(lock), 3U);
    ASSERT_NE(data.m_UserComposite, nullptr);
    EXPECT_EQ(data.m_UserComposite->GetAmplitude(0), 10.5F);
    EXPECT_EQ(data.m_UserComposite->GetSubRow(1), 1);
    EXPECT_EQ(data.m_UserComposite->GetSubColumn(1), 2);
    EXPECT_EQ(data.m_FullComposite->GetAmplitude(0), 40.0F);
    EXPECT_EQ(data.m_FullComposite->GetRow(0), 1);
    EXPECT_EQ(data.m_FullComposite->GetSubRow(0), 2);
    EXPECT_EQ(data.m_FullComposite->GetAmplitude(1), 20.0F);
    EXPECT_EQ(data.m_FullComposite->GetSubColumn(1), 2);
    // Negative positions name no cell.
    EXPECT_FALSE(QCompositeSpectra(data, {{-7, 6}}, false, false).IsSelected(*data.m_Units[0]));
}

TEST(CompositeSpectraTest, UnitsOfAnotherLengthAndAnOutOfRangeLevelStayInsideTheAccumulators) {
    for (const uint8_t level : {uint8_t{1}, uint8_t{40}, uint8_t{255}}) {
        SCOPED_TRACE(static_cast<int>(level));
        CSpectralSpatialScanData data;
        data.m_IsZeltData = 1;
        data.m_ZeltLevel = level;
        AddZelt(data, {0, 0, 1, 1}, {1.0F, 2.0F, 3.0F});
        AddZelt(data, {0, 1, 0, 0}, {9.0F});                   // shorter
        AddZelt(data, {1, 0, 0, 0}, {9.0F, 9.0F, 9.0F, 9.0F}); // longer
        AddZelt(data, {1, 1, 0, 1}, {0.0F, 5.0F, 0.0F});
        // (2, 3) is row 1 sub-row 0, column 1 sub-column 1 at L = 1; at L 40 or 255 nothing matches
        // and nothing is shifted.
        const Built built = Build(data, {{2, 3}, {0, 1}}, false, false);
        EXPECT_EQ(built.full, (std::vector<float>{1.0F, 5.0F, 3.0F}));
        EXPECT_EQ(built.hasUser, level == 1);
        if (level == 1) {
            EXPECT_EQ(built.user, (std::vector<float>{0.0F, 5.0F, 0.0F}));
        }
        for (const auto& unit : data.m_Units) {
            EXPECT_EQ(unit->m_Processed, 1); // taken in, whether or not it fitted
        }
    }
}

TEST(CompositeSpectraTest, ARunningScanKeepsItsAccumulatorsAndTheLastUnitDropsThem) {
    CSpectralSpatialScanData data;
    data.m_CellCount = 3;
    std::recursive_mutex lock;
    AddMirt(data, {0, 0, {100, 200}});
    AddMirt(data, {0, 1, {300, 100}});
    {
        QCompositeSpectra composites(data, {{0, 0}}, false, false);
        const size_t read = composites.AddUnits(lock);
        EXPECT_EQ(read, 2U);
        EXPECT_FALSE(QCompositeSpectra::DropIfComplete(data, read, lock));
    }
    ASSERT_NE(data.m_FullComposite, nullptr);
    ASSERT_NE(data.m_UserComposite, nullptr);
    const CSpectralDataAtom* kept = data.m_FullComposite.get();

    // The next refresh continues the full composite; the user composite follows the selection now.
    AddMirt(data, {1, 0, {50, 900}});
    QCompositeSpectra composites(data, {{1, 0}}, false, false);
    const size_t read = composites.AddUnits(lock);
    EXPECT_EQ(read, 3U);
    EXPECT_EQ(data.m_FullComposite.get(), kept);
    EXPECT_EQ(data.m_FullComposite->GetAmplitude(1), 900.0F);
    EXPECT_EQ(data.m_UserComposite->GetAmplitude(0), 50.0F);
    EXPECT_TRUE(QCompositeSpectra::DropIfComplete(data, read, lock));
    EXPECT_EQ(data.m_FullComposite, nullptr);
    EXPECT_EQ(data.m_UserComposite, nullptr);
    for (const auto& unit : data.m_Units) {
        EXPECT_EQ(unit->m_Processed, 0);
    }
    // Neither the composites nor the marks travel with a copy.
    AddMirt(data, {2, 0, {1, 2}});
    QCompositeSpectra(data, {}, false, false).AddUnits(lock);
    const std::unique_ptr<CSpectralSpatialScanData> copy = data.Clone();
    EXPECT_EQ(copy->m_FullComposite, nullptr);
    for (const auto& unit : copy->m_Units) {
        EXPECT_EQ(unit->m_Processed, 0);
    }
}

TEST(CompositeSpectraTest, WithoutUnitsNothingIsBuilt) {
    CSpectralSpatialScanData data;
    std::recursive_mutex lock;
    EXPECT_EQ(QCompositeSpectra(data, {}, true, false).AddUnits(lock), 0U);
    EXPECT_EQ(data.m_FullComposite, nullptr);
    EXPECT_EQ(data.m_UserComposite, nullptr);
    // An empty unit first sizes the composites at no points: later units take no part.
    AddMirt(data, {0, 0, {}});
    AddMirt(data, {0, 1, {5}});
    const Built built = Build(data, {}, false, false);
    EXPECT_TRUE(built.full.empty());
}

} // namespace
} // namespace orv
