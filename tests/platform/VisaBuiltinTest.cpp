#include "platform/visa/BuiltinVisa.h"

#include "platform/log/InformationLog.h"
#include "tests/platform/support/ScopedEnvironment.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orv::visa {
namespace {

using test::ScpiSimulatorProcess;

// The built-in layer against the simulated analyser: one resource "a", opened through a resource
// manager of its own.
class VisaBuiltinTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim.AddResource("a");
        ASSERT_EQ(vi.viOpenDefaultRM(&m_manager), kSuccess);
        ASSERT_EQ(vi.viOpen(m_manager, m_sim.ResourceName("a").c_str(), 0, 0, &m_session), kSuccess);
        ASSERT_NE(m_session, kNoSession);
    }
    void TearDown() override { vi.viClose(m_manager); }

    // The reply to a query, taken by its returned count.
    std::string Query(const char* command, uint32_t count = 2560) {
        EXPECT_GE(vi.viPrintf(m_session, "%s", command), kSuccess);
        std::vector<unsigned char> buffer(count);
        uint32_t returned = 0;
        EXPECT_GE(vi.viRead(m_session, buffer.data(), count, &returned), kSuccess);
        return {reinterpret_cast<const char*>(buffer.data()), returned};
    }

    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    ScpiSimulatorProcess m_sim;
    Session m_manager = kNoSession;
    Session m_session = kNoSession;
};

TEST_F(VisaBuiltinTest, IdentityRoundTrip) {
    m_sim.SetIdentity("a", "Rohde&Schwarz,FSV-7,101234/007,2.30");
    ASSERT_EQ(vi.viPrintf(m_session, "*IDN?\n"), kSuccess);
    auto reply = std::make_unique<char[]>(2560);
    int32_t size = 2560;
    ASSERT_EQ(vi.viScanf(m_session, "%#t", &size, reply.get()), kSuccess);
    EXPECT_EQ(std::string(reply.get(), static_cast<size_t>(size)), "Rohde&Schwarz,FSV-7,101234/007,2.30\n");
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    EXPECT_EQ(vi.viFlush(m_session, kFlushWriteBuffer), kSuccess);
    // Through viRead as well, and the simulator saw both commands.
    EXPECT_EQ(Query("*IDN?\n"), "Rohde&Schwarz,FSV-7,101234/007,2.30\n");
    EXPECT_EQ(m_sim.WaitForCommands("a", 2), (std::vector<std::string>{"*IDN?", "*IDN?"}));
}

TEST_F(VisaBuiltinTest, ReadsEndAtLineFeedAndAtCount) {
    m_sim.SetReply("a", "Q?", "ONE\nTWO\nABCDEFGH\n");
    ASSERT_EQ(vi.viPrintf(m_session, "Q?\n"), kSuccess);
    unsigned char buffer[64];
    uint32_t returned = 0;
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kSuccessTermChar);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "ONE\n");
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kSuccessTermChar);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "TWO\n");
    EXPECT_EQ(vi.viRead(m_session, buffer, 3, &returned), kSuccessMaxCount);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "ABC");
    EXPECT_EQ(vi.viRead(m_session, buffer, 0, &returned), kSuccessMaxCount);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kSuccessTermChar);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "DEFGH\n");
    // Without the termination character a read runs to its count.
    ASSERT_EQ(vi.viSetAttribute(m_session, kAttrTermCharEnabled, 0), kSuccess);
    m_sim.SetReply("a", "Q?", "1\n2\n3\n");
    ASSERT_EQ(vi.viPrintf(m_session, "Q?\n"), kSuccess);
    EXPECT_EQ(vi.viRead(m_session, buffer, 6, &returned), kSuccessMaxCount);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "1\n2\n3\n");
}

TEST_F(VisaBuiltinTest, ReadEndsAtTheTimeOut) {
    ASSERT_EQ(vi.viSetAttribute(m_session, kAttrTimeoutValue, 150), kSuccess);
    m_sim.SetReply("a", "PART?", "PARTIAL");
    ASSERT_EQ(vi.viPrintf(m_session, "SILENT?\n"), kSuccess);
    unsigned char buffer[64];
    uint32_t returned = 99;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kErrorTimeout);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(returned, 0u);
    EXPECT_GE(waited, std::chrono::milliseconds(140));
    EXPECT_LT(waited, std::chrono::seconds(5));
    // A reply without its line feed comes back with the time-out and the bytes that did arrive.
    ASSERT_EQ(vi.viPrintf(m_session, "PART?\n"), kSuccess);
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kErrorTimeout);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), returned), "PARTIAL");
    int32_t value = 0;
    ASSERT_EQ(vi.viPrintf(m_session, "SILENT?\n"), kSuccess);
    EXPECT_EQ(vi.viScanf(m_session, "%d", &value), kErrorTimeout);
}

TEST_F(VisaBuiltinTest, OverLongReplyStopsAtTheCount) {
    m_sim.SetFillReply("a", "BIG?", 1 << 20);
    ASSERT_EQ(vi.viPrintf(m_session, "BIG?\n"), kSuccess);
    // Exactly the caller's size on the heap, so that the sanitizer build sees any byte past it.
    auto buffer = std::make_unique<unsigned char[]>(2560);
    uint32_t returned = 0;
    EXPECT_EQ(vi.viRead(m_session, buffer.get(), 2560, &returned), kSuccessMaxCount);
    EXPECT_EQ(returned, 2560u);
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(buffer[2559], 'A');
    auto text = std::make_unique<char[]>(2560);
    EXPECT_EQ(vi.viScanf(m_session, "%2559t", text.get()), kSuccess);
    EXPECT_EQ(std::strlen(text.get()), 2559u);
    int32_t size = 2560;
    EXPECT_EQ(vi.viScanf(m_session, "%#s", &size, text.get()), kSuccess);
    EXPECT_EQ(size, 2559);
    // An unbounded text conversion is refused rather than left to overrun.
    EXPECT_EQ(vi.viScanf(m_session, "%t", text.get()), kErrorUnsupportedFormat);
    EXPECT_EQ(vi.viScanf(m_session, "%s", text.get()), kErrorUnsupportedFormat);
    // The rest of the reply never ends: discarding it ends at the time-out.
    ASSERT_EQ(vi.viSetAttribute(m_session, kAttrTimeoutValue, 200), kSuccess);
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kErrorTimeout);
}

TEST_F(VisaBuiltinTest, FlushDiscardsTheRestOfTheReplyAndSendsHeldOutput) {
    m_sim.SetIdentity("a", "SIM,1,2,3");
    m_sim.SetReply("a", "LONG?", "FIRST PART OF A LONG REPLY\n");
    ASSERT_EQ(vi.viPrintf(m_session, "LONG?\n"), kSuccess);
    unsigned char buffer[64];
    uint32_t returned = 0;
    ASSERT_EQ(vi.viRead(m_session, buffer, 5, &returned), kSuccessMaxCount);
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    EXPECT_EQ(Query("*IDN?\n"), "SIM,1,2,3\n");
    // Output without a line feed is held until it gets one; dropped output never goes out.
    ASSERT_EQ(vi.viPrintf(m_session, "*ID"), kSuccess);
    ASSERT_EQ(vi.viPrintf(m_session, "N?\n"), kSuccess);
    ASSERT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kSuccessTermChar);
    ASSERT_EQ(vi.viPrintf(m_session, "GARBAGE"), kSuccess);
    EXPECT_EQ(vi.viFlush(m_session, kFlushWriteBufferDiscard), kSuccess);
    ASSERT_EQ(vi.viPrintf(m_session, "*CLS\n"), kSuccess);
    EXPECT_EQ(m_sim.WaitForCommands("a", 4), (std::vector<std::string>{"LONG?", "*IDN?", "*IDN?", "*CLS"}));
    EXPECT_EQ(vi.viFlush(m_session, 0), kErrorInvalidParameter);
}

// viFlush with mask 2 sends what viPrintf holds; seen by a plain loopback listener.
TEST(VisaBuiltin, FlushSendsHeldOutput) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    Session manager = 0;
    Session session = 0;
    ASSERT_EQ(vi.viOpenDefaultRM(&manager), kSuccess);
    const std::string name = "TCPIP0::127.0.0.1::" + std::to_string(ntohs(address.sin_port)) + "::SOCKET";
    ASSERT_EQ(vi.viOpen(manager, name.c_str(), 0, 0, &session), kSuccess);
    const int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(vi.viPrintf(session, "PART"), kSuccess);
    char received[16];
    EXPECT_LT(recv(peer, received, sizeof received, MSG_DONTWAIT), 0); // held
    ASSERT_EQ(vi.viFlush(session, kFlushWriteBuffer), kSuccess);
    pollfd waiting{peer, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 5000), 1);
    EXPECT_EQ(recv(peer, received, sizeof received, 0), 4);
    EXPECT_EQ(std::string(received, 4), "PART");
    vi.viClose(manager);
    close(peer);
    close(listener);
}

TEST_F(VisaBuiltinTest, BinaryBlockWithinAndBeyondItsCount) {
    m_sim.SetIdentity("a", "SIM,1,2,3");
    m_sim.SetBlockReply("a", "TRAC?", 1000);
    const std::string pattern = ScpiSimulatorProcess::BlockPattern(1000);
    ASSERT_EQ(vi.viPrintf(m_session, "TRAC?\n"), kSuccess);
    std::vector<unsigned char> block(4000);
    int32_t count = 4000;
    ASSERT_EQ(vi.viScanf(m_session, "%#b", &count, block.data()), kSuccess);
    EXPECT_EQ(count, 1000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data()), 1000), pattern);
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    // A block longer than the caller's count fills the count; the rest is read and dropped.
    ASSERT_EQ(vi.viPrintf(m_session, "TRAC?\n"), kSuccess);
    auto exact = std::make_unique<unsigned char[]>(100);
    EXPECT_EQ(vi.viScanf(m_session, "%100b", exact.get()), kSuccessMaxCount);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(exact.get()), 100), pattern.substr(0, 100));
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    ASSERT_EQ(vi.viPrintf(m_session, "TRAC?\n"), kSuccess);
    count = 500;
    EXPECT_EQ(vi.viScanf(m_session, "%#b", &count, block.data()), kSuccessMaxCount);
    EXPECT_EQ(count, 500);
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    EXPECT_EQ(Query("*IDN?\n"), "SIM,1,2,3\n");
    // A plain reply read as a block: its bytes up to the line feed, within the count.
    m_sim.SetReply("a", "INP:COUP?", "DC\n");
    ASSERT_EQ(vi.viPrintf(m_session, "INP:COUP?\n"), kSuccess);
    char coupling[2];
    EXPECT_EQ(vi.viScanf(m_session, "%2b", coupling), kSuccess);
    EXPECT_EQ(std::string(coupling, 2), "DC");
    // A malformed header fails.
    m_sim.SetReply("a", "BAD?", "#x12\n");
    ASSERT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    ASSERT_EQ(vi.viPrintf(m_session, "BAD?\n"), kSuccess);
    EXPECT_EQ(vi.viScanf(m_session, "%100b", exact.get()), kErrorInvalidFormat);
}

// An integer in real form is converted whole: never cut at its decimal point (which would give a wrong
// value and leave the rest of the number to the next read).
TEST_F(VisaBuiltinTest, IntegersInRealForm) {
    struct Case {
        const char* reply;
        const char* format;
        Status status;
        int64_t value;
    };
    const Case cases[] = {
        {"+1.00100000000E+03", "%d", kSuccess, 1001},
        {"1.0E+09", "%lld", kSuccess, 1000000000},
        {"-4.0e1", "%hd", kSuccess, -40},
        {"401.", "%d", kSuccess, 401},
        {"1.5E+00", "%d", kErrorInvalidFormat, 0},
        {"9.91E+37", "%d", kErrorInvalidFormat, 0},
        {"9.91E+37", "%lld", kErrorInvalidFormat, 0},
        {"4E4", "%hd", kErrorInvalidFormat, 0},
        {"3E9", "%d", kErrorInvalidFormat, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reply) + " as " + c.format);
        m_sim.SetReply("a", "N?", std::string(c.reply) + ",7\n");
        ASSERT_EQ(vi.viPrintf(m_session, "N?\n"), kSuccess);
        int64_t wide = 0;
        int32_t normal = 0;
        int16_t narrow = 0;
        void* out = c.format[1] == 'l'   ? static_cast<void*>(&wide)
                    : c.format[1] == 'h' ? static_cast<void*>(&narrow)
                                         : static_cast<void*>(&normal);
        EXPECT_EQ(vi.viScanf(m_session, c.format, out), c.status);
        if (c.status == kSuccess) {
            EXPECT_EQ(wide + normal + narrow, c.value);
            // The number was taken whole: what follows it is the next field.
            int32_t next = 0;
            EXPECT_EQ(vi.viScanf(m_session, ",%d", &next), kSuccess);
            EXPECT_EQ(next, 7);
        }
        ASSERT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    }
    EXPECT_EQ(Query("*IDN?\n"), "QZV Technologies,SCPI simulator,0,1.0\n");
}

TEST_F(VisaBuiltinTest, NumbersAndTextsInTheCLocale) {
    m_sim.SetReply("a", "N?", "  -42,+1.5E3;2.25\n");
    ASSERT_EQ(vi.viPrintf(m_session, "N?\n"), kSuccess);
    int32_t integer = 0;
    float single = 0.0f;
    double precise = 0.0;
    EXPECT_EQ(vi.viScanf(m_session, "%d,%f;%lf", &integer, &single, &precise), kSuccess);
    EXPECT_EQ(integer, -42);
    EXPECT_EQ(single, 1500.0f);
    EXPECT_EQ(precise, 2.25);
    ASSERT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    m_sim.SetReply("a", "WORD?", "abc\n");
    ASSERT_EQ(vi.viPrintf(m_session, "WORD?\n"), kSuccess);
    EXPECT_EQ(vi.viScanf(m_session, "%d", &integer), kErrorInvalidFormat);
    ASSERT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);
    m_sim.SetReply("a", "HUGE?", "1E300\n");
    ASSERT_EQ(vi.viPrintf(m_session, "HUGE?\n"), kSuccess);
    EXPECT_EQ(vi.viScanf(m_session, "%f", &single), kErrorInvalidFormat);
    ASSERT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kSuccess);

    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // a decimal comma where the system has the locale
    // Texts go as data: their '%' signs are not conversions.
    EXPECT_EQ(vi.viPrintf(m_session, ":FREQ:CENT %f MHZ;%s\n", 1234.5, "A%dB"), kSuccess);
    EXPECT_EQ(vi.viPrintf(m_session, ":SWE:POIN %d;%ld;%lld\n", 401, static_cast<int32_t>(-7),
                          static_cast<int64_t>(5000000000)),
              kSuccess);
    std::setlocale(LC_ALL, saved.c_str());
    const std::vector<std::string> commands = m_sim.WaitForCommands("a", 5);
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[3], ":FREQ:CENT 1234.500000 MHZ;A%dB");
    EXPECT_EQ(commands[4], ":SWE:POIN 401;-7;5000000000");
}

TEST_F(VisaBuiltinTest, DroppedConnectionGivesAnErrorStatus) {
    // With the default signal action a write to a closed connection would end the process.
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    m_sim.SetDropOn("a", "*IDN?");
    ASSERT_EQ(vi.viPrintf(m_session, "*IDN?\n"), kSuccess);
    unsigned char buffer[64];
    uint32_t returned = 0;
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kErrorConnectionLost);
    EXPECT_EQ(returned, 0u);
    Status status = kSuccess;
    for (int i = 0; i < 3 && status >= 0; ++i) {
        status = vi.viPrintf(m_session, "*CLS\n");
    }
    EXPECT_EQ(status, kErrorConnectionLost);
    int32_t value = 0;
    EXPECT_EQ(vi.viScanf(m_session, "%d", &value), kErrorConnectionLost);
    std::signal(SIGPIPE, previous);
    // A connection the instrument drops while nothing is asked.
    m_sim.ClearCommands("a");
    Session second = kNoSession;
    ASSERT_EQ(vi.viOpen(m_manager, m_sim.ResourceName("a").c_str(), 0, 0, &second), kSuccess);
    ASSERT_EQ(vi.viPrintf(second, "*CLS\n"), kSuccess);
    ASSERT_EQ(m_sim.WaitForCommands("a", 1).size(), 1u); // the simulator holds the connection now
    m_sim.DropConnections("a");
    EXPECT_EQ(vi.viRead(second, buffer, sizeof buffer, &returned), kErrorConnectionLost);
}

TEST_F(VisaBuiltinTest, RefusedNamesAndSessions) {
    struct Refusal {
        const char* name;
        Status status;
    };
    const Refusal refusals[] = {
        {"TCPIP0::127.0.0.1::SOCKET", kErrorInvalidResourceName},
        {"TCPIP0::127.0.0.1::70000::SOCKET", kErrorInvalidResourceName},
        {"", kErrorInvalidResourceName},
        {"GPIB0::18::INSTR", kErrorResourceNotFound},
        {"TCPIP0::127.0.0.1::inst0::INSTR", kErrorResourceNotFound},
        {"UsbDevice1", kErrorResourceNotFound},
    };
    for (const Refusal& refusal : refusals) {
        Session session = 12345;
        EXPECT_EQ(vi.viOpen(m_manager, refusal.name, 0, 0, &session), refusal.status) << refusal.name;
        EXPECT_EQ(session, kNoSession) << refusal.name;
    }
    // A port nobody listens on.
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
    close(probe);
    const std::string closedPort =
        "TCPIP0::127.0.0.1::" + std::to_string(ntohs(address.sin_port)) + "::SOCKET";
    Session session = 0;
    EXPECT_EQ(vi.viOpen(m_manager, closedPort.c_str(), 0, 0, &session), kErrorResourceNotFound);
    EXPECT_EQ(vi.viOpen(m_session, m_sim.ResourceName("a").c_str(), 0, 0, &session), kErrorInvalidObject);

    // Closed sessions answer as unknown objects; closing the manager closes what it opened.
    EXPECT_EQ(vi.viClose(kNoSession), kWarnNullObject);
    Session second = kNoSession;
    ASSERT_EQ(vi.viOpen(m_manager, m_sim.ResourceName("a").c_str(), 0, 0, &second), kSuccess);
    EXPECT_EQ(vi.viClose(second), kSuccess);
    EXPECT_EQ(vi.viClose(second), kErrorInvalidObject);
    EXPECT_EQ(vi.viPrintf(second, "*IDN?\n"), kErrorInvalidObject);
    EXPECT_EQ(vi.viClose(m_manager), kSuccess);
    EXPECT_EQ(vi.viPrintf(m_session, "*IDN?\n"), kErrorInvalidObject);
    unsigned char buffer[4];
    uint32_t returned = 7;
    EXPECT_EQ(vi.viRead(m_session, buffer, sizeof buffer, &returned), kErrorInvalidObject);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(vi.viFlush(m_session, kFlushReadBuffer), kErrorInvalidObject);
    ASSERT_EQ(vi.viOpenDefaultRM(&m_manager), kSuccess); // for TearDown
}

TEST_F(VisaBuiltinTest, AttributeRoundTrips) {
    uint32_t timeout = 0;
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTimeoutValue, &timeout), kSuccess);
    EXPECT_EQ(timeout, 2000u);
    EXPECT_EQ(vi.viSetAttribute(m_session, kAttrTimeoutValue, 5000), kSuccess);
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTimeoutValue, &timeout), kSuccess);
    EXPECT_EQ(timeout, 5000u);
    uint16_t flag = 9;
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTermCharEnabled, &flag), kSuccess);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(vi.viSetAttribute(m_session, kAttrTermCharEnabled, 0), kSuccess);
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTermCharEnabled, &flag), kSuccess);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(vi.viSetAttribute(m_session, kAttrTermCharEnabled, 2), kErrorUnsupportedAttributeState);
    EXPECT_EQ(vi.viSetAttribute(m_session, kAttrReadBufferMode, 1), kSuccess);
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrReadBufferMode, &flag), kSuccess);
    EXPECT_EQ(flag, 1);
    uint8_t term = 0;
    EXPECT_EQ(vi.viSetAttribute(m_session, kAttrTermChar, '\r'), kSuccess);
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTermChar, &term), kSuccess);
    EXPECT_EQ(term, '\r');
    EXPECT_EQ(vi.viSetAttribute(m_manager, kAttrVendorManagerOption, 1), kSuccess);
    EXPECT_EQ(vi.viGetAttribute(m_manager, kAttrVendorManagerOption, &flag), kSuccess);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(vi.viSetAttribute(m_session, 0x3FFF0001, 1), kErrorUnsupportedAttribute);
    EXPECT_EQ(vi.viGetAttribute(m_manager, kAttrTimeoutValue, &timeout), kErrorUnsupportedAttribute);
    EXPECT_EQ(vi.viGetAttribute(m_session, kAttrTimeoutValue, nullptr), kErrorUserBuffer);
    // Another termination character ends reads there.
    m_sim.SetReply("a", "CR?", "AB\rCD\n");
    ASSERT_EQ(vi.viSetAttribute(m_session, kAttrTermCharEnabled, 1), kSuccess);
    EXPECT_EQ(Query("CR?\n").substr(0, 3), "AB\r");
}

TEST(VisaBuiltin, FindListsTheConfiguredSocketResources) {
    const test::ScopedEnvironment resources("ORV_VISA_RESOURCES",
                                            std::string("TCPIP0::127.0.0.1::5025::SOCKET; GPIB0::18::INSTR ;"
                                                        "TCPIP0::127.0.0.2::5026::SOCKET;bad name::SOCKET;"
                                                        "TCPIP1::[::1]::5027::SOCKET"));
    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    Session manager = 0;
    ASSERT_EQ(vi.viOpenDefaultRM(&manager), kSuccess);
    Session list = 0;
    uint32_t count = 0;
    char name[kFindBufferLength];
    ASSERT_EQ(vi.viFindRsrc(manager, "?*::(INSTR|SOCKET)", &list, &count, name), kSuccess);
    EXPECT_EQ(count, 3u);
    std::vector<std::string> names{name};
    while (vi.viFindNext(list, name) == kSuccess) {
        names.emplace_back(name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"TCPIP0::127.0.0.1::5025::SOCKET", "TCPIP0::127.0.0.2::5026::SOCKET",
                                        "TCPIP1::[::1]::5027::SOCKET"}));
    EXPECT_EQ(vi.viFindNext(list, name), kErrorResourceNotFound);
    EXPECT_EQ(vi.viClose(list), kSuccess);
    ASSERT_EQ(vi.viFindRsrc(manager, "TCPIP0::127.0.0.2?*", &list, &count, name), kSuccess);
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(name, "TCPIP0::127.0.0.2::5026::SOCKET");
    EXPECT_EQ(vi.viFindRsrc(manager, "?*::INSTR", &list, &count, name), kErrorResourceNotFound);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list, kNoSession);
    EXPECT_EQ(vi.viFindRsrc(manager, "[?*", &list, &count, name), kErrorInvalidExpression);
    EXPECT_EQ(vi.viFindRsrc(list, "?*", &list, &count, name), kErrorInvalidObject);
    EXPECT_EQ(vi.viClose(manager), kSuccess);
    {
        const test::ScopedEnvironment none("ORV_VISA_RESOURCES", std::string());
        ASSERT_EQ(vi.viOpenDefaultRM(&manager), kSuccess);
        EXPECT_EQ(vi.viFindRsrc(manager, "?*::(INSTR|SOCKET)", &list, &count, name), kErrorResourceNotFound);
        EXPECT_EQ(vi.viClose(manager), kSuccess);
    }
}

// Names that only a VISA library serves are told once each, with the reason, instead of vanishing
// from the search.
TEST(VisaBuiltin, NamesItCannotServeAreLoggedOnceEach) {
    const test::ScopedEnvironment resources(
        "ORV_VISA_RESOURCES", std::string("TCPIP0::10.9.8.7::hislip0::INSTR;TCPIP0::10.9.8.7::inst0::INSTR;"
                                          "gpib0::18::instr;TCPIP0::127.0.0.1::5025::SOCKET"));
    std::vector<std::string> lines;
    const InformationLog::Sink previous = InformationLog::Instance().SetSink(
        [&lines](uint8_t, const std::string& line) { lines.push_back(line.substr(line.find(" --- ") + 5)); });
    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    Session manager = 0;
    ASSERT_EQ(vi.viOpenDefaultRM(&manager), kSuccess);
    char name[kFindBufferLength];
    for (int search = 0; search < 2; ++search) {
        Session list = 0;
        uint32_t count = 0;
        ASSERT_EQ(vi.viFindRsrc(manager, "?*::(INSTR|SOCKET)", &list, &count, name), kSuccess);
        EXPECT_EQ(count, 1u);
        vi.viClose(list);
    }
    vi.viClose(manager);
    InformationLog::Instance().SetSink(previous);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "VISA resource 'TCPIP0::10.9.8.7::hislip0::INSTR' is left out without a VISA library: "
                  "it is a HiSLIP resource, which needs a VISA library.",
                  "VISA resource 'TCPIP0::10.9.8.7::inst0::INSTR' is left out without a VISA library: "
                  "it is a VXI-11 INSTR resource, which needs a VISA library.",
                  "VISA resource 'gpib0::18::instr' is left out without a VISA library: it is a GPIB "
                  "INSTR resource, which needs a VISA library."}));
}

} // namespace
} // namespace orv::visa
