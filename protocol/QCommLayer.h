#pragma once

// The client end of the engine link. Other threads ask for protocol steps by queueing step codes;
// the queue worker serves one entry per signal through the state controller's steps, which send
// their commands through SendCommand. The command channel's thread hands every reply frame to
// HandleCommandReply (acknowledgements to the controller, the analyser identification matched here);
// the data channel's thread offers every data packet to its own hand-over (interleaved scans are
// assembled here, see QCommLayerInterleave.cpp) and gives the rest to HandleDataPacket, which wraps
// them into transport containers for the scan's data worker.
//
// Threads: the queue worker (from construction), the command and data receive threads (from their
// starts). Every one of them is joined before the layer is gone; stopping the layer first requests
// their stop, which ends a pending send and answers a pending prompt with its default. The
// controller and the main frame outlive the layer.

#include "platform/sync/CriticalSection.h"
#include "platform/sync/Event.h"
#include "protocol/packets/QPacketFactory.h"
#include "scandata/QDataPacketHandler.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace orv {

class CMainFrameLink;
class CTransferPipe;
class QCommLayerController;
class QCommand;
class QDataPacket;
class QSetupScanCommand;
class QTransportContainer;
class thrdCommandSocketThread;
class thrdDataSocketThread;

// One queued step, copied by value.
struct _EMCommandQueue {
    int32_t m_Code = 0;
    uint8_t m_Flag = 0;
    int32_t m_Argument = 0;
    int32_t m_AnalyzerID = 0; // code 4 only
    int32_t m_DriverID = 0;   // code 4 only
};

class QCommLayer final : public QDataPacketHandler {
public:
    // Step codes the worker serves.
    static constexpr int32_t kStepSetupScan = 1;
    static constexpr int32_t kStepGo = 2;
    static constexpr int32_t kStepStop = 3;
    static constexpr int32_t kStepAnalyzerDriver = 4;
    static constexpr int32_t kStepScannerId = 5;
    static constexpr int32_t kStepEngineVersion = 8;
    static constexpr int32_t kStepAnalyzerIdentity = 4003;
    // The engine's text report of a long step.
    static constexpr uint16_t kTypeTextReport = 4004;
    static constexpr std::chrono::milliseconds kWorkerWait{200};
    static constexpr std::size_t kSendBufferBytes = 4096;
    // Messages to the controller's notification target.
    static constexpr uint32_t kMsgScanProgress = 33176;
    // A fine cell never measured in an assembled spatial scan.
    static constexpr float kUnmeasured = -10000.0F;

    QCommLayer();
    ~QCommLayer() override;
    QCommLayer(const QCommLayer&) = delete;
    QCommLayer& operator=(const QCommLayer&) = delete;

    // Requested when the layer starts to stop: a box shown from one of its threads ends with it.
    std::stop_token GetStoppingToken() const { return m_Stopping.get_token(); }

    void SetStateController(QCommLayerController* controller) { m_pController.store(controller); }
    QCommLayerController* GetStateController() const { return m_pController.load(); }
    // The main frame, or null while there is none.
    void SetMainFrame(CMainFrameLink* frame) { m_pMainFrame.store(frame); }

    // Command queue.
    void QueueCommand(int32_t code, uint8_t flag, int32_t argument);
    void SignalCommandEvent();
    bool IsCommandQueueEmpty() const;
    void ClearCommandQueue();
    std::size_t GetQueuedCommandCount() const;
    int32_t GetLastCommandCode() const { return m_LastCommandCode.load(); }
    // Seconds since 1970 when the worker last served a step; 0 before.
    int64_t GetLastCommandTime() const { return m_LastCommandTime.load(); }
    std::string GetLastAnalyzerID() const;

    void SetCurrentSetupScanCommand(const QSetupScanCommand& command);
    // A copy of the held set-up command, or none.
    std::unique_ptr<QSetupScanCommand> GetCurrentSetupScanCommand() const;

    // Channels.
    void SetCommandTransferPipe(CTransferPipe* pipe);
    void SetDataTransferPipe(CTransferPipe* pipe);
    void ConnectCommandChannel(const std::string& host, int32_t port);
    void ConnectDataChannel(const std::string& host, int32_t port);
    std::string GetDataChannelHost() const;
    int32_t GetDataChannelPort() const { return m_DataPort.load(); }
    void ResetChannels();
    bool StartDataChannel();
    bool StartCommandChannel();
    bool IsCommandChannelUp() const { return m_CommandChannelUp.load() != 0; }
    bool IsDataChannelUp() const { return m_DataChannelUp.load() != 0; }
    thrdCommandSocketThread& GetCommandEndpoint() { return *m_pCommandSocket; }
    thrdDataSocketThread& GetDataEndpoint() { return *m_pDataSocket; }

    // Serialises the command into a 4096-byte buffer and writes the whole frame to the command
    // channel. False when it was not sent whole; a serialisation error (a frame above 4096 bytes)
    // throws to the caller.
    bool SendCommand(const QCommand& command);

    // One reply frame of the command channel (on its thread; `stop` is that thread's).
    void HandleCommandReply(const uint8_t* frame, std::size_t length, const std::stop_token& stop = {});
    void MatchAnalyzerID(const std::string& identification);

    // Data dispatch (on the data channel's thread; `stop` is that thread's).
    void HandleDataPacket(std::unique_ptr<QDataPacket> packet, std::stop_token stop = {});
    void DispatchDataPacket(std::unique_ptr<QDataPacket> packet);
    std::unique_ptr<QTransportContainer> PopTransportContainer();
    void ClearTransportQueue();
    std::size_t GetTransportQueueLength() const;
    // Set whenever a container is queued.
    Event& GetDataEvent() { return m_DataEvent; }
    // The scan-data workers that take containers off the queue, from their start until their loop
    // has ended: a run starts only when none is left.
    void AddDataWorker() { m_DataWorkers.fetch_add(1); }
    void RemoveDataWorker() { m_DataWorkers.fetch_sub(1); }
    int32_t GetDataWorkerCount() const { return m_DataWorkers.load(); }

    // Interleaved scans (on the data channel's thread).
    void ProcessZeltSpatialScanData(const QZeltSpatialHandOver& record) override;
    void ZeltSpectralSpatialScanData(const QZeltSpectralSpatialHandOver& record) override;

    // Sub-position (sub-row, sub-column) of index k with `subColumns` per sub-row: odd sub-rows are
    // measured right to left.
    static void SubPositionOf(uint32_t k, int32_t subColumns, int32_t& subRow, int32_t& subColumn);

private:
    struct SpectralSpatialBlock {
        uint16_t row = 0;
        uint16_t column = 0;
        uint16_t subRow = 0;
        uint16_t subColumn = 0;
        std::vector<float> points;
    };
    struct HeldSetup; // what the interleaved assembly reads of the held set-up command

    void WorkerLoop(const std::stop_token& stop);
    void ServeCommand(const _EMCommandQueue& entry);
    void StampCommand(int32_t code);
    bool MainFrameExists() const;
    void PostToMainFrame(uint32_t id, int64_t lParam);
    void PostScanProgress(int64_t received, int64_t expected);

    void CopySetupIntoReply(QSetupScanCommand& reply);
    void PrepareInterleavedBuffers(const QSetupScanCommand& reply);
    HeldSetup ReadHeldSetup() const;
    // Under m_InterleaveLock.
    float PrepareZeltpSpatialInterleavedBuffer(int32_t row, int32_t column, int32_t subRow, int32_t subColumn,
                                               float value, int32_t rows);
    std::unique_ptr<QDataPacket> CompleteZeltpSpatialScan(bool blindSpot, bool onePacket,
                                                          const std::vector<uint8_t>& probeOn);
    void PrepareZeltpSpectralSpatialInterleavedBuffer(SpectralSpatialBlock& block);
    void CleanupZeltpSpectralSpatialInterleavedBuffer();
    uint32_t FineCellKey(int32_t row, int32_t column, int32_t subRow, int32_t subColumn) const;

    std::atomic<uint8_t> m_DataChannelUp{0};
    std::atomic<uint8_t> m_CommandChannelUp{0};
    std::atomic<int32_t> m_LastCommandCode{-1};
    std::atomic<int64_t> m_LastCommandTime{0};

    // Interleaved-scan state, under m_InterleaveLock (written by the set-up reply on the command
    // thread, read by the data thread).
    mutable std::mutex m_InterleaveLock;
    std::vector<float> m_FineGrid;
    std::vector<uint8_t> m_FineFilled;
    int32_t m_Rows = 0;
    int32_t m_Columns = 0;
    int32_t m_Level = 0;
    int32_t m_SubRows = 0;
    int32_t m_SubColumns = 0;
    int32_t m_HighestFirstPassRow = 0;
    int32_t m_SpatialExpected = 0;
    int32_t m_SpatialReceived = 0;
    int32_t m_SpatialFirstExpected = 0;
    int32_t m_SpatialFirstReceived = 0;
    uint64_t m_FineCellCount = 0;
    std::vector<uint8_t> m_ProbeOn;              // of the prepared spatial grid, r x C + c
    std::map<uint32_t, float> m_FirstPassValues; // map F
    uint32_t m_PointsPerCell = 0;
    int32_t m_SpectralSpatialExpected = 0;
    int32_t m_SpectralSpatialReceived = 0;
    int32_t m_SpectralSpatialFirstExpected = 0;
    int32_t m_SpectralSpatialFirstReceived = 0;
    std::map<uint32_t, std::unique_ptr<SpectralSpatialBlock>> m_FirstPassBlocks; // map B
    uint8_t m_BlindSpotMode = 0;
    bool m_SpatialPrepared = false;
    bool m_SpectralSpatialPrepared = false;

    std::atomic<QCommLayerController*> m_pController{nullptr};
    std::atomic<CMainFrameLink*> m_pMainFrame{nullptr};
    mutable std::mutex m_TextLock;
    std::string m_LastAnalyzerID;

    // Queue worker.
    std::atomic<uint8_t> m_WorkerRun{1};
    std::atomic<int32_t> m_WorkerActive{0};
    Event m_WakeEvent{Event::Reset::Auto};
    mutable CriticalSection m_QueueLock;
    std::deque<_EMCommandQueue> m_Queue;

    Event m_DataEvent{Event::Reset::Auto};
    std::atomic<int32_t> m_DataWorkers{0};
    mutable CriticalSection m_TransportLock;
    std::unique_ptr<QTransportContainer> m_pCurrentTransport;
    std::deque<std::unique_ptr<QTransportContainer>> m_TransportQueue;

    QPacketFactory m_Factory;
    mutable std::mutex m_SetupLock;
    std::unique_ptr<QSetupScanCommand> m_pSetupScan;

    std::atomic<int32_t> m_DataPort{0};
    mutable std::mutex m_DataHostLock;
    std::string m_DataHost;

    // Stopping the layer: ends sends waiting for room.
    std::stop_source m_Stopping;
    std::unique_ptr<thrdCommandSocketThread> m_pCommandSocket;
    std::unique_ptr<thrdDataSocketThread> m_pDataSocket;
    std::jthread m_Worker;
};

} // namespace orv
