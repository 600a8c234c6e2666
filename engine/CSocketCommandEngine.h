#pragma once

// The command side of the in-process scanning engine. It reads '*'-framed commands that the client
// writes into the command channel, applies each to the set-up, the devices and the scan thread, and
// answers each (except 4001) with a reply frame of the same id on the same channel. The set-up
// sequence also sends its progress lines here as text packets 4004; a whole frame is written under
// one lock, so those never interleave with replies.
//
// Commands: 1 set-up, 2 go, 3 stop, 4 analyser driver, 5 scan-head query, 6 calibrate, 7 reset,
// 8 engine version, 9 stop calibration, 10 set cell, 4001 (no reply), 4003 analyser identity.
//
// Framing is self-healing: bytes before a frame marker are dropped, a frame longer than the
// 10240-byte buffer is skipped by its length, an unknown id is removed by its length and logged, and
// a frame too short for its command's fields is removed and logged without a reply.

#include "engine/CEngineChannel.h"
#include "engine/CEngineContext.h"
#include "engine/CEngineDevices.h"
#include "engine/CFrameAccumulator.h"
#include "engine/SetupScan.h"
#include "platform/sync/Event.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace orv {

class RunScan;

class CSocketCommandEngine final : public CSetupStepReporter {
public:
    static constexpr std::size_t kAccumulationBytes = 10240;
    static constexpr std::size_t kReadBytes = 5120;
    // The most cells a set-up can carry: its whole frame must fit the accumulation buffer.
    static constexpr uint64_t kMaxSetupCells = 3377;
    static constexpr uint16_t kSetupStepCount = 19;
    static constexpr uint16_t kTextPacketId = 4004;
    // How long a go or the engine's end waits for a running scan to end after asking it to stop.
    static constexpr std::chrono::milliseconds kScanEndBound{5000};

    explicit CSocketCommandEngine(const CEngineContext& context);
    ~CSocketCommandEngine() override;
    CSocketCommandEngine(const CSocketCommandEngine&) = delete;
    CSocketCommandEngine& operator=(const CSocketCommandEngine&) = delete;

    void SetChannel(CEngineChannel* channel) { m_channel = channel; }
    // Starts the receive thread (a 10 ms poll that wakes at once when bytes arrive); true.
    bool Start();
    // Stops the receive thread and the scan (bounded), as the destructor does.
    void Shutdown();

    // One run of the parser: reads what the channel holds and handles every whole frame. True when
    // bytes were read. The receive thread calls it; tests and benchmarks may call it directly on an
    // engine that was not started.
    bool Poll();

    void SetEnabled(bool enabled) { m_enabled.store(enabled); }

    // Sends one text packet 4004 (step, step count, text without terminator).
    bool SendTextPacket(uint16_t step, uint16_t stepCount, std::string_view text);
    // The set-up's step reports come while the device lock is held: one goes at once only when that
    // needs no wait; otherwise it is kept, in order, and goes before anything else sent here (the
    // set-up's reply at the latest). True.
    bool SendSetupStep(uint16_t step, uint16_t stepCount, std::string_view text) override;

    // The bound a go and the engine's end wait for a running scan (tests shorten it).
    void SetScanEndBound(std::chrono::milliseconds bound) { m_scanEndBound = bound; }

    // True while a scan thread runs its runner.
    bool IsScanRunning() const { return m_scanRunning.load(); }
    // Waits (real waits on the platform clock) until no scan runs; false on time-out.
    bool WaitForScanEnd(std::chrono::milliseconds timeout);

private:
    struct Incoming {
        uint16_t id = 0;
        SetupScanValues setup;
        uint32_t samplingRate = 0;
        bool setupValid = false;
        uint8_t goMode = 0;
        std::array<uint32_t, 4> words{0, 0, 0, 0};
        uint32_t value = 0;
        uint16_t row = 0;
        uint16_t column = 0;
    };

    void ReceiveLoop(const std::stop_token& stop);
    // Reads the command's fields from the body; false when the body is too short for them (or, for a
    // set-up, not a set-up the engine can apply).
    bool ReadFields(const CFrameAccumulator::Frame& frame, Incoming& command, std::string& why) const;
    void Dispatch(Incoming& command);
    bool SendFrame(uint16_t id, const std::vector<uint8_t>& body);
    bool SendBytes(const uint8_t* bytes, std::size_t length);
    // Writes the kept step reports; under m_sendLock.
    void SendKeptSteps();

    void HandleSetup(Incoming& command);
    void ReplyRefusedSetup();
    void HandleGo(const Incoming& command);
    void HandleSetAnalyzerDriver(Incoming& command);
    void HandleQueryScanHead(const Incoming& command);
    void HandleVersion();
    void HandleSetCell(const Incoming& command);
    void HandleAnalyzerIdentity();

    // Asks a running scan to stop and waits for it within the bound; true when no scan runs after.
    bool EndRunningScan();
    void ScanThreadBody(std::unique_ptr<RunScan> runner, std::atomic<bool>& terminated);

    CEngineContext m_context;
    CEngineChannel* m_channel = nullptr;
    std::atomic<bool> m_enabled{true};
    CFrameAccumulator m_accumulated{kAccumulationBytes};
    std::mutex m_sendLock;
    // Step reports that could not go at once; taken after m_sendLock where both are held.
    std::mutex m_keptStepsLock;
    std::vector<uint8_t> m_keptSteps;
    std::stop_source m_shutdown;
    std::jthread m_receiveThread;

    std::chrono::milliseconds m_scanEndBound{kScanEndBound};
    std::atomic<bool> m_scanRunning{false};
    Event m_scanEnded{Event::Reset::Manual, true};
    // Whether the current run's one terminator has been written (by its scan thread, or by a go
    // refused because that run would not end).
    std::shared_ptr<std::atomic<bool>> m_runTerminated = std::make_shared<std::atomic<bool>>(true);
    std::jthread m_scanThread;
};

} // namespace orv
