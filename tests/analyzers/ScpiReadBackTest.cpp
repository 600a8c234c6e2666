// What the SCPI families make of the numbers an analyser reads back: a poll that outlasts the
// connection's time-out leaves no reply behind for the next query, and a reading no setting can be
// (SCPI's not-a-number and infinity markers, values beyond the float returned) is a failed read with
// nothing taken from it.

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerSimulatorBench;
using test::ScpiSimulatorProcess;

struct Family {
    const char* name;
    const char* identity;
    int32_t code;
    std::function<std::unique_ptr<CSpectrumAnalyzer>()> make;
    const char* centreQuery; // as the simulator logs it
    const char* sweepTimeQuery;
};

template <class Driver> std::unique_ptr<CSpectrumAnalyzer> Make() {
    return std::make_unique<Driver>();
}

const Family kDsa{"DSA",
                  "RIGOL TECHNOLOGIES,DSA875,DSA8A123400001,00.01.19",
                  52,
                  &Make<CSpectrumAnalyzerDSA>,
                  ":Frequency:Center?",
                  ":Sweep:Time?"};
const Family kRsa{"RSA",
                  "RIGOL TECHNOLOGIES,RSA5065,RSA5B123400002,00.01.06",
                  53,
                  &Make<CSpectrumAnalyzerRSA>,
                  ":Frequency:Center?;",
                  ":Sweep:Time?;"};
const Family kFsl{"FSL",
                  "Rohde&Schwarz,FSL-6,100123/006,1.60",
                  23,
                  &Make<CSpectrumAnalyzerFSL>,
                  ":Frequency:Center?;",
                  ":Sweep:Time?;"};
const Family kN9010A{"N9010A",
                     "Keysight Technologies,N9010A,MY55150123,A.14.16",
                     25,
                     &Make<CSpectrumAnalyzerN9010A>,
                     ":Frequency:Center?;",
                     ":Sweep:Time?;"};
const Family kN9000A{"N9000A",
                     "Keysight Technologies,N9000A,MY55150123,A.14.16",
                     27,
                     &Make<CSpectrumAnalyzerN9000A>,
                     ":Frequency:Center?;",
                     ":Sweep:Time?;"};
const Family kFieldFox{"FieldFox",
                       "Keysight Technologies,N9918A,MY123,A.10.17",
                       62,
                       &Make<CSpectrumAnalyzerN9918A>,
                       ":SENSe:Frequency:Center?;",
                       ":Sweep:Time?;"};

// One family's driver bound to a simulated analyser with that identity.
class FamilyBench {
public:
    explicit FamilyBench(const Family& family) : m_driver(family.make()) {
        m_bench.AddResources({{"A", family.identity}});
        m_bound = m_connection.DetectAndConnect() && m_driver->FindVisaConnection(&m_connection, family.code);
        m_bench.m_sim.ClearCommands("A");
    }
    bool IsBound() const { return m_bound; }
    CSpectrumAnalyzer& Driver() { return *m_driver; }
    ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }
    CVisaConnection& Connection() { return m_connection; }

private:
    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<CSpectrumAnalyzer> m_driver;
    bool m_bound = false;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

struct PollCase {
    const Family& family;
    // The slow query and its replies (the last one repeated).
    const char* slowQuery;
    std::vector<std::string> slowReplies;
    std::function<bool(CSpectrumAnalyzer&, ScpiSimulatorProcess&)> run;
};

// The analyser answers the poll's query well after the connection's time-out. The poll reads on
// until that answer comes, never asking again meanwhile: the centre read right after it gets the
// instrument's own value (a poll that asked again after each time-out left its extra answers to be
// read as the centre, 1 Hz, valid).
TEST(ScpiReadBack, PollsLongerThanTheTimeOutLeaveNoReplyBehind) {
    constexpr int kTimeoutMs = 100;
    constexpr int kAnswerAfterMs = 4 * kTimeoutMs;
    const PollCase cases[] = {
        {kRsa,
         "*OPC?",
         {"1\n"},
         [](CSpectrumAnalyzer& driver, ScpiSimulatorProcess& sim) {
             sim.SetMode("A", "VSA"); // another mode: the driver switches to the spectrum analyser
             return driver.SetupSpectrumAnalyzer();
         }},
        {kFieldFox,
         "*OPC?",
         {"1\n"},
         [](CSpectrumAnalyzer& driver, ScpiSimulatorProcess&) { return driver.SetPreAmp(true); }},
        {kN9000A,
         ":Status:Operation:Condition?;",
         {"56\n", "24\n"},
         [](CSpectrumAnalyzer& driver, ScpiSimulatorProcess&) { return driver.TriggeredSweep(); }},
    };
    for (const PollCase& c : cases) {
        SCOPED_TRACE(c.family.name);
        FamilyBench bench(c.family);
        ASSERT_TRUE(bench.IsBound());
        bench.Sim().SetReplySequence("A", c.slowQuery, c.slowReplies);
        bench.Sim().SetDelay("A", c.slowQuery, kAnswerAfterMs);
        bench.Sim().SetReply("A", c.family.centreQuery, "1.0E+09\n");
        bench.Connection().SetTimeout(kTimeoutMs);
        EXPECT_TRUE(c.run(bench.Driver(), bench.Sim()));
        bench.Driver().SetQueryValid(true);
        EXPECT_FLOAT_EQ(bench.Driver().ReadCenterFrequency(), 1000.0f);
        EXPECT_TRUE(bench.Driver().IsQueryValid());
        // Asked once per answer.
        size_t asked = 0;
        for (const std::string& command : bench.Sim().Commands("A")) {
            asked += command == c.slowQuery ? 1 : 0;
        }
        EXPECT_EQ(asked, c.slowReplies.size());
    }
}

struct ReadBackCase {
    const char* reply;
    float centreMhz; // 0 with query-valid cleared: a failed read
    int32_t sweepMs;
};

TEST(ScpiReadBack, ImpossibleReadingsAreFailedReads) {
    const ReadBackCase cases[] = {
        {"1.0E+09\n", 1000.0f, 1000000000},
        {"2.5E-02\n", 0.000000025f, 25},
        {"9.91E+37\n", 0.0f, 0},
        {"9.9E+37\n", 0.0f, 0},
        {"-9.9E+37\n", 0.0f, 0},
        {"1E+300\n", 0.0f, 0},
        {"nan\n", 0.0f, 0},
    };
    for (const Family* family : {&kDsa, &kRsa, &kFsl, &kN9010A, &kFieldFox}) {
        FamilyBench bench(*family);
        ASSERT_TRUE(bench.IsBound()) << family->name;
        for (const ReadBackCase& c : cases) {
            SCOPED_TRACE(std::string(family->name) + " reading " + c.reply);
            // The RSA reads whole Hz: a reading with a fraction of a Hz is no frequency there.
            const bool whole = family == &kRsa;
            const bool centreValid = c.centreMhz != 0.0f && !(whole && c.sweepMs == 25);
            bench.Sim().SetReply("A", family->centreQuery, c.reply);
            bench.Driver().SetQueryValid(true);
            const float centre = bench.Driver().ReadCenterFrequency();
            EXPECT_EQ(bench.Driver().IsQueryValid(), centreValid);
            EXPECT_FLOAT_EQ(centre, centreValid ? c.centreMhz : 0.0f);

            bench.Sim().SetReply("A", family->sweepTimeQuery, c.reply);
            bench.Driver().SetQueryValid(true);
            const bool fitsMs = c.sweepMs != 1000000000;
            const int32_t ms = bench.Driver().ReadSweepTime();
            EXPECT_EQ(bench.Driver().IsQueryValid(), c.sweepMs != 0 && fitsMs);
            EXPECT_EQ(ms, fitsMs ? c.sweepMs : 0);
        }
    }
}

// A count that the analyser answers in real form is taken whole; one with a fraction is no count.
TEST(ScpiReadBack, CountsInRealForm) {
    FamilyBench bench(kFsl);
    ASSERT_TRUE(bench.IsBound());
    bench.Sim().SetReply("A", ":Sweep:Points?;", "+1.00100000000E+03\n");
    EXPECT_EQ(bench.Driver().ReadSweepPoints(), 1001);
    EXPECT_TRUE(bench.Driver().IsQueryValid());
    bench.Sim().SetReply("A", ":Sweep:Points?;", "1.5E+00\n");
    EXPECT_EQ(bench.Driver().ReadSweepPoints(), 1001); // the count kept
    EXPECT_FALSE(bench.Driver().IsQueryValid());
    // Nothing of either reply answers the next query.
    bench.Sim().SetReply("A", ":Frequency:Center?;", "2.0E+08\n");
    bench.Driver().SetQueryValid(true);
    EXPECT_FLOAT_EQ(bench.Driver().ReadCenterFrequency(), 200.0f);
    EXPECT_TRUE(bench.Driver().IsQueryValid());
}

} // namespace
} // namespace orv
