#include "protocol/pipe/CNamedPipeListenerManager.h"

#include "platform/clock/Clock.h"
#include "platform/fs/AppPaths.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace orv {

namespace {

constexpr int kListenerPollMs = static_cast<int>(CNamedPipeListenerManager::kPollPeriod.count());

std::string PerUserTempFolder() {
    // The process temp folder is <temp>/orvilant-<uid>/<pid>; the pipe belongs to its parent, which
    // every run of this user shares.
    const std::string processFolder = GetProcessTempFolder();
    const size_t slash = processFolder.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : processFolder.substr(0, slash);
}

} // namespace

std::string GetHandHeldProbePipePath() {
    if (const std::string runtime = GetPrivateXdgRuntimeFolder(); !runtime.empty()) {
        return runtime + "/" + kHandHeldProbePipeName;
    }
    const std::string folder = PerUserTempFolder();
    if (folder.empty()) {
        return {};
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    if (!IsPrivateFolderOfThisUser(folder)) {
        struct stat info {};
        // Our own folder left open by an earlier umask is closed; anything else is refused.
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
            ::chmod(folder.c_str(), 0700) != 0) {
            return {};
        }
    }
    return folder + "/" + kHandHeldProbePipeName;
}

CNamedPipeListenerManager::CNamedPipeListenerManager(MessageTarget* mainFrame, std::string path)
    : m_mainFrame(mainFrame), m_path(path.empty() ? GetHandHeldProbePipePath() : std::move(path)) {}

CNamedPipeListenerManager::~CNamedPipeListenerManager() {
    RequestStop();
    Join();
}

bool CNamedPipeListenerManager::Start() {
    {
        std::lock_guard guard(m_lock);
        if (m_state != State::NotStarted) {
            return false;
        }
        m_state = State::Starting;
    }
    try {
        m_listener = std::thread([this] { ListenLoop(); });
    } catch (const std::system_error&) {
        SetState(State::Ended);
        return false;
    }
    return true;
}

void CNamedPipeListenerManager::RequestStop() {
    m_run = false;
}

void CNamedPipeListenerManager::Join() {
    if (m_listener.joinable()) {
        m_listener.join();
    }
    std::shared_ptr<CNamedPipeIncomingClient> client;
    {
        std::lock_guard guard(m_lock);
        client = std::move(m_currentClient);
    }
    if (client) {
        client->Close();
    }
}

std::shared_ptr<CNamedPipeIncomingClient> CNamedPipeListenerManager::GetCurrentClient() const {
    std::lock_guard guard(m_lock);
    return m_currentClient;
}

CNamedPipeListenerManager::State CNamedPipeListenerManager::GetState() const {
    std::lock_guard guard(m_lock);
    return m_state;
}

CNamedPipeListenerManager::State
CNamedPipeListenerManager::WaitUntilSettled(std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    m_stateChanged.wait_for(guard, timeout,
                            [this] { return m_state == State::Listening || m_state == State::Ended; });
    return m_state;
}

void CNamedPipeListenerManager::SetState(State state) {
    {
        std::lock_guard guard(m_lock);
        m_state = state;
    }
    m_stateChanged.notify_all();
}

void CNamedPipeListenerManager::ListenLoop() {
    UnixListeningSocket listening;
    std::string error;
    if (m_path.empty()) {
        AddInformationMessage(1, "The hand-held probe pipe has no folder of this user to live in; no "
                                 "program can connect to it.");
        SetState(State::Ended);
        return;
    }
    if (listening.Listen(m_path, error) != UnixListeningSocket::Status::Listening) {
        AddInformationMessage(1, "Could not create the hand-held probe pipe " + m_path + ": " + error);
        SetState(State::Ended);
        return;
    }
    SetState(State::Listening);
    bool failing = false;
    while (m_run.load()) {
        if (!listening.WaitForConnection(kListenerPollMs)) {
            continue;
        }
        int error = 0;
        UnixStreamSocket socket = listening.Accept(&error);
        if (!socket.IsValid()) {
            if (error == EAGAIN || error == EWOULDBLOCK || error == ECONNABORTED) {
                continue; // the program that knocked has gone again
            }
            // Out of file handles (or memory): the connection stays waiting and the socket stays
            // readable, so the next try waits for the poll period instead of spinning a core.
            if (!failing) {
                failing = true;
                AddInformationMessage(1, "The hand-held probe pipe cannot accept a connection: " +
                                             std::system_category().message(error) + "; trying again every " +
                                             std::to_string(kListenerPollMs) + " ms.");
            }
            ClockSleep(kPollPeriod);
            continue;
        }
        failing = false;
        if (m_run.load()) {
            AcceptClient(std::move(socket));
        }
    }
    listening.Close();
    SetState(State::Ended);
}

void CNamedPipeListenerManager::AcceptClient(UnixStreamSocket socket) {
    auto client = std::make_shared<CNamedPipeIncomingClient>(std::move(socket), m_mainFrame);
    std::shared_ptr<CNamedPipeIncomingClient> previous;
    {
        std::lock_guard guard(m_lock);
        previous = std::exchange(m_currentClient, client);
    }
    // The old program's reader stops before the new one is announced; whoever still holds the old
    // client gets -2 from it.
    if (previous) {
        previous->Close();
        previous.reset();
    }
    if (!client->StartReader()) {
        std::lock_guard guard(m_lock);
        if (m_currentClient == client) {
            m_currentClient.reset();
        }
        return;
    }
    // The line is written before the main frame hears of the client, so that whoever reacts to the
    // message finds it in the window already.
    const int earlier = m_acceptedCount.fetch_add(1);
    AddInformationMessage(1, "******-Accept a new connection for Orvilant API Client ::" +
                                 std::to_string(earlier));
    if (m_mainFrame != nullptr) {
        m_mainFrame->Post(kPipeClientConnectionMessage, 1, 0);
    }
}

} // namespace orv
