#pragma once

// Texts the scan workflow shows when the analyser cannot cover a requested range or bandwidth.

#include <string>

namespace orv {

// Steps a value below 1 down to a smaller frequency unit (" MHz" to " kHz" to " Hz", multiplying by
// 1000 each time) and formats it with "%f" followed by the unit. Other units are never stepped.
std::string FormatValueWithUnit(double value, const std::string& unit);

std::string FormatLabelledFrequency(const std::string& label, double value, const std::string& unit);

std::string FormatRange(const std::string& label, double low, double high, const std::string& unit);

// Empty when the requested range lies within the available one; otherwise the heading and the two
// ranges in MHz on their own lines.
std::string FormatFrequencyRangeMessage(const std::string& heading, double requestedLow, double requestedHigh,
                                        double availableLow, double availableHigh);

// Empty when the requested bandwidth lies within the available range.
std::string FormatBandwidthRangeMessage(const std::string& heading, double requested, double availableLow,
                                        double availableHigh);

} // namespace orv
