// The R&S command set of the simulated analyser: compound commands split at ';', the gate,
// pre-amplifier (state and gain), input coupling, marker and RBW filter-type commands over the state, and the
// common parameters, sweep points and traces (REAL,32 little-endian) of the generic set.

#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

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
        if (part == accepted) {
            return true;
        }
    }
    if (part == "SWEEP:EGATE ON") {
        state.gated = true;
    } else if (part == "SWE:EGAT?") {
        reply = state.gated ? "1\n" : "0\n";
    } else if (StartsWith(part, "SWE:EGAT:HOLD ")) {
        state.gateDelayUs = std::atoi(std::string(part.substr(14)).c_str());
    } else if (StartsWith(part, "SWE:EGAT:LENG ")) {
        state.gateLengthUs = std::atoi(std::string(part.substr(14)).c_str());
    } else if (part == "INP:GAIN:STAT ON" || part == "INP:GAIN:STAT OFF") {
        state.preAmp = part.back() == 'N';
    } else if (part == "INP:GAIN:STAT?") {
        reply = state.preAmp ? "1\n" : "0\n";
    } else if (part == "INP:GAIN:VAL?") {
        reply = std::to_string(state.preAmp ? state.preAmpGain : 0) + "\n";
    } else if (part == "INP:COUP DC" || part == "INP:COUP AC") {
        state.dcCoupled = part.back() == 'C' && part[part.size() - 2] == 'D';
    } else if (part == "INP:COUP?") {
        reply = state.dcCoupled ? "DC\n" : "AC\n";
    } else if (part == "TRAC:DATA? TRACE1") {
        return HandleSetCommand("generic", state, "TRACE? TRACE1", reply);
    } else if (StartsWith(part, "UNIT:POW ")) {
        return true;
    } else if (part == "SENS:BAND:RES:TYPE?") {
        reply = state.rbwFilterType + "\n";
    } else if (StartsWith(part, "SENS:BAND:RES:TYPE ")) {
        state.rbwFilterType = std::string(part.substr(19));
    } else if (StartsWith(part, "INPUT:ATTENUATION ") || StartsWith(part, "UNIT:POWER ")) {
        return true;
    } else if (StartsWith(part, "DISPLAY:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(part.substr(21)).c_str());
    } else if (part == "DISPLAY:TRACE:Y:RLEV?") {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (part == "CALCULATE:MARKER:X?" || part == "CALCULATE:MARKER:COUNT:FREQUENCY?") {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (part == "CALCULATE:MARKER:Y?") {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else {
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleRsCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
