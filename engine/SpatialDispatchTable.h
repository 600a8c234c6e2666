#pragma once

// Which spatial acquisition routine serves an analyser: chosen from its sweep mode (compared without
// case) and its model code, the first matching row of one table winning. Some rows give way to the
// per-cell routine when the analyser's RBW is narrow, some run the per-cell routine after their own,
// and the marker routine serves two models only at an RBW of exactly 0.0001 MHz.

#include <cstdint>
#include <functional>
#include <string_view>

namespace orv {

enum class SpatialRoutine {
    MultipleGated,
    ByProbes,
    GatedVideo,
    ProbeGroupsFast,
    ProbeGroupsPaced,
    ContinuousChunk,
    RetriggeredChunk,
    SettledChunk,
    OffsetChunk,
    OneSweep,
    EverySecondPoint,
    TwoHalves,
    Marker,
    InlineAllCells,
    // No measurement; the result follows the flags.
    NoMeasurement,
    // No measurement, success, and the frame is abandoned (no packet for it).
    AbandonFrame,
};

struct SpatialDispatch {
    SpatialRoutine routine = SpatialRoutine::ByProbes;
    // When the routine succeeded, the per-cell routine runs as well.
    bool thenByProbes = false;
};

// `isNarrowRbw` is asked only when the matching row depends on it.
SpatialDispatch ChooseSpatialRoutine(std::string_view sweepMode, int32_t modelCode,
                                     const std::function<bool()>& isNarrowRbw, float rbw);

} // namespace orv
