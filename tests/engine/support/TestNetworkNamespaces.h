#pragma once

// Network namespaces of a test's own, made with iproute2: a client namespace and a peer namespace
// joined by a veth pair (the client 10.201.0.1/24 with its default route over the pair, the peer
// 10.201.0.2 and 10.201.0.3), or a client namespace with only its loopback. No packet sent inside
// them ever leaves them. Both go with the object, with whatever still runs in them.

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace orv::test {

class TestNetworkNamespaces {
public:
    static constexpr uint32_t kClientAddress = 0x0AC90001U; // 10.201.0.1
    static constexpr uint32_t kFirstPeer = 0x0AC90002U;     // 10.201.0.2
    static constexpr uint32_t kSecondPeer = 0x0AC90003U;    // 10.201.0.3

    explicit TestNetworkNamespaces(bool loopbackOnly);
    ~TestNetworkNamespaces();
    TestNetworkNamespaces(const TestNetworkNamespaces&) = delete;
    TestNetworkNamespaces& operator=(const TestNetworkNamespaces&) = delete;

    // The command the system refused; empty when both namespaces are up.
    const std::string& Refused() const { return m_refused; }
    const std::string& Client() const { return m_client; }
    const std::string& Peer() const { return m_peer; }

    // Runs `body` on a thread that joined the named namespace; false when it could not join.
    static bool RunIn(const std::string& name, const std::function<void()>& body);
    // Starts a program inside the peer namespace with a private /run (as a daemon expects its own);
    // its process id, -1 when it could not start. Stopped by StopProgram or with the namespaces.
    pid_t StartInPeer(const std::string& commandLine);
    void StopProgram(pid_t pid);

private:
    std::string m_client;
    std::string m_peer;
    std::string m_refused;
    bool m_madeClient = false;
    bool m_madePeer = false;
    std::vector<pid_t> m_programs;
};

} // namespace orv::test

// Skips where the namespaces cannot be made; as root (the CI) fails instead, since it must run there.
#define ORV_SKIP_UNLESS_NAMESPACES(namespaces)                                                               \
    do {                                                                                                     \
        if (!(namespaces).Refused().empty()) {                                                               \
            if (::geteuid() == 0) {                                                                          \
                FAIL() << "refused: " << (namespaces).Refused();                                             \
            }                                                                                                \
            GTEST_SKIP() << "network namespaces cannot be made here; refused: " << (namespaces).Refused();   \
        }                                                                                                    \
    } while (false)
