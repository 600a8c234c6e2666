#include "core/QException.h"
#include "core/TypeIds.h"
#include "protocol/packets/CQueryAnalyzerIDCommand.h"
#include "protocol/packets/QCalibrateSpectrumAnalyzerCommand.h"
#include "protocol/packets/QCalibrationProgressIndicator.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QPacketFactory.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanError.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "protocol/packets/QStopCommand.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QTerminator.h"
#include "tests/protocol/support/PacketBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace orv {
namespace {

using packettest::Bytes;
using packettest::FrameAround;
using packettest::FrameOf;
using packettest::ReadFrame;

// Frames of every packet of the link that is not a scan record, each with the bytes it must give.
struct FrameCase {
    const char* name;
    std::function<std::unique_ptr<QPacket>()> make;
    Bytes frame;
};

std::vector<FrameCase> DefaultAndFilledFrames() {
    return {
        {"go once", [] { return std::make_unique<QGoCommand>(); }, {0x2A, 0, 0, 2, 0, 1, 0, 0, 0, 0}},
        {"go continuous",
         [] { return std::make_unique<QGoCommand>(true); },
         {0x2A, 0, 0, 2, 0, 1, 0, 0, 0, 1}},
        {"stop", [] { return std::make_unique<QStopCommand>(); }, {0x2A, 0, 0, 3, 0, 0, 0, 0, 0}},
        {"driver",
         [] { return std::make_unique<QSetSpectrumAnalyzerDriverCommand>(); },
         {0x2A, 0, 0, 4, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"driver 7 for analyser 300",
         [] { return std::make_unique<QSetSpectrumAnalyzerDriverCommand>(7, 300); },
         {0x2A, 0, 0, 4, 0, 16, 0, 0, 0, 7, 0, 0, 0, 0x2C, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"scan head",
         [] { return std::make_unique<QQueryScanHeadCommand>(); },
         {0x2A, 0, 0, 5, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"calibrate",
         [] { return std::make_unique<QCalibrateSpectrumAnalyzerCommand>(); },
         {0x2A, 0, 0, 6, 0, 0, 0, 0, 0}},
        {"reset",
         [] { return std::make_unique<QResetSpectrumAnalyzerCommand>(); },
         {0x2A, 0, 0, 7, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"engine version",
         [] { return std::make_unique<QScanningEngineVersionCheckCommand>(); },
         {0x2A, 0, 0, 8, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"engine version reply",
         [] {
             auto reply = std::make_unique<QScanningEngineVersionCheckCommand>();
             reply->SetStatus(100);
             reply->SetVersion(-1);
             reply->SetAdaptorEid(3);
             reply->SetFirmwareVersion(1002003);
             return reply;
         },
         {0x2A, 0,    0,    8,    0, 16, 0, 0, 0,    100,  0,    0, 0,
          0xFF, 0xFF, 0xFF, 0xFF, 3, 0,  0, 0, 0x13, 0x4A, 0x0F, 0}},
        {"stop calibration",
         [] { return std::make_unique<QStopCalibrationCommand>(); },
         {0x2A, 0, 0, 9, 0, 0, 0, 0, 0}},
        {"command error",
         [] { return std::make_unique<QScanCommandError>(); },
         {0x2A, 0, 0, 0x97, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"command error 701",
         [] { return std::make_unique<QScanCommandError>(701); },
         {0x2A, 0, 0, 0x97, 0, 4, 0, 0, 0, 0xBD, 0x02, 0, 0}},
        {"analyser id, empty",
         [] { return std::make_unique<CQueryAnalyzerIDCommand>(); },
         {0x2A, 0, 0, 0xA3, 0x0F, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"analyser id, text",
         [] { return std::make_unique<CQueryAnalyzerIDCommand>("FSV,1"); },
         {0x2A, 0, 0, 0xA3, 0x0F, 9, 0, 0, 0, 5, 0, 0, 0, 'F', 'S', 'V', ',', '1'}},
        {"terminator",
         [] { return std::make_unique<QTerminator>(); },
         {0x2A, 0, 0, 103, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"calibration progress",
         [] { return std::make_unique<QCalibrationProgressIndicator>(); },
         {0x2A, 0, 0, 104, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"calibration progress 42 %",
         [] {
             auto progress = std::make_unique<QCalibrationProgressIndicator>();
             progress->SetErrorCode(-5);
             progress->SetPercentage(42);
             return progress;
         },
         {0x2A, 0, 0, 104, 0, 8, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 42, 0, 0, 0}},
        {"scan error",
         [] { return std::make_unique<QScanError>(); },
         {0x2A, 0, 0, 150, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"scan error 255",
         [] { return std::make_unique<QScanError>(255); },
         {0x2A, 0, 0, 150, 0, 4, 0, 0, 0, 0xFF, 0, 0, 0}},
    };
}

// Every frame is byte-exact, as long as its header says, and reads back into the kind the factory
// makes for its id, which writes the same bytes again.
TEST(PacketFramesTest, EveryKindWritesItsExactFrameAndReadsItBack) {
    const QPacketFactory factory;
    for (const FrameCase& c : DefaultAndFilledFrames()) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QPacket> packet = c.make();
        const Bytes frame = FrameOf(*packet);
        EXPECT_EQ(frame, c.frame);
        EXPECT_EQ(frame.size(), packet->GetSerializedSize());
        EXPECT_EQ(frame.size(), packet->GetBodySize() + 9U);

        std::unique_ptr<QPacket> back = factory.CreateCommand(packet->GetTypeID());
        if (back == nullptr) {
            back = factory.CreateDataPacket(packet->GetTypeID());
        }
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(ReadFrame(*back, frame), frame.size());
        EXPECT_EQ(FrameOf(*back), frame);
    }
}

TEST(PacketFramesTest, GettersGiveWhatTheEngineSent) {
    QSetSpectrumAnalyzerDriverCommand driver;
    ReadFrame(driver, FrameAround(4, {9, 0, 0, 0, 0x2C, 1, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(driver.GetDriverId(), 9);
    EXPECT_EQ(driver.GetAnalyzerId(), 300);
    EXPECT_EQ(driver.GetStatus(), 1);
    EXPECT_EQ(driver.GetError(), -1);

    QScanningEngineVersionCheckCommand version;
    ReadFrame(version, FrameAround(8, {100, 0, 0, 0, 0x6A, 0x4F, 0x4C, 0, 7, 0, 0, 0, 0x13, 0x4A, 0x0F, 0}));
    EXPECT_EQ(version.GetStatus(), 100);
    EXPECT_EQ(version.GetVersion(), 5001066);
    EXPECT_EQ(version.GetAdaptorEid(), 7);
    EXPECT_EQ(version.GetFirmwareVersion(), 1002003);

    QGoCommand go;
    ReadFrame(go, FrameAround(2, {2}));
    EXPECT_TRUE(go.IsContinuous());
    EXPECT_EQ(go.GetContinuousFlag(), 2);

    // The three kinds that carry an error code answer it through one getter name.
    QScanError scanError;
    ReadFrame(scanError, FrameAround(150, {0x2C, 1, 0, 0}));
    EXPECT_EQ(scanError.GetErrorCode(), 300);
    QScanCommandError commandError;
    ReadFrame(commandError, FrameAround(151, {0x21, 3, 0, 0}));
    EXPECT_EQ(commandError.GetErrorCode(), 801);
    QTerminator terminator;
    ReadFrame(terminator, FrameAround(103, {0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(terminator.GetErrorCode(), -2);

    // Nothing of these kinds is for a display.
    QCalibrationProgressIndicator progress;
    EXPECT_FALSE(progress.DeliverToHandler(nullptr));
    EXPECT_FALSE(scanError.DeliverToHandler(nullptr));
}

TEST(PacketFramesTest, RepliesOfTheEdgeCases) {
    struct ScanHeadCase {
        int32_t sent;
        int32_t kept;
    };
    for (const ScanHeadCase c : {ScanHeadCase{41, 45}, {40, 40}, {42, 42}, {45, 45}, {-1, -1}, {0, 0}}) {
        SCOPED_TRACE(c.sent);
        QQueryScanHeadCommand reply;
        const auto raw = static_cast<uint32_t>(c.sent);
        ReadFrame(reply, FrameAround(5, {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8),
                                         static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 24)}));
        EXPECT_EQ(reply.GetScanHeadId(), c.kept);
    }

    struct IdentityCase {
        const char* name;
        Bytes body;
        std::string text;
        uint32_t bytesTaken; // of the body; the rest is left for whoever reads next
    };
    const std::vector<IdentityCase> identities{
        {"length 0", {0, 0, 0, 0}, "", 4},
        {"length 0, bytes after", {0, 0, 0, 0, 'X', 'Y'}, "", 4},
        {"length 12",
         {12, 0, 0, 0, 'R', '&', 'S', ',', 'F', 'S', 'V', '-', '7', ',', '1', '\n'},
         "R&S,FSV-7,1\n",
         16},
        {"length 12, bytes after",
         {12, 0, 0, 0, 'R', '&', 'S', ',', 'F', 'S', 'V', '-', '7', ',', '1', '\n', 0x2A},
         "R&S,FSV-7,1\n",
         16},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'A'}, "", 4},
        {"most negative length", {0, 0, 0, 0x80}, "", 4},
        {"text ends at a zero byte", {4, 0, 0, 0, 'A', 'B', 0, 'C'}, "AB", 8},
    };
    for (const IdentityCase& c : identities) {
        SCOPED_TRACE(c.name);
        CQueryAnalyzerIDCommand reply("old text");
        QCharArrayDataReader reader(c.body.data(), static_cast<uint32_t>(c.body.size()));
        reply.ReadBody(reader);
        EXPECT_EQ(reply.GetText(), c.text);
        EXPECT_EQ(reader.GetBytesRead(), c.bytesTaken);
        EXPECT_EQ(reply.GetBodySize(), c.text.size() + 4);
    }
}

TEST(PacketFactoryTest, MakesExactlyTheKindsOfTheLinkEachWithItsOwnId) {
    const std::set<uint16_t> commands{1, 2, 3, 4, 5, 6, 7, 8, 9, 151, 4003};
    const std::set<uint16_t> dataPackets{99, 100, 101, 102, 103, 104, 105, 112, 150};
    const QPacketFactory factory;
    std::set<uint16_t> madeCommands;
    std::set<uint16_t> madeDataPackets;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        const auto typeId = static_cast<uint16_t>(id);
        if (const std::unique_ptr<QCommand> command = factory.CreateCommand(typeId)) {
            EXPECT_EQ(command->GetTypeID(), typeId);
            madeCommands.insert(typeId);
        }
        if (const std::unique_ptr<QDataPacket> packet = factory.CreateDataPacket(typeId)) {
            EXPECT_EQ(packet->GetTypeID(), typeId);
            madeDataPackets.insert(typeId);
        }
    }
    EXPECT_EQ(madeCommands, commands);
    EXPECT_EQ(madeDataPackets, dataPackets);
    EXPECT_EQ(factory.CreateCommand(10), nullptr);
    EXPECT_EQ(factory.CreateDataPacket(106), nullptr);
    // The set-up command and the terminator are the ones the containers own.
    EXPECT_NE(dynamic_cast<QSetupScanCommand*>(factory.CreateCommand(1).get()), nullptr);
    EXPECT_NE(dynamic_cast<QTerminator*>(factory.CreateDataPacket(103).get()), nullptr);
}

// Every kind the factory makes, so that each failure case runs over all of them.
std::vector<std::unique_ptr<QPacket>> EveryKind() {
    const QPacketFactory factory;
    std::vector<std::unique_ptr<QPacket>> kinds;
    for (uint16_t id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 151, 4003}) {
        kinds.push_back(factory.CreateCommand(id));
    }
    for (uint16_t id : {99, 100, 101, 102, 103, 104, 105, 112, 150}) {
        kinds.push_back(factory.CreateDataPacket(id));
    }
    return kinds;
}

TEST(PacketFramesTest, WrongMarkerOrTypeIdIsRefusedByEveryKind) {
    for (const std::unique_ptr<QPacket>& packet : EveryKind()) {
        SCOPED_TRACE(packet->GetTypeID());
        Bytes frame = FrameOf(*packet);

        Bytes wrongMarker = frame;
        wrongMarker[0] = '+';
        try {
            ReadFrame(*packet, wrongMarker);
            ADD_FAILURE() << "a frame without its marker was read";
        } catch (const QIOException& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Error#318:", 0), 0U) << error.what();
        }

        Bytes wrongType = frame;
        wrongType[3] ^= 0x40;
        try {
            ReadFrame(*packet, wrongType);
            ADD_FAILURE() << "a frame of another kind was read";
        } catch (const QIOException& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Error#320:", 0), 0U) << error.what();
        }

        // Still readable afterwards: the refused frames changed nothing.
        ReadFrame(*packet, frame);
        EXPECT_EQ(FrameOf(*packet), frame);
    }
}

TEST(PacketFramesTest, CutFramesOfTheLinkKindsFailAndLeaveThePacketAsItWas) {
    // Packets with something other than their defaults, so that a half-done read would show.
    std::vector<std::unique_ptr<QPacket>> filled;
    filled.push_back(std::make_unique<QGoCommand>(true));
    filled.push_back(std::make_unique<QStopCommand>());
    filled.push_back(std::make_unique<QSetSpectrumAnalyzerDriverCommand>(12, 34));
    auto head = std::make_unique<QQueryScanHeadCommand>();
    head->SetScanHeadId(45);
    filled.push_back(std::move(head));
    filled.push_back(std::make_unique<QCalibrateSpectrumAnalyzerCommand>());
    auto reset = std::make_unique<QResetSpectrumAnalyzerCommand>();
    reset->SetValue(3);
    filled.push_back(std::move(reset));
    auto version = std::make_unique<QScanningEngineVersionCheckCommand>();
    version->SetStatus(100);
    version->SetVersion(5001002);
    version->SetAdaptorEid(4);
    version->SetFirmwareVersion(7);
    filled.push_back(std::move(version));
    filled.push_back(std::make_unique<QScanCommandError>(801));
    filled.push_back(std::make_unique<CQueryAnalyzerIDCommand>("Agilent,E4402B"));
    auto progress = std::make_unique<QCalibrationProgressIndicator>();
    progress->SetErrorCode(2);
    progress->SetPercentage(60);
    filled.push_back(std::move(progress));
    filled.push_back(std::make_unique<QScanError>(9));

    for (const std::unique_ptr<QPacket>& packet : filled) {
        SCOPED_TRACE(packet->GetTypeID());
        const Bytes frame = FrameOf(*packet);
        for (size_t cut = 0; cut < frame.size(); ++cut) {
            SCOPED_TRACE(cut);
            const Bytes shorter(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_THROW(ReadFrame(*packet, shorter), QIOException);
            EXPECT_EQ(FrameOf(*packet), frame);
        }
    }
}

TEST(PacketFramesTest, AnIdentificationLengthBeyondTheBodyAllocatesNothing) {
    // A 4-byte body that announces 2 GB, alone and with a few bytes behind it.
    for (const Bytes& body : {Bytes{0xFF, 0xFF, 0xFF, 0x7F}, Bytes{0xFF, 0xFF, 0xFF, 0x7F, 'A', 'B', 'C'}}) {
        CQueryAnalyzerIDCommand reply("kept");
        EXPECT_THROW(ReadFrame(reply, FrameAround(4003, body)), QIOException);
        EXPECT_EQ(reply.GetText(), "kept");
    }
    // One byte short of what it announces.
    CQueryAnalyzerIDCommand reply("kept");
    EXPECT_THROW(ReadFrame(reply, FrameAround(4003, {3, 0, 0, 0, 'A', 'B'})), QIOException);
    EXPECT_EQ(reply.GetText(), "kept");
}

} // namespace
} // namespace orv
