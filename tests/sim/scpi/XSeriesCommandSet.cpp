// The Keysight X-series command set of the simulated analyser: compound commands split at ';', the
// gate, pre-amplifier, coupling and status commands over the state, and the common parameters,
// sweep points and traces of the generic set.

#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

int IntAfter(std::string_view text, std::string_view prefix) {
    return std::atoi(std::string(text.substr(prefix.size())).c_str());
}

std::string Flag(bool on) {
    return on ? "1\n" : "0\n";
}

// Commands taken without effect.
constexpr const char* kAccepted[] = {"*RST",
                                     "INST SA",
                                     "DISP:ENAB ON",
                                     "CAL:AUTO OFF",
                                     "TRIGGER:RF:SOURCE IMMEDIATE",
                                     "TRIGGER:SOURCE EXTERNAL1",
                                     "TRIGGER:SOURCE IMMEDIATE",
                                     "INITIATE:CONTINUOUS ON",
                                     "INITIATE:CONTINUOUS OFF",
                                     "INIT",
                                     "*WAI",
                                     "SWEEP:EGATE:METH LO",
                                     "SWEEP:EGATE:CONT EDGE",
                                     "SWEEP:EGATE:HOLDOFF 0 US",
                                     "SWEEP:TIME:AUTO ON",
                                     "DET POS",
                                     "POW:GAIN:BAND FULL",
                                     "POW:GAIN:BAND LOW",
                                     "IF:GAIN:SWEP OFF",
                                     "SENS:CORR:NOIS:FLO ON",
                                     "SENS:CORR:NOIS:FLO OFF",
                                     "CALCULATE:MARKER1:FCOUNT ON",
                                     "CALCULATE:MARKER1:FCOUNT OFF",
                                     "CALCULATE:MARKER1:MAX",
                                     "CALCULATE:MARKER1:CENT"};

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const char* accepted : kAccepted) {
        if (part == accepted) {
            return true;
        }
    }
    if (part == "SWEEP:EGATE ON") {
        state.gated = true;
    } else if (part == "SWE:EGAT?") {
        reply = Flag(state.gated);
    } else if (StartsWith(part, "SWE:EGAT:DEL ")) {
        state.gateDelayUs = IntAfter(part, "SWE:EGAT:DEL ");
    } else if (StartsWith(part, "SWE:EGAT:LENG ")) {
        state.gateLengthUs = IntAfter(part, "SWE:EGAT:LENG ");
    } else if (part == "POW:GAIN ON") {
        state.preAmp = true;
    } else if (part == "SENSE:POWER:RF:GAIN:STATE OFF") {
        state.preAmp = false;
    } else if (part == "POW:GAIN:STAT?") {
        reply = Flag(state.preAmp);
    } else if (part == "INP:COUP DC" || part == "INPUT:COUPLING DC") {
        state.dcCoupled = true;
    } else if (part == "INP:COUP AC" || part == "INPUT:COUPLING AC") {
        state.dcCoupled = false;
    } else if (part == "INP:COUP?" || part == "INPUT:COUPLING?") {
        reply = state.dcCoupled ? "DC\n" : "AC\n";
    } else if (part == "STATUS:OPERATION:CONDITION?") {
        reply = std::to_string(state.operationCondition) + "\n";
    } else if (StartsWith(part, "POW:ATTENUATION ") || StartsWith(part, "UNIT:POWER ")) {
        return true;
    } else if (StartsWith(part, "DISPLAY:WINDOW:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(part.substr(28)).c_str());
    } else if (part == "DISPLAY:WINDOW:TRACE:Y:RLEV?") {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (part == "CALCULATE:MARKER1:X?" || part == "CALCULATE:MARKER1:FCOUNT:X?") {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (part == "CALCULATE:MARKER1:Y?") {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else if (part == "FORMAT:BORD SWAP" || part == "FORMAT:BORD NORM") {
        state.swapped = part.back() == 'P';
    } else {
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleXSeriesCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
