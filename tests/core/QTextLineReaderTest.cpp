#include "core/QTextLineReader.h"
#include "tests/core/support/CorrectionFixtures.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace orv {
namespace {

using Result = QTextLineReader::Result;

std::vector<std::pair<Result, std::string>> ReadAll(const std::string& bytes) {
    const testing::ApplicationFolderFixture folder;
    folder.WriteFile("t.txt", bytes);
    QTextLineReader reader;
    EXPECT_TRUE(reader.Open((folder.Path() / "t.txt").string()));
    std::vector<std::pair<Result, std::string>> lines;
    std::string line;
    for (;;) {
        const Result result = reader.ReadTextLine(line);
        lines.emplace_back(result, line);
        if (result != Result::kLine) {
            return lines;
        }
    }
}

TEST(TextLineReader, LineEndsAndLimits) {
    const std::string max(198, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::pair<Result, std::string>> expected;
    };
    const std::vector<Case> cases = {
        {"empty file", "", {{Result::kEndOfFile, ""}}},
        {"LF lines",
         "a b\n\nc\n",
         {{Result::kLine, "a b"}, {Result::kLine, ""}, {Result::kLine, "c"}, {Result::kEndOfFile, ""}}},
        {"CRLF lines", "a\r\nb\r\n", {{Result::kLine, "a"}, {Result::kLine, "b"}, {Result::kEndOfFile, ""}}},
        {"198 characters", max + "\n", {{Result::kLine, max}, {Result::kEndOfFile, ""}}},
        {"198 characters and CRLF", max + "\r\n", {{Result::kLine, max}, {Result::kEndOfFile, ""}}},
        {"199 characters", max + "y\n", {{Result::kLineTooLong, ""}}},
        {"no final line feed", "a\nb", {{Result::kLine, "a"}, {Result::kNoFinalLineFeed, "b"}}},
    };
    for (const Case& c : cases) {
        const auto lines = ReadAll(c.bytes);
        ASSERT_EQ(lines.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].first, c.expected[i].first) << c.what << " line " << i;
            if (c.expected[i].first != Result::kLineTooLong) {
                EXPECT_EQ(lines[i].second, c.expected[i].second) << c.what << " line " << i;
            }
        }
    }
}

TEST(TextLineReader, LinesLongerThanTheReadBufferAreRefused) {
    const auto lines = ReadAll("ok\n" + std::string(100000, 'z') + "\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].first, Result::kLineTooLong);
}

TEST(TextLineReader, TokensSplitAtEverySeparator) {
    std::vector<std::string_view> tokens;
    ASSERT_TRUE(SplitTokens(std::string_view("a\tb,,c  d\re\0f", 13), tokens));
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"a", "b", "c", "d", "e", "f"}));
    ASSERT_TRUE(SplitTokens(" ,\t", tokens));
    EXPECT_TRUE(tokens.empty());
    ASSERT_TRUE(SplitTokens(std::string(49, 't') + ",x", tokens));
    EXPECT_EQ(tokens.size(), 2u);
    EXPECT_FALSE(SplitTokens("x," + std::string(50, 't'), tokens));
}

TEST(TextLineReader, TokenLineReportsATooLongToken) {
    const testing::ApplicationFolderFixture folder;
    folder.WriteFile("t.txt", "1,2\n" + std::string(50, '9') + "\n");
    QTextLineReader reader;
    ASSERT_TRUE(reader.Open((folder.Path() / "t.txt").string()));
    std::vector<std::string_view> tokens;
    EXPECT_EQ(reader.ReadTokenLine(tokens), Result::kLine);
    EXPECT_EQ(tokens.size(), 2u);
    EXPECT_EQ(reader.ReadTokenLine(tokens), Result::kTokenTooLong);
    EXPECT_FALSE(QTextLineReader().Open((folder.Path() / "missing.txt").string()));
}

TEST(TextLineReader, NumbersReadAsTheCLibraryReadsThem) {
    const std::pair<const char*, int32_t> ints[] = {
        {"12", 12},
        {"12abc", 12},
        {"abc", 0},
        {" -7", -7},
        {"+3", 3},
        {"", 0},
        {"99999999999", std::numeric_limits<int32_t>::max()},
        {"-99999999999", std::numeric_limits<int32_t>::min()},
    };
    for (const auto& [text, value] : ints) {
        EXPECT_EQ(LeadingInt32(text), value) << text;
    }
    const std::pair<const char*, float> floats[] = {
        {"2.5", 2.5f}, {"2.5x", 2.5f}, {"-1e3", -1000.0f}, {"abc", 0.0f}, {"", 0.0f},
    };
    for (const auto& [text, value] : floats) {
        ASSERT_TRUE(LeadingFloat(text).has_value()) << text;
        EXPECT_EQ(*LeadingFloat(text), value) << text;
    }
    for (const char* text : {"1e39", "-1e39", "inf", "nan"}) {
        EXPECT_FALSE(LeadingFloat(text).has_value()) << text;
    }
}

} // namespace
} // namespace orv
