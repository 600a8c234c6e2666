// The R&S command set of the simulated analyser: compound commands split at ';', the gate,
// pre-amplifier (state and gain), input coupling, marker and RBW filter-type commands over the state, and the
// common parameters, sweep points and traces (REAL,32 little-endian) of the generic set.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// Commands taken without effect.
constexpr const char* kAccepted[] = {"*RST",
                                     "INST SAN",
                                     "SYST:DISP:UPD ON",
                                     "TRIGGER:SOURCE IMMEDIATE",
                                     "INITIATE:CONTINUOUS ON",
                                     "INITIATE:CONTINUOUS OFF",
                                     "INIT",
                                     "*WAI",
                                     "SWE:EGAT:SOUR EXT",
                                     "SWEEP:EGATE:TYPE EDGE",
                                     "SWEEP:TIME:AUTO ON",
                                     "DET POS",
                                     "CALCULATE:MARKER:COUNT ON",
                                     "CALCULATE:MARKER:COUNT OFF",
                                     "CALCULATE:MARKER:MAX",
                                     "INP:GAIN:AUTO OFF",
                                     "SYSTEM:PRESET",
                                     "SYST:ERR:CLE:ALL",
                                     "TRIGGER:SOURCE EXTERNAL",
                                     "SENSE:ISOURCE:ENABLE ON",
                                     "SENSE:ISOURCE:ENABLE 1",
                                     "SENSE:ISOURCE:ENABLE 0",
                                     "SENSE:ISOURCE:MODE SRTS",
                                     "SENSE:ISOURCE:MODE CW"};

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const char* accepted : kAccepted) {
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "SWEEP:EGATE ON")) {
        state.gated = true;
    } else if (IsCommand(part, "SWE:EGAT?")) {
        reply = state.gated ? "1\n" : "0\n";
    } else if (StartsWithCommand(part, "SWE:EGAT:HOLD ")) {
        state.gateDelayUs = std::atoi(std::string(ArgumentOf(part)).c_str());
    } else if (StartsWithCommand(part, "SWE:EGAT:LENG ")) {
        state.gateLengthUs = std::atoi(std::string(ArgumentOf(part)).c_str());
    } else if (IsCommand(part, "INP:GAIN:STAT ON") || IsCommand(part, "INP:GAIN:STAT OFF")) {
        state.preAmp = part.back() == 'N';
    } else if (IsCommand(part, "INP:GAIN:STAT?")) {
        reply = state.preAmp ? "1\n" : "0\n";
    } else if (IsCommand(part, "INP:GAIN:VAL?")) {
        reply = std::to_string(state.preAmp ? state.preAmpGain : 0) + "\n";
    } else if (IsCommand(part, "INP:COUP DC") || IsCommand(part, "INP:COUP AC")) {
        state.dcCoupled = part.back() == 'C' && part[part.size() - 2] == 'D';
    } else if (IsCommand(part, "INP:COUP?")) {
        reply = state.dcCoupled ? "DC\n" : "AC\n";
    } else if (IsCommand(part, "TRAC:DATA? TRACE1")) {
        return HandleSetCommand("generic", state, "TRACE? TRACE1", reply);
    } else if (StartsWithCommand(part, "UNIT:POW ")) {
        return true;
    } else if (IsCommand(part, "SENS:BAND:RES:TYPE?")) {
        reply = state.rbwFilterType + "\n";
    } else if (StartsWithCommand(part, "SENS:BAND:RES:TYPE ")) {
        state.rbwFilterType = std::string(ArgumentOf(part));
    } else if (StartsWithCommand(part, "INPUT:ATTENUATION ") || StartsWithCommand(part, "UNIT:POWER ")) {
        return true;
    } else if (StartsWithCommand(part, "DISPLAY:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(ArgumentOf(part)).c_str());
    } else if (IsCommand(part, "DISPLAY:TRACE:Y:RLEV?")) {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER:X?") ||
               IsCommand(part, "CALCULATE:MARKER:COUNT:FREQUENCY?")) {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER:Y?")) {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else {
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleRsCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
