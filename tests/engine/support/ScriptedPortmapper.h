#pragma once

// A portmapper of the test's own for the network scanner search: in the peer namespace of a
// TestNetworkNamespaces it records each query and answers with the datagrams the test scripted.

#include "tests/engine/support/TestNetworkNamespaces.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {

// 32-bit words in network byte order.
std::vector<uint8_t> PortmapperWords(std::initializer_list<uint32_t> words);
// A GETPORT answer naming `port`, padded or cut to `size` bytes (a responder puts the query's
// transaction id in its first word).
std::vector<uint8_t> PortmapperReply(uint32_t port, std::size_t size = 28);

// A portmapper of the test's own in the peer namespace: a socket on port 111 that records each query
// and answers it with the datagrams the test scripted, each from the peer address it names and with
// the query's transaction id unless the answer keeps its own.
class ScriptedResponder {
public:
    struct Answer {
        uint32_t from;
        std::vector<uint8_t> datagram;
        bool keepsItsId = false;
    };

    ScriptedResponder(const TestNetworkNamespaces& namespaces, std::vector<std::vector<Answer>> perQuery)
        : m_script(std::move(perQuery)) {
        TestNetworkNamespaces::RunIn(namespaces.Peer(), [this] {
            const int on = 1;
            m_listener = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(111);
            ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            m_ready = ::bind(m_listener, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
            for (const uint32_t address :
                 {TestNetworkNamespaces::kFirstPeer, TestNetworkNamespaces::kSecondPeer}) {
                sockaddr_in own{};
                own.sin_family = AF_INET;
                own.sin_addr.s_addr = htonl(address);
                const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
                m_ready = m_ready && ::bind(fd, reinterpret_cast<sockaddr*>(&own), sizeof own) == 0;
                m_senders.push_back(fd);
            }
        });
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedResponder() {
        m_running = false;
        m_thread.join();
        for (const int fd : m_senders) {
            ::close(fd);
        }
        ::close(m_listener);
    }

    bool IsReady() const { return m_ready; }
    std::vector<uint32_t> TransactionIds() const {
        const std::lock_guard guard(m_lock);
        return m_ids;
    }
    // Bounded wait until `count` queries were answered.
    bool WaitAnswered(std::size_t count) const {
        std::unique_lock lock(m_lock);
        return m_answered.wait_for(lock, std::chrono::seconds(5), [&] { return m_ids.size() >= count; });
    }

private:
    void Serve() {
        while (m_running) {
            pollfd wait{m_listener, POLLIN, 0};
            if (::poll(&wait, 1, 20) != 1) {
                continue;
            }
            std::array<uint8_t, 1500> query{};
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n = ::recvfrom(m_listener, query.data(), query.size(), 0,
                                         reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 4) {
                continue;
            }
            std::size_t index = 0;
            {
                const std::lock_guard guard(m_lock);
                index = m_ids.size();
                m_ids.push_back(static_cast<uint32_t>(query[0]) << 24 |
                                static_cast<uint32_t>(query[1]) << 16 | static_cast<uint32_t>(query[2]) << 8 |
                                query[3]);
            }
            if (index < m_script.size()) {
                for (const Answer& answer : m_script[index]) {
                    const int fd = m_senders[answer.from == TestNetworkNamespaces::kFirstPeer ? 0 : 1];
                    std::vector<uint8_t> datagram = answer.datagram;
                    if (!answer.keepsItsId && datagram.size() >= 4) {
                        std::copy(query.begin(), query.begin() + 4, datagram.begin());
                    }
                    ::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             sizeof from);
                }
            }
            m_answered.notify_all();
        }
    }

    std::vector<std::vector<Answer>> m_script;
    int m_listener = -1;
    std::vector<int> m_senders;
    bool m_ready = false;
    std::atomic<bool> m_running{true};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_answered;
    std::vector<uint32_t> m_ids;
    std::thread m_thread;
};

} // namespace orv::test
