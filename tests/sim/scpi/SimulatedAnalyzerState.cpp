#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

enum class Kind { Real, Integer };

// One settable parameter: its set and query forms (plain: upper case, no ':' in front) and the factor
// from the command's unit to the instrument's.
struct Parameter {
    const char* set;
    const char* query;
    double SimulatedAnalyzerState::*real;
    double factor;
};

constexpr Parameter kParameters[] = {
    {"FREQUENCY:CENTER ", "FREQUENCY:CENTER?", &SimulatedAnalyzerState::centerHz, 1.0e6},
    {"FREQUENCY:SPAN ", "FREQUENCY:SPAN?", &SimulatedAnalyzerState::spanHz, 1.0e6},
    {"BANDWIDTH:VIDEO ", "BANDWIDTH:VIDEO?", &SimulatedAnalyzerState::vbwHz, 1.0e6},
    {"BANDWIDTH ", "BANDWIDTH?", &SimulatedAnalyzerState::rbwHz, 1.0e6},
    {"SWEEP:TIME ", "SWEEP:TIME?", &SimulatedAnalyzerState::sweepSeconds, 1.0e-3},
};

// Accepted without effect.
constexpr const char* kAccepted[] = {
    "*CLS", "*RST",       "*WAI", "SYSTEM:PRESET", "CAL:AUTO",       "SYST:DISP",       "INITIATE:CONTINUOUS",
    "INIT", "UNIT:POWER", "INP:", "DET ",          "TRIGGER:SOURCE", "SWEEP:TIME:AUTO", "CALCULATE:MARKER"};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9E\n", value);
    return text;
}

std::string Trace(const SimulatedAnalyzerState& state) {
    if (state.ascii) {
        std::string text;
        for (int i = 0; i < state.points; ++i) {
            char value[32];
            std::snprintf(value, sizeof value, i == 0 ? "%.4E" : ",%.4E",
                          static_cast<double>(SimulatedAnalyzerState::TraceValue(i)));
            text += value;
        }
        return text + "\n";
    }
    std::string data;
    for (int i = 0; i < state.points; ++i) {
        const uint32_t word = std::bit_cast<uint32_t>(SimulatedAnalyzerState::TraceValue(i));
        for (int b = 0; b < 4; ++b) {
            const int shift = state.swapped ? 8 * b : 8 * (3 - b);
            data.push_back(static_cast<char>(word >> shift));
        }
    }
    const std::string length = std::to_string(data.size());
    return "#" + std::to_string(length.size()) + length + data + "\n";
}

bool HandleGeneric(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply) {
    for (const Parameter& parameter : kParameters) {
        if (plain == parameter.query) {
            reply = Number(state.*parameter.real);
            return true;
        }
        if (StartsWith(plain, parameter.set)) {
            const std::string value(plain.substr(std::char_traits<char>::length(parameter.set)));
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (end == value.c_str()) {
                return false;
            }
            state.*parameter.real = number * parameter.factor;
            return true;
        }
    }
    if (plain == "SWEEP:POINTS?") {
        reply = std::to_string(state.points) + "\n";
        return true;
    }
    if (StartsWith(plain, "SWEEP:POINTS ")) {
        const int points = std::atoi(std::string(plain.substr(13)).c_str());
        if (points < 1 || points > 100001) {
            return false;
        }
        state.points = points;
        return true;
    }
    if (plain == "TRACE? TRACE1" || plain == "TRACE:DATA?") {
        reply = Trace(state);
        return true;
    }
    if (plain == "FORMAT:DATA ASCII") {
        state.ascii = true;
        return true;
    }
    if (plain == "FORMAT:DATA REAL, 32" || plain == "FORMAT:DATA REAL,32") {
        state.ascii = false;
        return true;
    }
    if (plain == "FORMAT:BORDER SWAP" || plain == "FORMAT:BORDER NORM") {
        state.swapped = plain.back() == 'P';
        return true;
    }
    if (plain.empty()) {
        return true; // an empty line is no command
    }
    for (const char* accepted : kAccepted) {
        if (StartsWith(plain, accepted)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool HandleEachPart(std::string_view plain, std::string& reply,
                    const std::function<bool(std::string_view part, std::string& reply)>& part) {
    reply.clear();
    while (true) {
        const size_t end = plain.find(';');
        std::string_view piece = plain.substr(0, end);
        while (!piece.empty() && (piece.front() == ' ' || piece.front() == ':')) {
            piece.remove_prefix(1);
        }
        while (!piece.empty() && piece.back() == ' ') {
            piece.remove_suffix(1);
        }
        std::string pieceReply;
        if (!piece.empty() && !part(piece, pieceReply)) {
            return false;
        }
        reply += pieceReply;
        if (end == std::string_view::npos) {
            return true;
        }
        plain.remove_prefix(end + 1);
    }
}

bool IsCommandSet(std::string_view set) {
    return set == "generic" || set == "xseries" || set == "rs" || set == "fieldfox" || set == "psa" ||
           set == "n9320b" || set == "n9324c" || set == "znd" || set == "rigol" || set == "siglent";
}

bool HandleSetCommand(std::string_view set, SimulatedAnalyzerState& state, std::string_view plain,
                      std::string& reply) {
    reply.clear();
    if (set == "generic") {
        return HandleGeneric(state, plain, reply);
    }
    if (set == "xseries") {
        return HandleXSeriesCommand(state, plain, reply);
    }
    if (set == "rs") {
        return HandleRsCommand(state, plain, reply);
    }
    if (set == "fieldfox") {
        return HandleFieldFoxCommand(state, plain, reply);
    }
    if (set == "psa") {
        return HandlePsaCommand(state, plain, reply);
    }
    if (set == "n9320b" || set == "n9324c") {
        return HandleBsaCommand(state, plain, reply, set == "n9324c");
    }
    if (set == "znd") {
        return HandleZndCommand(state, plain, reply);
    }
    if (set == "rigol") {
        return HandleRigolCommand(state, plain, reply);
    }
    if (set == "siglent") {
        return HandleSiglentCommand(state, plain, reply);
    }
    return false;
}

} // namespace orv::sim
