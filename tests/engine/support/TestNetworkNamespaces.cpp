#include "tests/engine/support/TestNetworkNamespaces.h"

#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orv::test {

namespace {

// Runs one command; the command line when it failed, else empty.
std::string Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0 ? std::string() : command;
}

} // namespace

TestNetworkNamespaces::TestNetworkNamespaces(bool loopbackOnly) {
    static int made = 0;
    const std::string stem = "orv-test-" + std::to_string(::getpid()) + "-" + std::to_string(made++);
    m_client = stem + "-c";
    m_peer = stem + "-p";
    if (!(m_refused = Run("ip netns add " + m_client)).empty()) {
        return;
    }
    m_madeClient = true;
    if (!(m_refused = Run("ip -n " + m_client + " link set lo up")).empty() || loopbackOnly) {
        return;
    }
    if (!(m_refused = Run("ip netns add " + m_peer)).empty()) {
        return;
    }
    m_madePeer = true;
    const std::vector<std::string> commands{
        "ip -n " + m_client + " link add vc type veth peer name vp netns " + m_peer,
        "ip -n " + m_client + " addr add 10.201.0.1/24 dev vc",
        "ip -n " + m_client + " link set vc up",
        "ip -n " + m_client + " route add default via 10.201.0.2",
        "ip -n " + m_peer + " link set lo up",
        "ip -n " + m_peer + " addr add 10.201.0.2/24 dev vp",
        "ip -n " + m_peer + " addr add 10.201.0.3/24 dev vp",
        "ip -n " + m_peer + " link set vp up",
    };
    for (const std::string& command : commands) {
        if (!(m_refused = Run(command)).empty()) {
            return;
        }
    }
}

TestNetworkNamespaces::~TestNetworkNamespaces() {
    for (const pid_t pid : std::vector<pid_t>(m_programs)) {
        StopProgram(pid);
    }
    if (m_madeClient) {
        Run("ip netns del " + m_client);
    }
    if (m_madePeer) {
        Run("ip netns del " + m_peer);
    }
}

bool TestNetworkNamespaces::RunIn(const std::string& name, const std::function<void()>& body) {
    bool joined = false;
    std::thread inside([&] {
        const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        joined = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        if (joined) {
            body();
        }
    });
    inside.join();
    return joined;
}

pid_t TestNetworkNamespaces::StartInPeer(const std::string& commandLine) {
    // Everything the child needs is ready before the fork: after it, only calls safe in a forked copy
    // of a threaded process.
    const std::string script = "mount -t tmpfs tmpfs /run && exec " + commandLine;
    std::string ip;
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (::access(candidate, X_OK) == 0) {
            ip = candidate;
            break;
        }
    }
    if (ip.empty()) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(ip.c_str(), "ip", "netns", "exec", m_peer.c_str(), "sh", "-c", script.c_str(), nullptr);
        ::_exit(127);
    }
    if (pid > 0) {
        m_programs.push_back(pid);
    }
    return pid;
}

void TestNetworkNamespaces::StopProgram(pid_t pid) {
    std::erase(m_programs, pid);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace orv::test
