// The R&S ZND command set of the simulated analyser: the network analyser's channel, trace, marker and
// sweep commands over the state, the S12 magnitude trace "VXT" as a REAL,32 little-endian block, and
// the R&S set for the spectrum-analyser commands the ZND shares with it.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// Commands taken without effect.
constexpr const char* kAccepted[] = {"CALC1:PAR:SDEF \"VXT\", \"S12\"",
                                     "DISP:WIND1:STAT ON",
                                     "DISP:WIND1:TRAC2:FEED \"VXT\"",
                                     "CALC1:FORM MAGN",
                                     "CALC:MARK ON",
                                     "CALC:MARK OFF",
                                     "CALC1:MARK ON",
                                     "CALC1:MARK:FUNC:EXEC MAX",
                                     "INIT1"};

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const char* accepted : kAccepted) {
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "SWE:POIN?")) {
        reply = std::to_string(state.points) + "\n";
    } else if (StartsWithCommand(part, "SWE:POIN ")) {
        const int points = std::atoi(std::string(ArgumentOf(part)).c_str());
        if (points < 1 || points > 100001) {
            return false;
        }
        state.points = points;
    } else if (IsCommand(part, "SWE:TIME?")) {
        char text[64];
        std::snprintf(text, sizeof text, "%.9E\n", state.sweepSeconds);
        reply = text;
    } else if (IsCommand(part, "FORM REAL, 32") || IsCommand(part, "FORM REAL,32")) {
        state.ascii = false;
        state.swapped = true;
    } else if (IsCommand(part, "CALC:MARK:X?")) {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (IsCommand(part, "CALC1:DATA:TRAC? \"VXT\", FDAT")) {
        return HandleSetCommand("generic", state, "TRACE? TRACE1", reply);
    } else {
        return HandleSetCommand("rs", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleZndCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
