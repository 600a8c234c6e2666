#include "analyzers/CInstrumentInfo.h"
#include "core/QException.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "project/NodeMessages.h"
#include "project/QNodeContainer.h"
#include "project/QNodeMediator.h"
#include "project/QReportDocument.h"
#include "project/QScanDataList.h"
#include "project/QScanOptionSnapshot.h"
#include "project/QScanResidency.h"
#include "project/QViewFrame.h"
#include "project/ScanRecordFields.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpectralSnapshot.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace orv {

namespace {

template <class T> T* FindScan(const std::vector<std::unique_ptr<T>>& list, int32_t scanID) {
    for (const auto& scan : list) {
        if (static_cast<int32_t>(scan->m_ScanId) == scanID) {
            return scan.get();
        }
    }
    return nullptr;
}

template <class T> T* Prepared(T* scan) {
    scan->Prepare();
    return scan;
}

template <class T> T* LastScan(const std::vector<std::unique_ptr<T>>& list, int32_t& scanID) {
    if (list.empty()) {
        return nullptr;
    }
    T* scan = list.back().get();
    scan->Prepare();
    scanID = static_cast<int32_t>(scan->m_ScanId);
    return scan;
}

// The largest ID plus one, so that an ID stays unique after the list was reordered.
template <class T> int32_t NextID(const std::vector<std::unique_ptr<T>>& list) {
    int32_t largest = 0;
    for (const auto& scan : list) {
        largest = std::max(largest, static_cast<int32_t>(scan->m_ScanId));
    }
    return largest + 1;
}

template <class T> std::vector<int32_t> IDsOf(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<int32_t> ids;
    ids.reserve(list.size());
    for (const auto& scan : list) {
        ids.push_back(static_cast<int32_t>(scan->m_ScanId));
    }
    return ids;
}

template <class T>
void Reorder(std::vector<std::unique_ptr<T>>& list, const std::vector<int32_t>& scanIDs, bool down) {
    for (int32_t scanID : scanIDs) {
        auto found = std::find_if(list.begin(), list.end(), [scanID](const auto& scan) {
            return static_cast<int32_t>(scan->m_ScanId) == scanID;
        });
        if (found == list.end()) {
            continue;
        }
        if (down && found + 1 != list.end()) {
            std::iter_swap(found, found + 1);
        } else if (!down && found != list.begin()) {
            std::iter_swap(found, found - 1);
        }
    }
}

void CopyRecordInto(CScanData& scan, const QScanDataRecord& record, QScanDataMediator* mediator) {
    CopyCommonRecordFields(scan, record, mediator);
    scan.m_StartFrequency = record.m_StartFrequency;
    scan.m_StopFrequency = record.m_StopFrequency;
    scan.m_DisplayCount = record.m_DisplayCount;
    scan.m_DisplayValue = record.m_DisplayValue;
}

std::unique_ptr<_SpectralSpatialScanDataUnit> MakeUnit(QCellAddition& addition, bool zelt) {
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Row = addition.m_CellWord1;
    unit->m_Column = addition.m_CellWord2;
    unit->m_PeakLevel = static_cast<float>(static_cast<int16_t>(addition.m_CellWord3));
    unit->m_PeakFrequency = addition.m_CellValue;
    unit->m_CellWord3 = addition.m_CellWord3;
    unit->m_CellValue = addition.m_CellValue;
    if (zelt) {
        unit->m_Words = addition.m_ZeltWords;
        unit->m_ZeltAmplitudes = std::move(addition.m_ZeltValues);
    } else {
        unit->m_Amplitudes = std::move(addition.m_Values);
    }
    unit->m_Word2 = 0;
    return unit;
}

} // namespace

// --- Lookups ---

// A view's lookup makes the scan whole and prepares it; a save's (Find) makes it whole only, so that
// it writes what was measured or loaded.
CSpectralScanData* QNodeMediator::GetSpectralScanData(int32_t scanID) {
    CSpectralScanData* scan = FindScan(m_spectralScans, scanID);
    return UseScanForView(scan) ? Prepared(scan) : nullptr;
}
CSpatialScanData* QNodeMediator::GetSpatialScanData(int32_t scanID) {
    CSpatialScanData* scan = FindScan(m_spatialScans, scanID);
    return UseScanForView(scan) ? Prepared(scan) : nullptr;
}
CSpectralSpatialScanData* QNodeMediator::GetSpectralSpatialScanData(int32_t scanID) {
    CSpectralSpatialScanData* scan = FindScan(m_spectralSpatialScans, scanID);
    return UseScanForView(scan) ? Prepared(scan) : nullptr;
}
CHandHeldProbeScanData* QNodeMediator::GetHandHeldProbeScanData(int32_t scanID) {
    CHandHeldProbeScanData* scan = FindScan(m_handHeldScans, scanID);
    return UseScanForView(scan) ? Prepared(scan) : nullptr;
}

CSpectralScanData* QNodeMediator::FindSpectralScanData(int32_t scanID) const {
    CSpectralScanData* scan = FindScan(m_spectralScans, scanID);
    const_cast<QNodeMediator*>(this)->UseScan(scan);
    return scan;
}
CSpatialScanData* QNodeMediator::FindSpatialScanData(int32_t scanID) const {
    CSpatialScanData* scan = FindScan(m_spatialScans, scanID);
    const_cast<QNodeMediator*>(this)->UseScan(scan);
    return scan;
}
CSpectralSpatialScanData* QNodeMediator::FindSpectralSpatialScanData(int32_t scanID) const {
    CSpectralSpatialScanData* scan = FindScan(m_spectralSpatialScans, scanID);
    const_cast<QNodeMediator*>(this)->UseScan(scan);
    return scan;
}
CHandHeldProbeScanData* QNodeMediator::FindHandHeldProbeScanData(int32_t scanID) const {
    CHandHeldProbeScanData* scan = FindScan(m_handHeldScans, scanID);
    const_cast<QNodeMediator*>(this)->UseScan(scan);
    return scan;
}

CSpectralScanData* QNodeMediator::GetLastSpectralScanData(int32_t& scanID) {
    if (!m_spectralScans.empty() && !UseScanForView(m_spectralScans.back().get())) {
        return nullptr;
    }
    return LastScan(m_spectralScans, scanID);
}
CSpatialScanData* QNodeMediator::GetLastSpatialScanData(int32_t& scanID) {
    if (!m_spatialScans.empty() && !UseScanForView(m_spatialScans.back().get())) {
        return nullptr;
    }
    return LastScan(m_spatialScans, scanID);
}
CSpectralSpatialScanData* QNodeMediator::GetLastSpectralSpatialScanData(int32_t& scanID) {
    if (!m_spectralSpatialScans.empty() && !UseScanForView(m_spectralSpatialScans.back().get())) {
        return nullptr;
    }
    return LastScan(m_spectralSpatialScans, scanID);
}
CHandHeldProbeScanData* QNodeMediator::GetLastHandHeldProbeScanData(int32_t& scanID) {
    if (!m_handHeldScans.empty() && !UseScanForView(m_handHeldScans.back().get())) {
        return nullptr;
    }
    return LastScan(m_handHeldScans, scanID);
}

size_t QNodeMediator::GetScanDataCount() const {
    switch (m_nKind) {
    case kTypeSpectralScanNode:
        return m_spectralScans.size();
    case kTypeSpatialScanNode:
        return m_spatialScans.size();
    case kTypeSpectralSpatialScanNode:
        return m_spectralSpatialScans.size();
    case kTypeHandHeldProbeScanNode:
        return m_handHeldScans.size();
    default:
        return 0;
    }
}

std::vector<int32_t> QNodeMediator::GetScanIDs(uint16_t kind) const {
    switch (kind) {
    case kTypeSpectralScanNode:
        return IDsOf(m_spectralScans);
    case kTypeSpatialScanNode:
        return IDsOf(m_spatialScans);
    case kTypeSpectralSpatialScanNode:
        return IDsOf(m_spectralSpatialScans);
    case kTypeHandHeldProbeScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
        return IDsOf(m_handHeldScans);
    default:
        return {};
    }
}

uint32_t QNodeMediator::GetCurrentScanPointCount() {
    CScanData* scan = nullptr;
    switch (m_nKind) {
    case kTypeSpectralScanNode:
        scan = m_pCurrentSpectral;
        break;
    case kTypeSpatialScanNode:
        scan = m_pCurrentSpatial;
        break;
    case kTypeSpectralSpatialScanNode:
        scan = m_pCurrentSpectralSpatial;
        break;
    case kTypeHandHeldProbeScanNode:
        m_pCurrentSpectralSpatial = m_pCurrentHandHeld;
        scan = m_pCurrentHandHeld;
        break;
    default:
        break;
    }
    return scan != nullptr ? scan->GetCount() : 0;
}

int32_t QNodeMediator::NewestScanID(uint16_t kind, size_t& count) {
    const std::vector<int32_t> ids = GetScanIDs(kind);
    count = ids.size();
    return ids.empty() ? -1 : ids.back();
}

bool QNodeMediator::IsShownScan(const CScanData& scan) const {
    if (&scan == m_pCurrentSpectral || &scan == m_pCurrentSpatial || &scan == m_pCurrentSpectralSpatial ||
        &scan == m_pCurrentHandHeld) {
        return true;
    }
    const auto scanID = static_cast<int32_t>(scan.m_ScanId);
    if (dynamic_cast<const CHandHeldProbeScanData*>(&scan) != nullptr) {
        return scanID == m_nDisplayedHandHeldScanID;
    }
    if (dynamic_cast<const CSpectralSpatialScanData*>(&scan) != nullptr) {
        return scanID == m_nDisplayedSpectralSpatialScanID;
    }
    if (dynamic_cast<const CSpatialScanData*>(&scan) != nullptr) {
        return scanID == m_nDisplayedSpatialScanID;
    }
    return scanID == m_nDisplayedSpectralScanID;
}

void QNodeMediator::UseScan(CScanData* scan) {
    if (scan != nullptr) {
        m_scanResidency->Use(*scan, [this](const CScanData& held) { return IsShownScan(held); });
    }
}

bool QNodeMediator::UseScanForView(CScanData* scan) {
    if (scan == nullptr) {
        return false;
    }
    try {
        UseScan(scan);
    } catch (const QStorageLayerException& error) {
        AddInformationMessage(1, error.what());
        return false;
    }
    return true;
}

bool QNodeMediator::ChangingScan(CScanData& scan) {
    try {
        m_scanResidency->Changing(scan, [this](const CScanData& held) { return IsShownScan(held); });
    } catch (const QStorageLayerException& error) {
        AddInformationMessage(1, error.what());
        return false;
    }
    return true;
}

void QNodeMediator::TrimScans() {
    m_scanResidency->Trim([this](const CScanData& held) { return IsShownScan(held); });
}

int32_t QNodeMediator::GetNextSpectralScanID() const {
    return NextID(m_spectralScans);
}
int32_t QNodeMediator::GetNextSpatialScanID() const {
    return NextID(m_spatialScans);
}
int32_t QNodeMediator::GetNextSpectralSpatialScanID() const {
    return NextID(m_spectralSpatialScans);
}
int32_t QNodeMediator::GetNextHandHeldScanID() const {
    return NextID(m_handHeldScans);
}

// --- Deleting, clearing, reordering ---

namespace {

// Removes the scan with the ID; answers its former index, or -1.
template <class T>
long RemoveScan(std::vector<std::unique_ptr<T>>& list, int32_t scanID, CriticalSection& section,
                T*& current) {
    auto found = std::find_if(list.begin(), list.end(), [scanID](const auto& scan) {
        return static_cast<int32_t>(scan->m_ScanId) == scanID;
    });
    if (found == list.end()) {
        return -1;
    }
    const long index = found - list.begin();
    std::unique_ptr<T> removed;
    {
        // The views read the values under this section.
        CriticalSectionGuard guard(section);
        if (current == found->get()) {
            current = nullptr;
        }
        removed = std::move(*found);
        list.erase(found);
    }
    return index;
}

template <class T> int32_t SuccessorID(const std::vector<std::unique_ptr<T>>& list, long index) {
    const size_t at = std::min(static_cast<size_t>(index), list.size() - 1);
    return static_cast<int32_t>(list[at]->m_ScanId);
}

// Removes the scan; when it was the displayed one, its successor is shown in its place, or the frame
// closes when none is left.
template <class T, class Show, class Close>
bool DeleteScan(std::vector<std::unique_ptr<T>>& list, int32_t scanID, CriticalSection& section, T*& current,
                bool displayed, Show show, Close close) {
    const long index = RemoveScan(list, scanID, section, current);
    if (index < 0) {
        return false;
    }
    if (displayed) {
        if (!list.empty()) {
            show(SuccessorID(list, index));
        } else {
            close();
        }
    }
    return true;
}

} // namespace

void QNodeMediator::PostCloseToLiveFrame(QFrameClass frameClass) {
    if (QViewFrame* frame = LiveFrame(frameClass)) {
        frame->GetMessageTarget().Post(NodeMessage::kClose);
    }
}

bool QNodeMediator::DeleteSpectralScanData(int32_t scanID) {
    if (const CSpectralScanData* doomed = FindScan(m_spectralScans, scanID)) {
        m_scanResidency->Removed(*doomed);
    }
    return DeleteScan(
        m_spectralScans, scanID, m_firstSection, m_pCurrentSpectral, scanID == m_nDisplayedSpectralScanID,
        [this](int32_t successor) { ShowSpectralScanData(successor); },
        [this] { PostCloseToLiveFrame(QFrameClass::Spectral); });
}

bool QNodeMediator::DeleteSpatialScanData(int32_t scanID) {
    if (const CSpatialScanData* doomed = FindScan(m_spatialScans, scanID)) {
        m_scanResidency->Removed(*doomed);
    }
    return DeleteScan(
        m_spatialScans, scanID, m_firstSection, m_pCurrentSpatial, scanID == m_nDisplayedSpatialScanID,
        [this](int32_t successor) { ShowSpatialScanData(successor); },
        [this] { PostCloseToLiveFrame(QFrameClass::Spatial); });
}

bool QNodeMediator::DeleteSpectralSpatialScanData(int32_t scanID) {
    if (const CSpectralSpatialScanData* doomed = FindScan(m_spectralSpatialScans, scanID)) {
        m_scanResidency->Removed(*doomed);
    }
    return DeleteScan(
        m_spectralSpatialScans, scanID, m_secondSection, m_pCurrentSpectralSpatial,
        scanID == m_nDisplayedSpectralSpatialScanID,
        [this](int32_t successor) { ShowSpectralSpatialScanData(successor, false); },
        [this] { PostCloseToLiveFrame(QFrameClass::SpectralSpatial); });
}

bool QNodeMediator::DeleteHandHeldProbeScanData(int32_t scanID) {
    // The current hand-held entry doubles as the current spectral/spatial one.
    if (CHandHeldProbeScanData* doomed = FindScan(m_handHeldScans, scanID)) {
        m_scanResidency->Removed(*doomed);
        if (m_pCurrentSpectralSpatial == doomed) {
            CriticalSectionGuard guard(m_secondSection);
            m_pCurrentSpectralSpatial = nullptr;
        }
    }
    return DeleteScan(
        m_handHeldScans, scanID, m_secondSection, m_pCurrentHandHeld, scanID == m_nDisplayedHandHeldScanID,
        [this](int32_t successor) { ShowHandHeldProbeScanData(successor, false); },
        [this] { PostCloseToLiveFrame(QFrameClass::SpectralSpatial); });
}

void QNodeMediator::ClearScanData() {
    CriticalSectionGuard first(m_firstSection);
    CriticalSectionGuard second(m_secondSection);
    m_pCurrentSpectral = nullptr;
    m_pCurrentSpatial = nullptr;
    m_pCurrentSpectralSpatial = nullptr;
    m_pCurrentHandHeld = nullptr;
    m_scanResidency->Clear();
    m_spectralScans.clear();
    m_spatialScans.clear();
    m_spectralSpatialScans.clear();
    m_handHeldScans.clear();
}

void QNodeMediator::ReorderScanData(const std::vector<int32_t>& scanIDs, bool down) {
    switch (m_nKind) {
    case kTypeSpectralScanNode:
        Reorder(m_spectralScans, scanIDs, down);
        break;
    case kTypeSpatialScanNode:
        Reorder(m_spatialScans, scanIDs, down);
        break;
    case kTypeSpectralSpatialScanNode:
        Reorder(m_spectralSpatialScans, scanIDs, down);
        break;
    case kTypeHandHeldProbeScanNode:
        Reorder(m_handHeldScans, scanIDs, down);
        break;
    default:
        return;
    }
    if (m_pScanListWnd == nullptr) {
        return;
    }
    FillScanDataList(m_nKind);
    for (int32_t scanID : scanIDs) {
        m_pScanListWnd->SelectRow(FormatC("%d", scanID));
    }
}

// --- The scan-data list ---

void QNodeMediator::ClearScanDataList() {
    if (m_pScanListWnd != nullptr) {
        // The empty list is this node's: scans another node adds meanwhile wait for its selection.
        m_pScanListWnd->SetOwner(this);
        m_pScanListWnd->Clear();
    }
    m_bScanListFilled = 0;
}

bool QNodeMediator::IsScanListOwner() const {
    return m_pScanListWnd != nullptr && m_pScanListWnd->GetOwner() == this;
}

void QNodeMediator::SelectScanInList(int32_t scanID) {
    if (m_pScanListWnd != nullptr && scanID != -1) {
        m_pScanListWnd->SelectOnlyRow(FormatC("%d", scanID));
    }
}

void QNodeMediator::FillScanDataList(uint16_t kind) {
    if (m_pScanListWnd == nullptr) {
        return;
    }
    m_pScanListWnd->SetOwner(this);
    m_pScanListWnd->Clear();
    m_bScanListFilled = 1;
    // A two-scan node lists its sources by their part, not by the scans' own IDs.
    switch (kind) {
    case kTypeSpectralComparisonNode:
        m_pScanListWnd->AddSpectralComparisonRows(*this);
        break;
    case kTypeSpatialComparisonNode:
        m_pScanListWnd->AddSpatialComparisonRows(*this);
        break;
    case kTypeSpectralOverlayNode:
        m_pScanListWnd->AddSpectralOverlayRows(*this);
        break;
    case kTypeBlindSpotReductionNode:
        m_pScanListWnd->AddBlindSpotReductionRows(*this);
        break;
    default:
        // The rows show the scans' own date and description: no scan is prepared for its row.
        for (const CScanData* scan : ListedScans(kind)) {
            m_pScanListWnd->AddRow(FormatC("%d", static_cast<int32_t>(scan->m_ScanId)), scan->m_DateText,
                                   scan->m_UserText);
        }
        break;
    }
    const ViewKind* viewKind = FindViewKind(kind == kTypeSpectralSpatialUserCompositeNode ? m_nKind : kind);
    if (viewKind != nullptr) {
        if (QViewFrame* frame = LiveFrame(viewKind->frame)) {
            frame->BringToTop();
        }
    }
}

void QNodeMediator::FillScanDataListForKind(uint16_t kind) {
    switch (kind) {
    case kTypeSpectralScanNode:
    case kTypeSpatialScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
    case kTypeSpectralComparisonNode:
    case kTypeSpatialComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeBlindSpotReductionNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        FillScanDataList(kind);
        break;
    default:
        break;
    }
}

std::vector<const CScanData*> QNodeMediator::ListedScans(uint16_t kind) const {
    std::vector<const CScanData*> scans;
    const auto all = [&scans](const auto& list) {
        scans.reserve(list.size());
        for (const auto& scan : list) {
            scans.push_back(scan.get());
        }
    };
    switch (kind) {
    case kTypeSpectralScanNode:
        all(m_spectralScans);
        break;
    case kTypeSpatialScanNode:
        all(m_spatialScans);
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        all(m_spectralSpatialScans);
        break;
    case kTypeHandHeldProbeScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
        all(m_handHeldScans);
        break;
    default:
        break;
    }
    return scans;
}

// --- Copying the scans of a pasted node ---

namespace {

template <class T>
bool SharesAnID(const std::vector<std::unique_ptr<T>>& own, const std::vector<std::unique_ptr<T>>& other) {
    return std::any_of(other.begin(), other.end(), [&own](const auto& scan) {
        return FindScan(own, static_cast<int32_t>(scan->m_ScanId)) != nullptr;
    });
}

template <class T> std::unique_ptr<T> CopyOf(const std::unique_ptr<T>& scan, QScanDataMediator* mediator) {
    if (scan == nullptr) {
        return nullptr;
    }
    std::unique_ptr<T> copy = scan->Clone();
    // A clone takes the scan's fields but not its identity.
    copy->m_ScanId = scan->m_ScanId;
    copy->m_Mediator = mediator;
    return copy;
}

} // namespace

bool QNodeMediator::CopyScanDataFrom(QNodeMediator& source) {
    if (&source == this || source.m_nKind != m_nKind) {
        return false;
    }
    // Scan IDs stay unique within a list.
    if (SharesAnID(m_spectralScans, source.m_spectralScans) ||
        SharesAnID(m_spatialScans, source.m_spatialScans) ||
        SharesAnID(m_spectralSpatialScans, source.m_spectralSpatialScans) ||
        SharesAnID(m_handHeldScans, source.m_handHeldScans)) {
        return false;
    }
    QScanDataMediator* self = this;
    const auto copyGroup = [self](auto& own, const auto& other) {
        own.first = CopyOf(other.first, self);
        own.second = CopyOf(other.second, self);
        own.result = CopyOf(other.result, self);
        own.word = other.word;
        own.firstFlag = other.firstFlag;
        own.secondFlag = other.secondFlag;
        own.resultChanged = 1;
    };
    // The source's scans are made whole one at a time and copied before the sections are taken:
    // bringing a scan back reads its scan file. A scan that cannot be read back fails the copy.
    const auto copyAll = [&source, self](const auto& list, auto& copies) {
        copies.reserve(list.size());
        for (const auto& scan : list) {
            if (!source.UseScanForView(scan.get())) {
                return false;
            }
            copies.push_back(CopyOf(scan, self));
        }
        return true;
    };
    std::vector<std::unique_ptr<CSpectralScanData>> spectralCopies;
    std::vector<std::unique_ptr<CSpatialScanData>> spatialCopies;
    std::vector<std::unique_ptr<CSpectralSpatialScanData>> spectralSpatialCopies;
    std::vector<std::unique_ptr<CHandHeldProbeScanData>> handHeldCopies;
    if (!copyAll(source.m_spectralScans, spectralCopies) || !copyAll(source.m_spatialScans, spatialCopies) ||
        !copyAll(source.m_spectralSpatialScans, spectralSpatialCopies) ||
        !copyAll(source.m_handHeldScans, handHeldCopies)) {
        return false;
    }
    const auto appendAll = [this](auto& own, auto& copies, CriticalSection& section) {
        for (auto& copy : copies) {
            m_scanResidency->Added(*copy, section);
            own.push_back(std::move(copy));
        }
    };
    {
        CriticalSectionGuard first(m_firstSection);
        CriticalSectionGuard second(m_secondSection);
        appendAll(m_spectralScans, spectralCopies, m_firstSection);
        appendAll(m_spatialScans, spatialCopies, m_firstSection);
        appendAll(m_spectralSpatialScans, spectralSpatialCopies, m_secondSection);
        appendAll(m_handHeldScans, handHeldCopies, m_secondSection);
    }
    // Outside the sections: moving scans out writes their scan file.
    TrimScans();
    CriticalSectionGuard first(m_firstSection);
    CriticalSectionGuard second(m_secondSection);
    // A pasted report generator reports what its original was set to report.
    m_reportBuffers = source.m_reportBuffers;
    switch (m_nKind) {
    case kTypeSpectralComparisonNode:
        copyGroup(m_spectralComparison, source.m_spectralComparison);
        break;
    case kTypeSpatialComparisonNode:
        copyGroup(m_spatialComparison, source.m_spatialComparison);
        break;
    case kTypeSpectralOverlayNode:
        copyGroup(m_spectralOverlay, source.m_spectralOverlay);
        break;
    case kTypeBlindSpotReductionNode:
        copyGroup(m_blindSpotReduction, source.m_blindSpotReduction);
        break;
    default:
        break;
    }
    return true;
}

void QNodeMediator::SelectDisplayedScanInList() {
    if (m_pScanListWnd != nullptr && m_nDisplayedScanID != -1) {
        m_pScanListWnd->SelectRow(FormatC("%d", m_nDisplayedScanID));
    }
}

void QNodeMediator::ViewScanData(int32_t scanID) {
    bool created = false;
    OpenView(m_nKind, created, true);
    ShowScanData(scanID);
    m_nDisplayedScanID = scanID;
    if (m_pScanListWnd != nullptr) {
        m_pScanListWnd->SelectRow(FormatC("%d", scanID));
    }
}

// --- Adding scan data ---

bool QNodeMediator::AddSpectralScanData(QSpectralScanAddition addition, bool live, bool updateLast) {
    CSpectralScanData* touched = nullptr;
    if (!addition.m_HasPoints) {
        // The frequencies measured after a live spectral scan reach its entry.
        if (addition.m_MeasuredFrequencies.empty() || m_spectralScans.empty()) {
            return false;
        }
        CSpectralScanData& last = *m_spectralScans.back();
        if (!ChangingScan(last)) {
            return false;
        }
        {
            CriticalSectionGuard guard(m_firstSection);
            last.SetMeasuredFrequencies(std::move(addition.m_MeasuredFrequencies));
        }
        m_scanResidency->Changed(last);
        return true;
    }
    const QScanDataRecord& record = addition.m_Record;
    if (!updateLast) {
        auto scan = std::make_unique<CSpectralScanData>();
        CopyRecordInto(*scan, record, this);
        scan->SetProbeScanPattern(addition.m_Markers);
        if (record.m_IsZeltData > 0) {
            scan->SetFloatPoints(std::move(addition.m_ZeltPoints), CSpectralScanData::kZeltPoints);
        } else {
            scan->SetMirtPoints(std::move(addition.m_MirtPoints));
        }
        scan->SetMeasuredFrequencies(std::move(addition.m_MeasuredFrequencies));
        touched = scan.get();
        m_spectralScans.push_back(std::move(scan));
        m_scanResidency->Added(*touched, m_firstSection);
        TrimScans();
    } else {
        if (m_spectralScans.empty()) {
            throw std::invalid_argument("no spectral scan to update");
        }
        CSpectralScanData& last = *m_spectralScans.back();
        if (!ChangingScan(last)) {
            return false;
        }
        {
            CriticalSectionGuard guard(m_firstSection);
            if (last.GetPointFormat() == CSpectralScanData::kMirtPoints) {
                std::vector<QSpectralPoint> points = last.GetMirtPoints();
                if (addition.m_MirtPoints.size() > points.size()) {
                    return false;
                }
                std::copy(addition.m_MirtPoints.begin(), addition.m_MirtPoints.end(), points.begin());
                last.SetMirtPoints(std::move(points));
            } else {
                std::vector<CFloatSpectralPoint> points = last.GetFloatPoints();
                if (addition.m_ZeltPoints.size() > points.size()) {
                    return false;
                }
                std::copy(addition.m_ZeltPoints.begin(), addition.m_ZeltPoints.end(), points.begin());
                last.SetFloatPoints(std::move(points), last.GetPointFormat());
            }
            last.m_UserText = record.m_Texts[0];
            last.m_PeakHold = record.m_PeakHold;
            last.BuildSpectralSnapshot();
        }
        m_scanResidency->Changed(last);
        touched = &last;
    }
    if (m_pTreeContainer != nullptr) {
        m_pTreeContainer->AddSpectralScanDataToList(*touched, live, !updateLast, *this);
    }
    if (live) {
        PostNotification(m_nKind);
    }
    return true;
}

bool QNodeMediator::AddSpatialScanData(QSpatialScanAddition addition, bool live, bool updateLast) {
    const QScanDataRecord& record = addition.m_Record;
    const bool zelt = record.m_IsZeltData > 0;
    CSpatialScanData* touched = nullptr;
    if (!updateLast) {
        auto scan = std::make_unique<CSpatialScanData>();
        CopyRecordInto(*scan, record, this);
        scan->m_SpatialBytes = record.m_SpatialBytes;
        scan->m_Values = std::move(addition.m_Values);
        if (zelt) {
            scan->SetZeltRecordBytes(addition.m_ZeltRecords);
        }
        const bool pairsPasses =
            record.m_BlindSpot == 1 && live && !(zelt && GetInstrumentInfo().GetBlindSpotPassMode() > 2);
        if (pairsPasses) {
            if (record.m_PassWord == 1 && m_pKeptBlindSpotPass != nullptr) {
                std::unique_ptr<CSpatialScanData> combined =
                    scan->CreateBlindSpotReductionWith(*m_pKeptBlindSpotPass);
                m_pKeptBlindSpotPass.reset();
                if (combined == nullptr) {
                    return false;
                }
                combined->m_ScanId = scan->m_ScanId;
                combined->m_Mediator = this;
                scan = std::move(combined);
            } else {
                m_pKeptBlindSpotPass = std::move(scan);
                return true;
            }
        }
        touched = scan.get();
        m_spatialScans.push_back(std::move(scan));
        m_scanResidency->Added(*touched, m_firstSection);
        TrimScans();
    } else {
        if (m_spatialScans.empty()) {
            throw std::invalid_argument("no spatial scan to update");
        }
        CSpatialScanData& last = *m_spatialScans.back();
        if (!ChangingScan(last)) {
            return false;
        }
        {
            CriticalSectionGuard guard(m_firstSection);
            if (!zelt) {
                const size_t cells = static_cast<size_t>(record.m_Rows) * record.m_Columns;
                if (cells > addition.m_Values.size() || cells > last.m_Values.size()) {
                    return false;
                }
                std::copy_n(addition.m_Values.begin(), cells, last.m_Values.begin());
            } else {
                last.SetZeltRecordBytes(addition.m_ZeltRecords);
            }
            last.m_UserText = record.m_Texts[0];
            last.m_PeakHold = record.m_PeakHold;
            last.BuildSpatialSnapshot();
        }
        m_scanResidency->Changed(last);
        touched = &last;
    }
    if (m_pTreeContainer != nullptr) {
        m_pTreeContainer->AddSpatialScanDataToList(*touched, live, !updateLast, *this);
    }
    if (live) {
        PostNotification(m_nKind);
    }
    return true;
}

int32_t QNodeMediator::AddMadeSpatialScanData(std::unique_ptr<CSpatialScanData> scan) {
    // An ID from the count could name a listed scan once a middle scan was deleted.
    const int32_t scanID = GetNextSpatialScanID();
    scan->m_ScanId = static_cast<uint32_t>(scanID);
    scan->m_Mediator = this;
    if (const QSpectralDisplayOptions* spectral = GetSpectralDisplayOptions()) {
        scan->m_DisplayValue = spectral->m_step;
        scan->m_DisplayCount = spectral->m_count;
    }
    ApplyViewSnapshot(*this, *scan);
    CSpatialScanData* added = scan.get();
    {
        // The views walk the list under this section.
        CriticalSectionGuard guard(m_firstSection);
        m_spatialScans.push_back(std::move(scan));
        m_scanResidency->Added(*added, m_firstSection);
    }
    // Outside the section: moving scans out writes their scan file.
    TrimScans();
    if (m_pTreeContainer != nullptr) {
        m_pTreeContainer->AddSpatialScanDataToList(*added, false, true, *this);
    }
    PostNotification(m_nKind);
    MarkProjectModified();
    return scanID;
}

namespace {

// The entry a cell call feeds: cell index 1 made it; a later cell or the closing call belongs to
// the last entry only when that entry is the same scan.
template <class T> T* CellEntry(std::vector<std::unique_ptr<T>>& list, const QCellAddition& addition) {
    if (list.empty()) {
        if (addition.m_HasValues) {
            throw std::invalid_argument("no spectral/spatial scan to add the cell to");
        }
        return nullptr;
    }
    T* entry = list.back().get();
    return static_cast<int32_t>(entry->m_ScanId) == addition.m_Record.m_ScanId ? entry : nullptr;
}

} // namespace

bool QNodeMediator::AddSpectralSpatialScanData(QCellAddition addition, bool live) {
    const bool zelt = addition.m_Record.m_IsZeltData > 0;
    if (addition.m_CellIndex == 1) {
        auto scan = std::make_unique<CSpectralSpatialScanData>();
        scan->m_CellCount = addition.m_CellCount;
        CopyRecordInto(*scan, addition.m_Record, this);
        scan->m_ThirdFlag = addition.m_Record.m_ThirdFlag;
        m_spectralSpatialScans.push_back(std::move(scan));
        m_scanResidency->Added(*m_spectralSpatialScans.back(), m_secondSection);
    }
    CSpectralSpatialScanData* entry = CellEntry(m_spectralSpatialScans, addition);
    if (entry == nullptr) {
        return false;
    }
    // A scan moved out while its cells still come is made whole before it takes the next one.
    if (!ChangingScan(*entry)) {
        return false;
    }
    if (live) {
        entry->m_Completed = 0;
    }
    if (addition.m_HasValues) {
        std::unique_ptr<_SpectralSpatialScanDataUnit> unit = MakeUnit(addition, zelt);
        const uint64_t bytes = CSpectralSpatialScanData::GetUnitBytes(*unit);
        {
            CriticalSectionGuard guard(m_secondSection);
            entry->m_Units.push_back(std::move(unit));
            if (addition.m_CellIndex == addition.m_CellCount) {
                entry->m_Prepared = 0;
                entry->m_Completed = 1;
            }
        }
        m_scanResidency->Grew(*entry, bytes);
        TrimScans();
    } else if (!addition.m_MeasuredFrequencies.empty()) {
        {
            CriticalSectionGuard guard(m_secondSection);
            entry->m_Completed = 1;
            entry->SetMeasuredFrequencies(std::move(addition.m_MeasuredFrequencies));
            entry->m_Prepared = 0;
        }
        m_scanResidency->Changed(*entry);
    }
    m_nLastCellIndex = addition.m_CellIndex;
    m_nLastCellCount = addition.m_CellCount;
    if (addition.m_CellIndex == 1 && m_pTreeContainer != nullptr) {
        m_pTreeContainer->AddSpectralSpatialScanDataToList(*entry, live, *this);
    }
    if (live) {
        PostNotification(m_nKind);
    }
    return true;
}

bool QNodeMediator::AddHandHeldProbeScanData(QCellAddition addition, bool live) {
    const bool zelt = addition.m_Record.m_IsZeltData > 0;
    if (addition.m_CellIndex == 1) {
        auto scan = std::make_unique<CHandHeldProbeScanData>();
        CopyRecordInto(*scan, addition.m_Record, this);
        m_handHeldScans.push_back(std::move(scan));
        m_scanResidency->Added(*m_handHeldScans.back(), m_secondSection);
    }
    CHandHeldProbeScanData* entry = CellEntry(m_handHeldScans, addition);
    if (entry == nullptr) {
        return false;
    }
    if (addition.m_HasValues) {
        if (!ChangingScan(*entry)) {
            return false;
        }
        std::unique_ptr<_SpectralSpatialScanDataUnit> unit = MakeUnit(addition, zelt);
        const uint64_t bytes = CSpectralSpatialScanData::GetUnitBytes(*unit);
        {
            // The views read the units of a running hand-held scan under this section.
            CriticalSectionGuard guard(m_secondSection);
            entry->m_Units.push_back(std::move(unit));
            if (addition.m_CellIndex == addition.m_CellCount) {
                entry->m_Prepared = 0;
            }
        }
        m_scanResidency->Grew(*entry, bytes);
        TrimScans();
    }
    m_nLastCellIndex = addition.m_CellIndex;
    m_nLastCellCount = addition.m_CellCount;
    if (m_pTreeContainer != nullptr) {
        m_pTreeContainer->AddHandHeldProbeScanDataToList(*entry, live, *this);
    }
    if (live) {
        PostNotification(m_nKind);
    }
    return true;
}

} // namespace orv
