#include "engine/scanners/adapter/CAdapterTCPEngine.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

// An adapter's end of the link on the loopback: listens on a port of its own and accepts one peer.
class LoopbackPeer {
public:
    LoopbackPeer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no loopback listener";
        }
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackPeer() {
        Drop();
        ::close(m_listener);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    uint16_t Port() const { return m_port; }
    void Accept() { m_peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC); }
    void Send(const Bytes& bytes) const {
        ASSERT_EQ(::send(m_peer, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    Bytes Receive(std::size_t count) const {
        Bytes bytes(count);
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::recv(m_peer, bytes.data() + got, count - got, 0);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }
    void Drop() {
        if (m_peer >= 0) {
            ::close(m_peer);
            m_peer = -1;
        }
    }

private:
    int m_listener = -1;
    int m_peer = -1;
    uint16_t m_port = 0;
};

TEST(CAdapterTCPEngine, ExchangesBytesAndTakesASplitFrameWhole) {
    LoopbackPeer adapter;
    CAdapterTCPEngine engine;
    ASSERT_TRUE(engine.Connect("127.0.0.1", adapter.Port()));
    adapter.Accept();
    const Bytes request{0x02, 0, 1, 'j', 'k', 0x03};
    ASSERT_TRUE(engine.Write(request.data(), static_cast<uint32_t>(request.size()), 300));
    EXPECT_EQ(adapter.Receive(request.size()), request);

    // Half the frame now, the rest while the read waits: the read takes all of it at once.
    adapter.Send({0x02, 0, 3});
    std::array<uint8_t, 8> reply{};
    auto read = std::async(std::launch::async, [&] { return engine.Read(reply.data(), 8, 100); });
    adapter.Send({'d', 1, 2, 3, 0x6D, 0x03});
    ASSERT_TRUE(read.get());
    EXPECT_EQ(Bytes(reply.begin(), reply.end()), (Bytes{0x02, 0, 3, 'd', 1, 2, 3, 0x6D}));
    std::array<uint8_t, 1> last{};
    ASSERT_TRUE(engine.Read(last.data(), 1, 100));
    EXPECT_EQ(last[0], 0x03);

    // Too few bytes within the budget: nothing taken, the link stays.
    adapter.Send({0x02, 0});
    EXPECT_FALSE(engine.Read(reply.data(), 3, 5));
    EXPECT_TRUE(engine.IsOpen());
    adapter.Send({1});
    ASSERT_TRUE(engine.Read(reply.data(), 3, 5));
    EXPECT_EQ(reply[2], 1);
}

TEST(CAdapterTCPEngine, ADroppedLinkFailsAtOnceAndARefusedConnectFails) {
    LoopbackPeer adapter;
    CAdapterTCPEngine engine;
    ASSERT_TRUE(engine.Connect("127.0.0.1", adapter.Port()));
    adapter.Accept();
    adapter.Send({0x02});
    adapter.Drop();
    std::array<uint8_t, 4> reply{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(engine.Read(reply.data(), 4, 100));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "no waiting out the budget";
    EXPECT_FALSE(engine.IsOpen());
    const Bytes request{0x02, 0, 1, 'j', 'k', 0x03};
    EXPECT_FALSE(engine.Write(request.data(), 6, 300)) << "and no SIGPIPE";

    // A port nobody listens on: refused, though the socket reports writable.
    const uint16_t closedPort = [] {
        LoopbackPeer gone;
        return gone.Port();
    }();
    EXPECT_FALSE(engine.Connect("127.0.0.1", closedPort));
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_FALSE(engine.Connect("not an address", 9760));
}

} // namespace
} // namespace orv
