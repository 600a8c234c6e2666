#pragma once

// The start-up switches the analyser side reads, process-wide; the application sets them from its
// command line before any connection is made.
//   "-NoSA"        a connection may succeed without an analyser (the placeholder session then binds)
//   "-LogSAErrors" drivers query the instrument's error queue in their status checks

#include <cstdint>

namespace orv {

void SetNoAnalyzerSwitch(bool given);
bool IsNoAnalyzerSwitchSet();

// Turning it on logs "Spectrum Analyser error reporting enabled via command line switch -LogSAErrors.".
void SetLogAnalyzerErrorsSwitch(bool given);
bool IsLogAnalyzerErrorsSwitchSet();

} // namespace orv
