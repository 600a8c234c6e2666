#include "platform/usb/UsbDeviceEvents.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(UsbDeviceEvents, ProductValuesAndIdsAreReadAsHexadecimalNumbers) {
    using Ids = std::optional<std::pair<uint16_t, uint16_t>>;
    const std::vector<std::pair<std::string, Ids>> products{
        {"4d8/fcbd/100", Ids({0x04D8, 0xFCBD})},
        {"04D8/FCBD/0", Ids({0x04D8, 0xFCBD})},
        {"0/0/0", Ids({0, 0})},
        {"4d8/fcbd", std::nullopt},
        {"4d8//1", std::nullopt},
        {"10000/1/1", std::nullopt},
        {"4d8/xyz/1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [value, expected] : products) {
        EXPECT_EQ(ParseUsbProductValue(value), expected) << value;
    }
    EXPECT_EQ(ParseUsbId("04d8"), 0x04D8);
    EXPECT_EQ(ParseUsbId("FCBD"), 0xFCBD);
    EXPECT_EQ(ParseUsbId(""), std::nullopt);
    EXPECT_EQ(ParseUsbId("4d8 "), std::nullopt);
}

} // namespace
} // namespace orv
