#include "engine/scanners/adapter/CAdapterSerialEngine.h"
#include "engine/scanners/adapter/CAdapterFrame.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

// The adapter's end of a pseudo-terminal; the engine opens the terminal side.
class PtyAdapter {
public:
    PtyAdapter() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
            ::ptsname_r(m_master, name, sizeof name) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
        }
        m_path = name;
    }
    ~PtyAdapter() { ::close(m_master); }
    PtyAdapter(const PtyAdapter&) = delete;
    PtyAdapter& operator=(const PtyAdapter&) = delete;

    const std::string& Path() const { return m_path; }
    void Send(const Bytes& bytes) const {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    Bytes Receive(std::size_t count) const {
        Bytes bytes;
        while (bytes.size() < count) {
            pollfd wait{m_master, POLLIN, 0};
            if (::poll(&wait, 1, 2000) != 1) {
                break;
            }
            uint8_t block[256];
            const ssize_t n = ::read(m_master, block, std::min(sizeof block, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), block, block + n);
        }
        return bytes;
    }

private:
    int m_master = -1;
    std::string m_path;
};

TEST(CAdapterSerialEngine, FramesGoBothWaysOverThePort) {
    PtyAdapter adapter;
    CAdapterSerialEngine engine;
    ASSERT_TRUE(engine.Open(adapter.Path(), 115200));
    EXPECT_TRUE(engine.IsReady());
    const Bytes request = CAdapterFrame::Build(Bytes{'a', 0});
    ASSERT_TRUE(engine.Write(request.data(), static_cast<uint32_t>(request.size()), 350));
    EXPECT_EQ(adapter.Receive(request.size()), request);

    adapter.Send({0x55, 0x02, 0x00, 0x02, 'a'});
    adapter.Send({0x00, static_cast<uint8_t>(2 + 'a'), 0x03});
    CAdapterFrame reply;
    ASSERT_TRUE(reply.Read([&](uint8_t* into, uint32_t count, uint32_t timeoutMs) {
        return engine.Read(into, count, timeoutMs);
    }));
    EXPECT_EQ(reply.Letter(), 'a');
    EXPECT_EQ(reply.Payload()[1], 0);

    // Opening again closes what it held first.
    ASSERT_TRUE(engine.Open(adapter.Path(), 115200));
    EXPECT_TRUE(engine.IsReady());
}

TEST(CAdapterSerialEngine, APortThatDoesNotOpenIsNeverReady) {
    CAdapterSerialEngine engine;
    EXPECT_FALSE(engine.Open("", 115200));
    EXPECT_FALSE(engine.IsReady());
    EXPECT_FALSE(engine.Open("/dev/null/no-port", 115200));
    EXPECT_FALSE(engine.IsReady());
    const Bytes request = CAdapterFrame::Build(Bytes{'j'});
    EXPECT_FALSE(engine.Write(request.data(), static_cast<uint32_t>(request.size()), 300));
    uint8_t byte = 0;
    EXPECT_FALSE(engine.Read(&byte, 1, 100));
}

} // namespace
} // namespace orv
