#include "engine/scanners/adapter/CExScannerBoard.h"

#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AdapterPortSettings;
using test::AdapterSimulator;
using test::Bytes;
using test::LogCapture;
using Fault = AdapterSimulator::Fault;
using namespace std::chrono_literals;

Bytes Text16(const std::string& text) {
    Bytes field(16, 0);
    std::copy(text.begin(),
              text.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(text.size(), 15)),
              field.begin());
    return field;
}

// The driver over TCP to a simulator of its own on the loopback, connected, on a fake clock.
class ExAdapterTcpTest : public ::testing::Test {
protected:
    ExAdapterTcpTest() {
        m_board.SetSetupSource([this] { return m_setup; });
    }

    void SetUp() override {
        ASSERT_EQ(m_sim.Error(), "");
        ASSERT_TRUE(m_board.Connect());
        m_sim.ClearRecord();
        m_log.Clear();
        m_clock.ClearPauses();
    }

    // Re-opens the link after a row that broke it.
    void Restore() {
        ASSERT_TRUE(m_board.Reconnect());
        m_sim.ClearRecord();
        m_log.Clear();
    }

    AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    AdapterPortSettings m_settings{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    LogCapture m_log;
    ScannerSetup m_setup{
        .rows = 12, .columns = 34, .timing1 = 0x1234, .timing2 = 0x0506, .pollIntervalMs = 7};
    CExScannerBoard m_board;
};

TEST_F(ExAdapterTcpTest, ConnectFindsTheAdapterByItsBroadcastAnswerAndReadsItsSettings) {
    EXPECT_EQ(m_board.GetTransportSelector(), CExScannerBoard::kTransportTcp);
    EXPECT_EQ(m_board.GetAdapterAddress(), m_sim.AddressText());
    EXPECT_EQ(m_board.GetAdapterPort(), 9760);
    EXPECT_TRUE(m_board.SupportsMotors());
    EXPECT_EQ(m_board.GetStaticIP(), "192.168.1.50");
    EXPECT_EQ(m_board.GetStaticSubnetMask(), "255.255.255.0");
    EXPECT_FALSE(m_board.UsesStaticIP());
    EXPECT_FALSE(m_board.IsReconnectNeeded());
    EXPECT_EQ(m_board.GetSerialSpeed(), 115200U);

    // A connected driver does nothing on Connect; a fresh one asks the network again, and an adapter
    // port of 0 keeps the one in use.
    EXPECT_TRUE(m_board.Connect());
    EXPECT_TRUE(m_sim.Frames().empty());
    m_sim.SetReportedPort(0);
    m_sim.SetMotors(0);
    m_sim.SetUseStaticIp(1);
    CExScannerBoard fresh;
    ASSERT_TRUE(fresh.Connect());
    EXPECT_EQ(m_sim.Payloads(), (std::vector<Bytes>{{'J'}, {'D'}, {'F'}, {'H'}}));
    EXPECT_EQ(fresh.GetAdapterPort(), 9760);
    EXPECT_FALSE(fresh.SupportsMotors());
    EXPECT_TRUE(fresh.UsesStaticIP());
    EXPECT_EQ(m_sim.DiscoveryQueries(), 2U) << "the network's broadcast and the limited broadcast";
    for (const char* line : {"Searching for network ExAdapter...", "Start to create connection to Scanner.",
                             "Completed in creating connection to Scanner."}) {
        EXPECT_TRUE(m_log.Has(line)) << line;
    }
}

TEST_F(ExAdapterTcpTest, EveryCommandSendsItsPayloadByteExactAndKeepsItsReply) {
    m_sim.SetScannerType({0x04, 0x03, 0x02, 0x01});
    ASSERT_TRUE(m_board.SetCell(7, 9));
    m_board.SetStepWords(0x0102, 0xA0B0);
    m_board.SetSwitchMode(5);
    const Bytes pattern{0xF0, 0x0F, 0x55};
    struct Row {
        const char* name;
        std::function<bool()> run;
        std::vector<Bytes> payloads;
        Bytes replyBuffer;
    };
    const std::vector<Row> rows{
        {"begin", [&] { return m_board.BeginScan(); }, {{'j'}}, {}},
        {"end", [&] { return m_board.EndScan(); }, {{'k'}}, {}},
        {"firmware", [&] { return m_board.ReadFirmwareVersion(); }, {{'d', 0, 0, 0}}, {1, 2, 3}},
        {"eid", [&] { return m_board.ReadAdaptorEID(); }, {{'c', 0, 0}}, {0x12, 0x34}},
        {"type", [&] { return m_board.ReadScannerType(); }, {{'2', 0, 0, 0, 0}}, {4, 3, 2, 1}},
        {"write type", [&] { return m_board.WriteScannerType(); }, {{'1', 4, 3, 2, 1}}, {4, 3, 2, 1}},
        {"size", [&] { return m_board.WriteScannerSize(); }, {{'9', 12, 34}}, {4, 3, 2, 1}},
        {"cell",
         [&] { return m_board.SwitchToCell(); },
         {{'0', 7, 9, 0x02, 0x01, 0xB0, 0xA0, 5}},
         {4, 3, 2, 1}},
        {"timed",
         [&] { return m_board.SwitchToCellTimed(200); },
         {{'e', 7, 9, 0x02, 0x01, 0xB0, 0xA0, 5, 200, 0}},
         {4, 3, 2, 1}},
        {"trigger",
         [&] { return m_board.Trigger(0x1FF, 3, 4, 0x0506); },
         {{'i', 0xFF, 3, 4, 0x06, 0x05}},
         {4, 3, 2, 1}},
        {"store", [&] { return m_board.StorePatternData(pattern); }, {}, pattern},
        {"starting",
         [&] { return m_board.StartingSwitch(0x0A0B); },
         {{'9', 12, 34},
          {'7', 3, 0xF0, 0x0F, 0x55},
          {'8', 0x02, 0x01, 0xB0, 0xA0, 5, 0x0B, 0x0A, 0x34, 0x12, 0x06, 0x05},
          {'a', 2}},
         pattern},
        {"full",
         [&] { return m_board.FullSwitchAndTrigger(0x1122, 0x3344, true); },
         {{'7', 3, 0xF0, 0x0F, 0x55},
          {'h', 0x02, 0x01, 0xB0, 0xA0, 5, 0x34, 0x12, 0x06, 0x05, 0x22, 0x11, 0x44, 0x33},
          {'a', 2}},
         pattern},
        {"full without pattern",
         [&] { return m_board.FullSwitchAndTrigger(1, 2, false); },
         {{'h', 0x02, 0x01, 0xB0, 0xA0, 5, 0x34, 0x12, 0x06, 0x05, 1, 0, 2, 0}, {'a', 2}},
         pattern},
        {"partial",
         [&] { return m_board.PartialSwitchAndTrigger(1, 2, 0xFFFF, false); },
         {{'g', 0x02, 0x01, 0xB0, 0xA0, 5, 1, 0, 2, 0, 0xFF, 0xFF, 0x34, 0x12, 0x06, 0x05}, {'a', 2}},
         pattern},
        {"trigger and switches",
         [&] { return m_board.TriggerAndSwitches(); },
         {{'f', 0x02, 0x01, 0xB0, 0xA0, 5, 0x34, 0x12, 1, 0xF0, 0x0F, 0x55}, {'a', 2}},
         pattern},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_sim.ClearRecord();
        EXPECT_TRUE(row.run());
        EXPECT_EQ(m_sim.Payloads(), row.payloads);
        const auto buffer = m_board.GetReplyBuffer();
        EXPECT_EQ(Bytes(buffer.begin(), buffer.end()), row.replyBuffer);
    }
    EXPECT_EQ(m_board.GetScannerID(), 0x01020304);
    EXPECT_TRUE(m_log.Has("EX Scanner ID = 16909060"));
    EXPECT_FALSE(m_board.IsReconnectNeeded());
}

TEST_F(ExAdapterTcpTest,
       EachCommandsWriteReadAndWrongLetterFailuresLogTheirTextsAndSetReconnectAsTheyShould) {
    struct Row {
        uint8_t letter;
        std::function<bool()> run;
        const char* write;
        const char* read;
        const char* wrong;
    };
    const std::vector<Row> rows{
        {'j', [&] { return m_board.BeginScan(); }, "Fail to set start scan state on ExAdapter.",
         "Fail to read response of Start Scan State Command from ExAdapter.",
         "Fail (Bad response) to set start scan state on ExAdapter."},
        {'k', [&] { return m_board.EndScan(); }, "Fail to set End Scan State on ExAdapter.",
         "Fail to read response of End Scan State Command from ExAdapter.",
         "Fail (Bad response) to set End Scan State on ExAdapter."},
        {'d', [&] { return m_board.ReadFirmwareVersion(); },
         "Fail to write Read firmware version Command to ExAdapter.",
         "Fail to read response of Read firmware version Command from ExAdapter.",
         "Fail (Bad response) to read response of Read firmware version Command from ExAdapter."},
        {'c', [&] { return m_board.ReadAdaptorEID(); },
         "Fail to write Read adaptor EID Command to ExAdapter.",
         "Fail to read response of Read adaptor EID Command from ExAdapter.",
         "Fail (Bad response) to read response of Read adaptor EID Command from ExAdapter."},
        {'2', [&] { return m_board.ReadScannerType(); },
         "Fail to write Read Scanner Type Command to ExAdapter.",
         "Fail to read response of Read Scanner Type Command from ExAdapter.",
         "Fail (Bad response) to read response of Read Scanner Type Command from ExAdapter."},
        {'1', [&] { return m_board.WriteScannerType(); },
         "Fail to write Write Scanner Type Command to ExAdapter.",
         "Fail to read response of Write Scanner Type Command from ExAdapter.",
         "Fail (Bad response) to read response of Write Scanner Type Command from ExAdapter."},
        {'9', [&] { return m_board.WriteScannerSize(); },
         "Fail to write Write Scanner Size Command to ExAdapter.",
         "Fail to read response of Write Scanner Size Command from ExAdapter.",
         "Fail to read response of Write Scanner Size Command from ExAdapter."},
        {'7', [&] { return m_board.FullSwitchAndTrigger(1, 1, true); },
         "Fail to write pattern data to ExAdapter.",
         "Fail to read response of writing pattern data from ExAdapter.",
         "Fail (Bad response) to read response of writing pattern data from ExAdapter."},
        {'e', [&] { return m_board.SwitchToCellTimed(1); }, "Fail to write Switch Command to ExAdapter.",
         "Fail to read response of Switch Command from ExAdapter.",
         "Fail (Bad response) to read response of Switch Command from ExAdapter."},
        {'0', [&] { return m_board.SwitchToCell(); }, "Fail to write Switch Command to ExAdapter.",
         "Fail to read response of Switch Command from ExAdapter.",
         "Fail (Bad response) to read response of Switch Command from ExAdapter."},
        {'E', [&] { return m_board.WriteStaticIPSettings(0, "", ""); },
         "Fail to write Read adaptor Write Use Static IP Command to ExAdapter.",
         "Fail to read response of Read adaptor Write Use Static IP Command from ExAdapter.",
         "Fail (Bad response) to read response of Read adaptor Write Use Static IP ommand from ExAdapter."},
        {'C', [&] { return m_board.WriteStaticIPSettings(1, "10.0.0.2", "255.0.0.0"); },
         "Fail to write Read adaptor Write Static IP Command to ExAdapter.",
         "Fail to read response of Read adaptor Write Static IP Command from ExAdapter.",
         "Fail (Bad response) to read response of Read adaptor Write Static IP ommand from ExAdapter."},
    };
    const Bytes type{1, 2, 3, 4};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(1, static_cast<char>(row.letter)));
        m_board.StorePatternData(type);

        m_sim.ScriptFault(row.letter, Fault::WrongLetter);
        EXPECT_FALSE(row.run());
        EXPECT_TRUE(m_log.Has(row.wrong));
        EXPECT_FALSE(m_board.IsReconnectNeeded()) << "a wrong letter leaves the link";
        Restore();

        // A broken checksum fails the read even with the right letter.
        m_sim.ScriptFault(row.letter, Fault::BadChecksum);
        EXPECT_FALSE(row.run());
        EXPECT_TRUE(m_log.Has(row.read));
        EXPECT_TRUE(m_board.IsReconnectNeeded());
        Restore();

        // A link closed under the driver: the write fails.
        if (row.letter != 'C') {
            m_board.Disconnect();
            EXPECT_FALSE(row.run());
            EXPECT_TRUE(m_log.Has(row.write));
            EXPECT_TRUE(m_board.IsReconnectNeeded());
            Restore();
        }
    }
}

TEST_F(ExAdapterTcpTest, TheCompletionPollEndsOnDoneGivesUpSilentlyWhenAlwaysBusyAndFailsOnABadStatus) {
    m_sim.QueuePollStatuses({1, 1});
    EXPECT_TRUE(m_board.StartingSwitch(1));
    EXPECT_EQ(m_sim.Payloads().size(), 6U) << "9, 7, 8 and three polls";
    EXPECT_EQ(m_clock.Pauses(), (std::vector<Clock::Duration>(3, 7ms)));

    m_sim.QueuePollStatuses({}, 1);
    m_clock.ClearPauses();
    m_log.Clear();
    EXPECT_FALSE(m_board.FullSwitchAndTrigger(1, 1, false));
    EXPECT_EQ(m_clock.Pauses().size(), 3000U);
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_FALSE(m_board.IsReconnectNeeded());

    m_sim.QueuePollStatuses({1, 5});
    EXPECT_FALSE(m_board.TriggerAndSwitches());
    EXPECT_TRUE(m_log.Has("Fail (Bad response) to read response of switch command from ExAdapter."));
    EXPECT_TRUE(m_log.Has("Fail to read response of Trigger and Switch command from ExAdapter."));

    m_sim.QueuePollStatuses({1});
    m_sim.ScriptFault('a', Fault::BadChecksum, 1);
    m_log.Clear();
    EXPECT_FALSE(m_board.PartialSwitchAndTrigger(1, 2, 3, false));
    EXPECT_TRUE(m_log.Has("Fail to read response of switch command from ExAdapter."));
    EXPECT_TRUE(m_log.Has("Fail to read response of Starting Switch command from ExAdapter."));
    EXPECT_TRUE(m_board.IsReconnectNeeded());
    Restore();
    m_board.Disconnect();
    EXPECT_FALSE(m_board.TriggerAndSwitches());
    EXPECT_TRUE(m_log.Has("Fail to write Trigger and Switch command to ExAdapter."));
}

TEST_F(ExAdapterTcpTest, TheTriggerIsTrueOnceWrittenEvenAfterAWrongLetter) {
    m_sim.ScriptFault('i', Fault::WrongLetter);
    EXPECT_TRUE(m_board.Trigger(1, 0, 0, 1));
    EXPECT_TRUE(m_log.Has("Fail (Bad response) to read response of Trigger Command from ExAdapter."));
    m_board.Disconnect();
    EXPECT_FALSE(m_board.Trigger(1, 0, 0, 1));
    EXPECT_TRUE(m_log.Has("Fail to write Trigger Command to ExAdapter."));
}

TEST_F(ExAdapterTcpTest, PatternsAndNumbersThatDoNotFitTheirFieldsAreNeverSent) {
    Bytes pattern(60);
    std::iota(pattern.begin(), pattern.end(), uint8_t{1});
    m_board.StorePatternData(pattern);
    ASSERT_TRUE(m_board.TriggerAndSwitches());
    const Bytes f = m_sim.Payloads().front();
    ASSERT_EQ(f.size(), 59U) << "cut to 50 pattern bytes";
    EXPECT_EQ(f[8], 25);
    EXPECT_EQ(Bytes(f.begin() + 9, f.end()), Bytes(pattern.begin(), pattern.begin() + 50));

    m_sim.ClearRecord();
    m_board.StorePatternData(Bytes(254, 0xAA));
    EXPECT_FALSE(m_board.FullSwitchAndTrigger(1, 1, true));
    m_board.StorePatternData(Bytes(253, 0xAA));
    EXPECT_TRUE(m_board.FullSwitchAndTrigger(1, 1, true));
    ASSERT_FALSE(m_sim.Payloads().empty());
    EXPECT_EQ(m_sim.Payloads().front().size(), 255U) << "only the 253-byte pattern went out";

    m_sim.ClearRecord();
    m_setup.rows = 256;
    EXPECT_FALSE(m_board.WriteScannerSize());
    EXPECT_FALSE(m_board.StartingSwitch(1));
    m_setup.rows = 2;
    EXPECT_FALSE(m_board.StartingSwitch(65536));
    EXPECT_FALSE(m_board.FullSwitchAndTrigger(-1, 0, false));
    EXPECT_FALSE(m_board.PartialSwitchAndTrigger(0, 0, 70000, false));
    EXPECT_FALSE(m_board.SwitchToCellTimed(256));
    EXPECT_FALSE(m_board.SetCell(256, 0));
    EXPECT_FALSE(m_board.SwitchToCell());
    EXPECT_TRUE(m_sim.Frames().empty());

    // Timings saturate.
    ASSERT_TRUE(m_board.SetCell(0, 0));
    m_setup.timing1 = 100000;
    m_setup.timing2 = -5;
    ASSERT_TRUE(m_board.FullSwitchAndTrigger(0, 0, false));
    const Bytes h = m_sim.Payloads().front();
    EXPECT_EQ(Bytes(h.begin() + 6, h.begin() + 10), (Bytes{0xFF, 0xFF, 0, 0}));
}

TEST_F(ExAdapterTcpTest, ASplitFrameIsReadWholeAndADroppedLinkFailsAtOnce) {
    m_sim.ScriptFault('d', Fault::SplitFrame);
    EXPECT_TRUE(m_board.ReadFirmwareVersion());

    m_sim.ScriptFault('j', Fault::DropLink);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_board.BeginScan());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(m_log.Has("Fail to read response of Start Scan State Command from ExAdapter."));
    EXPECT_TRUE(m_board.IsReconnectNeeded());
    // The next Reconnect finds the adapter again.
    ASSERT_TRUE(m_board.Reconnect());
    EXPECT_TRUE(m_board.BeginScan());
    EXPECT_EQ(m_sim.Connections(), 2U);
}

TEST_F(ExAdapterTcpTest, AShortReplyIsABadResponseAndConnectStillSucceeds) {
    m_sim.ScriptFault('c', Fault::ShortPayload);
    m_board.StorePatternData(Bytes{9, 9});
    EXPECT_FALSE(m_board.ReadAdaptorEID());
    EXPECT_TRUE(
        m_log.Has("Fail (Bad response) to read response of Read adaptor EID Command from ExAdapter."));
    EXPECT_EQ(m_board.GetReplyBuffer().size(), 2U) << "the buffer keeps what it held";
    EXPECT_FALSE(m_board.IsReconnectNeeded());

    m_sim.ScriptFault('D', Fault::ShortPayload);
    CExScannerBoard fresh;
    EXPECT_TRUE(fresh.Connect());
    EXPECT_TRUE(
        m_log.Has("Fail (Bad response) to read response of Read adaptor Static IP ommand from ExAdapter."));
    EXPECT_EQ(fresh.GetStaticIP(), "");
    EXPECT_FALSE(fresh.IsReconnectNeeded());
}

TEST_F(ExAdapterTcpTest, StaticIpSettingsWriteTheFlagAndForFlagOneTheTexts) {
    ASSERT_TRUE(m_board.WriteStaticIPSettings(1, "192.168.100.200", "255.255.255.255.0"));
    Bytes c{'C'};
    for (const Bytes& field : {Text16("192.168.100.200"), Text16("255.255.255.255")}) {
        c.insert(c.end(), field.begin(), field.end());
    }
    EXPECT_EQ(m_sim.Payloads(), (std::vector<Bytes>{{'E', 1}, c}));
    EXPECT_TRUE(m_board.UsesStaticIP());
    EXPECT_EQ(m_board.GetStaticIP(), "192.168.100.200");
    EXPECT_EQ(m_board.GetStaticSubnetMask(), "255.255.255.255");

    m_sim.ClearRecord();
    ASSERT_TRUE(m_board.WriteStaticIPSettings(0, "1.2.3.4", "255.0.0.0"));
    EXPECT_EQ(m_sim.Payloads(), (std::vector<Bytes>{{'E', 0}}));
    EXPECT_FALSE(m_board.UsesStaticIP());
}

TEST(ExAdapterConnect, ARefusedConnectAndNoAdapterAnywhereFailLeavingNoTransport) {
    AdapterSimulator::Options refusing;
    refusing.acceptConnections = false;
    AdapterSimulator sim(refusing);
    ASSERT_EQ(sim.Error(), "");
    const test::ScopedNetworkSource network(std::make_shared<test::LoopbackNetworkSource>(sim.Address()));
    const AdapterPortSettings noPorts({});
    LogCapture log;
    CExScannerBoard board;
    EXPECT_FALSE(board.Connect());
    EXPECT_TRUE(log.Has("Failed in initializing TCP engine in Setup Connection()."));
    EXPECT_EQ(board.GetTransportSelector(), CExScannerBoard::kTransportNone);
    EXPECT_FALSE(board.BeginScan()) << "no transport: every exchange fails at once";
    EXPECT_TRUE(log.Has("Fail to set start scan state on ExAdapter."));

    log.Clear();
    sim.SetDiscoveryAnswer(false);
    EXPECT_FALSE(board.Connect());
    for (const char* line :
         {"Failed recvfrom (11)", "Failed in find ExAdapter on the network.",
          "Searching for serial ExAdapter...", "Failed in find ExAdapter on the serial."}) {
        EXPECT_TRUE(log.Has(line)) << line;
    }
    EXPECT_EQ(board.GetTransportSelector(), CExScannerBoard::kTransportNone);
    EXPECT_TRUE(board.IsReconnectNeeded());
}

TEST(ExAdapterDiscovery, JunkBeforeTheAnswerIsSkippedAndOnlyValidAnswersCount) {
    AdapterSimulator sim;
    ASSERT_EQ(sim.Error(), "");
    const test::ScopedNetworkSource network(std::make_shared<test::LoopbackNetworkSource>(sim.Address()));
    sim.SetDiscoveryJunkFirst(true);
    CExScannerBoard board;
    const AdapterPortSettings noPorts({});
    ASSERT_TRUE(board.Connect());
    EXPECT_EQ(board.GetAdapterAddress(), sim.AddressText());
}

// The driver over a pseudo-terminal of the port-path setting: no adapter answers on the network.
class ExAdapterSerialTest : public ::testing::Test {
protected:
    static AdapterSimulator::Options Terminal() {
        AdapterSimulator::Options options;
        options.network = false;
        options.pseudoTerminal = true;
        return options;
    }

    AdapterSimulator m_busy{Terminal()};
    AdapterSimulator m_sim{Terminal()};
    AdapterSimulator m_other{Terminal()};
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    AdapterPortSettings m_settings{{{m_other.PortName(), "Dobot Magician"},
                                    {m_busy.PortName(), "USB Serial Device"},
                                    {m_sim.PortName(), "USB Serial Device"}},
                                   57600};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    LogCapture m_log;
    CExScannerBoard m_board;
};

TEST_F(ExAdapterSerialTest, TheSearchFindsThePortAnsweringItsAFrameAndTheCommandsWorkOverIt) {
    ASSERT_EQ(m_sim.Error(), "");
    m_busy.SetSearchStatus(1);
    EXPECT_EQ(m_board.GetSerialSpeed(), 57600U);
    ASSERT_TRUE(m_board.Connect());
    EXPECT_EQ(m_board.GetTransportSelector(), CExScannerBoard::kTransportSerial);
    EXPECT_EQ(m_board.GetSerialPortName(), m_sim.PortName());
    EXPECT_EQ(m_busy.Payloads(), (std::vector<Bytes>{{'a', 0}})) << "asked, answered busy, skipped";
    EXPECT_TRUE(m_other.Frames().empty()) << "another description is never asked";
    EXPECT_EQ(m_sim.Payloads(), (std::vector<Bytes>{{'a', 0}, {'J'}, {'D'}, {'F'}, {'H'}}));
    EXPECT_TRUE(m_log.Has("Searching for serial ExAdapter..."));

    m_sim.ClearRecord();
    ASSERT_TRUE(m_board.SetCell(1, 2));
    EXPECT_TRUE(m_board.SwitchToCell());
    m_sim.QueuePollStatuses({1});
    EXPECT_TRUE(m_board.FullSwitchAndTrigger(3, 4, false));
    EXPECT_EQ(m_sim.Payloads(false).size(), 2U);

    // Silence after a trigger: every attempt runs out, and the trigger still holds.
    m_sim.ScriptFault('i', Fault::Silence);
    EXPECT_TRUE(m_board.Trigger(0, 0, 0, 0));
    EXPECT_FALSE(m_board.IsReconnectNeeded());
}

} // namespace
} // namespace orv
