#include "analyzers/AnalyzerSwitches.h"

#include "platform/log/InformationLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

TEST(AnalyzerSwitches, SetByTheApplicationAndLogged) {
    std::vector<std::string> lines;
    const InformationLog::Sink previous = InformationLog::Instance().SetSink(
        [&lines](uint8_t, const std::string& line) { lines.push_back(line); });
    EXPECT_FALSE(IsNoAnalyzerSwitchSet());
    EXPECT_FALSE(IsLogAnalyzerErrorsSwitchSet());
    SetNoAnalyzerSwitch(true);
    SetLogAnalyzerErrorsSwitch(true);
    EXPECT_TRUE(IsNoAnalyzerSwitchSet());
    EXPECT_TRUE(IsLogAnalyzerErrorsSwitchSet());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(
        lines[0].find("--- Spectrum Analyser error reporting enabled via command line switch -LogSAErrors."),
        std::string::npos);
    SetNoAnalyzerSwitch(false);
    SetLogAnalyzerErrorsSwitch(false);
    EXPECT_FALSE(IsNoAnalyzerSwitchSet());
    EXPECT_FALSE(IsLogAnalyzerErrorsSwitchSet());
    EXPECT_EQ(lines.size(), 1u);
    InformationLog::Instance().SetSink(previous);
}

} // namespace
} // namespace orv
