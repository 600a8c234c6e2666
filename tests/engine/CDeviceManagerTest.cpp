#include "engine/CDeviceManager.h"

#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CSAConnection.h"
#include "core/QAnalyzerOptions.h"
#include "core/QAttachedScannerSource.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "platform/clock/FakeClock.h"

#include "support/FakeUsbBoard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

// What the scanner doubles of one test did, in order.
struct ScannerJournal {
    std::vector<std::string> events;
    std::map<eProbeType, bool> answers; // kinds not listed do not answer
};

std::string Name(eProbeType type) {
    switch (type) {
    case eProbeType::NoScanner:
        return "none";
    case eProbeType::UsbScannerBoard:
        return "usb";
    case eProbeType::RobotArm:
        return "arm";
    case eProbeType::ExternalAdapter:
        return "adapter";
    }
    return "?";
}

// A scanner of a given kind that answers as the journal says, with a scanner ID of its own.
class ScannerDouble final : public CNoScannerBoard {
public:
    ScannerDouble(eProbeType type, ScannerJournal& journal) : m_type(type), m_journal(journal) {}
    ~ScannerDouble() override { m_journal.events.push_back("delete " + Name(m_type)); }

    bool Connect() override {
        m_journal.events.push_back("connect " + Name(m_type));
        const auto answer = m_journal.answers.find(m_type);
        return answer != m_journal.answers.end() && answer->second && CNoScannerBoard::Connect();
    }
    bool ReadScannerType() override {
        m_id = 100 + static_cast<int32_t>(m_type);
        return true;
    }
    int32_t GetScannerID() const override { return m_id; }
    eProbeType Kind() const { return m_type; }

private:
    eProbeType m_type;
    ScannerJournal& m_journal;
    int32_t m_id = 0;
};

class CDeviceManagerTest : public ::testing::Test {
protected:
    void SetUp() override { InstallDoubles(m_manager); }

    void InstallDoubles(CDeviceManager& manager) {
        for (const eProbeType type : {eProbeType::NoScanner, eProbeType::UsbScannerBoard,
                                      eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager.SetScannerMaker(
                type, [this, type] { return std::make_unique<ScannerDouble>(type, m_journal); });
        }
    }

    static eProbeType KeptKind(const CDeviceManager& manager) {
        const auto* scanner = dynamic_cast<const ScannerDouble*>(manager.GetScanner());
        return scanner != nullptr ? scanner->Kind() : static_cast<eProbeType>(-1);
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    ScannerJournal m_journal;
    CDeviceManager m_manager;
};

TEST_F(CDeviceManagerTest, TheKindAskedForIsKeptWhenItAnswers) {
    m_journal.answers = {{eProbeType::UsbScannerBoard, true}, {eProbeType::RobotArm, true}};
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    EXPECT_EQ(KeptKind(m_manager), eProbeType::UsbScannerBoard);
    EXPECT_EQ(m_journal.events, std::vector<std::string>{"connect usb"});
    EXPECT_TRUE(m_clock.Pauses().empty());
    EXPECT_EQ(GetAttachedScannerId(), 101);
}

TEST_F(CDeviceManagerTest, OrderedSearchTable) {
    struct Case {
        const char* name;
        eProbeType asked;
        std::map<eProbeType, bool> answers;
        eProbeType kept;
        std::vector<Clock::Duration> pauses;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases{
        {"type 0 goes straight to detection; the arm wins",
         eProbeType::NoScanner,
         {{eProbeType::RobotArm, true}, {eProbeType::UsbScannerBoard, true}, {eProbeType::NoScanner, true}},
         eProbeType::RobotArm,
         {5000ms},
         {"connect arm", "delete arm", "connect adapter", "delete adapter", "connect usb", "delete usb",
          "connect none", "delete none", "connect arm"}},
        {"a failing type 1 falls back to the search; the adapter wins",
         eProbeType::UsbScannerBoard,
         {{eProbeType::ExternalAdapter, true}},
         eProbeType::ExternalAdapter,
         {1500ms},
         {"connect usb", "delete usb", "connect arm", "delete arm", "connect adapter", "delete adapter",
          "connect usb", "delete usb", "connect none", "delete none", "connect arm", "delete arm",
          "connect adapter"}},
        {"the USB board found by the search",
         eProbeType::NoScanner,
         {{eProbeType::UsbScannerBoard, true}},
         eProbeType::UsbScannerBoard,
         {1500ms},
         {"connect arm", "delete arm", "connect adapter", "delete adapter", "connect usb", "delete usb",
          "connect none", "delete none", "connect arm", "delete arm", "connect adapter", "delete adapter",
          "connect usb"}},
        {"nothing else answers: the no-scanner driver",
         eProbeType::RobotArm,
         {{eProbeType::NoScanner, true}},
         eProbeType::NoScanner,
         {10ms},
         {"connect arm", "delete arm", "connect arm", "delete arm", "connect adapter", "delete adapter",
          "connect usb", "delete usb", "connect none", "delete none", "connect arm", "delete arm",
          "connect adapter", "delete adapter", "connect usb", "delete usb", "connect none"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDeviceManager manager;
        InstallDoubles(manager);
        m_journal.events.clear();
        m_journal.answers = c.answers;
        m_clock.ClearPauses();
        GetInstrumentInfo().SetProbeType(eProbeType::ExternalAdapter);
        ASSERT_TRUE(manager.ConnectScanner(c.asked));
        EXPECT_EQ(KeptKind(manager), c.kept);
        EXPECT_EQ(GetInstrumentInfo().GetProbeType(), c.kept);
        EXPECT_EQ(m_clock.Pauses(), c.pauses);
        EXPECT_EQ(m_journal.events, c.events);
        EXPECT_EQ(GetAttachedScannerId(), 100 + static_cast<int32_t>(c.kept));
        const auto detected = GetInstrumentInfo().GetDetectedProbeTypes();
        for (const auto& [type, answers] : c.answers) {
            EXPECT_EQ(std::count(detected.begin(), detected.end(), type), answers ? 1 : 0) << Name(type);
        }
    }
}

TEST_F(CDeviceManagerTest, WithoutTheFallBackAndNothingAnsweringThereIsNoScanner) {
    m_journal.answers = {{eProbeType::NoScanner, true}};
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    ASSERT_NE(m_manager.GetScanner(), nullptr);

    m_manager.SetNoScannerFallbackSource([] { return false; });
    m_clock.ClearPauses();
    EXPECT_FALSE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_EQ(m_manager.GetScanner(), nullptr);
    EXPECT_TRUE(m_clock.Pauses().empty());
    EXPECT_EQ(GetAttachedScannerId(), std::nullopt);
}

TEST_F(CDeviceManagerTest, ConnectsAreRefusedWhileAScanRunsAndTheScannerStays) {
    m_journal.answers = {{eProbeType::UsbScannerBoard, true}};
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    CScanner* const kept = m_manager.GetScanner();
    m_journal.events.clear();

    m_manager.SetScanRunning(true);
    EXPECT_FALSE(m_manager.ConnectScanner(eProbeType::RobotArm));
    EXPECT_FALSE(m_manager.ConnectVisa());
    EXPECT_EQ(m_manager.GetScanner(), kept);
    EXPECT_TRUE(m_journal.events.empty());

    m_manager.SetScanRunning(false);
    EXPECT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
}

// A connection double that finds an analyser as told.
class ConnectionDouble final : public CSAConnection {
public:
    explicit ConnectionDouble(bool finds, int& made) : m_finds(finds) { ++made; }
    std::string QueryIdentity() override { return "double"; }
    bool DetectAndConnect() override { return m_finds; }

private:
    bool m_finds;
};

TEST_F(CDeviceManagerTest, ASecondVisaConnectKeepsTheHeldConnection) {
    int made = 0;
    bool finds = false;
    m_manager.SetVisaConnectionMaker([&] { return std::make_unique<ConnectionDouble>(finds, made); });
    EXPECT_FALSE(m_manager.ConnectVisa());
    EXPECT_EQ(m_manager.GetConnection(), nullptr);

    finds = true;
    ASSERT_TRUE(m_manager.ConnectVisa());
    CSAConnection* const held = m_manager.GetConnection();
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(m_manager.ConnectVisa());
    EXPECT_EQ(m_manager.GetConnection(), held);
    EXPECT_EQ(made, 2);
}

// What the command endpoint asks of the devices: without a device each request fails and nothing is
// touched; with the no-scanner driver the scanner answers at once.
TEST_F(CDeviceManagerTest, TheEngineRequestsFailWithoutADeviceAndReachTheScannerWithOne) {
    CEngineDevices& devices = m_manager;
    std::vector<uint8_t> reply;
    EXPECT_FALSE(devices.HasScanner());
    devices.ReconnectScannerIfNeeded();
    EXPECT_FALSE(devices.ReadScannerType(reply));
    EXPECT_FALSE(devices.ReadAdaptorEID(reply));
    EXPECT_FALSE(devices.ReadFirmwareVersion(reply));
    EXPECT_FALSE(devices.SwitchToCell(1, 2));
    EXPECT_FALSE(devices.BeginScan());
    EXPECT_FALSE(devices.EndScan());
    EXPECT_EQ(devices.GetAnalyzer(), nullptr);
    EXPECT_EQ(devices.QueryAnalyzerIdentity(), std::nullopt);
    devices.AnalyzerExtraHook();
    const AnalyzerSetupState state = devices.GetAnalyzerSetupState();
    EXPECT_EQ(state.preAmpOn, 0);
    EXPECT_EQ(state.preAmpReadBack, 0);
    EXPECT_EQ(state.dcCoupled, 0);

    m_journal.answers = {{eProbeType::NoScanner, true}};
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_TRUE(devices.HasScanner());
    EXPECT_TRUE(devices.ReadAdaptorEID(reply));
    EXPECT_EQ(reply, (std::vector<uint8_t>{0, 0}));
    EXPECT_TRUE(devices.ReadFirmwareVersion(reply));
    EXPECT_EQ(reply, (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_TRUE(devices.SwitchToCell(3, 4));
    EXPECT_EQ(m_manager.GetScanner()->GetCellRow(), 3);
    EXPECT_EQ(m_manager.GetScanner()->GetCellColumn(), 4);
    EXPECT_FALSE(devices.SwitchToCell(256, 0)); // never sent truncated
    EXPECT_TRUE(devices.BeginScan());
    EXPECT_TRUE(devices.EndScan());

    devices.SetScanRunning(true);
    EXPECT_TRUE(m_manager.IsScanRunning());
    EXPECT_FALSE(m_manager.ConnectScanner(eProbeType::NoScanner));
    devices.SetScanRunning(false);
    EXPECT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
}

TEST(CDeviceManager, TheNoScannerDriverReportsItsIdThroughTheSeamWhileTheManagerLives) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    test::FakeUsbBoard noBoard; // no USB board attached: the fall-back holds
    noBoard.Unplug();
    const ScopedUsbTransportInstall usbInstall(noBoard);
    const int32_t storedId = QAnalyzerOptions().GetScannerId();
    {
        CDeviceManager manager;
        EXPECT_EQ(GetAttachedScannerId(), std::nullopt);
        EXPECT_EQ(QAnalyzerOptions().GetScannerId(), storedId);

        ASSERT_TRUE(manager.ConnectScanner(eProbeType::NoScanner));
        ASSERT_NE(dynamic_cast<CNoScannerBoard*>(manager.GetScanner()), nullptr);
        EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::NoScanner);
        // The external adapter's discovery pauses between its broadcasts, in the detection and again in
        // the ordered search; then the no-scanner driver's settle.
        EXPECT_EQ(clock.Pauses(), (std::vector<Clock::Duration>{100ms, 100ms, 10ms}));
        EXPECT_EQ(QAnalyzerOptions().GetScannerId(), 255);
    }
    EXPECT_EQ(GetAttachedScannerSource(), nullptr);
    EXPECT_EQ(QAnalyzerOptions().GetScannerId(), storedId);
}

} // namespace
} // namespace orv
