#include "protocol/QCommLayer.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QManagers.h"
#include "core/TypeIds.h"
#include "engine/CTransferPipe.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "platform/ui/Prompt.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayerController.h"
#include "protocol/channels/thrdCommandSocketThread.h"
#include "protocol/channels/thrdDataSocketThread.h"
#include "protocol/packets/CQueryAnalyzerIDCommand.h"
#include "protocol/packets/QCalibrateSpectrumAnalyzerCommand.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanError.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "protocol/packets/QStopCommand.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"

#include <array>
#include <chrono>
#include <cstring>
#include <exception>

namespace orv {

namespace {

template <typename T> T ReadLittleEndian(const uint8_t* bytes) {
    T value{};
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The registered text of a system message, or none.
bool FindSystemMessage(int32_t code, std::string& text) {
    const QManagerImpl<QSystemMessage>& messages = GetSystemMessageManager();
    const QSystemMessage* message = messages.Find(code);
    if (message == nullptr) {
        return false;
    }
    text = message->m_name;
    return true;
}

} // namespace

QCommLayer::QCommLayer()
    : m_pCurrentTransport(std::make_unique<QTransportContainer>()),
      m_pCommandSocket(std::make_unique<thrdCommandSocketThread>(this, m_Stopping.get_token())),
      m_pDataSocket(std::make_unique<thrdDataSocketThread>(this)) {
    m_WorkerRun.store(1);
    m_Worker = std::jthread([this](const std::stop_token& stop) { WorkerLoop(stop); });
}

QCommLayer::~QCommLayer() {
    // Every thread is asked to stop first: a send waiting for room, a prompt and a progress send
    // then end, so the joins below are quick.
    m_Stopping.request_stop();
    m_WorkerRun.store(0);
    m_Worker.request_stop();
    m_WakeEvent.Set();
    // The worker runs the controller's steps, which send through the command endpoint: it goes
    // before the endpoints.
    if (m_Worker.joinable()) {
        m_Worker.join();
    }
    m_pDataSocket->Stop();
    m_pCommandSocket->Stop();
    m_DataChannelUp.store(0);
    m_CommandChannelUp.store(0);
    m_pCommandSocket.reset();
    m_pDataSocket.reset();
    ClearTransportQueue();
    {
        std::lock_guard<std::mutex> lock(m_SetupLock);
        m_pSetupScan.reset();
    }
    CriticalSectionGuard transport(m_TransportLock);
    m_pCurrentTransport.reset();
}

// ---- command queue ----

void QCommLayer::QueueCommand(int32_t code, uint8_t flag, int32_t argument) {
    _EMCommandQueue entry;
    entry.m_Code = code;
    entry.m_Flag = flag;
    entry.m_Argument = argument;
    CriticalSectionGuard lock(m_QueueLock);
    m_Queue.push_back(entry);
}

void QCommLayer::SignalCommandEvent() {
    m_WakeEvent.Set();
}

bool QCommLayer::IsCommandQueueEmpty() const {
    CriticalSectionGuard lock(m_QueueLock);
    return m_Queue.empty();
}

std::size_t QCommLayer::GetQueuedCommandCount() const {
    CriticalSectionGuard lock(m_QueueLock);
    return m_Queue.size();
}

void QCommLayer::ClearCommandQueue() {
    CriticalSectionGuard lock(m_QueueLock);
    std::deque<_EMCommandQueue>().swap(m_Queue);
}

std::string QCommLayer::GetLastAnalyzerID() const {
    std::lock_guard<std::mutex> lock(m_TextLock);
    return m_LastAnalyzerID;
}

void QCommLayer::WorkerLoop(const std::stop_token& stop) {
    m_WorkerActive.fetch_add(1);
    while (m_WorkerRun.load() != 0 && !stop.stop_requested()) {
        // The queue is looked at only after a signal: one signal serves one entry.
        if (!ClockWaitFor(m_WakeEvent, kWorkerWait, stop)) {
            continue;
        }
        _EMCommandQueue entry;
        {
            CriticalSectionGuard lock(m_QueueLock);
            if (m_Queue.empty()) {
                continue;
            }
            entry = m_Queue.front();
            m_Queue.pop_front();
        }
        if (m_WorkerRun.load() == 0) {
            break;
        }
        try {
            ServeCommand(entry);
        } catch (const std::exception& error) {
            AddInformationMessage(1,
                                  FormatC("Command %d could not be served: %s", entry.m_Code, error.what()));
        }
    }
    m_WorkerActive.fetch_sub(1);
}

void QCommLayer::StampCommand(int32_t code) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    m_LastCommandTime.store(std::chrono::duration_cast<std::chrono::seconds>(now).count());
    m_LastCommandCode.store(code);
}

void QCommLayer::ServeCommand(const _EMCommandQueue& entry) {
    QCommLayerController* controller = m_pController.load();
    switch (entry.m_Code) {
    case kStepSetupScan:
    case kStepGo:
    case kStepStop:
    case kStepScannerId:
    case kStepEngineVersion:
        if (controller != nullptr) {
            switch (entry.m_Code) {
            case kStepSetupScan:
                controller->SendSetupScan(entry.m_Flag);
                break;
            case kStepGo:
                controller->SendGo(entry.m_Flag);
                break;
            case kStepStop:
                controller->SendStop(entry.m_Flag);
                break;
            case kStepScannerId:
                controller->DetectScannerId(entry.m_Flag);
                break;
            default:
                controller->DetectEngineVersion(entry.m_Flag);
                break;
            }
        }
        StampCommand(entry.m_Code);
        break;
    case kStepAnalyzerDriver:
        GetInstrumentInfo().SetSelectedAnalyzerID(entry.m_AnalyzerID);
        if (controller != nullptr &&
            controller->SetSpectrumAnalyzerDriver(nullptr, entry.m_DriverID, 0, nullptr)) {
            controller->SetManualDriver(entry.m_AnalyzerID);
            StampCommand(kStepAnalyzerDriver);
        }
        break;
    case kStepAnalyzerIdentity:
        if (IsCommandChannelUp()) {
            const CQueryAnalyzerIDCommand query;
            std::array<uint8_t, kSendBufferBytes> buffer{};
            QCharArrayDataWriter writer(buffer.data(), static_cast<uint32_t>(buffer.size()));
            query.Serialize(writer);
            m_pCommandSocket->SendUnchecked(buffer.data(), writer.GetBytesWritten());
        }
        StampCommand(kStepAnalyzerIdentity);
        break;
    default:
        // Dropped without a stamp.
        break;
    }
}

void QCommLayer::SetCurrentSetupScanCommand(const QSetupScanCommand& command) {
    auto copy = std::make_unique<QSetupScanCommand>(command);
    std::lock_guard<std::mutex> lock(m_SetupLock);
    m_pSetupScan = std::move(copy);
}

std::unique_ptr<QSetupScanCommand> QCommLayer::GetCurrentSetupScanCommand() const {
    std::lock_guard<std::mutex> lock(m_SetupLock);
    return m_pSetupScan ? std::make_unique<QSetupScanCommand>(*m_pSetupScan) : nullptr;
}

// ---- channels ----

void QCommLayer::SetCommandTransferPipe(CTransferPipe* pipe) {
    m_pCommandSocket->SetTransferPipe(pipe);
}

void QCommLayer::SetDataTransferPipe(CTransferPipe* pipe) {
    m_pDataSocket->SetTransferPipe(pipe);
}

void QCommLayer::ConnectCommandChannel(const std::string& host, int32_t port) {
    m_pCommandSocket->Connect(host, port);
}

void QCommLayer::ConnectDataChannel(const std::string& host, int32_t port) {
    m_pDataSocket->Connect(host, port);
    std::lock_guard<std::mutex> lock(m_DataHostLock);
    m_DataHost = host;
    m_DataPort.store(port);
}

std::string QCommLayer::GetDataChannelHost() const {
    std::lock_guard<std::mutex> lock(m_DataHostLock);
    return m_DataHost;
}

void QCommLayer::ResetChannels() {
    m_pDataSocket->Stop();
    m_pCommandSocket->Stop();
    m_DataChannelUp.store(0);
    m_CommandChannelUp.store(0);
}

bool QCommLayer::StartDataChannel() {
    if (!m_pDataSocket->Start()) {
        return false;
    }
    m_DataChannelUp.store(1);
    return true;
}

bool QCommLayer::StartCommandChannel() {
    if (!m_pCommandSocket->Start()) {
        return false;
    }
    m_CommandChannelUp.store(1);
    return true;
}

bool QCommLayer::SendCommand(const QCommand& command) {
    std::array<uint8_t, kSendBufferBytes> buffer{};
    QCharArrayDataWriter writer(buffer.data(), static_cast<uint32_t>(buffer.size()));
    command.Serialize(writer);
    return m_pCommandSocket->Send(buffer.data(), writer.GetBytesWritten());
}

// ---- replies ----

bool QCommLayer::MainFrameExists() const {
    const CMainFrameLink* frame = m_pMainFrame.load();
    return frame != nullptr && !frame->IsClosing();
}

void QCommLayer::PostToMainFrame(uint32_t id, int64_t lParam) {
    CMainFrameLink* frame = m_pMainFrame.load();
    if (frame != nullptr && !frame->IsClosing()) {
        frame->GetMessageTarget().Post(id, 0, lParam);
    }
}

void QCommLayer::CopySetupIntoReply(QSetupScanCommand& reply) {
    std::lock_guard<std::mutex> lock(m_SetupLock);
    if (!m_pSetupScan) {
        return;
    }
    const QSetupScanCommand& held = *m_pSetupScan;
    reply.m_CenterFrequency = held.m_CenterFrequency;
    reply.m_Span = held.m_Span;
    reply.m_StartFrequency = held.m_StartFrequency;
    reply.m_StopFrequency = held.m_StopFrequency;
    reply.m_InternalPreAmp = held.m_InternalPreAmp;
    reply.m_TrackingGeneration = held.m_TrackingGeneration;
    reply.m_AnalyzerFlag = held.m_AnalyzerFlag;
    reply.m_ScanBytes[3] = held.m_ScanBytes[3];
    reply.SetBlindSpotReduction(held.GetBlindSpotReduction());
    reply.SetInterleaveSkip(held.GetInterleaveSkip());
    reply.SetAttenuatorExtras(held.GetAttenuatorByte6(), held.GetAttenuatorByte7(), held.GetAttenuatorWord(),
                              held.GetAttenuation());
}

void QCommLayer::HandleCommandReply(const uint8_t* frame, std::size_t length, const std::stop_token& stop) {
    if (frame == nullptr || length < 9) {
        return;
    }
    const auto typeId = ReadLittleEndian<uint16_t>(frame + 3);
    const auto bodySize = ReadLittleEndian<uint32_t>(frame + 5);
    QCommLayerController* controller = m_pController.load();

    if (typeId == kTypeTextReport) {
        if (bodySize < 4 || length < 13) {
            AddInformationMessage(1, "A text report of the engine without its step words was dropped.");
            return;
        }
        const auto step = ReadLittleEndian<int16_t>(frame + 9);
        const auto count = ReadLittleEndian<int16_t>(frame + 11);
        // A count of -2 would divide by zero.
        if (count != 0 && count != -2 && MainFrameExists()) {
            const double percent = (step + 2) * 100.0 / (count + 2);
            PostToMainFrame(CMainFrameLink::kMsgAnalyzerSetupProgress,
                            static_cast<int64_t>(static_cast<int>(percent)));
        }
        return;
    }

    std::unique_ptr<QCommand> reply = m_Factory.CreateCommand(typeId);
    if (reply == nullptr) {
        return;
    }
    try {
        QCharArrayDataReader reader(frame, static_cast<uint32_t>(length));
        reply->Deserialize(reader);
    } catch (const std::exception& error) {
        AddInformationMessage(1,
                              FormatC("thrdCommandSocketThread: dropped a reply of type %u and %zu bytes: %s",
                                      static_cast<unsigned>(typeId), length, error.what()));
        return;
    }
    m_LastCommandCode.store(-1);

    switch (typeId) {
    case kTypeSetupScanCommand: {
        auto& setup = static_cast<QSetupScanCommand&>(*reply);
        CopySetupIntoReply(setup);
        {
            auto copy = std::make_unique<QSetupScanCommand>(setup);
            CriticalSectionGuard transport(m_TransportLock);
            m_pCurrentTransport->SetSetupScanCommand(copy.release());
        }
        if (setup.GetSpatialLevel() >= 1) {
            PrepareInterleavedBuffers(setup);
        }
        if (controller != nullptr) {
            controller->SetupScanCommandAck(setup);
        }
        break;
    }
    case kTypeGoCommand:
        if (controller != nullptr) {
            controller->GoCommandAck(static_cast<QGoCommand&>(*reply));
        }
        break;
    case kTypeStopCommand:
        if (controller != nullptr) {
            controller->StopCommandAck(static_cast<QStopCommand&>(*reply));
        }
        break;
    case kTypeSetSpectrumAnalyzerDriverCommand:
        if (controller != nullptr) {
            controller->SetSpectrumAnalyzerDriverCommandAck(
                static_cast<QSetSpectrumAnalyzerDriverCommand&>(*reply));
        }
        break;
    case kTypeQueryScanHeadCommand:
        if (controller != nullptr) {
            controller->QueryScanHeadCommandAck(static_cast<QQueryScanHeadCommand&>(*reply));
        }
        break;
    case kTypeCalibrateSpectrumAnalyzerCommand:
        if (controller != nullptr) {
            controller->CalibrateCommandAck(static_cast<QCalibrateSpectrumAnalyzerCommand&>(*reply));
        }
        break;
    case kTypeResetSpectrumAnalyzerCommand:
        if (controller != nullptr) {
            controller->ResetCommandAck(static_cast<QResetSpectrumAnalyzerCommand&>(*reply));
        }
        break;
    case kTypeScanningEngineVersionCheckCommand:
        if (controller != nullptr) {
            controller->ScanningEngineVersionCheckCommandAck(
                static_cast<QScanningEngineVersionCheckCommand&>(*reply));
        }
        break;
    case kTypeStopCalibrationCommand:
        if (controller != nullptr) {
            controller->CalibrationStopCommandAck(static_cast<QStopCalibrationCommand&>(*reply));
        }
        break;
    case kTypeScanCommandError: {
        const int32_t code = static_cast<QScanCommandError&>(*reply).GetErrorCode();
        AddInformationMessage(1, FormatC("Get the scan error packet(%d). ", code));
        std::string text;
        if (FindSystemMessage(code, text)) {
            // The command thread waits here; a stop of the channel answers the box.
            ShowPrompt(PromptRequest{text, "ERROR ", PromptButtons::Ok, PromptIcon::Warning}, stop,
                       PromptAnswer::Ok);
        }
        if (stop.stop_requested()) {
            // The channel is going away; whoever stops it ends the workflow.
            return;
        }
        if (controller != nullptr) {
            controller->SetState(12);
            controller->EndWorkflow(0);
        }
        break;
    }
    case kTypeQueryAnalyzerIDCommand: {
        const std::string identification = static_cast<CQueryAnalyzerIDCommand&>(*reply).GetText();
        {
            std::lock_guard<std::mutex> lock(m_TextLock);
            m_LastAnalyzerID = identification;
        }
        GetInstrumentInfo().SetAnalyzerIdentityText(identification);
        MatchAnalyzerID(identification);
        break;
    }
    default:
        break;
    }
}

void QCommLayer::MatchAnalyzerID(const std::string& identification) {
    CInstrumentInfo& instruments = GetInstrumentInfo();
    QCommLayerController* controller = m_pController.load();
    if (identification.empty()) {
        instruments.SetAnalyzerConnected(false);
        instruments.SetAnalyzerQueryPending(false);
        if (controller != nullptr) {
            controller->SetState(0);
        }
        AddInformationMessage(1, "Queried Analyzer ID String = NULL. ");
        return;
    }
    AddInformationMessage(1, FormatC("Queried Analyzer ID String = %s ", identification.c_str()));
    for (const _SupportedAnalyzerInfo& row : instruments.GetSupportedAnalyzers()) {
        if (row.m_MatchKey.empty() || identification.find(row.m_MatchKey) == std::string::npos) {
            continue;
        }
        AddInformationMessage(
            1, FormatC("Matched AnalyzerID = %d;  AnalyzerDriverID = %d", row.m_AnalyzerID, row.m_DriverID));
        instruments.SetAnalyzerDriverSet(true);
        instruments.SetAnalyzerQueryPending(false);
        {
            _EMCommandQueue entry;
            entry.m_Code = kStepAnalyzerDriver;
            entry.m_AnalyzerID = row.m_AnalyzerID;
            entry.m_DriverID = row.m_DriverID;
            CriticalSectionGuard lock(m_QueueLock);
            m_Queue.push_back(entry);
        }
        SignalCommandEvent();
        if (controller != nullptr) {
            controller->SetState(2);
        }
        PostToMainFrame(CMainFrameLink::kMsgAnalyzerConnected, 0);
        return;
    }
    if (controller != nullptr) {
        controller->SetManualDriver(-1);
    }
    if (MainFrameExists()) {
        instruments.SetStatusText(std::string());
        PostToMainFrame(CMainFrameLink::kMsgStatusTextChanged, 0);
    }
    AddInformationMessage(1, "No matched analyzer can be found in the pool. No support for this analyzer.");
    if (controller != nullptr) {
        controller->SetState(0);
    }
}

// ---- data dispatch ----

void QCommLayer::HandleDataPacket(std::unique_ptr<QDataPacket> packet, std::stop_token stop) {
    if (packet == nullptr) {
        return;
    }
    switch (packet->GetTypeID()) {
    case kTypeScanProgressIndicator: {
        QCommLayerController* controller = m_pController.load();
        if (controller != nullptr) {
            std::unique_ptr<QScanProgressIndicator> progress(
                static_cast<QScanProgressIndicator*>(packet.release()));
            controller->SendScanProgressIndicator(std::move(progress), std::move(stop));
        }
        return;
    }
    case kTypeScanError: {
        const int32_t code = static_cast<const QScanError&>(*packet).GetErrorCode();
        std::string text;
        if (!FindSystemMessage(code, text)) {
            text = "Unknown scan error !";
        }
        // Blocks the data channel until the box is closed, or the channel is stopped.
        ShowPrompt(PromptRequest{text, "ERROR  ", PromptButtons::Ok, PromptIcon::Warning}, std::move(stop),
                   PromptAnswer::Ok);
        return;
    }
    default:
        DispatchDataPacket(std::move(packet));
        return;
    }
}

void QCommLayer::DispatchDataPacket(std::unique_ptr<QDataPacket> packet) {
    auto next = std::make_unique<QTransportContainer>();
    {
        CriticalSectionGuard transport(m_TransportLock);
        QTransportContainer& current = *m_pCurrentTransport;
        switch (packet ? packet->GetTypeID() : 0) {
        case kTypeSpectralScan:
            current.SetSpectralScan(packet.release());
            break;
        case kTypeSpatialScan:
            current.SetSpatialScan(static_cast<QSpatialScan*>(packet.release()));
            break;
        case kTypeSpectralSpatialScanComponent:
            current.SetSpectralSpatialScanComponent(
                static_cast<QSpectralSpatialScanComponent*>(packet.release()));
            break;
        case kTypeMeasuredFrequencyData:
            current.SetMeasuredFrequencyData(static_cast<QMeasuredFrequencyData*>(packet.release()));
            break;
        case kTypeTerminator: {
            auto* terminator = static_cast<QTerminator*>(packet.release());
            const int32_t value = terminator->GetErrorCode();
            AddInformationMessage(1, FormatC("Get the terminator packet(%d). The scan has completed.",
                                             value > 10000 ? value - 100000 : value));
            current.SetTerminator(terminator);
            break;
        }
        case kTypeHandHeldProbeScan:
            current.SetHandHeldProbeScan(static_cast<QHandHeldProbeScan*>(packet.release()));
            break;
        default:
            AddInformationMessage(1, "Get the unknown packet.");
            packet.reset();
            break;
        }
        m_TransportQueue.push_back(std::move(m_pCurrentTransport));
        m_pCurrentTransport = std::move(next);
    }
    m_DataEvent.Set();
}

std::unique_ptr<QTransportContainer> QCommLayer::PopTransportContainer() {
    CriticalSectionGuard transport(m_TransportLock);
    if (m_TransportQueue.empty()) {
        return nullptr;
    }
    std::unique_ptr<QTransportContainer> oldest = std::move(m_TransportQueue.front());
    m_TransportQueue.pop_front();
    return oldest;
}

void QCommLayer::ClearTransportQueue() {
    std::deque<std::unique_ptr<QTransportContainer>> dropped;
    {
        CriticalSectionGuard transport(m_TransportLock);
        dropped.swap(m_TransportQueue);
    }
}

std::size_t QCommLayer::GetTransportQueueLength() const {
    CriticalSectionGuard transport(m_TransportLock);
    return m_TransportQueue.size();
}

} // namespace orv
