// The Keysight X-series command set of the simulated analyser: compound commands split at ';', the
// gate, pre-amplifier, coupling and status commands over the state, and the common parameters,
// sweep points and traces of the generic set.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// A gate time in whole microseconds, from a parameter in seconds or with its suffix.
bool MicrosecondsOf(SimulatedAnalyzerState& state, std::string_view part, int& us) {
    const std::optional<double> seconds = ParseValue(state, ArgumentOf(part), ValueUnit::Seconds);
    if (seconds) {
        us = static_cast<int>(std::lround(*seconds * 1.0e6));
    }
    return seconds.has_value();
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
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "SWEEP:EGATE ON")) {
        state.gated = true;
    } else if (IsCommand(part, "SWE:EGAT?")) {
        reply = Flag(state.gated);
    } else if (StartsWithCommand(part, "SWE:EGAT:DEL ")) {
        return MicrosecondsOf(state, part, state.gateDelayUs);
    } else if (StartsWithCommand(part, "SWE:EGAT:LENG ")) {
        return MicrosecondsOf(state, part, state.gateLengthUs);
    } else if (IsCommand(part, "POW:GAIN ON")) {
        state.preAmp = true;
    } else if (IsCommand(part, "SENSE:POWER:RF:GAIN:STATE OFF")) {
        state.preAmp = false;
    } else if (IsCommand(part, "POW:GAIN:STAT?")) {
        reply = Flag(state.preAmp);
    } else if (IsCommand(part, "INP:COUP DC") || IsCommand(part, "INPUT:COUPLING DC")) {
        state.dcCoupled = true;
    } else if (IsCommand(part, "INP:COUP AC") || IsCommand(part, "INPUT:COUPLING AC")) {
        state.dcCoupled = false;
    } else if (IsCommand(part, "INP:COUP?") || IsCommand(part, "INPUT:COUPLING?")) {
        reply = state.dcCoupled ? "DC\n" : "AC\n";
    } else if (IsCommand(part, "STATUS:OPERATION:CONDITION?")) {
        reply = std::to_string(state.operationCondition) + "\n";
    } else if (StartsWithCommand(part, "POW:ATTENUATION ") || StartsWithCommand(part, "UNIT:POWER ")) {
        return true;
    } else if (StartsWithCommand(part, "DISPLAY:WINDOW:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(ArgumentOf(part)).c_str());
    } else if (IsCommand(part, "DISPLAY:WINDOW:TRACE:Y:RLEV?")) {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER1:X?") || IsCommand(part, "CALCULATE:MARKER1:FCOUNT:X?")) {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER1:Y?")) {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else if (IsCommand(part, "FORMAT:BORD SWAP") || IsCommand(part, "FORMAT:BORD NORM")) {
        state.swapped = part.back() == 'P';
    } else {
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleXSeriesCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
