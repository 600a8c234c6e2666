#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include "tests/sim/scpi/ScpiHeader.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv::sim {

namespace {

// One settable parameter: its set and query forms and its unit (values without a suffix are in it).
struct Parameter {
    const char* set;
    const char* query;
    double SimulatedAnalyzerState::*real;
    ValueUnit unit;
};

constexpr Parameter kParameters[] = {
    {"FREQuency:CENTer ", "FREQuency:CENTer?", &SimulatedAnalyzerState::centerHz, ValueUnit::Hertz},
    {"FREQuency:SPAN ", "FREQuency:SPAN?", &SimulatedAnalyzerState::spanHz, ValueUnit::Hertz},
    {"BANDwidth:VIDeo ", "BANDwidth:VIDeo?", &SimulatedAnalyzerState::vbwHz, ValueUnit::Hertz},
    {"BANDwidth:RESolution ", "BANDwidth:RESolution?", &SimulatedAnalyzerState::rbwHz, ValueUnit::Hertz},
    {"BANDwidth ", "BANDwidth?", &SimulatedAnalyzerState::rbwHz, ValueUnit::Hertz},
    {"SWEep:TIME ", "SWEep:TIME?", &SimulatedAnalyzerState::sweepSeconds, ValueUnit::Seconds},
};

// Accepted without effect.
constexpr const char* kAccepted[] = {
    "*CLS",       "*WAI", "SYSTEM:PRESET", "CAL:AUTO",       "SYST:DISP",       "INITIATE:CONTINUOUS", "INIT",
    "UNIT:POWER", "INP:", "DET ",          "TRIGGER:SOURCE", "SWEEP:TIME:AUTO", "CALCULATE:MARKER"};

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

bool HandleGeneric(SimulatedAnalyzerState& state, std::string_view part, std::string& reply) {
    for (const Parameter& parameter : kParameters) {
        if (IsCommand(part, parameter.query)) {
            reply = Number(state.*parameter.real);
            return true;
        }
        if (StartsWithCommand(part, parameter.set)) {
            const std::optional<double> value = ParseValue(state, ArgumentOf(part), parameter.unit);
            if (value) {
                state.*parameter.real = *value;
            }
            return value.has_value();
        }
    }
    if (IsCommand(part, "SWEEP:POINTS?")) {
        reply = std::to_string(state.points) + "\n";
        return true;
    }
    if (StartsWithCommand(part, "SWEEP:POINTS ")) {
        const std::optional<double> points = ParseValue(state, ArgumentOf(part), ValueUnit::None);
        if (!points || *points < 1 || *points > 100001) {
            if (points) {
                state.pendingError = -222; // data out of range
            }
            return false;
        }
        state.points = static_cast<int>(*points);
        return true;
    }
    if (IsCommand(part, "TRACE? TRACE1") || IsCommand(part, "TRACE:DATA?") ||
        IsCommand(part, "TRACE:DATA? TRACE1")) {
        reply = Trace(state);
        return true;
    }
    if (IsCommand(part, "FORMAT:DATA ASCII") || IsCommand(part, "FORMAT:DATA ASC")) {
        state.ascii = true;
        return true;
    }
    if (IsCommand(part, "FORMAT:DATA REAL, 32") || IsCommand(part, "FORMAT:DATA REAL,32")) {
        state.ascii = false;
        return true;
    }
    std::string_view order;
    if (HasArgument(part, "FORMat:BORDer", order)) {
        if (order == "SWAP" || order == "SWAPPED" || order == "NORM" || order == "NORMAL") {
            state.swapped = order.front() == 'S';
            return true;
        }
        state.pendingError = -224; // an illegal parameter value
        return false;
    }
    if (part.empty()) {
        return true; // an empty line is no command
    }
    for (const char* accepted : kAccepted) {
        if (StartsWithCommand(part, accepted)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool HandleEachPart(SimulatedAnalyzerState& state, std::string_view plain, std::string& reply,
                    const std::function<bool(std::string_view part, std::string& reply)>& part) {
    reply.clear();
    std::string joined;
    while (true) {
        const size_t end = plain.find(';');
        const std::string piece = CanonicalCommand(plain.substr(0, end));
        std::string pieceReply;
        if (piece == "*RST") {
            // The preset's data format: ASCII, in the maker's byte order.
            state.ascii = true;
            state.swapped = state.defaultSwapped;
            part(piece, pieceReply);
        } else if (!piece.empty() && !part(piece, pieceReply)) {
            return false;
        }
        // The answers to the queries of one message go back as one message, joined by ';'.
        if (!pieceReply.empty()) {
            if (pieceReply.back() == '\n') {
                pieceReply.pop_back();
            }
            joined += (joined.empty() ? "" : ";") + pieceReply;
        }
        if (end == std::string_view::npos) {
            break;
        }
        plain.remove_prefix(end + 1);
    }
    if (!joined.empty()) {
        reply = joined + "\n";
    }
    return true;
}

std::optional<double> ParseValue(SimulatedAnalyzerState& state, std::string_view text, ValueUnit unit) {
    const std::string value(text);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || !std::isfinite(number)) {
        state.pendingError = -104; // data type error
        return std::nullopt;
    }
    std::string suffix(end);
    suffix.erase(0, suffix.find_first_not_of(" \t"));
    suffix.erase(suffix.find_last_not_of(" \t") + 1);
    for (char& c : suffix) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (suffix.empty()) {
        return number;
    }
    struct Suffix {
        ValueUnit unit;
        const char* text;
        double factor;
    };
    static constexpr Suffix kSuffixes[] = {
        {ValueUnit::Hertz, "HZ", 1.0},      {ValueUnit::Hertz, "KHZ", 1.0e3},
        {ValueUnit::Hertz, "MHZ", 1.0e6},   {ValueUnit::Hertz, "GHZ", 1.0e9},
        {ValueUnit::Seconds, "S", 1.0},     {ValueUnit::Seconds, "MS", 1.0e-3},
        {ValueUnit::Seconds, "US", 1.0e-6}, {ValueUnit::Seconds, "NS", 1.0e-9},
        {ValueUnit::Decibels, "DB", 1.0},
    };
    for (const Suffix& known : kSuffixes) {
        if (known.unit == unit && suffix == known.text) {
            return number * known.factor;
        }
    }
    state.pendingError = -131; // invalid suffix
    return std::nullopt;
}

bool IsCommandSet(std::string_view set) {
    return set == "generic" || set == "xseries" || set == "rs" || set == "fieldfox" || set == "psa" ||
           set == "n9320b" || set == "n9324c" || set == "znd" || set == "rigol" || set == "siglent";
}

bool HandleSetCommand(std::string_view set, SimulatedAnalyzerState& state, std::string_view plain,
                      std::string& reply) {
    reply.clear();
    if (set == "generic") {
        return HandleEachPart(state, plain, reply, [&state](std::string_view part, std::string& out) {
            return HandleGeneric(state, part, out);
        });
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
