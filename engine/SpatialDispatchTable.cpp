#include "engine/SpatialDispatchTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <vector>

namespace orv {

namespace {

enum class Mode { Any, Probes, GatedVideo, Empty, MultipleGatedSweep, Other };

struct Row {
    Mode mode;
    std::vector<int32_t> codes; // empty: any code
    SpatialRoutine routine;
    // A narrow RBW takes the per-cell routine instead.
    bool narrowTakesByProbes = false;
    bool thenByProbes = false;
    // An RBW of exactly 0.0001 MHz takes the marker routine instead.
    bool exactRbwTakesMarker = false;
};

using R = SpatialRoutine;

const std::vector<Row>& Table() {
    static const std::vector<Row> table{
        {Mode::Any, {900}, R::MultipleGated},
        {Mode::Probes, {}, R::ByProbes},
        {Mode::GatedVideo, {}, R::GatedVideo},
        {Mode::Empty, {17}, R::ProbeGroupsFast, false, true},
        {Mode::Empty, {21}, R::ProbeGroupsPaced, false, true},
        {Mode::Empty, {52, 53}, R::ContinuousChunk, true, true},
        {Mode::Empty, {67}, R::NoMeasurement, true},
        {Mode::Empty, {}, R::ByProbes},
        {Mode::MultipleGatedSweep, {20, 60, 61, 62, 63, 64, 65, 66, 105, 108}, R::MultipleGated, true},
        {Mode::MultipleGatedSweep, {19}, R::TwoHalves},
        {Mode::MultipleGatedSweep, {}, R::AbandonFrame},
        {Mode::Other, {23, 30, 38, 51, 68, 42}, R::EverySecondPoint},
        {Mode::Other, {15}, R::SettledChunk},
        {Mode::Other, {39, 40, 34}, R::RetriggeredChunk},
        {Mode::Other, {41, 43}, R::RetriggeredChunk, true},
        {Mode::Other, {24, 25, 69}, R::OneSweep, true},
        {Mode::Other, {28, 54, 70}, R::OneSweep},
        {Mode::Other, {26, 49}, R::OneSweep, false, false, true},
        {Mode::Other, {27, 50, 44, 52, 53}, R::ContinuousChunk, true},
        {Mode::Other, {29}, R::OffsetChunk, true},
        {Mode::Other, {1}, R::ByProbes},
        {Mode::Other, {}, R::InlineAllCells},
    };
    return table;
}

bool EqualsWithoutCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

Mode ModeOf(std::string_view sweepMode) {
    if (sweepMode.empty()) {
        return Mode::Empty;
    }
    for (const auto& [text, mode] : std::array<std::pair<std::string_view, Mode>, 3>{
             {{"Probes", Mode::Probes},
              {"GatedVideo", Mode::GatedVideo},
              {"MultipleGatedSweep", Mode::MultipleGatedSweep}}}) {
        if (EqualsWithoutCase(sweepMode, text)) {
            return mode;
        }
    }
    return Mode::Other;
}

} // namespace

SpatialDispatch ChooseSpatialRoutine(std::string_view sweepMode, int32_t modelCode,
                                     const std::function<bool()>& isNarrowRbw, float rbw) {
    const Mode mode = ModeOf(sweepMode);
    for (const Row& row : Table()) {
        if (row.mode != Mode::Any && row.mode != mode) {
            continue;
        }
        if (!row.codes.empty() &&
            std::find(row.codes.begin(), row.codes.end(), modelCode) == row.codes.end()) {
            continue;
        }
        if (row.narrowTakesByProbes && isNarrowRbw && isNarrowRbw()) {
            return SpatialDispatch{SpatialRoutine::ByProbes, false};
        }
        if (row.exactRbwTakesMarker && rbw == 0.0001F) {
            return SpatialDispatch{SpatialRoutine::Marker, false};
        }
        return SpatialDispatch{row.routine, row.thenByProbes};
    }
    return SpatialDispatch{SpatialRoutine::InlineAllCells, false};
}

} // namespace orv
