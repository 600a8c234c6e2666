#include "engine/CSocketCommandEngine.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "core/QDataReader.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketDataEngine.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "platform/clock/FakeClock.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orv::test {
namespace {

class CommandEndpoint : public ::testing::Test {
protected:
    CommandEndpoint() : m_clockInstall(m_clock) {
        m_data.SetChannel(&m_dataPipe);
        m_context.setup = &m_setup;
        m_context.stopFlag = &m_stopFlag;
        m_context.data = &m_data;
        m_context.runners = &m_runners;
        m_context.devices = &m_devices;
    }

    CSocketCommandEngine& Engine() {
        if (!m_engine) {
            m_engine = std::make_unique<CSocketCommandEngine>(m_context);
            m_engine->SetChannel(&m_pipe);
        }
        return *m_engine;
    }

    void WithoutDevices() { m_context.devices = nullptr; }

    std::vector<ReplyFrame> Exchange(const Bytes& bytes) {
        WriteAll(m_pipe, bytes);
        while (Engine().Poll()) {
        }
        return ReadFrames(m_pipe, m_pending);
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    LogCapture m_log;
    CTransferPipe m_pipe;
    CTransferPipe m_dataPipe;
    SetupScan m_setup;
    ScanStopFlag m_stopFlag;
    CSocketDataEngine m_data;
    CScanRunnerTable m_runners;
    FakeEngineDevices m_devices;
    CEngineContext m_context;
    std::unique_ptr<CSocketCommandEngine> m_engine;
    Bytes m_pending;
};

QSetupScanCommand ClientSetup(uint16_t rows, uint16_t columns, bool extended) {
    QSetupScanCommand command;
    command.SetScanKind(101);
    command.SetProbeScanPattern(QProbeScanPattern(rows, columns, 1, 40));
    command.SetFrequencyRange(30.0F, 1000.0F);
    command.SetTracePointsPerCell(401);
    command.SetHasExtension(extended);
    return command;
}

TEST_F(CommandEndpoint, EmptyGridSetUpIsAppliedAndAnsweredWithItsNinetyEightBytes) {
    const Bytes body = SetupBody(
        {.scanType = 100, .rows = 0, .columns = 0, .rowsAgain = 0, .columnsAgain = 0, .padding = 0});
    ASSERT_EQ(body.size(), 98U);
    const std::vector<ReplyFrame> replies = Exchange(Frame(1, body));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].id, 1);
    ASSERT_EQ(replies[0].body.size(), 98U);
    EXPECT_EQ(m_setup.GetScanType(), 100);
    EXPECT_EQ(m_setup.GetNumberOfFrequencyBuckets(), 601U);
    EXPECT_EQ(m_setup.GetPeakPoints(), -3);
    EXPECT_EQ(m_setup.GetCellCount(), 0U);
    // What came in is what goes back, except the analyser's own pre-amplifier and coupling record.
    Bytes expected = body;
    expected[10 + 76] = 0; // pre-amplifier as the analyser recorded it
    std::memset(expected.data() + 10 + 78, 0, 4);
    expected[10 + 82] = 0; // DC coupling as the analyser recorded it
    EXPECT_EQ(replies[0].body, expected);
}

TEST_F(CommandEndpoint, ClientSetUpFramesWithAndWithoutTheExtendedGroupAreApplied) {
    for (const bool extended : {true, false}) {
        SCOPED_TRACE(extended);
        const Bytes frame = ClientFrame(ClientSetup(29, 42, extended));
        EXPECT_EQ(frame.size(), extended ? 3763U : 3751U);
        const std::vector<ReplyFrame> replies = Exchange(frame);
        ASSERT_EQ(replies.size(), 1U);
        EXPECT_EQ(replies[0].id, 1);
        EXPECT_EQ(replies[0].body.size(), 3752U);
        EXPECT_EQ(m_setup.GetScanType(), 101);
        EXPECT_EQ(m_setup.GetRows(), 29);
        EXPECT_EQ(m_setup.GetColumns(), 42);
        ASSERT_EQ(m_setup.GetProbeCellMap()->size(), 1218U);
        EXPECT_EQ(m_setup.GetCellValues()->at(1217), 40);
        EXPECT_EQ(m_setup.GetStopFrequency(), 1000.0F);
        EXPECT_EQ(m_setup.GetNumberOfFrequencyBuckets(), 401U);
        EXPECT_EQ(m_setup.GetPeakScan(), 0.02F);
        EXPECT_EQ(m_setup.GetPeakError(), 0.02F);
        EXPECT_EQ(m_setup.GetPeakPoints(), 2);
        EXPECT_EQ(m_setup.GetPeakDevs(), 2);
        // The reply reads back as the client's own set-up.
        QSetupScanCommand echoed;
        const Bytes replyFrame = Frame(1, replies[0].body);
        QCharArrayDataReader reader(replyFrame.data(), static_cast<uint32_t>(replyFrame.size()));
        echoed.Deserialize(reader);
        EXPECT_EQ(echoed.GetRows(), 29);
        EXPECT_EQ(echoed.GetTracePointsPerCell(), 401U);
        EXPECT_EQ(echoed.GetStopFrequency(), 1000.0F);
    }
}

TEST_F(CommandEndpoint, ThreeThousandThreeHundredSeventySevenCellsFillTheWholeBufferAndAreApplied) {
    const Bytes frame = ClientFrame(ClientSetup(11, 307, true));
    ASSERT_EQ(frame.size(), CSocketCommandEngine::kAccumulationBytes);
    const std::vector<ReplyFrame> replies = Exchange(frame);
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].body.size(), 3U * 3377U + 98U);
    EXPECT_EQ(m_setup.GetCellCount(), 3377U);
}

TEST_F(CommandEndpoint, AppliedSetUpIsLoggedLineByLineWithTheAnalysersRecord) {
    m_devices.analyzerState = {1, -20, 1};
    CSpectrumAnalyzerNone analyzer;
    m_devices.analyzer = &analyzer;
    const std::vector<ReplyFrame> replies = Exchange(Frame(1, SetupBody({})));
    ASSERT_EQ(replies.size(), 1U);
    const std::size_t tail = SetupTail(2, 3);
    EXPECT_EQ(replies[0].body[tail + 76], 1);
    EXPECT_EQ(ValueAt<int32_t>(replies[0].body, tail + 78), -20);
    EXPECT_EQ(replies[0].body[tail + 82], 1);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, tail + 13), 777U); // the sampling rate as received
    const std::vector<std::string> expected{
        "SetupScanInstance->SetupInstrument() ------ start",
        "SetupScanInstance->SetupInstrument() ------ end",
        "Scan type = 99.",
        "Scan row = 2.",
        "Scan col = 3.",
        "Probe cell count = 3.  \n [0, 0]; \n [0, 2]; \n [1, 1]; ",
        "RBW = 0.120000.",
        "Center frequency = 150.000000.",
        "Span = 100.000000.",
        "Start frequency = 100.000000.",
        "Stop frequency = 200.000000.",
        "NumberOfFrequencyBuckets = 601.",
        "ReferenceLevel = 97.000000.",
        "MeasurePeaks = true.",
        "FailureCode = 0.",
        "PeakPoints = -3.",
        "Internal PreAmp = 1.",
        "Internal PreAmpValue = -20.",
        "Tracking Generation = 1.",
    };
    EXPECT_EQ(m_log.Lines(), expected);
}

TEST_F(CommandEndpoint, FailedAnalyserSetUpIsAnsweredButNotLogged) {
    m_devices.setupResult = false;
    m_devices.setupSteps = {"Reset", "Span"};
    const std::vector<ReplyFrame> replies = Exchange(Frame(1, SetupBody({})));
    ASSERT_EQ(replies.size(), 3U);
    EXPECT_EQ(replies[0].id, 4004);
    EXPECT_EQ(replies[0].body, (Bytes{1, 0, 19, 0, 'R', 'e', 's', 'e', 't'}));
    EXPECT_EQ(replies[1].id, 4004);
    EXPECT_EQ(replies[2].id, 1);
    const std::vector<std::string> expected{"SetupScanInstance->SetupInstrument() ------ start",
                                            "Error in setting up the Analyzer.",
                                            "SetupScanInstance->SetupInstrument() ------ end"};
    EXPECT_EQ(m_log.Lines(), expected);
}

TEST_F(CommandEndpoint, RefusedSetUpsApplyNothingAndAreAnsweredWithFailureCodeSevenHundred) {
    struct Case {
        const char* name;
        Bytes body;
    };
    Bytes oneShort = SetupBody({.padding = 0});
    oneShort.pop_back();
    Bytes tooLarge = SetupBody({.rows = 2, .columns = 1689, .rowsAgain = 2, .columnsAgain = 1689});
    const std::vector<Case> cases{
        {"negative rows", SetupBody({.rows = -1, .columns = 3, .rowsAgain = -1})},
        {"3378 cells, whole frame", tooLarge},
        {"3378 cells, short body", Bytes{99, 0, 2, 0, 0x31, 0x06, 1, 1, 1, 1}},
        {"unequal pairs", SetupBody({.rowsAgain = 3})},
        {"one byte short", oneShort},
        {"cut after the grid size", Bytes{99, 0, 2, 0}},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.name);
        m_log.Clear();
        Bytes both = Frame(1, refused.body);
        const Bytes next = Frame(7, LittleEndian32(5));
        both.insert(both.end(), next.begin(), next.end());
        const std::vector<ReplyFrame> replies = Exchange(both);
        ASSERT_EQ(replies.size(), 2U);
        EXPECT_EQ(replies[0].id, 1);
        ASSERT_EQ(replies[0].body.size(), 98U);
        EXPECT_EQ(ValueAt<int16_t>(replies[0].body, 2), 0);
        EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 10 + 60), 700U);
        EXPECT_EQ(replies[1].id, 7);
        EXPECT_EQ(m_setup.GetScanType(), 0);
        EXPECT_EQ(m_setup.GetRows(), 0);
        EXPECT_EQ(m_devices.setups.load(), 0);
        ASSERT_FALSE(m_log.Lines().empty());
        const std::vector<std::string> lines = m_log.Lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("commandID = 1 --- set-up refused: ", 0) == 0;
        }));
    }
}

TEST_F(CommandEndpoint, EachCommandIsAnsweredUnderItsOwnId) {
    m_devices.scannerType = Bytes{0x2D, 0, 0, 0, 0xEE};
    m_devices.identity = "Keysight,N9020B,MY1,A.1";
    struct Case {
        uint16_t id;
        Bytes body;
        Bytes reply;
        const char* log;
    };
    const std::vector<Case> cases{
        {3, {}, {}, nullptr},
        {4,
         {0x19, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x19, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         nullptr},
        {5, LittleEndian32(9), LittleEndian32(45), nullptr},
        {6, {}, {}, "commandID = 6 --- start to process CalibrateSpectrumAnalyzer"},
        {7, LittleEndian32(0xABCD), LittleEndian32(0xABCD),
         "commandID = 7 --- start to process ResetInstrument."},
        {9, {}, {}, "commandID = 9 --- ?"},
        {10, {3, 0, 4, 0}, {3, 0, 4, 0}, "commandID = 10 --- start to process SetCell."},
    };
    for (const Case& command : cases) {
        SCOPED_TRACE(command.id);
        const std::vector<ReplyFrame> replies = Exchange(Frame(command.id, command.body));
        ASSERT_EQ(replies.size(), 1U);
        EXPECT_EQ(replies[0].id, command.id);
        EXPECT_EQ(replies[0].body, command.reply);
        if (command.log != nullptr) {
            EXPECT_TRUE(m_log.Has(command.log));
        }
    }
    EXPECT_EQ(m_stopFlag.GetStopRequest(), 1);
    EXPECT_EQ(m_setup.GetAnalyzerModelCode(), 0x19);
    EXPECT_EQ(m_devices.switchedCells, (std::vector<std::pair<uint16_t, uint16_t>>{{3, 4}}));
    // Every command but the stop reconnects a scanner that needs it first.
    EXPECT_EQ(m_devices.reconnects.load(), 6);

    std::vector<ReplyFrame> replies = Exchange(Frame(4003));
    ASSERT_EQ(replies.size(), 1U);
    const Bytes identity = replies[0].body;
    EXPECT_EQ(ValueAt<uint32_t>(identity, 0), 23U);
    EXPECT_EQ(std::string(identity.begin() + 4, identity.end()), "Keysight,N9020B,MY1,A.1");

    const int reconnects = m_devices.reconnects.load();
    EXPECT_TRUE(Exchange(Frame(4001)).empty());
    EXPECT_EQ(m_devices.reconnects.load(), reconnects);
}

TEST_F(CommandEndpoint, FailedDriverChangeAnswersTheCodeStillInUse) {
    m_setup.SetAnalyzerModelCode(25);
    m_devices.driverResult = false;
    m_devices.restoredModelCode = 25;
    const std::vector<ReplyFrame> replies =
        Exchange(Frame(4, {16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 25U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 4), 1U);
    EXPECT_EQ(m_setup.GetAnalyzerModelCode(), 25);
}

TEST_F(CommandEndpoint, ARefusedDriverChangeThatLeavesNoDriverLeavesTheSetUpWithout) {
    CSpectrumAnalyzerNone previous;
    m_setup.SetAnalyzer(&previous);
    m_setup.SetAnalyzerModelCode(25);
    m_devices.driverResult = false;
    m_devices.restoredModelCode = static_cast<uint32_t>(-1);
    m_devices.analyzer = nullptr;
    const std::vector<ReplyFrame> replies =
        Exchange(Frame(4, {16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 0xFFFFFFFFU);
    EXPECT_EQ(m_setup.GetAnalyzerModelCode(), -1);
    EXPECT_EQ(m_setup.GetAnalyzer(), nullptr);
}

TEST_F(CommandEndpoint, VersionRecordWithTheScannersAnswersAndInItsErrorForm) {
    m_devices.adaptorEid = Bytes{0xFE, 0xFF};
    m_devices.firmware = Bytes{1, 2, 3};
    std::vector<ReplyFrame> replies = Exchange(Frame(8));
    ASSERT_EQ(replies.size(), 1U);
    ASSERT_EQ(replies[0].body.size(), 16U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 100U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 4), 5001002U); // program version 5.1.2
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 8), 0xFFFFFFFEU);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 12), 1002003U);
    EXPECT_TRUE(m_log.Has("Adaptor Minor = -2"));
    EXPECT_TRUE(m_log.Has("Adaptor Firmware Version = 1002003"));
    EXPECT_EQ(m_clock.Pauses(), (std::vector<Clock::Duration>{std::chrono::milliseconds(100)}));

    const Bytes errorForm{100, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    m_devices.firmware.reset();
    replies = Exchange(Frame(8));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].body, errorForm);
    m_devices.scanner = false;
    replies = Exchange(Frame(8));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].body, errorForm);
}

TEST_F(CommandEndpoint, WithoutDevicesCommandsAnswerWhatTheyReceived) {
    WithoutDevices();
    EXPECT_EQ(Exchange(Frame(5, LittleEndian32(9)))[0].body, LittleEndian32(9));
    EXPECT_EQ(Exchange(Frame(10, {7, 0, 1, 0}))[0].body, (Bytes{7, 0, 1, 0}));
    EXPECT_EQ(Exchange(Frame(4003))[0].body, LittleEndian32(0));
    const Bytes driver{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Exchange(Frame(4, driver))[0].body, driver);
    EXPECT_EQ(m_setup.GetAnalyzerModelCode(), -1);
    EXPECT_EQ(ValueAt<uint32_t>(Exchange(Frame(8))[0].body, 4), 0xFFFFFFFFU);
}

TEST_F(CommandEndpoint, ScannerAnswersThatCannotBeReadGiveTheReceivedValue) {
    m_devices.scannerType = Bytes{1, 2, 3}; // shorter than a word
    EXPECT_EQ(Exchange(Frame(5, LittleEndian32(9)))[0].body, LittleEndian32(9));
    m_devices.scannerType.reset();
    EXPECT_EQ(Exchange(Frame(5, LittleEndian32(8)))[0].body, LittleEndian32(8));
}

TEST_F(CommandEndpoint, SetCellNeverSwitchesBeyondRowOrColumnTwoHundredFiftyFive) {
    for (const Bytes& cell : {Bytes{0, 1, 0, 0}, Bytes{0, 0, 0, 1}, Bytes{255, 0, 255, 0}}) {
        EXPECT_EQ(Exchange(Frame(10, cell))[0].body, cell);
    }
    EXPECT_EQ(m_devices.switchedCells, (std::vector<std::pair<uint16_t, uint16_t>>{{255, 255}}));
}

TEST_F(CommandEndpoint, FramesAreCutFromAnyMixOfReads) {
    // Two frames in one read.
    Bytes two = Frame(7, LittleEndian32(1));
    const Bytes second = Frame(10, {1, 0, 2, 0});
    two.insert(two.end(), second.begin(), second.end());
    std::vector<ReplyFrame> replies = Exchange(two);
    ASSERT_EQ(replies.size(), 2U);
    EXPECT_EQ(replies[0].id, 7);
    EXPECT_EQ(replies[1].id, 10);

    // One frame byte by byte: answered when its last byte arrives.
    const Bytes setup = Frame(1, SetupBody({}));
    for (std::size_t i = 0; i + 1 < setup.size(); ++i) {
        EXPECT_TRUE(Exchange(Bytes{setup[i]}).empty());
    }
    replies = Exchange(Bytes{setup.back()});
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].id, 1);
}

TEST_F(CommandEndpoint, GarbageUnknownIdsShortAndOverlongFramesAreSkippedWithoutLosingTheNext) {
    struct Case {
        const char* name;
        Bytes before;
        const char* log;
    };
    Bytes overlong = Frame(7, Bytes(20000 - 9, 0x2A));
    const std::vector<Case> cases{
        {"garbage before the marker", Bytes{'x', 0, 1, 2, 3}, nullptr},
        {"a stray marker", Bytes{0x2A, 5, 0x2A, 1}, nullptr},
        {"an unknown id", Frame(77, Bytes{1, 2, 3}), "commandID = default --- "},
        {"a short reset", Frame(7, Bytes{1, 2, 3}), nullptr},
        {"a short set cell", Frame(10, Bytes{1}), nullptr},
        {"a 20000-byte frame", overlong, nullptr},
    };
    for (const Case& skipped : cases) {
        SCOPED_TRACE(skipped.name);
        m_log.Clear();
        Bytes stream = Frame(7, LittleEndian32(1));
        stream.insert(stream.end(), skipped.before.begin(), skipped.before.end());
        const Bytes good = Frame(7, LittleEndian32(2));
        stream.insert(stream.end(), good.begin(), good.end());
        const std::vector<ReplyFrame> replies = Exchange(stream);
        ASSERT_EQ(replies.size(), 2U);
        EXPECT_EQ(replies[0].body, LittleEndian32(1));
        EXPECT_EQ(replies[1].body, LittleEndian32(2));
        if (skipped.log != nullptr) {
            EXPECT_TRUE(m_log.Has(skipped.log));
        }
    }
}

TEST_F(CommandEndpoint, DisabledEndpointReadsNothing) {
    Engine().SetEnabled(false);
    WriteAll(m_pipe, Frame(7, LittleEndian32(1)));
    EXPECT_FALSE(Engine().Poll());
    EXPECT_EQ(m_pipe.EngineBoundFill(), 13U);
    Engine().SetEnabled(true);
    EXPECT_EQ(Exchange({}).size(), 1U);
}

} // namespace
} // namespace orv::test
