#include "scandata/QCableScanContainer.h"

#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "scandata/InterpolateLogFrequency.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv {

namespace {

constexpr uint32_t kPeakSize = 16;
constexpr uint32_t kEmptyCableBodySize = 13;

// Peaks in frequency order, closer than 0.001 counting as equal.
bool Before(const QCableListPeak& a, const QCableListPeak& b) {
    return b.m_Frequency - a.m_Frequency > 0.001f;
}

// A stable merge sort: the tolerance of the order is no strict weak ordering, so the library sorts
// are not used on it.
void MergeSort(std::vector<QCableListPeak>& peaks, std::vector<QCableListPeak>& scratch, size_t begin,
               size_t end) {
    if (end - begin < 2) {
        return;
    }
    const size_t middle = begin + (end - begin) / 2;
    MergeSort(peaks, scratch, begin, middle);
    MergeSort(peaks, scratch, middle, end);
    size_t left = begin;
    size_t right = middle;
    size_t out = begin;
    while (left < middle && right < end) {
        // The left run wins unless the right peak strictly comes first.
        scratch[out++] = Before(peaks[right], peaks[left]) ? peaks[right++] : peaks[left++];
    }
    while (left < middle) {
        scratch[out++] = peaks[left++];
    }
    while (right < end) {
        scratch[out++] = peaks[right++];
    }
    std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(begin),
              scratch.begin() + static_cast<std::ptrdiff_t>(end),
              peaks.begin() + static_cast<std::ptrdiff_t>(begin));
}

void WritePeaks(QDataWriter& writer, const std::vector<QCableListPeak>& peaks) {
    writer.WriteU32(static_cast<uint32_t>(peaks.size()));
    for (const QCableListPeak& peak : peaks) {
        writer.WriteF32(peak.m_Frequency);
        writer.WriteF32(peak.m_Amplitude);
        writer.WriteF32(peak.m_TaskValue);
        writer.WriteU32(peak.m_FourthValue);
    }
}

std::vector<QCableListPeak> ReadPeaks(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(count) * kPeakSize);
    std::vector<QCableListPeak> peaks(count);
    for (QCableListPeak& peak : peaks) {
        peak.m_Frequency = reader.ReadF32();
        peak.m_Amplitude = reader.ReadF32();
        peak.m_TaskValue = reader.ReadF32();
        peak.m_FourthValue = reader.ReadU32();
    }
    return peaks;
}

bool SameReference(float a, float b) {
    return std::fabs(static_cast<double>(a) - static_cast<double>(b)) < QCableScanContainer::kSameReference;
}

} // namespace

QCableScanContainer::QCableScanContainer() : m_OwnedCurrent(std::make_unique<QCableScan>()) {
    m_CurrentScan = m_OwnedCurrent.get();
}

QCableScanContainer::~QCableScanContainer() = default;

bool QCableScanContainer::HoldsInList(const QCableScan* record) const {
    return std::any_of(m_CableScans.begin(), m_CableScans.end(),
                       [record](const std::unique_ptr<QCableScan>& held) { return held.get() == record; });
}

void QCableScanContainer::ReplaceCurrent(std::unique_ptr<QCableScan> next) {
    // A record of the list stays with the list; only one never appended is freed here.
    m_OwnedCurrent = std::move(next);
    m_CurrentScan = m_OwnedCurrent.get();
}

void QCableScanContainer::WriteBody(QDataWriter& writer) const {
    // Containers are never made const: the level range is brought up to date before it is written.
    auto& self = const_cast<QCableScanContainer&>(*this);
    self.GetLevelRange(nullptr, nullptr);
    self.m_PlanModeIs2 = GetPlanMode() == 2 ? 1 : 0;

    writer.WriteF32(m_LevelLow);
    writer.WriteF32(m_LevelHigh);
    writer.WriteU16(m_StoredWord);
    writer.WriteU32(m_StoredValue);
    writer.WriteU8(m_PlanModeIs2);
    WritePeaks(writer, m_PeakListA);
    WritePeaks(writer, m_PeakListB);
    const QFineScanPlan& plan = m_FineScanPlan;
    writer.WriteU32(plan.m_state1);
    if (plan.m_state1 != 2) {
        writer.WriteI32(plan.m_index);
        writer.WriteU8(m_PlanFlag);
        writer.WriteU8(1); // the current task follows
        writer.WriteU32(plan.m_state2);
        plan.m_current.WriteBody(writer);
        writer.WriteU32(plan.m_done);
        writer.WriteU32(static_cast<uint32_t>(plan.m_tasks.size()));
        for (const auto& entry : plan.m_tasks) {
            entry.second.WriteBody(writer);
        }
    }
    writer.WriteU32(static_cast<uint32_t>(plan.m_pending.size()));
    for (const float value : plan.m_pending) {
        writer.WriteF32(value);
    }
}

uint32_t QCableScanContainer::GetBodySize() const {
    uint32_t size = 4 + 4 + 2 + 4 + 1;
    size += 4 + kPeakSize * static_cast<uint32_t>(m_PeakListA.size());
    size += 4 + kPeakSize * static_cast<uint32_t>(m_PeakListB.size());
    size += 4;
    if (m_FineScanPlan.m_state1 != 2) {
        size += 4 + 1 + 1 + 4 + QFineScanTask::kBodySize + 4 + 4 +
                QFineScanTask::kBodySize * static_cast<uint32_t>(m_FineScanPlan.m_tasks.size());
    }
    size += 4 + 4 * static_cast<uint32_t>(m_FineScanPlan.m_pending.size());
    return size;
}

void QCableScanContainer::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(15);
    const float levelLow = reader.ReadF32();
    const float levelHigh = reader.ReadF32();
    const uint16_t storedWord = reader.ReadU16();
    const uint32_t storedValue = reader.ReadU32();
    const uint8_t planModeIs2 = reader.ReadU8();
    std::vector<QCableListPeak> peaksA = ReadPeaks(reader);
    std::vector<QCableListPeak> peaksB = ReadPeaks(reader);

    QFineScanPlan plan = m_FineScanPlan;
    plan.m_state1 = reader.ReadU32();
    plan.m_state2 = 0;
    plan.m_done = 0;
    plan.m_index = -1;
    plan.m_taskCount = 0;
    plan.m_tasks.clear();
    plan.m_pending.clear();
    uint8_t planFlag = m_PlanFlag;
    if (plan.m_state1 != 2) {
        reader.RequireRemaining(10);
        plan.m_index = reader.ReadI32();
        planFlag = reader.ReadU8();
        const uint8_t taskPresent = reader.ReadU8();
        plan.m_state2 = reader.ReadU32();
        if (taskPresent != 0) {
            plan.m_current.ReadBody(reader);
        }
        reader.RequireRemaining(8);
        plan.m_done = reader.ReadU32();
        const uint32_t taskCount = reader.ReadU32();
        reader.RequireRemaining(static_cast<uint64_t>(taskCount) * QFineScanTask::kBodySize);
        for (uint32_t key = 1; key <= taskCount && key != 0; ++key) {
            QFineScanTask task;
            task.ReadBody(reader);
            plan.m_tasks.emplace(key, task);
        }
        plan.m_taskCount = taskCount;
    }
    const uint32_t valueCount = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(valueCount) * 4);
    plan.m_pending.resize(valueCount);
    for (float& value : plan.m_pending) {
        value = reader.ReadF32();
    }

    m_LevelLow = levelLow;
    m_LevelHigh = levelHigh;
    m_StoredWord = storedWord;
    m_StoredValue = storedValue;
    m_PlanModeIs2 = planModeIs2;
    m_PeakListA.swap(peaksA);
    m_PeakListB.swap(peaksB);
    m_FineScanPlan = std::move(plan);
    m_PlanFlag = planFlag;
    m_CompensationDone = 0;
}

void QCableScanContainer::WriteCableScans(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_CableScans.size()));
    for (const std::unique_ptr<QCableScan>& record : m_CableScans) {
        record->WriteBody(writer);
    }
    writer.WriteU32(m_ReferenceScan ? m_ReferenceScan->GetPointCount() : 0);
    if (m_ReferenceScan) {
        m_ReferenceScan->WriteBody(writer);
    }
}

void QCableScanContainer::ReadCableScans(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(count) * kEmptyCableBodySize);
    std::vector<std::unique_ptr<QCableScan>> records;
    records.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto record = std::make_unique<QCableScan>();
        record->ReadBody(reader);
        records.push_back(std::move(record));
    }
    const uint32_t referenceCount = reader.ReadU32();
    std::unique_ptr<QCableScan> reference;
    if (referenceCount >= 1) {
        reference = std::make_unique<QCableScan>();
        reference->ReadBody(reader);
    } else {
        // A reference without points is written with its body all the same; pass over it so the
        // reader ends where the writer did.
        uint32_t next = 0;
        if (reader.GetRemaining() >= kEmptyCableBodySize && reader.Peek(&next, sizeof(next)) && next == 0) {
            QCableScan empty;
            empty.ReadBody(reader);
        }
    }

    if (HoldsInList(m_CurrentScan)) {
        ReplaceCurrent(std::make_unique<QCableScan>());
    }
    m_CableScans.swap(records);
    if (reference) {
        m_ReferenceScan = std::move(reference);
    }
    m_PointCount = m_ReferenceScan ? m_ReferenceScan->GetPointCount() : m_PointCount;
    m_CompensationDone = 0;
    SetRangeStale(true);
}

void QCableScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                        const QFrequencyBucketList* /*selection*/) {
    if (IsRangeStale() && m_ReferenceScan && m_ReferenceScan->HasData()) {
        const bool compensated = QCorrectionData::IsSpectralCompensationOn();
        if (compensated && m_CompensationDone == 0) {
            ComputeCompensation();
        }
        float lowest = 2000.0f;
        float highest = -2000.0f;
        for (uint32_t i = 0; i < m_ReferenceScan->GetPointCount(); ++i) {
            const float level = compensated && i < m_CompensatedSpectrum.size()
                                    ? m_CompensatedSpectrum[i]
                                    : static_cast<float>(m_ReferenceScan->GetAmplitude(i));
            lowest = std::min(lowest, level);
            highest = std::max(highest, level);
        }
        m_LevelLow = lowest;
        m_LevelHigh = highest;
        SetRangeStale(false);
    }
    if (low != nullptr) {
        *low = m_LevelLow;
    }
    if (high != nullptr) {
        *high = m_LevelHigh;
    }
}

void QCableScanContainer::StartNewScan() {
    m_PendingFlag = 0;
    ReplaceCurrent(std::make_unique<QCableScan>());
}

void QCableScanContainer::AddScanData(QTransportContainer& transport, bool mergeMaximum,
                                      bool /*mergeAverage*/) {
    const auto* received = dynamic_cast<const QSpectralScan*>(transport.GetSpectralScan());
    if (received == nullptr) {
        return;
    }
    m_PointCount = received->GetPointCount();
    auto record = std::make_unique<QCableScan>(m_PointCount);
    record->CopyFromSpectral(*received);
    // The received record is freed with the transport container.
    if (!m_ReferenceScan) {
        m_ReferenceScan = std::make_unique<QCableScan>(m_PointCount);
    }
    if (mergeMaximum && m_CurrentScan->HasData()) {
        m_CurrentScan->MergeScan(QCableScan::kMergeMaximumHold, *record);
    } else {
        ReplaceCurrent(std::move(record));
    }
    m_Updated = 1;
    m_LevelLow = 0.0f;
    m_LevelHigh = 0.0f;
    MarkPending();
    m_CompensationDone = 0;
    SetRangeStale(true);
    ProcessPeaks();
}

uint32_t QCableScanContainer::TaskIdOfCurrent() {
    QFineScanPlan& plan = m_FineScanPlan;
    for (const auto& [key, task] : plan.m_tasks) {
        if (task.IsSame(plan.m_current)) {
            return key;
        }
    }
    const uint32_t id = ++plan.m_taskCount;
    plan.m_tasks.insert_or_assign(id, plan.m_current);
    plan.m_pending.push_back(plan.m_current.m_step);
    return id;
}

uint32_t QCableScanContainer::TaskIdOfValue(float value) const {
    for (const auto& [key, task] : m_FineScanPlan.m_tasks) {
        if (SameReference(task.m_step, value)) {
            return key;
        }
    }
    return 0;
}

void QCableScanContainer::AppendPeaks(const QCableScan& record, float taskValue, uint32_t taskId) {
    for (uint32_t k = 0; k < record.GetPeakCount(); ++k) {
        QCablePeak peak;
        if (!record.GetPeak(peak, k)) {
            break;
        }
        m_PeakListA.push_back({peak.m_Frequency, peak.m_Amplitude, taskValue, m_StoredValue, taskId});
    }
}

void QCableScanContainer::SortPeakList() {
    std::vector<QCableListPeak> scratch(m_PeakListA.size());
    MergeSort(m_PeakListA, scratch, 0, m_PeakListA.size());
}

void QCableScanContainer::ProcessPeaks() {
    // The task's value identifies the record of the task from now on.
    const float value = m_FineScanPlan.m_current.m_step;
    m_CurrentScan->SetReference(value);
    m_CurrentScan->SetFrequencyRange(GetSetupScanCommand().GetStartFrequency(),
                                     GetSetupScanCommand().GetStopFrequency());
    m_CurrentScan->FindPeaks();
    m_PlanModeIs2 = GetPlanMode() == 2 ? 1 : 0;

    const uint32_t id = TaskIdOfCurrent();
    AppendPeaks(*m_CurrentScan, value, id);
    SortPeakList();

    // Appended once: a record merged into again is already the list's.
    if (!HoldsInList(m_CurrentScan)) {
        m_CableScans.push_back(std::move(m_OwnedCurrent));
    }
    RebuildReference();
}

void QCableScanContainer::RebuildReference() {
    if (m_CableScans.empty()) {
        return;
    }
    auto reference = std::make_unique<QCableScan>();
    for (const std::unique_ptr<QCableScan>& record : m_CableScans) {
        // The first record is copied into the empty reference; later ones win where strictly higher.
        reference->MergeScan(QCableScan::kMergeMaximumHold, *record);
    }
    m_ReferenceScan = std::move(reference);
}

void QCableScanContainer::ClearScanData() {
    const float value = m_FineScanPlan.m_current.m_step;
    const auto found = std::find_if(m_CableScans.begin(), m_CableScans.end(),
                                    [value](const std::unique_ptr<QCableScan>& record) {
                                        return SameReference(record->GetReference(), value);
                                    });
    if (found != m_CableScans.end()) {
        if (found->get() == m_CurrentScan) {
            m_CurrentScan = nullptr;
        }
        m_CableScans.erase(found);
    }
    ReplaceCurrent(std::make_unique<QCableScan>());

    // What was built from the dropped record goes with it.
    m_PeakListA.clear();
    for (const std::unique_ptr<QCableScan>& record : m_CableScans) {
        record->SetFrequencyRange(GetSetupScanCommand().GetStartFrequency(),
                                  GetSetupScanCommand().GetStopFrequency());
        record->FindPeaks();
        AppendPeaks(*record, record->GetReference(), TaskIdOfValue(record->GetReference()));
    }
    SortPeakList();
    if (m_CableScans.empty()) {
        m_ReferenceScan.reset();
    } else {
        RebuildReference();
    }
    m_Updated = 1;
    m_CompensationDone = 0;
    SetRangeStale(true);
}

QContainerNodeMediator* QCableScanContainer::GetParentClampMediator(QContainerNodeMediator& own) {
    // Looked up once; a node not yet in a tree is asked again next time.
    if (m_ParentPending != 0) {
        m_ParentMediator = own.GetParentContainerMediator();
        m_ParentPending = m_ParentMediator == nullptr ? 1 : 0;
    }
    return m_ParentMediator;
}

void QCableScanContainer::SetParentSetup(const QClampSetupTexts& texts) {
    if (texts == m_ParentSetup) {
        return;
    }
    m_ParentSetup = texts;
    m_CompensationDone = 0;
    SetRangeStale(true);
}

void QCableScanContainer::ComputeCompensation() {
    m_CompensationDone = 1;
    const QLogFrequencyTable clamp =
        QLogFrequencyTable::Load("MDMD" + m_ParentSetup.m_Name1 + m_ParentSetup.m_Name2 + "MDMD");
    const QLogFrequencyTable transformer = QLogFrequencyTable::Load("CTCT" + m_ParentSetup.m_Name3 + "CTCT");
    const QLogFrequencyTable ambient = QLogFrequencyTable::Load("AMAM" + m_ParentSetup.m_Name4 + "AMAM");
    const float start = GetSetupScanCommand().GetStartFrequency();
    const float stop = GetSetupScanCommand().GetStopFrequency();
    // Without a positive start frequency there is no frequency axis to look the tables up on.
    const bool compensate = start > 0.0f;
    const auto offset = [&](float f) {
        return compensate ? 10.0f * clamp.At(f) + 10.0f * transformer.At(f) + 10.0f * ambient.At(f) : 0.0f;
    };

    const uint32_t count = m_ReferenceScan ? m_ReferenceScan->GetPointCount() : 0;
    m_CompensatedSpectrum.assign(count, 0.0f);
    const float step = count > 1 ? (stop - start) / static_cast<float>(count - 1) : 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        const float f = start + static_cast<float>(i) * step;
        m_CompensatedSpectrum[i] = static_cast<float>(m_ReferenceScan->GetAmplitude(i)) + offset(f);
    }
    m_CompensatedPeaks.assign(m_PeakListA.size(), 0.0f);
    for (size_t k = 0; k < m_PeakListA.size(); ++k) {
        m_CompensatedPeaks[k] = m_PeakListA[k].m_Amplitude + offset(m_PeakListA[k].m_Frequency);
    }
}

const std::vector<float>& QCableScanContainer::GetCompensatedSpectrum() {
    if (m_CompensationDone == 0) {
        ComputeCompensation();
    }
    return m_CompensatedSpectrum;
}

const std::vector<float>& QCableScanContainer::GetCompensatedPeaks() {
    if (m_CompensationDone == 0) {
        ComputeCompensation();
    }
    return m_CompensatedPeaks;
}

} // namespace orv
