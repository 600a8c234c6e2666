#include "tests/sim/scpi/ScpiHeader.h"

#include <cctype>
#include <map>
#include <vector>

namespace orv::sim {

namespace {

// The mnemonics the simulated command sets use, in SCPI's notation: the upper-case letters are the
// short form, the whole word the long form.
constexpr const char* kMnemonics[] = {
    "ACQuisition", "ALL",         "ASCii",     "ATTenuation", "AUTO",       "BANDwidth", "BORDer",
    "CALCulate",   "CALibration", "CENTer",    "CLEar",       "CONDition",  "CONFigure", "CONTinuous",
    "CONTrol",     "COUNt",       "COUPling",  "DATA",        "DELay",      "DETector",  "DIAGnostic",
    "DISPlay",     "ENABle",      "EGATe",     "ERRor",       "EXECute",    "EXTernal",  "FCOunt",
    "FEED",        "FLOor",       "FORMat",    "FREQuency",   "FUNCtion",   "GAIN",      "HOLDoff",
    "IMMediate",   "INITiate",    "INPut",     "INSTrument",  "ISOurce",    "LENGth",    "LEVel",
    "MARKer",      "MAXimum",     "METHod",    "MODE",        "NEXT",       "NOISe",     "NORMal",
    "OPERation",   "OUTPut",      "PARameter", "PEAK",        "POINts",     "POLarity",  "PORTs",
    "POSition",    "POWer",       "PRESet",    "REAL",        "RESolution", "RLEVel",    "SANalyzer",
    "SCALe",       "SDEFine",     "SELect",    "SENSe",       "SEQuence",   "SERVice",   "SIMulation",
    "SOURce",      "SPAN",        "STARt",     "STATe",       "STATus",     "STOP",      "SWAPped",
    "SWEep",       "SYSTem",      "TIME",      "TRACe",       "TRIGger",    "TYPE",      "UNIT",
    "UPDate",      "VIDeo",       "WINDow",    "CORRection",
};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

// Both spellings of every known mnemonic, upper case, to its short form.
const std::map<std::string, std::string>& ShortForms() {
    static const std::map<std::string, std::string> forms = [] {
        std::map<std::string, std::string> made;
        for (const char* mnemonic : kMnemonics) {
            std::string shortForm;
            for (const char* c = mnemonic; *c != '\0' && std::isupper(static_cast<unsigned char>(*c)) != 0;
                 ++c) {
                shortForm += *c;
            }
            made[Upper(mnemonic)] = shortForm;
            made[shortForm] = shortForm;
        }
        return made;
    }();
    return forms;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

std::string CanonicalMnemonic(std::string_view node) {
    std::string upper = Upper(node);
    // A numeric suffix; 1 is the default.
    size_t digits = upper.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(upper[digits - 1])) != 0) {
        --digits;
    }
    std::string suffix = upper.substr(digits);
    upper.resize(digits);
    if (suffix == "1") {
        suffix.clear();
    }
    const auto found = ShortForms().find(upper);
    return (found != ShortForms().end() ? found->second : upper) + suffix;
}

std::string CanonicalHeader(std::string_view header) {
    if (!header.empty() && header.front() == '*') {
        return Upper(header); // a common command
    }
    if (!header.empty() && header.front() == ':') {
        header.remove_prefix(1);
    }
    const bool query = !header.empty() && header.back() == '?';
    if (query) {
        header.remove_suffix(1);
    }
    std::vector<std::string> nodes;
    while (true) {
        const size_t end = header.find(':');
        nodes.push_back(CanonicalMnemonic(header.substr(0, end)));
        if (end == std::string_view::npos) {
            break;
        }
        header.remove_prefix(end + 1);
    }
    // The root SENSe is optional.
    if (nodes.size() > 1 && nodes.front() == "SENS") {
        nodes.erase(nodes.begin());
    }
    std::string canonical;
    for (const std::string& node : nodes) {
        canonical += (canonical.empty() ? "" : ":") + node;
    }
    return query ? canonical + "?" : canonical;
}

} // namespace

std::string CanonicalCommand(std::string_view command) {
    command = Trim(command);
    size_t headerEnd = 0;
    while (headerEnd < command.size() && std::isspace(static_cast<unsigned char>(command[headerEnd])) == 0) {
        ++headerEnd;
    }
    const std::string header = CanonicalHeader(command.substr(0, headerEnd));
    const std::string_view parameters = Trim(command.substr(headerEnd));
    return parameters.empty() ? header : header + " " + std::string(parameters);
}

std::string CanonicalProgram(std::string_view program) {
    std::string canonical;
    while (true) {
        const size_t end = program.find(';');
        const std::string_view part = Trim(program.substr(0, end));
        if (!part.empty()) {
            canonical += (canonical.empty() ? "" : ";") + CanonicalCommand(part);
        }
        if (end == std::string_view::npos) {
            return canonical;
        }
        program.remove_prefix(end + 1);
    }
}

bool IsCommand(std::string_view part, std::string_view form) {
    return part == CanonicalCommand(form);
}

bool HasArgument(std::string_view part, std::string_view form, std::string_view& argument) {
    const std::string header = CanonicalCommand(form);
    if (part.size() <= header.size() || part.substr(0, header.size()) != header ||
        part[header.size()] != ' ') {
        return false;
    }
    argument = Trim(part.substr(header.size() + 1));
    return true;
}

bool StartsWithCommand(std::string_view part, std::string_view prefix) {
    std::string canonical = CanonicalCommand(prefix);
    if (!prefix.empty() && prefix.back() == ' ') {
        canonical += ' ';
    }
    return part.substr(0, canonical.size()) == canonical;
}

std::string_view ArgumentOf(std::string_view part) {
    const size_t blank = part.find(' ');
    return blank == std::string_view::npos ? std::string_view() : Trim(part.substr(blank + 1));
}

} // namespace orv::sim
