#include "platform/log/InformationLog.h"

#include "platform/CLocale.h"
#include "platform/fs/AppPaths.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

namespace orv {
namespace {

using std::chrono::milliseconds;
using test::PlatTestFolder;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

const std::regex kStamped(R"(\d{4}-\d{2}-\d{2}  \d{2}:\d{2}:\d{2}  (\d{3}|xxxxxx)\(ms\) --- (.*))");

// A log with a clock the test moves by hand.
class ManualClockLog {
public:
    ManualClockLog() {
        m_log.SetClocks([this] { return m_now; }, [] { return std::chrono::system_clock::time_point{}; });
        m_log.SetSink([this](uint8_t kind, const std::string& line) { m_lines.emplace_back(kind, line); });
    }
    void Advance(milliseconds step) { m_now += step; }
    InformationLog& Log() { return m_log; }
    const std::vector<std::pair<uint8_t, std::string>>& Lines() const { return m_lines; }

private:
    std::chrono::steady_clock::time_point m_now{std::chrono::hours(1)};
    InformationLog m_log;
    std::vector<std::pair<uint8_t, std::string>> m_lines;
};

TEST(InformationLog, LineFormat) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    EXPECT_EQ(InformationLog::FormatLine(local, 42, "text"), "2024-03-07  09:05:03  042(ms) --- text");
    EXPECT_EQ(InformationLog::FormatLine(local, 999, "100%"), "2024-03-07  09:05:03  999(ms) --- 100%");
    EXPECT_EQ(InformationLog::FormatLine(local, 1000, "late"), "2024-03-07  09:05:03  xxxxxx(ms) --- late");
}

TEST(InformationLog, IntervalsBetweenLines) {
    ManualClockLog clock;
    InformationLog& log = clock.Log();
    log.AddMessage(1, "first");
    clock.Advance(milliseconds(999));
    log.AddMessage(0, "second");
    clock.Advance(milliseconds(1500));
    log.AddMessage(0, "third");
    clock.Advance(milliseconds(700));
    log.AddMessage(0, ""); // restarts the interval without a stamp
    clock.Advance(milliseconds(5));
    log.AddMessage(0, "fourth");
    log.RestartInterval();
    clock.Advance(milliseconds(50));
    log.AddMessage(0, "after clearing");

    std::vector<std::string> intervals;
    for (const auto& [kind, line] : clock.Lines()) {
        std::smatch match;
        if (line.empty()) {
            intervals.emplace_back("empty");
        } else if (std::regex_match(line, match, kStamped)) {
            intervals.push_back(match[1].str() + " " + match[2].str());
        } else {
            ADD_FAILURE() << "not a log line: " << line;
        }
    }
    EXPECT_EQ(intervals, (std::vector<std::string>{"000 first", "999 second", "xxxxxx third", "empty",
                                                   "005 fourth", "000 after clearing"}));
    EXPECT_EQ(clock.Lines()[0].first, 1);
}

TEST(InformationLog, TheFirstLineAfterOpeningTheFileShowsZero) {
    PlatTestFolder folder;
    ManualClockLog clock;
    InformationLog& log = clock.Log();
    log.AddMessage(0, "before the file");
    clock.Advance(milliseconds(300));
    ASSERT_TRUE(log.OpenFile(folder.File("data")));
    clock.Advance(milliseconds(40));
    log.AddMessage(0, "first in the file");
    clock.Advance(milliseconds(25));
    log.AddMessage(0, "second");
    std::vector<std::string> stamps;
    for (const auto& [kind, line] : clock.Lines()) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, kStamped)) << line;
        stamps.push_back(match[1].str());
    }
    ASSERT_EQ(stamps.size(), 4U);
    EXPECT_EQ(stamps[2], "000");
    EXPECT_EQ(stamps[3], "025");
    const std::vector<std::string> inFile = Lines(PlatTestFolder::ReadText(folder.File("data/log.txt")));
    ASSERT_EQ(inFile.size(), 2U);
    EXPECT_TRUE(inFile[0].find("  000(ms) --- first in the file") != std::string::npos) << inFile[0];
}

TEST(InformationLog, RunsRotateLogIntoLogOld) {
    PlatTestFolder folder;
    const std::string data = folder.File("QZV Technologies/Orvilant");
    for (const char* run : {"run one", "run two", "run three"}) {
        InformationLog log;
        std::vector<std::string> seen;
        log.SetSink([&seen](uint8_t, const std::string& line) { seen.push_back(line); });
        ASSERT_TRUE(log.OpenFile(data));
        EXPECT_EQ(log.GetFilePath(), data + "/log.txt");
        log.AddMessage(0, run);
        ASSERT_EQ(seen.size(), 2U);
        EXPECT_TRUE(seen[0].ends_with(" --- Saving log to location: " + data + "/log.txt")) << seen[0];
    }
    const std::vector<std::string> current = Lines(PlatTestFolder::ReadText(data + "/log.txt"));
    const std::vector<std::string> old = Lines(PlatTestFolder::ReadText(data + "/log_old.txt"));
    ASSERT_EQ(current.size(), 1U) << "the location line is not in the file";
    ASSERT_EQ(old.size(), 1U);
    EXPECT_TRUE(current[0].ends_with(" --- run three"));
    EXPECT_TRUE(old[0].ends_with(" --- run two"));
}

TEST(InformationLog, AFileThatCannotBeMadeIsReportedAndTheLogGoesOn) {
    PlatTestFolder folder;
    PlatTestFolder::WriteText(folder.File("file"), "x");
    InformationLog log;
    std::vector<std::string> seen;
    log.SetSink([&seen](uint8_t, const std::string& line) { seen.push_back(line); });
    EXPECT_FALSE(log.OpenFile(folder.File("file")));
    log.AddMessage(0, "still shown");
    ASSERT_EQ(seen.size(), 3U);
    EXPECT_TRUE(seen[1].ends_with(" --- Could not open log file. Error code: 20")) << seen[1];
    EXPECT_TRUE(seen[2].ends_with(" --- still shown"));
    EXPECT_EQ(log.GetFilePath(), "");
}

TEST(InformationLog, ConsoleEchoWritesEveryLineToStandardOutput) {
    InformationLog log;
    log.SetConsoleEcho(true);
    testing::internal::CaptureStdout();
    log.AddMessage(0, "echoed");
    log.AddMessage(0, "");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(out, std::regex(R"(.* --- echoed\n\n)"))) << out;
}

TEST(InformationLog, LinesFromManyThreadsAreWholeAndNothingIsWrittenOnceClosing) {
    PlatTestFolder folder;
    InformationLog& log = InformationLog::Instance();
    log.SetClosing(false);
    SetUserDataFolderOverride(folder.Path());
    ASSERT_TRUE(log.OpenFileInUserDataFolder());
    SetUserDataFolderOverride(folder.File("gone"));
    constexpr int kThreads = 8;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                AddInformationMessage(static_cast<uint8_t>(t % 2),
                                      "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                                          std::string(static_cast<size_t>(i % 50), '#'));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    log.SetClosing(true);
    AddInformationMessage(0, "while closing");
    log.SetClosing(false);
    log.CloseFile();

    const std::vector<std::string> lines = Lines(PlatTestFolder::ReadText(folder.File("log.txt")));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    std::map<int, int> nextLine;
    const std::regex body(R"(thread (\d+) line (\d+) (#*))");
    for (const std::string& line : lines) {
        std::smatch stamped;
        ASSERT_TRUE(std::regex_match(line, stamped, kStamped)) << line;
        const std::string text = stamped[2].str();
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(text, parts, body)) << line;
        const int thread = ParseInt32C(parts[1].str()).value_or(-1);
        const int index = ParseInt32C(parts[2].str()).value_or(-1);
        EXPECT_EQ(index, nextLine[thread]++) << "lines of one thread keep their order";
        EXPECT_EQ(parts[3].length(), index % 50);
    }
}

} // namespace
} // namespace orv
