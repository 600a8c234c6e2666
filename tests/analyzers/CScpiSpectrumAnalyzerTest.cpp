#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"

#include "analyzers/drivers/scpi/ScpiBlockData.h"

#include "analyzers/CVisaConnection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerSimulatorBench;
using test::FakeAnalyzerScanSetup;

const std::string kFsv = "Rohde&Schwarz,FSV-7,101234/007,2.30";

// The shared pieces opened up for the tests.
class SharedScpiDriver : public CScpiSpectrumAnalyzer {
public:
    using CScpiSpectrumAnalyzer::PollUntilOne;
    using CScpiSpectrumAnalyzer::QueryDouble;
    using CScpiSpectrumAnalyzer::QueryInt;
    using CScpiSpectrumAnalyzer::ReadRawBlock;
    using CScpiSpectrumAnalyzer::ReadRawCount;
    using CScpiSpectrumAnalyzer::ReadRetryingTimeouts;
    using CScpiSpectrumAnalyzer::ScanBlock;
    using CScpiSpectrumAnalyzer::SendStatusOnly;
    using CScpiSpectrumAnalyzer::SendVerified;
    using CScpiSpectrumAnalyzer::SendVerifiedAll;

    void SetVisaTimeout(uint32_t ms) { m_vi.viSetAttribute(m_session, visa::kAttrTimeoutValue, ms); }
    visa::Status ScanInt(int32_t& value) { return m_vi.viScanf(m_session, "%d", &value); }
    visa::Status ScanBlockRaw(unsigned char* out, int32_t& count) {
        return m_vi.viScanf(m_session, "%#b", &count, out);
    }
    bool TermCharEnabled() {
        uint16_t enabled = 0;
        m_vi.viGetAttribute(m_session, visa::kAttrTermCharEnabled, &enabled);
        return enabled != 0;
    }
};

class ScpiDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", kFsv}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        ASSERT_TRUE(m_driver.FindVisaConnection(&m_connection, 38));
        m_driver.SetScanSetup(&m_setup);
        m_bench.m_sim.ClearCommands("A");
    }
    std::vector<std::string> Commands(size_t count) { return m_bench.m_sim.WaitForCommands("A", count); }
    // The next query's reply, read as a line: proves nothing of an earlier reply was left behind.
    std::string NextReply() {
        m_bench.m_sim.SetReply("A", "NEXT?", "next\n");
        uint32_t got = 0;
        std::vector<unsigned char> buffer(64);
        m_driver.SendStatusOnly("NEXT?\n");
        m_driver.ReadRetryingTimeouts(buffer.data(), 64, got);
        return std::string(buffer.begin(), buffer.begin() + got);
    }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    SharedScpiDriver m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST_F(ScpiDriverTest, SendPatternsAndTheirFlags) {
    EXPECT_TRUE(m_driver.SendVerified(":Frequency:Span 1.000000 MHZ;\n"));
    EXPECT_TRUE(m_driver.IsCommandValid());
    m_bench.m_sim.SetErrorCount("A", 1);
    EXPECT_FALSE(m_driver.SendVerified("BAD;\n"));
    EXPECT_FALSE(m_driver.IsCommandValid());
    // Status-only ignores the instrument's errors.
    m_driver.SetCommandValid(true);
    EXPECT_TRUE(m_driver.SendStatusOnly("DISP ON;\n"));
    EXPECT_TRUE(m_driver.IsCommandValid());
    // The first failure of a list ends it.
    EXPECT_FALSE(m_driver.SendVerifiedAll({"ONE;\n", "TWO;\n"}));
    m_bench.m_sim.SetErrorCount("A", 0);
    // A '%' in a command is data, never a conversion.
    EXPECT_TRUE(m_driver.SendVerified("LABEL 100%s%n;\n"));
    EXPECT_EQ(Commands(9), (std::vector<std::string>{":Frequency:Span 1.000000 MHZ;", "ERR?", "BAD;", "ERR?",
                                                     "DISP ON;", "ONE;", "ERR?", "LABEL 100%s%n;", "ERR?"}));
}

TEST_F(ScpiDriverTest, GuardedReads) {
    m_bench.m_sim.SetReply("A", "POIN?", "401\n");
    m_bench.m_sim.SetReply("A", "FREQ?", "1.5E+9\n");
    m_bench.m_sim.SetReply("A", "JUNK?", "abc\n");
    int32_t points = 0;
    EXPECT_TRUE(m_driver.QueryInt("POIN?\n", points));
    EXPECT_EQ(points, 401);
    double hz = 0;
    EXPECT_TRUE(m_driver.QueryDouble("FREQ?\n", hz));
    EXPECT_DOUBLE_EQ(hz, 1.5e9);
    EXPECT_TRUE(m_driver.IsQueryValid());
    EXPECT_FALSE(m_driver.QueryInt("JUNK?\n", points));
    EXPECT_EQ(points, 0);
    EXPECT_FALSE(m_driver.IsQueryValid());
    m_driver.FlushBuffers();
    // The read succeeds but the instrument reports an error: query-valid cleared, the value kept.
    m_bench.m_sim.SetErrorCount("A", 2);
    EXPECT_FALSE(m_driver.QueryInt("POIN?\n", points));
    EXPECT_EQ(points, 401);
    EXPECT_FALSE(m_driver.IsQueryValid());
}

TEST_F(ScpiDriverTest, PollAsksOncePerBound) {
    m_driver.SetMinimumPollBoundMs(10);
    EXPECT_TRUE(m_driver.PollUntilOne("*OPC?\n", false));
    EXPECT_TRUE(m_prompt->Requests().empty());
    m_driver.FlushBuffers();

    // Never 1 within the bound: asked once per bound; OK waits on, Cancel fails. Each read ends at
    // the time-out and counts one pause; the poll goes on while a question waits for its answer.
    m_driver.SetVisaTimeout(10);
    m_bench.m_sim.SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
    m_prompt->Script(PromptAnswer::Ok);
    m_prompt->Script(PromptAnswer::Cancel);
    m_bench.m_clock.ClearPauses();
    EXPECT_FALSE(m_driver.PollUntilOne("*OPC?\n", false));
    EXPECT_EQ(m_prompt->Requests().size(), 2u);
    EXPECT_GE(m_bench.m_clock.Pauses().size(), 20u); // 1 ms each, two bounds of 10 ms
    EXPECT_FALSE(m_driver.IsCommandValid());
    m_driver.FlushBuffers();

    // The scan's stop fails it without a prompt.
    m_driver.SetCommandValid(true);
    m_setup.m_stop.request_stop();
    EXPECT_FALSE(m_driver.PollUntilOne("*OPC?\n", false));
    EXPECT_EQ(m_prompt->Requests().size(), 2u);
    EXPECT_FALSE(m_driver.IsCommandValid());
}

TEST_F(ScpiDriverTest, PollEndsAtOnceOnADroppedConnection) {
    m_driver.SetMinimumPollBoundMs(1000000);
    m_bench.m_sim.SetDropOn("A", "*OPC?");
    EXPECT_FALSE(m_driver.PollUntilOne("*OPC?\n", true));
    EXPECT_TRUE(m_prompt->Requests().empty());
    EXPECT_FALSE(m_driver.IsCommandValid());
}

TEST_F(ScpiDriverTest, PollBoundFollowsTheSweepTime) {
    EXPECT_EQ(m_driver.GetPollBoundMs(), 35000);
    m_driver.SetLastSweepTimeMs(20000);
    EXPECT_EQ(m_driver.GetPollBoundMs(), 40000);
}

TEST_F(ScpiDriverTest, TimedOutReadGoesOnAndAsksAfterFiveInARow) {
    m_driver.SetVisaTimeout(20);
    // Nothing ever comes: five time-outs, one prompt, Cancel ends it.
    m_prompt->Script(PromptAnswer::Cancel);
    std::vector<unsigned char> buffer(64);
    uint32_t got = 99;
    m_driver.SendStatusOnly("SILENT?\n");
    EXPECT_FALSE(m_driver.ReadRetryingTimeouts(buffer.data(), 64, got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(m_prompt->Requests().size(), 1u);

    // A late reply: the user keeps waiting (the fallback answer is OK) and the reply is read whole.
    m_bench.m_sim.SetReply("A", "LATE?", "1,2,3\n");
    m_bench.m_sim.SetDelay("A", "LATE?", 250);
    m_driver.SendStatusOnly("LATE?\n");
    EXPECT_TRUE(m_driver.ReadRetryingTimeouts(buffer.data(), 64, got));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + got), "1,2,3\n");
    EXPECT_GE(m_prompt->Requests().size(), 2u);

    // A reply in pieces: the part that came before the time-out is kept and the rest appended.
    m_bench.m_sim.SetReply("A", "PIECES?", "-1.5,-2.5,-3.5,-4.5\n");
    m_bench.m_sim.SetReplyInPieces("A", "PIECES?", 100);
    m_driver.SendStatusOnly("PIECES?\n");
    EXPECT_TRUE(m_driver.ReadRetryingTimeouts(buffer.data(), 64, got));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + got), "-1.5,-2.5,-3.5,-4.5\n");
    EXPECT_EQ(NextReply(), "next\n");
}

// The question does not hold up the read: unanswered, the read goes on, and the late reply is taken
// and withdraws the box (an unwithdrawn held box would hang the read's end).
TEST_F(ScpiDriverTest, AReplyComingWhileTheQuestionIsShownIsReadAndWithdrawsIt) {
    m_driver.SetVisaTimeout(20);
    m_prompt->ScriptHold();
    m_bench.m_sim.SetReply("A", "LATE?", "4,5,6\n");
    m_bench.m_sim.SetDelay("A", "LATE?", 300);
    std::vector<unsigned char> buffer(64);
    uint32_t got = 0;
    m_driver.SendStatusOnly("LATE?\n");
    EXPECT_TRUE(m_driver.ReadRetryingTimeouts(buffer.data(), 64, got));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + got), "4,5,6\n");
    EXPECT_EQ(m_prompt->Requests().size(), 1u);
    EXPECT_EQ(NextReply(), "next\n");
}

// One byte every half time-out: each read times out with bytes, and every such time-out counts, so
// the read comes to the prompt (Cancel ends it) or ends on the scan's stop, long before the reply is in.
TEST_F(ScpiDriverTest, ATricklingReplyCountsEveryTimeOut) {
    m_driver.SetVisaTimeout(20);
    m_bench.m_sim.SetReply("A", "SLOW?", std::string(400, '7') + "\n");
    m_bench.m_sim.SetReplyTrickle("A", "SLOW?", 10);
    std::vector<unsigned char> buffer(512);
    uint32_t got = 0;
    m_prompt->Script(PromptAnswer::Cancel);
    m_driver.SendStatusOnly("SLOW?\n");
    EXPECT_FALSE(m_driver.ReadRetryingTimeouts(buffer.data(), 512, got));
    EXPECT_EQ(m_prompt->Requests().size(), 1u);
    EXPECT_GT(got, 0u);
    EXPECT_LT(got, 100u) << "five time-outs of 20 ms bring about ten bytes";

    m_driver.FlushBuffers();
    m_setup.m_stop.request_stop();
    m_driver.SendStatusOnly("SLOW?\n");
    EXPECT_FALSE(m_driver.ReadRetryingTimeouts(buffer.data(), 512, got));
    EXPECT_EQ(m_prompt->Requests().size(), 1u) << "the stop ends it without asking";
    EXPECT_LT(got, 20u);
}

// Four floats with a line feed byte (0x0A) among them, as a REAL,32 trace can carry.
std::string FloatBytes() {
    const float values[] = {-20.0f, std::bit_cast<float>(0x0A0A0A0Au), 1.5f, -107.0f};
    std::string bytes;
    for (const float v : values) {
        const uint32_t word = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>(word >> (8 * i)));
        }
    }
    return bytes;
}

TEST_F(ScpiDriverTest, RawBlockReads) {
    m_driver.SetVisaTimeout(50);
    m_prompt->Script(PromptAnswer::Cancel); // a short block is not waited for
    struct Case {
        const char* name;
        std::string reply;
        size_t capacity;
        bool ok;
        std::string data;
    };
    const std::string floats = FloatBytes();
    const Case cases[] = {
        {"good", "#216" + floats + "\n", 64, true, floats},
        {"no line feed after", "#216" + floats, 64, true, floats},
        {"indefinite", "#0" + floats + "\n", 64, false, ""},
        {"non-digit length", "#2x6" + floats + "\n", 64, false, ""},
        {"beyond capacity", "#216" + floats + "\n", 15, false, ""},
        {"not a block", "-20.0,-30.0\n", 64, false, ""},
        {"short", "#216" + floats.substr(0, 10), 64, false, floats.substr(0, 10)},
    };
    for (const Case& c : cases) {
        m_bench.m_sim.SetReply("A", "TRAC?", c.reply);
        ASSERT_TRUE(m_driver.SendStatusOnly("TRAC?\n")) << c.name;
        std::vector<unsigned char> buffer(64, 0);
        size_t length = 99;
        EXPECT_EQ(m_driver.ReadRawBlock(buffer.data(), c.capacity, length), c.ok) << c.name;
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), c.data) << c.name;
        EXPECT_TRUE(m_driver.TermCharEnabled()) << c.name;
        m_driver.FlushBuffers();
        EXPECT_EQ(NextReply(), "next\n") << c.name;
    }
}

TEST_F(ScpiDriverTest, FixedCountAndScannedBlocks) {
    m_bench.m_sim.SetReply("A", "RAW?", FloatBytes() + "\n");
    m_driver.SendStatusOnly("RAW?\n");
    std::vector<unsigned char> buffer(16);
    size_t got = 0;
    EXPECT_TRUE(m_driver.ReadRawCount(buffer.data(), 16, got));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), FloatBytes());
    EXPECT_TRUE(m_driver.TermCharEnabled());
    m_driver.FlushBuffers();
    EXPECT_EQ(NextReply(), "next\n");

    m_bench.m_sim.SetBlockReply("A", "BLK?", 1000);
    m_driver.SendStatusOnly("BLK?\n");
    std::vector<unsigned char> block(1000);
    int32_t count = 1000;
    EXPECT_TRUE(m_driver.ScanBlock(block.data(), count));
    EXPECT_EQ(count, 1000);
    EXPECT_EQ(std::string(block.begin(), block.end()), test::ScpiSimulatorProcess::BlockPattern(1000));
    m_driver.FlushBuffers();
    EXPECT_EQ(NextReply(), "next\n");
    count = 0;
    EXPECT_FALSE(m_driver.ScanBlock(block.data(), count));
}

// The connection sets flush-on-access on its session: what a scan leaves of a reply is dropped.
TEST_F(ScpiDriverTest, ScanningLeavesNothingOfTheReplyBehind) {
    int32_t number = -1;
    m_driver.SendStatusOnly(":SYST:ERR?;\n");
    EXPECT_GE(m_driver.ScanInt(number), 0);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(NextReply(), "next\n");
    // A block whose last data byte is a line feed, then its own line feed.
    m_bench.m_sim.SetReply("A", "BLK?", std::string("#14abc\n\n"));
    m_driver.SendStatusOnly("BLK?\n");
    unsigned char block[8] = {};
    int32_t count = 8;
    EXPECT_GE(m_driver.ScanBlockRaw(block, count), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 4), "abc\n");
    EXPECT_EQ(NextReply(), "next\n");
    // After a time-out nothing is dropped: the late reply is read by the retry.
    m_driver.SetVisaTimeout(30);
    m_bench.m_sim.SetReply("A", "SLOW?", "42\n");
    m_bench.m_sim.SetDelay("A", "SLOW?", 100);
    m_driver.SendStatusOnly("SLOW?\n");
    visa::Status status = visa::kErrorTimeout;
    for (int attempt = 0; attempt < 50 && status == visa::kErrorTimeout; ++attempt) {
        status = m_driver.ScanInt(number);
    }
    EXPECT_GE(status, 0);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(NextReply(), "next\n");
}

TEST_F(ScpiDriverTest, Real32BlocksFromTheSimulatedState) {
    m_bench.m_sim.SetCommandSet("A", "generic");
    ASSERT_TRUE(m_driver.SendVerifiedAll({":Sweep:Points 1001 ;\n", ":FORMAT:DATA REAL,32;\n"}));
    std::vector<unsigned char> bytes(4004);
    std::vector<float> values(1001);
    size_t length = 0;
    ASSERT_TRUE(m_driver.SendStatusOnly(":Trace:Data?;\n"));
    ASSERT_TRUE(m_driver.ReadRawBlock(bytes.data(), bytes.size(), length));
    ASSERT_EQ(length, 4004u);
    ASSERT_EQ(DecodeLittleEndianSingles(bytes.data(), length, values.data(), values.size()), 1001u);
    EXPECT_FLOAT_EQ(values[0], -80.0f);
    EXPECT_FLOAT_EQ(values[1000], -70.0f);
    // Network byte order: the same value with its bytes reversed.
    ASSERT_TRUE(m_driver.SendStatusOnly(":FORMAT:BORDER NORM;\n"));
    ASSERT_TRUE(m_driver.SendStatusOnly(":Trace:Data?;\n"));
    std::vector<unsigned char> network(4004);
    ASSERT_TRUE(m_driver.ReadRawBlock(network.data(), network.size(), length));
    EXPECT_EQ(std::vector<unsigned char>(network.rbegin() + 4000, network.rend()),
              std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4));
    EXPECT_EQ(NextReply(), "next\n");
}

} // namespace
} // namespace orv
