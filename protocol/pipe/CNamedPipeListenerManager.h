#pragma once

// Serves the hand-held probe pipe: a local socket "Halvion_Pipe_Handheld" to which another program
// on this machine connects to answer the hand-held probe cells. The listener thread accepts one
// program at a time; a program that connects replaces the one before it. The main frame makes the
// manager with its message target, starts it at creation, takes the current client when a cell
// needs an answer, and stops and joins it with its other threads at teardown.

#include "platform/net/UnixStreamSocket.h"
#include "protocol/pipe/CNamedPipeIncomingClient.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orv {

class MessageTarget;

inline constexpr char kHandHeldProbePipeName[] = "Halvion_Pipe_Handheld";

// $XDG_RUNTIME_DIR/Halvion_Pipe_Handheld when that folder is this user's and closed to others, else
// the same name in the per-user temp folder <temp>/orvilant-<uid> (made, or closed to, 0700). Empty when the
// per-user folder cannot be made or is not this user's own folder (a link, or another user's), so nobody can
// plant the socket.
std::string GetHandHeldProbePipePath();

class CNamedPipeListenerManager {
public:
    enum class State { NotStarted, Starting, Listening, Ended };

    // How often the listener looks at its run flag while nobody connects, and how long it waits
    // before it tries again to take a connection it could not take (out of file handles).
    static constexpr std::chrono::milliseconds kPollPeriod{20};

    // `mainFrame` receives 10041 (wParam 1 on a connection, 0 when the program goes away); it must
    // outlive the manager. `path` empty: GetHandHeldProbePipePath().
    explicit CNamedPipeListenerManager(MessageTarget* mainFrame, std::string path = {});
    CNamedPipeListenerManager(const CNamedPipeListenerManager&) = delete;
    CNamedPipeListenerManager& operator=(const CNamedPipeListenerManager&) = delete;
    // Stops and joins the listener and closes the current client (a waiting request answers -2).
    ~CNamedPipeListenerManager();

    // Starts the listener thread; false when it was started before or the thread cannot start.
    bool Start();
    // Clears the run flag; the listener leaves within a few milliseconds.
    void RequestStop();
    // Waits for the listener to leave, then closes the current client.
    void Join();

    // The program connected now, or null. The caller may keep it while it asks: a replaced client
    // answers -2 and stays valid while held.
    std::shared_ptr<CNamedPipeIncomingClient> GetCurrentClient() const;

    // Waits until the listener is listening or has ended (or the time is up) and answers the state.
    State WaitUntilSettled(std::chrono::milliseconds timeout) const;
    State GetState() const;
    const std::string& GetPath() const { return m_path; }
    int GetAcceptedCount() const { return m_acceptedCount.load(); }

private:
    void ListenLoop();
    void SetState(State state);
    void AcceptClient(UnixStreamSocket socket);

    MessageTarget* m_mainFrame;
    std::string m_path;

    std::atomic<bool> m_run{true};
    std::atomic<int> m_acceptedCount{0};
    std::thread m_listener;

    mutable std::mutex m_lock; // current client and state
    mutable std::condition_variable m_stateChanged;
    std::shared_ptr<CNamedPipeIncomingClient> m_currentClient;
    State m_state = State::NotStarted;
};

} // namespace orv
