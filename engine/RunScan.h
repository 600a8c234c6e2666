#pragma once

// The base scan runner: one "go" of the engine. The scan thread calls RunScanStart between the
// scanner's begin and end of scan and then reports the runner's status in the terminator. The base
// runner scans nothing (status 0); the runners of each scan type derive from it.

#include "engine/CEngineContext.h"
#include "engine/runners/ScanPackets.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <vector>

namespace orv {

class CDeviceManager;

class RunScan {
public:
    // Terminator status values.
    static constexpr uint32_t kStatusDone = 0;
    static constexpr uint32_t kStatusCellSwitchFailed = 507;
    static constexpr uint32_t kStatusFailed = 700;
    // Packets go to the data channel in pieces of at most this many bytes.
    static constexpr std::size_t kSendPieceBytes = 150000;

    explicit RunScan(const CEngineContext& context);
    virtual ~RunScan();
    RunScan(const RunScan&) = delete;
    RunScan& operator=(const RunScan&) = delete;

    virtual void RunScanStart();
    // Builds the runner's current result packet (whole frame) into the runner's own buffer and
    // answers it; empty when it has none. Valid until the next build.
    virtual std::span<const uint8_t> BuildResultPacket();

    uint32_t GetStatus() const { return m_status; }
    void SetStatus(uint32_t status) { m_status = status; }

    // The common test before each cell: a stop requested and not yet acknowledged ends the scan
    // with status 0 (acknowledged, analyser hook run). True when the runner must end.
    bool StopTest();
    // Sends a frame in pieces (a 10 ms pause before every piece but the first). A stop ends the wait
    // for room before the frame begins (nothing of it is sent then); a frame begun is finished. False
    // when the stop ended it or the data endpoint gave up (it shuts down).
    bool SendPacket(const uint8_t* bytes, std::size_t length);
    // Builds the result packet and sends it; false when there is none or the send failed.
    bool SendResultPacket();
    // Sends the progress record as packet 105.
    bool SendProgress(const ScanProgressRecord& progress);
    // Sends the progress record and then the result packet.
    virtual bool SendProgressAndResult(const ScanProgressRecord& progress);
    // The progress of the many-cell routines: (total, done) with flag 2, as packet 105. The routines
    // call it under the device lock, so it never waits: what cannot go at once is kept, in order, for
    // FlushProgress.
    void ReportProgress(uint32_t total, uint32_t done);
    // Sends the progress kept by ReportProgress (after the routine released the devices).
    bool FlushProgress();

    // The common rule after an acquisition failed, decided on the device manager's flags: the
    // scanner could not switch (507; a stop requested meanwhile ends as stopped), the sweep failed
    // (700), the read failed (700 and the runner's line). True when the runner must end; false
    // when all flags are up, and the cell is skipped.
    bool EndsOnReadFailure(const char* readFailureText);

    // Fires on a stop command and at the engine's shutdown.
    std::stop_token GetStopToken() const;

protected:
    const CEngineContext& Context() const { return m_context; }
    // The set-up's device manager; null when the engine has none.
    CDeviceManager* Devices() const;
    // The analyser's hook at the end of a scan or on a stop.
    void RunExtraHook();
    bool IsStopRequested() const;

private:
    CEngineContext m_context;
    uint32_t m_status = kStatusDone;
    std::vector<uint8_t> m_progressFrame;
    std::vector<uint8_t> m_pendingProgress;
};

// The terminator frame 103 with its status.
std::vector<uint8_t> BuildTerminatorFrame(uint32_t status);

} // namespace orv
