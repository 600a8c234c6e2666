#include "engine/scanners/CDOBOTEngine.h"

#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

namespace orv {
namespace {

using test::ArmSettingsFixture;
using test::DobotSimulatorProcess;
using test::LogCapture;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kWrite = 1;

float FloatAt(const Bytes& packet, std::size_t offset) {
    uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) {
        raw |= static_cast<uint32_t>(packet[offset + i]) << (8 * i);
    }
    return std::bit_cast<float>(raw);
}

// A queued move as the arm received it: its command id and the floats after the mode byte.
struct Move {
    uint8_t id = 0;
    std::vector<float> values;
};

std::vector<Move> Moves(const std::vector<Bytes>& packets) {
    std::vector<Move> moves;
    for (const Bytes& packet : packets) {
        if (packet[3] == 84 || packet[3] == 86) {
            Move move{packet[3], {}};
            for (std::size_t offset = 6; offset + 4 < packet.size(); offset += 4) {
                move.values.push_back(FloatAt(packet, offset));
            }
            moves.push_back(move);
        }
    }
    return moves;
}

std::vector<Bytes> WritesOf(const std::vector<Bytes>& packets, uint8_t id) {
    std::vector<Bytes> writes;
    for (const Bytes& packet : packets) {
        if (packet[3] == id && (packet[4] & kWrite) != 0) {
            writes.push_back(packet);
        }
    }
    return writes;
}

float CellX(int row) {
    return static_cast<float>(row) * 7.5F + 3.75F + 64.0F;
}
float CellY(int column) {
    return static_cast<float>(column) * 7.5F + 3.75F - 157.5F;
}

TEST(CDOBOTEngineTables, ReachMaximumHeightsAndCellsUnderAPosition) {
    const CDOBOTEngine engine(0);
    const std::tuple<int, int, int> reachable[] = {{27, 20, 0}, {22, 1, 0},  {22, 2, 1}, {26, 5, 1},
                                                   {26, 4, 0},  {21, 41, 1}, {29, 0, 0}, {0, 0, 1},
                                                   {24, 2, 0},  {24, 3, 1}};
    for (const auto& [row, column, flag] : reachable) {
        EXPECT_EQ(engine.IsCellReachable(row, column), flag) << row << ", " << column;
    }

    LogCapture log;
    EXPECT_EQ(engine.GetMaxHeightForCell(29, 0), 100);
    EXPECT_TRUE(log.Has("GetMaxHeightForCell: Out of range row 29, column 0."));
    const int rowZero[] = {160, 110, 70, 60, 50, 40, 35, 30, 25, 20, 15, 10};
    for (int column = 0; column < 12; ++column) {
        EXPECT_EQ(engine.GetMaxHeightForCell(0, column), rowZero[column]) << column;
    }
    for (int column = 0; column < 42; ++column) {
        EXPECT_EQ(engine.GetMaxHeightForCell(28, column), 15) << column;
    }

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<float, float, uint16_t, uint16_t> cells[] = {
        {63.0F, 0.0F, 65535, 21},          // left of the origin
        {CellX(3), CellY(7), 3, 7},        // inside
        {64.0F + 7.5F * 40, 0.0F, 28, 21}, // beyond row 28
        {100.0F, 400.0F, 4, 41},           // beyond column 41
        {100.0F, -200.0F, 4, 65535},       // before column 0
        {nan, nan, 65535, 65535},          // no position at all
        {1e30F, -1e30F, 28, 65535},
    };
    for (const auto& [x, y, row, column] : cells) {
        uint16_t gotRow = 1;
        uint16_t gotColumn = 1;
        engine.GetCellAtPosition(x, y, gotRow, gotColumn);
        EXPECT_EQ(gotRow, row) << x;
        EXPECT_EQ(gotColumn, column) << y;
    }
    EXPECT_EQ(engine.GetSafeHeight(), 110.0F);
}

class DOBOTEngineOnSimulator : public ::testing::Test {
protected:
    void SetUp() override { m_simulator.SetMotionMs(0); }

    // Connects and initialises an engine with the given settings lines (no prompt).
    std::unique_ptr<CDOBOTEngine> ReadyEngine(const std::vector<std::string>& values = {}) {
        m_settings.emplace(m_simulator.PortName(), values);
        auto engine = std::make_unique<CDOBOTEngine>(0);
        EXPECT_TRUE(engine->Connect());
        EXPECT_TRUE(engine->Initialize());
        m_simulator.ClearRecord();
        return engine;
    }

    DobotSimulatorProcess m_simulator;
    std::optional<ArmSettingsFixture> m_settings;
    LogCapture m_log;
};

TEST_F(DOBOTEngineOnSimulator,
       ConnectFindsThePortByItsDescriptionAndInitializeWritesOnlyWhatTheSettingsHold) {
    m_settings.emplace(m_simulator.PortName(),
                       std::vector<std::string>{"\"xBias\"=sz:\"1.5\"", "\"Joint2Velocity\"=dword:00000050",
                                                "\"Joint3Velocity\"=dword:00000000",
                                                "\"jumpHeight\"=sz:\"high\""});
    CDOBOTEngine engine(0);
    ASSERT_TRUE(engine.Connect());
    EXPECT_EQ(engine.GetPortName(), m_simulator.PortName());
    EXPECT_TRUE(m_log.Has("Dobot Port path: " + m_simulator.PortName() +
                          ", Port friendly name: " + ArmSettingsFixture::kDescription + " (" +
                          m_simulator.PortName().substr(m_simulator.PortName().rfind('/') + 1) +
                          "), Port description: " + ArmSettingsFixture::kDescription +
                          ", Port name: " + m_simulator.PortName()))
        << ::testing::PrintToString(m_log.Lines());
    m_simulator.ClearRecord();

    ASSERT_TRUE(engine.Initialize());
    EXPECT_TRUE(m_log.Has("Dobot SN: DMSIM0042, Name: QuorlynSim, Version: V3.7.1"));
    EXPECT_TRUE(m_log.Has("Ready."));
    EXPECT_TRUE(m_log.Has("Dobot setting jumpHeight is not a number; the arm keeps its own value."));
    const std::vector<Bytes> packets = m_simulator.Packets();
    // Offsets: only x from the settings, the rest as the arm had them.
    const std::vector<Bytes> offsets = WritesOf(packets, 60);
    ASSERT_EQ(offsets.size(), 1U);
    EXPECT_EQ(FloatAt(offsets[0], 5), 1.5F);
    EXPECT_EQ(FloatAt(offsets[0], 9), 0.0F);
    // Joint velocities: joint 2 replaced, joint 3's 0 ignored, the rest the arm's 200.
    const std::vector<Bytes> joints = WritesOf(packets, 80);
    ASSERT_EQ(joints.size(), 1U);
    EXPECT_EQ(FloatAt(joints[0], 5), 200.0F);
    EXPECT_EQ(FloatAt(joints[0], 9), 80.0F);
    EXPECT_EQ(FloatAt(joints[0], 13), 200.0F);
    for (const uint8_t untouched : {70, 71, 72, 74, 81, 82, 85, 3}) {
        EXPECT_TRUE(WritesOf(packets, untouched).empty()) << int{untouched};
    }
    EXPECT_EQ(engine.IsRailFitted(), 0);
    EXPECT_EQ(engine.IsCalibrated(), 1) << "an engine made without the prompt";
}

TEST_F(DOBOTEngineOnSimulator, WithoutAMatchingPortConnectFails) {
    m_settings.emplace("/dev/null/none");
    CDOBOTEngine engine(0);
    EXPECT_FALSE(engine.Connect());
    EXPECT_TRUE(m_log.Has("Connection to Dobot failed."));
    EXPECT_FALSE(engine.Initialize());
}

TEST_F(DOBOTEngineOnSimulator, TheCalibrationPromptHomesOnOkAndIsSkippedOnCancel) {
    m_settings.emplace(m_simulator.PortName());
    for (const PromptAnswer answer : {PromptAnswer::Ok, PromptAnswer::Cancel}) {
        auto prompt = std::make_shared<ScriptedPrompt>();
        prompt->Script(answer);
        const ScopedPromptInstall install(prompt);
        CDOBOTEngine engine(1);
        ASSERT_TRUE(engine.Connect());
        m_simulator.ClearRecord();
        ASSERT_TRUE(engine.Initialize());

        const std::vector<PromptRequest> requests = prompt->Requests();
        ASSERT_EQ(requests.size(), 1U);
        EXPECT_EQ(requests[0].caption, "Quorlyn Calibration");
        EXPECT_EQ(requests[0].text, CDOBOTEngine::kCalibrationText);
        EXPECT_EQ(requests[0].buttons, PromptButtons::OkCancel);
        const std::vector<Bytes> packets = m_simulator.Packets();
        const std::vector<Bytes> homing = WritesOf(packets, 30);
        if (answer == PromptAnswer::Ok) {
            ASSERT_EQ(homing.size(), 1U);
            EXPECT_EQ(FloatAt(homing[0], 5), 160.0F);
            EXPECT_EQ(FloatAt(homing[0], 9), 0.0F);
            EXPECT_EQ(WritesOf(packets, 31).size(), 1U);
            // Lifted to z 0 over where it stood before homing.
            const std::vector<Move> moves = Moves(packets);
            ASSERT_EQ(moves.size(), 1U);
            EXPECT_EQ(moves[0].values[2], 0.0F);
            EXPECT_TRUE(m_log.Has("Dobot homing..."));
            EXPECT_EQ(engine.IsCalibrated(), 1);
        } else {
            EXPECT_TRUE(homing.empty());
            EXPECT_TRUE(WritesOf(packets, 31).empty());
            EXPECT_EQ(engine.IsCalibrated(), 0);
        }
        engine.Disconnect();
        m_log.Clear();
    }
}

TEST_F(DOBOTEngineOnSimulator, MovesRiseTravelOrDescendAndLiftBeforeAHigherRow) {
    const auto engine = ReadyEngine();
    engine->SetProbeHeight(50.0F);

    // First move after the height was set: no lift; the arm stood 170 above the z offset, higher than the
    // target's maximum (160), so it descends where it stands first.
    ASSERT_TRUE(engine->ExecuteMove(40.0F, 2, 3, 0, 0));
    std::vector<Move> moves = Moves(m_simulator.Packets());
    ASSERT_EQ(moves.size(), 2U);
    EXPECT_EQ(moves[1].values, (std::vector<float>{CellX(2), CellY(3), -80.0F, 0.0F}));
    m_simulator.ClearRecord();

    // A higher row: lifted to the smallest of the probe height (50) and both maxima (160), then travel
    // at that height, then the move.
    ASSERT_TRUE(engine->ExecuteMove(40.0F, 5, 3, 0, 0));
    moves = Moves(m_simulator.Packets());
    ASSERT_EQ(moves.size(), 3U);
    EXPECT_EQ(moves[0].values, (std::vector<float>{CellX(2), CellY(3), -70.0F, 0.0F}));
    EXPECT_EQ(moves[1].values, (std::vector<float>{CellX(5), CellY(3), -70.0F, 0.0F}));
    EXPECT_EQ(moves[2].values, (std::vector<float>{CellX(5), CellY(3), -80.0F, 0.0F}));
    m_simulator.ClearRecord();

    // The same row higher up: rise where it stands, then the move.
    ASSERT_TRUE(engine->ExecuteMove(90.0F, 5, 4, 0, 0));
    moves = Moves(m_simulator.Packets());
    ASSERT_EQ(moves.size(), 2U);
    EXPECT_EQ(moves[0].values, (std::vector<float>{CellX(5), CellY(3), -30.0F, 0.0F}));
    EXPECT_EQ(moves[1].values, (std::vector<float>{CellX(5), CellY(4), -30.0F, 0.0F}));
    m_simulator.ClearRecord();

    // Over a lower row whose maximum (row 0, column 11: 10) lies below the probe: descend first.
    ASSERT_TRUE(engine->ExecuteMove(5.0F, 0, 11, 0, 0));
    moves = Moves(m_simulator.Packets());
    ASSERT_EQ(moves.size(), 2U);
    EXPECT_EQ(moves[0].values, (std::vector<float>{CellX(5), CellY(4), -110.0F, 0.0F}));
    EXPECT_EQ(moves[1].values, (std::vector<float>{CellX(0), CellY(11), -115.0F, 0.0F}));
    EXPECT_EQ(engine->GetLastRow(), 0);
    EXPECT_EQ(engine->GetLastColumn(), 11);
}

TEST_F(DOBOTEngineOnSimulator, AnUnreachableCellGetsNoMoveAndHeightsBelowTheFloorAreRaised) {
    const auto engine = ReadyEngine();
    engine->SetProbeHeight(50.0F);
    ASSERT_TRUE(engine->ExecuteMove(-200.0F, 1, 20, 0, 0));
    std::vector<Move> moves = Moves(m_simulator.Packets());
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().values[2], -190.0F) << "-70 above the z offset at the lowest";
    m_simulator.ClearRecord();

    ASSERT_TRUE(engine->ExecuteMove(-70.0F, 27, 20, 0, 0));
    EXPECT_TRUE(Moves(m_simulator.Packets()).empty()) << "no move towards an unreachable cell";
    EXPECT_EQ(engine->GetLastRow(), 27);
}

TEST_F(DOBOTEngineOnSimulator, SubPositionsByStepWordsAndTheRailForm) {
    const auto engine = ReadyEngine();
    struct Case {
        uint16_t a;
        uint16_t b;
        int subRow;
        int subColumn;
        float pitch;
    };
    const Case cases[] = {
        {5, 16, 5, 6, 1.875F}, // odd q: columns reversed
        {2, 16, 4, 6, 1.875F}, // even q
        {3, 4, 3, 2, 3.75F},
        {7, 3, 1, 1, 7.5F}, // no sub-division: the cell itself
    };
    for (const Case& c : cases) {
        engine->SetProbeHeight(40.0F);
        m_simulator.ClearRecord();
        ASSERT_TRUE(engine->ExecuteMove(40.0F, 1, 1, c.a, c.b));
        EXPECT_EQ(engine->GetPitch(), c.pitch);
        const std::vector<Move> moves = Moves(m_simulator.Packets());
        ASSERT_FALSE(moves.empty());
        const float x = static_cast<float>(c.subRow) * c.pitch + c.pitch / 2 + 64.0F;
        const float y = static_cast<float>(c.subColumn) * c.pitch + c.pitch / 2 - 157.5F;
        EXPECT_EQ(moves.back().values, (std::vector<float>{x, y, -80.0F, 0.0F})) << c.a << "/" << c.b;
    }
    // A sub-position beyond the cell's sub-grid is refused.
    EXPECT_FALSE(engine->ExecuteMove(40.0F, 1, 1, 16, 16));

    // With the rail: command 86 with the row coordinate, the height and the rail coordinate.
    engine->Disconnect();
    const auto railed = ReadyEngine({"\"deviceWithL\"=sz:\"1\""});
    EXPECT_EQ(railed->IsRailFitted(), 1);
    railed->SetProbeHeight(40.0F);
    m_simulator.ClearRecord();
    ASSERT_TRUE(railed->ExecuteMove(40.0F, 3, 30, 0, 0));
    const std::vector<Move> moves = Moves(m_simulator.Packets());
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().id, 86);
    EXPECT_EQ(moves.back().values,
              (std::vector<float>{3 * 7.5F + 64.0F, 0.0F, -80.0F, 0.0F, (30 - 21) * 7.5F}));
}

TEST_F(DOBOTEngineOnSimulator, AnAlarmOrAnExpiredWaitFailsTheMove) {
    const auto engine = ReadyEngine();
    engine->SetProbeHeight(40.0F);
    m_simulator.Control("movealarm 2 1");
    EXPECT_FALSE(engine->ExecuteMove(40.0F, 4, 4, 0, 0));
    EXPECT_FALSE(engine->IsStopped());
    ASSERT_TRUE(engine->ExecuteMove(40.0F, 4, 5, 0, 0)) << "the move clears the alarms first";

    FakeClock clock;
    const ScopedClockInstall install(clock);
    m_simulator.SetMotionMs(1000000);
    EXPECT_FALSE(engine->ExecuteMove(40.0F, 4, 6, 0, 0));
    EXPECT_GE(clock.TotalPaused(), std::chrono::milliseconds(5000));
    EXPECT_TRUE(m_log.Has("Dobot: the move did not end in time."));
}

TEST_F(DOBOTEngineOnSimulator, AStoppedArmRefusesMovesUntilResumed) {
    const auto engine = ReadyEngine();
    engine->SetProbeHeight(40.0F);
    engine->Stop();
    EXPECT_TRUE(engine->IsStopped());
    m_simulator.ClearRecord();
    EXPECT_FALSE(engine->ExecuteMove(40.0F, 4, 4, 0, 0));
    EXPECT_FALSE(engine->MoveToPose(200.0F, 0.0F, 0.0F, 0.0F));
    EXPECT_TRUE(Moves(m_simulator.Packets()).empty());
    engine->Resume();
    EXPECT_FALSE(engine->IsStopped());
    EXPECT_TRUE(engine->ExecuteMove(40.0F, 4, 4, 0, 0));
    EXPECT_TRUE(engine->MoveToPose(200.0F, 10.0F, 0.0F, 0.0F));
    ArmPose pose;
    ASSERT_TRUE(engine->GetPose(pose));
    EXPECT_EQ(pose.y, 10.0F);
}

} // namespace
} // namespace orv
