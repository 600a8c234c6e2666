#include "overlay/import/HPGLConvert.h"

#include "core/QException.h"
#include "overlay/import/ImportReader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <numbers>
#include <optional>

namespace orv {
namespace {

constexpr double kPlotterUnit = 0.25; // output units per plotter unit
constexpr uint32_t kMaxNumbers = 10;
constexpr char kDefaultLabelTerminator = 3; // ETX
// A base-64 number of the encoded polyline with more digits than this is dropped: beyond any drawing.
constexpr int kMaxEncodedDigits = 6;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Ends the import with nothing made.
struct Abandon {};

using Numbers = std::array<std::optional<int32_t>, kMaxNumbers>;

class HpglImport {
public:
    explicit HpglImport(ImportSource& file) : m_reader(file) {}
    DrawList Run();

private:
    struct Axis {
        double scale = kPlotterUnit;
        double offset = 0.0;
        int32_t p1 = 0;
        int32_t p2 = 0;
    };

    bool Statement(char first, char second);
    void PenStatement(char second);
    void InputP1P2();
    void Scale();
    void Circle();
    void Arc(bool relative);
    void EncodedPolyline();
    void IgnoreNumbers();
    void SkipPast(char terminator);
    void Finish();

    // One user coordinate as an output position: relative to the current one or absolute.
    static double Relative(const Axis& axis, int64_t value, double current) {
        return static_cast<double>(value) * axis.scale + current;
    }
    static double Absolute(const Axis& axis, double value) { return (value + axis.offset) * axis.scale; }
    // The coordinate a drawing stores: truncated; a drawing holds 16 bits, so beyond them the import
    // is abandoned instead of wrapping.
    static int32_t Stored(double value);
    static int32_t Rounded(double value) { return Stored(std::floor(value + 0.5)); }
    void AppendPoint(int32_t kind, double x, double y);

    ImportReader m_reader;
    DrawList m_list;
    Axis m_x{kPlotterUnit, 0.0, 522, 15722};
    Axis m_y{kPlotterUnit, 0.0, 259, 10259};
    // Kept unrounded: relative steps smaller than an output unit add up.
    double m_currentX = 0.0;
    double m_currentY = 0.0;
    bool m_penDown = false;
    bool m_relative = false;
    char m_labelTerminator = kDefaultLabelTerminator;
    bool m_drawingSeen = false;
    bool m_sevenBit = false;
    bool m_fraction = false;
    bool m_encodedPenUp = false;
    bool m_encodedAbsolute = false;
};

int32_t HpglImport::Stored(double value) {
    const double truncated = std::trunc(value);
    if (!(truncated >= -32768.0 && truncated <= 32767.0)) { // also NaN
        throw Abandon{};
    }
    return static_cast<int32_t>(truncated);
}

void HpglImport::AppendPoint(int32_t kind, double x, double y) {
    const int32_t storedX = Stored(x);
    const int32_t storedY = Stored(y);
    auto* point = m_list.Append<DrawPoint_t>(kind);
    point->m_x = storedX;
    point->m_y = storedY;
    m_currentX = x;
    m_currentY = y;
}

DrawList HpglImport::Run() {
    try {
        char first = 0;
        char second = 0;
        while (m_reader.ReadChar(first) && m_reader.ReadChar(second)) {
            if (!Statement(first, second)) {
                // Not a mnemonic: step on by one character, so the second may start one.
                m_reader.Unread();
            }
        }
        Finish();
    } catch (const Abandon&) {
        return {};
    } catch (const std::bad_alloc&) {
        throw QOutOfMemoryException("Memory exhausted while importing HPGL file [HPGLConvert].");
    }
    return std::move(m_list);
}

bool HpglImport::Statement(char first, char second) {
    const auto is = [&](const char(&mnemonic)[3]) { return first == mnemonic[0] && second == mnemonic[1]; };
    if (first == 'P' && (second == 'U' || second == 'D' || second == 'A' || second == 'R')) {
        PenStatement(second);
    } else if (is("IP")) {
        InputP1P2();
    } else if (is("SC")) {
        Scale();
    } else if (is("CI")) {
        Circle();
    } else if (is("AA") || is("AR")) {
        Arc(second == 'R');
    } else if (is("PE")) {
        EncodedPolyline();
    } else if (is("SP") || is("IW") || is("AC") || is("WU") || is("RO") || is("NP") || is("QL") || is("PS") ||
               is("LA")) {
        IgnoreNumbers();
    } else if (is("DT")) {
        char terminator = 0;
        if (m_reader.ReadChar(terminator)) {
            m_labelTerminator = terminator;
        }
    } else if (is("LB")) {
        if (m_labelTerminator != 0) {
            SkipPast(m_labelTerminator);
        }
    } else if (is("CO")) {
        SkipPast(';');
    } else if (is("IN") || is("DF") || is("PG") || is("EC") || is("LT") || is("PW")) {
        // Their parameters are stepped over like any other character.
    } else {
        return false;
    }
    return true;
}

void HpglImport::PenStatement(char second) {
    m_drawingSeen = true;
    switch (second) {
    case 'U':
        m_penDown = false;
        break;
    case 'D':
        m_penDown = true;
        break;
    case 'A':
        m_relative = false;
        break;
    default:
        m_relative = true;
        break;
    }
    for (;;) {
        bool ended = false;
        const std::optional<int32_t> x = m_reader.ReadNumber32(&ended);
        if (!x || ended) {
            return; // a lone x is dropped
        }
        const std::optional<int32_t> y = m_reader.ReadNumber32(&ended);
        if (!y) {
            return;
        }
        const double outX = m_relative ? Relative(m_x, *x, m_currentX) : Absolute(m_x, *x);
        const double outY = m_relative ? Relative(m_y, *y, m_currentY) : Absolute(m_y, *y);
        AppendPoint(m_penDown ? draw_kind::kLineTo : draw_kind::kMoveTo, outX, outY);
        if (ended) {
            return;
        }
    }
}

void HpglImport::InputP1P2() {
    Numbers n;
    const uint32_t count = m_reader.ReadNumbers32(n.data(), kMaxNumbers);
    if (count == 0) {
        m_x.p1 = 250;
        m_y.p1 = 596;
        m_x.p2 = 10250;
        m_y.p2 = 7796;
        return;
    }
    // P2 cannot be left out once P1 is given: three numbers abandon as one does.
    if (!n[0] || !n[1] || !n[2] || !n[3]) {
        throw Abandon{};
    }
    const auto place = [](Axis& axis, int64_t p1, int64_t p2) {
        if (p1 < 0) {
            axis.p1 = 0;
            axis.p2 = static_cast<int32_t>(std::min<int64_t>(std::llabs(p1 - p2), INT32_MAX));
        } else {
            axis.p1 = static_cast<int32_t>(p1);
            axis.p2 = static_cast<int32_t>(p2);
        }
    };
    place(m_x, *n[0], *n[2]);
    place(m_y, *n[1], *n[3]);
}

void HpglImport::Scale() {
    Numbers n;
    const uint32_t count = m_reader.ReadNumbers32(n.data(), kMaxNumbers);
    if (count == 0) {
        m_x.scale = m_y.scale = kPlotterUnit;
        m_x.offset = m_y.offset = 0.0;
        return;
    }
    if (!n[0] || !n[1] || !n[2] || !n[3] || *n[0] == *n[1] || *n[2] == *n[3]) {
        throw Abandon{};
    }
    // The user window min..max maps onto P1..P2, whose plotter units are 0.25 output units each.
    const auto window = [](Axis& axis, int64_t minimum, int64_t maximum) {
        axis.scale = kPlotterUnit * static_cast<double>(int64_t{axis.p2} - axis.p1) /
                     static_cast<double>(maximum - minimum);
        axis.offset = kPlotterUnit * axis.p1 / axis.scale - static_cast<double>(minimum);
        if (!std::isfinite(axis.offset) || axis.scale == 0.0) {
            throw Abandon{};
        }
    };
    window(m_x, *n[0], *n[1]);
    window(m_y, *n[2], *n[3]);
}

void HpglImport::Circle() {
    Numbers n;
    m_reader.ReadNumbers32(n.data(), kMaxNumbers);
    if (!n[0]) {
        throw Abandon{};
    }
    const double rx = *n[0] * m_x.scale;
    const double ry = *n[0] * m_y.scale;
    const int32_t left = Stored(m_currentX - rx);
    const int32_t top = Stored(m_currentY - ry);
    const int32_t right = Stored(m_currentX + rx);
    const int32_t bottom = Stored(m_currentY + ry);
    auto* box = m_list.Append<DrawRect_t>(draw_kind::kEllipse);
    box->m_x = left;
    box->m_y = top;
    box->m_x2 = right;
    box->m_y2 = bottom;
}

void HpglImport::Arc(bool relative) {
    Numbers n;
    m_reader.ReadNumbers32(n.data(), kMaxNumbers);
    if (!n[0] || !n[1] || !n[2]) {
        throw Abandon{};
    }
    const int32_t sweep = *n[2];
    if (sweep == 0) {
        return;
    }
    const double cx = relative ? Relative(m_x, *n[0], m_currentX) : Absolute(m_x, *n[0]);
    const double cy = relative ? Relative(m_y, *n[1], m_currentY) : Absolute(m_y, *n[1]);
    const double dx = relative ? std::floor(-*n[0] * m_x.scale + 0.5) : std::floor(m_currentX - cx + 0.5);
    const double dy = relative ? std::floor(-*n[1] * m_y.scale + 0.5) : std::floor(m_currentY - cy + 0.5);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double start = dx == 0.0 && dy == 0.0 ? 0.0 : std::atan2(dy, dx) * kDegreesPerRadian;
    double end = start + sweep;
    if (end < 0.0) {
        end += 360.0;
    }
    const double radians = end / 180.0 * std::numbers::pi;
    const int32_t endX = Rounded(r * std::cos(radians) + cx);
    const int32_t endY = Rounded(r * std::sin(radians) + cy);
    const int32_t left = Rounded(cx - r);
    const int32_t top = Rounded(cy - r);
    const int32_t right = Rounded(cx + r);
    const int32_t bottom = Rounded(cy + r);
    const int32_t currentX = Stored(m_currentX);
    const int32_t currentY = Stored(m_currentY);
    auto* arc = m_list.Append<DrawArc_t>(draw_kind::kArc);
    arc->m_x = left;
    arc->m_y = top;
    arc->m_x2 = right;
    arc->m_y2 = bottom;
    if (sweep > 0) {
        arc->m_startX = endX;
        arc->m_startY = endY;
        arc->m_endX = currentX;
        arc->m_endY = currentY;
    } else {
        arc->m_startX = currentX;
        arc->m_startY = currentY;
        arc->m_endX = endX;
        arc->m_endY = endY;
    }
    AppendPoint(draw_kind::kMoveTo, endX, endY);
}

void HpglImport::EncodedPolyline() {
    m_drawingSeen = true;
    int64_t value = 0;
    int digits = 0;
    bool haveFirst = false;
    double first = 0.0;
    char c = 0;
    while (m_reader.ReadChar(c) && c != ';') {
        const auto byte = static_cast<uint8_t>(c);
        if (byte == ':' || byte == (':' | 0x80)) {
            char pen = 0;
            m_reader.ReadChar(pen); // the pen number is not used
            continue;
        }
        switch (byte) {
        case '<':
            m_encodedPenUp = true;
            continue;
        case '=':
            m_encodedAbsolute = true;
            continue;
        case '>':
            m_fraction = true;
            continue;
        case '7':
            m_sevenBit = true;
            continue;
        default:
            break;
        }
        if (m_sevenBit) {
            continue;
        }
        const bool digit = byte >= 63 && byte <= 126;
        const bool last = byte >= 191 && byte <= 254;
        if (!digit && !last) {
            continue;
        }
        if (digits < kMaxEncodedDigits + 1) {
            value += static_cast<int64_t>(byte - (digit ? 63 : 191)) << (6 * digits);
        }
        ++digits;
        if (digit) {
            continue;
        }
        const int64_t number = value;
        const bool tooLong = digits > kMaxEncodedDigits;
        value = 0;
        digits = 0;
        if (m_fraction || tooLong) {
            continue;
        }
        const double coordinate = (number % 2 != 0 ? -(number - 1) : number) * 0.5;
        if (!haveFirst) {
            first = coordinate;
            haveFirst = true;
            continue;
        }
        const double a = first;
        haveFirst = false;
        const double x = m_encodedAbsolute ? Absolute(m_x, a) : a * m_x.scale + m_currentX;
        const double y = m_encodedAbsolute ? Absolute(m_y, coordinate) : coordinate * m_y.scale + m_currentY;
        m_encodedAbsolute = false;
        AppendPoint(m_encodedPenUp ? draw_kind::kMoveTo : draw_kind::kLineTo, x, y);
        m_encodedPenUp = false;
    }
}

void HpglImport::IgnoreNumbers() {
    Numbers n;
    m_reader.ReadNumbers32(n.data(), kMaxNumbers);
}

void HpglImport::SkipPast(char terminator) {
    char c = 0;
    while (m_reader.ReadChar(c) && c != terminator) {
    }
}

void HpglImport::Finish() {
    if (!m_drawingSeen) {
        throw Abandon{}; // circles and arcs alone are not a drawing
    }
    if (!m_penDown && m_list.Tail() != nullptr && m_list.Tail()->m_kind == draw_kind::kMoveTo) {
        m_list.DropTail();
    }
    if (m_list.Tail() != nullptr && m_list.Tail()->m_kind == 0) {
        m_list.DropTail();
    }
}

} // namespace

DrawList HPGLConvert(ImportSource& file) {
    HpglImport import(file);
    return import.Run();
}

} // namespace orv
