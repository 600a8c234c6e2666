#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/msg/MessageTarget.h"
#include "project/NodeMessages.h"
#include "project/QNodeContainer.h"
#include "project/QNodeMediator.h"
#include "project/QReportDocument.h"
#include "project/QScanResidency.h"
#include "project/QViewFrame.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpectralSnapshot.h"

#include <vector>

namespace orv {

void QNodeMediator::FindPeaks(CScanData& scan, std::vector<uint32_t>& pointIndexes,
                              std::vector<float>& frequencies) {
    std::vector<uint32_t>().swap(pointIndexes);
    std::vector<float>().swap(frequencies);

    QSpectralDisplayOptions* options = GetSpectralDisplayOptions();
    if (options == nullptr || options->m_switch2 == 0) {
        return;
    }

    CriticalSectionGuard guard(m_firstSection);
    const std::vector<QMeasuredFrequencyData::Entry>* entries = nullptr;
    switch (m_nKind) {
    case kTypeSpectralScanNode:
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode:
        if (auto* spectral = dynamic_cast<CSpectralScanData*>(&scan)) {
            spectral->Prepare();
            entries = &spectral->m_MeasuredFrequencies;
        }
        break;
    case kTypeSpectralSpatialScanNode:
        if (auto* spectralSpatial = dynamic_cast<CSpectralSpatialScanData*>(&scan)) {
            spectralSpatial->Prepare();
            entries = &spectralSpatial->m_MeasuredFrequencies;
        }
        break;
    default:
        break;
    }
    if (entries == nullptr) {
        return;
    }

    const auto unit = static_cast<int>(options->m_modeA);
    const bool sameAsView = options->m_useSameViewSetting == 1;
    const float value = sameAsView ? options->m_step : scan.m_DisplayValue;
    const uint32_t limit = sameAsView ? options->m_count : scan.m_DisplayCount;
    const float threshold =
        ConvertAmplitudeToUnit(static_cast<float>(scan.m_NoiseFloor), unit) + value + scan.m_LevelOffset;

    const QSSSpectralSnapshot* snapshot = scan.m_SpectralSnapshot.get();
    const uint32_t snapshotPoints = snapshot != nullptr ? snapshot->GetPointCount() : 0;
    struct Candidate {
        uint32_t index;
        float frequency;
        int16_t level;
    };
    std::vector<Candidate> candidates;
    for (const QMeasuredFrequencyData::Entry& entry : *entries) {
        // An index beyond the snapshot has no level of its own.
        const int16_t level =
            entry.m_Index < snapshotPoints ? snapshot->GetRawAmplitude(entry.m_Index) : int16_t{0};
        if (ConvertAmplitudeToUnit(static_cast<float>(level), unit) >= threshold) {
            candidates.push_back({entry.m_Index, entry.m_Frequency, level});
        }
    }
    // Highest level first; of equal levels the earlier candidate.
    while (!candidates.empty()) {
        // The search starts from the first remaining candidate (not from a fixed floor), so that it
        // always takes one, also when every level lies below -10000.
        size_t best = 0;
        double bestLevel = candidates[0].level;
        for (size_t i = 1; i < candidates.size(); ++i) {
            if (static_cast<double>(candidates[i].level) > bestLevel) {
                bestLevel = candidates[i].level;
                best = i;
            }
        }
        const Candidate taken = candidates[best];
        candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(best));
        if (pointIndexes.size() < limit) {
            pointIndexes.push_back(taken.index);
            frequencies.push_back(taken.frequency);
        }
    }
}

void QNodeMediator::InsertScanViewIntoReport(int32_t scanID, QReportDocument* document, int32_t picture) {
    bool created = false;
    OpenView(m_nKind, created, false);

    auto paste = [document](const char* text) {
        if (document != nullptr) {
            document->PasteAndFormat();
            document->TypeText(text);
        }
    };
    // A frame opened only for the picture goes again.
    auto closeIfHidden = [](QViewFrame& frame) {
        if (!frame.IsVisible()) {
            frame.GetMessageTarget().Post(NodeMessage::kClose);
        }
    };
    const auto id = static_cast<uint64_t>(static_cast<int64_t>(scanID));

    switch (m_nKind) {
    case kTypeSpectralScanNode: {
        CSpectralScanData* scan = GetSpectralScanData(scanID);
        QViewFrame* frame = m_frames[Index(QFrameClass::Spectral)].get();
        if (scan == nullptr || frame == nullptr || !LiveView(m_pSpectralView)) {
            return;
        }
        m_pCurrentSpectral = scan;
        m_nDisplayedSpectralScanID = scanID;
        m_pSpectralView->SetScanTitle(ScanTitle(scanID));
        m_pSpectralView->GetMessageTarget().Send(NodeMessage::kShowSpectralScan);
        m_pSpectralView->CopyImageToClipboard(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        break;
    }
    case kTypeSpatialScanNode: {
        CSpatialScanData* scan = GetSpatialScanData(scanID);
        QViewFrame* frame = m_frames[Index(QFrameClass::Spatial)].get();
        if (scan == nullptr || frame == nullptr || !LiveView(m_pSpatialView)) {
            return;
        }
        m_pCurrentSpatial = scan;
        m_nDisplayedSpatialScanID = scanID;
        m_pSpatialView->GetMessageTarget().Send(NodeMessage::kShowSpatialScan);
        m_pSpatialView->CopyViewImageForReport(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        break;
    }
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode: {
        const bool handHeld = m_nKind == kTypeHandHeldProbeScanNode;
        CSpectralSpatialScanData* scan =
            handHeld ? GetHandHeldProbeScanData(scanID) : GetSpectralSpatialScanData(scanID);
        QViewFrame* frame = m_frames[Index(QFrameClass::SpectralSpatial)].get();
        if (scan == nullptr || frame == nullptr || !LiveView(m_pSpectralView) || !LiveView(m_pSpatialView)) {
            return;
        }
        if (handHeld) {
            m_pCurrentHandHeld = static_cast<CHandHeldProbeScanData*>(scan);
            m_nDisplayedHandHeldScanID = scanID;
        } else {
            m_pCurrentSpectralSpatial = scan;
            m_nDisplayedSpectralSpatialScanID = scanID;
        }
        const uint32_t message =
            handHeld ? NodeMessage::kShowHandHeldScan : NodeMessage::kShowSpectralSpatialScan;
        m_pSpectralView->GetMessageTarget().Send(message, id);
        m_pSpectralView->CopyImageToClipboard(picture);
        paste("\n");
        m_pSpatialView->GetMessageTarget().Send(message, id);
        m_pSpatialView->CopyViewImageForReport(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        if (!handHeld) {
            m_pSpectralView->GetMessageTarget().Post(NodeMessage::kShowSpectralSpatialScan, id);
            m_pSpatialView->GetMessageTarget().Post(NodeMessage::kShowSpectralSpatialScan, id);
        }
        break;
    }
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode: {
        const bool overlay = m_nKind == kTypeSpectralOverlayNode;
        ComparedScans<CSpectralScanData>& group = overlay ? m_spectralOverlay : m_spectralComparison;
        QViewFrame* frame =
            m_frames[Index(overlay ? QFrameClass::SpectralOverlay : QFrameClass::SpectralComparison)].get();
        if (group.first == nullptr || group.second == nullptr || frame == nullptr ||
            !LiveView(m_pSpectralView)) {
            return;
        }
        if (overlay) {
            m_pSpectralView->SetOverlayState(2);
        } else {
            m_pSpectralView->SetComparisonState(2);
        }
        group.first->UpdateFrequencyStep();
        group.second->UpdateFrequencyStep();
        m_pSpectralView->GetMessageTarget().Send(overlay ? NodeMessage::kRefreshSpectralOverlay
                                                         : NodeMessage::kRefreshSpectralComparison);
        m_pSpectralView->CopyImageToClipboard(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        break;
    }
    case kTypeSpatialComparisonNode:
    case kTypeBlindSpotReductionNode: {
        const bool blindSpot = m_nKind == kTypeBlindSpotReductionNode;
        QViewFrame* frame =
            m_frames[Index(blindSpot ? QFrameClass::BlindSpotReduction : QFrameClass::SpatialComparison)]
                .get();
        const bool held =
            blindSpot ? (m_blindSpotReduction.firstFlag != 0 && m_blindSpotReduction.secondFlag != 0)
                      : (m_spatialComparison.first != nullptr && m_spatialComparison.second != nullptr);
        if (!held || frame == nullptr || !LiveView(m_pSpatialView)) {
            return;
        }
        if (blindSpot) {
            m_pSpatialView->SetBlindSpotState(2);
        } else {
            m_pSpatialView->SetComparisonState(2);
        }
        m_pSpatialView->GetMessageTarget().Send(blindSpot ? NodeMessage::kRefreshBlindSpotReduction
                                                          : NodeMessage::kRefreshSpatialComparison);
        m_pSpatialView->CopyViewImageForReport(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        break;
    }
    case kTypeSpectralSpatialScriptingModuleNode: {
        QViewFrame* frame = m_frames[Index(QFrameClass::Scripting)].get();
        if (frame == nullptr || !LiveView(m_pSpectralView)) {
            return;
        }
        m_pSpectralView->GetMessageTarget().Send(NodeMessage::kShowScripting);
        m_pSpectralView->CopyImageToClipboard(picture);
        paste("\n\n");
        closeIfHidden(*frame);
        break;
    }
    default:
        break;
    }
}

void QNodeMediator::SetLinkedScanID(int32_t scanID) {
    m_nLinkedScanID = scanID;
    if (m_bLinked != 0) {
        ResolveLinkedScanData();
    }
}

std::vector<QMeasuredFrequencyData::Entry> QNodeMediator::CopyMeasuredFrequencies(const CScanData& scan) {
    // A scan of this node kept out of memory is made whole first (that takes the section itself).
    // Only then: the scan hands over its frequencies to a scan that stays whole meanwhile.
    if (m_scanResidency->IsMovedOut(scan) && !UseScanForView(const_cast<CScanData*>(&scan))) {
        return {};
    }
    CriticalSectionGuard guard(m_firstSection);
    if (const auto* spectral = dynamic_cast<const CSpectralScanData*>(&scan)) {
        return spectral->m_MeasuredFrequencies;
    }
    if (const auto* spectralSpatial = dynamic_cast<const CSpectralSpatialScanData*>(&scan)) {
        return spectralSpatial->m_MeasuredFrequencies;
    }
    return {};
}

void QNodeMediator::SetLinkedScan(CSpectralSpatialScanData* scan) {
    // The node that lists the scan keeps it in memory while this composite shows it.
    QScanResidency::Unlink(m_pLinkedScan);
    m_pLinkedScan = scan;
    QScanResidency::Link(m_pLinkedScan);
}

bool QNodeMediator::ResolveLinkedScanData() {
    SetLinkedScan(nullptr);
    if (m_pParent == nullptr) {
        return false;
    }
    if (m_pParent->GetKind() == kTypeSpectralSpatialScanNode) {
        SetLinkedScan(m_pParent->GetSpectralSpatialScanData(m_nLinkedScanID));
    } else {
        SetLinkedScan(m_pParent->GetHandHeldProbeScanData(m_nLinkedScanID));
    }
    return m_pLinkedScan != nullptr;
}

namespace {

template <class T> bool Keep(std::unique_ptr<CScanData>& scan, std::unique_ptr<T>& slot, uint8_t& flag) {
    if (scan != nullptr && dynamic_cast<T*>(scan.get()) == nullptr) {
        return false;
    }
    slot.reset(static_cast<T*>(scan.release()));
    flag = slot != nullptr ? 1 : 0;
    return true;
}

} // namespace

bool QNodeMediator::SetComparedScan(bool first, std::unique_ptr<CScanData> scan) {
    auto keep = [&](auto& group) {
        group.resultChanged = 1;
        return first ? Keep(scan, group.first, group.firstFlag) : Keep(scan, group.second, group.secondFlag);
    };
    switch (m_nKind) {
    case kTypeSpectralComparisonNode:
        return keep(m_spectralComparison);
    case kTypeSpectralOverlayNode:
        return keep(m_spectralOverlay);
    case kTypeSpatialComparisonNode:
        return keep(m_spatialComparison);
    case kTypeBlindSpotReductionNode:
        return keep(m_blindSpotReduction);
    default:
        return false;
    }
}

CScanData* QNodeMediator::GetComparedScan(bool first) const {
    auto pick = [first](const auto& group) -> CScanData* {
        return first ? static_cast<CScanData*>(group.first.get())
                     : static_cast<CScanData*>(group.second.get());
    };
    switch (m_nKind) {
    case kTypeSpectralComparisonNode:
        return pick(m_spectralComparison);
    case kTypeSpectralOverlayNode:
        return pick(m_spectralOverlay);
    case kTypeSpatialComparisonNode:
        return pick(m_spatialComparison);
    case kTypeBlindSpotReductionNode:
        return pick(m_blindSpotReduction);
    default:
        return nullptr;
    }
}

CSpectralSpatialScanData* QNodeMediator::GetCurrentSpectralSpatialScanData() const {
    return m_nKind == kTypeSpectralSpatialUserCompositeNode ? m_pLinkedScan : m_pCurrentSpectralSpatial;
}

// Runs `use` on the compared group of the node's kind (as a pointer, null for other kinds).
template <class F> auto QNodeMediator::WithComparedGroup(F&& use) const {
    auto* self = const_cast<QNodeMediator*>(this);
    switch (m_nKind) {
    case kTypeSpectralComparisonNode:
        return use(&self->m_spectralComparison, static_cast<ComparedScans<CSpatialScanData>*>(nullptr));
    case kTypeSpectralOverlayNode:
        return use(&self->m_spectralOverlay, static_cast<ComparedScans<CSpatialScanData>*>(nullptr));
    case kTypeSpatialComparisonNode:
        return use(static_cast<ComparedScans<CSpectralScanData>*>(nullptr), &self->m_spatialComparison);
    case kTypeBlindSpotReductionNode:
        return use(static_cast<ComparedScans<CSpectralScanData>*>(nullptr), &self->m_blindSpotReduction);
    default:
        return use(static_cast<ComparedScans<CSpectralScanData>*>(nullptr),
                   static_cast<ComparedScans<CSpatialScanData>*>(nullptr));
    }
}

CScanData* QNodeMediator::GetComparedResult() const {
    return WithComparedGroup([](auto* spectral, auto* spatial) -> CScanData* {
        if (spectral != nullptr) {
            return spectral->result.get();
        }
        return spatial != nullptr ? spatial->result.get() : nullptr;
    });
}

bool QNodeMediator::SetComparedResult(std::unique_ptr<CScanData> result) {
    return WithComparedGroup([&result](auto* spectral, auto* spatial) {
        uint8_t unused = 0;
        if (spectral != nullptr) {
            return Keep(result, spectral->result, unused);
        }
        return spatial != nullptr && Keep(result, spatial->result, unused);
    });
}

bool QNodeMediator::IsComparedResultChanged() const {
    return WithComparedGroup([](auto* spectral, auto* spatial) {
        if (spectral != nullptr) {
            return spectral->resultChanged != 0;
        }
        return spatial != nullptr && spatial->resultChanged != 0;
    });
}

void QNodeMediator::ClearComparedResultChanged() {
    WithComparedGroup([](auto* spectral, auto* spatial) {
        if (spectral != nullptr) {
            spectral->resultChanged = 0;
        }
        if (spatial != nullptr) {
            spatial->resultChanged = 0;
        }
        return 0;
    });
}

void QNodeMediator::SetViewRebuildFlags(bool rebuild) {
    if (!rebuild) {
        return;
    }
    // The views read the compared scans under the first section.
    CriticalSectionGuard guard(m_firstSection);
    m_spectralComparison.resultChanged = 1;
    m_spatialComparison.resultChanged = 1;
    m_spectralOverlay.resultChanged = 1;
    m_blindSpotReduction.resultChanged = 1;
}

template <class T>
void QNodeMediator::ReleaseCompared(ComparedScans<T>& group, bool first, QFrameClass frame, bool spectralSide,
                                    uint32_t message) {
    {
        // The views read the compared scans under the first section.
        CriticalSectionGuard guard(m_firstSection);
        group.resultChanged = 1;
        if (first) {
            group.first.reset();
            group.firstFlag = 0;
        } else {
            group.second.reset();
            group.secondFlag = 0;
        }
    }
    QNodeView* view =
        spectralSide ? static_cast<QNodeView*>(m_pSpectralView) : static_cast<QNodeView*>(m_pSpatialView);
    if (LiveFrame(frame) != nullptr && LiveView(view)) {
        view->GetMessageTarget().Post(message);
    }
}

void QNodeMediator::RemoveSpectralComparisonScan(bool first) {
    ReleaseCompared(m_spectralComparison, first, QFrameClass::SpectralComparison, true,
                    NodeMessage::kRefreshSpectralComparison);
}

void QNodeMediator::RemoveSpatialComparisonScan(bool first) {
    ReleaseCompared(m_spatialComparison, first, QFrameClass::SpatialComparison, false,
                    NodeMessage::kRefreshSpatialComparison);
}

void QNodeMediator::RemoveSpectralOverlayScan(bool first) {
    ReleaseCompared(m_spectralOverlay, first, QFrameClass::SpectralOverlay, true,
                    NodeMessage::kRefreshSpectralOverlay);
}

void QNodeMediator::RemoveBlindSpotReductionScan(bool first) {
    ReleaseCompared(m_blindSpotReduction, first, QFrameClass::BlindSpotReduction, false,
                    NodeMessage::kRefreshBlindSpotReduction);
}

size_t QNodeMediator::CountNodesLinkedToScan(int32_t scanID) {
    if (m_pContainer == nullptr) {
        return 0;
    }
    size_t count = 0;
    for (QNodeMediator* child : m_pContainer->GetChildMediators(*this)) {
        if (child != nullptr && child->IsLinkedToScan() && child->GetLinkedScanID() == scanID) {
            ++count;
        }
    }
    return count;
}

void QNodeMediator::CloseViewsOfNodesLinkedToScan(int32_t scanID) {
    if (m_pContainer == nullptr) {
        return;
    }
    for (QNodeMediator* child : m_pContainer->GetChildMediators(*this)) {
        if (child == nullptr || !child->IsLinkedToScan() || child->GetLinkedScanID() != scanID) {
            continue;
        }
        for (const auto& frame : child->m_frames) {
            if (frame != nullptr && frame->HasWindow()) {
                frame->GetMessageTarget().Post(NodeMessage::kClose);
            }
        }
    }
}

size_t QNodeMediator::CountScansUsingOverlay(uint32_t overlayID) const {
    size_t count = 0;
    auto countIn = [&](const auto& list) {
        for (const auto& scan : list) {
            if (scan->GetScanArea().m_OverlayId == overlayID) {
                ++count;
            }
        }
    };
    countIn(m_spectralScans);
    countIn(m_spatialScans);
    countIn(m_spectralSpatialScans);
    countIn(m_handHeldScans);
    return count;
}

void QNodeMediator::CreateUserComposite(QNodeMediator& source) {
    m_nLinkedScanID = source.GetDisplayedScanID();
    m_bLinked = 1;
    CopyNodeSettingsFrom(source);
    SetLabel(std::string());
    SetName("Spectral/Spatial User Composite");

    CSpectralSpatialScanData* scan = nullptr;
    if (source.GetKind() == kTypeSpectralSpatialScanNode) {
        scan = source.GetSpectralSpatialScanData(m_nLinkedScanID);
    } else if (source.GetKind() == kTypeHandHeldProbeScanNode) {
        scan = source.GetHandHeldProbeScanData(m_nLinkedScanID);
    }
    SetLinkedScan(scan);
    if (scan == nullptr) {
        return;
    }

    // The composite starts from the view settings the scan was shown with.
    if (QSpectralDisplayOptions* spectral = GetSpectralDisplayOptions()) {
        spectral->m_levelLow = scan->m_LevelLow;
        spectral->m_levelHigh = scan->m_LevelHigh;
        spectral->m_secondMarkerLow = scan->m_SecondLevelLow;
        spectral->m_secondMarkerHigh = scan->m_SecondLevelHigh;
        spectral->m_step = scan->m_DisplayValue;
        spectral->m_count = scan->m_DisplayCount;
        spectral->m_markerLow = scan->m_MarkerLow;
        spectral->m_markerHigh = scan->m_MarkerHigh;
        spectral->m_modeB = scan->m_FrequencyAutoByte == 1 ? 1 : 0;
        spectral->m_modeC = scan->m_LevelAutoByte == 1 ? 1 : 0;
    }
    if (QSpatialDisplayOptions* spatial = GetSpatialDisplayOptions()) {
        spatial->m_rangeLow = scan->m_SpatialRangeLow;
        spatial->m_rangeHigh = scan->m_SpatialRangeHigh;
        spatial->m_modeB = scan->m_SpatialAutoByte == 1 ? 1 : 0;
    }
    m_markerFlag = scan->m_MarkerFlag;
    m_frequencyMarkers.insert(m_frequencyMarkers.end(), scan->m_FrequencyMarkers.begin(),
                              scan->m_FrequencyMarkers.end());
    m_pointFlag = scan->m_PointFlag;
    m_points.insert(m_points.end(), scan->m_Points.begin(), scan->m_Points.end());
}

// --- The hand-held probe tracker ---

bool QNodeMediator::StartProbeVideoTrack(const std::string& cameraPath) {
    m_probeCameraPath = cameraPath;
    m_pProbeVideoTrack.reset();
    m_pProbeVideoTrack = AcquireProbeVideoTrack(cameraPath);
    return m_pProbeVideoTrack != nullptr;
}

void QNodeMediator::StopProbeVideoTrack() {
    m_pProbeVideoTrack.reset();
}

void QNodeMediator::GetProbeMarkerPosition(float& x, float& y) const {
    x = 0.0F;
    y = 0.0F;
    if (m_pProbeVideoTrack != nullptr) {
        m_pProbeVideoTrack->GetMarkerPosition(x, y);
    }
}

bool QNodeMediator::IsProbeMarkerTracked() const {
    return m_pProbeVideoTrack != nullptr && m_pProbeVideoTrack->GetFramesSinceDetected() < 3;
}

} // namespace orv
