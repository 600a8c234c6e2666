#pragma once

#include <cstdint>
#include <string_view>

// Reading the numeric fields of a device record into fields of fixed width. A number that does not
// fit its field is refused (QParseException) instead of being wrapped or cut to the field's width;
// a fraction is dropped as the record format has always done.
namespace orv {

uint16_t ParseDeviceFieldU16(std::string_view field);
int32_t ParseDeviceFieldI32(std::string_view field);
uint32_t ParseDeviceFieldU32(std::string_view field);

} // namespace orv
