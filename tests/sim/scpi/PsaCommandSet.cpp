// The PSA command set of the simulated analyser: the E4440A's own forms of the gate, pre-amplifier,
// marker, level and format commands over the state, and the X-series set for the rest.

#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Commands taken without effect.
constexpr const char* kAccepted[] = {"DISP:ENAB OFF",
                                     "CALIBRATION:AUTO OFF",
                                     "SYSTEM:PORTS:IFVSWEEP:ENABLE OFF",
                                     "CALCULATE:MARKER:MODE POSITION",
                                     "CALCULATE:MARKER:X:POSITION 0",
                                     "CALCULATE:MARKER:FCOUNT ON",
                                     "CALCULATE:MARKER:FCOUNT OFF",
                                     "CALCULATE:MARKER:MAX",
                                     "SWEEP:EGATE:POLARITY POSITIVE",
                                     "SWEEP:EGATE:EXTERNAL1:LEVEL 2.5"};

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const char* accepted : kAccepted) {
        if (part == accepted) {
            return true;
        }
    }
    if (part == "INP:GAIN:STAT ON" || part == "INP:GAIN:STAT OFF") {
        state.preAmp = part.back() == 'N';
    } else if (part == "INP:GAIN:STAT?") {
        reply = state.preAmp ? "1\n" : "0\n";
    } else if (StartsWith(part, "SWE:EGAT:DELAY ")) {
        state.gateDelayUs = std::atoi(std::string(part.substr(15)).c_str());
    } else if (StartsWith(part, "POWER:ATTENUATION ") || StartsWith(part, "UNIT:POW ")) {
        return true;
    } else if (StartsWith(part, "DISPLAY:WIND:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(part.substr(26)).c_str());
    } else if (part == "DISPLAY:WIND:TRACE:Y:RLEV?") {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (part == "CALCULATE:MARKER:X?" || part == "CALCULATE:MARKER:FCOUNT:X?") {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (part == "CALCULATE:MARKER:Y?") {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else if (part == "FORMAT:BORDER SWAPPED" || part == "FORMAT:BORDER NORMAL") {
        state.swapped = part.back() == 'D';
    } else {
        return HandleSetCommand("xseries", state, part, reply);
    }
    return true;
}

} // namespace

bool HandlePsaCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
