#include "platform/CLocale.h"

#include <clocale>
#include <gtest/gtest.h>

namespace orv {
namespace {

// Switches the process to a decimal-comma locale for the test when the machine has one.
class DecimalCommaLocale {
public:
    DecimalCommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                m_active = true;
                return;
            }
        }
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;
    bool Active() const { return m_active; }

private:
    bool m_active = false;
};

TEST(CLocale, FormatsAndParsesWithAPointUnderADecimalCommaLocale) {
    DecimalCommaLocale locale;
    if (!locale.Active()) {
        GTEST_SKIP() << "no decimal-comma locale on this machine (generate de_DE.UTF-8)";
    }
    char native[32];
    std::snprintf(native, sizeof native, "%.1f", 1.5);
    ASSERT_STREQ(native, "1,5") << "the locale switch did not take effect";

    EXPECT_EQ(FormatC("%.3f MHz", 1234.5), "1234.500 MHz");
    EXPECT_EQ(FormatC("%g", 0.25), "0.25");
    EXPECT_EQ(ParseDoubleC("2.5"), 2.5);
    EXPECT_EQ(ParseDoubleC("2,5"), std::nullopt);
    size_t used = 0;
    EXPECT_DOUBLE_EQ(StrToDoubleC("3.75MHz", &used), 3.75);
    EXPECT_EQ(used, 4U);
}

TEST(CLocale, ParseTable) {
    EXPECT_EQ(ParseInt32C("42"), 42);
    EXPECT_EQ(ParseInt32C("+7"), 7);
    EXPECT_EQ(ParseInt32C("-5"), -5);
    EXPECT_EQ(ParseInt32C("2147483648"), std::nullopt);
    EXPECT_EQ(ParseInt32C("12a"), std::nullopt);
    EXPECT_EQ(ParseInt32C(""), std::nullopt);
    EXPECT_EQ(ParseInt64C("3000000000"), 3000000000LL);
    EXPECT_EQ(ParseFloatC("1e39"), std::nullopt);
    EXPECT_EQ(ParseFloatC("0.5"), 0.5F);
    size_t used = 99;
    EXPECT_EQ(StrToDoubleC("abc", &used), 0.0);
    EXPECT_EQ(used, 0U);
}

TEST(CLocale, LongFormatsAreNotCut) {
    const std::string long_text(1000, 'x');
    EXPECT_EQ(FormatC("%s-%d", long_text.c_str(), 5), long_text + "-5");
}

} // namespace
} // namespace orv
