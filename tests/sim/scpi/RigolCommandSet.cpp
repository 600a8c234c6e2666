// The RIGOL (DSA, RSA) and SIGLENT (SSA3075X-R) command sets of the simulated analyser. Frequencies
// are set and answered in whole Hz, sweep times in seconds, levels in the instrument's unit; the RIGOL
// trace is the generic REAL,32 block, the SIGLENT trace 751 bare little-endian floats and a line feed.

#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

constexpr int kSiglentPoints = 751;

// The parameter of a canonical part in `unit`; false (with the error pending) when it is none.
bool ValueOf(SimulatedAnalyzerState& state, std::string_view part, ValueUnit unit, double& value) {
    const std::optional<double> parsed = ParseValue(state, ArgumentOf(part), unit);
    if (parsed) {
        value = *parsed;
    }
    return parsed.has_value();
}

std::string WholeHz(double hz) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f\n", hz);
    return text;
}

std::string Real(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f\n", value);
    return text;
}

// Commands taken without effect.
constexpr const char* kAccepted[] = {"CONFIGURE:SANALYZER",
                                     "DISP:ENAB ON",
                                     "CAL:AUTO OFF",
                                     "TRIGGER:SEQUENCE:SOURCE IMMEDIATE",
                                     "INITIATE:CONTINUOUS ON",
                                     "INITIATE:CONTINUOUS OFF",
                                     "SWEEP:TIME:AUTO ON",
                                     "DET POS",
                                     "CALCULATE:MARKER:FCOUNT ON",
                                     "CALCULATE:MARKER:FCOUNT OFF",
                                     "CALCULATE:MARKER1:FCOUNT ON",
                                     "CALCULATE:MARKER1:FCOUNT OFF",
                                     "CALCULATE:MARKER1:MAXIMUM:MAX",
                                     "INIT",
                                     "*WAI",
                                     "INST:SEL \"SA\"",
                                     "FREQ:CENTER 200 MHZ",
                                     "FREQ:SPAN 100 MHZ",
                                     "BAND 120 KHZ"};

// Frequencies in Hz: set form, query form, the state's value.
struct HzParameter {
    const char* set;
    const char* query;
    double SimulatedAnalyzerState::*value;
};

constexpr HzParameter kHzParameters[] = {
    {"FREQUENCY:CENTER ", "FREQUENCY:CENTER?", &SimulatedAnalyzerState::centerHz},
    {"SENSE:FREQUENCY:CENTER ", "SENSE:FREQUENCY:CENTER?", &SimulatedAnalyzerState::centerHz},
    {"FREQUENCY:SPAN ", "FREQUENCY:SPAN?", &SimulatedAnalyzerState::spanHz},
    {"SENSE:BANDWIDTH:RESOLUTION ", "SENSE:BANDWIDTH:RESOLUTION?", &SimulatedAnalyzerState::rbwHz},
    {"BANDWIDTH:VIDEO ", "BANDWIDTH:VIDEO?", &SimulatedAnalyzerState::vbwHz},
};

bool HandleRigolPart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    if (IsCommand(part, "*RST")) {
        state = SimulatedAnalyzerState(); // the preset forgets what was set before it
        return true;
    }
    for (const char* accepted : kAccepted) {
        if (IsCommand(part, accepted)) {
            return true;
        }
    }
    for (const HzParameter& parameter : kHzParameters) {
        if (IsCommand(part, parameter.query)) {
            reply = WholeHz(state.*parameter.value);
            return true;
        }
        if (StartsWithCommand(part, parameter.set)) {
            return ValueOf(state, part, ValueUnit::Hertz, state.*parameter.value);
        }
    }
    if (IsCommand(part, "SENSE:POWER:RF:GAIN:STATE?")) {
        reply = state.preAmp ? "1\n" : "0\n";
    } else if (StartsWithCommand(part, "SENSE:POWER:RF:GAIN:STATE ")) {
        const std::string_view value = ArgumentOf(part);
        state.preAmp = value == "ON" || value == "1";
    } else if (IsCommand(part, "SWEEP:TIME?")) {
        reply = Real(state.sweepSeconds);
    } else if (StartsWithCommand(part, "SWEEP:TIME ")) {
        return ValueOf(state, part, ValueUnit::Seconds, state.sweepSeconds);
    } else if (StartsWithCommand(part, "SWE:TIME ")) {
        return ValueOf(state, part, ValueUnit::Seconds, state.sweepSeconds);
    } else if (StartsWithCommand(part, "POW:ATTENUATION ") || StartsWithCommand(part, "UNIT:POWER ")) {
        return true;
    } else if (StartsWithCommand(part, "DISPLAY:WINDOW:TRACE:Y:RLEVEL ")) {
        return ValueOf(state, part, ValueUnit::Decibels, state.referenceLevel);
    } else if (IsCommand(part, "DISPLAY:WINDOW:TRACE:Y:RLEVEL?")) {
        reply = Real(state.referenceLevel);
    } else if (IsCommand(part, "FORMAT:BORD SWAP") || IsCommand(part, "FORMAT:BORD NORM")) {
        state.swapped = part.back() == 'P';
    } else if (IsCommand(part, "CALCULATE:MARKER1:X?")) {
        reply = WholeHz(state.centerHz);
    } else if (IsCommand(part, "CALCULATE:MARKER1:Y?")) {
        reply = Real(state.referenceLevel - 10.0);
    } else {
        // Sweep points, the trace block and the data format.
        return HandleSetCommand("generic", state, part, reply);
    }
    return true;
}

// The SIGLENT trace: the values as they are, with no block header.
std::string RawTrace() {
    std::string bytes;
    for (int i = 0; i < kSiglentPoints; ++i) {
        const uint32_t word = std::bit_cast<uint32_t>(SimulatedAnalyzerState::TraceValue(i));
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<char>(word >> (8 * b)));
        }
    }
    return bytes + "\n";
}

bool HandleSiglentPart(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    if (IsCommand(part, "INST:SEL SA") || IsCommand(part, "TRIG:SOUR IMM") ||
        IsCommand(part, "CALCULATE:MARKER1:MAX")) {
        return true;
    }
    if (IsCommand(part, "POW:GAIN ON") || IsCommand(part, "POW:GAIN OFF")) {
        state.preAmp = part.back() == 'N';
    } else if (IsCommand(part, "OUTPUT ON") || IsCommand(part, "OUTPUT OFF")) {
        state.trackingOutput = part.back() == 'N';
    } else if (IsCommand(part, "OUTPUT?")) {
        reply = state.trackingOutput ? "1\n" : "0\n";
    } else if (IsCommand(part, "TRACE? TRACE1")) {
        reply = RawTrace();
    } else {
        return HandleRigolPart(state, part, reply);
    }
    return true;
}

} // namespace

bool HandleRigolCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandleRigolPart(state, part, out);
    });
}

bool HandleSiglentCommand(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
        return HandleSiglentPart(state, part, out);
    });
}

} // namespace orv::sim
