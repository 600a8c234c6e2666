// The FieldFox command set of the simulated analyser: levels in dBm, frequencies in Hz, compound
// commands split at ';', the zero-span, tracking-source, pre-amplifier and marker commands over the
// state, and the common parameters, sweep points and traces (REAL,32 little-endian, in dBm) of the
// generic set.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// Commands taken without effect.
constexpr const char* kAccepted[] = {"DISP:ENAB ON",
                                     "DISP:ENAB OFF",
                                     "CALCULATE:MARKER:MODE POSITION",
                                     "CALCULATE:MARKER:X:POSITION 0",
                                     "INST:SEL \"SA\"",
                                     "*WAI",
                                     "SYSTEM:PRESET:MODE",
                                     "SENSE:ISOURCE:ENABLE ON",
                                     "SENSE:ISOURCE:MODE SRTS",
                                     "SENSE:ISOURCE:MODE CW",
                                     "SENSE:ISOURCE:ENABLE 1",
                                     "SENSE:ISOURCE:ENABLE 0",
                                     "TRIGGER:SOURCE FREE",
                                     "TRIGGER:SOURCE EXT",
                                     "INITIATE:CONTINUOUS ON",
                                     "INITIATE:CONTINUOUS OFF",
                                     "INIT",
                                     "SWEEP:ACQUISITION:AUTO ON",
                                     "POW:GAIN 1",
                                     "SENSE:DETECTOR:FUNCTION AUTO",
                                     "SERV:SA:SWE:EGST ON",
                                     "DIAG:SWEEP:TYPE STEP",
                                     "DIAG:SWEEP:SIMULATION EGST",
                                     "CALCULATE:MARKER:FCOUNT ON",
                                     "CALCULATE:MARKER:FCOUNT OFF",
                                     "CALC:MARK1:FUNC:MAX"};

bool HandlePart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const char* accepted : kAccepted) {
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    if (IsCommand(part, "SENSE:POWER:RF:GAIN ON") || IsCommand(part, "SENSE:POWER:RF:GAIN OFF")) {
        state.preAmp = part.back() == 'N';
    } else if (IsCommand(part, "SENSE:FREQUENCY:SPAN:ZERO")) {
        state.spanHz = 0.0;
    } else if (StartsWithCommand(part, "POWER:ATTENUATION ")) {
        return true;
    } else if (StartsWithCommand(part, "DISPLAY:WIND:TRACE:Y:RLEV ")) {
        state.referenceLevel = std::atof(std::string(ArgumentOf(part)).c_str());
    } else if (IsCommand(part, "DISPLAY:WIND:TRACE:Y:RLEV?")) {
        reply = std::to_string(state.referenceLevel) + "\n";
    } else if (IsCommand(part, "SENSE:FREQUENCY:CENTER?") || IsCommand(part, "CALCULATE:MARKER1:X?") ||
               IsCommand(part, "CALCULATE:MARKER:FCOUNT:X?")) {
        reply = std::to_string(state.centerHz) + "\n";
    } else if (IsCommand(part, "CALCULATE:MARKER:Y?")) {
        reply = std::to_string(state.referenceLevel - 10.0) + "\n";
    } else {
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

} // namespace

bool HandleFieldFoxCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandlePart(state, part, out);
    });
}

} // namespace orv::sim
