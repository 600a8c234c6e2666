#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CSAConnection.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "engine/AnalyzerFactoryTable.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineTestScopes.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr uint32_t kNoCode = static_cast<uint32_t>(-1);

// What the driver doubles of one test did.
struct DriverJournal {
    std::set<int32_t> servedCodes; // the models whose driver reaches the connected analyser
    std::vector<std::string> events;
};

// A driver that finds its model on the connection when the journal says so.
class DriverDouble final : public CSpectrumAnalyzer {
public:
    DriverDouble(int32_t code, DriverJournal& journal) : m_code(code), m_journal(journal) {
        m_journal.events.push_back("make " + std::to_string(code));
    }
    ~DriverDouble() override { m_journal.events.push_back("delete " + std::to_string(m_code)); }

    bool FindVisaConnection(CSAConnection* connection, int32_t driverID) override {
        m_boundTo = connection;
        return m_journal.servedCodes.contains(driverID);
    }
    void QueryFirmwareGeneration() override {
        m_journal.events.push_back("generation " + std::to_string(m_code));
    }

    int32_t Code() const { return m_code; }
    CSAConnection* BoundTo() const { return m_boundTo; }

private:
    int32_t m_code;
    DriverJournal& m_journal;
    CSAConnection* m_boundTo = nullptr;
};

class ConnectionDouble final : public CSAConnection {
public:
    std::string QueryIdentity() override { return "double"; }
    bool DetectAndConnect() override { return true; }
};

// The device manager over a connection double, making driver doubles for the codes whose class the
// table has a maker for or that the test lists as landed.
class DriverSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.SetVisaConnectionMaker([] { return std::make_unique<ConnectionDouble>(); });
        ASSERT_TRUE(m_manager.ConnectVisa());
        m_manager.SetAnalyzerFactory([this](int32_t code) -> std::unique_ptr<CSpectrumAnalyzer> {
            if (!m_landed.contains(code)) {
                return nullptr;
            }
            return std::make_unique<DriverDouble>(code, m_journal);
        });
        m_manager.SetDriverChangeApplySource([this] { return m_applying; });
    }

    // Sends the driver command for `code`; returns the reply's first word.
    uint32_t Switch(int32_t code, bool& result) {
        std::array<uint32_t, 4> words{static_cast<uint32_t>(code), 0, 0, 0};
        result = m_manager.SetAnalyzerDriver(words);
        return words[0];
    }

    const DriverDouble* Driver() const { return dynamic_cast<const DriverDouble*>(m_manager.GetAnalyzer()); }

    DriverJournal m_journal;
    std::set<int32_t> m_landed{26, 27, 41};
    bool m_applying = false;
    CDeviceManager m_manager;
};

TEST_F(DriverSwitchTest, AnAcceptedDriverIsBoundAndAskedForItsGeneration) {
    m_journal.servedCodes = {27};
    bool result = false;
    EXPECT_EQ(Switch(27, result), 27U);
    EXPECT_TRUE(result);
    ASSERT_NE(Driver(), nullptr);
    EXPECT_EQ(Driver()->Code(), 27);
    EXPECT_EQ(Driver()->BoundTo(), m_manager.GetConnection());
    EXPECT_EQ(m_manager.GetModelCode(), 27);
    EXPECT_EQ(m_journal.events, (std::vector<std::string>{"make 27", "generation 27"}));
}

TEST_F(DriverSwitchTest, ARefusedDriverGivesWayToThePreviousModel) {
    m_journal.servedCodes = {41};
    bool result = false;
    ASSERT_EQ(Switch(41, result), 41U);
    m_journal.events.clear();

    // 26 does not reach the analyser, 16 makes no driver, 5's class has not landed: each is refused
    // and the previous model's driver is made again.
    for (const int32_t refused : {26, 16, 5}) {
        SCOPED_TRACE(refused);
        m_journal.events.clear();
        EXPECT_EQ(Switch(refused, result), 41U);
        EXPECT_TRUE(result);
        ASSERT_NE(Driver(), nullptr);
        EXPECT_EQ(Driver()->Code(), 41);
        EXPECT_EQ(Driver()->BoundTo(), m_manager.GetConnection());
        EXPECT_EQ(m_manager.GetModelCode(), 41);
        std::vector<std::string> expected{"delete 41"};
        if (m_landed.contains(refused)) {
            expected.push_back("make " + std::to_string(refused));
            expected.push_back("delete " + std::to_string(refused));
        }
        expected.insert(expected.end(), {"make 41", "generation 41"});
        EXPECT_EQ(m_journal.events, expected);
    }
}

TEST_F(DriverSwitchTest, ARefusedDriverWithNoPreviousModelLeavesNone) {
    for (const int32_t refused : {26, 16, 5}) {
        SCOPED_TRACE(refused);
        bool result = true;
        EXPECT_EQ(Switch(refused, result), kNoCode);
        EXPECT_FALSE(result);
        EXPECT_EQ(m_manager.GetAnalyzer(), nullptr);
        EXPECT_EQ(m_manager.GetModelCode(), -1);
    }
}

TEST_F(DriverSwitchTest, APreviousModelThatNoLongerAnswersLeavesNone) {
    m_journal.servedCodes = {41};
    bool result = false;
    ASSERT_EQ(Switch(41, result), 41U);
    m_journal.servedCodes.clear();
    EXPECT_EQ(Switch(26, result), kNoCode);
    EXPECT_FALSE(result);
    EXPECT_EQ(m_manager.GetAnalyzer(), nullptr);
    EXPECT_EQ(m_manager.GetModelCode(), -1);
}

TEST_F(DriverSwitchTest, TheApplyFlagAcceptsWithoutTheCheck) {
    m_applying = true;
    bool result = false;
    EXPECT_EQ(Switch(26, result), 26U);
    EXPECT_TRUE(result);
    ASSERT_NE(Driver(), nullptr);
    EXPECT_EQ(Driver()->BoundTo(), m_manager.GetConnection());
    // A code without a driver stays refused.
    EXPECT_EQ(Switch(16, result), 26U);
    EXPECT_EQ(Driver()->Code(), 26);
}

TEST_F(DriverSwitchTest, WhileAScanRunsTheDriverStays) {
    m_journal.servedCodes = {27, 41};
    bool result = false;
    ASSERT_EQ(Switch(27, result), 27U);
    const CSpectrumAnalyzer* const scanDriver = m_manager.GetAnalyzer();
    m_journal.events.clear();

    m_manager.SetScanRunning(true);
    EXPECT_EQ(Switch(41, result), 27U);
    EXPECT_FALSE(result);
    EXPECT_EQ(m_manager.GetAnalyzer(), scanDriver);
    EXPECT_TRUE(m_journal.events.empty());
    m_manager.SetScanRunning(false);
}

TEST(DriverSwitchWithoutConnection, NoConnectionRefusesEveryDriver) {
    CDeviceManager manager;
    std::array<uint32_t, 4> words{900, 0, 0, 0};
    EXPECT_FALSE(manager.SetAnalyzerDriver(words));
    EXPECT_EQ(words[0], kNoCode);
    EXPECT_EQ(manager.GetAnalyzer(), nullptr);
}

TEST(DriverSwitchWithoutAnalyser, ThePlaceholderBindsToThePlaceholderSession) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    const test::TemporaryUserDataFolder folder("orv-driver-switch");
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    SetNoAnalyzerSwitch(true);
    {
        const test::EnvironmentValue libraries("ORV_VISA_LIBRARIES", "");
        const test::EnvironmentValue resources("ORV_VISA_RESOURCES", "");
        CDeviceManager manager;
        ASSERT_TRUE(manager.ConnectVisa());
        std::array<uint32_t, 4> words{900, 0, 0, 0};
        ASSERT_TRUE(manager.SetAnalyzerDriver(words));
        EXPECT_EQ(words[0], 900U);
        const auto* placeholder = dynamic_cast<const CSpectrumAnalyzerNone*>(manager.GetAnalyzer());
        ASSERT_NE(placeholder, nullptr);
        EXPECT_EQ(placeholder->GetSession(), CVisaConnection::kPlaceholderSession);
    }
    SetNoAnalyzerSwitch(false);
}

} // namespace
} // namespace orv
