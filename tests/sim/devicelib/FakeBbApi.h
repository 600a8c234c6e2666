#pragma once

// The script of the fake Signal Hound library (liborv_sim_bb_api.so): tests link the library to
// script it, and the program under test loads the same file by name. Every call is journalled with
// its arguments (FakeBbApi::Script().Calls()).

#include "tests/sim/devicelib/FakeCallScript.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::sim {

struct FakeBbApi {
    // Back to no device, no statuses, an empty journal.
    static void Reset();
    static FakeCallScript& Script();
    // The attached devices' serials; the count the search reports (the list's size when unset).
    static void SetSerials(const std::vector<int32_t>& serials, std::optional<int32_t> reportedCount = {});
    // What bbQueryTraceInfo answers: the trace length, the bin size and the start, Hz.
    static void SetTraceInfo(int32_t length, double binSizeHz, double startHz);
    // The values (dBm) the next fetches give; a fetch writes no more than the array it is given.
    static void SetTrace(const std::vector<float>& values);
    // The text bbGetErrorString answers for a status (null: the library gives none).
    static void SetErrorText(int32_t status, const char* text);
};

} // namespace orv::sim
