#include "protocol/channels/DataPacketFromFrame.h"

#include "platform/log/InformationLog.h"
#include "protocol/packets/QPacketFactory.h"
#include "protocol/packets/QScanError.h"
#include "scandata/QTerminator.h"
#include "tests/protocol/support/PacketBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orv::packettest::Bytes;
using orv::packettest::FrameAround;
using orv::packettest::FrameOf;

// Collects the log lines written while it lives.
class LogLines {
public:
    LogLines() {
        m_previous = orv::InformationLog::Instance().SetSink(
            [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
    }
    ~LogLines() { orv::InformationLog::Instance().SetSink(m_previous); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    orv::InformationLog::Sink m_previous;
    std::vector<std::string> m_lines;
};

TEST(DataPacketFromFrame, ReadsAFrameIntoThePacketItsTypeIdNames) {
    const orv::QPacketFactory factory;
    auto terminator =
        orv::DataPacketFromFrame(factory, FrameOf(orv::QTerminator(99998)), "thrdDataSocketThread");
    ASSERT_NE(terminator, nullptr);
    ASSERT_EQ(terminator->GetTypeID(), orv::kTypeTerminator);
    EXPECT_EQ(static_cast<orv::QTerminator&>(*terminator).GetErrorCode(), 99998);

    auto error = orv::DataPacketFromFrame(factory, FrameOf(orv::QScanError(701)), "thrdDataSocketThread");
    ASSERT_NE(error, nullptr);
    ASSERT_EQ(error->GetTypeID(), orv::kTypeScanError);
    EXPECT_EQ(static_cast<orv::QScanError&>(*error).GetErrorCode(), 701);
}

TEST(DataPacketFromFrame, DropsFramesNoDataPacketCanRead) {
    const orv::QPacketFactory factory;
    struct Case {
        const char* name;
        Bytes frame;
        bool logged;
    };
    const Case cases[] = {
        {"a command's type id", FrameAround(4, Bytes(16, 0)), false},
        {"an unknown type id", FrameAround(777, Bytes(4, 0)), false},
        {"a body ending before the packet's last field", FrameAround(orv::kTypeTerminator, {1, 2}), true},
        {"an empty body", FrameAround(orv::kTypeScanError, {}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LogLines log;
        EXPECT_EQ(orv::DataPacketFromFrame(factory, c.frame, "thrdDataSocketThread"), nullptr);
        if (c.logged) {
            ASSERT_EQ(log.Lines().size(), 1U);
            EXPECT_NE(log.Lines()[0].find("thrdDataSocketThread: dropped a frame of type"),
                      std::string::npos);
        } else {
            EXPECT_TRUE(log.Lines().empty());
        }
    }
}

} // namespace
