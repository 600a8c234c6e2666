#pragma once

// The command line's switches, each compared with the whole argument and its exact case:
//   "-Console"      the log's lines are echoed on standard output
//   "-LogSAErrors"  analyser drivers query the instrument's error queue
//   "-NoSA"         a connection succeeds without an analyser (the placeholder analyser)
//   "-NoOVP"        \ the engine's fall-back to running without a scanner is cleared
//   "-NoOVPR"       /
// Any other argument is left to the file arguments (a project to open).

#include <string>
#include <vector>

namespace orv {

struct StartupSwitches {
    bool console = false;
    bool logAnalyzerErrors = false;
    bool noAnalyzer = false;
    bool noOverlay = false;
    bool noOverlayRestore = false;
    // The arguments that are not switches, in order (the first names the project to open).
    std::vector<std::string> files;

    // `arguments` without the program's name.
    static StartupSwitches Parse(const std::vector<std::string>& arguments);

    // Clears the process-wide switch flags, then sets those given (and clears the no-scanner
    // fall-back for "-NoOVP" and "-NoOVPR").
    void Apply() const;
};

// Set by "-NoOVP" and by "-NoOVPR"; cleared by Apply when not given.
bool IsNoOverlaySwitchSet();
bool IsNoOverlayRestoreSwitchSet();

} // namespace orv
