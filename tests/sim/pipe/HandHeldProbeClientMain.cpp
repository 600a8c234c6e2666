// A program that plays the outside program of the hand-held probe pipe, for tests: it connects to the
// socket path given as its argument and answers each request (type 1001) the way the test scripted.
// Control lines on standard input, one answer line each ("OK" or "ERR <reason>"):
//   connect            connect to the socket
//   reply N            answer the next request with a reply carrying N
//   split N K          the same, written as its first K bytes, then the rest on "rest"
//   rest               writes the held-back rest of a split reply
//   none               leave the next request unanswered
//   answer HEX         answer the next request with exactly these bytes
//   raw HEX            write these bytes now
//   garbage N SEED     write N pseudo-random bytes now, with huge lengths in them
//   hangup             close the connection
// Each request that arrives is reported on standard output as "REQUEST v0 v1 v2 v3 v4"; a split
// reply's first part as "PARTIAL" once written.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Answer {
    bool silent = false;
    Bytes bytes;
    size_t firstPart = 0; // 0: all at once
};

struct Session {
    int socket = -1;
    std::deque<Answer> answers;
    Bytes heldRest;
    std::string received;
};

void Say(const std::string& line) {
    std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (wrote <= 0) {
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            _exit(1);
        }
        done += static_cast<size_t>(wrote);
    }
}

bool WriteAll(Session& session, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = send(session.socket, data + done, size - done, MSG_NOSIGNAL);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

Bytes Reply(int32_t result) {
    Bytes bytes(10);
    const uint16_t type = 1002;
    const uint32_t length = 10;
    std::memcpy(bytes.data(), &type, 2);
    std::memcpy(bytes.data() + 2, &length, 4);
    std::memcpy(bytes.data() + 6, &result, 4);
    return bytes;
}

bool ParseHex(const std::string& text, Bytes& bytes) {
    if (text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return true;
}

void Answered(Session& session, const Answer& answer) {
    if (answer.silent) {
        return;
    }
    if (answer.firstPart == 0 || answer.firstPart >= answer.bytes.size()) {
        WriteAll(session, answer.bytes.data(), answer.bytes.size());
        return;
    }
    WriteAll(session, answer.bytes.data(), answer.firstPart);
    session.heldRest.assign(answer.bytes.begin() + static_cast<long>(answer.firstPart), answer.bytes.end());
    Say("PARTIAL");
}

// Takes whole requests out of what arrived; a request nobody scripted stays unanswered.
void TakeRequests(Session& session) {
    while (session.received.size() >= 6) {
        uint16_t type = 0;
        uint32_t length = 0;
        std::memcpy(&type, session.received.data(), 2);
        std::memcpy(&length, session.received.data() + 2, 4);
        if (length < 6) {
            length = 6;
        }
        if (session.received.size() < length) {
            return;
        }
        if (type == 1001 && length == 26) {
            int32_t values[5];
            std::memcpy(values, session.received.data() + 6, sizeof values);
            std::ostringstream line;
            line << "REQUEST";
            for (const int32_t value : values) {
                line << ' ' << value;
            }
            Say(line.str());
            if (!session.answers.empty()) {
                const Answer answer = session.answers.front();
                session.answers.pop_front();
                Answered(session, answer);
            }
        }
        session.received.erase(0, length);
    }
}

std::string Handle(Session& session, const std::string& line, const char* path) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "connect") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
        session.socket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (session.socket < 0 ||
            connect(session.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return std::string("ERR ") + std::strerror(errno);
        }
        return "OK";
    }
    if (command == "reply" || command == "split") {
        Answer answer;
        int32_t result = 0;
        words >> result;
        answer.bytes = Reply(result);
        if (command == "split") {
            words >> answer.firstPart;
        }
        session.answers.push_back(answer);
        return "OK";
    }
    if (command == "rest") {
        const bool written = WriteAll(session, session.heldRest.data(), session.heldRest.size());
        session.heldRest.clear();
        return written ? "OK" : "ERR write";
    }
    if (command == "none") {
        session.answers.push_back(Answer{true, {}, 0});
        return "OK";
    }
    if (command == "answer" || command == "raw") {
        std::string hex;
        words >> hex;
        Answer answer;
        if (!ParseHex(hex, answer.bytes)) {
            return "ERR hex";
        }
        if (command == "answer") {
            session.answers.push_back(answer);
            return "OK";
        }
        return WriteAll(session, answer.bytes.data(), answer.bytes.size()) ? "OK" : "ERR write";
    }
    if (command == "garbage") {
        size_t count = 0;
        unsigned seed = 0;
        words >> count >> seed;
        std::mt19937 random(seed);
        Bytes bytes(count);
        for (size_t i = 0; i < count; ++i) {
            bytes[i] = static_cast<uint8_t>(random());
        }
        // Headers with huge lengths here and there, the kind no buffer can hold.
        for (size_t at = 0; at + 6 <= count; at += 997) {
            const uint16_t type = static_cast<uint16_t>(random());
            const uint32_t length = 0x10000000u + static_cast<uint32_t>(random() % 0x70000000u);
            std::memcpy(bytes.data() + at, &type, 2);
            std::memcpy(bytes.data() + at + 2, &length, 4);
        }
        return WriteAll(session, bytes.data(), bytes.size()) ? "OK" : "ERR write";
    }
    if (command == "hangup") {
        close(session.socket);
        session.socket = -1;
        return "OK";
    }
    return "ERR unknown command " + command;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <socket path>\n", argv[0]);
        return 2;
    }
    Session session;
    std::string control;
    for (;;) {
        pollfd waiting[2] = {{STDIN_FILENO, POLLIN, 0}, {session.socket, POLLIN, 0}};
        const int ready = poll(waiting, session.socket >= 0 ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        if (session.socket >= 0 && (waiting[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            char buffer[4096];
            const ssize_t got = recv(session.socket, buffer, sizeof buffer, 0);
            if (got > 0) {
                session.received.append(buffer, static_cast<size_t>(got));
                TakeRequests(session);
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                close(session.socket);
                session.socket = -1;
                Say("CLOSED");
            }
        }
        if ((waiting[0].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[65536];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                return 0; // the test has gone
            }
            control.append(buffer, static_cast<size_t>(got));
            size_t end = 0;
            while ((end = control.find('\n')) != std::string::npos) {
                const std::string line = control.substr(0, end);
                control.erase(0, end + 1);
                Say(Handle(session, line, argv[1]));
            }
        }
    }
}
