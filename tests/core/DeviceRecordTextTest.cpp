#include "core/DeviceRecordText.h"
#include "core/QException.h"
#include "core/QScanHeadInfo.h"
#include "core/QSpectrumAnalyzerInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

struct FrequencyCase {
    const char* text;
    float megahertz;
};

TEST(ParseFrequencyText, ReadsNumbersWithAnyUnitInAnyCase) {
    const FrequencyCase cases[] = {
        {"100", 100.0f},     {"100kHz", 0.1f},   {"100 khz", 0.1f},  {"250MHZ", 250.0f},
        {"2.5GHz", 2500.0f}, {"1ghz", 1000.0f},  {"1Hz", 0.000001f}, {"-5", -5.0f},
        {"-0.5mhz", -0.5f},  {".5", 0.5f},       {"5.", 5.0f},       {"+7", 7.0f},
        {"3,", 3.0f},        {"1 500", 1500.0f}, {"12#4", 124.0f},   {"0", 0.0f},
    };
    for (const FrequencyCase& c : cases) {
        EXPECT_FLOAT_EQ(ParseFrequencyText(c.text), c.megahertz) << c.text;
    }
}

TEST(ParseFrequencyText, RefusesMalformedNumbersWithTheFloatMessage) {
    const struct {
        const char* text;
        const char* numberPart;
    } cases[] = {
        {"", ""},               // an empty field
        {"MHz", ""},            // a unit alone
        {"1.2.3", "1.2.3"},     // two points
        {"1-2", "1-2"},         // a sign inside
        {"5 . 5 . 1", "5.5.1"}, // spaces dropped before the shape is checked
    };
    for (const auto& c : cases) {
        try {
            ParseFrequencyText(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const QParseException& error) {
            EXPECT_EQ(error.m_message.rfind(std::string("The string \"") + c.numberPart +
                                                "\" is not float format in the registry.\n",
                                            0),
                      0u)
                << error.m_message;
        }
    }
}

TEST(ParseFrequencyText, RefusesUnknownUnitsWithTheUnitMessage) {
    for (const char* text : {"100kh", "1e40", "5 dBm", "10MHz_"}) {
        try {
            ParseFrequencyText(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const QParseException& error) {
            EXPECT_EQ(error.m_message.rfind("The unit specifier ", 0), 0u) << error.m_message;
            EXPECT_NE(error.m_message.find(" is invalid.  "), std::string::npos) << error.m_message;
        }
    }
    try {
        ParseFrequencyText("100 KH");
        ADD_FAILURE();
    } catch (const QParseException& error) {
        // The unit is quoted as it was written.
        EXPECT_EQ(error.m_message.rfind("The unit specifier KH is invalid.  ", 0), 0u) << error.m_message;
    }
}

TEST(ParseFrequencyText, RefusesValuesBeyondTheFloatRange) {
    const std::string huge(60, '9');
    EXPECT_THROW(ParseFrequencyText(huge), QParseException);
    // In range as a number, out of range once the unit is applied.
    EXPECT_THROW(ParseFrequencyText("400000000000000000000000000000000000GHz"), QParseException);
    EXPECT_FLOAT_EQ(ParseFrequencyText("400000000000000000000000000000000000Hz"), 4e29f);
    EXPECT_FLOAT_EQ(ParseFrequencyText("300000000000000000000000000000000000GHz"), 3e38f);
}

TEST(SplitDeviceRecordText, DropsSpacesAndOnlyATrailingEmptyPiece) {
    using Fields = std::vector<std::string>;
    EXPECT_EQ(SplitDeviceRecordText("a, b ,c"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(SplitDeviceRecordText("a,b,"), (Fields{"a", "b"}));
    EXPECT_EQ(SplitDeviceRecordText("a,,b"), (Fields{"a", "", "b"}));
    EXPECT_EQ(SplitDeviceRecordText(",a"), (Fields{"", "a"}));
    EXPECT_EQ(SplitDeviceRecordText(""), Fields{});
    EXPECT_EQ(SplitDeviceRecordText("Big Head"), Fields{"BigHead"});
}

std::string ParseMessageFor(const std::string& text) {
    return "Error#339: The string \"" + text + "\" can not be parsed correctly.\n" +
           kDeviceRecordSupportSentence;
}

TEST(QScanHeadInfo, ParsesEightFieldsWithUnits) {
    const QScanHeadInfo head("Near Field 3, 100 kHz, 3GHz, 32, 40, -7, 12, 4000000000", 7);
    EXPECT_EQ(head.m_id, 7);
    EXPECT_EQ(head.m_name, "NearField3");
    EXPECT_FLOAT_EQ(head.GetMinFrequency(), 0.1f);
    EXPECT_FLOAT_EQ(head.GetMaxFrequency(), 3000.0f);
    EXPECT_EQ(head.m_rowCount, 32);
    EXPECT_EQ(head.m_columnCount, 40);
    EXPECT_EQ(head.m_firstValue, -7);
    EXPECT_EQ(head.m_secondValue, 12);
    EXPECT_EQ(head.m_thirdValue, 4000000000u);
    EXPECT_EQ(head.m_spare1, 0u);
    EXPECT_EQ(head.m_spare2, 0u);

    // A trailing comma adds no field; a fraction of an integer field is dropped.
    const QScanHeadInfo trailing("H,10,1500,32.7,40,0,0,100,", 3);
    EXPECT_EQ(trailing.m_rowCount, 32);
    EXPECT_EQ(trailing.m_thirdValue, 100u);
    // The widest values of every integer field are exact.
    const QScanHeadInfo widest("H,1,2,65535,0,-2147483648,2147483647,4294967295", 4);
    EXPECT_EQ(widest.m_rowCount, 65535);
    EXPECT_EQ(widest.m_firstValue, INT32_MIN);
    EXPECT_EQ(widest.m_secondValue, INT32_MAX);
    EXPECT_EQ(widest.m_thirdValue, UINT32_MAX);
}

TEST(QScanHeadInfo, RefusesEveryBadTextWithTheRecordMessage) {
    const char* bad[] = {
        "H,10,1500,32,40,0,0",              // 7 fields
        "H,10,1500,32,40,0,0,100,5",        // 9 fields
        "H,10,,32,40,0,0,100",              // an empty field between two commas
        "H,10,1500Hx,32,40,0,0,100",        // a bad unit
        "H,10,1500,-5,40,0,0,100",          // negative rows
        "H,10,1500,32,70000,0,0,100",       // columns beyond 16 bits
        "H,10,1500,32,40,2147483648,0,100", // beyond 32-bit signed
        "H,10,1500,32,40,0,0,-1",           // negative for an unsigned field
        "H,10,1500,32,40,0,0,4294967296",   // beyond 32-bit unsigned
        "H,1e39,1500,32,40,0,0,100",        // 'e' makes a bad unit
    };
    for (const char* text : bad) {
        try {
            QScanHeadInfo head(text, 1);
            ADD_FAILURE() << "accepted " << text;
        } catch (const QParseException& error) {
            EXPECT_EQ(error.m_message, ParseMessageFor(text));
        }
    }
}

TEST(QSpectrumAnalyzerInfo, ParsesSevenFields) {
    const QSpectrumAnalyzerInfo analyser("FSV 7, 12, 9 kHz, 7 GHz, 1Hz, 10MHz, -3", 21);
    EXPECT_EQ(analyser.m_id, 21);
    EXPECT_EQ(analyser.m_name, "FSV7");
    EXPECT_EQ(analyser.m_code, 12);
    EXPECT_FLOAT_EQ(analyser.m_minFrequency, 0.009f);
    EXPECT_FLOAT_EQ(analyser.m_maxFrequency, 7000.0f);
    EXPECT_FLOAT_EQ(analyser.m_minBandwidth, 0.000001f);
    EXPECT_FLOAT_EQ(analyser.m_maxBandwidth, 10.0f);
    EXPECT_EQ(analyser.m_lastValue, -3);
}

TEST(QSpectrumAnalyzerInfo, RefusesOtherFieldCountsAndBadFields) {
    const char* bad[] = {
        "A,1,9kHz,7GHz,1Hz,10MHz",            // 6 fields
        "A,1,9kHz,7GHz,1Hz,10MHz,0,0",        // 8 fields (a scan-head count)
        "A,1,9kHz,7GHz,1Hz,10MHz,",           // the trailing comma adds no seventh field
        "A,1,9kHz,7GHz,1Hz,10MHz,3000000000", // beyond 32-bit signed
        "A,x,9kHz,7GHz,1Hz,10MHz,0",          // a code without a number
    };
    for (const char* text : bad) {
        try {
            QSpectrumAnalyzerInfo analyser(text, 1);
            ADD_FAILURE() << "accepted " << text;
        } catch (const QParseException& error) {
            EXPECT_EQ(error.m_message, ParseMessageFor(text));
        }
    }
}

} // namespace
} // namespace orv
