#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading the numeric fields of a device record into fields of fixed width. A number that does not
// fit its field is refused (QParseException) instead of being wrapped or cut to the field's width;
// a fraction is dropped as the record format has always done.
namespace orv {

uint16_t ParseDeviceFieldU16(std::string_view field);
int32_t ParseDeviceFieldI32(std::string_view field);
uint32_t ParseDeviceFieldU32(std::string_view field);

// Splits a record text and hands its fields to `fill`, which reads them all into locals before it
// changes anything, so that a record that fails is never half filled. A field count other than
// `fieldCount`, or a field `fill` cannot read, throws QParseException naming the whole record: the
// user is shown the record, not the one field.
void ParseDeviceRecord(std::string_view text, size_t fieldCount,
                       const std::function<void(const std::vector<std::string>&)>& fill);

} // namespace orv
