#include "project/QScanDescription.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QException.h"
#include "core/QManagerImpl.h"
#include "core/QScanHeadInfo.h"
#include "core/QScannerContext.h"
#include "core/QSpectrumAnalyzerInfo.h"
#include "orv/Version.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace orv {
namespace {

class FixedDescriptionSource final : public QScanDescriptionSource {
public:
    std::optional<std::tm> LocalTimeNow() override { return m_time; }
    std::string UserName() override { return m_user; }

    std::optional<std::tm> m_time;
    std::string m_user;
};

std::tm MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

class ScanDescriptionTest : public ::testing::Test {
protected:
    ScanDescriptionTest() {
        m_scanHeads.Insert(std::make_unique<QScanHeadInfo>("EHX head", m_context.GetScannerId(), 1.0F,
                                                           6000.0F, 29, 42, 0, 0, 0));
        m_analyzers.Insert(
            std::make_unique<QSpectrumAnalyzerInfo>("Model 9030", 12, 3, 0.009F, 26500.0F, 0.001F, 8.0F, 0));
        m_source.m_time = MakeLocalTime(2026, 3, 7, 9, 5, 4);
        m_source.m_user = "emc-lab";
    }

    QScanDescription Build(bool realTime = false) {
        return BuildScanDescription(FormatDescriptionDate(m_source), realTime, m_source, m_scanHeads,
                                    m_analyzers, m_instrument, m_context, "Linux x86-64");
    }

    FixedDescriptionSource m_source;
    QScannerContext m_context;
    CInstrumentInfo m_instrument;
    QManagerImpl<QScanHeadInfo> m_scanHeads{-10};
    QManagerImpl<QSpectrumAnalyzerInfo> m_analyzers{-10};
};

TEST_F(ScanDescriptionTest, TextsFollowTheirFormats) {
    m_instrument.SetSelectedAnalyzerID(12);
    m_instrument.SetAnalyzerIdentityText("Maker,N9030B,MY123,A.33");
    const QScanDescription description = Build();

    EXPECT_EQ(description.m_Date, "2026-03-07,  09:05:04");
    EXPECT_EQ(description.m_Scanner, "EHX head,  29 x 42"); // rows before columns
    EXPECT_EQ(description.m_User, "emc-lab");
    EXPECT_EQ(description.m_Analyzer, "Model 9030;   Maker,N9030B,MY123,A.33");
    EXPECT_EQ(description.m_Version, "5.1.2.0  ;   Linux x86-64");
    EXPECT_EQ(description.m_Spare, "");

    // A saved scan stores user, analyser, version, date, scan head, spare.
    std::array<std::string, 6> texts;
    description.PlaceInto(texts);
    EXPECT_EQ(texts, (std::array<std::string, 6>{"emc-lab", description.m_Analyzer, description.m_Version,
                                                 description.m_Date, description.m_Scanner, ""}));
}

TEST_F(ScanDescriptionTest, AnalyzerAndUserFallBack) {
    struct Case {
        int32_t analyzerId;
        bool realTime;
        const char* expected;
    };
    m_instrument.SetAnalyzerIdentityText("ID");
    for (const Case& c :
         {Case{12, false, "Model 9030;   ID"},
          Case{CInstrumentInfo::kNoAnalyzerSelected, false, "Unknown or no supported analyzer."},
          Case{77, false, "Unknown or no supported analyzer."}, Case{12, true, "think RF"},
          Case{77, true, "think RF"}}) {
        m_instrument.SetSelectedAnalyzerID(c.analyzerId);
        EXPECT_EQ(Build(c.realTime).m_Analyzer, c.expected) << c.analyzerId << " " << c.realTime;
    }

    // A catalogue record literally named like the missing-name answer, in another case, counts as missing.
    m_analyzers.Insert(
        std::make_unique<QSpectrumAnalyzerInfo>("noNameForId", 13, 0, 1.0F, 2.0F, 1.0F, 2.0F, 0));
    m_instrument.SetSelectedAnalyzerID(13);
    EXPECT_EQ(Build().m_Analyzer, "Unknown or no supported analyzer.");

    m_source.m_user.clear();
    EXPECT_EQ(Build().m_User, "");
    m_source.m_user.assign(3000, 'u');
    EXPECT_EQ(Build().m_User.size(), kMaxDescriptionUserNameLength);
}

TEST_F(ScanDescriptionTest, UnknownScanHeadAndPaddedVersion) {
    ASSERT_TRUE(m_context.SetScannerId(m_context.GetScannerId() + 1));
    EXPECT_EQ(Build().m_Scanner, "NoNameForID,  29 x 42");

    struct Case {
        std::array<uint16_t, 4> version;
        const char* expected;
    };
    for (const Case& c :
         {Case{{5, 1, 2, 0}, "5.1.2.0  ;   Linux x86-64"}, Case{{5, 1, 2, 17}, "5.1.2.17 ;   Linux x86-64"},
          Case{{10, 0, 3, 123}, "10.0.3.123;   Linux x86-64"},
          Case{{65535, 0, 0, 1234}, "65535.0.0.1234;   Linux x86-64"}}) {
        EXPECT_EQ(FormatVersionText(c.version, "Linux x86-64"), c.expected);
    }
}

TEST_F(ScanDescriptionTest, UnreadableLocalTimeThrowsBeforeAnythingIsMade) {
    m_source.m_time.reset();
    EXPECT_THROW(FormatDescriptionDate(m_source), QException);

    m_source.m_time = MakeLocalTime(1999, 12, 31, 23, 59, 60); // a leap second stays as read
    EXPECT_EQ(FormatDescriptionDate(m_source), "1999-12-31,  23:59:60");
}

TEST(ScanDescriptionSystemTest, ProcessWideTextsUseTheInstalledSourceAndPlatformTag) {
    FixedDescriptionSource source;
    source.m_time = MakeLocalTime(2026, 12, 10, 7, 30, 0);
    source.m_user = "installed";
    const ScopedScanDescriptionSourceInstall install(source);

    const QScanDescription description =
        BuildScanDescription(FormatDescriptionDate(CurrentScanDescriptionSource()), false);
    EXPECT_EQ(description.m_Date, "2026-12-10,  07:30:00");
    EXPECT_EQ(description.m_User, "installed");
    EXPECT_EQ(description.m_Version, std::string("5.1.2.0  ;   ") + version::kPlatformTag);
}

TEST(ScanDescriptionSystemTest, SystemSourceReadsClockAndUser) {
    QSystemScanDescriptionSource system;
    const std::optional<std::tm> now = system.LocalTimeNow();
    ASSERT_TRUE(now.has_value());
    EXPECT_GE(now->tm_year + 1900, 2024);
    // The build user may have no password entry in a container; then the text is empty, never garbage.
    const std::string user = system.UserName();
    EXPECT_LE(user.size(), kMaxDescriptionUserNameLength);
    EXPECT_EQ(user.find('\0'), std::string::npos);
}

} // namespace
} // namespace orv
