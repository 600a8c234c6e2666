// The PSA command set of the simulated analyser: the E4440A's own forms of the gate, pre-amplifier,
// marker, level and format commands over the state, and the X-series set for the rest.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

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
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "INP:GAIN:STAT ON") || IsCommand(part, "INP:GAIN:STAT OFF")) {
        state.preAmp = part.back() == 'N';
    } else if (IsCommand(part, "INP:GAIN:STAT?")) {
        reply = state.preAmp ? "1\n" : "0\n";
    } else if (StartsWithCommand(part, "SWE:EGAT:DELAY ")) {
        state.gateDelayUs = std::atoi(std::string(ArgumentOf(part)).c_str());
    } else if (StartsWithCommand(part, "POWER:ATTENUATION ") || StartsWithCommand(part, "UNIT:POW ")) {
        return true;
    } else if (StartsWithCommand(part, "DISPLAY:WIND:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(ArgumentOf(part)).c_str());
    } else if (IsCommand(part, "DISPLAY:WIND:TRACE:Y:RLEV?")) {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER:X?") || IsCommand(part, "CALCULATE:MARKER:FCOUNT:X?")) {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER:Y?")) {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else if (IsCommand(part, "FORMAT:BORDER SWAPPED") || IsCommand(part, "FORMAT:BORDER NORMAL")) {
        state.swapped = part.back() == 'D';
    } else {
        return HandleSetCommand("xseries", state, part, reply);
    }
    return true;
}

} // namespace

bool HandlePsaCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
