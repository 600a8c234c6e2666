#include "core/QDescription.h"
#include "core/QException.h"
#include "support/FakeOptionNodes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace orv {
namespace {

using fake::ReadBodyBytes;
using fake::WrittenBody;

TEST(Description, EmptyWritesTwentyZeroLengths) {
    const QDescription description;
    const std::vector<uint8_t> body = WrittenBody(description);
    EXPECT_EQ(body, std::vector<uint8_t>(80, 0));
    EXPECT_EQ(description.GetBodySize(), 80U);
    EXPECT_EQ(description.GetTypeID(), 3001);
}

TEST(Description, TextsNineteenAndTwentyAreStoredSwappedAndComeBackInPlace) {
    QDescription description;
    for (int number = 1; number <= 20; ++number) {
        description.SetText(number, "t" + std::to_string(number));
    }
    const std::vector<uint8_t> body = WrittenBody(description);
    // 1..9: 4 + 2 bytes each, 10..20: 4 + 3 bytes each.
    ASSERT_EQ(body.size(), 9U * 6 + 11U * 7);
    EXPECT_EQ(description.GetBodySize(), body.size());
    const std::string tail(body.end() - 14, body.end());
    EXPECT_EQ(tail, std::string("\x03\0\0\0t20\x03\0\0\0t19", 14));

    QDescription read;
    EXPECT_EQ(ReadBodyBytes(read, body), 0U);
    for (int number = 1; number <= 20; ++number) {
        EXPECT_EQ(read.GetText(number), "t" + std::to_string(number));
    }
}

TEST(Description, RecordRoundTripAndFailedReadKeepsTexts) {
    QDescriptionRecord record;
    record.SetDate("2024-05-01");
    record.SetUserText("board A");
    record.SetScanHead("Head,42");
    record.SetAnalyzer("Analyser X");
    record.SetPeakHold(true);
    record.SetText(13, "thirteen");
    record.SetText(20, "twenty");
    QDescription description;
    description.SetTexts(record);
    const QDescriptionRecord back = description.GetTexts();
    for (int number = 1; number <= 20; ++number) {
        EXPECT_EQ(back.GetText(number), record.GetText(number)) << number;
    }
    EXPECT_EQ(back.GetPeakHold(), "On");
    record.SetPeakHold(false);
    EXPECT_EQ(record.GetPeakHold(), "Off");
    // A copy keeps its texts when the record it came from is cleared.
    const QDescriptionRecord copy = record;
    record.Clear();
    EXPECT_TRUE(record.IsEmpty());
    EXPECT_EQ(record.GetText(13), "");
    EXPECT_EQ(copy.GetText(13), "thirteen");
    EXPECT_EQ(copy.GetPeakHold(), "Off");

    // A body cut short: the reader's error, and every text stays as it was.
    std::vector<uint8_t> body = WrittenBody(description);
    body.resize(body.size() - 3);
    QDescription target;
    target.SetText(1, "kept");
    EXPECT_THROW(ReadBodyBytes(target, body), QException);
    EXPECT_EQ(target.GetText(1), "kept");
    EXPECT_EQ(target.GetText(2), "");
}

struct BandwidthCase {
    float mhz;
    const char* text;
};

void ExpectFormats() {
    const std::vector<BandwidthCase> bandwidths{
        {0.0005F, "500.000 Hz"},    {0.000999F, "999.000 Hz"},  {0.001F, "      1.000 KHz"},
        {0.01F, "     10.000 KHz"}, {0.12F, "    120.000 KHz"}, {0.999F, "    999.000 KHz"},
        {2.0F, "   2.000 MHz"},     {1000.0F, "1000.000 MHz"},
    };
    for (const BandwidthCase& c : bandwidths) {
        QDescriptionRecord record;
        record.SetResolutionBandwidth(c.mhz);
        EXPECT_EQ(record.GetResolutionBandwidth(), c.text) << c.mhz;
    }

    QDescriptionRecord record;
    record.SetLevelRange(-20.0F, 80.0F, 1);
    EXPECT_EQ(record.GetLevelRange(), "-20.0 to 80.0 dBuV");
    record.SetLevelRange(-20.0F, 80.0F, 2);
    EXPECT_EQ(record.GetLevelRange(), "-20.0 to 80.0 dBm");
    record.SetLevelRange(-20.0F, 80.0F, 3);
    EXPECT_EQ(record.GetLevelRange(), "-20.0 to 80.0");

    record.SetCenterFrequency(55.0F);
    EXPECT_EQ(record.GetCenterFrequency(), "55.000 MHz");
    record.SetFrequencySpan(1.5F);
    EXPECT_EQ(record.GetFrequencySpan(), "1.500 MHz");
    record.SetReferenceLevel(50.25F);
    EXPECT_EQ(record.GetReferenceLevel(), "50.2 dBuV");
    record.SetValuesPerPoint(7);
    EXPECT_EQ(record.GetValuesPerPoint(), "7");
    record.SetPointsCells(1218);
    EXPECT_EQ(record.GetPointsCells(), "1218 cells");
    record.SetPointsCellsAndPoints(12, 601);
    EXPECT_EQ(record.GetPointsCells(), "12 cells, 601 points");
}

TEST(DescriptionRecord, FormatsInTheCLocale) {
    ExpectFormats();
}

TEST(DescriptionRecord, FormatsTheSameUnderADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    ExpectFormats();
    std::setlocale(LC_ALL, previous.c_str());
}

} // namespace
} // namespace orv
