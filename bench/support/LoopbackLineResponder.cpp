#include "bench/support/LoopbackLineResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::bench {

LoopbackLineResponder::LoopbackLineResponder(std::function<Handler()> makeHandler)
    : m_makeHandler(std::move(makeHandler)) {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_listener, 8);
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackLineResponder::~LoopbackLineResponder() {
    shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    for (const int s : m_clients) {
        shutdown(s, SHUT_RDWR);
    }
    for (std::thread& t : m_servers) {
        t.join();
    }
    for (const int s : m_clients) {
        close(s);
    }
    close(m_listener);
}

void LoopbackLineResponder::AcceptLoop() {
    while (true) {
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0) {
            return;
        }
        const int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        m_clients.push_back(client);
        m_servers.emplace_back([client, handler = m_makeHandler()] { Serve(client, handler); });
    }
}

void LoopbackLineResponder::Serve(int client, const Handler& handler) {
    std::string input;
    char buffer[4096];
    while (true) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        input.append(buffer, static_cast<size_t>(got));
        size_t end = 0;
        while ((end = input.find('\n')) != std::string::npos) {
            const std::string command = input.substr(0, end);
            input.erase(0, end + 1);
            const std::string* reply = handler(command);
            if (reply == nullptr) {
                continue;
            }
            size_t sent = 0;
            while (sent < reply->size()) {
                const ssize_t done = send(client, reply->data() + sent, reply->size() - sent, MSG_NOSIGNAL);
                if (done <= 0) {
                    return;
                }
                sent += static_cast<size_t>(done);
            }
        }
    }
}

int ConnectPlainLoopback(uint16_t port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

size_t ReceiveReply(int s, char* buffer, size_t capacity, size_t exact) {
    size_t have = 0;
    while (have < capacity) {
        const ssize_t got = recv(s, buffer + have, capacity - have, 0);
        if (got <= 0) {
            break;
        }
        have += static_cast<size_t>(got);
        if (exact != 0 ? have >= exact : buffer[have - 1] == '\n') {
            break;
        }
    }
    return have;
}

} // namespace orv::bench
