#include "analyzers/CVisaConnection.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "platform/clock/FakeClock.h"
#include "platform/fs/AppPaths.h"
#include "platform/fs/FileIo.h"
#include "platform/log/InformationLog.h"
#include "platform/visa/BuiltinVisa.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using test::ScpiSimulatorProcess;

const std::string kFsv = "Rohde&Schwarz,FSV-7,101234/007,2.30";
const std::string kUnknown = "ACME,Widget 3000,1,1.0";

// Sets an environment variable for the scope.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* previous = std::getenv(name)) {
            m_previous = previous;
        }
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~EnvironmentValue() { m_previous ? setenv(m_name, m_previous->c_str(), 1) : unsetenv(m_name); }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

class LogLines {
public:
    LogLines() {
        m_previous = InformationLog::Instance().SetSink(
            [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
    }
    ~LogLines() { InformationLog::Instance().SetSink(m_previous); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    // The texts of the lines, without their time stamps.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const std::string& line : m_lines) {
            const size_t mark = line.find(" --- ");
            texts.push_back(mark == std::string::npos ? line : line.substr(mark + 5));
        }
        return texts;
    }
    bool Has(const std::string& text) const {
        for (const std::string& t : Texts()) {
            if (t == text) {
                return true;
            }
        }
        return false;
    }
    // The resources of the "Start to open connection" lines, in order.
    std::vector<std::string> OpenedResources() const {
        const std::string head = "Start to open connection to VISA by using Connection id = '";
        std::vector<std::string> resources;
        for (const std::string& t : Texts()) {
            if (t.rfind(head, 0) == 0) {
                resources.push_back(t.substr(head.size(), t.size() - head.size() - 2));
            }
        }
        return resources;
    }

private:
    InformationLog::Sink m_previous;
    std::vector<std::string> m_lines;
};

class FakeSetup : public AnalyzerScanSetup {
public:
    bool IsTearingDown() const override { return m_tearingDown; }
    int16_t GetGridRows() const override { return 0; }
    int16_t GetGridColumns() const override { return 0; }
    std::vector<uint8_t> GetActiveCells() const override { return {}; }
    std::stop_token GetScanStopToken() const override { return {}; }
    bool m_tearingDown = false;
};

// The simulator, the built-in VISA layer listing the simulator's resources, a per-user folder of
// the test's own and a clock that never really pauses.
class VisaConnectionTest : public ::testing::Test {
protected:
    VisaConnectionTest() : m_clockInstall(m_clock) {
        char pattern[] = "/tmp/orv-visa-connection-XXXXXX";
        m_folder = mkdtemp(pattern);
        SetUserDataFolderOverride(m_folder);
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
    }
    ~VisaConnectionTest() override {
        SetNoAnalyzerSwitch(false);
        SetUserDataFolderOverride("");
        std::filesystem::remove_all(m_folder);
    }

    // Resources named by letters; each answers with its identity.
    void AddResources(const std::vector<std::pair<std::string, std::string>>& resources) {
        std::string list;
        for (const auto& [name, identity] : resources) {
            m_sim.AddResource(name);
            m_sim.SetIdentity(name, identity);
            list += m_sim.ResourceName(name) + ";";
        }
        m_resources.emplace("ORV_VISA_RESOURCES", list);
    }
    std::string Name(const std::string& resource) const { return m_sim.ResourceName(resource); }
    std::string PriorityText() const {
        return ReadWholeFile(CVisaConnection::PriorityFilePath()).value_or("<missing>");
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<EnvironmentValue> m_resources;
    std::string m_folder;
    ScpiSimulatorProcess m_sim;
};

TEST_F(VisaConnectionTest, TriesNewResourcesFirstThenTheRememberedOnes) {
    AddResources({{"A", kUnknown}, {"B", kUnknown}, {"C", kFsv}});
    ASSERT_TRUE(WriteFileAtomically(CVisaConnection::PriorityFilePath(),
                                    "TCPIP0::127.0.0.1::1::SOCKET\r\n" + Name("C") + "\n\n"));
    LogLines log;
    CVisaConnection connection;
    ASSERT_TRUE(connection.IsLibraryLoaded());
    ASSERT_TRUE(connection.DetectAndConnect());
    EXPECT_EQ(log.OpenedResources(), (std::vector<std::string>{Name("B"), Name("A"), Name("C")}));
    EXPECT_TRUE(
        log.Has("Connection '" + Name("B") + "' ID is '" + kUnknown + "'. Not supported instrument "));
    EXPECT_TRUE(log.Has("VISA connection configuration:  " + Name("A")));
    EXPECT_EQ(connection.GetIdentityText(), kFsv);
    EXPECT_TRUE(connection.IsTcpip());
    EXPECT_EQ(connection.GetNetworkAddress(), "127.0.0.1");
    EXPECT_NE(connection.GetSession(), visa::kNoSession);
    // The winner first, the others in the order they were tried; the resource not found now is gone.
    EXPECT_EQ(PriorityText(), Name("C") + "\n" + Name("B") + "\n" + Name("A") + "\n");
    // Exactly what the connection sent: the identity query, and the unsupported ones were closed.
    EXPECT_EQ(m_sim.WaitForCommands("C", 1), std::vector<std::string>{"*IDN?"});
    EXPECT_EQ(m_sim.Commands("A"), std::vector<std::string>{"*IDN?"});
    // The next start tries the winner first.
    LogLines again;
    CVisaConnection second;
    ASSERT_TRUE(second.DetectAndConnect());
    EXPECT_EQ(again.OpenedResources(), std::vector<std::string>{Name("C")});
}

TEST_F(VisaConnectionTest, NoSupportedAnalyserLeavesTheFileAlone) {
    AddResources({{"A", kUnknown}});
    ASSERT_TRUE(WriteFileAtomically(CVisaConnection::PriorityFilePath(), "kept\n"));
    CVisaConnection connection;
    EXPECT_FALSE(connection.DetectAndConnect());
    EXPECT_EQ(connection.GetSession(), visa::kNoSession);
    EXPECT_EQ(connection.GetIdentityText(), "");
    EXPECT_EQ(PriorityText(), "kept\n");
}

TEST_F(VisaConnectionTest, KeepsAtMostFifteenResources) {
    m_sim.AddResource("A");
    m_sim.SetIdentity("A", kUnknown);
    const std::string port = Name("A").substr(std::string("TCPIP0::127.0.0.1::").size());
    std::string list;
    for (int board = 0; board < 17; ++board) {
        list += "TCPIP" + std::to_string(board) + "::127.0.0.1::" + port + ";";
    }
    const EnvironmentValue resources("ORV_VISA_RESOURCES", list);
    CVisaConnection connection;
    EXPECT_FALSE(connection.DetectAndConnect());
    const std::vector<std::string> detected = connection.GetDetectedResources();
    ASSERT_EQ(detected.size(), 15u);
    EXPECT_EQ(detected.front(), "TCPIP0::127.0.0.1::" + port);
    EXPECT_EQ(detected.back(), "TCPIP14::127.0.0.1::" + port);
}

TEST_F(VisaConnectionTest, NoAnalyserSwitch) {
    struct Case {
        bool library;
        bool noAnalyzer;
        bool connects;
    };
    const Case cases[] = {
        {false, true, true}, {true, true, true}, {false, false, false}, {true, false, false}};
    const EnvironmentValue none("ORV_VISA_RESOURCES", std::string());
    for (const Case& c : cases) {
        SetNoAnalyzerSwitch(c.noAnalyzer);
        LogLines log;
        std::unique_ptr<CVisaConnection> connection =
            c.library ? std::make_unique<CVisaConnection>()
                      : std::make_unique<CVisaConnection>([](std::string_view) { return nullptr; });
        EXPECT_EQ(connection->IsLibraryLoaded(), c.library);
        EXPECT_EQ(log.Has("Failed in loading agvisa32.dll."), !c.library);
        EXPECT_EQ(connection->DetectAndConnect(), c.connects);
        EXPECT_EQ(connection->GetSession(),
                  c.connects ? CVisaConnection::kPlaceholderSession : visa::kNoSession);
        EXPECT_EQ(connection->QueryIdentity(), c.connects ? "Null,Null,Null,Null" : "");
        EXPECT_FALSE(connection->CheckStatus());
        if (!c.library) {
            EXPECT_TRUE(log.Has("CVisaConnection::DetectAndConnect():: Failed in creating VISA connection."));
        } else {
            EXPECT_TRUE(log.Has("No Analyzer configurations are detected in VISA IO engine."));
        }
    }
}

TEST_F(VisaConnectionTest, IdentityRepliesKeepTheirFirstLine) {
    AddResources({{"A", kFsv}});
    CVisaConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    connection.SetTimeout(300); // the reply without a line end waits this long
    struct Case {
        std::string reply;
        std::string identity;
    };
    const Case cases[] = {
        {"X\r\n", "X"},
        {"X\n", "X"},
        {"X", "X"},
        {"a\nb\n", "a"},
        {std::string(3000, 'Z') + "\n", std::string(2560, 'Z')},
        {"\n", ""},
    };
    for (const Case& c : cases) {
        m_sim.SetReply("A", "*IDN?", c.reply);
        EXPECT_EQ(connection.QueryIdentity(), c.identity) << c.reply.size();
        EXPECT_EQ(connection.GetIdentityText(), c.identity);
    }
    // Each query paused 100 ms on the clock, never really.
    EXPECT_GE(m_clock.TotalPaused(), std::chrono::milliseconds(700));
}

TEST_F(VisaConnectionTest, StatusQueryAndTimeOutBracket) {
    AddResources({{"A", kFsv}});
    CVisaConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    m_sim.SetErrorCount("A", 2);
    EXPECT_TRUE(connection.CheckStatus()); // the error number itself is not judged
    EXPECT_TRUE(connection.CheckStatus());
    const visa::VisaEntryPoints& vi = connection.GetEntryPoints();
    uint32_t timeout = 0;
    connection.SetTimeout(3000);
    vi.viGetAttribute(connection.GetSession(), visa::kAttrTimeoutValue, &timeout);
    EXPECT_EQ(timeout, 3000u);
    connection.SetTimeout(0);
    vi.viGetAttribute(connection.GetSession(), visa::kAttrTimeoutValue, &timeout);
    EXPECT_EQ(timeout, 5000u);
    EXPECT_EQ(m_sim.WaitForCommands("A", 3),
              (std::vector<std::string>{"*IDN?", ":SYST:ERR?;", ":SYST:ERR?;"}));
    m_sim.SetDropOn("A", ":SYST:ERR?;");
    EXPECT_FALSE(connection.CheckStatus());
}

// The termination character's switching, seen through a layer over the built-in one (which has it on
// from the start).
std::optional<visa::AttrState> g_termCharSet;

visa::Status RecordingSetAttribute(visa::Session session, visa::Attribute attribute, visa::AttrState value) {
    if (attribute == visa::kAttrTermCharEnabled) {
        g_termCharSet = value;
    }
    return visa::BuiltinVisaEntryPoints().viSetAttribute(session, attribute, value);
}

struct NameCase {
    std::string resource;
    std::string address;
};

// The name's interface, host and class read as VISA reads them: without regard to case, an IPv6 host
// out of its brackets; every SOCKET name reads to the line feed.
TEST_F(VisaConnectionTest, ResourceNamesOfAnyCaseAndFamily) {
    const std::string v4 = std::to_string(m_sim.AddResource("A"));
    const std::string v6 = std::to_string(m_sim.AddIpv6Resource("B"));
    m_sim.SetIdentity("A", kFsv);
    m_sim.SetIdentity("B", kFsv);
    const NameCase cases[] = {
        {"TCPIP0::127.0.0.1::" + v4 + "::SOCKET", "127.0.0.1"},
        {"tcpip0::127.0.0.1::" + v4 + "::socket", "127.0.0.1"},
        {"TCPIP0::[::1]::" + v6 + "::SOCKET", "::1"},
        {"TCPIP::localhost::" + v4 + "::Socket", "localhost"},
    };
    visa::VisaEntryPoints entryPoints = visa::BuiltinVisaEntryPoints();
    entryPoints.viSetAttribute = &RecordingSetAttribute;
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.resource);
        EnvironmentValue resources("ORV_VISA_RESOURCES", c.resource);
        g_termCharSet.reset();
        CVisaConnection connection(
            [&](std::string_view) { return visa::VisaLibrary::FromEntryPoints(entryPoints); });
        ASSERT_TRUE(connection.DetectAndConnect());
        EXPECT_EQ(connection.GetIdentityText(), kFsv);
        EXPECT_TRUE(connection.IsTcpip());
        EXPECT_EQ(connection.GetNetworkAddress(), c.address);
        EXPECT_EQ(g_termCharSet, visa::AttrState{1});
    }
}

visa::Status FailingGetAttribute(visa::Session, visa::Attribute, void*) {
    return visa::kErrorUnsupportedAttribute;
}

TEST_F(VisaConnectionTest, UnreadableTimeOutRestoresTenSeconds) {
    AddResources({{"A", kFsv}});
    visa::VisaEntryPoints entryPoints = visa::BuiltinVisaEntryPoints();
    entryPoints.viGetAttribute = &FailingGetAttribute;
    CVisaConnection connection(
        [&](std::string_view) { return visa::VisaLibrary::FromEntryPoints(entryPoints); });
    ASSERT_TRUE(connection.DetectAndConnect());
    connection.SetTimeout(3000);
    connection.SetTimeout(-1);
    uint32_t timeout = 0;
    visa::BuiltinVisaEntryPoints().viGetAttribute(connection.GetSession(), visa::kAttrTimeoutValue, &timeout);
    EXPECT_EQ(timeout, 10000u);
}

TEST_F(VisaConnectionTest, SessionsCloseOnlyOutsideTheTeardown) {
    AddResources({{"A", kFsv}});
    FakeSetup setup;
    CVisaConnection connection;
    connection.SetScanSetup(&setup);
    ASSERT_TRUE(connection.DetectAndConnect());
    const visa::Session session = connection.GetSession();
    setup.m_tearingDown = true;
    connection.CloseSessions();
    EXPECT_EQ(connection.GetSession(), session);
    setup.m_tearingDown = false;
    connection.CloseSessions();
    EXPECT_EQ(connection.GetSession(), visa::kNoSession);
    EXPECT_EQ(connection.GetResourceManagerSession(), visa::kNoSession);
    // Closed: the built-in layer no longer knows the session.
    EXPECT_EQ(visa::BuiltinVisaEntryPoints().viPrintf(session, "*IDN?\n"), visa::kErrorInvalidObject);
    EXPECT_EQ(connection.QueryIdentity(), "");
}

} // namespace
} // namespace orv
