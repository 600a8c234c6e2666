#include "analyzers/AnalyzerSwitches.h"

#include "platform/log/InformationLog.h"

#include <atomic>

namespace orv {

namespace {

// 32-bit, non-zero when the switch was given.
std::atomic<int32_t> g_noAnalyzer{0};
std::atomic<int32_t> g_logAnalyzerErrors{0};

} // namespace

void SetNoAnalyzerSwitch(bool given) {
    g_noAnalyzer.store(given ? 1 : 0);
}

bool IsNoAnalyzerSwitchSet() {
    return g_noAnalyzer.load() != 0;
}

void SetLogAnalyzerErrorsSwitch(bool given) {
    g_logAnalyzerErrors.store(given ? 1 : 0);
    if (given) {
        AddInformationMessage(
            1, "Spectrum Analyser error reporting enabled via command line switch -LogSAErrors.");
    }
}

bool IsLogAnalyzerErrorsSwitchSet() {
    return g_logAnalyzerErrors.load() != 0;
}

} // namespace orv
