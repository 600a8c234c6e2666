// The Signal Hound and Tektronix connections over the fake device libraries, loaded by file name as
// the program loads the makers' libraries.

#include "analyzers/CBB60Connection.h"
#include "analyzers/CTekRSAConnection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "platform/vendor/DeviceLibraryConfiguration.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"
#include "tests/sim/devicelib/FakeBbApi.h"
#include "tests/sim/devicelib/FakeRsaApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using sim::FakeBbApi;
using sim::FakeRsaApi;

long Count(const std::vector<std::string>& names, const std::string& name) {
    return std::count(names.begin(), names.end(), name);
}

class DeviceLibraryConnectionTest : public ::testing::Test {
protected:
    DeviceLibraryConnectionTest() {
        FakeBbApi::Reset();
        FakeRsaApi::Reset();
        CBB60Connection::ResetRunWarnings();
        CTekRSAConnection::ResetRunWarnings();
    }

    AnalyzerEnvironmentValue m_bbNames{"ORV_BB_API_LIBRARIES", "libmissing_bb_api.so;" ORV_FAKE_BB_API_PATH};
    AnalyzerEnvironmentValue m_rsaNames{"ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PATH};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    AnalyzerLogLines m_log;
};

TEST_F(DeviceLibraryConnectionTest, TheLibraryListsComeFromTheEnvironment) {
    EXPECT_EQ(vendor::GetBbApiLibraryNames(),
              (std::vector<std::string>{"libmissing_bb_api.so", ORV_FAKE_BB_API_PATH}));
    const AnalyzerEnvironmentValue none("ORV_RSA_API_LIBRARIES", "");
    EXPECT_TRUE(vendor::GetRsaApiLibraryNames().empty());
}

struct Bb60Case {
    const char* name;
    std::vector<int32_t> serials;
    std::optional<int32_t> reportedCount;
    std::vector<int32_t> openStatuses;
    bool connects;
    int32_t serialInUse;
    long opens;
    long failedOpenLines;
};

TEST_F(DeviceLibraryConnectionTest, Bb60SearchAndOpenTable) {
    const std::vector<Bb60Case> cases{
        {"no device", {}, {}, {}, false, -1, 0, 0},
        {"-1 then success", {11, 22}, {}, {-1, 0}, true, 22, 2, 1},
        // Any error leaves no valid handle, not only -1.
        {"-5 then success", {11, 22}, {}, {-5, 0}, true, 22, 2, 1},
        {"every device fails", {11, 22}, {}, {-1, -9}, false, -1, 2, 2},
        {"a warning opens", {0}, {}, {3}, true, 0, 1, 0},
        // The library writes eight serials whatever count it reports.
        {"count 9 reported", {1, 2, 3, 4, 5, 6, 7, 8}, 9, {-1, -1, -1, -1, -1, -1, -1, -1}, false, -1, 8, 8},
        {"negative count", {1}, -3, {}, false, -1, 0, 0},
    };
    for (const Bb60Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBbApi::Reset();
        FakeBbApi::SetSerials(c.serials, c.reportedCount);
        FakeBbApi::Script().Script("bbOpenDeviceBySerialNumber", c.openStatuses);
        const size_t linesBefore = m_log.Texts().size();
        {
            CBB60Connection connection;
            ASSERT_TRUE(connection.IsLibraryLoaded());
            EXPECT_EQ(connection.DetectAndConnect(), c.connects);
            EXPECT_EQ(connection.GetSerialInUse(), c.serialInUse);
            EXPECT_EQ(connection.IsOpen(), c.connects);
            const std::vector<std::string> names = FakeBbApi::Script().Names();
            EXPECT_EQ(Count(names, "bbOpenDeviceBySerialNumber"), c.opens);
            const std::vector<std::string> lines = m_log.Texts();
            EXPECT_EQ(std::count(lines.begin() + static_cast<long>(linesBefore), lines.end(),
                                 "Failed to open BB60 device."),
                      c.failedOpenLines);
            EXPECT_FALSE(connection.CheckStatus());
        }
        // Closed on destruction, only when it was opened, with its own handle.
        const std::vector<sim::FakeCall> calls = FakeBbApi::Script().Calls();
        const auto close = std::find_if(calls.begin(), calls.end(), [](const sim::FakeCall& call) {
            return call.name == "bbCloseDevice";
        });
        EXPECT_EQ(close != calls.end(), c.connects);
        if (close != calls.end()) {
            EXPECT_EQ(close->arguments, (std::vector<double>{100.0 + c.serialInUse % 100}));
        }
    }
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(DeviceLibraryConnectionTest, Bb60IdentityNamesTheModelLetterAndSerial) {
    FakeBbApi::SetSerials({0, 1234});
    FakeBbApi::Script().Script("bbOpenDeviceBySerialNumber", {-1, 0});
    CBB60Connection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    EXPECT_EQ(connection.QueryIdentity(), "SignalHound,BB60C,1234,0");

    FakeBbApi::Reset();
    FakeBbApi::SetSerials({0});
    CBB60Connection zero;
    ASSERT_TRUE(zero.DetectAndConnect());
    EXPECT_EQ(zero.QueryIdentity(), "SignalHound,BB60A,0,0");
}

TEST_F(DeviceLibraryConnectionTest, AnUncalibratedBb60WarnsOncePerRun) {
    FakeBbApi::SetSerials({77});
    FakeBbApi::Script().Script("bbOpenDeviceBySerialNumber", {6, 6});
    for (int run = 0; run < 2; ++run) {
        CBB60Connection connection;
        EXPECT_TRUE(connection.DetectAndConnect());
        EXPECT_EQ(connection.GetSerialInUse(), 77);
    }
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{CBB60Connection::kUncalibratedWarning}));
    const std::vector<std::string> lines = m_log.Texts();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "BB60 device is uncalibrated! Contact SignalHound."), 2);
}

TEST_F(DeviceLibraryConnectionTest, AMissingOrIncompleteLibraryIsNotUsed) {
    FakeBbApi::SetSerials({5});
    FakeRsaApi::SetDevices({{1, "B0001", "RSA306"}});
    for (const char* names : {"libmissing_bb_api.so", ORV_FAKE_BB_API_PARTIAL_PATH, ""}) {
        SCOPED_TRACE(names);
        const AnalyzerEnvironmentValue bb("ORV_BB_API_LIBRARIES", names);
        CBB60Connection connection;
        EXPECT_FALSE(connection.IsLibraryLoaded());
        EXPECT_FALSE(connection.DetectAndConnect());
    }
    for (const char* names : {"libmissing_rsa_api.so", ORV_FAKE_RSA_API_PARTIAL_PATH}) {
        SCOPED_TRACE(names);
        const AnalyzerEnvironmentValue rsa("ORV_RSA_API_LIBRARIES", names);
        CTekRSAConnection connection;
        EXPECT_FALSE(connection.IsLibraryLoaded());
        EXPECT_FALSE(connection.DetectAndConnect());
    }
    // The fake linked here was never called: nothing of a library that is not used runs.
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
    EXPECT_TRUE(FakeRsaApi::Script().Calls().empty());
    EXPECT_TRUE(m_prompt->Texts().empty());
    EXPECT_TRUE(m_log.Texts().empty());
}

TEST_F(DeviceLibraryConnectionTest, RsaRefusalsAreToldOncePerKindThenADeviceConnects) {
    CTekRSAConnection none;
    EXPECT_FALSE(none.DetectAndConnect());

    FakeRsaApi::SetDevices({{1, "B0001", "RSA306"},
                            {2, "B0002", "RSA507A"},
                            {3, "B0003", "RSA306B"},
                            {4, "B0004", "RSA503A"},
                            {5, "B0005", "RSA607A"}});
    // Each refused kind, an unknown status, then the fifth connects; the second round refuses the
    // same kinds again without a box.
    FakeRsaApi::Script().Script("DEVICE_Connect", {3002, 205, 102, 55, 0, 3002, 205, 102, 55, 0});
    const std::vector<std::string> texts{"There was an error communicating with the RSA306 (Serial: B0001)",
                                         "The USB port used to connect to the RSA507A is not fast enough to "
                                         "support it. Please try another port.",
                                         "The firmware is out of date on the RSA306B (B0003)"};
    {
        CTekRSAConnection connection;
        ASSERT_TRUE(connection.DetectAndConnect());
        EXPECT_TRUE(connection.IsConnected());
        EXPECT_EQ(connection.GetDeviceId(), 5);
        EXPECT_EQ(connection.GetDeviceType(), "RSA607A");
        EXPECT_EQ(connection.QueryIdentity(), "Tektronix,tektronix_sa_500,B0005,0");
        EXPECT_TRUE(connection.CheckStatus());
        EXPECT_EQ(m_prompt->Texts(), texts);
    }
    EXPECT_EQ(Count(FakeRsaApi::Script().Names(), "DEVICE_Disconnect"), 1);
    {
        CTekRSAConnection again;
        ASSERT_TRUE(again.DetectAndConnect());
    }
    EXPECT_EQ(m_prompt->Texts(), texts);
    EXPECT_EQ(Count(FakeRsaApi::Script().Names(), "DEVICE_Disconnect"), 2);
    // A connection that never connected disconnects nothing.
    FakeRsaApi::Script().ClearCalls();
    { CTekRSAConnection unused; }
    EXPECT_EQ(Count(FakeRsaApi::Script().Names(), "DEVICE_Disconnect"), 0);
}

TEST_F(DeviceLibraryConnectionTest, RsaSearchResultsStayInsideTheirArrays) {
    // A serial that fills its 100 characters without a terminator, a type of 20, and a count above
    // the arrays: the texts are cut at their arrays and only the devices the arrays hold are tried.
    const std::string serial(100, 'S');
    const std::string type(20, 'T');
    std::vector<sim::FakeRsaDevice> devices;
    for (int32_t id = 1; id <= vendor::kRsaMaxDevices; ++id) {
        devices.push_back({id, serial, type});
    }
    FakeRsaApi::SetDevices(devices, 500);
    std::vector<int32_t> refusals(vendor::kRsaMaxDevices - 1, 3002);
    refusals.push_back(0);
    FakeRsaApi::Script().Script("DEVICE_Connect", refusals);
    CTekRSAConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    EXPECT_EQ(connection.GetDeviceId(), vendor::kRsaMaxDevices);
    EXPECT_EQ(connection.GetDeviceSerial(), serial);
    EXPECT_EQ(connection.GetDeviceType(), type);
    EXPECT_EQ(Count(FakeRsaApi::Script().Names(), "DEVICE_Connect"), vendor::kRsaMaxDevices);
    ASSERT_EQ(m_prompt->Texts().size(), 1U);
}

} // namespace
} // namespace orv::test
