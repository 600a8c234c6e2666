#include "core/QProbeScanPattern.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/protocol/support/PacketBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orv {
namespace {

using packettest::Bytes;
using packettest::FrameAround;
using packettest::FrameOf;
using packettest::ReadFrame;
using packettest::ValueAt;

constexpr uint16_t kRows = 2;
constexpr uint16_t kColumns = 3;
constexpr size_t kCells = static_cast<size_t>(kRows) * kColumns;

QProbeScanPattern MarkedPattern() {
    QProbeScanPattern pattern(kRows, kColumns);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            pattern.SetProbeAndHeightAt(row, column, static_cast<uint8_t>(row * 10 + column + 1),
                                        static_cast<uint16_t>(1000 + row * 100 + column));
        }
    }
    return pattern;
}

// Every field a value of its own, so that a field at the wrong place cannot pass.
QSetupScanCommand MarkedCommand() {
    QSetupScanCommand command;
    command.SetScanKind(101);
    command.SetProbeScanPattern(MarkedPattern());
    command.m_DefaultProbeHeight = 1.5F;
    command.m_ScanOption = 3;
    command.m_ResolutionBandwidth = 0.12F;
    command.m_CenterFrequency = 150.25F;
    command.m_SamplingRate = 0x01020304;
    command.m_Span = 99.5F;
    command.m_StartFrequency = 100.5F;
    command.m_StopFrequency = 200.75F;
    command.m_SamplesPerCell = 5;
    command.m_SettlingTime = 6;
    command.m_NumberOfFrequencyBuckets = 401;
    command.m_SweepTime = 8;
    command.m_ReferenceLevel = -20.5F;
    command.m_MeasurePeaks = 1;
    command.m_UseManualSweepTime = 2;
    command.m_SynchronizeScan = 3;
    command.m_Slope = 0x11;
    command.m_Offset = 0x22;
    command.m_FailureCode = 0x33;
    command.m_PeakScan = 0.5F;
    command.m_PeakError = 0.25F;
    command.m_PeakPoints = 7;
    command.m_PeakDevs = -3;
    command.m_InternalPreAmp = 4;
    command.m_TrackingGeneration = 5;
    command.m_InternalPreAmpValue = -12;
    command.m_AnalyzerFlag = 1;
    command.m_ScanFlag = 9;
    command.m_ScanBytes[0] = 0xA0;
    command.m_ScanBytes[1] = 0xA1;
    command.m_ScanBytes[2] = 0xA2;
    command.SetSpatialLevel(2);
    return command;
}

// The client's set-up frame puts each field where the engine takes it.
TEST(SetupScanCommandLayoutTest, ClientFrameMatchesTheEngineOffsets) {
    const Bytes frame = FrameOf(MarkedCommand());
    ASSERT_EQ(frame.size(), 9 + 3 * kCells + 100);
    const Bytes body(frame.begin() + 9, frame.end());
    EXPECT_EQ(ValueAt<uint32_t>(frame, 5), body.size());

    EXPECT_EQ(ValueAt<uint16_t>(body, 0), 101);
    EXPECT_EQ(ValueAt<int16_t>(body, 2), kRows);
    EXPECT_EQ(ValueAt<int16_t>(body, 4), kColumns);
    for (size_t cell = 0; cell < kCells; ++cell) {
        const size_t row = cell / kColumns;
        const size_t column = cell % kColumns;
        EXPECT_EQ(body[6 + cell], row * 10 + column + 1);
        EXPECT_EQ(ValueAt<uint16_t>(body, 10 + kCells + 2 * cell), 1000 + row * 100 + column);
    }
    EXPECT_EQ(ValueAt<int16_t>(body, 6 + kCells), kRows);
    EXPECT_EQ(ValueAt<int16_t>(body, 8 + kCells), kColumns);

    const size_t t = 10 + 3 * kCells;
    EXPECT_EQ(ValueAt<float>(body, t), 1.5F);
    EXPECT_EQ(body[t + 4], 3);
    EXPECT_EQ(ValueAt<float>(body, t + 5), 0.12F);
    EXPECT_EQ(ValueAt<float>(body, t + 9), 150.25F);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 13), 0x01020304U);
    EXPECT_EQ(ValueAt<float>(body, t + 17), 99.5F);
    EXPECT_EQ(ValueAt<float>(body, t + 21), 100.5F);
    EXPECT_EQ(ValueAt<float>(body, t + 25), 200.75F);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 29), 5U);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 33), 6U);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 37), 401U);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 41), 8U);
    EXPECT_EQ(ValueAt<float>(body, t + 45), -20.5F);
    EXPECT_EQ(body[t + 49], 1);
    EXPECT_EQ(body[t + 50], 2);
    EXPECT_EQ(body[t + 51], 3);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 52), 0x11U);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 56), 0x22U);
    EXPECT_EQ(ValueAt<uint32_t>(body, t + 60), 0x33U);
    EXPECT_EQ(ValueAt<float>(body, t + 64), 0.5F);
    EXPECT_EQ(ValueAt<float>(body, t + 68), 0.25F);
    EXPECT_EQ(ValueAt<int16_t>(body, t + 72), 7);
    EXPECT_EQ(ValueAt<int16_t>(body, t + 74), -3);
    EXPECT_EQ(body[t + 76], 4);
    EXPECT_EQ(body[t + 77], 5);
    EXPECT_EQ(ValueAt<int32_t>(body, t + 78), -12);
    EXPECT_EQ(body[t + 82], 1);
    EXPECT_EQ(body[t + 83], 9);
    EXPECT_EQ(body[t + 84], 0xA0);
    EXPECT_EQ(body[t + 85], 0xA1);
    EXPECT_EQ(body[t + 86], 0xA2);
    EXPECT_EQ(body[t + 87], 2);
    // The engine's layout ends here; the two bytes the body size counts beyond it are zero.
    EXPECT_EQ(body.size(), t + 90);
    EXPECT_EQ(body[t + 88], 0);
    EXPECT_EQ(body[t + 89], 0);
}

template <typename T> void Append(Bytes& bytes, T value) {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

// The engine's echo: its own layout, 3 x rows x columns + 98 bytes, no padding.
TEST(SetupScanCommandLayoutTest, EngineReplyReadsBackFieldForField) {
    Bytes body;
    Append<uint16_t>(body, 100);
    Append<int16_t>(body, kRows);
    Append<int16_t>(body, kColumns);
    for (size_t cell = 0; cell < kCells; ++cell) {
        body.push_back(static_cast<uint8_t>(cell % 2));
    }
    Append<int16_t>(body, kRows);
    Append<int16_t>(body, kColumns);
    for (size_t cell = 0; cell < kCells; ++cell) {
        Append<uint16_t>(body, static_cast<uint16_t>(500 + cell));
    }
    Append<float>(body, 2.5F);                      // default probe height
    body.push_back(6);                              // scan option
    Append<float>(body, 0.3F);                      // RBW as the analyser set it
    Append<float>(body, 75.0F);                     // centre
    Append<uint32_t>(body, 77);                     // sampling rate
    Append<float>(body, 50.0F);                     // span
    Append<float>(body, 50.0F);                     // start
    Append<float>(body, 100.0F);                    // stop
    Append<uint32_t>(body, 3);                      // samples per cell
    Append<uint32_t>(body, 4);                      // settling time
    Append<uint32_t>(body, 1001);                   // frequency buckets
    Append<uint32_t>(body, 12);                     // sweep time
    Append<float>(body, -10.0F);                    // reference level
    body.insert(body.end(), {1, 0, 1});             // measure peaks, manual sweep time, synchronise
    Append<uint32_t>(body, 21);                     // slope
    Append<uint32_t>(body, 22);                     // offset
    Append<uint32_t>(body, 701);                    // failure code
    Append<float>(body, 0.04F);                     // peak scan
    Append<float>(body, 0.06F);                     // peak error
    Append<int16_t>(body, 3);                       // peak points
    Append<int16_t>(body, 4);                       // peak devs
    body.insert(body.end(), {1, 0});                // pre-amplifier, tracking generator
    Append<int32_t>(body, -5);                      // pre-amplifier value, sign-extended
    body.insert(body.end(), {1, 2, 10, 11, 12, 3}); // analyser flag, scan flag, scan bytes
    ASSERT_EQ(body.size(), 3 * kCells + 98);
    const Bytes frame = FrameAround(1, body);

    QSetupScanCommand reply;
    EXPECT_EQ(ReadFrame(reply, frame), frame.size());
    EXPECT_EQ(reply.GetScanKind(), 100);
    ASSERT_EQ(reply.GetRows(), kRows);
    ASSERT_EQ(reply.GetColumns(), kColumns);
    for (size_t cell = 0; cell < kCells; ++cell) {
        const int row = static_cast<int>(cell / kColumns);
        const int column = static_cast<int>(cell % kColumns);
        EXPECT_EQ(reply.GetProbeScanPattern().GetProbeAt(row, column), cell % 2);
        EXPECT_EQ(reply.GetProbeScanPattern().GetHeightAt(row, column), 500 + cell);
    }
    EXPECT_EQ(reply.m_DefaultProbeHeight, 2.5F);
    EXPECT_EQ(reply.m_ScanOption, 6);
    EXPECT_EQ(reply.m_ResolutionBandwidth, 0.3F);
    EXPECT_EQ(reply.m_CenterFrequency, 75.0F);
    EXPECT_EQ(reply.m_SamplingRate, 77U);
    EXPECT_EQ(reply.m_Span, 50.0F);
    EXPECT_EQ(reply.GetStartFrequency(), 50.0F);
    EXPECT_EQ(reply.GetStopFrequency(), 100.0F);
    EXPECT_EQ(reply.m_SamplesPerCell, 3U);
    EXPECT_EQ(reply.m_SettlingTime, 4U);
    EXPECT_EQ(reply.GetTracePointsPerCell(), 1001U);
    EXPECT_EQ(reply.m_SweepTime, 12U);
    EXPECT_EQ(reply.m_ReferenceLevel, -10.0F);
    EXPECT_EQ(reply.m_MeasurePeaks, 1);
    EXPECT_EQ(reply.m_UseManualSweepTime, 0);
    EXPECT_EQ(reply.m_SynchronizeScan, 1);
    EXPECT_EQ(reply.m_Slope, 21U);
    EXPECT_EQ(reply.m_Offset, 22U);
    EXPECT_EQ(reply.m_FailureCode, 701U);
    EXPECT_EQ(reply.m_PeakScan, 0.04F);
    EXPECT_EQ(reply.m_PeakError, 0.06F);
    EXPECT_EQ(reply.m_PeakPoints, 3);
    EXPECT_EQ(reply.m_PeakDevs, 4);
    EXPECT_EQ(reply.m_InternalPreAmp, 1);
    EXPECT_EQ(reply.m_TrackingGeneration, 0);
    EXPECT_EQ(reply.m_InternalPreAmpValue, -5);
    EXPECT_EQ(reply.m_AnalyzerFlag, 1);
    EXPECT_EQ(reply.m_ScanFlag, 2);
    EXPECT_EQ(reply.m_ScanBytes[0], 10);
    EXPECT_EQ(reply.m_ScanBytes[1], 11);
    EXPECT_EQ(reply.m_ScanBytes[2], 12);
    EXPECT_EQ(reply.GetSpatialLevel(), 3);

    // With no cells at all the engine's body is 98 bytes, and reads the same way.
    Bytes empty;
    Append<uint16_t>(empty, 99);
    empty.resize(98, 0);
    QSetupScanCommand emptyReply;
    EXPECT_EQ(ReadFrame(emptyReply, FrameAround(1, empty)), 9U + 98U);
    EXPECT_EQ(emptyReply.GetScanKind(), 99);
    EXPECT_EQ(emptyReply.GetRows(), 0);
}

// The fields held in memory only: never on the wire, kept by copies, assignment and reads.
TEST(SetupScanCommandLayoutTest, CopiesKeepThePassFieldsAndOwnTheirPattern) {
    QSetupScanCommand original = MarkedCommand();
    const Bytes body = FrameOf(original);
    original.SetInterleavedPass(1);
    original.SetPassNumber(1);
    original.SetBlindSpotReduction(1);
    original.SetInterleaveSkip(0x01020304);
    original.SetHasExtension(false);
    EXPECT_EQ(QSetupScanCommand().GetInterleavedPass(), 0);
    EXPECT_EQ(QSetupScanCommand().GetPassNumber(), 0U);

    const auto expectHeldFields = [](const QSetupScanCommand& command) {
        EXPECT_EQ(command.GetInterleavedPass(), 1);
        EXPECT_EQ(command.GetPassNumber(), 1U);
        EXPECT_EQ(command.GetBlindSpotReduction(), 1);
        EXPECT_EQ(command.GetInterleaveSkip(), 0x01020304U);
        EXPECT_FALSE(command.HasExtension());
        EXPECT_FALSE(command.GetProbeScanPattern() != MarkedPattern());
    };
    const QSetupScanCommand copied(original);
    QSetupScanCommand assigned;
    assigned.SetPassNumber(7);
    assigned.SetProbeScanPattern(QProbeScanPattern(1, 1));
    assigned = original;
    original.GetProbeScanPattern().SetProbeAndHeightAt(0, 0, 0, 1);
    original.SetPassNumber(0);
    expectHeldFields(copied);
    expectHeldFields(assigned);

    // The pass fields never reach the wire, and an echo read into the held command keeps them.
    QSetupScanCommand withPass = MarkedCommand();
    withPass.SetInterleavedPass(1);
    withPass.SetPassNumber(1);
    EXPECT_EQ(FrameOf(withPass), body);
    EXPECT_EQ(ReadFrame(withPass, body), body.size() - 2); // the padding is left unread
    EXPECT_EQ(withPass.GetInterleavedPass(), 1);
    EXPECT_EQ(withPass.GetPassNumber(), 1U);
}

} // namespace
} // namespace orv
