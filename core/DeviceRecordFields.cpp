#include "core/DeviceRecordFields.h"

#include "core/DeviceRecordText.h"
#include "core/QException.h"

#include <cmath>

namespace orv {

namespace {

double ParseTruncatedInRange(std::string_view field, double low, double high) {
    const double value = std::trunc(ParseFrequencyTextAsDouble(field));
    if (value < low || value > high) {
        throw QParseException("The value \"" + std::string(field) + "\" is out of range for its field.");
    }
    return value;
}

} // namespace

uint16_t ParseDeviceFieldU16(std::string_view field) {
    return static_cast<uint16_t>(ParseTruncatedInRange(field, 0.0, 65535.0));
}

int32_t ParseDeviceFieldI32(std::string_view field) {
    return static_cast<int32_t>(ParseTruncatedInRange(field, -2147483648.0, 2147483647.0));
}

uint32_t ParseDeviceFieldU32(std::string_view field) {
    return static_cast<uint32_t>(ParseTruncatedInRange(field, 0.0, 4294967295.0));
}

void ParseDeviceRecord(std::string_view text, size_t fieldCount,
                       const std::function<void(const std::vector<std::string>&)>& fill) {
    const std::vector<std::string> fields = SplitDeviceRecordText(text);
    if (fields.size() != fieldCount) {
        throw QParseException(MakeDeviceRecordParseMessage(text));
    }
    try {
        fill(fields);
    } catch (const QParseException&) {
        throw QParseException(MakeDeviceRecordParseMessage(text));
    }
}

} // namespace orv
