#include "analyzers/drivers/scpi/CommandTemplate.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orv {
namespace {

TEST(CommandTemplate, OnlyTheKeysOwnConversionTakesTheArgument) {
    using Result = std::optional<std::string>;
    EXPECT_EQ(ExpandCommandTemplate(":UNIT:POWER %s;", "DBUV"), Result(":UNIT:POWER DBUV;"));
    EXPECT_EQ(ExpandCommandTemplate(":INPUT:Attenuation %d DB;", int32_t{10}),
              Result(":INPUT:Attenuation 10 DB;"));
    EXPECT_EQ(ExpandCommandTemplate(":RLEV %f;", -57.0), Result(":RLEV -57.000000;"));
    EXPECT_EQ(ExpandCommandTemplate(":RLEV %-8.2f;", 3.5), Result(":RLEV 3.50    ;"));
    EXPECT_EQ(ExpandCommandTemplate("LABEL 100%%;"), Result("LABEL 100%;"));
    EXPECT_EQ(ExpandCommandTemplate("100%% %+05d", int32_t{7}), Result("100% +0007"));
    EXPECT_EQ(ExpandCommandTemplate(":DET POS;"), Result(":DET POS;"));
    EXPECT_EQ(ExpandCommandTemplate(":DET POS;", int32_t{1}), Result(":DET POS;")); // argument unused

    // Refused: not sent.
    const char* refusedText[] = {"%s%s", "%n", "%d", "%*d", "%ls", "%", "abc%", "%.*s", "%1234s", "%x", "%p"};
    for (const char* pattern : refusedText) {
        EXPECT_EQ(ExpandCommandTemplate(pattern, "DBUV"), std::nullopt) << pattern;
    }
    EXPECT_EQ(ExpandCommandTemplate(":SYST %s;"), std::nullopt); // a conversion where none is taken
    EXPECT_EQ(ExpandCommandTemplate("%f", int32_t{1}), std::nullopt);
    EXPECT_EQ(ExpandCommandTemplate("%d", 1.0), std::nullopt);
}

TEST(CommandTemplate, CommandsOverTheLimitAreRefused) {
    const std::string limit(127, 'A');
    EXPECT_EQ(ExpandCommandTemplate(limit), std::optional<std::string>(limit));
    EXPECT_EQ(ExpandCommandTemplate(std::string(128, 'A')), std::nullopt);
    EXPECT_EQ(ExpandCommandTemplate(std::string(300, 'A')), std::nullopt);
    EXPECT_EQ(ExpandCommandTemplate(":U %s;", std::string(300, 'x')), std::nullopt);
    EXPECT_EQ(ExpandCommandTemplate(":U %.4s;", std::string(300, 'x')),
              std::optional<std::string>(":U xxxx;"));
    EXPECT_EQ(ExpandCommandTemplate(":R %f;", 1e300), std::nullopt);
    EXPECT_EQ(ExpandCommandTemplate(":A %999d;", int32_t{1}), std::nullopt);
}

} // namespace
} // namespace orv
