#include "overlay/import/GerberConvert.h"

#include "core/QException.h"
#include "overlay/import/GerberRoutines.h"
#include "overlay/import/ImportReader.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

// The format's length limits: longer items are not supported and end the import.
constexpr size_t kMaxStatementChars = 279;
constexpr size_t kMaxNameChars = 50;
constexpr size_t kMaxMacroBodyChars = 2047;
constexpr size_t kMaxScaleChars = 10;
constexpr size_t kMaxStepChars = 19;
constexpr uint32_t kMaxCodeDigits = 9;
constexpr double kInches = 254.0;
constexpr double kMillimetres = 10.0;
// What a file may make: one primitive for every two bytes read, beyond a fixed allowance. A track or
// a flash statement takes well over two bytes; without a bound a few bytes that flash a large macro
// over and over would make memory run out.
constexpr uint64_t kBytesPerPrimitive = 2;
constexpr uint64_t kPrimitiveAllowance = 200000;

// Ends the import with nothing made.
struct Stop {};

struct Aperture {
    int64_t number = 0;
    std::string templateName;
    std::optional<std::string> modifiers;
};

struct Macro {
    std::string name;
    std::string body;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!IsBlank(c)) {
            out.push_back(c);
        }
    }
    return out;
}

double Pow10(int exponent) {
    double value = 1.0;
    for (int i = 0; i < exponent; ++i) {
        value *= 10.0;
    }
    return value;
}

// A value of the drawing: truncated toward zero, and only when it fits the field.
template <typename T> T Field(double value) {
    if (!std::isfinite(value)) {
        throw Stop{};
    }
    const double truncated = std::trunc(value);
    if (truncated < static_cast<double>(std::numeric_limits<T>::min()) ||
        truncated > static_cast<double>(std::numeric_limits<T>::max())) {
        throw Stop{};
    }
    return static_cast<T>(truncated);
}

int32_t Coordinate(double value) {
    return Field<int16_t>(value);
}

uint16_t Rotation(double degrees) {
    if (!std::isfinite(degrees)) {
        throw Stop{};
    }
    double reduced = std::fmod(degrees, 360.0);
    if (reduced < 0.0) {
        reduced += 360.0;
    }
    const auto whole = static_cast<uint16_t>(reduced);
    return whole >= 360 ? 0 : whole;
}

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// p turned by the angle (degrees) about the origin.
Point Turned(Point p, double degrees) {
    if (degrees == 0.0) {
        return p;
    }
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

class GerberImport {
public:
    explicit GerberImport(ImportSource& file) : m_file(file), m_reader(file) {}

    DrawList Run();

private:
    bool Next(char& c) { return m_reader.ReadChar(c); }
    void SkipToStar();
    // The characters up to '*' (consumed, not returned), line ends left out; Stop beyond the limit or
    // at the end of the file.
    std::string StatementText(size_t limit);
    // A parameter block after its '%'.
    void ParameterBlock();
    void Parameter(const std::string& code, const std::string& text);
    void FormatStatement(const std::string& text);
    void ScaleStatement(const std::string& text);
    void ApertureDefinition(const std::string& text);
    void StepAndRepeat(const std::string& text);
    void Include(const std::string& name);
    // An aperture macro after "AM", read through `next`, up to and with the closing '%'.
    template <typename NextChar> void MacroDefinition(NextChar next);
    void GCode();
    void DCode(int64_t number);
    // Reads up to 9 digits after a code letter.
    int64_t CodeNumber();
    // True when the statement ends the file.
    bool MCode();
    void CoordinateStatement();
    void SetUnits(double factor);

    Point Output(int64_t x, int64_t y);
    void CheckBudget();
    template <typename T> T* Append(int32_t kind) {
        CheckBudget();
        return m_list.Append<T>(kind);
    }
    void AppendPoint(int32_t kind, Point at);
    void Flash(Point at);
    void FlashTemplate(const Aperture& aperture, Point at);
    void FlashMacro(const Aperture& aperture, Point at);
    void MacroShape(const std::vector<float>& out, Point at);

    ImportSource& m_file;
    ImportReader m_reader;
    DrawList m_list;
    uint64_t m_made = 0;

    int m_xDigits = 0;
    int m_yDigits = 0;
    int m_xDecimals = 0;
    int m_yDecimals = 0;
    bool m_trailingZeros = false;
    double m_scaleFactorX = 1.0; // SF
    double m_scaleFactorY = 1.0;
    double m_unitFactor = kInches;
    double m_unitScale = 1.0; // the unit factor once units are set
    bool m_unitsSet = false;
    bool m_absolute = true;
    bool m_afterG54 = false;
    bool m_ended = false;
    int64_t m_x = 0;
    int64_t m_y = 0;
    int m_mode = -1;
    int m_drawCode = 0;
    int64_t m_aperture = -1;
    std::vector<Aperture> m_apertures;
    std::vector<Macro> m_macros;
};

void GerberImport::CheckBudget() {
    if (++m_made > m_file.BytesRead() / kBytesPerPrimitive + kPrimitiveAllowance) {
        throw Stop{};
    }
}

void GerberImport::SkipToStar() {
    char c = 0;
    while (Next(c) && c != '*') {
    }
}

std::string GerberImport::StatementText(size_t limit) {
    std::string text;
    char c = 0;
    for (;;) {
        if (!Next(c)) {
            throw Stop{};
        }
        if (c == '*') {
            return text;
        }
        if (c == '\r' || c == '\n') {
            continue;
        }
        if (c == '%') {
            m_reader.Unread(); // a statement without its '*' before the block's end
            return text;
        }
        if (text.size() >= limit) {
            throw Stop{};
        }
        text.push_back(c);
    }
}

DrawList GerberImport::Run() {
    try {
        char c = 0;
        while (Next(c)) {
            if (c == '*' || IsBlank(c)) {
                continue;
            }
            switch (c) {
            case '%':
                ParameterBlock();
                break;
            case 'G':
                GCode();
                break;
            case 'X':
            case 'Y':
            case 'I':
            case 'J':
                m_reader.Unread();
                CoordinateStatement();
                if (m_ended) {
                    return std::move(m_list);
                }
                break;
            case 'D':
                DCode(CodeNumber());
                break;
            case 'M':
                if (MCode()) {
                    return std::move(m_list);
                }
                break;
            default:
                SkipToStar();
                break;
            }
        }
    } catch (const Stop&) {
        return {};
    } catch (const std::bad_alloc&) {
        throw QOutOfMemoryException("Memory exhausted while converting the Gerber file.");
    }
    return std::move(m_list);
}

int64_t GerberImport::CodeNumber() {
    int64_t number = 0;
    uint32_t digits = 0;
    char c = 0;
    while (Next(c)) {
        if (c < '0' || c > '9') {
            m_reader.Unread();
            break;
        }
        if (++digits > kMaxCodeDigits) {
            throw Stop{};
        }
        number = number * 10 + (c - '0');
    }
    return digits == 0 ? -1 : number;
}

void GerberImport::GCode() {
    // One or two digits: "G1X100Y100D01*" keeps its coordinates.
    int number = -1;
    char c = 0;
    for (int i = 0; i < 2 && Next(c); ++i) {
        if (c < '0' || c > '9') {
            m_reader.Unread();
            break;
        }
        number = (number < 0 ? 0 : number * 10) + (c - '0');
    }
    if (number < 0) {
        SkipToStar();
        return;
    }
    m_mode = number;
    switch (number) {
    case 4:
        SkipToStar(); // a comment
        break;
    case 54:
        m_afterG54 = true;
        break;
    case 70:
        SetUnits(kInches);
        break;
    case 71:
        SetUnits(kMillimetres);
        break;
    case 90:
        m_absolute = true;
        break;
    case 91:
        m_absolute = false;
        break;
    default:
        break;
    }
}

// The first of MO, G70 and G71 sets the units; the factor enters the coordinate scale only once.
void GerberImport::SetUnits(double factor) {
    if (m_unitsSet) {
        return;
    }
    m_unitsSet = true;
    m_unitFactor = factor;
    m_unitScale = factor;
}

void GerberImport::DCode(int64_t number) {
    if (number >= 10) {
        m_aperture = number;
    } else if (number >= 1 && number <= 3) {
        m_drawCode = static_cast<int>(number);
    }
}

bool GerberImport::MCode() {
    const int64_t number = CodeNumber();
    if (number == -1 || number == 0 || number == 2) {
        return true;
    }
    SkipToStar();
    return false;
}

void GerberImport::ParameterBlock() {
    char c = 0;
    for (;;) {
        do {
            if (!Next(c)) {
                return;
            }
        } while (IsBlank(c) || c == '*');
        if (c == '%') {
            return;
        }
        char second = 0;
        if (!Next(second)) {
            return;
        }
        const std::string code{c, second};
        if (code == "AM") {
            MacroDefinition([this](char& out) { return m_reader.ReadChar(out); });
            return;
        }
        Parameter(code, StatementText(kMaxStatementChars - 2));
    }
}

void GerberImport::Parameter(const std::string& code, const std::string& text) {
    static const char* const kIgnored[] = {"AS", "MI", "OF", "IJ", "IN", "IO", "IP",
                                           "IR", "PF", "LN", "LP", "KO", "RO", "IC"};
    if (code == "FS") {
        FormatStatement(WithoutBlanks(text));
    } else if (code == "MO") {
        const std::string units = WithoutBlanks(text);
        SetUnits(!units.empty() && units[0] == 'I' ? kInches : kMillimetres);
    } else if (code == "SF") {
        ScaleStatement(WithoutBlanks(text));
    } else if (code == "AD") {
        ApertureDefinition(WithoutBlanks(text));
    } else if (code == "SR") {
        StepAndRepeat(WithoutBlanks(text));
    } else if (code == "IF") {
        Include(text);
    } else {
        for (const char* ignored : kIgnored) {
            if (code == ignored) {
                return;
            }
        }
        ShowPrompt("%" + code + "\n", "Invalid Command in Coverting Gerber Format File 1", PromptButtons::Ok,
                   PromptIcon::Warning);
        throw Stop{};
    }
}

void GerberImport::FormatStatement(const std::string& text) {
    m_trailingZeros = false; // without "T" the file omits leading zeros
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == 'T') {
            m_trailingZeros = true;
        } else if (c == 'I') {
            m_absolute = false;
        } else if ((c == 'X' || c == 'Y') && i + 2 < text.size() &&
                   std::isdigit(static_cast<unsigned char>(text[i + 1])) != 0 &&
                   std::isdigit(static_cast<unsigned char>(text[i + 2])) != 0) {
            const int integer = text[i + 1] - '0';
            const int decimals = text[i + 2] - '0';
            (c == 'X' ? m_xDigits : m_yDigits) = integer + decimals;
            (c == 'X' ? m_xDecimals : m_yDecimals) += decimals;
            i += 2;
        }
    }
}

void GerberImport::ScaleStatement(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const char axis = text[i++];
        size_t end = i;
        while (end < text.size() && text[end] != 'A' && text[end] != 'B') {
            ++end;
        }
        if (end - i > kMaxScaleChars) {
            throw Stop{};
        }
        size_t used = 0;
        const double value = StrToDoubleC(std::string_view(text).substr(i, end - i), &used);
        if (axis == 'A') {
            m_scaleFactorX *= value;
        } else if (axis == 'B') {
            m_scaleFactorY *= value;
        }
        i = end;
    }
}

void GerberImport::ApertureDefinition(const std::string& text) {
    if (text.empty() || text[0] != 'D') {
        return;
    }
    size_t i = 1;
    int64_t number = 0;
    uint32_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (++digits > kMaxCodeDigits) {
            throw Stop{};
        }
        number = number * 10 + (text[i] - '0');
    }
    if (digits == 0) {
        return;
    }
    const size_t comma = text.find(',', i);
    Aperture aperture;
    aperture.number = number;
    aperture.templateName = text.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
    if (aperture.templateName.size() > kMaxNameChars) {
        throw Stop{};
    }
    if (comma != std::string::npos) {
        aperture.modifiers = text.substr(comma + 1);
    }
    m_apertures.push_back(std::move(aperture));
}

void GerberImport::StepAndRepeat(const std::string& text) {
    auto* repeat = Append<DrawRepeat_t>(draw_kind::kRepeat);
    repeat->m_xRepeat = 1;
    repeat->m_yRepeat = 1;
    size_t i = 0;
    while (i < text.size()) {
        const char letter = text[i++];
        size_t end = i;
        while (end < text.size() && !(text[end] >= 'A' && text[end] <= 'Z')) {
            ++end;
        }
        const std::string_view value = std::string_view(text).substr(i, end - i);
        if (value.size() > kMaxStepChars) {
            throw Stop{};
        }
        size_t used = 0;
        const double number = StrToDoubleC(value, &used);
        switch (letter) {
        case 'X':
            repeat->m_xRepeat = Field<uint16_t>(number);
            break;
        case 'Y':
            repeat->m_yRepeat = Field<uint16_t>(number);
            break;
        case 'I':
            repeat->m_xStep = Field<int16_t>(number * m_unitFactor);
            break;
        case 'J':
            repeat->m_yStep = Field<int16_t>(number * m_unitFactor);
            break;
        default:
            break;
        }
        i = end;
    }
}

template <typename NextChar> void GerberImport::MacroDefinition(NextChar next) {
    Macro macro;
    char c = 0;
    for (;;) {
        if (!next(c)) {
            throw Stop{};
        }
        if (c == '*') {
            break;
        }
        if (IsBlank(c)) {
            continue;
        }
        if (macro.name.size() >= kMaxNameChars) {
            throw Stop{};
        }
        macro.name.push_back(c);
    }
    for (;;) {
        if (!next(c)) {
            throw Stop{};
        }
        if (c == '%') {
            break;
        }
        if (IsBlank(c)) {
            continue; // zero bytes come as blanks
        }
        if (macro.body.size() >= kMaxMacroBodyChars) {
            throw Stop{};
        }
        macro.body.push_back(c);
    }
    m_macros.push_back(std::move(macro));
}

void GerberImport::Include(const std::string& name) {
    std::filesystem::path path(name);
    if (path.is_relative() && !m_file.Folder().empty()) {
        path = std::filesystem::path(m_file.Folder()) / path;
    }
    std::unique_ptr<ImportFileSource> included = ImportFileSource::Open(path.string());
    if (!included) {
        ShowPrompt("Can't open the file: " + name, "Error in Opening File", PromptButtons::Ok,
                   PromptIcon::Warning);
        throw Stop{};
    }
    // Only aperture macros and comments; an include may not include again.
    ImportReader reader(*included);
    auto next = [&reader](char& out) { return reader.ReadCharToLastPercent(out); };
    char c = 0;
    while (next(c)) {
        if (IsBlank(c) || c == '*') {
            continue;
        }
        char second = 0;
        if (c == '%') {
            do {
                if (!next(second)) {
                    throw Stop{};
                }
            } while (IsBlank(second));
            char third = 0;
            if (second != 'A' || !next(third) || third != 'M') {
                throw Stop{};
            }
            MacroDefinition(next);
        } else if (c == 'G' && next(second) && second == '0' && next(second) && second == '4') {
            while (next(c) && c != '*') {
            }
        } else {
            throw Stop{};
        }
    }
}

Point GerberImport::Output(int64_t x, int64_t y) {
    return {static_cast<double>(x) * m_unitScale * m_scaleFactorX / Pow10(m_xDecimals),
            static_cast<double>(y) * m_unitScale * m_scaleFactorY / Pow10(m_yDecimals)};
}

void GerberImport::AppendPoint(int32_t kind, Point at) {
    const int32_t x = Coordinate(at.x);
    const int32_t y = Coordinate(at.y);
    auto* point = Append<DrawPoint_t>(kind);
    point->m_x = x;
    point->m_y = y;
}

void GerberImport::CoordinateStatement() {
    int64_t values[4] = {0, 0, 0, 0}; // X, Y, I, J
    bool given[4] = {false, false, false, false};
    char c = 0;
    while (Next(c) && c != '*') {
        int slot = -1;
        switch (c) {
        case 'X':
            slot = 0;
            break;
        case 'Y':
            slot = 1;
            break;
        case 'I':
            slot = 2;
            break;
        case 'J':
            slot = 3;
            break;
        case 'D':
            DCode(CodeNumber());
            continue;
        case 'M': { // "D02M02*": the end code inside the statement
            const int64_t code = CodeNumber();
            m_ended = m_ended || code == -1 || code == 0 || code == 2;
            continue;
        }
        case '%':
            m_reader.Unread();
            goto done; // a coordinate statement without its '*'
        default:
            continue;
        }
        bool negative = false;
        if (Next(c) && (c == '-' || c == '+')) {
            negative = c == '-';
        } else {
            m_reader.Unread();
        }
        int64_t number = 0;
        uint32_t digits = 0;
        while (Next(c)) {
            if (c < '0' || c > '9') {
                m_reader.Unread();
                break;
            }
            if (++digits > kMaxCodeDigits) {
                throw Stop{};
            }
            number = number * 10 + (c - '0');
        }
        const int axisDigits = slot == 0 || slot == 2 ? m_xDigits : m_yDigits;
        if (m_trailingZeros) {
            for (int pad = static_cast<int>(digits); pad < axisDigits; ++pad) {
                if (number > std::numeric_limits<int64_t>::max() / 10) {
                    throw Stop{};
                }
                number *= 10;
            }
        }
        values[slot] = negative ? -number : number;
        given[slot] = true;
    }
done:
    if (!m_unitsSet) {
        SetUnits(kInches); // no unit statement by the first coordinate: inches, as for apertures
    }
    const bool arcOffsets = given[2] || given[3];
    bool absolute = m_absolute;
    if (m_afterG54 && !absolute && !arcOffsets) {
        absolute = true;
        m_absolute = true;
        m_afterG54 = false;
    }
    const int64_t x = given[0] ? (absolute ? values[0] : m_x + values[0]) : m_x;
    const int64_t y = given[1] ? (absolute ? values[1] : m_y + values[1]) : m_y;
    const Point at = Output(x, y);
    if (!arcOffsets) {
        if (m_drawCode == 1) {
            AppendPoint(draw_kind::kLineTo, at);
        } else if (m_drawCode == 2) {
            AppendPoint(draw_kind::kMoveTo, at);
        } else if (m_drawCode == 3) {
            AppendPoint(draw_kind::kMoveTo, at);
            Flash(at);
        }
    } else {
        if ((m_mode == 2 || m_mode == 3) && m_drawCode == 1) {
            const int64_t cx = m_x + values[2];
            const int64_t cy = m_y + values[3];
            if (const std::optional<ArcRadii> radii = FitArcRadii(m_x, m_y, x, y, cx, cy)) {
                const Point low = Output(cx - radii->rx, cy + radii->ry);
                const Point high = Output(cx + radii->rx, cy - radii->ry);
                const Point from = Output(m_x, m_y);
                const Point start = m_mode == 2 ? from : at;
                const Point end = m_mode == 2 ? at : from;
                const int32_t boxX = Coordinate(low.x);
                const int32_t boxY = Coordinate(low.y);
                const int32_t boxX2 = Coordinate(high.x);
                const int32_t boxY2 = Coordinate(high.y);
                auto* arc = Append<DrawArc_t>(draw_kind::kArc);
                arc->m_x = boxX;
                arc->m_y = boxY;
                arc->m_x2 = boxX2;
                arc->m_y2 = boxY2;
                arc->m_startX = Coordinate(start.x);
                arc->m_startY = Coordinate(start.y);
                arc->m_endX = Coordinate(end.x);
                arc->m_endY = Coordinate(end.y);
            }
        }
        AppendPoint(draw_kind::kMoveTo, at);
    }
    m_x = x;
    m_y = y;
}

void GerberImport::Flash(Point at) {
    if (m_aperture < 0) {
        return; // no aperture selected
    }
    for (const Aperture& aperture : m_apertures) {
        if (aperture.number != m_aperture) {
            continue;
        }
        if (aperture.templateName.size() == 1) {
            FlashTemplate(aperture, at);
        } else if (aperture.templateName.size() > 1) {
            FlashMacro(aperture, at);
        }
        return;
    }
}

void GerberImport::FlashTemplate(const Aperture& aperture, Point at) {
    const std::vector<double> m = ParseApertureModifiers(aperture.modifiers.value_or(""), m_unitFactor);
    const size_t n = m.size();
    const int32_t x = Coordinate(at.x);
    const int32_t y = Coordinate(at.y);
    switch (aperture.templateName[0]) {
    case 'C': {
        if (n < 1 || n > 3) {
            return;
        }
        const auto diameter = Field<uint16_t>(m[0]);
        const uint16_t holeX = n >= 2 ? Field<uint16_t>(m[1]) : 0;
        const uint16_t holeY = n == 3 ? Field<uint16_t>(m[2]) : 0;
        auto* circle = Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
        circle->m_x = x;
        circle->m_y = y;
        circle->m_paramCount = static_cast<uint16_t>(n);
        circle->m_diameter = diameter;
        circle->m_holeX = holeX;
        circle->m_holeY = holeY;
        break;
    }
    case 'R':
    case 'O': {
        if (n < 2 || n > 4) {
            return;
        }
        const auto width = Field<uint16_t>(m[0]);
        const auto height = Field<uint16_t>(m[1]);
        const uint16_t holeX = n >= 3 ? Field<uint16_t>(m[2]) : 0;
        const uint16_t holeY = n == 4 ? Field<uint16_t>(m[3]) : 0;
        if (aperture.templateName[0] == 'R') {
            auto* rectangle = Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
            rectangle->m_x = x;
            rectangle->m_y = y;
            rectangle->m_flag = true;
            rectangle->m_paramCount = static_cast<uint16_t>(n);
            rectangle->m_width = width;
            rectangle->m_height = height;
            rectangle->m_holeX = holeX;
            rectangle->m_holeY = holeY;
        } else {
            auto* oval = Append<DrawSolidOval_t>(draw_kind::kSolidOval);
            oval->m_x = x;
            oval->m_y = y;
            oval->m_paramCount = static_cast<uint16_t>(n);
            oval->m_width = width;
            oval->m_height = height;
            oval->m_holeX = holeX;
            oval->m_holeY = holeY;
        }
        break;
    }
    case 'P': {
        if (n < 2 || n > 5) {
            return;
        }
        const auto size = Field<uint16_t>(m[0]);
        const auto vertices = Field<uint16_t>(m[1] / m_unitFactor);
        const uint16_t rotation = n >= 3 ? Rotation(m[2] / m_unitFactor) : 0;
        const uint16_t holeX = n >= 4 ? Field<uint16_t>(m[3]) : 0;
        const uint16_t holeY = n == 5 ? Field<uint16_t>(m[4]) : 0;
        auto* polygon = Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
        polygon->m_x = x;
        polygon->m_y = y;
        polygon->m_flag = true;
        polygon->m_filled = true;
        polygon->m_paramCount = static_cast<uint16_t>(n);
        polygon->m_size = size;
        polygon->m_vertexCount = vertices;
        polygon->m_rotation = rotation;
        polygon->m_holeX = holeX;
        polygon->m_holeY = holeY;
        break;
    }
    default:
        break;
    }
}

void GerberImport::FlashMacro(const Aperture& aperture, Point at) {
    const Macro* macro = nullptr;
    for (const Macro& candidate : m_macros) {
        if (candidate.name == aperture.templateName) {
            macro = &candidate;
            break;
        }
    }
    if (macro == nullptr) {
        return;
    }
    MacroVariables variables;
    std::optional<std::string_view> modifiers;
    if (aperture.modifiers) {
        modifiers = *aperture.modifiers;
    }
    bool first = true;
    std::string_view body = macro->body;
    while (!body.empty()) {
        const size_t star = body.find('*');
        const std::string_view text = body.substr(0, star);
        const MacroPrimitive primitive = ParseMacroPrimitive(text, modifiers, first, variables);
        first = false;
        if (primitive.kind == MacroPrimitive::Kind::Shape) {
            MacroShape(primitive.out, at);
        }
        if (star == std::string_view::npos) {
            break;
        }
        body = body.substr(star + 1);
    }
}

// Offsets and sizes of macro primitives are in the file's units: scaled by the unit factor and turned
// by the primitive's rotation about the flash point.
void GerberImport::MacroShape(const std::vector<float>& out, Point at) {
    const auto code = static_cast<int>(out[0]);
    const size_t count = out.size() - 1;
    auto p = [&out](size_t i) { return static_cast<double>(out[i + 1]); };
    auto optional = [&](size_t i) { return i < count ? p(i) : 0.0; };
    const double uf = m_unitFactor;
    auto placed = [&](double ox, double oy, double rotation) {
        const Point offset = Turned({ox * uf, oy * uf}, rotation);
        return Point{at.x + offset.x, at.y + offset.y};
    };
    switch (code) {
    case 11: { // circle: diameter, centre x, centre y[, rotation]
        if (count < 3) {
            return;
        }
        const Point centre = placed(p(1), p(2), optional(3));
        const double half = p(0) * uf / 2.0;
        const int32_t x = Coordinate(centre.x - half);
        const int32_t y = Coordinate(centre.y + half);
        const int32_t x2 = Coordinate(centre.x + half);
        const int32_t y2 = Coordinate(centre.y - half);
        auto* ellipse = Append<DrawRect_t>(draw_kind::kEllipse);
        ellipse->m_x = x;
        ellipse->m_y = y;
        ellipse->m_x2 = x2;
        ellipse->m_y2 = y2;
        break;
    }
    case 21:
    case 201:
    case 211:
    case 221: {
        double width = 0.0;
        double height = 0.0;
        double rotation = 0.0;
        Point centre;
        if (code == 21 || code == 201) { // vector line: width, start, end, rotation
            if (count < 5) {
                return;
            }
            const double dx = p(3) - p(1);
            const double dy = p(4) - p(2);
            rotation = optional(5);
            centre = placed((p(1) + p(3)) / 2.0, (p(2) + p(4)) / 2.0, rotation);
            width = std::hypot(dx, dy) * uf;
            height = p(0) * uf;
            rotation += (dx == 0.0 && dy == 0.0) ? 0.0 : std::atan2(dy, dx) * 180.0 / std::numbers::pi;
        } else { // centre line or lower-left line: width, height, point, rotation
            if (count < 4) {
                return;
            }
            width = p(0) * uf;
            height = p(1) * uf;
            rotation = optional(4);
            const double ox = code == 211 ? p(2) : p(2) + p(0) / 2.0;
            const double oy = code == 211 ? p(3) : p(3) + p(1) / 2.0;
            centre = placed(ox, oy, rotation);
        }
        const int32_t x = Coordinate(centre.x);
        const int32_t y = Coordinate(centre.y);
        const auto w = Field<uint16_t>(width);
        const auto h = Field<uint16_t>(height);
        auto* rectangle = Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
        rectangle->m_x = x;
        rectangle->m_y = y;
        rectangle->m_flag = true;
        rectangle->m_paramCount = 2;
        rectangle->m_width = w;
        rectangle->m_height = h;
        rectangle->m_rotation = Rotation(rotation);
        break;
    }
    case 41: { // outline: point count n, n + 1 points, rotation
        if (count < 1 || !std::isfinite(p(0)) || p(0) < 1.0) {
            return;
        }
        const double points = std::trunc(p(0)) + 1.0;
        if (1.0 + 2.0 * points > static_cast<double>(count)) {
            return;
        }
        const auto n = static_cast<size_t>(points);
        const double rotation = optional(1 + 2 * n);
        for (size_t i = 0; i < n; ++i) {
            AppendPoint(i == 0 ? draw_kind::kMoveTo : draw_kind::kLineTo,
                        placed(p(1 + 2 * i), p(2 + 2 * i), rotation));
        }
        break;
    }
    case 51: { // polygon: vertex count, centre x, centre y, diameter, rotation
        if (count < 4 || !std::isfinite(p(0)) || p(0) < 3.0) {
            return;
        }
        const auto vertices = Field<uint16_t>(p(0));
        const double rotation = optional(4);
        const Point centre = placed(p(1), p(2), rotation);
        double size = p(3) * uf;
        if (vertices > 4) {
            const int k = (vertices - 1) / 2;
            size = size * std::sin(std::numbers::pi / vertices) / std::sin(k * std::numbers::pi / vertices);
        }
        const int32_t x = Coordinate(centre.x);
        const int32_t y = Coordinate(centre.y);
        const auto s = Field<uint16_t>(size);
        auto* polygon = Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
        polygon->m_x = x;
        polygon->m_y = y;
        polygon->m_flag = true;
        polygon->m_filled = false;
        polygon->m_paramCount = 3;
        polygon->m_size = s;
        polygon->m_vertexCount = vertices;
        polygon->m_rotation = Rotation(rotation);
        break;
    }
    case 6: { // moire: centre, outer diameter, ring thickness, gap, rings, cross-hair thickness, length,
              // rotation
        if (count < 8) {
            return;
        }
        const double rotation = optional(8);
        const Point centre = placed(p(0), p(1), rotation);
        const int32_t x = Coordinate(centre.x);
        const int32_t y = Coordinate(centre.y);
        const auto outer = Field<uint16_t>(p(2) * uf);
        const auto thickness = Field<uint16_t>(p(3) * uf);
        const auto gap = Field<uint16_t>(p(4) * uf);
        const auto rings = Field<uint16_t>(p(5));
        const auto crossThickness = Field<uint16_t>(p(6) * uf);
        const auto crossLength = Field<uint16_t>(p(7) * uf);
        auto* moire = Append<DrawMoire_t>(draw_kind::kMoire);
        moire->m_x = x;
        moire->m_y = y;
        moire->m_outerDiameter = outer;
        moire->m_ringThickness = thickness;
        moire->m_ringGap = gap;
        moire->m_maxRings = rings;
        moire->m_crossHairThickness = crossThickness;
        moire->m_crossHairLength = crossLength;
        moire->m_rotation = Rotation(rotation);
        break;
    }
    case 7: { // thermal: centre, outer diameter, inner diameter, gap, rotation
        if (count < 5) {
            return;
        }
        const double rotation = optional(5);
        const Point centre = placed(p(0), p(1), rotation);
        const int32_t x = Coordinate(centre.x);
        const int32_t y = Coordinate(centre.y);
        const auto outer = Field<uint16_t>(p(2) * uf);
        const auto inner = Field<uint16_t>(p(3) * uf);
        const auto gap = Field<uint16_t>(p(4) * uf);
        auto* thermal = Append<DrawThermal_t>(draw_kind::kThermal);
        thermal->m_x = x;
        thermal->m_y = y;
        thermal->m_outerDiameter = outer;
        thermal->m_innerDiameter = inner;
        thermal->m_gapThickness = gap;
        thermal->m_rotation = Rotation(rotation);
        break;
    }
    default:
        break; // exposure off, primitive 3 and anything else make nothing
    }
}

} // namespace

DrawList GerberConvert(ImportSource& file) {
    return GerberImport(file).Run();
}

} // namespace orv
