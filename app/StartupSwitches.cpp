#include "app/StartupSwitches.h"

#include "analyzers/AnalyzerSwitches.h"
#include "project/OverlayStartupFlag.h"

#include <atomic>

namespace orv {

namespace {

std::atomic<bool> g_noOverlay{false};
std::atomic<bool> g_noOverlayRestore{false};

} // namespace

StartupSwitches StartupSwitches::Parse(const std::vector<std::string>& arguments) {
    StartupSwitches switches;
    for (const std::string& argument : arguments) {
        if (argument == "-Console") {
            switches.console = true;
        } else if (argument == "-LogSAErrors") {
            switches.logAnalyzerErrors = true;
        } else if (argument == "-NoSA") {
            switches.noAnalyzer = true;
        } else if (argument == "-NoOVP") {
            switches.noOverlay = true;
        } else if (argument == "-NoOVPR") {
            switches.noOverlayRestore = true;
        } else if (!argument.empty() && argument[0] != '-') {
            switches.files.push_back(argument);
        }
    }
    return switches;
}

void StartupSwitches::Apply() const {
    SetLogAnalyzerErrorsSwitch(false);
    SetNoAnalyzerSwitch(false);
    g_noOverlay = false;
    g_noOverlayRestore = false;

    if (logAnalyzerErrors) {
        SetLogAnalyzerErrorsSwitch(true);
    }
    if (noAnalyzer) {
        SetNoAnalyzerSwitch(true);
    }
    if (noOverlay) {
        ClearOverlayStartupFlag();
        g_noOverlay = true;
    }
    if (noOverlayRestore) {
        ClearOverlayStartupFlag();
        g_noOverlayRestore = true;
    }
}

bool IsNoOverlaySwitchSet() {
    return g_noOverlay.load();
}

bool IsNoOverlayRestoreSwitchSet() {
    return g_noOverlayRestore.load();
}

} // namespace orv
