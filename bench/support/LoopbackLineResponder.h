#pragma once

// A loopback TCP server for the benchmarks that answers line commands, one thread per connection, and
// the plain-socket client side the benchmarks measure the VISA layer against.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orv::bench {

class LoopbackLineResponder {
public:
    // Answers one command line (without its line feed): the reply to send whole, or nullptr for none.
    // The reply must stay valid until the next call on the same connection.
    using Handler = std::function<const std::string*(const std::string& command)>;

    // `makeHandler` is called once per connection, so a handler may keep that connection's state.
    explicit LoopbackLineResponder(std::function<Handler()> makeHandler);
    ~LoopbackLineResponder();
    LoopbackLineResponder(const LoopbackLineResponder&) = delete;
    LoopbackLineResponder& operator=(const LoopbackLineResponder&) = delete;

    uint16_t Port() const { return m_port; }

private:
    void AcceptLoop();
    static void Serve(int client, const Handler& handler);

    std::function<Handler()> m_makeHandler;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::thread m_acceptor;
    std::vector<int> m_clients;
    std::vector<std::thread> m_servers;
};

// A plain TCP connection to 127.0.0.1:`port`, Nagle off like the VISA layer's.
int ConnectPlainLoopback(uint16_t port);

// Reads one reply into `buffer`: to its line feed, or `exact` bytes when given; returns the bytes read.
size_t ReceiveReply(int s, char* buffer, size_t capacity, size_t exact = 0);

} // namespace orv::bench
