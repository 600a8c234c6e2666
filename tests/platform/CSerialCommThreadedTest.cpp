#include "platform/serial/CSerialComm.h"
#include "platform/serial/SerialLineSetup.h"
#include "tests/platform/support/PlatTestFolder.h"
#include "tests/platform/support/PseudoTerminal.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::PseudoTerminal;
using test::WaitUntil;
using Bytes = std::vector<uint8_t>;
using SteadyTime = std::chrono::steady_clock;

class SerialPortOnPty : public ::testing::Test {
protected:
    // Opened 8N1 at 115200 and marked ready, as the owners do.
    void OpenReady() {
        ASSERT_TRUE(m_port.Open(m_pty.Path(), 115200, 0, 1, 8));
        m_port.Purge();
        m_port.SetState(CSerialComm::kStateReady);
    }

    Bytes ReadFromPort(uint32_t count, uint32_t timeoutMs, bool expectComplete = true) {
        Bytes bytes(count);
        uint32_t read = 0;
        EXPECT_EQ(m_port.Read(bytes.data(), count, read, timeoutMs), expectComplete);
        bytes.resize(read);
        return bytes;
    }

    PseudoTerminal m_pty;
    CSerialComm m_port;
};

TEST_F(SerialPortOnPty, OpensWithTheLineSettingsAsked) {
    struct Case {
        uint32_t speed;
        int parity;
        int stopBits;
        int dataBits;
        tcflag_t parityBits;
        bool twoStopBits;
    };
    const Case cases[] = {
        {115200, 0, 1, 8, 0, false},
        {250000, 0, 1, 8, 0, false}, // outside the standard list: termios2 sets it exactly
        {9600, 2, 2, 7, PARENB, true},
        {19200, 1, 0, 5, PARENB | PARODD, true}, // one and a half stop bits with 5 data bits
        {19200, 4, 0, 8, PARENB | CMSPAR, true}, // no one and a half with 8 bits: two
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        ASSERT_TRUE(m_port.Open(m_pty.Path(), c.speed, c.parity, c.stopBits, c.dataBits));
        EXPECT_EQ(m_port.GetState(), CSerialComm::kStateOpened);
        // The device side of a pseudo-terminal reads the terminal side's settings.
        EXPECT_EQ(ReadSerialLineSpeed(m_pty.DeviceSide()), c.speed);
        EXPECT_EQ(m_port.GetLineSpeed(), c.speed);
        termios line{};
        ASSERT_EQ(tcgetattr(m_pty.DeviceSide(), &line), 0);
        // A pseudo-terminal forces 8 data bits and parity off (it has no line to frame); the other
        // framing bits it keeps as set.
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), c.parityBits & (PARODD | CMSPAR));
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0U);
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL), 0U);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0U);
        EXPECT_EQ(line.c_oflag & OPOST, 0U);
        m_port.Close();
        EXPECT_EQ(m_port.GetState(), CSerialComm::kStateClosed);
    }
    EXPECT_FALSE(m_port.Open(m_pty.Path(), 115200, 0, 1, 9));
    EXPECT_FALSE(m_port.Open(m_pty.Path(), 115200, 7, 1, 8));
    EXPECT_EQ(m_port.GetState(), CSerialComm::kStateClosed);
}

TEST_F(SerialPortOnPty, WritesAndReadsWithTimeOuts) {
    OpenReady();
    const Bytes hello{'h', 'e', 'l', 'l', 'o', 0x00, 0xFF, '\r', '\n'};
    uint32_t written = 0;
    ASSERT_TRUE(m_port.Write(hello.data(), static_cast<uint32_t>(hello.size()), written, 1000));
    EXPECT_EQ(written, hello.size());
    EXPECT_EQ(m_pty.Read(hello.size(), 5s), hello) << "raw: no translation of CR, LF or zero bytes";

    m_pty.Write(Bytes{'a', '\r', 0x11, 0x13});
    EXPECT_EQ(ReadFromPort(4, 5000), (Bytes{'a', '\r', 0x11, 0x13}));

    auto start = SteadyTime::now();
    EXPECT_TRUE(ReadFromPort(2, 30, false).empty());
    EXPECT_GE(SteadyTime::now() - start, 30ms);

    m_pty.Write("xy");
    ASSERT_TRUE(WaitUntil([&] { return m_port.GetReceivedCount() == 2; }, 5s));
    EXPECT_EQ(ReadFromPort(5, 20, false), (Bytes{'x', 'y'})) << "a short read still hands over what came";

    m_pty.Write("z");
    uint8_t byte = 0;
    ASSERT_TRUE(m_port.ReadByte(byte));
    EXPECT_EQ(byte, 'z');

    m_pty.Write("late");
    ASSERT_TRUE(WaitUntil([&] { return m_port.GetReceivedCount() == 4; }, 5s));
    m_port.Purge();
    EXPECT_EQ(m_port.GetReceivedCount(), 0U);
    EXPECT_TRUE(ReadFromPort(1, 0, false).empty());
}

TEST_F(SerialPortOnPty, WriteGivesUpAtItsTimeOutWhenTheDeviceTakesNothing) {
    OpenReady();
    const Bytes lots(1 << 20, 0x55);
    uint32_t written = 0;
    const auto start = SteadyTime::now();
    EXPECT_FALSE(m_port.Write(lots.data(), static_cast<uint32_t>(lots.size()), written, 50));
    EXPECT_GE(SteadyTime::now() - start, 50ms);
    EXPECT_LT(written, lots.size());
}

TEST_F(SerialPortOnPty, NothingMovesOutsideTheReadyState) {
    ASSERT_TRUE(m_port.Open(m_pty.Path(), 115200, 0, 1, 8));
    m_pty.Write("q");
    const uint8_t byte = 1;
    uint32_t written = 7;
    const auto start = SteadyTime::now();
    EXPECT_FALSE(m_port.Write(&byte, 1, written, 0));
    EXPECT_EQ(written, 0U);
    uint8_t in = 0;
    EXPECT_FALSE(m_port.ReadByte(in));
    EXPECT_LT(SteadyTime::now() - start, 500ms) << "fails at once";
    EXPECT_TRUE(m_pty.Read(1, 20ms).empty());
}

TEST_F(SerialPortOnPty, FailedOpenLeavesThePortClosed) {
    test::PlatTestFolder folder;
    test::PlatTestFolder::WriteText(folder.File("plain"), "not a terminal");
    for (const std::string& path :
         {std::string("/nonexistent/ttyUSB9"), folder.File("plain"), std::string()}) {
        EXPECT_FALSE(m_port.Open(path, 115200, 0, 1, 8)) << path;
        EXPECT_EQ(m_port.GetState(), CSerialComm::kStateClosed);
    }
}

TEST_F(SerialPortOnPty, ASecondOpenOfAnOpenPortFails) {
    OpenReady();
    CSerialComm second;
    EXPECT_FALSE(second.Open(m_pty.Path(), 115200, 0, 1, 8));
    EXPECT_EQ(second.GetState(), CSerialComm::kStateClosed);
    m_pty.Write("k");
    EXPECT_EQ(ReadFromPort(1, 5000), Bytes{'k'}) << "the first owner keeps working";
    m_port.Close();
    EXPECT_TRUE(second.Open(m_pty.Path(), 115200, 0, 1, 8)) << "free again once closed";
}

TEST_F(SerialPortOnPty, HangUpDeliversWhatCameThenEverythingFailsAtOnce) {
    OpenReady();
    m_pty.Write("12345");
    ASSERT_TRUE(WaitUntil([&] { return m_port.GetReceivedCount() == 5; }, 5s));
    Bytes got(10);
    uint32_t read = 0;
    bool result = true;
    const auto start = SteadyTime::now();
    std::jthread reader([&] { result = m_port.Read(got.data(), 10, read, 20000); });
    m_pty.Hangup();
    reader.join();
    EXPECT_LT(SteadyTime::now() - start, 10s) << "the read did not sit out its time-out";
    EXPECT_FALSE(result);
    got.resize(read);
    EXPECT_EQ(got, (Bytes{'1', '2', '3', '4', '5'}));
    EXPECT_TRUE(WaitUntil([&] { return m_port.IsLost(); }, 5s));

    const auto after = SteadyTime::now();
    uint8_t byte = 0;
    EXPECT_FALSE(m_port.ReadByte(byte));
    uint32_t written = 0;
    EXPECT_FALSE(m_port.Write(&byte, 1, written, 0));
    EXPECT_LT(SteadyTime::now() - after, 500ms);
    m_port.Close();
    EXPECT_EQ(m_port.GetState(), CSerialComm::kStateClosed);
}

TEST_F(SerialPortOnPty, CloseWakesAWaitingReadAndJoinsTheReader) {
    OpenReady();
    bool result = true;
    std::jthread reader([&] {
        uint8_t byte = 0;
        uint32_t read = 0;
        result = m_port.Read(&byte, 1, read, 60000);
    });
    const auto start = SteadyTime::now();
    // The read may not have begun waiting yet; either way it must end without its byte.
    m_port.Close();
    reader.join();
    EXPECT_FALSE(result);
    EXPECT_LT(SteadyTime::now() - start, 30s);
    EXPECT_EQ(m_port.GetState(), CSerialComm::kStateClosed);
    // Closed twice, reopened: the thread and the lock were given back.
    m_port.Close();
    OpenReady();
    m_pty.Write("r");
    EXPECT_EQ(ReadFromPort(1, 5000), Bytes{'r'});
}

TEST_F(SerialPortOnPty, MoreThanTheReceiveBufferHoldsArrivesWholeAndInOrder) {
    OpenReady();
    Bytes sent(CCommSerialBuffer::kDefaultCapacity + 70000);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    std::jthread device([&] { m_pty.Write(sent); });
    // Let the buffer fill up so that the reader thread has to wait for room.
    ASSERT_TRUE(
        WaitUntil([&] { return m_port.GetReceivedCount() == CCommSerialBuffer::kDefaultCapacity; }, 10s));
    Bytes received = ReadFromPort(static_cast<uint32_t>(sent.size()), 10000);
    EXPECT_TRUE(received == sent);
}

} // namespace
} // namespace orv
