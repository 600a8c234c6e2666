// The basic spectrum analyser command sets of the simulated analyser: the attenuator, pre-amplifier,
// marker and trace forms of the N9320B and N9324C over the state, and the X-series set for the rest.
// The N9320B sends its trace as raw 32-bit floats, the N9324C in a "#" block; both in the machine's
// byte order and ended by a line feed.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// Commands taken without effect.
constexpr const char* kAccepted[] = {"POW:ATT:AUTO 0",
                                     "TRIGGER:SOURCE IMMEDIATE",
                                     "SWEEP:TIME:AUTO ON",
                                     "CALCULATE:MARKER1:STATE 1",
                                     "CALCULATE:MARKER1:STATE 0",
                                     "CALCULATE:MARKER1:MAXIMUM"};

std::string RawTrace(const SimulatedAnalyzerState& state) {
    std::string data;
    data.reserve(static_cast<size_t>(state.points) * 4 + 1);
    for (int i = 0; i < state.points; ++i) {
        const uint32_t word = std::bit_cast<uint32_t>(SimulatedAnalyzerState::TraceValue(i));
        for (int b = 0; b < 4; ++b) {
            data.push_back(static_cast<char>(word >> (8 * b)));
        }
    }
    return data;
}

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply, bool block) {
    for (const char* accepted : kAccepted) {
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "POW:GAIN OFF")) {
        state.preAmp = false;
    } else if (StartsWithCommand(part, "POW:ATT ")) {
        return true;
    } else if (IsCommand(part, "FORMAT:DATA REAL")) {
        state.ascii = false;
    } else if (IsCommand(part, "TRAC:DATA? TRACE1")) {
        const std::string data = RawTrace(state);
        if (block) {
            const std::string length = std::to_string(data.size());
            reply = "#" + std::to_string(length.size()) + length + data + "\n";
        } else {
            reply = data + "\n";
        }
    } else {
        return HandleSetCommand("xseries", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleBsaCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply, bool block) {
    return HandleEachPart(state, plain, reply, [&state, block](std::string_view part, std::string& out) {
        return HandlePart(state, part, out, block);
    });
}

} // namespace orv::sim
