// The run of a scan: its start, the preparation of the node, the passes of the set-up list with
// the set-up, its acknowledgement and the go, the progress, the stop and the scan end, and the
// replies of the analyser reset and calibration.

#include "analyzers/CInstrumentInfo.h"
#include "core/QActiveScanItem.h"
#include "core/QAttachedScannerSource.h"
#include "core/QCorrectionData.h"
#include "core/QException.h"
#include "core/QManagers.h"
#include "core/QScanProgress.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "platform/sound/Sound.h"
#include "project/QNodeMediator.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"
#include "protocol/packets/QStopCommand.h"
#include "protocol/thScanThread.h"
#include "scandata/QScanContainer.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <cmath>
#include <utility>

namespace orv {

namespace {

std::string Truncated(std::string text, std::size_t length) {
    if (text.size() > length) {
        text.resize(length);
    }
    return text;
}

} // namespace

void QUIBBStateController::ShowScanStatus(int32_t code) {
    if (CMainFrameLink* frame = m_pMainFrame.load()) {
        frame->ShowScanStatus(code);
    }
}

void QUIBBStateController::PostStatusText(const std::string& text) {
    if (CMainFrameLink* frame = m_pMainFrame.load()) {
        frame->PostStatusText(text);
    }
}

// ---- start of a run ----

bool QUIBBStateController::RunScan(QNodeMediator& mediator, uint8_t continuous) {
    // A menu built before a run may ask for another during it: that one would empty the running
    // scan's transport queue and replace its set-up list.
    if (!IsCommandAllowed(kCommandRun)) {
        return false;
    }
    QCommLayer* layer = Layer();
    if (layer != nullptr && layer->GetDataWorkerCount() != 0) {
        // A worker of an earlier run that has not left yet would take this run's data.
        AddInformationMessage(1, "The scan data thread of the previous scan has not ended yet.");
        return false;
    }
    const uint16_t kind = mediator.GetNodeTypeId();
    ShowScanStatus(kStatusAnalyzerBeingSet);
    AddInformationMessage(1, "");
    switch (kind) {
    case kTypeSpectralScanNode:
        AddInformationMessage(1, continuous != 0 ? "Trying to run spectral scan continuously."
                                                 : "Trying to run spectral scan once.");
        break;
    case kTypeSpatialScanNode:
        AddInformationMessage(1, continuous != 0 ? "Trying to run spatial scan continuously."
                                                 : "Trying to run spatial scan once.");
        break;
    case kTypeSpectralSpatialScanNode:
        AddInformationMessage(1, "Trying to run spectral/spatial scan.");
        break;
    case kTypeHandHeldProbeScanNode:
        AddInformationMessage(1, "Trying to run handheld probe scan.");
        break;
    default:
        break;
    }
    if (layer != nullptr) {
        layer->ClearTransportQueue();
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pRequestMediator = &mediator;
        m_aSetupList.clear();
    }
    m_bContinuous.store(continuous != 0 ? 1 : 0);
    mediator.PrepareScanRun(continuous != 0);
    m_bRunAfterEngineVersion.store(1);
    m_bRunAfterScanner.store(1);
    m_bRunFailed.store(0);
    m_bWorkflowEnded.store(0);
    // A new run is not aborted by the error of an earlier one.
    ResetGlobalScanErrorCode();

    // Built outside the lock: the checks show boxes.
    std::vector<_SetupScanCommandInfo> list;
    const bool accepted = CheckAndBuildSetupList(mediator, list);
    const bool empty = list.empty();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_aSetupList = std::move(list);
    }
    if (!accepted || empty) {
        ShowScanStatus(kStatusSetupAborted);
        return false;
    }
    if (layer == nullptr) {
        ShowScanStatus(kStatusSetupFailed);
        return false;
    }
    layer->ClearCommandQueue();
    layer->QueueCommand(QCommLayer::kStepEngineVersion, 1, 0);
    layer->QueueCommand(QCommLayer::kStepScannerId, 1, 0);
    layer->SignalCommandEvent();
    return true;
}

// ---- preparing the node ----

bool QUIBBStateController::RunNode() {
    uint16_t kind = 0;
    bool releaseActiveItem = false;
    try {
        {
            // Pinned for the node's own work only: the box below waits for the user-interface
            // thread, where the node may go meanwhile.
            QNodeMediator::Pin node;
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_pRunMediator = m_pRequestMediator;
                node = QNodeMediator::Pin(m_pRunMediator);
            }
            if (!node) {
                return false;
            }
            AddInformationMessage(1, FormatC("[[ Run the scan for the node:: '%s' ]]",
                                             Truncated(node->GetName(), 1023).c_str()));
            kind = node->GetNodeTypeId();
            if (kind == kTypeSpectralScanNode || kind == kTypeSpectralSpatialScanNode ||
                kind == kTypeHandHeldProbeScanNode) {
                if (QScanContainer* container = node->AcquireScanContainer()) {
                    container->ClearUpdated();
                }
                node->UnlockScanContainer();
            }
            if (kind != kTypeSpectralSpatialScriptingModuleNode && kind != kTypeCableScanNode) {
                QNodeMediator* parent = node->GetParentMediator();
                releaseActiveItem =
                    parent == nullptr || parent->GetNodeTypeId() != kTypeDifferentRangeScanModuleNode;
            }
        }
        if (releaseActiveItem) {
            GetActiveScanItem().ReleaseObject();
        }
        if (CMainFrameLink* frame = m_pMainFrame.load()) {
            frame->SetContinuousRun(m_bContinuous.load() != 0);
            frame->SetRunStarted(true);
        }
        QCorrectionData::ClearMissingListNotice();
        GetActiveScanItem().SetNodeType(kind);

        // The range the container is set up for is the one of the pass about to be sent.
        std::optional<QSetupScanCommand> first;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_aSetupList.empty()) {
                first = m_aSetupList.front().m_SetupScan;
            }
        }
        if (kind == kTypeAmbientScanNode) {
            Ask("Please attach the Ambient scan cable to the 50 ohm input\n of the spectrum analyser.",
                "Warning", PromptButtons::Ok, PromptIcon::None);
        }
        if ((kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode ||
             kind == kTypeAmbientScanNode) &&
            first) {
            TransferSetupToContainer(*first);
        }
        return true;
    } catch (const QException& error) {
        Ask(error.m_message, "Error ", PromptButtons::Ok, PromptIcon::Warning);
    }
    return false;
}

void QUIBBStateController::TransferSetupToContainer(const QSetupScanCommand& setup) {
    const QNodeMediator::Pin node = PinOf(m_pRunMediator);
    if (!node) {
        return;
    }
    QNodeMediator* parent = node->GetParentMediator();
    if (parent != nullptr && parent->GetNodeTypeId() == kTypeCurrentClampModuleNode) {
        // The clamp module takes its set-up from its own children (QParentClampLink).
        return;
    }
    QScanContainer* container = node->AcquireScanContainer();
    if (auto* ss = dynamic_cast<QSpectralSpatialScanContainer*>(container)) {
        ss->SetSetupRange(setup.GetStartFrequency(), setup.GetStopFrequency());
        ss->SetSetupValue(setup.m_ResolutionBandwidth);
    }
    node->UnlockScanContainer();
}

// ---- a pass ----

bool QUIBBStateController::SendNextPass() {
    _SetupScanCommandInfo entry;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_aSetupList.empty()) {
            return false;
        }
        entry = m_aSetupList.front();
        m_aSetupList.erase(m_aSetupList.begin());
        m_pPassMediator = entry.m_pMediator;
    }
    QSetupScanCommand& setup = entry.m_SetupScan;
    setup.SetInterleavedPass(entry.m_Interleaved == 1 ? 1 : 0);
    setup.SetPassNumber(entry.m_PassNumber);
    if (const std::optional<QScanHeadInfo> head = GetScanHeadInfo()) {
        setup.m_SettlingTime = static_cast<uint32_t>(head->m_firstValue);
        setup.m_Slope = static_cast<uint32_t>(head->m_secondValue);
        setup.m_Offset = head->m_thirdValue;
    }
    SetCurrentSetupScan(setup);
    QCommLayer* layer = Layer();
    if (layer != nullptr) {
        layer->SetCurrentSetupScanCommand(setup);
    }
    const uint16_t kind = setup.GetScanKind();
    int64_t steps = setup.GetProbeScanPattern().GetProbeOnCount();
    if (kind == 99 || kind == 101 || kind == 112) {
        steps *= setup.m_SamplesPerCell;
    }
    GetScanProgress().SetStepCount(static_cast<int32_t>(steps));
    GetScanProgress().SetStepsDone(0);

    if (setup.GetInterleavedPass() == 1 && setup.GetPassNumber() == 1 &&
        !(GetInstrumentInfo().GetProbeType() == eProbeType::ExternalAdapter &&
          AttachedAdapterSupportsMotors())) {
        const std::string text = std::string("You are about to perform the second spatial scan.\n") +
                                 (GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm
                                      ? "Please rotate the probe 90 degrees. Once done, please click on OK.\n"
                                      : "Please move your PCB one row up. Once done, please click on OK.\n");
        if (Ask(text, "Confirmation", PromptButtons::OkCancel, PromptIcon::Information) != PromptAnswer::Ok) {
            return false;
        }
    }
    AddInformationMessage(1, "Trying to send down the setup scan command.");
    PlaySoundResource(kSoundSetup);
    m_nState.store(kSettingUp);
    // Before the step is queued: a set-up that fails on the worker at once clears it again.
    if (const QNodeMediator::Pin request = PinOf(m_pRequestMediator)) {
        request->SetScanInProgress(true);
    }
    if (layer != nullptr) {
        layer->QueueCommand(QCommLayer::kStepSetupScan, 1, 0);
        layer->SignalCommandEvent();
    }
    return true;
}

void QUIBBStateController::FailRun(const std::string& logLine) {
    AddInformationMessage(1, logLine);
    DropWaitCursor();
    m_bRunFailed.store(1);
    m_nState.store(kReady);
    ShowScanStatus(kStatusSetupFailed);
    if (const QNodeMediator::Pin request = PinOf(m_pRequestMediator)) {
        request->SetScanInProgress(false);
    }
    // A worker already started leaves; its scan end then only ends the run.
    if (const QNodeMediator::Pin pass = PinOf(m_pPassMediator)) {
        pass->SignalEvent();
    }
}

void QUIBBStateController::SendSetupScan(uint8_t /*flag*/) {
    if (SendStepCommand(GetCurrentSetupScan(), kSettingUp)) {
        PostStatusText(" Setting the spectrum analyzer......");
        return;
    }
    FailRun("The setup scan command could not be sent.");
}

void QUIBBStateController::SetupScanCommandAck(QSetupScanCommand& reply) {
    DropWaitCursor();
    AddInformationMessage(1, "Get acknowledgement for sending down the setup scan command.");
    PlaySoundResource(kSoundSetup);
    PostStatusText(std::string());
    // The boxes below wait for the user-interface thread, where the nodes may go meanwhile: each
    // use of a node pins it afresh.
    const auto endRequest = [this] {
        if (const QNodeMediator::Pin request = PinOf(m_pRequestMediator)) {
            request->SetScanInProgress(false);
        }
    };
    const QSetupScanCommand sent = GetCurrentSetupScan();
    if (reply.m_FailureCode != 0) {
        m_nState.store(kReady);
        if (reply.m_FailureCode == 701) {
            Ask("The RBW selected by Analyzer is out of supported RBW range !", "Error ", PromptButtons::Ok,
                PromptIcon::Warning);
        } else if (reply.m_FailureCode != 801) {
            Ask("Communication error in setting up the Analyzer !\n\nPossible solutions:\n1 --- Perform "
                "Analyzer "
                "System Preset.\n2 --- Reset the connection to the analyzer in Connection Expert or "
                "UltraSigma "
                "(where applicable). ",
                "Error ", PromptButtons::Ok, PromptIcon::Warning);
        }
        ShowScanStatus(kStatusSetupFailed);
        endRequest();
        return;
    }
    if (!CompareSetupWithReply(sent, reply)) {
        m_nState.store(kReady);
        std::string text = "Some spectrum analyzer setting is not supported:\n\n";
        int number = 1;
        if (sent.m_ReferenceLevel != reply.m_ReferenceLevel) {
            text += FormatC("%d --- Reference Level. Setting: %5.1f; SA return: %5.1f\n", number++,
                            static_cast<double>(sent.m_ReferenceLevel),
                            static_cast<double>(reply.m_ReferenceLevel));
        }
        if (sent.m_ResolutionBandwidth != reply.m_ResolutionBandwidth) {
            text +=
                FormatC("%d --- Resolution Bandwidth.   \n         Setting: %5.3f MHz;  Spectrum Analyzer "
                        "Returning: %5.3f MHz\n",
                        number, static_cast<double>(sent.m_ResolutionBandwidth),
                        static_cast<double>(reply.m_ResolutionBandwidth));
        }
        text += "\nThe scan is stopped !";
        Ask(text, "Error", PromptButtons::Ok, PromptIcon::None);
        endRequest();
        return;
    }
    const std::string sentLevel = FormatC("%6.2f", static_cast<double>(sent.m_ReferenceLevel));
    const std::string replyLevel = FormatC("%6.2f", static_cast<double>(reply.m_ReferenceLevel));
    if (std::fabs(sent.m_ReferenceLevel - reply.m_ReferenceLevel) > 1.0F && sentLevel != replyLevel) {
        Ask(FormatC("WARNING: Spectrum analyzer adjusted reference level from %.2f to %.2f.",
                    static_cast<double>(sent.m_ReferenceLevel), static_cast<double>(reply.m_ReferenceLevel)),
            "Warning", PromptButtons::Ok, PromptIcon::Warning);
    }
    bool makesSubNodes = false;
    {
        QNodeMediator::Pin pass = PinOf(m_pPassMediator);
        // A pass whose node went (or goes while its worker starts) runs no scan: nothing would
        // take its data.
        bool started = pass && pass->StartScanThread(*this, 0);
        if (started) {
            makesSubNodes = MakesSpatialSubNodes(*pass.get());
            std::lock_guard<std::mutex> lock(m_lock);
            started = m_pPassMediator == pass.get();
        }
        pass.Release();
        if (!started) {
            FailRun("The scan data thread could not be started.");
            return;
        }
    }
    if (makesSubNodes) {
        // The tree and the scan lists are the user-interface thread's; what this scan lists is
        // posted there after this message, so it is cleared first.
        m_target.Post(kMsgClearSpatialSubNodes, 0, 0);
    }
    m_bStopRequested.store(0);
    ClockSleep(kGoPause);
    AddInformationMessage(1, "Trying to run the scan by sending down the 'GO' command.");
    QCommLayer* layer = Layer();
    {
        // The state that lets Stop Scan queue its stop and the go it must follow are made one step:
        // a stop queued ahead of its go would stop nothing and leave the go waiting for a signal.
        std::lock_guard<std::mutex> order(m_goStopOrderLock);
        m_nState.store(kScanning);
        if (layer != nullptr) {
            layer->QueueCommand(QCommLayer::kStepGo, 1, 0);
        }
    }
    ShowScanStatus(kStatusScanStarted);
    if (layer != nullptr) {
        layer->SignalCommandEvent();
    }
}

bool QUIBBStateController::CompareSetupWithReply(const QSetupScanCommand& sent,
                                                 const QSetupScanCommand& reply) {
    if (sent.m_SamplesPerCell != reply.m_SamplesPerCell ||
        !(sent.GetProbeScanPattern().GetChoiceGrid() == reply.GetProbeScanPattern().GetChoiceGrid()) ||
        !(sent.GetProbeScanPattern().GetHeightGrid() == reply.GetProbeScanPattern().GetHeightGrid())) {
        return false;
    }
    switch (sent.GetScanKind()) {
    case 99:
    case 101:
    case 112:
        return sent.m_SweepTime == reply.m_SweepTime || sent.m_UseManualSweepTime == 0;
    case 100:
        return sent.m_SamplingRate == reply.m_SamplingRate;
    default:
        return true;
    }
}

// ---- go ----

void QUIBBStateController::SendGo(uint8_t /*flag*/) {
    const bool sent = SendStepCommand(QGoCommand(m_bContinuous.load() != 0), kScanning);
    m_bStopRequested.store(0);
    if (sent) {
        ShowScanStatus(kStatusScanStarted);
        return;
    }
    FailRun("The 'GO' command could not be sent.");
}

void QUIBBStateController::GoCommandAck(QGoCommand& /*reply*/) {
    DropWaitCursor();
    AddInformationMessage(1, "Get acknowledgement for sending down the 'GO' command.");
    AddInformationMessage(1, "[[The scan is in progress]]");
    PostStatusText("Scan is in progress");
    // A stop pressed while the go was on its way waits behind it in the queue; one signal serves one
    // entry, and the go's signal may have been the stop's too.
    if (QCommLayer* layer = Layer(); layer != nullptr && !layer->IsCommandQueueEmpty()) {
        layer->SignalCommandEvent();
    }
}

// ---- progress ----

void QUIBBStateController::ShowScanProgress(std::unique_ptr<QScanProgressIndicator> packet, int64_t code) {
    CMainFrameLink* frame = m_pMainFrame.load();
    if (packet == nullptr) {
        if (frame != nullptr) {
            frame->ShowScanStatus(static_cast<int32_t>(code));
        }
        return;
    }
    const int32_t percent =
        packet->m_Total == 0
            ? 0
            : static_cast<int32_t>(static_cast<uint32_t>(packet->m_Done) * 100U / packet->m_Total);
    if (packet->m_Kind == 1) {
        if (frame != nullptr) {
            frame->ShowPeakDetectionProgress(percent);
        }
    } else if (packet->m_Kind == 2) {
        if (frame != nullptr) {
            frame->ShowScanningProgress(percent);
        }
    } else {
        QScanProgress& progress = GetScanProgress();
        progress.AdvanceStep();
        progress.SetWeight(1.0F);
        progress.SetFlag(1);
        const int32_t total = progress.GetPercent();
        if (frame != nullptr) {
            frame->ShowScanStatus(total);
        }
        if (total >= 100) {
            progress.SetStepsDone(0);
        }
    }
}

// ---- stop ----

bool QUIBBStateController::StopScan() {
    DropWaitCursor();
    std::lock_guard<std::mutex> order(m_goStopOrderLock);
    if (m_nState.load() != kScanning) {
        return false;
    }
    AddInformationMessage(1, "Trying to stop the scan by sending down the 'Stop' command.");
    if (QCommLayer* layer = Layer()) {
        layer->QueueCommand(QCommLayer::kStepStop, 1, 0);
        layer->SignalCommandEvent();
    }
    return true;
}

void QUIBBStateController::SendStop(uint8_t /*flag*/) {
    // A stop that waited in the queue while its scan ended has nothing left to stop: sent, it would
    // leave the run waiting in the stopping state for an end that has already come.
    int32_t previous = m_nState.load();
    do {
        if (previous != kScanning && previous != kScanError) {
            return;
        }
        // In place before the command goes: the engine may end the data before the send returns.
    } while (!m_nState.compare_exchange_weak(previous, kStopping));
    const uint8_t wasRequested = m_bStopRequested.exchange(1);
    if (SendCommand(QStopCommand())) {
        return;
    }
    int32_t expected = kStopping;
    m_nState.compare_exchange_strong(expected, previous);
    m_bStopRequested.store(wasRequested);
}

void QUIBBStateController::StopCommandAck(QStopCommand& /*reply*/) {
    AddInformationMessage(1, "Get acknowledgement for sending down the 'Stop' command.");
}

// ---- scan end ----

void QUIBBStateController::ScanFinished() {
    QNodeMediator* pass = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        pass = std::exchange(m_pPassMediator, nullptr);
    }
    if (pass != nullptr) {
        pass->StopWorker();
    } else {
        // The pass's node went while its scan ran (or the message is a late one of a run already
        // ended): the run only ends.
        const int32_t state = m_nState.load();
        if (state == kScanning || state == kScanError || state == kStopping) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_aSetupList.clear();
            if (m_bWorkflowEnded.load() == 0) {
                m_nState.store(kReady);
            }
        }
        m_bRunFailed.store(0);
        return;
    }
    if (m_bRunFailed.exchange(0) != 0) {
        // The failed step has reported the run's end already.
        return;
    }
    if (MakesSpatialSubNodes(*pass)) {
        pass->CreateSpatialSubNodes();
        BuildSubNodeSetupList(*pass);
    }
    PostStatusText(std::string());
    bool more = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        more = !m_aSetupList.empty();
    }
    if (more && m_bStopRequested.load() == 0) {
        ShowScanStatus(kStatusScanStarted);
        if (SendNextPass()) {
            return;
        }
        m_bStopRequested.store(1);
    }
    GetScanProgress().SetStepsDone(0);
    const bool stopped = m_bStopRequested.load() != 0;
    const int32_t error = GetGlobalScanErrorCode();
    ShowScanStatus(error != 0 ? kStatusScanAborted : stopped ? kStatusScanTerminated : kStatusScanCompleted);
    PlaySoundResource(kSoundScanEnd);
    if (CMainFrameLink* frame = m_pMainFrame.load()) {
        frame->ShowNotification(stopped      ? "The scan has terminated ! "
                                : error == 0 ? "The scan has completed ! "
                                             : "The scan has aborted ! ",
                                0);
    }
    if (m_bWorkflowEnded.load() == 0) {
        m_nState.store(kReady);
    }
}

bool QUIBBStateController::MakesSpatialSubNodes(QNodeMediator& node) {
    return node.GetNodeTypeId() == kTypeSpectralSpatialScanNode && node.GetMakeSpatialSubNodes();
}

void QUIBBStateController::ClearSpatialSubNodes() {
    QNodeMediator* pass = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        pass = m_pPassMediator;
    }
    if (pass != nullptr && MakesSpatialSubNodes(*pass)) {
        pass->ClearForSpatialSubNodes();
    }
}

// ---- other replies ----

void QUIBBStateController::ResetCommandAck(QResetSpectrumAnalyzerCommand& reply) {
    const int32_t status = reply.GetValue();
    if (status == 0) {
        Ask("Spectrum analyzer reset successfully.", "Analyzer Reset", PromptButtons::Ok,
            PromptIcon::Information);
    } else {
        std::string text;
        if (const QSystemMessage* message = GetSystemMessageManager().Find(status)) {
            text = message->m_name;
        } else {
            text = FormatC("%d", status) + " Error #309: occurred while resetting the spectrum analyzer.";
        }
        Ask(text, "Error ", PromptButtons::Ok, PromptIcon::Warning);
    }
    m_nState.store(kReady);
}

void QUIBBStateController::CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& /*reply*/) {
    OutputDebugString("QUIBBStateController::CalibrateCommandAck");
}

void QUIBBStateController::CalibrationStopCommandAck(QStopCalibrationCommand& /*reply*/) {
    OutputDebugString("QUIBBStateController::CalibrationStopCommandAck");
}

// ---- the data worker ----

Event& QUIBBStateController::GetScanEvent() {
    QCommLayer* layer = Layer();
    // Without a layer no worker is made (CreateScanThread), so nothing waits on the spare event.
    return layer != nullptr ? layer->GetDataEvent() : m_spareScanEvent;
}

std::unique_ptr<QScanThread> QUIBBStateController::CreateScanThread(int32_t value, Event& scanEvent,
                                                                    int64_t /*argument*/,
                                                                    QNodeMediator& mediator) {
    QCommLayer* layer = Layer();
    if (layer == nullptr) {
        return nullptr;
    }
    return std::make_unique<thScanThread>(value, scanEvent, *this, *layer, mediator);
}

} // namespace orv
