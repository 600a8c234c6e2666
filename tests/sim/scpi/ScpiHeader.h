#pragma once

// Program headers as an SCPI instrument reads them. A header is a path of mnemonics separated by ':';
// each mnemonic is taken in its short or its long form without regard to case ("FREQ", "frequency",
// "FREQuency"), a numeric suffix of 1 is the same as none ("MARKer1" is "MARKer"), and the root
// mnemonic SENSe may be left out. The canonical form that command sets compare is the upper-case
// short form of every mnemonic, without a suffix of 1, without a leading ':' and a leading SENS, and
// with the parameters (what follows the header after white space) as given. Mnemonics this simulator
// does not know are kept as they are, in upper case.

#include <string>
#include <string_view>

namespace orv::sim {

// One command (no ';'): its canonical form.
std::string CanonicalCommand(std::string_view command);

// A program message of commands separated by ';': each part canonical, joined again by ';'.
std::string CanonicalProgram(std::string_view program);

// Whether the canonical `part` is the command `form` (written in any of its forms).
bool IsCommand(std::string_view part, std::string_view form);

// Whether the canonical `part` begins with the header `form` followed by a parameter; `argument`
// gets the parameter text.
bool HasArgument(std::string_view part, std::string_view form, std::string_view& argument);

// Whether the canonical `part` begins with `prefix` (written in any form; a trailing blank kept, so that
// "SWEep:TIME " is the header followed by a parameter).
bool StartsWithCommand(std::string_view part, std::string_view prefix);

// The parameters of a canonical part: what follows its header.
std::string_view ArgumentOf(std::string_view part);

} // namespace orv::sim
