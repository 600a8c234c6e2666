#pragma once

// A simulated SCPI spectrum analyser for tests: raw SCPI over TCP on loopback, any number of
// resources (one listening port each, chosen by the system), driven and read through control lines
// on standard input and output. It listens on 127.0.0.1 only and never connects anywhere.
//
// Control lines (fields separated by tabs, escaped as scpi/ControlText.h says), each answered by one
// line "OK[\t...]" or "ERR\t<why>":
//   ADD name                     new resource; answers OK\t<port>
//   ADD6 name                    new resource on the IPv6 loopback address ::1; answers OK\t<port>
//   IDN name text                the "*IDN?" reply (a line feed is added)
//   REPLY name command bytes     reply to a command with exactly these bytes (none: no reply)
//   BLOCK name command length    reply with an IEEE 488.2 block of `length` pattern bytes and LF
//   FILL name command length     reply with `length` bytes 'A' and no line feed
//   DROP name command            close the connection when the command arrives
//   SEQUENCE name command r...   reply to the command with these bytes in turn, the last repeated
//   COMMANDSET name set          answer the named command set ("generic", "xseries", "rs", "fieldfox", "psa",
//                                "n9320b", "n9324c", "znd", "rigol", "siglent") over a
//                                simulated state;
//                                a command no set or reply knows then queues -113 "Undefined header"
//   PIECES name command ms       send the command's reply in two halves, the second ms later
//   DROPAFTER name command       close the connection after sending the command's reply
//   REFUSE name command          queue one error (-100) when the command arrives
//   DELAY name command ms        send the command's reply this much later
//   ERRORS name n                the error queue holds n errors -100 ("ERR?" answers the count,
//                                ":SYST:ERR?" takes the oldest); it holds at most 10, the last of a
//                                full queue being -350 "Queue overflow"
//   MODE name text               the "INST?" reply (a line feed is added)
//   OPC name ms                  the operation a "*OPC?" waits for takes ms: the "*OPC?" is answered
//                                once, with "1", that long after it came (0 at first)
//   LOG name                     every command received so far: OK\t<command>\t<command>...
//   WAIT name count ms           answers OK\t<n> once n >= count commands arrived, or after ms
//   CLEAR name                   forgets the commands received
//   KICK name                    closes every open connection of the resource
//   QUIT                         ends the simulator
// A command is a line received without its line feed. Replies are looked up by the exact command,
// then by its plain form (upper case, no leading ':' and no trailing ';' or white space); the
// built-in commands "*IDN?", "ERR?", "SYST:ERR?", "*CLS", "INST?" and "*OPC?" match by SCPI's header
// rules (tests/sim/scpi/ScpiHeader.h; "SYST:ERR?; *WAI" is the error query too, and a set's command
// followed by ";*OPC?" gets its own answer and the "1" in one message). The answers to the queries of
// one message go back as one message joined by ';'. A command set's parameters take a value in the
// base unit (Hz, s) or with a unit suffix; an unknown suffix queues -131 "Invalid suffix".

#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace orv::sim {

class ScpiSimulator {
public:
    ScpiSimulator() = default;
    ~ScpiSimulator();
    ScpiSimulator(const ScpiSimulator&) = delete;
    ScpiSimulator& operator=(const ScpiSimulator&) = delete;

    // Serves until QUIT or the end of standard input; the exit code.
    int Run();

    // The data bytes of a BLOCK reply of this length.
    static std::string BlockPattern(size_t length);

private:
    using Clock = std::chrono::steady_clock;

    struct Reply {
        std::string bytes;
        bool drop = false;
        bool refuse = false;
        int pieceGapMs = 0;     // the reply's second half this much after its first
        int trickleGapMs = 0;   // each byte of the reply this much after the one before
        bool dropAfter = false; // the connection closes after the reply // queues an instrument error when
                                // the command arrives
        int delayMs = 0;
        std::vector<std::string> sequence; // replies in turn, the last repeated
        size_t next = 0;
    };
    struct Resource {
        int listener = -1;
        uint16_t port = 0;
        std::string identity = "QZV Technologies,SCPI simulator,0,1.0";
        std::string mode = "SA";
        int operationMs = 0; // how long the operation a "*OPC?" waits for takes
        std::map<std::string, Reply> replies;
        std::vector<std::string> log;
        std::string commandSet; // empty: none
        SimulatedAnalyzerState state;
        std::deque<std::string> errorQueue; // at most 10; ":SYST:ERR?" takes the oldest
    };
    struct Outgoing {
        Clock::time_point due;
        std::string bytes;
        bool drop = false;
    };
    struct Client {
        int socket = -1;
        std::string resource;
        std::string input;
        std::string output;
        std::deque<Outgoing> queued;
    };
    struct Waiting {
        std::string resource;
        size_t count = 0;
        Clock::time_point until;
    };

    std::string Control(const std::vector<std::string>& fields);
    std::string Add(const std::string& name, bool ipv6);
    void Accept(Resource& resource, const std::string& name);
    void ReceiveFrom(Client& client);
    void HandleCommand(Client& client, const std::string& command);
    void SendPending(Client& client);
    void CloseClient(Client& client);
    void AnswerWaitIfDone(bool timedOut);
    void Answer(const std::string& line);

    std::map<std::string, Resource> m_resources;
    std::vector<Client> m_clients;
    std::string m_controlInput;
    std::vector<Waiting> m_waiting; // at most one: control lines are handled one at a time
    bool m_quit = false;
};

} // namespace orv::sim
