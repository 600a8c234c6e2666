#include "platform/usb/LibusbTransport.h"
#include "platform/usb/UsbTransport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr uint16_t kBoardVendor = 0x04D8;
constexpr uint16_t kBoardProduct = 0xFCBD;

// Touches only the system's device list: with no board attached nothing is opened. Machines with a
// board skip, so that no test ever talks to real hardware.
TEST(LibusbTransportTest, FindsNoBoardWhereNoneIsAttached) {
    LibusbTransport& transport = LibusbTransport::Instance();
    if (transport.CountDevices(kBoardVendor, kBoardProduct) > 0) {
        GTEST_SKIP() << "a scanner board is attached; not touching real hardware";
    }
    const UsbOpenResult result = transport.Open(kBoardVendor, kBoardProduct, 0);
    EXPECT_EQ(result.status, UsbOpenStatus::NotFound);
    EXPECT_EQ(result.device, nullptr);
}

class NoDevices final : public UsbTransport {
public:
    int CountDevices(uint16_t /*vendorId*/, uint16_t /*productId*/) override { return 7; }
    UsbOpenResult Open(uint16_t /*vendorId*/, uint16_t /*productId*/, int /*index*/) override { return {}; }
};

TEST(LibusbTransportTest, AnInstalledTransportStandsInForLibusbWhileItLives) {
    EXPECT_EQ(&CurrentUsbTransport(), &LibusbTransport::Instance());
    NoDevices fake;
    {
        const ScopedUsbTransportInstall install(fake);
        EXPECT_EQ(&CurrentUsbTransport(), &fake);
    }
    EXPECT_EQ(&CurrentUsbTransport(), &LibusbTransport::Instance());
}

} // namespace
} // namespace orv
