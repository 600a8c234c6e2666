#pragma once

// The main frame's connection thread: keeps the scanner and the analyser connected without the
// user's help. Every 100 ms it looks whether a period has passed since its last attempt (2000 ms
// while both devices are connected, 6000 ms otherwise; the first attempt comes at once); then it
// connects the scanner of the selected probe type, then (only with the scanner connected) the
// analyser, makes the client's connection to the engine once per run, asks the engine for its
// version and scan head after each scanner connection and for the analyser's identity once per
// analyser connection, pings a network analyser, notices an unplugged scanner board, and says how
// it goes through the instrument state's status text and a 10040 post to the frame.
//
// It touches no widget. Its warnings go through the prompt with its stop token, so a stop ends a
// wait for the user's confirmation. Every pause goes through the platform clock.

#include "analyzers/ProbeType.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace orv {

class AnalyzerPing;
class CConnectionLink;
class CInstrumentInfo;
class MessageTarget;
class SetupScan;

// The devices as the connection thread connects them.
class CConnectionDevices {
public:
    CConnectionDevices() = default;
    CConnectionDevices(const CConnectionDevices&) = delete;
    CConnectionDevices& operator=(const CConnectionDevices&) = delete;
    virtual ~CConnectionDevices();

    // `stop` (the connection thread's) ends the search and its settles.
    virtual bool ConnectScanner(eProbeType type, std::stop_token stop) = 0;
    virtual bool ConnectAnalyzer() = 0;
    // Lets go of the held analyser connection and its driver; false while that is refused.
    virtual bool ReleaseAnalyzer() = 0;
    // The held analyser connection's host, when it reaches its analyser over the network.
    virtual std::optional<std::string> GetAnalyzerNetworkHost() const = 0;
};

// Over the engine's set-up object and its device manager.
class CSetupScanConnectionDevices final : public CConnectionDevices {
public:
    explicit CSetupScanConnectionDevices(SetupScan& setup) : m_setup(setup) {}
    bool ConnectScanner(eProbeType type, std::stop_token stop) override;
    bool ConnectAnalyzer() override;
    bool ReleaseAnalyzer() override;
    std::optional<std::string> GetAnalyzerNetworkHost() const override;

private:
    SetupScan& m_setup;
};

class CConnectionThread {
public:
    static constexpr uint32_t kStatusTextMessage = 10040;
    static constexpr std::chrono::milliseconds kPassInterval{100};
    static constexpr std::chrono::milliseconds kConnectedPeriod{2000};
    static constexpr std::chrono::milliseconds kRetryPeriod{6000};
    static constexpr std::chrono::milliseconds kAfterScannerPause{200};

    static constexpr uint16_t kEngineVersionCommand = 8;
    static constexpr uint16_t kQueryScanHeadCommand = 5;
    static constexpr uint16_t kAnalyzerIdentityCommand = 4003;

    static constexpr const char* kDetectingText =
        "Detecting, connecting to Scanner Board and Spectrum Analyzer......";
    static constexpr const char* kQueryingIdText = "Querying Spectrum Analyzer's ID...";
    static constexpr const char* kAnalyzerLostText =
        "The network connection to the Spectral Analyzer is lost!  Please confirm.";
    static constexpr const char* kScannerLostText = "The connection to scanner is lost!  Please confirm.";
    static constexpr const char* kScannerLostLogLine = "The connection to scanner is lost!";
    static constexpr const char* kWarningCaption = "Warning";

    struct Context {
        CInstrumentInfo* info = nullptr;
        CConnectionDevices* devices = nullptr;
        // The client's controller and command queue; null while the program has none.
        CConnectionLink* link = nullptr;
        // Null: no pings.
        AnalyzerPing* ping = nullptr;
        // Receives 10040 after every status text.
        MessageTarget* frame = nullptr;
        // The ini file's detection settings.
        bool analyzerDetection = false;
        bool scannerDetection = false;
        // Set when the scanner board was unplugged (null: never).
        std::atomic<uint8_t>* scannerRemoved = nullptr;
        // Whether a failed attempt may still be reported (the frame has its window and is not
        // closing); empty: always.
        std::function<bool()> mayReport;
    };

    explicit CConnectionThread(Context context);
    // Stops and joins the thread.
    ~CConnectionThread();
    CConnectionThread(const CConnectionThread&) = delete;
    CConnectionThread& operator=(const CConnectionThread&) = delete;

    // Starts the thread once; false when it ran before or cannot start.
    bool Start();
    void RequestStop();
    // Waits until the thread has left, at most `timeout` of real time; true when it has, and it is
    // then joined. A thread that has not left is left alone.
    bool JoinFor(std::chrono::milliseconds timeout);
    // Lets a thread that would not stop go on by itself; the object must then never be destroyed.
    void Abandon();
    bool HasEnded() const;
    // 1 while the thread runs its loop.
    int32_t GetRunningCount() const { return m_runningCount.load(); }

    // The status text of a connection result, stored in the instrument state and posted to the
    // frame; state 0 unless both are connected.
    static std::string ComposeResultText(bool scannerConnected, bool analyzerConnected);
    static void ReportConnectionResult(CInstrumentInfo* info, CConnectionLink* link, MessageTarget* frame,
                                       bool scannerConnected, bool analyzerConnected);

    // The thread's loop until it is asked to stop (run by the thread's entry,
    // CMainFrame::ConnectionThreadProc).
    void Loop(const std::stop_token& stop);

private:
    void Pass(const std::stop_token& stop);
    void PostStatus(const std::string& text);
    bool MayReport() const;

    Context m_context;
    std::atomic<int32_t> m_runningCount{0};
    bool m_driverConnectionCreated = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastAttempt;
    // Set by a failed ping: the next analyser attempt first lets the old connection go.
    bool m_analyzerLost = false;

    // Made with the object, so a stop asked while the thread is being started is never lost.
    std::stop_source m_stop;
    std::thread m_thread;
    bool m_started = false;
    mutable std::mutex m_endLock;
    std::condition_variable m_endChanged;
    bool m_ended = false;
};

} // namespace orv
