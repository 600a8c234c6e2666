#include "project/QNode.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QDeferredPrompts.h"
#include "core/QException.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNodeMediator.h"
#include "scandata/QContainerLevelRangeSource.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSetupScanCommand.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace orv {

namespace {

constexpr const char* kCorruptProjectText = "Error#317: Invalid or corrupt project.";

// The mediator data block: a link count, then that many node IDs.
constexpr uint32_t kLinkCountBytes = 4;
constexpr uint32_t kLinkIdBytes = 4;

// Reads a container's part of a node body so that a node whose read fails keeps its container
// exactly as it was. Kinds that hold more than their body (cell records, pictures) are read into a
// scratch container and take the body over only at Commit; the others are read in place, their old
// body kept aside and read back at Undo. Boxes raised by the read are taken back at Undo.
class ContainerBodyRead {
public:
    ContainerBodyRead(QScanContainer* container, bool hasExtension)
        : m_container(container), m_hasExtension(hasExtension),
          m_promptsBefore(QDeferredPrompts::GetPendingCount()) {
        if (m_container == nullptr) {
            return;
        }
        m_scratch = m_container->CreateBodyScratch();
        if (m_scratch != nullptr) {
            return;
        }
        m_hadExtension = m_container->GetSetupScanCommand().HasExtension();
        m_oldBody = BodyOf(*m_container);
    }

    void Read(QDataReader& reader) {
        QScanContainer* target = m_scratch != nullptr ? m_scratch.get() : m_container;
        if (target != nullptr) {
            target->GetSetupScanCommand().SetHasExtension(m_hasExtension);
            target->ReadBody(reader);
        }
    }

    // Hands a body read into the scratch container to the node's container.
    void Commit() {
        if (m_scratch == nullptr) {
            return;
        }
        const std::vector<uint8_t> body = BodyOf(*m_scratch);
        m_container->GetSetupScanCommand().SetHasExtension(m_hasExtension);
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        m_container->ReadBody(reader);
    }

    void Undo() {
        QDeferredPrompts::DiscardFrom(m_promptsBefore);
        if (m_container == nullptr || m_scratch != nullptr) {
            return;
        }
        m_container->GetSetupScanCommand().SetHasExtension(m_hadExtension);
        QCharArrayDataReader reader(m_oldBody.data(), static_cast<uint32_t>(m_oldBody.size()));
        m_container->ReadBody(reader);
        QDeferredPrompts::DiscardFrom(m_promptsBefore);
    }

private:
    static std::vector<uint8_t> BodyOf(const QScanContainer& container) {
        QCharCounterDataWriter counter;
        container.WriteBody(counter);
        std::vector<uint8_t> bytes(counter.m_count);
        QCharArrayDataWriter writer(bytes.data(), counter.m_count);
        container.WriteBody(writer);
        return bytes;
    }

    QScanContainer* m_container;
    bool m_hasExtension;
    std::size_t m_promptsBefore;
    std::unique_ptr<QScanContainer> m_scratch;
    bool m_hadExtension = true;
    std::vector<uint8_t> m_oldBody;
};

} // namespace

QNode::QNode() {
    m_scanOptions.SetOwner(this);
    m_firstProbePattern.SetOwner(this);
    m_secondProbePattern.SetOwner(this);
    m_attenuator.SetOwner(this);
    m_spectralDisplay.SetOwner(this);
    m_spatialDisplay.SetOwner(this);
    m_ipAddress.SetOwner(this);
    m_ssSpectralView.SetOwner(this);
    m_ssSpatialView.SetOwner(this);
    m_note.SetOwner(this);
    m_overlay.SetOwner(this);
    m_scriptingDisplay.SetOwner(this);
    m_cablesSpectralView.SetOwner(this);
    m_currentClamp.SetOwner(this);
    m_cableScan.SetOwner(this);
    m_standLine.SetOwner(this);
    m_amplifier.SetOwner(this);
    m_wordReport.SetOwner(this);
    m_ambientScan.SetOwner(this);
    SetDefaultProbePatterns();
}

QNode::~QNode() {
    OutputDebugString("Deleting Node with name:  Begin\nName: " + m_strName +
                      " and ID: " + FormatC("%u", m_nID) + ". \n");
    m_pLevelRangeSource.reset();
    m_pScanContainer.reset();
    OutputDebugString("Deleting Node with name: End\n");
}

void QNode::SetDefaultProbePatterns() {
    // Nine single probes spread over the board.
    QProbeScanPattern first = m_firstProbePattern.GetPattern();
    first.SetAllProbes(0);
    for (int row : {6, 14, 22}) {
        for (int column : {9, 19, 29}) {
            first.SetProbeAt(row, column, 1);
        }
    }
    m_firstProbePattern.SetPattern(first);

    // One block of probes in the upper left part of the board.
    QProbeScanPattern second = m_secondProbePattern.GetPattern();
    second.SetAllProbes(0);
    second.SetProbeInRange(5, 5, 15, 25, 1);
    m_secondProbePattern.SetPattern(second);
}

QOptionMediator* QNode::GetMediator() const {
    return m_pMediator;
}

void QNode::SetMediator(QNodeMediator* mediator) {
    m_pMediator = mediator;
    if (m_pScanContainer != nullptr) {
        m_pScanContainer->SetMediator(mediator);
    }
}

void QNode::SetScanContainer(std::unique_ptr<QScanContainer> container) {
    m_pLevelRangeSource.reset();
    m_pScanContainer = std::move(container);
    if (m_pScanContainer != nullptr) {
        m_pScanContainer->SetMediator(m_pMediator);
        m_pScanContainer->SetContext(m_pContext);
        m_pLevelRangeSource = std::make_unique<QContainerLevelRangeSource>(*m_pScanContainer);
    }
}

void QNode::SetContext(QNodeContainer* context) {
    m_pContext = context;
    if (m_pScanContainer != nullptr) {
        m_pScanContainer->SetContext(context);
    }
}

QLevelRangeSource* QNode::LockLevelRangeSource() {
    m_mutex.Lock();
    return m_pLevelRangeSource.get();
}

void QNode::UnlockLevelRangeSource() {
    m_mutex.Unlock();
}

QScanContainer* QNode::LockScanContainer() {
    m_mutex.Lock();
    return m_pScanContainer.get();
}

QScanContainer* QNode::AcquireScanContainer() {
    return QNode::LockScanContainer();
}

void QNode::UnlockScanContainer() {
    m_mutex.Unlock();
}

QHeldScanContainer QNode::AcquireHeldScanContainer() {
    QScanContainer* container = AcquireScanContainer();
    return {container, &m_kindLock};
}

void QNode::MatchContainerExtension() const {
    // The set-up command inside the container carries its extension fields exactly when the scan
    // settings do, so that both are written and read with the same layout.
    if (m_pScanContainer != nullptr) {
        m_pScanContainer->GetSetupScanCommand().SetHasExtension(m_scanOptions.HasExtension());
    }
}

void QNode::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_nID);
    WriteString(writer, m_strName);
    writer.WriteU8(m_bSettingsCopied);
    writer.WriteU32(m_nSettingsSourceID);
    WriteString(writer, m_strLabel);
    m_scanOptions.WriteBody(writer);
    {
        QLockGuard lock(m_mutex);
        MatchContainerExtension();
        m_firstProbePattern.WriteBody(writer);
        m_secondProbePattern.WriteBody(writer);
        m_attenuator.WriteBody(writer);
        m_spectralDisplay.WriteBody(writer);
        m_spatialDisplay.WriteBody(writer);
        if (m_pScanContainer != nullptr) {
            m_pScanContainer->WriteBody(writer);
        }
    }
    m_ssSpectralView.WriteBody(writer);
    m_ssSpatialView.WriteBody(writer);
    m_note.WriteBody(writer);
    m_overlay.WriteBody(writer);
    m_analyzer.WriteBody(writer);
    m_ipAddress.WriteBody(writer);
    m_scriptingDisplay.WriteBody(writer);
    m_cablesSpectralView.WriteBody(writer);
    m_currentClamp.WriteBody(writer);
    m_cableScan.WriteBody(writer);
    m_standLine.WriteBody(writer);
    m_amplifier.WriteBody(writer);
    m_wordReport.WriteBody(writer);
    m_ambientScan.WriteBody(writer);
    m_antennaScan.WriteBody(writer);
    m_nearFieldAmbient.WriteBody(writer);
    m_antennaPosition.WriteBody(writer);
    m_farFieldAmbient.WriteBody(writer);
    m_differentRange.WriteBody(writer);
    m_autoSpatials.WriteBody(writer);

    // A node without a mediator has no reference nodes linked to it.
    if (m_pMediator == nullptr) {
        writer.WriteU32(kLinkCountBytes);
        writer.WriteU32(0);
    } else {
        const uint32_t size = m_pMediator->GetDataSize();
        std::vector<uint8_t> data(size);
        QCharArrayDataWriter dataWriter(data.data(), size);
        m_pMediator->WriteData(dataWriter);
        writer.WriteU32(size);
        writer.Write(data.data(), size);
    }
    WriteBodyTail(writer);
}

void QNode::ReadBody(QDataReader& reader) {
    // Everything is read into copies first and taken over only when the whole body, with a sound
    // link block, has been read: a failed read leaves the node as it was.
    std::string name;
    std::string label;
    const uint32_t id = reader.ReadU32();
    ReadString(reader, name);
    const uint8_t settingsCopied = reader.ReadU8();
    const uint32_t settingsSourceId = reader.ReadU32();
    ReadString(reader, label);

    QScanOptions scanOptions(m_scanOptions);
    scanOptions.ReadBody(reader);
    QProbeScanPatternOptions firstProbePattern(m_firstProbePattern);
    QProbeScanPatternOptions secondProbePattern(m_secondProbePattern);
    QAttenuatorOptions attenuator(m_attenuator);
    QSpectralDisplayOptions spectralDisplay(m_spectralDisplay);
    QSpatialDisplayOptions spatialDisplay(m_spatialDisplay);
    QSSSpectralViewOptions ssSpectralView(m_ssSpectralView);
    QSSSpatialViewOptions ssSpatialView(m_ssSpatialView);
    QNoteOptions note(m_note);
    QOverlayOptions overlay;
    overlay.CopyFrom(m_overlay);
    QAnalyzerOptions analyzer(m_analyzer);
    QIPAddressOptions ipAddress(m_ipAddress);
    QSpectralScriptingDisplayOptions scriptingDisplay(m_scriptingDisplay);
    QCablesSpectralViewOptions cablesSpectralView(m_cablesSpectralView);
    QCurrentClampModuleOptions currentClamp(m_currentClamp);
    QCableScanOptions cableScan(m_cableScan);
    QSpectralStandLineOptions standLine(m_standLine);
    QAmplifierAntennuatorOptions amplifier(m_amplifier);
    QWordReportOptions wordReport(m_wordReport);
    QAmbientScanOptions ambientScan(m_ambientScan);
    QAntennaScanOptions antennaScan(m_antennaScan);
    QNearFieldAmbientScanOptions nearFieldAmbient(m_nearFieldAmbient);
    QAntennaPositionScanOptions antennaPosition(m_antennaPosition);
    QFarFieldAmbientScanOptions farFieldAmbient(m_farFieldAmbient);
    QDifferentRangeScanModuleOptions differentRange(m_differentRange);
    QAutoSpatialsOptions autoSpatials(m_autoSpatials);
    std::vector<uint8_t> linkBlock;

    firstProbePattern.ReadBody(reader);
    secondProbePattern.ReadBody(reader);
    attenuator.ReadBody(reader);
    spectralDisplay.ReadBody(reader);
    spatialDisplay.ReadBody(reader);
    {
        // The container is read under the node's lock, so that a failure further on leaves it as
        // it was.
        QLockGuard lock(m_mutex);
        ContainerBodyRead containerRead(m_pScanContainer.get(), scanOptions.HasExtension());
        try {
            containerRead.Read(reader);
            ssSpectralView.ReadBody(reader);
            ssSpatialView.ReadBody(reader);
            note.ReadBody(reader);
            overlay.ReadBody(reader);
            analyzer.ReadBody(reader);
            ipAddress.ReadBody(reader);
            scriptingDisplay.ReadBody(reader);
            cablesSpectralView.ReadBody(reader);
            currentClamp.ReadBody(reader);
            cableScan.ReadBody(reader);
            standLine.ReadBody(reader);
            amplifier.ReadBody(reader);
            wordReport.ReadBody(reader);
            ambientScan.ReadBody(reader);
            antennaScan.ReadBody(reader);
            nearFieldAmbient.ReadBody(reader);
            antennaPosition.ReadBody(reader);
            farFieldAmbient.ReadBody(reader);
            differentRange.ReadBody(reader);
            autoSpatials.ReadBody(reader);

            const uint32_t size = reader.ReadU32();
            if (size < kLinkCountBytes || size > reader.GetRemaining()) {
                throw QIOException(kCorruptProjectText);
            }
            linkBlock.resize(size);
            reader.Read(linkBlock.data(), size);
            uint32_t linkCount = 0;
            std::memcpy(&linkCount, linkBlock.data(), sizeof(linkCount));
            if (static_cast<uint64_t>(size) !=
                kLinkCountBytes + static_cast<uint64_t>(kLinkIdBytes) * linkCount) {
                throw QIOException(kCorruptProjectText);
            }
            ReadBodyTail(reader);
            containerRead.Commit();
        } catch (...) {
            containerRead.Undo();
            throw;
        }
    }

    m_nID = id;
    m_strName = std::move(name);
    m_bSettingsCopied = settingsCopied;
    m_nSettingsSourceID = settingsSourceId;
    m_strLabel = std::move(label);
    m_scanOptions = scanOptions;
    m_firstProbePattern = firstProbePattern;
    m_secondProbePattern = secondProbePattern;
    m_attenuator = attenuator;
    m_spectralDisplay = spectralDisplay;
    m_spatialDisplay = spatialDisplay;
    m_ssSpectralView = ssSpectralView;
    m_ssSpatialView = ssSpatialView;
    m_note = note;
    m_overlay.CopyFrom(overlay);
    m_analyzer = analyzer;
    m_ipAddress = ipAddress;
    m_scriptingDisplay = scriptingDisplay;
    m_cablesSpectralView = cablesSpectralView;
    m_currentClamp = currentClamp;
    m_cableScan = cableScan;
    m_standLine = standLine;
    m_amplifier = amplifier;
    m_wordReport = wordReport;
    m_ambientScan = ambientScan;
    m_antennaScan = antennaScan;
    m_nearFieldAmbient = nearFieldAmbient;
    m_antennaPosition = antennaPosition;
    m_farFieldAmbient = farFieldAmbient;
    m_differentRange = differentRange;
    m_autoSpatials = autoSpatials;
    CommitBodyTail();

    if (m_pMediator != nullptr) {
        QCharArrayDataReader blockReader(linkBlock.data(), static_cast<uint32_t>(linkBlock.size()));
        m_pMediator->ReadData(blockReader);
    }
}

uint32_t QNode::GetBodySize() const {
    // Several option kinds report sizes that differ from what they write: count the real bytes.
    QCharCounterDataWriter counter;
    WriteBody(counter);
    return counter.m_count;
}

void QNode::CopyOptionsFrom(QNode& other) {
    if (&other == this) {
        return;
    }
    m_strName = other.m_strName;
    m_attenuator.CopyFrom(other.m_attenuator);
    m_scanOptions.CopyFrom(other.m_scanOptions);
    m_firstProbePattern.CopyFrom(other.m_firstProbePattern);
    m_secondProbePattern.CopyFrom(other.m_secondProbePattern);
    m_spectralDisplay.CopyFrom(other.m_spectralDisplay);
    m_spatialDisplay.CopyFrom(other.m_spatialDisplay);
    m_ssSpectralView.CopyFrom(other.m_ssSpectralView);
    m_ssSpatialView.ResetOnCopy(other.m_ssSpatialView);
    m_note.CopyFrom(other.m_note);
    m_overlay.CopyFrom(other.m_overlay);
    m_analyzer.CopyFrom(other.m_analyzer);
    m_ipAddress.CopyFrom(other.m_ipAddress);
    m_scriptingDisplay.CopyFrom(other.m_scriptingDisplay);
    m_currentClamp.ResetOnCopy(other.m_currentClamp);
    m_cableScan.ResetOnCopy(other.m_cableScan);
    m_standLine.ResetOnCopy(other.m_standLine);
    m_amplifier.ResetOnCopy(other.m_amplifier);
    m_ambientScan.ResetOnCopy(other.m_ambientScan);
    m_differentRange.CopyFrom(other.m_differentRange);
    m_autoSpatials.CopyFrom(other.m_autoSpatials);
    m_strLabel = other.m_strLabel;
}

void QNode::SyncOptionsFromParent() {
    m_scanOptions.SyncFromNode();
    m_firstProbePattern.SyncFromNode();
    m_secondProbePattern.SyncFromNode();
    m_spectralDisplay.SyncFromNode();
    m_spatialDisplay.SyncFromNode();
    m_attenuator.SyncFromNode();
    m_ssSpectralView.SyncFromNode();
    m_ssSpatialView.SyncFromNode();
    m_note.SyncFromNode();
    m_overlay.SyncFromNode();
    m_ipAddress.SyncFromNode();
    m_analyzer.SyncFromNode();
}

std::unique_ptr<QNodeCommandState> QNode::CreateCommandState() {
    return std::make_unique<QNodeCommandState>(m_pMediator);
}

void QNode::SetCommandsEnabled(QNodeCommandState& state, bool enabled) {
    state.m_commandsEnabled = enabled ? 1 : 0;
}

void QNode::RefreshAttenuatorValue(QNodeCommandState& state) {
    QOptionMediator* mediator = state.m_pMediator;
    QOptionNode* node = mediator == nullptr ? nullptr : mediator->GetNode();
    const QAttenuatorOptions* attenuator = node == nullptr ? nullptr : node->GetAttenuatorOptions();
    if (attenuator != nullptr) {
        state.m_attenuatorValue = attenuator->GetValueRecord().m_valueInt;
    }
}

} // namespace orv
