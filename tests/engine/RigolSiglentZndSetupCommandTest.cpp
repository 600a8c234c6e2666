// The RIGOL DSA and RSA, the SIGLENT SSA3075X-R and the R&S ZND through the command pipe on the
// simulated analyser answering their command sets: each code binds its driver, and the set-up runs
// to its reply without a failure, carrying what the analyser took.

#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"
#include "analyzers/drivers/siglent/CSpectrumAnalyzerSSA3075XR.h"
#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

namespace orv::test {
namespace {

struct Model {
    uint32_t code;
    const char* identity;
    const char* commandSet;
    const std::type_info& driver;
    uint32_t buckets;              // the sweep points the reply carries (the set-up asks for the most)
    std::vector<std::string> sent; // among the set-up's commands
};

void PrintTo(const Model& model, std::ostream* out) {
    *out << "code " << model.code;
}

class RigolSiglentZndSetupCommandTest : public ::testing::TestWithParam<Model>,
                                        protected SimulatedAnalyzerEngine {
protected:
    RigolSiglentZndSetupCommandTest() : SimulatedAnalyzerEngine("orv-rigol-setup") {
        Start(GetParam().identity, GetParam().commandSet, false);
    }
};

TEST_P(RigolSiglentZndSetupCommandTest, CodeBindsItsDriverAndTheSetUpRuns) {
    const Model& model = GetParam();
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    std::vector<ReplyFrame> replies = m_rig.Exchange(DriverCommand(static_cast<int32_t>(model.code)));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), model.code);
    ASSERT_NE(m_rig.setup.GetAnalyzer(), nullptr);
    EXPECT_EQ(typeid(*m_rig.setup.GetAnalyzer()), model.driver);

    const Bytes body = AnalyzerSetupBody(0.001F, 150.0F, 10.0F);
    const std::size_t tail = SetupTail(2, 3);
    m_sim.ClearCommands("A");
    replies = m_rig.Exchange(Frame(1, body));
    ASSERT_FALSE(replies.empty());
    const Bytes& reply = replies.back().body;
    ASSERT_EQ(replies.back().id, 1);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kFailureCode), 0U);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kCentre), 150.0F);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kSpan), 10.0F);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kRbw), 0.001F);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kBuckets), model.buckets);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kSweepTime), 100U); // the simulator's 0.1 s
    const std::vector<std::string> sent = m_sim.Commands("A");
    for (const std::string& command : model.sent) {
        EXPECT_NE(std::find(sent.begin(), sent.end(), command), sent.end()) << command;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, RigolSiglentZndSetupCommandTest,
    ::testing::Values(Model{52,
                            "RIGOL TECHNOLOGIES,DSA875,DSA8A123400001,00.01.19",
                            "rigol",
                            typeid(CSpectrumAnalyzerDSA),
                            3001,
                            {":CONFigure:SANalyzer", ":Frequency:Center 150000000.000000",
                             ":UNIT:POWER DBUV"}},
                      Model{53,
                            "RIGOL TECHNOLOGIES,RSA5065,RSA5B123400002,00.01.06",
                            "rigol",
                            typeid(CSpectrumAnalyzerRSA),
                            10001,
                            {"INIT; *WAI", ":CONFigure:SANalyzer;", ":SENSe:FREQuency:CENTer 150000000;",
                             ":UNIT:POWER DBUV ;"}},
                      Model{67,
                            "Rohde-Schwarz,ZND-8,1328.5170K08/101234,2.70",
                            "znd",
                            typeid(CSpectrumAnalyzerZND),
                            5001,
                            {"CALC1:PAR:SDEF \"VXT\", \"S12\";", ":Frequency:Center 150.000000 MHZ;",
                             ":Bandwidth 0.001000 MHZ;"}},
                      Model{71,
                            "Siglent Technologies,SSA3075X-R,SSA3XRBX1R0001,3.2.2.5.1",
                            "siglent",
                            typeid(CSpectrumAnalyzerSSA3075XR),
                            751,
                            {":INST:SEL SA", ":Frequency:Center 150000000.000000"}}),
    [](const ::testing::TestParamInfo<Model>& info) { return "Code" + std::to_string(info.param.code); });

} // namespace
} // namespace orv::test
