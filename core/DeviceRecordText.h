#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text forms of the device records kept in the maker's device-list keys: comma-separated
// fields, numbers that may carry a frequency unit.
namespace orv {

// Ends every message about a device record that cannot be read: only support can mend the list.
extern const char* const kDeviceRecordSupportSentence;

// Drops every space, then cuts at every ','. Every piece is a field, an empty one between two commas
// too; the piece after the last comma only when it is not empty (so a trailing comma adds none).
std::vector<std::string> SplitDeviceRecordText(std::string_view text);

// A number with an optional unit ("100kHz", "1.5 GHz", "-3"), in MHz. The unit is compared without
// regard to case: none or "mhz", "khz", "hz", "ghz". Throws QParseException for a number part that is
// not a plain decimal number or does not fit a float, and for any other unit.
float ParseFrequencyText(std::string_view text);

// The same reading and the same failures, kept in double precision: the integer fields of a record
// go through it so that they are exact up to 32 bits.
double ParseFrequencyTextAsDouble(std::string_view text);

// The message every failure of a record text ends in: "Error#339: The string "<text>" can not be
// parsed correctly." with the support sentence.
std::string MakeDeviceRecordParseMessage(std::string_view text);

} // namespace orv
