#include "core/RangeMessages.h"

#include "platform/CLocale.h"

namespace orv {

std::string FormatValueWithUnit(double value, const std::string& unit) {
    std::string shownUnit = unit;
    // Only while there is a smaller unit to step to: a value in Hz stays a fraction of a Hz.
    while (value < 1.0 && value > 0.0 && (shownUnit == " MHz" || shownUnit == " kHz")) {
        value *= 1000.0;
        shownUnit = shownUnit == " MHz" ? " kHz" : " Hz";
    }
    return FormatC("%f", value) + shownUnit;
}

std::string FormatLabelledFrequency(const std::string& label, double value, const std::string& unit) {
    return label + FormatValueWithUnit(value, unit);
}

std::string FormatRange(const std::string& label, double low, double high, const std::string& unit) {
    return label + FormatValueWithUnit(low, unit) + " - " + FormatValueWithUnit(high, unit);
}

std::string FormatFrequencyRangeMessage(const std::string& heading, double requestedLow, double requestedHigh,
                                        double availableLow, double availableHigh) {
    if (requestedLow >= availableLow && requestedHigh <= availableHigh) {
        return std::string();
    }
    return heading + "\n" + FormatRange("Requested range: ", requestedLow, requestedHigh, " MHz") + "\n" +
           FormatRange("Available range: ", availableLow, availableHigh, " MHz");
}

std::string FormatBandwidthRangeMessage(const std::string& heading, double requested, double availableLow,
                                        double availableHigh) {
    if (requested >= availableLow && requested <= availableHigh) {
        return std::string();
    }
    return heading + "\n" + "Requested bandwidth: " + FormatValueWithUnit(requested, " MHz") + "\n" +
           FormatRange("Available range: ", availableLow, availableHigh, " MHz");
}

} // namespace orv
