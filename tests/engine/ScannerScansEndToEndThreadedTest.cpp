// Scans through the running engine with a real scanner driver: the USB scanner board on the fake USB
// transport and the robot arm on its simulator, with the placeholder analyser ("-NoSA", driver 900),
// command frames into the command pipe and the data frames read back by the client's readers.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/NoScannerFallback.h"
#include "core/QAttachedScannerSource.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScannerBot.h"
#include "platform/ui/ScriptedPrompt.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/engine/support/FakeUsbBoard.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kScanOption = 4;
constexpr std::size_t kMeasurePeaks = 49;
constexpr std::size_t kFailureCode = 60;
constexpr std::size_t kScanLevel = 87;
// A 3 x 3 grid whose cells 0, 2, 4, 6 and 8 are active, cell i at height 100 + i.
constexpr int16_t kSide = 3;
constexpr std::array<std::pair<int, int>, 5> kActiveCells{{{0, 0}, {0, 2}, {1, 1}, {2, 0}, {2, 2}}};

class ScannerScansEndToEnd : public ::testing::Test {
protected:
    ScannerScansEndToEnd() {
        SetNoAnalyzerSwitch(true);
        ResetNoScannerFallback();
    }
    ~ScannerScansEndToEnd() override {
        m_objects.reset();
        ResetNoScannerFallback();
        SetNoAnalyzerSwitch(false);
    }

    CDeviceManager& Manager() { return *m_objects->GetSetupScan().GetDeviceManager(); }

    // The engine with the placeholder analyser and the scanner of `type`, set up for a spectral/spatial
    // scan of the 3 x 3 grid (4^level components per cell).
    void StartEngine(eProbeType type, uint8_t level = 0) {
        m_objects = std::make_unique<CEngineObjects>(CEngineStartup{});
        SetupScan& setup = m_objects->GetSetupScan();
        for (const eProbeType other :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            if (other != type) {
                Manager().SetScannerMaker(other, nullptr);
            }
        }
        ASSERT_TRUE(setup.ConnectAnalyzer());
        ASSERT_TRUE(setup.ConnectScanner(type));
        ASSERT_EQ(Manager().GetScanner()->GetProbeType(), type);
        CTransferPipe& pipe = m_objects->GetCommandPipe();
        WriteAll(pipe, Frame(4, Bytes{0x84, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_EQ(WaitForFrames(pipe, 1, 5s, m_commandPending).size(), 1U);

        Bytes body = SetupBody(
            {.scanType = 101, .rows = kSide, .columns = kSide, .rowsAgain = kSide, .columnsAgain = kSide});
        const std::size_t tail = SetupTail(kSide, kSide);
        body[tail + kScanOption] = 0;
        body[tail + kMeasurePeaks] = 0;
        body[tail + kScanLevel] = level;
        WriteAll(pipe, Frame(1, body));
        std::vector<ReplyFrame> frames;
        while (frames.empty() || frames.back().id != 1) {
            std::vector<ReplyFrame> more = WaitForFrames(pipe, 1, 5s, m_commandPending);
            ASSERT_FALSE(more.empty());
            frames.insert(frames.end(), more.begin(), more.end());
        }
        ASSERT_EQ(ValueAt<uint32_t>(frames.back().body, tail + kFailureCode), 0U);
    }

    void Go() {
        WriteAll(m_objects->GetCommandPipe(), Frame(2, Bytes{0}));
        const std::vector<ReplyFrame> reply =
            WaitForFrames(m_objects->GetCommandPipe(), 1, 5s, m_commandPending);
        ASSERT_EQ(reply.size(), 1U);
        EXPECT_EQ(reply[0].id, 2);
    }

    // Data frames up to and with the terminator (bounded), each read back by the client's reader;
    // `whileWaiting` runs between reads.
    std::vector<ReplyFrame> DataUntilTerminator(const std::function<void()>& whileWaiting = {}) {
        std::vector<ReplyFrame> frames;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while ((frames.empty() || frames.back().id != 103) && std::chrono::steady_clock::now() < deadline) {
            std::vector<ReplyFrame> more = ReadFrames(m_objects->GetDataPipe(), m_dataPending);
            frames.insert(frames.end(), more.begin(), more.end());
            if (whileWaiting) {
                whileWaiting();
            }
            if (more.empty()) {
                m_objects->GetDataPipe().WaitForEngineBytes(10ms);
            }
        }
        EXPECT_TRUE(m_objects->GetCommandEngine().WaitForScanEnd(5s));
        return frames;
    }

    // The cells of the 101 frames, each read back; the 105 frames read back too.
    static std::vector<std::pair<int, int>> MeasuredCells(const std::vector<ReplyFrame>& frames) {
        std::vector<std::pair<int, int>> cells;
        for (const ReplyFrame& frame : frames) {
            if (frame.id == 101) {
                const auto component = ReadBack<QSpectralSpatialScanComponent>(Frame(101, frame.body));
                cells.emplace_back(component->GetRow(), component->GetColumn());
            } else if (frame.id == 105) {
                ReadBack<QScanProgressIndicator>(Frame(105, frame.body));
            }
        }
        return cells;
    }

    static uint32_t Terminator(const std::vector<ReplyFrame>& frames) {
        EXPECT_FALSE(frames.empty());
        if (frames.empty() || frames.back().id != 103) {
            return 0xFFFFFFFFU;
        }
        return static_cast<uint32_t>(ReadBack<QTerminator>(Frame(103, frames.back().body))->GetErrorCode());
    }

    TemporaryUserDataFolder m_folder{"orv-scanner-scans"};
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", ""};
    EnvironmentValue m_resources{"ORV_VISA_RESOURCES", ""};
    std::unique_ptr<CEngineObjects> m_objects;
    Bytes m_commandPending;
    Bytes m_dataPending;
};

TEST_F(ScannerScansEndToEnd, ABoardUnpluggedMidScanEndsWith507KeepsItsCellsAndIsReopenedByTheNextCommand) {
    FakeUsbBoard board;
    const ScopedUsbTransportInstall install(board);
    board.SetScannerId(77);
    StartEngine(eProbeType::UsbScannerBoard);
    // Each switch is one write and one read: the board goes after the third cell's switch.
    board.UnplugFromTransfer(board.TransferCount() + 3 * 2);
    testing::internal::CaptureStdout();
    Go();
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Terminator(frames), 507U);
    EXPECT_EQ(MeasuredCells(frames),
              (std::vector<std::pair<int, int>>(kActiveCells.begin(), kActiveCells.begin() + 3)));
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const ReplyFrame& f) { return f.id == 105; }),
              3);
    EXPECT_TRUE(Manager().GetScanner()->IsReconnectNeeded());

    // Plugged back (a new device): the query of the scan head reconnects first, then reads the ID.
    board.PlugBack();
    board.SetScannerId(78);
    board.ClearCalls();
    WriteAll(m_objects->GetCommandPipe(), Frame(5, LittleEndian32(0)));
    const std::vector<ReplyFrame> reply = WaitForFrames(m_objects->GetCommandPipe(), 1, 5s, m_commandPending);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(reply[0].id, 5);
    EXPECT_EQ(reply[0].body, LittleEndian32(78));
    const std::vector<FakeUsbBoard::Call> calls = board.Calls();
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const FakeUsbBoard::Call& call) {
        return call.kind == FakeUsbBoard::CallKind::Open;
    }));
    EXPECT_FALSE(Manager().GetScanner()->IsReconnectNeeded());
    EXPECT_EQ(GetAttachedScannerId(), 78);
    // The board's handle goes before the fake behind it.
    m_objects.reset();
}

class AdapterScansEndToEnd : public ScannerScansEndToEnd {
protected:
    AdapterSimulator m_simulator;
    ScopedNetworkSource m_network{std::make_shared<LoopbackNetworkSource>(m_simulator.Address())};
    AdapterPortSettings m_noPorts{{}};
};

TEST_F(AdapterScansEndToEnd, AFourComponentScanSwitchesEveryCellComponentByComponentBetweenBeginAndEnd) {
    ASSERT_EQ(m_simulator.Error(), "");
    StartEngine(eProbeType::ExternalAdapter, 1);
    m_simulator.ClearRecord();
    Go();
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    EXPECT_EQ(Terminator(frames), 0U);

    std::vector<Bytes> expected{{'j'}};
    for (uint8_t component = 0; component < 4; ++component) {
        for (const auto& [row, column] : kActiveCells) {
            expected.push_back(
                Bytes{'0', static_cast<uint8_t>(row), static_cast<uint8_t>(column), component, 0, 4, 0, 0});
        }
    }
    expected.push_back(Bytes{'k'});
    EXPECT_EQ(m_simulator.Payloads(), expected);
    EXPECT_EQ(MeasuredCells(frames).size(), 4 * kActiveCells.size());
}

TEST_F(AdapterScansEndToEnd,
       ALinkDroppedAfterThreeCellsEndsWith507KeepsThemAndTheNextCommandFindsTheAdapterAgain) {
    ASSERT_EQ(m_simulator.Error(), "");
    StartEngine(eProbeType::ExternalAdapter);
    m_simulator.ScriptFault('0', AdapterSimulator::Fault::DropLink, 3);
    m_simulator.SetScannerType({78, 0, 0, 0});
    testing::internal::CaptureStdout();
    Go();
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Terminator(frames), 507U);
    EXPECT_EQ(MeasuredCells(frames),
              (std::vector<std::pair<int, int>>(kActiveCells.begin(), kActiveCells.begin() + 3)));
    EXPECT_TRUE(Manager().GetScanner()->IsReconnectNeeded());

    WriteAll(m_objects->GetCommandPipe(), Frame(5, LittleEndian32(0)));
    const std::vector<ReplyFrame> reply =
        WaitForFrames(m_objects->GetCommandPipe(), 1, 10s, m_commandPending);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(reply[0].body, LittleEndian32(78));
    EXPECT_FALSE(Manager().GetScanner()->IsReconnectNeeded());
    EXPECT_EQ(m_simulator.Connections(), 2U);
    EXPECT_EQ(GetAttachedScannerId(), 78);
}

class ArmScansEndToEnd : public ScannerScansEndToEnd {
protected:
    void SetUp() override {
        m_simulator.SetMotionMs(0);
        StartEngine(eProbeType::RobotArm);
        m_simulator.ClearRecord();
    }

    // The queued moves the arm received: x, y, z of each.
    std::vector<std::array<float, 3>> Moves() {
        std::vector<std::array<float, 3>> moves;
        for (const std::vector<uint8_t>& packet : m_simulator.Packets()) {
            if (packet[3] != 84) {
                continue;
            }
            std::array<float, 3> move{};
            for (std::size_t i = 0; i < 3; ++i) {
                uint32_t raw = 0;
                std::memcpy(&raw, packet.data() + 6 + 4 * i, sizeof raw);
                move[i] = std::bit_cast<float>(raw);
            }
            moves.push_back(move);
        }
        return moves;
    }

    static std::array<float, 3> CellMove(int row, int column) {
        const auto height = static_cast<float>(100 + row * kSide + column);
        return {static_cast<float>(row) * 7.5F + 3.75F + 64.0F,
                static_cast<float>(column) * 7.5F + 3.75F - 157.5F, height - 120.0F};
    }

    DobotSimulatorProcess m_simulator;
    ArmSettingsFixture m_settings{m_simulator.PortName()};
    ScopedPromptInstall m_prompt{std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel)};
};

TEST_F(ArmScansEndToEnd, TheArmCarriesTheProbeToEveryActiveCellInOrderAtItsHeightWhileAPollerReadsThePose) {
    std::atomic<bool> polling{true};
    std::atomic<int> poses{0};
    std::thread poller([&] {
        while (polling.load()) {
            float x = 0;
            float y = 0;
            float z = 0;
            float r = 0;
            if (Manager().GetArmPose(x, y, z, r)) {
                ++poses;
                poses.notify_all();
            }
        }
    });
    // The poller is reading before the scan begins, and goes on until it has ended.
    poses.wait(0);
    Go();
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    polling.store(false);
    poller.join();
    EXPECT_EQ(Terminator(frames), 0U);
    EXPECT_EQ(MeasuredCells(frames),
              (std::vector<std::pair<int, int>>(kActiveCells.begin(), kActiveCells.end())));

    // Each cell's own move, in the order of the cells, among the lifts and travels between them.
    const std::vector<std::array<float, 3>> moves = Moves();
    std::size_t next = 0;
    for (const std::array<float, 3>& move : moves) {
        if (next < kActiveCells.size() &&
            move == CellMove(kActiveCells[next].first, kActiveCells[next].second)) {
            ++next;
        }
    }
    EXPECT_EQ(next, kActiveCells.size());
    EXPECT_GT(poses.load(), 0);
    EXPECT_EQ(m_simulator.Junk(), 0U) << "every packet whole";
}

TEST_F(ArmScansEndToEnd, TheEmergencyStopEndsTheScanWithNoReadingAtTheCellNotReached) {
    // The first cell's move never ends by itself.
    m_simulator.SetMotionMs(1000000);
    Go();
    bool stopped = false;
    const std::vector<ReplyFrame> frames = DataUntilTerminator([&] {
        if (stopped) {
            return;
        }
        for (const std::array<float, 3>& move : Moves()) {
            if (move == CellMove(0, 0)) {
                stopped = Manager().StopArm();
            }
        }
    });
    ASSERT_TRUE(stopped);
    EXPECT_EQ(Terminator(frames), 507U);
    EXPECT_TRUE(MeasuredCells(frames).empty());
    EXPECT_FALSE(Manager().GetScanner()->IsReconnectNeeded());
}

} // namespace
} // namespace orv::test
